#include "QuorvexDoc.h"

#include "Fields_QVR_K115_ZQX.h"
#include "Fields_QVS_K115_318.h"

namespace {

// Offset of a field inside one channel's block, for a model whose group fields have the
// given sizes: Start (only where the block carries it), then eight groups of state change,
// condition, state change and time, then the closing state change, condition, state change.
struct BlockOffset {
    int offset;
    int kind;
};

BlockOffset GroupFieldOffset(int fieldIndex, int stateSize, int conditionSize, int timeSize)
{
    const int groupStride = 2 * stateSize + conditionSize + timeSize;
    const int g = (fieldIndex - 1) / 4;
    const int groupBase = g * groupStride;
    const int kind = FieldKindAt(fieldIndex);
    switch ((fieldIndex - 1) % 4) {
    case 0: return {groupBase, kind};
    case 1: return {groupBase + stateSize, kind};
    case 2: return {groupBase + stateSize + conditionSize, kind};
    default: return {groupBase + 2 * stateSize + conditionSize, kind};
    }
}

// Offset relative to the first state change of the block, for indexes 1..36; indexes above
// 36 give the end of the block with no kind.
BlockOffset ChannelFieldOffset(int fieldIndex, int stateSize, int conditionSize, int timeSize)
{
    const int index = fieldIndex > STOP_FIELD ? STOP_FIELD : fieldIndex;
    // The closing fields 33..36 follow the groups like a ninth group without its time.
    BlockOffset result = GroupFieldOffset(index, stateSize, conditionSize, timeSize);
    if (fieldIndex > STOP_FIELD)
        result.kind = -1;
    return result;
}

} // namespace

// --- QVR_K115_ZQX -----------------------------------------------------------------------

const std::uint8_t* CQuorvex_QVR_K115_ZQX_Doc::GetFieldData(int channel, int fieldIndex, int* kind) const
{
    using namespace Layout_QVR_K115_ZQX;
    if (channel < 0 || channel >= GetChannelCount())
        return nullptr;
    if (fieldIndex <= 0) {
        if (kind)
            *kind = FIELD_START;
        return m_image.data();
    }
    const BlockOffset at = ChannelFieldOffset(fieldIndex, STATE_CHANGE_SIZE, CONDITION_SIZE, TIME_SIZE);
    if (kind && at.kind >= 0)
        *kind = at.kind;
    return m_image.data() + START_SIZE + at.offset;
}

void CQuorvex_QVR_K115_ZQX_Doc::ResetProgram(int modified)
{
    CQuorvex_QVR_K115_ZQX_FieldSet fields;
    for (int index = 0; index < STOP_FIELD; ++index)
        if (CQuorvexFIELDBase* field = fields.Bind(this, 0, index))
            field->SetDefaults();
    CDocBase::ResetProgram(modified);
}

std::unique_ptr<CQuorvexFieldSet> CQuorvex_QVR_K115_ZQX_Doc::CreateFieldSet() const
{
    return std::make_unique<CQuorvex_QVR_K115_ZQX_FieldSet>();
}

// --- QVS_K115_318 -----------------------------------------------------------------------

const std::uint8_t* CQuorvex_QVS_K115_318_Doc::GetFieldData(int channel, int fieldIndex, int* kind) const
{
    using namespace Layout_QVS_K115_318;
    if (channel < 0 || channel >= GetChannelCount())
        return nullptr;
    if (fieldIndex <= 0) {
        if (kind)
            *kind = FIELD_START;
        return m_image.data(); // shared by both channels
    }
    const BlockOffset at = ChannelFieldOffset(fieldIndex, STATE_CHANGE_SIZE, CONDITION_SIZE, TIME_SIZE);
    if (kind && at.kind >= 0)
        *kind = at.kind;
    return m_image.data() + START_SIZE + CHANNEL_SIZE * channel + at.offset;
}

void CQuorvex_QVS_K115_318_Doc::ResetProgram(int modified)
{
    CQuorvex_QVS_K115_318_FieldSet fields;
    for (int channel = 0; channel < GetChannelCount(); ++channel)
        for (int index = 0; index < STOP_FIELD; ++index)
            if (CQuorvexFIELDBase* field = fields.Bind(this, channel, index))
                field->SetDefaults();
    CDocBase::ResetProgram(modified);
}

std::unique_ptr<CQuorvexFieldSet> CQuorvex_QVS_K115_318_Doc::CreateFieldSet() const
{
    return std::make_unique<CQuorvex_QVS_K115_318_FieldSet>();
}

std::unique_ptr<CQuorvexDoc> CreateDocument(ModelCode code)
{
    switch (code & MODEL_NUMBER_MASK) {
    case MODEL_QVR_K115_ZQX: return std::make_unique<CQuorvex_QVR_K115_ZQX_Doc>();
    case MODEL_QVS_K115_318: return std::make_unique<CQuorvex_QVS_K115_318_Doc>();
    default: return nullptr;
    }
}
