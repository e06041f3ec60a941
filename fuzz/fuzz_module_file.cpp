// Language module files as they may be found in Lang/: cut short, corrupted, or made to
// mislead. The input is the file; only the header check runs on it (nothing is loaded), and
// it must come to an answer without reading outside what it read from the file.

#include "FuzzScratch.h"
#include "FuzzTarget.h"

#include "ModuleFile.h"

#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const QString path = FuzzScratchFolder().filePath(QStringLiteral("Strings_zz.so"));
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate)
                   && file.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size),
               "cannot write the input file");
    file.close();
    // Anything shorter than an ELF header can never pass.
    const bool loadable = Language::IsLoadableModuleFile(path);
    FUZZ_CHECK(!loadable || size >= 52, "a file shorter than any ELF header passed the check");
    return 0;
}
