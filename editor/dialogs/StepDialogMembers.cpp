#include "StepDialogMembers.h"

#include "DialogIds.h"
#include "StepDialogGrid.h"
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
using namespace StepDialogGrid;

namespace {

int IndexOfCode(const RelayChoice& choice, int code)
{
    for (int i = 0; i < choice.count; ++i)
        if (choice.codes[std::size_t(i)] == code)
            return i;
    return -1;
}

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
