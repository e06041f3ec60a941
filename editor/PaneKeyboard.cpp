#include "PaneKeyboard.h"

#include "QuorvexView.h"
#include "StepDialogs.h"

#include <QKeyEvent>
#include <QWidget>

CPaneKeyboard::CPaneKeyboard(QWidget* pane, std::vector<CQuorvexView*> views, CStepDialogStrip* strip,
                             QWidget* dialogRow, std::function<int()> selectedChannel)
    : QObject(pane), m_views(std::move(views)), m_pDialogRow(dialogRow), m_selectedChannel(std::move(selectedChannel))
{
    if (!m_views.empty())
        pane->setFocusProxy(m_views.front());
    for (CQuorvexView* view : m_views)
        connect(view, &CQuorvexView::editStep, strip, [strip] { strip->FocusFirstControl(); });
    // Keys the controls leave unused travel up to the row.
    m_pDialogRow->installEventFilter(this);
    // A pane that the window takes in is shown later, and the focus given to it before then is
    // lost (the window then gives it to its first control, in the tool bar): the chain takes it
    // when the pane is first shown.
    m_pPane = pane;
    pane->installEventFilter(this);
}

void CPaneKeyboard::FocusChain()
{
    const int channel = m_selectedChannel();
    if (channel >= 0 && channel < int(m_views.size()))
        m_views[std::size_t(channel)]->setFocus(Qt::OtherFocusReason);
    else if (!m_views.empty())
        m_views.front()->setFocus(Qt::OtherFocusReason);
}

bool CPaneKeyboard::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pPane && event->type() == QEvent::Show && !m_bShown) {
        m_bShown = true;
        FocusChain();
    }
    if (watched == m_pDialogRow && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            FocusChain();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
