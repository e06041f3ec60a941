// Layout of a section:
//
//   <title>
//   ----------------------------------------------------
//      <label padded to 30 characters>: <value>
//      ...
//   <empty line>
//
// Labels longer than 30 characters are written whole and push the colon to the right.

#include "ProgramDescription.h"

#include "AtomicFile.h"

#include "Fields_QVR_K115_ZQX.h"
#include "Fields_QVS_K115_318.h"
#include "LanguageManager.h"
#include "QuorvexDoc.h"
#include "ResultCodes.h"

#include <QHash>

using namespace Language;

namespace {

const QString CRLF = QStringLiteral("\r\n");
const QString SEPARATOR = QString(52, QLatin1Char('-')) + CRLF;
constexpr int LABEL_WIDTH = 30;

class CDescriptionWriter {
public:
    CDescriptionWriter(CQuorvexDoc& doc, CLanguageManager& manager) : m_doc(doc), m_manager(manager)
    {
        for (int id : {TEXT_START_NAME, TEXT_STOP_NAME, TEXT_POWER_ON_STATE, TEXT_START_DELAY,
                       TEXT_RELAY_OPERATION, TEXT_STATE_JUMP, TEXT_CONDITION, TEXT_CONDITION_JUMP,
                       TEXT_CONDITION_ALT_JUMP, TEXT_TIME_SOURCE, TEXT_DESC_TIME, TEXT_STOP_CONDITION,
                       TEXT_DESC_TIME_JUMP})
            m_labels[id] = manager.Text(id);
    }

    QString Describe();

private:
    QString Label(int id) const { return m_labels.value(id); }
    QString Text(int id) const { return m_manager.Text(id); }

    void Line(int labelId, const QString& value)
    {
        m_text += QStringLiteral("   ") + Label(labelId).leftJustified(LABEL_WIDTH) + QStringLiteral(": ") + value + CRLF;
    }
    void LastLine(int labelId, const QString& value)
    {
        Line(labelId, value);
        m_text += CRLF;
    }
    void PairLine(int labelId, const QString& first, const QString& second)
    {
        Line(labelId, first + QStringLiteral(", ") + second);
    }
    void ExpressionLine(int labelId, const QString& value, const QString& expression)
    {
        Line(labelId, value + QStringLiteral("; (") + expression + QLatin1Char(')'));
    }
    void Title(const QString& title) { m_text += title + CRLF + SEPARATOR; }

    // Target of a jump: the Start or Stop name or the step number, put into the jump format;
    // the field kind's no-jump text for NO_JUMP.
    QString JumpText(int target, int noJumpId) const
    {
        if (target == NO_JUMP)
            return Text(noJumpId);
        QString name;
        if (target == 0)
            name = Label(TEXT_START_NAME);
        else if (target == m_doc.GetFieldCount() - 1)
            name = Label(TEXT_STOP_NAME);
        else
            name = QString::number(target);
        return m_manager.Format(TEXT_DESC_JUMP_TARGET, {name});
    }
    // The jump line of a condition and, for the two-way types, its alternative jump line;
    // then the empty line that ends the section.
    void ConditionJumpLines(const CQuorvexFIELDCondition& condition)
    {
        Line(TEXT_CONDITION_JUMP, JumpText(condition.GetJump(), TEXT_CONDITION_NO_JUMP));
        const int type = condition.GetConditionType();
        if (type == CONDITION_BRANCH_ON_ALT || type == CONDITION_BRANCH_ON_JUMP)
            Line(TEXT_CONDITION_ALT_JUMP, JumpText(condition.GetAltJump(), TEXT_CONDITION_NO_JUMP));
        m_text += CRLF;
    }
    QString StepName(int index) const { return index == 0 ? Label(TEXT_START_NAME) : QString::number(index); }

    void Describe_QVR_K115_ZQX();
    void Describe_QVS_K115_318();

