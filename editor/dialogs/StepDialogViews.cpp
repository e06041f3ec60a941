#include "StepDialogViews.h"

#include <QHBoxLayout>

CStepDialogsView::CStepDialogsView(FieldKind kind, CStepDialog* first, CStepDialog* second, QWidget* parent)
    : QWidget(parent), m_kind(kind), m_pFirst(first), m_pSecond(second)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(first);
    layout->addWidget(second);
    layout->addStretch(1);
    for (CStepDialog* dialog : {first, second}) {
        connect(dialog, &CStepDialog::valueChanged, this, &CStepDialogsView::valueChanged);
        connect(dialog, &CStepDialog::notice, this, &CStepDialogsView::notice);
    }
}

void CStepDialogsView::LoadStep(const CQuorvexFIELDBase& field)
{
    m_pFirst->LoadStep(field);
    m_pSecond->LoadStep(field);
}

void CStepDialogsView::OnLanguageChanged(Language::CLanguageManager& manager)
{
    m_pFirst->OnLanguageChanged(manager);
    m_pSecond->OnLanguageChanged(manager);
}
