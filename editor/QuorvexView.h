#pragma once
// The program view of one channel: the chain of step boxes in a horizontally scrolling
// window, with a black top band that carries the marker of the active step. A click on a box,
// or a key that moves the selection, asks the pane to select that step; the pane decides the
// selection, the active step, its progress and the time display, and the view paints them.
//
// Keys while the view has the focus: Left and Right move the selection one step, Home and
// End to the first and the last step that can be selected (Start, and the step before Stop),
// Page Up and Page Down by the width of the view; on two channels Up and Down go to the same
// step of the other channel (and its view). Enter and F2 ask for the selected step's dialog
// (editStep). The selected step is kept in sight, and a frame shows it while the view has the
// focus. Screen readers see each box as an item of the view (ChainAccessible.h).

#include "ChainLayout.h"
#include "ChainView.h"
#include "LanguageSupport.h"
#include "StepDrawer.h"
#include "ViewDocHolder.h"

#include <QAbstractScrollArea>

class CQuorvexView : public QAbstractScrollArea, public CViewDocHolder, public Language::CLanguageSupport {
    Q_OBJECT

public:
    // The view of a channel, painting with the pane's drawer (which must outlive the view).
    CQuorvexView(int channel, const CStepDrawer& drawer, QWidget* parent = nullptr);

    int GetChannel() const { return m_nChannel; }

    // The selected step (-1: none).
    void SetSelectedStep(int index);
    int GetSelectedStep() const { return m_state.selected; }
    // The active step of a simulation or live view with the progress of a running time step
    // (clamped to 0..1); an index outside the chain means no active step. With
    // scrollToActive the view scrolls its box into sight at the next paint.
    void SetActiveStep(int index, double progress, bool scrollToActive);
    int GetActiveStep() const { return m_state.active; }
    double GetProgress() const { return m_state.progress; }
    // The time display of the active Time step: the potentiometer setting (used for a
    // potentiometer-timed step) and the elapsed seconds; negative elapsed clears it.
    void SetTimeDisplay(int potUnit, int potValue, double elapsed);
    void ClearTimeDisplay() { SetTimeDisplay(0, 0, -1.0); }
    double GetElapsed() const { return m_state.elapsed; }

    const CChainLayout& Layout() const { return m_layout; }
    const CStepDrawer& Drawer() const { return m_drawer; }
    // Where a box is in the viewport (it may lie outside it, scrolled away).
    QRect BoxRect(int index) const;
    // The whole texts a box shows as it is now (with the time display of the active box).
    QStringList BoxTexts(int index) const;
    // Everything the view shows besides the program.
    const ChainViewState& State() const { return m_state; }
    // The pictures of the boxes the view paints from.
    const CBoxPictureCache& BoxPictures() const { return m_pictures; }
    // Centre of the active-step marker in chain coordinates (-1 without an active step).
    int MarkerCentre() const;

    void SetDocument(CQuorvexDoc* doc) override;
    void OnLanguageChanged(Language::CLanguageManager& manager) override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // A click on a selectable box, or a key that moves the selection (the pane's step
    // selection).
    void selectStep(int index, int channel);
    // Enter or F2: the user wants to edit the selected step in its dialog.
    void editStep(int channel);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;

private:
    void UpdateLayout();
    // The whole texts of the box under a point, one per line: what the box shows, unshortened.
    QString BoxToolTip(const QPoint& at) const;
    void ScrollActiveIntoView();
    // Scrolls the least that brings a box whole into the viewport.
    void ScrollBoxIntoView(int index);
    // The step a key moves the selection to (the selection itself when it does not move it).
    int StepForKey(int key) const;
    // The view of another channel beside this one, or null.
    CQuorvexView* ChannelView(int channel) const;

    const CStepDrawer& m_drawer;
    CChainLayout m_layout;
    CBoxPictureCache m_pictures;
    int m_nChannel;
    ChainViewState m_state;
    bool m_bScrollToActive = false;
    int m_nLastSelected = 0; // the view's last selection, taken again when the focus comes back
};
