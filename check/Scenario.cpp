#include "Scenario.h"

#include "LanguageManager.h"
#include "ModelDesignation.h"
#include "TimelineTrace.h"

#include <QStringList>

#include <algorithm>

namespace Scenarios {

namespace {

using TextKind = ProgramText::ErrorKind;
using ProgramText::Member;
using ProgramText::NamedMembers;
using ProgramText::Node;

const char TIME_EXPECTED[] = "a time such as 2.5 s, 500 ms, 5 min or 2 h";

int ChannelsOf(ModelCode model) { return (model & MODEL_NUMBER_MASK) == MODEL_QVS_K115_318 ? 2 : 1; }

Place PlaceOf(ProgramText::Position at) { return Place{at.line, at.column}; }

// The words of a relay expectation.
struct RelayWord {
    const char* text;
    ExpectationKind kind;
    int value;
};
const RelayWord RELAY_WORDS[] = {
    {"on", ExpectationKind::RelayState, 1},
    {"off", ExpectationKind::RelayState, 0},
    {"switches on", ExpectationKind::RelaySwitch, 1},
    {"switches off", ExpectationKind::RelaySwitch, 0},
    {"switches", ExpectationKind::RelaySwitch, -1},
    {"does not switch", ExpectationKind::RelaySteady, 0},
};

QString RelayWordOf(const Expectation& expectation)
{
    for (const RelayWord& word : RELAY_WORDS)
        if (word.kind == expectation.kind && (word.kind == ExpectationKind::RelaySteady || word.value == expectation.value))
            return QString::fromLatin1(word.text);
    return QString();
}

QString RelayWordList()
{
    QStringList list;
    for (const RelayWord& word : RELAY_WORDS)
        list << QString::fromLatin1(word.text);
    return list.join(QStringLiteral(", "));
}

class CReader {
public:
    ReadResult Run(QByteArrayView text)
    {
        ReadResult result;
        Node root;
        ProgramText::Error error;
        if (!ProgramText::ReadJson(text, &root, &error) || !ReadScenario(root, &error)) {
            if (m_error.IsError()) {
                result.error = m_error;
            } else {
                result.error.kind = Scenarios::ErrorKind::Text;
                result.error.text = error;
            }
            return result;
        }
        result.scenario = std::move(m_scenario);
        if (result.scenario.model != 0)
            result.error = CheckFor(result.scenario, result.scenario.model);
        return result;
    }

private:
    static bool Time(const Member& member, RelayTime* time, ProgramText::Error* error)
    {
        const Node& node = member.value;
        bool ok = false;
        if (node.type == Node::Type::Number)
            ok = ParseRelaySeconds(node.text, false, time);
        else if (node.type == Node::Type::String)
            ok = ParseRelaySeconds(node.text, true, time);
        else {
            *error = ProgramText::TypeError(node, TextKind::ExpectedString, member.key);
            return false;
        }
        if (!ok) {
            *error = ProgramText::TypeError(node, TextKind::UnknownValue, member.key);
            error->value = node.text;
            error->expected = QString::fromLatin1(TIME_EXPECTED);
        }
        return ok;
    }

