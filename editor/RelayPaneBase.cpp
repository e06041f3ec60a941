#include "RelayPaneBase.h"

#include "QuorvexDoc.h"

ModelCode CRelayPaneBase::GetModelCode() const
{
    const CQuorvexDoc* doc = GetDocument();
    return doc ? doc->GetModelCode() : 0;
}
