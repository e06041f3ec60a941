// Quorvex: editor, simulator and programmer for programmable time relays.

#include "FirstFrame.h"
#include "FrameText.h"
#include "MainFrame.h"

#include <QApplication>
#include <QIcon>

#include <cstdlib>

int main(int argc, char* argv[])
{
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
