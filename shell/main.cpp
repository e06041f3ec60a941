// Quorvex: editor, simulator and programmer for programmable time relays.

#include "CommandLine.h"
#include "FirstFrame.h"
#include "FrameText.h"
#include "MainFrame.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    // Help and version are answered before Qt looks for a display, so that they work on a
    // terminal without one.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    switch (ProgramStartRequest(arguments)) {
    case StartRequest::Help:
        return std::fputs(PROGRAM_HELP, stdout) < 0 || std::fflush(stdout) != 0 ? EXIT_FAILURE : EXIT_SUCCESS;
    case StartRequest::Version:
        return std::printf("quorvex %s\n", QUORVEX_VERSION) < 0 || std::fflush(stdout) != 0 ? EXIT_FAILURE
                                                                                           : EXIT_SUCCESS;
    case StartRequest::Window:
        break;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quorvex"));
    QApplication::setDesktopFileName(QStringLiteral("quorvex"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/quorvex.svg")));
    InstallFirstFrameExit();

    CMainFrame frame;
    // "quorvex FILE" opens that program instead of asking for the relay model.
    frame.SetStartupFile(StartupFileArgument(QApplication::arguments().mid(1)));
    if (!frame.Create())
        return EXIT_FAILURE; // no usable language module: the fatal message has been shown
    frame.show();
    return application.exec();
}
