// The condition dialogs: the expression controls, the single-term and expression conditions,
// the condition jump and the time condition.
#include "StepDialogMembers.h"

#include "DialogIds.h"
#include "LanguageManager.h"
#include "StepDialogGrid.h"
#include "TextIds.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

using namespace DialogIds;
using namespace Language;
using namespace StepDialogGrid;

// --- CExpressionControls -----------------------------------------------------------------

bool CExpressionControls::IsExpressionControl(int controlId)
{
    return controlId >= IDC_TERM_1 && controlId <= IDC_TERM_3;
}

void CExpressionControls::Place(QGridLayout* grid, int firstRow)
{
    grid->addWidget(label, firstRow, 0);
    grid->addWidget(terms[0], firstRow, 2);
    grid->addWidget(operators[0], firstRow + 1, 1);
    grid->addWidget(terms[1], firstRow + 1, 2);
    grid->addWidget(operators[1], firstRow + 2, 1);
    grid->addWidget(terms[2], firstRow + 2, 2);
    label->setBuddy(terms[0]);
}

void CExpressionControls::OnLanguageChanged(CLanguageManager& manager, int labelText, int firstOperatorText,
                                            int firstTermText)
{
    label->setText(manager.Text(labelText));
    for (QComboBox* box : operators)
        FillCombo(box, manager, firstOperatorText, 4);
    for (QComboBox* box : terms)
        FillCombo(box, manager, firstTermText, 8);
    // The first operand is named by the label; the operators and the later operands after it.
    SetAccessibleLabel(terms[0], label->text());
    for (int i = 0; i < 2; ++i) {
        SetAccessibleLabel(operators[std::size_t(i)],
                           manager.Format(TEXT_A11Y_PART, {label->text(), manager.Format(TEXT_A11Y_OPERATOR, {i + 1})}));
        SetAccessibleLabel(terms[std::size_t(i + 1)],
                           manager.Format(TEXT_A11Y_PART, {label->text(), manager.Format(TEXT_A11Y_OPERAND, {i + 2})}));
    }
}

template <typename Field>
void CExpressionControls::Load(const Field& field)
{
    for (int term = 0; term < 3; ++term) {
        int op = TERM_OP_NONE, number = 0, negated = 0;
        const int source = field.GetTerm(term, &op, &number, &negated);
        const int code = source == TERM_SOURCE_NONE ? -1 : TermCode(source, number, negated);
        terms[std::size_t(term)]->setCurrentIndex(code);
        m_shown[std::size_t(2 * term)] = code;
        if (term > 0) {
            operators[std::size_t(term - 1)]->setCurrentIndex(op);
            m_shown[std::size_t(2 * term - 1)] = op;
        }
    }
    UpdateEnabled();
}

template <typename Field>
void CExpressionControls::Write(Field& field) const
{
    const int first = terms[0]->currentIndex();
    if (first < 0)
        return;
    field.SetTerm(0, TERM_OP_NONE, TermCodeSource(first), TermCodeNumber(first), TermCodeNegated(first));
    for (int term = 1; term < 3; ++term) {
        const int op = operators[std::size_t(term - 1)]->currentIndex();
        if (op < 0)
            return;
        const int code = terms[std::size_t(term)]->currentIndex();
        if (code >= 0)
            field.SetTerm(term, op, TermCodeSource(code), TermCodeNumber(code), TermCodeNegated(code));
        else
            field.SetTerm(term, op, TERM_SOURCE_NONE, 0, 0); // the operator only
        if (op == TERM_OP_NONE)
            return; // the expression ends here
    }
}

void CExpressionControls::SetUsed(bool used)
{
    m_bUsed = used;
    UpdateEnabled();
}

