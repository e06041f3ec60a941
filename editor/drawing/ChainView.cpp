#include "ChainView.h"

#include "Pictures.h"
#include "QuorvexDoc.h"

#include <QPainter>

#include <cmath>

namespace {

// Resource ID of the active-step marker.
constexpr int MARKER_PICTURE = 257;
// Fill beside and below the chain when the view is larger than the chain.
const QColor OUTSIDE_CHAIN(128, 128, 128);
const QColor TOP_BAND(0, 0, 0);
// The keyboard focus frame: dark and light dashes, seen on the white body, the coloured header
// bands and the selected header alike.
const QColor FOCUS_DARK(0, 0, 0);
const QColor FOCUS_LIGHT(255, 255, 255);

void PaintFocusFrame(QPainter& painter, const QRect& box)
{
    const QRect frame = box.adjusted(3, 3, -2, -3);
    if (frame.width() < 4 || frame.height() < 4)
        return;
    painter.save();
    QPen light(FOCUS_LIGHT, 2);
    painter.setPen(light);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(frame);
    QPen dark(FOCUS_DARK, 2, Qt::CustomDashLine);
    dark.setDashPattern({2, 2});
    painter.setPen(dark);
    painter.drawRect(frame);
    painter.restore();
}

} // namespace

bool CBoxPictureCache::Key::operator==(const Key& other) const
{
    return drawer == other.drawer && texts == other.texts && channel == other.channel && size == other.size
        && ratio == other.ratio && selected == other.selected && active == other.active && potUnit == other.potUnit
        && potValue == other.potValue && elapsed == other.elapsed && bytes == other.bytes;
}

void CBoxPictureCache::Draw(QPainter& painter, const CStepDrawer& drawer, const CQuorvexDoc& doc, int channel,
                            int index, const QRect& box, const StepBoxState& state, qreal devicePixelRatio)
{
    int kind = 0;
    const std::uint8_t* data = doc.GetFieldData(channel, index, &kind);
    const bool sameModel = (doc.GetModelCode() & MODEL_NUMBER_MASK) == (drawer.GetModelCode() & MODEL_NUMBER_MASK);
    // A picture at a fractional pixel ratio would be resampled where the box is not on whole
    // pixels: such screens get the box painted as it is.
    const bool wholeRatio = devicePixelRatio >= 1 && devicePixelRatio == std::floor(devicePixelRatio);
    if (index < 0 || index >= FIELD_COUNT || !data || !sameModel || box.isEmpty() || !wholeRatio) {
        drawer.Draw(painter, doc, channel, index, box, state);
        return;
    }

    // Everything the box's pixels depend on. The time display belongs to the active box only:
    // the others are painted without it, so that a running time does not repaint them.
    StepBoxState shown;
    shown.selected = state.selected;
    shown.active = state.active;
    if (state.active) {
        shown.potUnit = state.potUnit;
        shown.potValue = state.potValue;
        shown.elapsed = std::isfinite(state.elapsed) ? state.elapsed : -1.0;
    }
    Key key;
    key.drawer = &drawer;
    key.texts = drawer.TextsGeneration();
    key.channel = channel;
    key.bytes = QByteArray(reinterpret_cast<const char*>(data), doc.GetFieldSize(kind));
    key.size = box.size();
    key.ratio = devicePixelRatio;
    key.selected = shown.selected;
    key.active = shown.active;
    key.potUnit = shown.potUnit;
    key.potValue = shown.potValue;
    key.elapsed = shown.elapsed;

    Entry& entry = m_entries[std::size_t(index)];
    if (entry.picture.isNull() || !(entry.key == key)) {
        // The frame spans the columns left .. left + width: one more than the width.
        const int ratio = int(devicePixelRatio);
        QPixmap picture(QSize(box.width() + 1, box.height()) * ratio);
        picture.setDevicePixelRatio(devicePixelRatio);
        picture.fill(Qt::white);
        QPainter boxPainter(&picture);
        drawer.Draw(boxPainter, doc, channel, index, QRect(0, 0, box.width(), box.height()), shown);
        boxPainter.end();
        entry.key = std::move(key);
        entry.picture = std::move(picture);
        ++m_painted;
    }
    painter.drawPixmap(box.topLeft(), entry.picture);
}

void CBoxPictureCache::Clear()
{
    m_entries = {};
}

int ActiveMarkerCentre(const CChainLayout& layout, const ChainViewState& state)
{
    if (state.active < 0 || state.active >= FIELD_COUNT || !layout.IsValid())
        return -1;
    const int left = layout.BoxLeft(state.active);
    const int width = layout.BoxWidth(state.active);
    if (FieldKindAt(state.active) == FIELD_TIME)
        return left + int(width * state.progress);
    return left + width / 2;
}

void PaintChainView(QPainter& painter, QSize size, int scroll, const CChainLayout& layout, const CStepDrawer& drawer,
                    const CQuorvexDoc* doc, int channel, const ChainViewState& state, qreal devicePixelRatio,
                    CBoxPictureCache* cache)
{
    const int width = size.width();
    const int height = size.height();
    const int band = layout.TopBand();
    const int row = layout.RowHeight();

    painter.fillRect(0, 0, width, band, TOP_BAND);
    const int chainEnd = layout.TotalWidth() + 1 - scroll;
    if (chainEnd < width)
        painter.fillRect(chainEnd, band, width - chainEnd, height - band, OUTSIDE_CHAIN);
    if (band + row < height)
        painter.fillRect(0, band + row, width, height - band - row, OUTSIDE_CHAIN);

    const int centre = ActiveMarkerCentre(layout, state);
    if (centre >= 0 && band > 0) {
        const int side = int(std::lround(0.7 * band));
        if (side > 0) {
            painter.save();
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawPixmap(centre - scroll - side / 2, band - side, RenderPicture(MARKER_PICTURE, side, devicePixelRatio));
            painter.restore();
        }
    }

    if (!doc || row <= 0)
        return;
    const bool activeValid = state.active >= 0 && state.active < FIELD_COUNT;
    for (int index = 0; index < FIELD_COUNT; ++index) {
        const int left = layout.BoxLeft(index) - scroll;
        const int boxWidth = layout.BoxWidth(index);
        if (left > width || left + boxWidth + 1 < 0)
            continue;
        StepBoxState boxState;
        boxState.selected = index == state.selected;
        boxState.active = activeValid && index == state.active;
        boxState.potUnit = state.potUnit;
        boxState.potValue = state.potValue;
        boxState.elapsed = state.elapsed;
        const QRect box(left, band, boxWidth, row);
        if (cache)
            cache->Draw(painter, drawer, *doc, channel, index, box, boxState, devicePixelRatio);
        else
            drawer.Draw(painter, *doc, channel, index, box, boxState);
        if (state.focusFrame && boxState.selected)
            PaintFocusFrame(painter, box);
    }
}
