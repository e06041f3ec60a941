#include "StepDialogBase.h"

#include "LanguageManager.h"
#include "TextIds.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

void SetAccessibleLabel(QWidget* control, const QString& text)
{
    QString name;
    name.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size())
            ++i; // the marked letter (or the second "&" of "&&") follows
        name += text[i];
    }
    if (control->accessibleName() != name)
        control->setAccessibleName(name);
}

void FillCombo(QComboBox* box, Language::CLanguageManager& manager, int firstTextId, int count)
{
    const int index = box->currentIndex();
    if (box->count() != count) {
        box->clear();
        for (int i = 0; i < count; ++i)
            box->addItem(QString());
    }
    for (int i = 0; i < count; ++i)
        box->setItemText(i, manager.Text(firstTextId + i));
    box->setCurrentIndex(index < count ? index : -1);
}

QComboBox* CreateComboBox(int count, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    for (int i = 0; i < count; ++i)
        box->addItem(QString());
    box->setCurrentIndex(-1);
    // Long texts (and a language switch to longer ones) widen the box instead of being cut.
    box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return box;
}

void FillTargetCombo(QComboBox* box, Language::CLanguageManager& manager, int startText, int stopText)
{
    const int index = box->currentIndex();
    if (box->count() != FIELD_COUNT) {
        box->clear();
        for (int i = 0; i < FIELD_COUNT; ++i)
            box->addItem(QString());
    }
    box->setItemText(0, manager.Text(startText));
    for (int step = 1; step < STOP_FIELD; ++step)
        box->setItemText(step, QString::number(step));
    box->setItemText(STOP_FIELD, manager.Text(stopText));
    box->setCurrentIndex(index);
}

// --- CStepDialog ------------------------------------------------------------------------

CStepDialog::CStepDialog(int templateId, FieldKind kind, int groupControlId, int groupText, QWidget* parent)
    : QWidget(parent), m_nTemplateId(templateId), m_kind(kind), m_nGroupText(groupText),
      m_pGroup(new QGroupBox(this))
{
    setObjectName(TemplateObjectName(templateId));
    Register(groupControlId, m_pGroup);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pGroup);
}

void CStepDialog::OnLanguageChanged(Language::CLanguageManager& manager)
{
    m_pGroup->setTitle(manager.Text(m_nGroupText));
}

QWidget* CStepDialog::Control(int controlId) const
{
    const auto found = m_controls.find(controlId);
    return found == m_controls.end() ? nullptr : found->second;
}

QComboBox* CStepDialog::AddCombo(int controlId, int count)
{
    return Register(controlId, CreateComboBox(count, m_pGroup));
}

QLabel* CStepDialog::AddLabel(int controlId)
{
    return Register(controlId, new QLabel(m_pGroup));
}

// --- CJumpControls ----------------------------------------------------------------------

void CJumpControls::OnLanguageChanged(Language::CLanguageManager& manager, int noJumpText, int startText,
                                      int stopText)
{
    FillCombo(m_pOnOff, manager, noJumpText, 2);
    FillTargetCombo(m_pTarget, manager, startText, stopText);
}

void CJumpControls::SetAccessibleNames(Language::CLanguageManager& manager, const QString& caption)
{
    SetAccessibleLabel(m_pOnOff, caption);
    SetAccessibleLabel(m_pTarget, manager.Format(Language::TEXT_A11Y_PART, {caption, manager.Text(Language::TEXT_A11Y_JUMP_TARGET)}));
}

void CJumpControls::Load(int target, int fieldIndex)
{
    // Switching the jump on puts back the step's own target, else the target last chosen in
    // this dialog on any step, else (nothing chosen yet) the next step.
    const int fallback = m_nChosenTarget >= 0 ? m_nChosenTarget : std::clamp(fieldIndex + 1, 0, STOP_FIELD);
    if (target == NO_JUMP) {
        m_bJump = false;
        m_nTarget = -1;
        m_nLastTarget = fallback;
    } else if (target >= 0 && target <= STOP_FIELD) {
        m_bJump = true;
        m_nTarget = target;
        m_nLastTarget = target;
    } else {
        // A stored value that names no step (37..62): the jump entry with no target chosen.
        m_bJump = true;
        m_nTarget = -1;
        m_nLastTarget = fallback;
    }
    Show();
}

void CJumpControls::SetAvailable(bool available)
{
    m_bAvailable = available;
    Show();
}

bool CJumpControls::UserOnOff(int index)
{
    const bool jump = index == 1;
    if (!m_bAvailable || index < 0 || jump == m_bJump) {
        Show();
        return false;
    }
    m_bJump = jump;
    if (jump)
        m_nTarget = m_nLastTarget;
    Show();
    return true;
}

bool CJumpControls::UserTarget(int index)
{
    if (!m_bAvailable || !m_bJump || index < 0 || index > STOP_FIELD || index == m_nTarget) {
        Show();
        return false;
    }
    m_nTarget = index;
    m_nLastTarget = index;
    m_nChosenTarget = index;
    Show();
    return true;
}

int CJumpControls::ShownTarget() const
{
    const int onOff = m_pOnOff->currentIndex();
    if (onOff == 0)
        return NO_JUMP;
    if (onOff != 1)
        return -1;
    const int target = m_pTarget->currentIndex();
    return target >= 0 && target <= STOP_FIELD ? target : -1;
}

void CJumpControls::Show()
{
    m_pOnOff->setCurrentIndex(m_bAvailable ? (m_bJump ? 1 : 0) : -1);
    m_pOnOff->setEnabled(m_bAvailable);
    const bool targetShown = m_bAvailable && m_bJump;
    m_pTarget->setCurrentIndex(targetShown ? m_nTarget : -1);
    m_pTarget->setEnabled(targetShown);
}
