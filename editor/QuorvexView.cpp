#include "QuorvexView.h"

#include "QuorvexDoc.h"

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
    setFocusPolicy(Qt::NoFocus);
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
}

void CQuorvexView::SetSelectedStep(int index)
{
    if (index == m_state.selected)
        return;
    m_state.selected = index;
    viewport()->update();
}

void CQuorvexView::SetActiveStep(int index, double progress, bool scrollToActive)
{
    m_state.active = index;
    // A running step may report more than its duration (the potentiometer lowered during a
    // potentiometer-timed step) or nothing meaningful; progress stays within the box.
    m_state.progress = std::isfinite(progress) ? std::clamp(progress, 0.0, 1.0) : 0.0;
    if (scrollToActive) {
        m_bScrollToActive = true;
        ScrollActiveIntoView();
    }
    viewport()->update();
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
    if (m_state.active < 0 || m_state.active >= FIELD_COUNT)
        return;
    const int left = m_layout.BoxLeft(m_state.active);
    const int right = left + m_layout.BoxWidth(m_state.active) + 1;
    const int offset = bar->value();
    const int width = viewport()->width();
    if (left < offset)
        bar->setValue(left);
    else if (right > offset + width)
        bar->setValue(offset + (right - (offset + width)));
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
