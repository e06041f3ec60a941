#include "ChainLayout.h"

#include "Nearest.h"
#include "StepDrawer.h"

void CChainLayout::Compute(const CStepDrawer& drawer, int clientHeight)
{
    const int band = Nearest(clientHeight * 8 / 100.0);
    ComputeRow(drawer, clientHeight - band);
    m_nTopBand = band;
}

void CChainLayout::ComputeRow(const CStepDrawer& drawer, int rowHeight)
{
    m_nTopBand = 0;
    m_nRowHeight = rowHeight;
    for (int kind = FIELD_START; kind <= FIELD_STOP; ++kind)
        m_kindWidth[std::size_t(kind)] = m_nRowHeight > 0 ? drawer.GetBoxWidth(FieldKind(kind), m_nRowHeight) : 0;
    int x = 0;
    for (int index = 0; index < FIELD_COUNT; ++index) {
        m_left[std::size_t(index)] = x;
        x += m_kindWidth[std::size_t(FieldKindAt(index))];
    }
}

int CChainLayout::BoxLeft(int index) const
{
    return index >= 0 && index < FIELD_COUNT ? m_left[std::size_t(index)] : 0;
}

int CChainLayout::BoxWidth(int index) const
{
    return index >= 0 && index < FIELD_COUNT ? m_kindWidth[std::size_t(FieldKindAt(index))] : 0;
}

int CChainLayout::TotalWidth() const
{
    return m_left[STOP_FIELD] + m_kindWidth[FIELD_STOP];
}

int CChainLayout::HitTest(int x, int y) const
{
    if (m_nRowHeight <= 0 || y < m_nTopBand || y >= m_nTopBand + m_nRowHeight || x < 0)
        return -1;
    const int start = m_kindWidth[FIELD_START];
    if (x < start)
        return 0;
    const int stateChange = m_kindWidth[FIELD_STATE_CHANGE];
    const int condition = m_kindWidth[FIELD_CONDITION];
    const int time = m_kindWidth[FIELD_TIME];
    const int group = stateChange + condition + stateChange + time;
    if (group <= 0)
        return -1;
    int d = x - start;
    int base = 1;
    if (d <= GROUP_COUNT * group) {
        base += d / group * 4;
        d %= group;
    } else {
        base += GROUP_COUNT * 4;
        d -= GROUP_COUNT * group;
    }
    // Within a group (or the closing StateChange, Condition, StateChange): pick by offset.
    if (d < stateChange)
        return base;
    if (d < stateChange + condition)
        return base + 1;
    if (d < stateChange + condition + stateChange)
        return base + 2;
    // The group's Time box; after the last group the Stop box, which is not selectable.
    return base == 1 + GROUP_COUNT * 4 ? -1 : base + 3;
}
