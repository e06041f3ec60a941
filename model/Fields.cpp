#include "Fields.h"

#include "QuorvexDoc.h"

int CQuorvexFIELDBase::Attach(CQuorvexDoc* doc, int channel, int fieldIndex, std::uint8_t* data)
{
    if (!doc || !data)
        return 0;
    if (channel < 0 || channel >= GetChannelCount())
        return 0;
    if (fieldIndex < 0 || fieldIndex >= doc->GetFieldCount())
        return 0;
    m_pDoc = doc;
    m_nChannel = channel;
    m_nFieldIndex = fieldIndex;
    m_pData = data;
    return 1;
}

CQuorvexFIELDBase& CQuorvexFieldSet::OfKind(FieldKind kind)
{
    switch (kind) {
    case FIELD_START: return Start();
    case FIELD_STATE_CHANGE: return StateChange();
    case FIELD_CONDITION: return Condition();
    case FIELD_TIME: return Time();
    case FIELD_STOP: break;
    }
    return Stop();
}

CQuorvexFIELDBase* CQuorvexFieldSet::Bind(CQuorvexDoc* doc, int channel, int fieldIndex)
{
    if (!doc)
        return nullptr;
    int kind = FIELD_STOP;
    std::uint8_t* data = doc->GetFieldData(channel, fieldIndex, &kind);
    CQuorvexFIELDBase& field = OfKind(FieldKind(kind));
    return field.Attach(doc, channel, fieldIndex, data) ? &field : nullptr;
}

const CQuorvexFIELDBase* CQuorvexFieldSet::BindReadOnly(const CQuorvexDoc* doc, int channel, int fieldIndex)
{
    if (!doc)
        return nullptr;
    int kind = FIELD_STOP;
    const std::uint8_t* data = doc->GetFieldData(channel, fieldIndex, &kind);
    CQuorvexFIELDBase& field = OfKind(FieldKind(kind));
    return field.AttachReadOnly(doc, channel, fieldIndex, data) ? &field : nullptr;
}