void CExpressionControls::UpdateEnabled()
{
    const bool second = m_bUsed && operators[0]->currentIndex() > TERM_OP_NONE;
    const bool third = second && operators[1]->currentIndex() > TERM_OP_NONE;
    label->setEnabled(m_bUsed);
    terms[0]->setEnabled(m_bUsed);
    operators[0]->setEnabled(m_bUsed);
    terms[1]->setEnabled(second);
    operators[1]->setEnabled(second);
    terms[2]->setEnabled(third);
}

bool CExpressionControls::UserChanged(int controlId, int index)
{
    const std::size_t slot = std::size_t(controlId - IDC_TERM_1);
    if (!IsExpressionControl(controlId) || index < 0 || index == m_shown[slot])
        return false;
    m_shown[slot] = index;
    UpdateEnabled();
    return true;
}

// --- CSingleTermConditionDialog ----------------------------------------------------------

namespace {
// Condition box entries of model QVR_K115_ZQX: 0..5 are the types on the input, 6 and 7 the
// two-way types on the input, 8 and 9 the two-way types on the relay output.
constexpr int SINGLE_TERM_CONDITIONS = 10;
constexpr int OUTPUT_BRANCH_FIRST = 8;

int SingleTermType(int index) { return index >= OUTPUT_BRANCH_FIRST ? index - 2 : index; }
int SingleTermSource(int index) { return index >= OUTPUT_BRANCH_FIRST ? TERM_SOURCE_OUTPUT : TERM_SOURCE_INPUT; }
} // namespace

CSingleTermConditionDialog::CSingleTermConditionDialog(int templateId, QWidget* parent)
    : CConditionDialog(templateId, FIELD_CONDITION, IDC_CONDITION_GROUP, TEXT_CONDITION_GROUP, parent)
{
    auto* layout = new QVBoxLayout(Group());
    m_pCondition = AddCombo(IDC_CONDITION, SINGLE_TERM_CONDITIONS);
    layout->addWidget(m_pCondition);
    layout->addStretch(1);
    connect(m_pCondition, &QComboBox::activated, this, [this](int index) {
        if (index < 0 || index == m_nShown)
            return;
        m_nShown = index;
        Q_EMIT conditionChanged(TemplateId(), IDC_CONDITION);
        Notify(IDC_CONDITION);
    });
}

int CSingleTermConditionDialog::ConditionIndex() const { return m_pCondition->currentIndex(); }

void CSingleTermConditionDialog::OnLanguageChanged(CLanguageManager& manager)
{
    CStepDialog::OnLanguageChanged(manager);
    FillCombo(m_pCondition, manager, TEXT_QVR_CONDITION_CODE_0, SINGLE_TERM_CONDITIONS);
    SetAccessibleLabel(m_pCondition, Group()->title());
}

void CSingleTermConditionDialog::LoadStep(const CQuorvexFIELDBase& field)
{
    int index = -1;
    if (const auto* condition = dynamic_cast<const CQuorvexFIELDCondition*>(&field)) {
        const int type = condition->GetConditionType();
        const int source = condition->GetTerm(0, nullptr, nullptr, nullptr);
        if (type >= CONDITION_OFF && type <= CONDITION_EDGE)
            index = type;
        else if (type == CONDITION_BRANCH_ON_ALT || type == CONDITION_BRANCH_ON_JUMP)
            index = source == TERM_SOURCE_OUTPUT ? type + 2 : type;
        else
            index = 0;
    }
    m_pCondition->setCurrentIndex(index);
    m_nShown = index;
}

bool CSingleTermConditionDialog::ApplyChange(int controlId, CQuorvexFIELDBase& field)
{
    auto* condition = dynamic_cast<CQuorvexFIELDCondition*>(&field);
    const int index = m_pCondition->currentIndex();
    if (controlId != IDC_CONDITION || !condition || index < 0)
        return false;
    // The accessor builds the stored code from the type and the source it was last given,
    // so both are written (the type first).
    condition->SetConditionType(SingleTermType(index));
    condition->SetTerm(0, TERM_OP_NONE, SingleTermSource(index), 1, 0);
    return true;
}