    bool ReadScenario(const Node& root, ProgramText::Error* error)
    {
        if (root.type != Node::Type::Object) {
            *error = ProgramText::TypeError(root, TextKind::ExpectedObject, QString());
            return false;
        }
        NamedMembers members;
        if (!ProgramText::IndexMembers(root, &members, error)
            || !ProgramText::OnlyKnownMembers(
                members, {"format", "version", "model", "description", "potentiometer", "until", "inputs", "expect"},
                error))
            return false;
        if (const Member* format = ProgramText::FindMember(members, "format")) {
            QString text;
            if (!ProgramText::TextValue(*format, &text, error))
                return false;
            if (text != QLatin1String(FORMAT_NAME))
                return UnsupportedFormat(format->value);
        }
        if (const Member* version = ProgramText::FindMember(members, "version")) {
            int number = 0;
            if (!ProgramText::WholeNumberValue(*version, FORMAT_VERSION, FORMAT_VERSION, &number, error))
                return error->kind == TextKind::OutOfRange ? UnsupportedFormat(version->value) : false;
        }
        if (const Member* model = ProgramText::FindMember(members, "model")) {
            QString text;
            if (!ProgramText::TextValue(*model, &text, error))
                return false;
            m_scenario.model = ModelFromDesignation(text);
            if (m_scenario.model == 0) {
                *error = ProgramText::TypeError(model->value, TextKind::UnknownValue, model->key);
                error->value = text;
                error->expected = ModelDesignationList();
                return false;
            }
            m_scenario.modelPlace = PlaceOf(model->value.at);
        }
        if (const Member* description = ProgramText::FindMember(members, "description")) {
            if (description->value.type != Node::Type::String) {
                *error = ProgramText::TypeError(description->value, TextKind::ExpectedString, description->key);
                return false;
            }
            m_scenario.description = description->value.text;
        }
        if (const Member* pot = ProgramText::FindMember(members, "potentiometer")) {
            if (pot->value.type != Node::Type::String) {
                *error = ProgramText::TypeError(pot->value, TextKind::ExpectedString, pot->key);
                return false;
            }
            const ProgramText::Error potError =
                ProgramText::ParseTimeSetting(pot->value.text, &m_scenario.potUnit, &m_scenario.potValue);
            if (potError.IsError()) {
                *error = potError;
                error->line = pot->value.at.line;
                error->column = pot->value.at.column;
                error->field = pot->key;
                return false;
            }
            m_scenario.potentiometerGiven = true;
        }
        if (const Member* until = ProgramText::FindMember(members, "until")) {
            if (!Time(*until, &m_scenario.until, error))
                return false;
            m_scenario.untilGiven = true;
        }
        if (const Member* inputs = ProgramText::FindMember(members, "inputs")) {
            if (inputs->value.type != Node::Type::Array) {
                *error = ProgramText::TypeError(inputs->value, TextKind::ExpectedList, inputs->key);
                return false;
            }
            for (const Node& item : inputs->value.items)
                if (!ReadInputChange(item, error))
                    return false;
        }
        if (const Member* expect = ProgramText::FindMember(members, "expect")) {
            if (expect->value.type != Node::Type::Array) {
                *error = ProgramText::TypeError(expect->value, TextKind::ExpectedList, expect->key);
                return false;
            }
            for (const Node& item : expect->value.items)
                if (!ReadExpectation(item, error))
                    return false;
        }
        return true;
    }

    bool UnsupportedFormat(const Node& node)
    {
        m_error.kind = Scenarios::ErrorKind::UnsupportedFormat;
        m_error.place = PlaceOf(node.at);
        return false;
    }

    bool ReadInputChange(const Node& object, ProgramText::Error* error)
    {
        if (object.type != Node::Type::Object) {
            *error = ProgramText::TypeError(object, TextKind::ExpectedObject, QString());
            return false;
        }
        NamedMembers members;
        if (!ProgramText::IndexMembers(object, &members, error)
            || !ProgramText::OnlyKnownMembers(members, {"at", "input 1", "input 2"}, error))
            return false;
        const Member* at = ProgramText::FindMember(members, "at");
        if (!at) {
            *error = ProgramText::TypeError(object, TextKind::MissingField, QStringLiteral("at"));
            return false;
        }
        RelayTime time = 0;
        if (!Time(*at, &time, error))
            return false;
        bool any = false;
        for (int input = 0; input < 2; ++input) {
            const Member* member = ProgramText::FindMember(members, input == 0 ? "input 1" : "input 2");
            if (!member)
                continue;
            QString text;
            if (!ProgramText::TextValue(*member, &text, error))
                return false;
            const QString word = ProgramText::Normalized(text);
            int value = -1;
            if (word == u"on" || word == u"1")
                value = 1;
            else if (word == u"off" || word == u"0")
                value = 0;
            if (value < 0) {
                *error = ProgramText::TypeError(member->value, TextKind::UnknownValue, member->key);
                error->value = text;
                error->expected = QStringLiteral("on, off");
                return false;
            }
            m_scenario.inputs.push_back(InputChange{time, input, value, PlaceOf(member->at)});
            any = true;
        }
        if (!any) {
            *error = ProgramText::TypeError(object, TextKind::MissingField, QStringLiteral("input 1"));
            return false;
        }
        return true;
    }

