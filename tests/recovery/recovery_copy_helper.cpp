// A window's process in miniature for the crash test: it edits a program, writes its recovery
// copy, says so on standard output ("written <copy file name>") and waits. A kill leaves the
// copy behind; the end of standard input is a clean close, which discards the copy first.
//
//   recovery_copy_helper FOLDER PROGRAM_PATH

#include "RecoveryFixtures.h"
#include "RecoveryWriter.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 3) {
        std::fprintf(stderr, "usage: recovery_copy_helper FOLDER PROGRAM_PATH\n");
        return 2;
    }
    CRecoveryWriter writer(arguments.at(1));
    const auto program = RecoveryFixtures::EditedProgram(MODEL_QVR_K115_ZQX, 25, 0xC3);
    writer.Update(*program, arguments.at(2));
    writer.Flush();
    if (writer.WriteFailing())
        return 1;
    std::printf("written %s\n", qPrintable(writer.FileName()));
    std::fflush(stdout);
    char buffer[64];
    while (std::fread(buffer, 1, sizeof buffer, stdin) > 0) {
    }
    writer.Discard();
    return 0;
}
