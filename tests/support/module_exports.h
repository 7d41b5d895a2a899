// Reads the names a shared library exports from its file, without loading
// it: the ELF dynamic symbol table (defined global and weak symbols).
#pragma once

#include <set>
#include <string>

namespace qztest {

// Throws std::runtime_error when the file is not a readable 64-bit module.
std::set<std::string> exportedNames(const std::string &path);

} // namespace qztest
