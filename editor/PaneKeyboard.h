#pragma once
// The keyboard paths of a relay pane between its program views and its dialog row: the pane's
// focus goes to the step chain (a pane given the focus hands it to the first view), Enter or F2
// on a view moves the focus into the first control of the selected step's dialog, and Escape
// in the dialog row (a step dialog or the common settings) brings it back to the view of the
// selected channel. A key a control uses itself (Escape taking back a typed time, Escape
// closing an open list) stays with the control.

#include <QObject>

#include <functional>
#include <vector>

class CQuorvexView;
class CStepDialogStrip;
class QWidget;

class CPaneKeyboard : public QObject {
    Q_OBJECT

public:
    // Owned by the pane. selectedChannel tells the channel of the selected step.
    CPaneKeyboard(QWidget* pane, std::vector<CQuorvexView*> views, CStepDialogStrip* strip, QWidget* dialogRow,
                  std::function<int()> selectedChannel);

    // Gives the focus to the view of the selected channel.
    void FocusChain();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_pPane = nullptr;
    bool m_bShown = false;
    std::vector<CQuorvexView*> m_views;
    QWidget* m_pDialogRow;
    std::function<int()> m_selectedChannel;
};