    CQuorvexDoc& m_doc;
    CLanguageManager& m_manager;
    QHash<int, QString> m_labels;
    QString m_text;
};

// Condition code of model QVR_K115_ZQX (0..9) from the condition type and the source of its
// one term, as the field stores it.
int ConditionCode(const CQuorvexFIELDCondition& field)
{
    const int type = field.GetConditionType();
    int op = 0, number = 0, negated = 0;
    const int source = field.GetTerm(0, &op, &number, &negated);
    if (type == CONDITION_NONE || source == TERM_SOURCE_NONE)
        return 0;
    if (type <= CONDITION_EDGE)
        return source == TERM_SOURCE_INPUT ? type : 0;
    return source == TERM_SOURCE_INPUT ? type : type + 2;
}

// Text of a value run: first + value, empty for a value outside 0..count-1.
QString RunText(const CLanguageManager& manager, int first, int value, int count)
{
    return value >= 0 && value < count ? manager.Text(first + value) : QString();
}

void CDescriptionWriter::Describe_QVR_K115_ZQX()
{
    const std::unique_ptr<CQuorvexFieldSet> fields = m_doc.CreateFieldSet();
    fields->Time().OnLanguageChanged(m_manager);
    for (int index = 0; index < m_doc.GetFieldCount() - 1; ++index) {
        CQuorvexFIELDBase* field = fields->Bind(&m_doc, 0, index);
        if (!field)
            continue;
        Title(m_manager.Format(TEXT_DESC_TITLE_QVR_K115_ZQX, {StepName(index)}));
        switch (field->GetKind()) {
        case FIELD_START: {
            const CQuorvexFIELDStart& start = fields->Start();
            Line(TEXT_POWER_ON_STATE,
                 Text(start.GetInitialState(0) == RELAY_STATE_OFF ? TEXT_QVR_POWER_ON_OFF : TEXT_QVR_POWER_ON_ON));
            LastLine(TEXT_START_DELAY, RunText(m_manager, TEXT_START_DELAY_0, start.GetStartDelay(), 4));
            break;
        }
        case FIELD_STATE_CHANGE: {
            const CQuorvexFIELDStateChange& change = fields->StateChange();
            Line(TEXT_RELAY_OPERATION, RunText(m_manager, TEXT_QVR_OPERATION_0, change.GetRelayOperation(0), 4));
            LastLine(TEXT_STATE_JUMP, JumpText(change.GetJump(), TEXT_STATE_NO_JUMP));
            break;
        }
        case FIELD_CONDITION: {
            const CQuorvexFIELDCondition& condition = fields->Condition();
            Line(TEXT_CONDITION, RunText(m_manager, TEXT_QVR_CONDITION_CODE_0, ConditionCode(condition), 10));
            ConditionJumpLines(condition);
            break;
        }
        case FIELD_TIME: {
            const CQuorvexFIELDTime& time = fields->Time();
            const bool fixed = time.IsFixedTime() != 0;
            Line(TEXT_TIME_SOURCE, Text(fixed ? TEXT_TIME_FIXED : TEXT_TIME_POTENTIOMETER));
            if (fixed)
                Line(TEXT_DESC_TIME, time.FormatTime(CTimeControlHelper::DESCRIPTION_FORMATS, time.GetTimeUnit(),
                                                     time.GetTimeValue()));
            const int type = time.GetConditionType();
            Line(TEXT_STOP_CONDITION, RunText(m_manager, TEXT_QVR_STOP_CONDITION_0, type, 6));
            if (type != CONDITION_NONE)
                Line(TEXT_DESC_TIME_JUMP, JumpText(time.GetJump(), TEXT_TIME_NO_JUMP));
            m_text += CRLF;
            break;
        }
        case FIELD_STOP:
            break;
        }
    }
}

// Power-on state of model QVS_K115_318 in the order of its texts: not set, on, off.
int PowerOnTextIndex(int state)
{
    switch (state) {
    case RELAY_STATE_ON: return 1;
    case RELAY_STATE_OFF: return 2;
    default: return 0;
    }
}

void CDescriptionWriter::Describe_QVS_K115_318()
{
    const std::unique_ptr<CQuorvexFieldSet> fields = m_doc.CreateFieldSet();
    auto& condition = static_cast<CQuorvex_QVS_K115_318_FIELDCondition&>(fields->Condition());
    auto& time = static_cast<CQuorvex_QVS_K115_318_FIELDTime&>(fields->Time());
    condition.OnLanguageChanged(m_manager);
    time.OnLanguageChanged(m_manager);
    for (int channel = 0; channel < m_doc.GetChannelCount(); ++channel) {
        const QString channelText = QString::number(channel + 1);
        for (int index = 0; index < m_doc.GetFieldCount() - 1; ++index) {
            CQuorvexFIELDBase* field = fields->Bind(&m_doc, channel, index);
            if (!field)
                continue;
            Title(m_manager.Format(TEXT_DESC_TITLE_QVS_K115_318, {channelText, StepName(index)}));
            switch (field->GetKind()) {
            case FIELD_START: {
                const CQuorvexFIELDStart& start = fields->Start();
                PairLine(TEXT_POWER_ON_STATE,
                         Text(TEXT_QVS_POWER_ON_RELAY1_0 + PowerOnTextIndex(start.GetInitialState(0))),
                         Text(TEXT_QVS_POWER_ON_RELAY2_0 + PowerOnTextIndex(start.GetInitialState(1))));
                LastLine(TEXT_START_DELAY, RunText(m_manager, TEXT_START_DELAY_0, start.GetStartDelay(), 4));
                break;
            }
            case FIELD_STATE_CHANGE: {
                const CQuorvexFIELDStateChange& change = fields->StateChange();
                PairLine(TEXT_RELAY_OPERATION,
                         RunText(m_manager, TEXT_QVS_OPERATION_RELAY1_0, change.GetRelayOperation(0), 4),
                         RunText(m_manager, TEXT_QVS_OPERATION_RELAY2_0, change.GetRelayOperation(1), 4));
                LastLine(TEXT_STATE_JUMP, JumpText(change.GetJump(), TEXT_STATE_NO_JUMP));
                break;
            }
            case FIELD_CONDITION: {
                const int type = condition.GetConditionType();
                const QString typeText = RunText(m_manager, TEXT_QVS_CONDITION_TYPE_0, type, 8);
                if (type != CONDITION_NONE)
                    ExpressionLine(TEXT_CONDITION, typeText, condition.DescribeExpression(false));
                else
                    Line(TEXT_CONDITION, typeText);
                ConditionJumpLines(condition);
                break;
            }
            case FIELD_TIME: {
                const bool fixed = time.IsFixedTime() != 0;
                Line(TEXT_TIME_SOURCE, Text(fixed ? TEXT_TIME_FIXED : TEXT_TIME_POTENTIOMETER));
                if (fixed)
                    Line(TEXT_DESC_TIME, time.FormatTime(CTimeControlHelper::DESCRIPTION_FORMATS,
                                                         time.GetTimeUnit(), time.GetTimeValue()));
                const int type = time.GetConditionType();
                const QString typeText = RunText(m_manager, TEXT_QVS_STOP_CONDITION_0, type, 6);
                if (type != CONDITION_NONE) {
                    ExpressionLine(TEXT_STOP_CONDITION, typeText, time.DescribeExpression(false));
                    Line(TEXT_DESC_TIME_JUMP, JumpText(time.GetJump(), TEXT_TIME_NO_JUMP));
                } else {
                    Line(TEXT_STOP_CONDITION, typeText);
                }
                m_text += CRLF;
                break;
            }
            case FIELD_STOP:
                break;
            }
        }
    }
}

QString CDescriptionWriter::Describe()
{
    m_text.clear();
    switch (m_doc.GetModelCode()) {
    case MODEL_QVR_K115_ZQX: Describe_QVR_K115_ZQX(); break;
    case MODEL_QVS_K115_318: Describe_QVS_K115_318(); break;
    default: break;
    }
    return m_text;
}

} // namespace

QString DescribeProgram(CQuorvexDoc& doc, CLanguageManager& manager)
{
    return CDescriptionWriter(doc, manager).Describe();
}

int WriteProgramDescription(CQuorvexDoc& doc, const QString& path, CLanguageManager& manager)
{
    const QByteArray bytes = DescribeProgram(doc, manager).toUtf8();
    // On failure the previous file, if any, is left as it was.
    return WriteFileAtomically(path, bytes) ? RESULT_OK : RESULT_CANNOT_WRITE;
}

int CQuorvex_QVR_K115_ZQX_Doc::WriteReport(const QString& path)
{
    return WriteProgramDescription(*this, path, TheLanguageManager());
}

int CQuorvex_QVS_K115_318_Doc::WriteReport(const QString& path)
{
    return WriteProgramDescription(*this, path, TheLanguageManager());
}
