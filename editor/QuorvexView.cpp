#include "QuorvexView.h"

#include "ChainAccessible.h"
#include "QuorvexDoc.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QHelpEvent>
#include <QScrollBar>
#include <QToolTip>

#include <algorithm>
#include <cmath>

CQuorvexView::CQuorvexView(int channel, const CStepDrawer& drawer, QWidget* parent)
    : QAbstractScrollArea(parent), m_drawer(drawer), m_nChannel(channel)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    // The chain is always far wider than the view; a permanent horizontal bar keeps the
    // row height (and so every box width) from changing when the bar would come and go.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    // The chain is edited from the keyboard too: it sits in the Tab order and takes a click.
    setFocusPolicy(Qt::StrongFocus);
    InstallChainAccessibility();
    connect(horizontalScrollBar(), &QScrollBar::sliderReleased, this, [this] {
        if (m_bScrollToActive)
            ScrollActiveIntoView();
    });
}

void CQuorvexView::SetDocument(CQuorvexDoc* doc)
{
    CViewDocHolder::SetDocument(doc);
    viewport()->update();
}

void CQuorvexView::OnLanguageChanged(Language::CLanguageManager&)
{
    // The texts belong to the pane's drawer, which the pane tells first.
    viewport()->update();
    AnnounceChainTexts(this);
}

void CQuorvexView::SetSelectedStep(int index)
{
    if (index == m_state.selected)
        return;
    m_state.selected = index;
    if (index >= 0) {
        m_nLastSelected = index;
        ScrollBoxIntoView(index);
    }
    viewport()->update();
    AnnounceChainSelection(this);
}

void CQuorvexView::SetActiveStep(int index, double progress, bool scrollToActive)
{
    const bool moved = index != m_state.active;
    m_state.active = index;
    // A running step may report more than its duration (the potentiometer lowered during a
    // potentiometer-timed step) or nothing meaningful; progress stays within the box.
    m_state.progress = std::isfinite(progress) ? std::clamp(progress, 0.0, 1.0) : 0.0;
    if (scrollToActive) {
        m_bScrollToActive = true;
        ScrollActiveIntoView();
    }
    viewport()->update();
    if (moved)
        AnnounceActiveStep(this);
}

void CQuorvexView::SetTimeDisplay(int potUnit, int potValue, double elapsed)
{
    m_state.potUnit = potUnit;
    m_state.potValue = potValue;
    m_state.elapsed = std::isfinite(elapsed) ? elapsed : -1.0;
    viewport()->update();
}

int CQuorvexView::MarkerCentre() const
{
    return ActiveMarkerCentre(m_layout, m_state);
}

QSize CQuorvexView::sizeHint() const
{
    return {640, 240};
}

QSize CQuorvexView::minimumSizeHint() const
{
    return {160, 120};
}

void CQuorvexView::UpdateLayout()
{
    m_layout.Compute(m_drawer, viewport()->height());
    QScrollBar* bar = horizontalScrollBar();
    bar->setPageStep(viewport()->width());
    bar->setSingleStep(std::max(1, m_layout.KindWidth(FIELD_CONDITION) / 4));
    bar->setRange(0, std::max(0, m_layout.TotalWidth() + 1 - viewport()->width()));
}

void CQuorvexView::ScrollActiveIntoView()
{
    QScrollBar* bar = horizontalScrollBar();
    if (bar->isSliderDown() || !m_layout.IsValid())
        return; // again when the user lets go of the thumb
    m_bScrollToActive = false;
    ScrollBoxIntoView(m_state.active);
}

void CQuorvexView::ScrollBoxIntoView(int index)
{
    QScrollBar* bar = horizontalScrollBar();
    if (!m_layout.IsValid() || index < 0 || index >= FIELD_COUNT || bar->isSliderDown())
        return;
    const int left = m_layout.BoxLeft(index);
    const int right = left + m_layout.BoxWidth(index) + 1;
    const int offset = bar->value();
    const int width = viewport()->width();
    if (left < offset)
        bar->setValue(left);
    else if (right > offset + width)
        bar->setValue(std::min(left, right - width));
}

QRect CQuorvexView::BoxRect(int index) const
{
    if (!m_layout.IsValid() || index < 0 || index >= FIELD_COUNT)
        return {};
    return {m_layout.BoxLeft(index) - horizontalScrollBar()->value(), m_layout.TopBand(), m_layout.BoxWidth(index),
            m_layout.RowHeight()};
}

QStringList CQuorvexView::BoxTexts(int index) const
{
    QStringList texts;
    if (!m_pDoc || index < 0 || index >= FIELD_COUNT)
        return texts;
    StepBoxState state;
    state.selected = index == m_state.selected;
    state.active = index == m_state.active;
    if (state.active) {
        state.potUnit = m_state.potUnit;
        state.potValue = m_state.potValue;
        state.elapsed = m_state.elapsed;
    }
    // The texts do not depend on the box's size; a box of the default height serves before the
    // view has been laid out.
    QRect box = BoxRect(index);
    if (box.isEmpty())
        box = QRect(0, 0, 100, 200);
    for (const StepBoxText& text : m_drawer.GetBoxTexts(*m_pDoc, m_nChannel, index, box, state))
        if (!text.text.isEmpty())
            texts << text.text;
    return texts;
}

