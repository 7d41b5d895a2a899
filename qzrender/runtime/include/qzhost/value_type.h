// The value types a shader result or parameter can have in qzrender's
// networks, with their sizes in a parameter block.
#pragma once

#include <cstddef>
#include <cstdint>

#include "qzhost/export.h"

namespace qzhost {

enum class ValueType : uint8_t { Scalar, Integer, Color };

// Bytes in a parameter block (and in a result): 4, 4 and 16.
constexpr size_t valueSize(ValueType type) { return type == ValueType::Color ? 16 : 4; }

// Channels a result gives an image: 1 for scalar and integer, 4 for colour.
constexpr int valueChannels(ValueType type) { return type == ValueType::Color ? 4 : 1; }

// "scalar", "integer" or "color", as the scene language spells them.
QZHOST_API const char *valueTypeName(ValueType type);

} // namespace qzhost
