#include "StepDialogMembers.h"

#include "DialogIds.h"
#include "LanguageManager.h"
#include "TextIds.h"
#include "TimeEntryField.h"

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

namespace {

int IndexOfCode(const RelayChoice& choice, int code)
{
    for (int i = 0; i < choice.count; ++i)
        if (choice.codes[std::size_t(i)] == code)
            return i;
    return -1;
}

QGridLayout* CreateGrid(QGroupBox* group) { return new QGridLayout(group); }

// Keeps the rows at the top when the group box is taller than they need.
void CloseGrid(QGridLayout* grid) { grid->setRowStretch(grid->rowCount(), 1); }

} // namespace

// --- CRelayChoiceDialog ------------------------------------------------------------------

CRelayChoiceDialog::CRelayChoiceDialog(int templateId, FieldKind kind, int groupControlId, int groupText,
                                       std::vector<RelayChoice> choices, QWidget* parent)
    : CStepDialog(templateId, kind, groupControlId, groupText, parent), m_choices(std::move(choices))
{
    auto* layout = new QVBoxLayout(Group());
    for (std::size_t i = 0; i < m_choices.size(); ++i) {
        const RelayChoice& choice = m_choices[i];
        QComboBox* box = AddCombo(choice.controlId, choice.count);
        layout->addWidget(box);
        m_boxes.push_back(box);
        m_shown.push_back(-1);
        connect(box, &QComboBox::activated, this, [this, i](int index) {
            if (index < 0 || index == m_shown[i])
                return;
            m_shown[i] = index;
            Notify(m_choices[i].controlId);
        });
    }
    layout->addStretch(1);
}

void CRelayChoiceDialog::OnLanguageChanged(CLanguageManager& manager)
{
    CStepDialog::OnLanguageChanged(manager);
    for (std::size_t i = 0; i < m_choices.size(); ++i) {
        FillCombo(m_boxes[i], manager, m_choices[i].firstText, m_choices[i].count);
        // A single box is named after its group; one box per relay after the group and relay.
        if (m_choices.size() == 1)
            SetAccessibleLabel(m_boxes[i], Group()->title());
        else
            SetAccessibleLabel(m_boxes[i], manager.Format(TEXT_A11Y_PART,
                                                          {Group()->title(), manager.Text(m_choices[i].relay == 0
                                                                                              ? TEXT_A11Y_RELAY_1
                                                                                              : TEXT_A11Y_RELAY_2)}));
    }
}

void CRelayChoiceDialog::LoadStep(const CQuorvexFIELDBase& field)
{
    for (std::size_t i = 0; i < m_choices.size(); ++i) {
        int code = 0;
        const int index = ReadCode(field, m_choices[i].relay, &code) ? IndexOfCode(m_choices[i], code) : -1;
        m_boxes[i]->setCurrentIndex(index);
        m_shown[i] = index;
    }
}

bool CRelayChoiceDialog::ApplyChange(int controlId, CQuorvexFIELDBase& field)
{
    for (std::size_t i = 0; i < m_choices.size(); ++i) {
        if (m_choices[i].controlId != controlId)
            continue;
        const int index = m_boxes[i]->currentIndex();
        if (index < 0 || index >= m_choices[i].count)
            return false;
        return WriteCode(field, m_choices[i].relay, m_choices[i].codes[std::size_t(index)]);
    }
    return false;
}

bool CStartOnPowerOnDialog::ReadCode(const CQuorvexFIELDBase& field, int relay, int* code) const
{
    const auto* start = dynamic_cast<const CQuorvexFIELDStart*>(&field);
    if (!start)
        return false;
    *code = start->GetInitialState(relay);
    return true;
}

bool CStartOnPowerOnDialog::WriteCode(CQuorvexFIELDBase& field, int relay, int code) const
{
    auto* start = dynamic_cast<CQuorvexFIELDStart*>(&field);
    if (!start)
        return false;
    start->SetInitialState(relay, code);
    return true;
}

bool COperationOnRelayDialog::ReadCode(const CQuorvexFIELDBase& field, int relay, int* code) const
{
    const auto* change = dynamic_cast<const CQuorvexFIELDStateChange*>(&field);
    if (!change)
        return false;
    *code = change->GetRelayOperation(relay);
    return true;
}

