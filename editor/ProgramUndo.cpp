#include "ProgramUndo.h"

#include "DialogIds.h"
#include "LanguageManager.h"

#include <QUndoStack>

using namespace DialogIds;
using namespace Language;

namespace {

// Merge ID of the time track bar: its moves are the only changes that merge.
constexpr int TRACK_BAR_MERGE_ID = 1;

int StepChangeText(FieldKind kind, int controlId)
{
    switch (kind) {
    case FIELD_START:
        switch (controlId) {
        case IDC_QVR_POWER_ON:
        case IDC_QVS_POWER_ON_RELAY1:
        case IDC_QVS_POWER_ON_RELAY2: return TEXT_CHANGE_POWER_ON;
        case IDC_START_DELAY: return TEXT_CHANGE_START_DELAY;
        default: return -1;
        }
    case FIELD_STATE_CHANGE:
        switch (controlId) {
        case IDC_QVR_OPERATION:
        case IDC_QVS_OPERATION_RELAY1:
        case IDC_QVS_OPERATION_RELAY2: return TEXT_CHANGE_OPERATION;
        case IDC_JUMP_ON_OFF:
        case IDC_JUMP_TARGET: return TEXT_CHANGE_JUMP;
        default: return -1;
        }
    case FIELD_CONDITION:
        switch (controlId) {
        case IDC_CONDITION:
        case IDC_TERM_1:
        case IDC_OPERATOR_1:
        case IDC_TERM_2:
        case IDC_OPERATOR_2:
        case IDC_TERM_3: return TEXT_CHANGE_CONDITION;
        case IDC_CONDITION_JUMP_ON_OFF:
        case IDC_CONDITION_JUMP_TARGET: return TEXT_CHANGE_JUMP;
        case IDC_CONDITION_ALT_JUMP_ON_OFF:
        case IDC_CONDITION_ALT_JUMP_TARGET: return TEXT_CHANGE_ALT_JUMP;
        default: return -1;
        }
    case FIELD_TIME:
        switch (controlId) {
        case IDC_TIME_SOURCE: return TEXT_CHANGE_TIME_SOURCE;
        case IDC_TIME_UNIT:
        case IDC_TIME_VALUE:
        case IDC_TIME_TEXT: return TEXT_CHANGE_TIME;
        case IDC_CONDITION:
        case IDC_TERM_1:
        case IDC_OPERATOR_1:
        case IDC_TERM_2:
        case IDC_OPERATOR_2:
        case IDC_TERM_3: return TEXT_CHANGE_STOP_CONDITION;
        case IDC_JUMP_ON_OFF:
        case IDC_JUMP_TARGET: return TEXT_CHANGE_JUMP;
        default: return -1;
        }
    default:
        return -1;
    }
}

} // namespace

ProgramChangeName StepChangeName(FieldKind kind, int controlId, int channel, int step, int channelCount)
{
    ProgramChangeName name;
    name.textId = StepChangeText(kind, controlId);
    name.step = step;
    // The start delay is one setting of the whole relay; everything else belongs to a channel.
    name.channel = channelCount > 1 && name.textId != TEXT_CHANGE_START_DELAY ? channel : -1;
    return name;
}

QString ProgramChangeText(const ProgramChangeName& name, const CLanguageManager& manager)
{
    if (name.textId < 0)
        return QString();
    const QString text = TextFormatPlaceholders(name.textId) ? manager.Format(name.textId, {name.step})
                                                             : manager.Text(name.textId);
    if (name.channel < 0)
        return text;
    return manager.Format(TEXT_CHANGE_IN_CHANNEL, {text, name.channel + 1});
}

// --- CProgramImageCommand ----------------------------------------------------------------

CProgramImageCommand::CProgramImageCommand(IProgramImageTarget& target, QByteArray before, QByteArray after,
                                           ProgramChangeName name, int channel, int step, bool applied,
                                           const CLanguageManager& manager)
    : m_target(target), m_before(std::move(before)), m_after(std::move(after)), m_name(name), m_nChannel(channel),
      m_nStep(step), m_bApplied(applied)
{
    Retranslate(manager);
}

void CProgramImageCommand::undo()
{
    m_target.ApplyProgramImage(m_before, m_nChannel, m_nStep);
}

void CProgramImageCommand::redo()
{
    if (m_bApplied) {
        m_bApplied = false;
        return;
    }
    m_target.ApplyProgramImage(m_after, m_nChannel, m_nStep);
}

void CProgramImageCommand::Retranslate(const CLanguageManager& manager)
{
    setText(ProgramChangeText(m_name, manager));
}

// --- CStepChangeCommand --------------------------------------------------------------------

CStepChangeCommand::CStepChangeCommand(IProgramImageTarget& target, QByteArray before, QByteArray after,
                                       FieldKind kind, int controlId, int channel, int step, int channelCount,
                                       const CLanguageManager& manager)
    : CProgramImageCommand(target, std::move(before), std::move(after),
                           StepChangeName(kind, controlId, channel, step, channelCount), channel, step, true,
                           manager),
      m_kind(kind), m_nControlId(controlId)
{
}

int CStepChangeCommand::id() const
{
    return m_kind == FIELD_TIME && m_nControlId == IDC_TIME_VALUE ? TRACK_BAR_MERGE_ID : -1;
}

bool CStepChangeCommand::mergeWith(const QUndoCommand* other)
{
    const auto* next = dynamic_cast<const CStepChangeCommand*>(other);
    if (!next || next->id() != id() || next->m_nControlId != m_nControlId || next->m_kind != m_kind
        || next->m_nStep != m_nStep || next->m_nChannel != m_nChannel)
        return false;
    m_after = next->m_after;
    // Dragged back to where it started: no change is left to undo.
    setObsolete(m_after == m_before);
    return true;
}

// --- CProgramReadCommand -------------------------------------------------------------------

CProgramReadCommand::CProgramReadCommand(IProgramImageTarget& target, QByteArray before, QByteArray after,
                                         const CLanguageManager& manager)
    : CProgramImageCommand(target, std::move(before), std::move(after), ProgramChangeName{TEXT_CHANGE_READ, -1, -1},
                           0, -1, false, manager)
{
}

// --- CProgramReloadCommand -----------------------------------------------------------------

CProgramReloadCommand::CProgramReloadCommand(IProgramImageTarget& target, QByteArray before, QByteArray after,
                                             const CLanguageManager& manager)
    : CProgramImageCommand(target, std::move(before), std::move(after),
                           ProgramChangeName{TEXT_CHANGE_RELOAD, -1, -1}, 0, -1, false, manager)
{
}

void RetranslateUndoStack(QUndoStack& stack, const CLanguageManager& manager)
{
    for (int i = 0; i < stack.count(); ++i) {
        // The stack hands its commands out as const; they are ours, and only their text changes.
        if (auto* command = dynamic_cast<const CProgramImageCommand*>(stack.command(i)))
            const_cast<CProgramImageCommand*>(command)->Retranslate(manager);
    }
}
