// Quorvex: editor, simulator and programmer for programmable time relays.

#include "FirstFrame.h"
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
    if (!frame.Create())
        return EXIT_FAILURE; // no usable language module: the fatal message has been shown
    frame.show();
    return application.exec();
}