CQuorvexView* CQuorvexView::ChannelView(int channel) const
{
    if (!parentWidget())
        return nullptr;
    const QList<CQuorvexView*> views = parentWidget()->findChildren<CQuorvexView*>(Qt::FindDirectChildrenOnly);
    for (CQuorvexView* view : views)
        if (view->GetChannel() == channel && &view->m_drawer == &m_drawer)
            return view;
    return nullptr;
}

int CQuorvexView::StepForKey(int key) const
{
    // Stop has nothing to edit and cannot be selected: the last step before it ends the keys.
    const int last = STOP_FIELD - 1;
    const int current = m_state.selected >= 0 ? m_state.selected : m_nLastSelected;
    switch (key) {
    case Qt::Key_Left: return std::max(0, current - 1);
    case Qt::Key_Right: return std::min(last, current + 1);
    case Qt::Key_Home: return 0;
    case Qt::Key_End: return last;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        if (!m_layout.IsValid())
            return current;
        // The step a view's width away from the middle of the selected box: what was at the
        // right edge comes to the left, and the other way round.
        const int width = std::max(1, viewport()->width() - m_layout.KindWidth(FIELD_CONDITION));
        const int middle = m_layout.BoxLeft(current) + m_layout.BoxWidth(current) / 2;
        const int target = key == Qt::Key_PageDown ? middle + width : middle - width;
        int step = current;
        for (int index = 0; index <= last; ++index)
            if (m_layout.BoxLeft(index) <= target)
                step = index;
        if (key == Qt::Key_PageDown)
            return std::clamp(std::max(step, current + 1), 0, last);
        return std::clamp(std::min(step, current - 1), 0, last);
    }
    default: return current;
    }
}

void CQuorvexView::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (modifiers != Qt::NoModifier)
        return QAbstractScrollArea::keyPressEvent(event);
    const int key = event->key();
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        const int step = StepForKey(key);
        if (step != m_state.selected)
            Q_EMIT selectStep(step, m_nChannel);
        // End shows the end of the chain: the Stop box beside the last step too.
        ScrollBoxIntoView(key == Qt::Key_End ? STOP_FIELD : step);
        ScrollBoxIntoView(step);
        return;
    }
    case Qt::Key_Up:
    case Qt::Key_Down: {
        CQuorvexView* other = ChannelView(m_nChannel + (key == Qt::Key_Down ? 1 : -1));
        if (!other)
            return; // one channel, or already the top or bottom one: nothing to switch to
        const int step = m_state.selected >= 0 ? m_state.selected : m_nLastSelected;
        Q_EMIT selectStep(step, other->GetChannel());
        if (other->GetSelectedStep() == step)
            other->setFocus(Qt::OtherFocusReason);
        return;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F2:
        if (m_state.selected >= 0)
            Q_EMIT editStep(m_nChannel);
        return;
    default: break;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void CQuorvexView::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    m_state.focusFrame = true;
    // Tabbing into the view of a channel without the selection selects its last step there,
    // so that the keys act on a step at once; a click selects the box it hits instead.
    if (m_state.selected < 0 && event->reason() != Qt::MouseFocusReason)
        Q_EMIT selectStep(m_nLastSelected, m_nChannel);
    viewport()->update();
    AnnounceChainSelection(this);
}

void CQuorvexView::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    m_state.focusFrame = false;
    viewport()->update();
}

void CQuorvexView::paintEvent(QPaintEvent*)
{
    if (!m_layout.IsValid())
        UpdateLayout();
    QPainter painter(viewport());
    PaintChainView(painter, viewport()->size(), horizontalScrollBar()->value(), m_layout, m_drawer, m_pDoc, m_nChannel,
                   m_state, devicePixelRatioF(), &m_pictures);
}

void CQuorvexView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateLayout();
    if (m_bScrollToActive)
        ScrollActiveIntoView();
}

void CQuorvexView::scrollContentsBy(int, int)
{
    viewport()->update();
}

void CQuorvexView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mousePressEvent(event);
    const QPoint at = event->position().toPoint();
    const int index = m_layout.HitTest(at.x() + horizontalScrollBar()->value(), at.y());
    if (index >= 0)
        Q_EMIT selectStep(index, m_nChannel);
}

QString CQuorvexView::BoxToolTip(const QPoint& at) const
{
    const int offset = horizontalScrollBar()->value();
    const int x = at.x() + offset;
    if (!m_pDoc || !m_layout.IsValid() || at.y() < m_layout.TopBand() || at.y() >= m_layout.TopBand() + m_layout.RowHeight())
        return {};
    for (int index = 0; index < FIELD_COUNT; ++index) {
        const int left = m_layout.BoxLeft(index);
        if (x < left || x >= left + m_layout.BoxWidth(index))
            continue;
        const QRect box(left - offset, m_layout.TopBand(), m_layout.BoxWidth(index), m_layout.RowHeight());
        QStringList lines;
        for (const StepBoxText& text : m_drawer.GetBoxTexts(*m_pDoc, m_nChannel, index, box, StepBoxState()))
            lines << text.text;
        return lines.join(QLatin1Char('\n'));
    }
    return {};
}

bool CQuorvexView::viewportEvent(QEvent* event)
{
    // A box's texts may be shortened to fit it: its tool tip shows them whole.
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString tip = BoxToolTip(help->pos());
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, viewport());
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}
