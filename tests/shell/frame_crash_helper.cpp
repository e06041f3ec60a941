// The real main window in a process of its own for the crash test: it starts (the relay model
// question answered with the first model, or the program named on the command line opened),
// makes one edit in the step dialogs, waits until the recovery copy holds it, prints
// "edited <program image in hex>" and waits to be killed.
//
//   frame_crash_helper [PROGRAM_FILE]

#include "SafetyFrame.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    CSafetyFrame f;
    if (!f.Start(0, {}, arguments.value(1)) || !f.Pane()) {
        std::fprintf(stderr, "no window\n");
        return 2;
    }
    if (!f.EditTimeUnit(2)) {
        std::fprintf(stderr, "no edit\n");
        return 3;
    }
    f.Settle();
    if (f.Safety()->Writer().WriteFailing())
        return 4;
    std::printf("edited %s\n", f.Image().toHex().constData());
    std::fflush(stdout);
    return app.exec();
}