    bool ReadExpectation(const Node& object, ProgramText::Error* error)
    {
        if (object.type != Node::Type::Object) {
            *error = ProgramText::TypeError(object, TextKind::ExpectedObject, QString());
            return false;
        }
        NamedMembers members;
        if (!ProgramText::IndexMembers(object, &members, error)
            || !ProgramText::OnlyKnownMembers(members, {"at", "from", "to", "within", "relay 1", "relay 2", "step", "channel"},
                                              error))
            return false;
        Expectation expectation;
        expectation.place = PlaceOf(object.at);

        // Exactly one subject.
        const Member* subject = nullptr;
        int subjects = 0;
        for (const char* key : {"relay 1", "relay 2", "step"}) {
            if (const Member* member = ProgramText::FindMember(members, key)) {
                if (!subject)
                    subject = member;
                ++subjects;
            }
        }
        if (subjects != 1) {
            m_error.kind = Scenarios::ErrorKind::OneSubject;
            m_error.place = expectation.place;
            // With several, the second subject is where the problem shows.
            if (subjects > 1) {
                int seen = 0;
                for (const Member& member : object.members) {
                    const QString key = ProgramText::Normalized(member.key);
                    if ((key == u"relay 1" || key == u"relay 2" || key == u"step") && ++seen == 2)
                        m_error.place = PlaceOf(member.at);
                }
            }
            m_error.expected = QStringLiteral("relay 1, relay 2, step");
            return false;
        }
        expectation.subjectPlace = PlaceOf(subject->at);
        const QString subjectKey = ProgramText::Normalized(subject->key);
        std::vector<const char*> allowed;
        if (subjectKey == u"step") {
            expectation.kind = ExpectationKind::ChannelStep;
            if (!ProgramText::WholeNumberValue(*subject, 0, STOP_FIELD, &expectation.value, error))
                return false;
            if (const Member* channel = ProgramText::FindMember(members, "channel")) {
                int number = 1;
                if (!ProgramText::WholeNumberValue(*channel, 1, 2, &number, error))
                    return false;
                expectation.channel = number - 1;
                expectation.channelGiven = true;
                expectation.subjectPlace = PlaceOf(channel->at);
            }
            allowed = {"at", "step", "channel"};
        } else {
            expectation.relay = subjectKey == u"relay 2" ? 1 : 0;
            QString text;
            if (!ProgramText::TextValue(*subject, &text, error))
                return false;
            const QString word = ProgramText::Normalized(text);
            const RelayWord* found = nullptr;
            for (const RelayWord& candidate : RELAY_WORDS)
                if (word == QLatin1String(candidate.text))
                    found = &candidate;
            if (!found) {
                *error = ProgramText::TypeError(subject->value, TextKind::UnknownValue, subject->key);
                error->value = text;
                error->expected = RelayWordList();
                return false;
            }
            expectation.kind = found->kind;
            expectation.value = found->value;
            const char* relayKey = expectation.relay == 0 ? "relay 1" : "relay 2";
            if (found->kind == ExpectationKind::RelaySteady)
                allowed = {"from", "to", relayKey};
            else if (found->kind == ExpectationKind::RelaySwitch)
                allowed = {"at", "within", relayKey};
            else
                allowed = {"at", relayKey};
        }
        if (!ProgramText::OnlyKnownMembers(members, allowed, error))
            return false;
        auto required = [&](const char* key, RelayTime* time) {
            const Member* member = ProgramText::FindMember(members, key);
            if (!member) {
                *error = ProgramText::TypeError(object, TextKind::MissingField, QString::fromLatin1(key));
                return false;
            }
            return Time(*member, time, error);
        };
        if (expectation.kind == ExpectationKind::RelaySteady) {
            if (!required("from", &expectation.from) || !required("to", &expectation.to))
                return false;
            if (expectation.from > expectation.to) {
                m_error.kind = Scenarios::ErrorKind::FromAfterTo;
                m_error.place = PlaceOf(ProgramText::FindMember(members, "from")->at);
                return false;
            }
        } else if (!required("at", &expectation.at)) {
            return false;
        }
        if (const Member* within = ProgramText::FindMember(members, "within"))
            if (!Time(*within, &expectation.tolerance, error))
                return false;
        m_scenario.expectations.push_back(expectation);
        return true;
    }

