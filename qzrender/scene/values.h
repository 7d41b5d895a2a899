// Reads a value of one of the scene language's types: a scalar is a number,
// an integer a number without '.' or exponent, a colour three or four
// numbers (r g b [a], alpha 0 when left out).
#pragma once

#include <string>

#include "scene.h"
#include "token_stream.h"

namespace qzscene {

// `what` names the value in messages, e.g. `parameter "left"`.
Value readValue(TokenStream &tokens, ValueType type, const std::string &what);

// "-2", "0 0 1 1": the value as the scene language writes it.
std::string formatValue(const Value &value, ValueType type);

} // namespace qzscene
