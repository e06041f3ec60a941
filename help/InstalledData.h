#pragma once
// Where the files that are installed beside the programs live: the user guide and the example
// programs. They sit in share/quorvex/ next to the bin/ folder of the executables, in the
// build folder as after installation (build/bin/quorvex, build/share/quorvex/guide/...), so
// that the program finds them the same way wherever it runs from.

#include <QString>

// The data folder: the environment variable QUORVEX_DATA_DIR when it is set (tests, or a
// relocated installation), otherwise <folder of the executable>/../share/quorvex.
QString QuorvexDataFolder();
// The user guide: its contents page and the English pages at the top, translations in a
// subfolder per language code (pl/, de/, ...), pictures in images/.
QString GuideFolder();
// The example programs: one program file per example, named after it (<name>.qvp).
QString ExamplesFolder();