bool COperationOnRelayDialog::WriteCode(CQuorvexFIELDBase& field, int relay, int code) const
{
    auto* change = dynamic_cast<CQuorvexFIELDStateChange*>(&field);
    if (!change)
        return false;
    change->SetRelayOperation(relay, code);
    return true;
}

// --- CStartDelayDialog -------------------------------------------------------------------

CStartDelayDialog::CStartDelayDialog(int templateId, QWidget* parent)
    : CStepDialog(templateId, FIELD_START, IDC_START_DELAY_GROUP, TEXT_START_DELAY, parent)
{
    auto* layout = new QVBoxLayout(Group());
    m_pDelay = AddCombo(IDC_START_DELAY, 4);
    layout->addWidget(m_pDelay);
    layout->addStretch(1);
    connect(m_pDelay, &QComboBox::activated, this, [this](int index) {
        if (index < 0 || index == m_nShown)
            return;
        m_nShown = index;
        Notify(IDC_START_DELAY);
    });
}

void CStartDelayDialog::OnLanguageChanged(CLanguageManager& manager)
{
    CStepDialog::OnLanguageChanged(manager);
    FillCombo(m_pDelay, manager, TEXT_START_DELAY_0, 4);
    SetAccessibleLabel(m_pDelay, Group()->title());
}

void CStartDelayDialog::LoadStep(const CQuorvexFIELDBase& field)
{
    const auto* start = dynamic_cast<const CQuorvexFIELDStart*>(&field);
    m_nShown = start ? start->GetStartDelay() : -1;
    m_pDelay->setCurrentIndex(m_nShown);
}

bool CStartDelayDialog::ApplyChange(int controlId, CQuorvexFIELDBase& field)
{
    auto* start = dynamic_cast<CQuorvexFIELDStart*>(&field);
    const int index = m_pDelay->currentIndex();
    if (controlId != IDC_START_DELAY || !start || index < 0)
        return false;
    start->SetStartDelay(index);
    return true;
}

// --- CStateChangeJumpDialog --------------------------------------------------------------

CStateChangeJumpDialog::CStateChangeJumpDialog(int templateId, QWidget* parent)
    : CStepDialog(templateId, FIELD_STATE_CHANGE, IDC_STATE_JUMP_GROUP, TEXT_STATE_JUMP, parent)
{
    auto* grid = CreateGrid(Group());
    QComboBox* onOff = AddCombo(IDC_JUMP_ON_OFF, 2);
    QComboBox* target = AddCombo(IDC_JUMP_TARGET, FIELD_COUNT);
    m_jump.SetControls(onOff, target);
    grid->addWidget(onOff, 0, 0);
    grid->addWidget(target, 0, 1);
    CloseGrid(grid);
    connect(onOff, &QComboBox::activated, this, [this](int index) {
        if (m_jump.UserOnOff(index))
            Notify(IDC_JUMP_ON_OFF);
    });
    connect(target, &QComboBox::activated, this, [this](int index) {
        if (m_jump.UserTarget(index))
            Notify(IDC_JUMP_TARGET);
    });
}

void CStateChangeJumpDialog::OnLanguageChanged(CLanguageManager& manager)
{
    CStepDialog::OnLanguageChanged(manager);
    m_jump.OnLanguageChanged(manager, TEXT_STATE_NO_JUMP, TEXT_STATE_TARGET_START, TEXT_STATE_TARGET_STOP);
    m_jump.SetAccessibleNames(manager, Group()->title());
}

void CStateChangeJumpDialog::LoadStep(const CQuorvexFIELDBase& field)
{
    const auto* change = dynamic_cast<const CQuorvexFIELDStateChange*>(&field);
    m_jump.Load(change ? change->GetJump() : NO_JUMP, field.GetFieldIndex());
}

bool CStateChangeJumpDialog::ApplyChange(int controlId, CQuorvexFIELDBase& field)
{
    auto* change = dynamic_cast<CQuorvexFIELDStateChange*>(&field);
    const int target = m_jump.ShownTarget();
    if ((controlId != IDC_JUMP_ON_OFF && controlId != IDC_JUMP_TARGET) || !change || target < 0)
        return false;
    change->SetJump(target);
    return true;
}

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