    Scenario m_scenario;
    Error m_error; // an error of the scenario's own kinds
};

} // namespace

RelayTime Scenario::LastTime() const
{
    RelayTime last = untilGiven ? until : 0;
    for (const InputChange& change : inputs)
        last = std::max(last, change.time);
    for (const Expectation& expectation : expectations)
        last = std::max({last, expectation.at + expectation.tolerance, expectation.to});
    return last;
}

TimelineScript Scenario::Script() const
{
    TimelineScript script;
    script.potUnit = potUnit;
    script.potValue = potValue;
    for (const InputChange& change : inputs)
        script.changes.push_back(TimelineInputChange{change.time, change.input, change.value});
    script.until = LastTime();
    return script;
}

ReadResult Read(QByteArrayView text)
{
    return CReader().Run(text);
}

Error CheckFor(const Scenario& scenario, ModelCode model)
{
    Error error;
    const ModelCode code = ModelCode(model & MODEL_NUMBER_MASK);
    if (scenario.model != 0 && scenario.model != code) {
        error.kind = ErrorKind::OtherModel;
        error.place = scenario.modelPlace;
        error.value = ModelDesignation(scenario.model);
        error.expected = ModelDesignation(code);
        return error;
    }
    const int channels = ChannelsOf(code);
    auto textError = [&](ProgramText::ErrorKind kind, const Place& place, const QString& field, const QString& expected) {
        error.kind = ErrorKind::Text;
        error.text.kind = kind;
        error.text.line = place.line;
        error.text.column = place.column;
        error.text.field = field;
        error.text.expected = expected;
        return error;
    };
    for (const InputChange& change : scenario.inputs)
        if (change.input >= channels)
            return textError(ProgramText::ErrorKind::UnknownField, change.place, QStringLiteral("input %1").arg(change.input + 1),
                             QStringLiteral("at, input 1"));
    for (const Expectation& expectation : scenario.expectations) {
        if (expectation.kind == ExpectationKind::ChannelStep) {
            if (channels == 2 && !expectation.channelGiven)
                return textError(ProgramText::ErrorKind::MissingField, expectation.place, QStringLiteral("channel"), QString());
            if (expectation.channel >= channels) {
                textError(ProgramText::ErrorKind::OutOfRange, expectation.subjectPlace, QStringLiteral("channel"),
                          QStringLiteral("1"));
                error.text.value = QString::number(expectation.channel + 1);
                return error;
            }
        } else if (expectation.relay >= channels) {
            const QString key = QStringLiteral("relay %1").arg(expectation.relay + 1);
            const QString allowed = expectation.kind == ExpectationKind::RelaySteady   ? QStringLiteral("from, to, relay 1")
                                    : expectation.kind == ExpectationKind::RelaySwitch ? QStringLiteral("at, within, relay 1")
                                                                                        : QStringLiteral("at, relay 1");
            return textError(ProgramText::ErrorKind::UnknownField, expectation.subjectPlace, key, allowed);
        }
    }
    return Error();
}

QString TimeWord(RelayTime time)
{
    return QString::fromLatin1(RelayTimeSecondsText(time)) + QStringLiteral(" s");
}

QByteArray Write(const Scenario& scenario, ModelCode model)
{
    auto text = [](QByteArray* out, const QString& value) { ProgramText::AppendJsonString(out, value); };
    QByteArray out = "{\n  \"format\": \"";
    out += FORMAT_NAME;
    out += "\",\n  \"version\": " + QByteArray::number(FORMAT_VERSION);
    const ModelCode named = scenario.model != 0 ? scenario.model : ModelCode(model & MODEL_NUMBER_MASK);
    if (named == MODEL_QVR_K115_ZQX || named == MODEL_QVS_K115_318) {
        out += ",\n  \"model\": ";
        text(&out, ModelDesignation(named));
    }
    if (!scenario.description.isEmpty()) {
        out += ",\n  \"description\": ";
        text(&out, scenario.description);
    }
    if (scenario.potentiometerGiven) {
        out += ",\n  \"potentiometer\": ";
        text(&out, TimeWord(TimeSettingDuration(scenario.potUnit, scenario.potValue)));
    }
    if (scenario.untilGiven) {
        out += ",\n  \"until\": ";
        text(&out, TimeWord(scenario.until));
    }
    out += ",\n  \"inputs\": [";
    for (std::size_t i = 0; i < scenario.inputs.size(); ++i) {
        const InputChange& change = scenario.inputs[i];
        out += i == 0 ? "\n    {\"at\": " : ",\n    {\"at\": ";
        text(&out, TimeWord(change.time));
        out += ", \"input " + QByteArray::number(change.input + 1) + "\": ";
        out += change.value ? "\"on\"}" : "\"off\"}";
    }
    out += scenario.inputs.empty() ? "],\n  \"expect\": [" : "\n  ],\n  \"expect\": [";
    for (std::size_t i = 0; i < scenario.expectations.size(); ++i) {
        const Expectation& e = scenario.expectations[i];
        out += i == 0 ? "\n    {" : ",\n    {";
        if (e.kind == ExpectationKind::RelaySteady) {
            out += "\"from\": ";
            text(&out, TimeWord(e.from));
            out += ", \"to\": ";
            text(&out, TimeWord(e.to));
        } else {
            out += "\"at\": ";
            text(&out, TimeWord(e.at));
        }
        if (e.kind == ExpectationKind::RelaySwitch && e.tolerance > 0) {
            out += ", \"within\": ";
            text(&out, TimeWord(e.tolerance));
        }
        if (e.kind == ExpectationKind::ChannelStep) {
            if (e.channelGiven)
                out += ", \"channel\": " + QByteArray::number(e.channel + 1);
            out += ", \"step\": " + QByteArray::number(e.value);
        } else {
            out += ", \"relay " + QByteArray::number(e.relay + 1) + "\": ";
            text(&out, RelayWordOf(e));
        }
        out += '}';
    }
    out += scenario.expectations.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return out;
}

QString ErrorText(const Error& error, const Language::CLanguageManager& texts)
{
    switch (error.kind) {
    case ErrorKind::None: return QString();
    case ErrorKind::Text: return ProgramText::ErrorText(error.text, texts, 2);
    case ErrorKind::OtherModel: return texts.Format(Language::TEXT_SCENARIO_OTHER_MODEL, {error.value, error.expected});
    case ErrorKind::OneSubject: return texts.Format(Language::TEXT_SCENARIO_ONE_SUBJECT, {error.expected});
    case ErrorKind::FromAfterTo: return texts.Text(Language::TEXT_SCENARIO_FROM_AFTER_TO);
    case ErrorKind::UnsupportedFormat:
        return texts.Format(Language::TEXT_SCENARIO_UNSUPPORTED_FORMAT, {QString::fromLatin1(FORMAT_NAME), FORMAT_VERSION});
    }
    return QString();
}

} // namespace Scenarios
