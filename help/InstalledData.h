#pragma once
// Where the files that are installed with the programs live: the user guide and the example
// programs, in share/quorvex/ of the installation (the programs themselves are in
// libexec/quorvex on Unix), and in the build folder in share/quorvex/ beside bin/ (build/bin/
// quorvex, build/share/quorvex/guide/...), so that the program finds them wherever it runs.

#include <QString>

// The data folder: the environment variable QUORVEX_DATA_DIR when it is set (tests, or a
// relocated installation); otherwise share/quorvex of the installation, seen from the
// executable's folder, or of the build folder when that is where the executable runs.
QString QuorvexDataFolder();
// The user guide: its contents page and the English pages at the top, translations in a
// subfolder per language code (pl/, de/, ...), pictures in images/.
QString GuideFolder();
// The example programs: one program file per example, named after it (<name>.qvp).
QString ExamplesFolder();
