#include "StepDrawer.h"

#include "BoxCanvas.h"
#include "ModelDrawer.h"

#include "QuorvexDoc.h"

#include <QPainter>

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