// --- CExpressionConditionDialog ----------------------------------------------------------

namespace {
constexpr int CONDITION_TYPES = 8;
constexpr int STOP_CONDITION_TYPES = 6;

// Creates the expression boxes of a dialog in tab order; the dialog registers them.
template <typename AddCombo, typename AddLabel>
void CreateExpression(CExpressionControls& expression, AddCombo addCombo, AddLabel addLabel)
{
    expression.label = addLabel(IDC_EXPRESSION_LABEL);
    expression.terms[0] = addCombo(IDC_TERM_1, 8);
    expression.operators[0] = addCombo(IDC_OPERATOR_1, 4);
    expression.terms[1] = addCombo(IDC_TERM_2, 8);
    expression.operators[1] = addCombo(IDC_OPERATOR_2, 4);
    expression.terms[2] = addCombo(IDC_TERM_3, 8);
}
} // namespace

CExpressionConditionDialog::CExpressionConditionDialog(int templateId, QWidget* parent)
    : CConditionDialog(templateId, FIELD_CONDITION, IDC_CONDITION_GROUP, TEXT_CONDITION_GROUP, parent)
{
    auto* grid = CreateGrid(Group());
    m_pType = AddCombo(IDC_CONDITION, CONDITION_TYPES);
    CreateExpression(
        m_expression, [this](int id, int count) { return AddCombo(id, count); },
        [this](int id) { return AddLabel(id); });
    grid->addWidget(m_pType, 0, 0, 1, 3);
    m_expression.Place(grid, 1);
    grid->setColumnStretch(2, 1);
    CloseGrid(grid);

    connect(m_pType, &QComboBox::activated, this, [this](int index) {
        if (index < 0 || index == m_nShown)
            return;
        m_nShown = index;
        m_expression.SetUsed(index != CONDITION_NONE);
        Q_EMIT conditionChanged(TemplateId(), IDC_CONDITION);
        Notify(IDC_CONDITION);
    });
    for (int id = IDC_TERM_1; id <= IDC_TERM_3; ++id)
        connect(static_cast<QComboBox*>(Control(id)), &QComboBox::activated, this, [this, id](int index) {
            if (m_expression.UserChanged(id, index))
                Notify(id);
        });
}

int CExpressionConditionDialog::ConditionIndex() const { return m_pType->currentIndex(); }

void CExpressionConditionDialog::OnLanguageChanged(CLanguageManager& manager)
{
    CStepDialog::OnLanguageChanged(manager);
    FillCombo(m_pType, manager, TEXT_QVS_CONDITION_TYPE_0, CONDITION_TYPES);
    SetAccessibleLabel(m_pType, Group()->title());
    m_expression.OnLanguageChanged(manager, TEXT_QVS_CONDITION_LABEL, TEXT_QVS_CONDITION_OPERATOR_0,
                                   TEXT_QVS_CONDITION_TERM_0);
}

void CExpressionConditionDialog::LoadStep(const CQuorvexFIELDBase& field)
{
    const auto* condition = dynamic_cast<const CQuorvexFIELDCondition*>(&field);
    if (!condition)
        return;
    m_nShown = condition->GetConditionType();
    m_pType->setCurrentIndex(m_nShown);
    m_expression.Load(*condition);
    m_expression.SetUsed(m_nShown != CONDITION_NONE);
}

bool CExpressionConditionDialog::ApplyChange(int controlId, CQuorvexFIELDBase& field)
{
    auto* condition = dynamic_cast<CQuorvexFIELDCondition*>(&field);
    if (!condition)
        return false;
    if (controlId == IDC_CONDITION) {
        const int type = m_pType->currentIndex();
        if (type < 0)
            return false;
        condition->SetConditionType(type);
        if (type != CONDITION_NONE)
            m_expression.Write(*condition);
        return true;
    }
    if (CExpressionControls::IsExpressionControl(controlId)) {
        m_expression.Write(*condition);
        return true;
    }
    return false;
}

