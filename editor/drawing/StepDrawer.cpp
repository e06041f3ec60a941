#include "StepDrawer.h"

#include "BoxCanvas.h"
#include "ModelDrawer.h"

#include "QuorvexDoc.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <map>

using namespace StepDrawing;

namespace {
// Box heights whose fonts and laid-out texts are kept at once (the views of both channels,
// a print-out); a window being resized passes through many, which start the cache again.
constexpr std::size_t MAX_CACHED_HEIGHTS = 4;
} // namespace

struct CStepDrawer::Impl {
    explicit Impl(ModelCode code) : model(code), drawer(CreateModelDrawer(code)) {}

    CHeightCache& Cache(int boxHeight)
    {
        auto found = heights.find(boxHeight);
        if (found != heights.end())
            return *found->second;
        if (heights.size() >= MAX_CACHED_HEIGHTS)
            heights.clear();
        return *heights.emplace(boxHeight, std::make_unique<CHeightCache>(boxHeight)).first->second;
    }

    bool CanDraw(const CQuorvexDoc& doc, const QRect& box) const
    {
        const bool sameModel = (doc.GetModelCode() & MODEL_NUMBER_MASK) == (model & MODEL_NUMBER_MASK);
        return drawer && sameModel && box.width() > 0 && box.height() > 0;
    }

    ModelCode model;
    std::unique_ptr<CModelDrawer> drawer;
    std::map<int, std::unique_ptr<CHeightCache>> heights;
    std::uint64_t textsGeneration = 0;
};

CStepDrawer::CStepDrawer(ModelCode model) : m_impl(std::make_unique<Impl>(model)) {}

CStepDrawer::~CStepDrawer() = default;

ModelCode CStepDrawer::GetModelCode() const { return m_impl->model; }

int CStepDrawer::GetBoxWidth(FieldKind kind, int boxHeight) const
{
    return m_impl->drawer ? m_impl->drawer->GetBoxWidth(kind, boxHeight) : 0;
}

void CStepDrawer::Draw(QPainter& painter, const CQuorvexDoc& doc, int channel, int fieldIndex, const QRect& box,
                       const StepBoxState& state) const
{
    if (!m_impl->CanDraw(doc, box))
        return;
    // Painting a box changes only the painter's font and pen; both are put back.
    const QFont font = painter.font();
    const QPen pen = painter.pen();
    CBoxCanvas canvas(&painter, nullptr, m_impl->Cache(box.height()), box);
    m_impl->drawer->Draw(canvas, doc, channel, fieldIndex, state);
    painter.setFont(font);
    painter.setPen(pen);
    if (state.mark != StepMark::None) {
        // Drawn from a small image of its own, so that the box's picture and the box painted
        // directly elsewhere get the very same pixels (antialiased curves at other coordinates
        // may differ in a shade).
        const QRect corner = MarkRect(box, FieldKindAt(fieldIndex));
        const qreal ratio = painter.device() ? std::max<qreal>(1, painter.device()->devicePixelRatio()) : 1;
        QImage mark(corner.size() * ratio, QImage::Format_ARGB32_Premultiplied);
        mark.setDevicePixelRatio(ratio);
        mark.fill(Qt::transparent);
        QPainter markPainter(&mark);
        PaintStepMark(markPainter, QRectF(QPointF(0, 0), QSizeF(corner.size())), state.mark);
        markPainter.end();
        painter.drawImage(corner.topLeft(), mark);
    }
}

QRect CStepDrawer::MarkRect(const QRect& box, FieldKind kind)
{
    // In the right corner of the header, beside the centred step number, where it covers no
    // text; the Start box's header holds a name, so its mark goes below the bands, above the
    // texts of its body.
    const int side = std::max(9, std::min(int(std::lround(box.height() * 0.075)), box.width() / 4));
    const int top = kind == FIELD_START ? int(std::lround(box.height() * 0.12)) + 2 : 2;
    return QRect(box.left() + box.width() - side - 2, box.top() + top, side, side);
}

void PaintStepMark(QPainter& painter, const QRectF& rect, StepMark mark)
{
    if (mark == StepMark::None || rect.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(rect.width(), rect.height());
    const QRectF square(rect.center() - QPointF(side / 2, side / 2), QSizeF(side, side));
    const qreal stroke = std::max<qreal>(1.2, side / 7);
    if (mark == StepMark::Error) {
        painter.setPen(QPen(QColor(120, 0, 0), std::max<qreal>(1.0, side / 14)));
        painter.setBrush(QColor(214, 32, 32));
        painter.drawEllipse(square.adjusted(0.5, 0.5, -0.5, -0.5));
        painter.setPen(QPen(Qt::white, stroke, Qt::SolidLine, Qt::RoundCap));
        const qreal inset = side * 0.3;
        const QRectF cross = square.adjusted(inset, inset, -inset, -inset);
        painter.drawLine(cross.topLeft(), cross.bottomRight());
        painter.drawLine(cross.topRight(), cross.bottomLeft());
    } else {
        QPainterPath triangle;
        triangle.moveTo(square.center().x(), square.top() + 0.5);
        triangle.lineTo(square.right() - 0.5, square.bottom() - 0.5);
        triangle.lineTo(square.left() + 0.5, square.bottom() - 0.5);
        triangle.closeSubpath();
        painter.setPen(QPen(QColor(110, 70, 0), std::max<qreal>(1.0, side / 14), Qt::SolidLine, Qt::SquareCap,
                            Qt::RoundJoin));
        painter.setBrush(QColor(250, 190, 20));
        painter.drawPath(triangle);
        painter.setPen(QPen(Qt::black, stroke, Qt::SolidLine, Qt::RoundCap));
        const qreal x = square.center().x();
        painter.drawLine(QPointF(x, square.top() + side * 0.38), QPointF(x, square.top() + side * 0.66));
        painter.drawPoint(QPointF(x, square.top() + side * 0.82));
    }
    painter.restore();
}

std::vector<StepBoxText> CStepDrawer::GetBoxTexts(const CQuorvexDoc& doc, int channel, int fieldIndex,
                                                  const QRect& box, const StepBoxState& state) const
{
    std::vector<StepBoxText> texts;
    if (!m_impl->CanDraw(doc, box))
        return texts;
    CBoxCanvas canvas(nullptr, &texts, m_impl->Cache(box.height()), box);
    m_impl->drawer->Draw(canvas, doc, channel, fieldIndex, state);
    return texts;
}

void CStepDrawer::OnLanguageChanged(Language::CLanguageManager& manager)
{
    if (m_impl->drawer)
        m_impl->drawer->OnLanguageChanged(manager);
    m_impl->heights.clear();
    ++m_impl->textsGeneration;
}

std::uint64_t CStepDrawer::TextsGeneration() const
{
    return m_impl->textsGeneration;
}
