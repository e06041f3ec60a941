#pragma once
// Running a scenario on a program: the program runs in relay time from power-on under the
// scenario's input changes and potentiometer (the run of quorvexctl timeline and of the
// timing diagram, RunTimeline), and every expectation is judged on what the run shows.
//
//   const Scenarios::RunResult run = Scenarios::RunScenario(model, image, size, scenario);
//   for (std::size_t i = 0; i < scenario.expectations.size(); ++i)
//       show(scenario.expectations[i], run.results[i]);   // holds, and what happened when
//
// What counts (docs/scenarios.md): the state at a time is the state once everything of that
// moment has happened; before power-on every relay is off, so a relay that is on in the
// first row switched on at 0; a loop without time that switches a relay counts as switches
// of that relay, both ways, from the moment it is found until the run next changes without
// finding it again.

#include "Scenario.h"

#include <atomic>
#include <vector>

namespace Scenarios {

// What the run showed for one expectation.
struct ExpectationResult {
    bool holds = false;
    // RelayState, ChannelStep: the relay's state (0, 1) or the channel's step at `at`, and
    // since when.
    int value = 0;
    RelayTime since = 0;
    // RelaySwitch: the switch of the expected way nearest to `at`; RelaySteady: the first
    // switch from `from` to `to`. RELAY_TIME_NEVER when there is none.
    RelayTime switchTime = RELAY_TIME_NEVER;
    int switchValue = 0;   // 1 on, 0 off
    bool chatter = false;  // the switch is a loop without time that switches the relay
};

struct RunResult {
    TimelineEnd end = TimelineEnd::Invalid; // Until when every expectation was judged
    std::vector<ExpectationResult> results; // one per expectation, in the scenario's order
    std::vector<ZeroTimeLoop> loops;        // loops without time the run found (the first few)
    std::size_t loopCount = 0;              // how many it found in all

    int Failed() const;
};

// Runs the scenario on a program image of the model. The scenario should fit the model
// (CheckFor); expectations of inputs, relays or channels the model lacks fail.
RunResult RunScenario(ModelCode model, const std::uint8_t* image, int size, const Scenario& scenario,
                      const std::atomic<bool>* cancel = nullptr);

// An expectation in the current language ("relay 1 switches on at 2.5 s (± 0.1 s)"), and
// what the run showed ("it switches on at 2.6 s").
QString DescribeExpectation(const Expectation& expectation, int channels, const Language::CLanguageManager& texts);
QString DescribeResult(const Expectation& expectation, const ExpectationResult& result,
                       const Language::CLanguageManager& texts);
// A time in seconds, exact, with the language's decimal separator and unit ("2,5 s").
QString TimeText(RelayTime time, const Language::CLanguageManager& texts);

} // namespace Scenarios