// --- CConditionJumpDialog ----------------------------------------------------------------

CConditionJumpDialog::CConditionJumpDialog(int templateId, QWidget* parent)
    : CStepDialog(templateId, FIELD_CONDITION, IDC_CONDITION_JUMP_GROUP, TEXT_CONDITION_JUMP, parent)
{
    auto* grid = CreateGrid(Group());
    m_pJumpLabel = AddLabel(IDC_CONDITION_JUMP_LABEL);
    QComboBox* onOff = AddCombo(IDC_CONDITION_JUMP_ON_OFF, 2);
    QComboBox* target = AddCombo(IDC_CONDITION_JUMP_TARGET, FIELD_COUNT);
    m_pAltJumpLabel = AddLabel(IDC_CONDITION_ALT_JUMP_LABEL);
    QComboBox* altOnOff = AddCombo(IDC_CONDITION_ALT_JUMP_ON_OFF, 2);
    QComboBox* altTarget = AddCombo(IDC_CONDITION_ALT_JUMP_TARGET, FIELD_COUNT);
    m_jump.SetControls(onOff, target);
    m_altJump.SetControls(altOnOff, altTarget);
    m_pJumpLabel->setBuddy(onOff);
    m_pAltJumpLabel->setBuddy(altOnOff);
    grid->addWidget(m_pJumpLabel, 0, 0);
    grid->addWidget(onOff, 0, 1);
    grid->addWidget(target, 0, 2);
    grid->addWidget(m_pAltJumpLabel, 1, 0);
    grid->addWidget(altOnOff, 1, 1);
    grid->addWidget(altTarget, 1, 2);
    CloseGrid(grid);

    connect(onOff, &QComboBox::activated, this, [this](int index) {
        if (m_jump.UserOnOff(index))
            Notify(IDC_CONDITION_JUMP_ON_OFF);
    });
    connect(target, &QComboBox::activated, this, [this](int index) {
        if (m_jump.UserTarget(index))
            Notify(IDC_CONDITION_JUMP_TARGET);
    });
    connect(altOnOff, &QComboBox::activated, this, [this](int index) {
        if (m_altJump.UserOnOff(index))
            Notify(IDC_CONDITION_ALT_JUMP_ON_OFF);
    });
    connect(altTarget, &QComboBox::activated, this, [this](int index) {
        if (m_altJump.UserTarget(index))
            Notify(IDC_CONDITION_ALT_JUMP_TARGET);
    });
    ShowClass();
}

void CConditionJumpDialog::OnLanguageChanged(CLanguageManager& manager)
{
    CStepDialog::OnLanguageChanged(manager);
    m_waitText = manager.Text(TEXT_CONDITION_JUMP_WAIT);
    m_branchText = manager.Text(TEXT_CONDITION_JUMP_TWO_WAY);
    // The first jump's label changes with the condition class: it keeps room for the wider
    // of its texts, so the dialog measured with one of them still fits the other.
    const QFontMetrics metrics = m_pJumpLabel->fontMetrics();
    const auto shown = [&metrics](const QString& text) {
        return metrics.horizontalAdvance(QString(text).remove(QLatin1Char('&')));
    };
    m_pJumpLabel->setMinimumWidth(std::max(shown(m_waitText), shown(m_branchText)));
    m_pAltJumpLabel->setText(manager.Text(TEXT_CONDITION_ALT_JUMP));
    m_jump.OnLanguageChanged(manager, TEXT_CONDITION_NO_JUMP, TEXT_CONDITION_TARGET_START,
                             TEXT_CONDITION_TARGET_STOP);
    m_altJump.OnLanguageChanged(manager, TEXT_CONDITION_NO_JUMP, TEXT_CONDITION_TARGET_START,
                                TEXT_CONDITION_TARGET_STOP);
    m_altJump.SetAccessibleNames(manager, m_pAltJumpLabel->text());
    ShowClass();
}