// --- CTimeDialog -------------------------------------------------------------------------

namespace {
constexpr int TIME_SOURCE_FIXED = 0;
constexpr int TIME_SOURCE_POTENTIOMETER = 1;
} // namespace

CTimeDialog::CTimeDialog(int templateId, QWidget* parent)
    : CStepDialog(templateId, FIELD_TIME, IDC_TIME_GROUP, TEXT_TIME_GROUP, parent)
{
    auto* grid = CreateGrid(Group());
    m_pSourceLabel = AddLabel(IDC_TIME_SOURCE_LABEL);
    m_pSource = AddCombo(IDC_TIME_SOURCE, 2);
    m_pUnitLabel = AddLabel(IDC_TIME_UNIT_LABEL);
    m_pUnit = AddCombo(IDC_TIME_UNIT, TIME_UNIT_COUNT);
    m_pValue = Register(IDC_TIME_VALUE, new QSlider(Qt::Horizontal, Group()));
    m_pText = Register(IDC_TIME_TEXT, new CTimeEntryField(Group()));
    m_pSourceLabel->setBuddy(m_pSource);
    m_pUnitLabel->setBuddy(m_pUnit);

    m_pValue->setRange(TIME_VALUE_MIN, TIME_VALUE_MAX);
    m_pValue->setSingleStep(1);
    m_pValue->setPageStep(8);
    m_pValue->setTickPosition(QSlider::TicksBelow);
    m_pValue->setTickInterval(8);
    m_pValue->setFocusPolicy(Qt::StrongFocus);
    m_pValue->setMinimumWidth(m_pValue->fontMetrics().averageCharWidth() * 24);

    grid->addWidget(m_pSourceLabel, 0, 0);
    grid->addWidget(m_pSource, 0, 1, 1, 2);
    grid->addWidget(m_pUnitLabel, 1, 0);
    grid->addWidget(m_pUnit, 1, 1, 1, 2);
    grid->addWidget(m_pValue, 2, 0, 1, 2);
    grid->addWidget(m_pText, 2, 2);
    grid->setColumnStretch(1, 1);
    CloseGrid(grid);

    connect(m_pSource, &QComboBox::activated, this, &CTimeDialog::OnSourceActivated);
    connect(m_pUnit, &QComboBox::activated, this, &CTimeDialog::OnUnitActivated);
    // Every user action on the track bar (keys, wheel, clicks on the groove, dragging) goes
    // through actionTriggered; a value the program sets does not.
    connect(m_pValue, &QSlider::actionTriggered, this, &CTimeDialog::OnTrackBarAction);
    connect(m_pText, &CTimeEntryField::timeTyped, this, &CTimeDialog::OnTimeTyped);
    Show();
}

void CTimeDialog::OnLanguageChanged(CLanguageManager& manager)
{
    CStepDialog::OnLanguageChanged(manager);
    m_reader.OnLanguageChanged(manager);
    m_pSourceLabel->setText(manager.Text(TEXT_TIME_SOURCE));
    m_pUnitLabel->setText(manager.Text(TEXT_TIME_UNIT_LABEL));
    FillCombo(m_pSource, manager, TEXT_TIME_FIXED, 2);
    FillCombo(m_pUnit, manager, TEXT_TIME_UNIT_0, TIME_UNIT_COUNT);
    SetAccessibleLabel(m_pSource, m_pSourceLabel->text());
    SetAccessibleLabel(m_pUnit, m_pUnitLabel->text());
    m_pText->setToolTip(manager.Text(TEXT_TIME_ENTRY_TIP));
    SetAccessibleLabel(m_pValue, manager.Format(TEXT_A11Y_PART, {Group()->title(), manager.Text(TEXT_A11Y_TRACK_BAR)}));
    SetAccessibleLabel(m_pText, manager.Format(TEXT_A11Y_PART, {Group()->title(), manager.Text(TEXT_A11Y_TIME_FIELD)}));
    // The time field keeps the width of the longest time it can show, so that moving the
    // track bar does not shift the controls beside it.
    m_pText->FitPanelTimes(m_reader);
    Show();
}

