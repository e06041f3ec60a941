#include "DeviceVersionDialog.h"

#include "DeviceDialogHelpers.h"
#include "DeviceDialogIds.h"
#include "LanguageManager.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace DeviceDialogIds;
using DeviceDialogHelpers::CreateSingleButtonRow;
using DeviceDialogHelpers::WithId;

CDeviceVersionDialog::CDeviceVersionDialog(QWidget* parent)
    : QDialog(parent),
      m_pFirst(WithId(new QLabel(this), IDC_VERSION_FIRST_LINE)),
      m_pSecond(WithId(new QLabel(this), IDC_VERSION_SECOND_LINE)),
      m_pThird(WithId(new QLabel(this), IDC_VERSION_THIRD_LINE)),
      m_pOk(WithId(new QPushButton(this), IDOK))
{
    setObjectName(QStringLiteral("CDeviceVersionDialog"));
    setProperty("templateId", IDD_DEVICE_VERSION);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    for (QLabel* line : {m_pFirst, m_pSecond, m_pThird}) {
        line->setTextFormat(Qt::PlainText);
        line->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    QHBoxLayout* buttons = CreateSingleButtonRow(m_pOk);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pFirst);
    layout->addWidget(m_pSecond);
    layout->addWidget(m_pThird);
    layout->addSpacing(layout->spacing());
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_pOk, &QPushButton::clicked, this, [this] { done(0); });
    OnLanguageChanged(Language::TheLanguageManager());
}

int CDeviceVersionDialog::exec()
{
    m_pFirst->setText(m_szFirstLine);
    m_pSecond->setText(m_szSecondLine);
    m_pThird->setText(m_szThirdLine);
    m_pOk->setFocus();
    QDialog::exec();
    return 0;
}

void CDeviceVersionDialog::OnLanguageChanged(Language::CLanguageManager& manager)
{
    setWindowTitle(manager.Text(Language::TEXT_VERSION_CAPTION));
    m_pOk->setText(manager.Text(Language::TEXT_VERSION_OK));
}