void CConditionJumpDialog::LoadStep(const CQuorvexFIELDBase& field)
{
    const auto* condition = dynamic_cast<const CQuorvexFIELDCondition*>(&field);
    if (!condition)
        return;
    m_jump.Load(condition->GetJump(), field.GetFieldIndex());
    m_altJump.Load(condition->GetAltJump(), field.GetFieldIndex());
    ShowClass();
}

bool CConditionJumpDialog::ApplyChange(int controlId, CQuorvexFIELDBase& field)
{
    auto* condition = dynamic_cast<CQuorvexFIELDCondition*>(&field);
    if (!condition)
        return false;
    if (controlId == IDC_CONDITION_JUMP_ON_OFF || controlId == IDC_CONDITION_JUMP_TARGET) {
        const int target = m_jump.ShownTarget();
        if (target < 0)
            return false;
        condition->SetJump(target);
        return true;
    }
    if (controlId == IDC_CONDITION_ALT_JUMP_ON_OFF || controlId == IDC_CONDITION_ALT_JUMP_TARGET) {
        const int target = m_altJump.ShownTarget();
        if (target < 0)
            return false;
        condition->SetAltJump(target);
        return true;
    }
    return false;
}

void CConditionJumpDialog::SetConditionClass(int conditionClass)
{
    m_nClass = conditionClass;
    ShowClass();
}

void CConditionJumpDialog::ShowClass()
{
    m_pJumpLabel->setText(m_nClass == 1 ? m_waitText : m_nClass == 2 ? m_branchText : QString());
    m_pAltJumpLabel->setEnabled(m_nClass == 2);
    m_altJump.SetAvailable(m_nClass == 2);
    // Without a condition the label is empty: the jump is then named after its group.
    m_jump.SetAccessibleNames(TheLanguageManager(),
                              m_pJumpLabel->text().isEmpty() ? Group()->title() : m_pJumpLabel->text());
}

// --- CTimeConditionDialog ----------------------------------------------------------------

CTimeConditionDialog::CTimeConditionDialog(int templateId, const Texts& texts, QWidget* parent)
    : CStepDialog(templateId, FIELD_TIME, IDC_CONDITION_GROUP, texts.group, parent), m_texts(texts)
{
    auto* grid = CreateGrid(Group());
    m_pCondition = AddCombo(IDC_CONDITION, STOP_CONDITION_TYPES);
    if (HasExpression())
        CreateExpression(
            m_expression, [this](int id, int count) { return AddCombo(id, count); },
            [this](int id) { return AddLabel(id); });
    if (texts.jumpLabel)
        m_pJumpLabel = AddLabel(IDC_EXPRESSION_LABEL_2);
    QComboBox* onOff = AddCombo(IDC_JUMP_ON_OFF, 2);
    QComboBox* target = AddCombo(IDC_JUMP_TARGET, FIELD_COUNT);
    m_jump.SetControls(onOff, target);

    if (HasExpression()) {
        // Three columns: labels, operators (and the jump's on/off box), terms (and targets).
        grid->addWidget(m_pCondition, 0, 0, 1, 3);
        m_expression.Place(grid, 1);
        if (m_pJumpLabel) {
            grid->addWidget(m_pJumpLabel, 4, 0);
            m_pJumpLabel->setBuddy(onOff);
        }
        grid->addWidget(onOff, 4, 1);
        grid->addWidget(target, 4, 2);
        grid->setColumnStretch(2, 1);
    } else {
        grid->addWidget(m_pCondition, 0, 0, 1, 2);
        grid->addWidget(onOff, 1, 0);
        grid->addWidget(target, 1, 1);
    }
    CloseGrid(grid);

    connect(m_pCondition, &QComboBox::activated, this, &CTimeConditionDialog::OnConditionActivated);
    if (HasExpression())
        for (int id = IDC_TERM_1; id <= IDC_TERM_3; ++id)
            connect(static_cast<QComboBox*>(Control(id)), &QComboBox::activated, this, [this, id](int index) {
                if (m_expression.UserChanged(id, index))
                    Notify(id);
            });
    connect(onOff, &QComboBox::activated, this, [this](int index) {
        if (m_jump.UserOnOff(index))
            Notify(IDC_JUMP_ON_OFF);
    });
    connect(target, &QComboBox::activated, this, [this](int index) {
        if (m_jump.UserTarget(index))
            Notify(IDC_JUMP_TARGET);
    });
}

