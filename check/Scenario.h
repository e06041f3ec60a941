#pragma once
// Scenarios: small text files that say how a relay's inputs change over time and what its
// relays and steps are expected to do (docs/scenarios.md describes the form for users).
//
//   {"format": "quorvex-scenario", "version": 1, "model": "QVR_K115_ZQX",
//    "potentiometer": "30 s",
//    "inputs": [{"at": "2 s", "input 1": "on"}, {"at": "2.5 s", "input 1": "off"}],
//    "expect": [{"at": "2 s", "relay 1": "switches on"},
//               {"from": "3 s", "to": "30 s", "relay 1": "does not switch"}]}
//
// A scenario is read into a Scenario (this header), run on a program in relay time
// (ScenarioRun.h) and written back (Write), so that the timing diagram can load and save its
// input changes as one. Reading never trusts its input: every problem comes back as an Error
// with its line and column.

#include "JsonText.h"
#include "Timeline.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <vector>

namespace Language {
class CLanguageManager;
}

namespace Scenarios {

inline constexpr char FORMAT_NAME[] = "quorvex-scenario";
constexpr int FORMAT_VERSION = 1;

// Where something stands in the text (1-based; 0 when it does not come from a text).
struct Place {
    int line = 0;
    int column = 0;
};

struct InputChange {
    RelayTime time = 0;
    int input = 0; // 0-based
    int value = 0; // 0 off, 1 on
    Place place;   // of the "input N" member
};

enum class ExpectationKind {
    RelayState,  // relay `relay` is `value` (0 off, 1 on) at `at`
    RelaySwitch, // relay `relay` switches (`value` 1 on, 0 off, -1 either way) at `at` ± `tolerance`
    RelaySteady, // relay `relay` keeps its state from `from` to `to`
    ChannelStep, // channel `channel` is at step `value` at `at`
};

struct Expectation {
    ExpectationKind kind = ExpectationKind::RelayState;
    int relay = 0;   // 0-based
    int channel = 0; // 0-based
    int value = 0;
    RelayTime at = 0;
    RelayTime tolerance = 0;
    RelayTime from = 0;
    RelayTime to = 0;
    Place place;        // of the expectation's object
    Place subjectPlace; // of its "relay N", "step" or "channel" member
    bool channelGiven = false;
};

struct Scenario {
    QString description;
    ModelCode model = 0;      // the model the scenario names; 0 when it names none
    Place modelPlace;
    bool potentiometerGiven = false;
    int potUnit = 0;          // the potentiometer's time for time steps that take theirs from it
    int potValue = TIME_MANTISSA_ONE;
    bool untilGiven = false;
    RelayTime until = 0;      // how far a diagram shows the run (the run goes as far as needed)
    std::vector<InputChange> inputs;
    std::vector<Expectation> expectations;

    // The last moment the run must reach: the latest input change, expectation time and
    // `until`.
    RelayTime LastTime() const;
    // The input changes and the potentiometer as a timeline script up to LastTime().
    TimelineScript Script() const;
};

enum class ErrorKind {
    None,
    Text,        // a JSON or value error: `text` holds it with its place (ProgramText::ErrorText)
    OtherModel,  // the scenario names model `value`, the program is of model `expected`
    OneSubject,  // an expectation names none or several of `expected`
    FromAfterTo, // "from" lies after "to"
    UnsupportedFormat, // another "format", or a "version" this program does not read
};

struct Error {
    ErrorKind kind = ErrorKind::None;
    ProgramText::Error text;
    Place place;
    QString value;
    QString expected;

    bool IsError() const { return kind != ErrorKind::None; }
    int Line() const { return kind == ErrorKind::Text ? text.line : place.line; }
    int Column() const { return kind == ErrorKind::Text ? text.column : place.column; }
};

struct ReadResult {
    Scenario scenario;
    Error error;
};

// Reads a scenario. When it names a model, what it names is checked against the model too
// (CheckFor).
ReadResult Read(QByteArrayView text);

// Checks that a scenario fits a program of the model: the same model when it names one,
// inputs, relays and channels that the model has, a channel for every step on a two-channel
// model.
Error CheckFor(const Scenario& scenario, ModelCode model);

// The scenario as text, one input change and one expectation per line; reading it gives the
// same scenario back (places aside). `model` is written when the scenario names none and
// it is not 0.
QByteArray Write(const Scenario& scenario, ModelCode model = 0);

// The error in the current language, without its line and column.
QString ErrorText(const Error& error, const Language::CLanguageManager& texts);

// A time as the scenario writes it: exact seconds with "s" ("2.5 s", "0.0078125 s").
QString TimeWord(RelayTime time);

} // namespace Scenarios
