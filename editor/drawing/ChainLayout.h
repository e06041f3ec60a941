#pragma once
// Geometry of a channel's chain of step boxes: the top band, the row of 37 boxes laid out
// left to right, and hit testing. Computed without widgets, so the program view, print-outs
// and tests share it.

#include "ModelTypes.h"

#include <array>

class CStepDrawer;

// The lowest program view (client height) of a model whose boxes show every text of the
// shipped languages whole, on their lines: the window lets its views shrink to this on a low
// screen, and lets them scroll below it. The boxes of the two-relay model carry two lines
// per relay, so they need more height.
constexpr int MinimumReadableViewHeight(ModelCode model)
{
    return (model & MODEL_NUMBER_MASK) == MODEL_QVS_K115_318 ? 200 : 150;
}

class CChainLayout {
public:
    // Lays the chain out for a client height: top band = 8 % of the height (rounded half
    // up), row height = the rest, box widths from the drawer.
    void Compute(const CStepDrawer& drawer, int clientHeight);
    // Lays the chain out as a row of boxes of the given height without a top band (pictures
    // and print-outs of the chain).
    void ComputeRow(const CStepDrawer& drawer, int rowHeight);

    bool IsValid() const { return m_nRowHeight > 0; }
    int TopBand() const { return m_nTopBand; }
    int RowHeight() const { return m_nRowHeight; }
    // Left edge and width of the box of a step index 0..36 (0 for an index out of range).
    int BoxLeft(int index) const;
    int BoxWidth(int index) const;
    int KindWidth(FieldKind kind) const { return m_kindWidth[kind]; }
    // Width of the whole chain; the horizontal scroll extent is this + 1.
    int TotalWidth() const;

    // Step index at a point in chain coordinates (scroll offsets already added); -1 above or
    // below the row and on the Stop box, which cannot be selected.
    int HitTest(int x, int y) const;

private:
    int m_nTopBand = 0;
    int m_nRowHeight = 0;
    std::array<int, 5> m_kindWidth{};
    std::array<int, FIELD_COUNT> m_left{};
};
