// Reads what a shared library exports and which libraries it needs, from its
// file and without loading it: the ELF dynamic symbol table and dynamic
// section, or the PE export and import tables of a Windows DLL.
#pragma once

#include <set>
#include <string>

namespace qztest {

// Defined global and weak symbols (ELF), or the export table's names (PE); a
// PE export without a name shows as "#" and its ordinal, so that it cannot
// hide from a comparison of names. Throws std::runtime_error when the file
// is not a readable 64-bit module.
std::set<std::string> exportedNames(const std::string &path);

// The libraries the loader must bring in with the module: DT_NEEDED (ELF),
// or the DLLs of the import and delay-load tables (PE), as the file spells
// them. Throws like exportedNames.
std::set<std::string> importedModules(const std::string &path);

} // namespace qztest
