#include "FirstFrame.h"

#include "FrameDialogs.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

// Watches paint events of the windows it reports; after the first one has been painted it
// prints the window's name and ends the event loops (also a dialog's, which then returns
// unanswered).
class CFirstFrameExit : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_bSeen || event->type() != QEvent::Paint || !watched->isWidgetType())
            return false;
        const QWidget* window = static_cast<QWidget*>(watched)->window();
        const QString name = window->objectName();
        if (name != QLatin1String("CMainFrame") && name != QLatin1String(FATAL_ERROR_BOX_NAME))
            return false;
        m_bSeen = true;
        const QByteArray line = "first frame: " + name.toUtf8() + '\n';
        // Queued, so that the paint in progress is finished and shown first.
        QTimer::singleShot(0, qApp, [line] {
            std::fputs(line.constData(), stdout);
            std::fflush(stdout);
            QCoreApplication::exit(0);
        });
        return false;
    }

private:
    bool m_bSeen = false;
};

} // namespace

void InstallFirstFrameExit()
{
    if (qEnvironmentVariableIsEmpty(FIRST_FRAME_VARIABLE))
        return;
    qApp->installEventFilter(new CFirstFrameExit(qApp));
}