void CTimeDialog::LoadStep(const CQuorvexFIELDBase& field)
{
    const auto* time = dynamic_cast<const CQuorvexFIELDTime*>(&field);
    if (!time)
        return;
    // Unit and value come from the step also when its time is taken from the potentiometer:
    // they are shown again when the user switches this step back to a fixed time.
    m_nSource = time->IsFixedTime() ? TIME_SOURCE_FIXED : TIME_SOURCE_POTENTIOMETER;
    m_nUnit = time->GetTimeUnit();
    m_nValue = time->GetTimeValue();
    Show();
}

bool CTimeDialog::ApplyChange(int controlId, CQuorvexFIELDBase& field)
{
    auto* time = dynamic_cast<CQuorvexFIELDTime*>(&field);
    if (!time)
        return false;
    switch (controlId) {
    case IDC_TIME_SOURCE:
        time->SetFixedTime(m_pSource->currentIndex() == TIME_SOURCE_POTENTIOMETER ? 0 : 1);
        return true;
    case IDC_TIME_UNIT: {
        const int unit = m_pUnit->currentIndex();
        if (unit < 0)
            return false;
        time->SetTimeUnit(unit);
        return true;
    }
    case IDC_TIME_TEXT: {
        // A typed time: unit and value together, as the unit box and the track bar show them.
        const int unit = m_pUnit->currentIndex();
        if (unit < 0)
            return false;
        time->SetTimeUnit(unit);
        time->SetTimeValue(m_pValue->value());
        return true;
    }
    case IDC_TIME_VALUE:
        // The position, not value(): during a track bar action the value follows only after
        // the action has been reported.
        time->SetTimeValue(m_pValue->sliderPosition());
        return true;
    default:
        return false;
    }
}

void CTimeDialog::OnSourceActivated(int index)
{
    if (index < 0 || index == m_nSource)
        return;
    m_nSource = index;
    Show();
    Notify(IDC_TIME_SOURCE);
}

void CTimeDialog::OnUnitActivated(int index)
{
    if (index < 0 || index == m_nUnit || m_nSource != TIME_SOURCE_FIXED)
        return;
    m_nUnit = index;
    m_pText->ShowTime(TimeText());
    Notify(IDC_TIME_UNIT);
}

void CTimeDialog::OnTrackBarAction(int action)
{
    if (action == QAbstractSlider::SliderNoAction || m_nSource != TIME_SOURCE_FIXED)
        return;
    // The step's value may lie outside the track bar's range; it changes only when the
    // position the user chose differs from it.
    const int position = m_pValue->sliderPosition();
    if (position == m_nValue)
        return;
    m_nValue = position;
    m_pText->ShowTime(TimeText());
    Notify(IDC_TIME_VALUE);
}

void CTimeDialog::OnTimeTyped(const QString& text)
{
    if (m_nSource != TIME_SOURCE_FIXED)
        return;
    int unit = 0, value = 0;
    QString message;
    const bool taken = m_pText->TakeTypedTime(text, m_reader, &unit, &value, &message);
    if (!message.isEmpty())
        Q_EMIT notice(message);
    if (!taken)
        return;
    const bool changed = unit != m_nUnit || value != m_nValue;
    m_nUnit = unit;
    m_nValue = value;
    Show();
    if (changed)
        Notify(IDC_TIME_TEXT);
}

void CTimeDialog::Show()
{
    const bool fixed = m_nSource == TIME_SOURCE_FIXED;
    m_pSource->setCurrentIndex(m_nSource);
    m_pUnitLabel->setEnabled(fixed);
    m_pUnit->setCurrentIndex(fixed && m_nUnit >= 0 && m_nUnit < TIME_UNIT_COUNT ? m_nUnit : -1);
    m_pUnit->setEnabled(fixed);
    // setValue puts a value outside the range at the nearest end.
    m_pValue->setValue(fixed ? m_nValue : TIME_VALUE_MIN);
    m_pValue->setEnabled(fixed);
    m_pText->ShowTime(fixed ? TimeText() : QString());
    m_pText->setEnabled(fixed);
}

QString CTimeDialog::TimeText() const
{
    return m_reader.PanelText(m_nUnit, m_nValue);
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