void CTimeConditionDialog::OnLanguageChanged(CLanguageManager& manager)
{
    CStepDialog::OnLanguageChanged(manager);
    FillCombo(m_pCondition, manager, m_texts.firstCondition, STOP_CONDITION_TYPES);
    SetAccessibleLabel(m_pCondition, Group()->title());
    if (HasExpression())
        m_expression.OnLanguageChanged(manager, m_texts.expressionLabel, m_texts.firstOperator, m_texts.firstTerm);
    if (m_pJumpLabel)
        m_pJumpLabel->setText(manager.Text(m_texts.jumpLabel));
    m_jump.OnLanguageChanged(manager, TEXT_TIME_NO_JUMP, TEXT_TIME_TARGET_START, TEXT_TIME_TARGET_STOP);
    // Without a label of its own the jump is the group's jump.
    m_jump.SetAccessibleNames(manager, m_pJumpLabel ? m_pJumpLabel->text()
                                                    : manager.Format(TEXT_A11Y_PART, {Group()->title(),
                                                                                      manager.Text(TEXT_CONDITION_JUMP)}));
}

void CTimeConditionDialog::LoadStep(const CQuorvexFIELDBase& field)
{
    const auto* time = dynamic_cast<const CQuorvexFIELDTime*>(&field);
    if (!time)
        return;
    m_nShown = time->GetConditionType();
    m_pCondition->setCurrentIndex(m_nShown);
    if (HasExpression()) {
        m_expression.Load(*time);
        m_expression.SetUsed(m_nShown != CONDITION_NONE);
    }
    m_jump.Load(time->GetJump(), field.GetFieldIndex());
    m_jump.SetAvailable(m_nShown != CONDITION_NONE);
    if (m_pJumpLabel)
        m_pJumpLabel->setEnabled(m_nShown != CONDITION_NONE);
}

bool CTimeConditionDialog::ApplyChange(int controlId, CQuorvexFIELDBase& field)
{
    auto* time = dynamic_cast<CQuorvexFIELDTime*>(&field);
    if (!time)
        return false;
    if (controlId == IDC_CONDITION) {
        const int type = m_pCondition->currentIndex();
        if (type < 0)
            return false;
        time->SetConditionType(type);
        if (!HasExpression())
            // The accessor of the single-input model stores a stop condition only together
            // with the source it was last given: the input.
            time->SetTerm(0, TERM_OP_NONE, TERM_SOURCE_INPUT, 1, 0);
        else if (type != CONDITION_NONE)
            m_expression.Write(*time);
        return true;
    }
    if (HasExpression() && CExpressionControls::IsExpressionControl(controlId)) {
        m_expression.Write(*time);
        return true;
    }
    if (controlId == IDC_JUMP_ON_OFF || controlId == IDC_JUMP_TARGET) {
        const int target = m_jump.ShownTarget();
        if (target < 0)
            return false;
        time->SetJump(target);
        return true;
    }
    return false;
}

void CTimeConditionDialog::OnConditionActivated(int index)
{
    if (index < 0 || index == m_nShown)
        return;
    m_nShown = index;
    const bool used = index != CONDITION_NONE;
    if (HasExpression())
        m_expression.SetUsed(used);
    m_jump.SetAvailable(used);
    if (m_pJumpLabel)
        m_pJumpLabel->setEnabled(used);
    Notify(IDC_CONDITION);
}
