#pragma once
// A check of a language module file before it is handed to the system's library loader.
//
// The loader trusts a library's headers: it maps every segment they name, and reading a
// segment that lies beyond the end of a truncated file kills the process with a bus error
// (e.g. a module cut short by a failed copy or a full disk). A module that fails this check
// is skipped like any other module that cannot be loaded.

#include <QString>

namespace Language {

// On platforms whose libraries are ELF files: true when the file is an ELF shared object
// for this machine's word size and byte order, and its program header table, every
// segment, its section header table and every section that occupies file space lie inside
// the file. Elsewhere only that the file is a readable regular file (the loader checks the
// rest). The check reads the headers only; it does not load anything.
bool IsLoadableModuleFile(const QString& path);

} // namespace Language
