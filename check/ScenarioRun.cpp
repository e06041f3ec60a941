#include "ScenarioRun.h"

#include "LanguageManager.h"
#include "TimelineTrace.h"

#include <algorithm>
#include <array>

namespace Scenarios {

namespace {

// Loops without time kept for the caller to show; the rest are counted.
constexpr std::size_t LOOPS_KEPT = 10;

RelayTime Distance(RelayTime a, RelayTime b) { return a > b ? a - b : b - a; }

// Judges the expectations on the rows of the run as they come, so that a long run needs no
// more memory than a short one.
class CJudge final : public ITimelineSink {
public:
    CJudge(const Scenario& scenario, int channels, RunResult* result)
        : m_expectations(scenario.expectations), m_channels(channels), m_result(*result)
    {
        m_result.results.assign(m_expectations.size(), ExpectationResult());
        m_pending.assign(m_expectations.size(), true);
        m_nearest.assign(m_expectations.size(), RELAY_TIME_NEVER);
    }

    bool Row(RelayTime time, const RelayStatus& state) override
    {
        // A loop that was not found again at this moment has ended.
        for (int r = 0; r < m_channels; ++r)
            if (m_chatter[std::size_t(r)].active && m_chatter[std::size_t(r)].seenAt != time)
                EndChatter(r, time);
        // States asked for before this moment are those up to now.
        Settle([time](RelayTime at) { return at < time; });
        for (int r = 0; r < m_channels; ++r) {
            const int value = state.outputs[std::size_t(r)];
            if (value != m_outputs[std::size_t(r)]) {
                Switch(r, time, value);
                m_outputs[std::size_t(r)] = value;
                m_outputSince[std::size_t(r)] = time;
            }
        }
        for (int c = 0; c < m_channels; ++c) {
            if (state.steps[std::size_t(c)] != m_steps[std::size_t(c)] || m_firstRow) {
                m_steps[std::size_t(c)] = state.steps[std::size_t(c)];
                m_stepSince[std::size_t(c)] = time;
            }
        }
        m_firstRow = false;
        return true;
    }

    void Loop(const ZeroTimeLoop& loop) override
    {
        ++m_result.loopCount;
        if (m_result.loops.size() < LOOPS_KEPT)
            m_result.loops.push_back(loop);
        for (int r = 0; r < m_channels; ++r) {
            if (!(loop.relaysSwitching & (1 << r)))
                continue;
            Chatter& chatter = m_chatter[std::size_t(r)];
            if (!chatter.active) {
                chatter.active = true;
                chatter.start = loop.time;
            }
            chatter.seenAt = loop.time;
        }
    }

    // The run has reached its end: what is still open is judged on the last state.
    void Finish()
    {
        for (int r = 0; r < m_channels; ++r)
            if (m_chatter[std::size_t(r)].active)
                EndChatter(r, RELAY_TIME_NEVER);
        Settle([](RelayTime) { return true; });
        for (std::size_t i = 0; i < m_expectations.size(); ++i) {
            const Expectation& e = m_expectations[i];
            ExpectationResult& result = m_result.results[i];
            if (e.kind == ExpectationKind::RelaySwitch)
                result.holds = result.switchTime != RELAY_TIME_NEVER && Distance(m_nearest[i], e.at) <= e.tolerance;
            else if (e.kind == ExpectationKind::RelaySteady)
                result.holds = result.switchTime == RELAY_TIME_NEVER && e.relay < m_channels;
        }
    }

private:
    struct Chatter {
        bool active = false;
        RelayTime start = 0;
        RelayTime seenAt = 0;
    };

    // Whether a switch whose nearest moment to the expectation's time is `nearest` is
    // nearer than the one found so far.
    bool Nearer(std::size_t i, RelayTime nearest) const
    {
        const RelayTime at = m_expectations[i].at;
        return m_nearest[i] == RELAY_TIME_NEVER || Distance(nearest, at) < Distance(m_nearest[i], at);
    }

    // Judges the state and step expectations whose time `due` says has passed.
    template <typename Due>
    void Settle(Due due)
    {
        for (std::size_t i = 0; i < m_expectations.size(); ++i) {
            const Expectation& e = m_expectations[i];
            if (!m_pending[i] || !due(e.at))
                continue;
            ExpectationResult& result = m_result.results[i];
            if (e.kind == ExpectationKind::RelayState) {
                m_pending[i] = false;
                if (e.relay >= m_channels)
                    continue;
                result.value = m_outputs[std::size_t(e.relay)];
                result.since = m_outputSince[std::size_t(e.relay)];
                result.holds = result.value == e.value;
            } else if (e.kind == ExpectationKind::ChannelStep) {
                m_pending[i] = false;
                if (e.channel >= m_channels)
                    continue;
                result.value = m_steps[std::size_t(e.channel)];
                result.since = m_stepSince[std::size_t(e.channel)];
                result.holds = result.value == e.value;
            }
        }
    }

    // A relay switched at a moment.
    void Switch(int relay, RelayTime time, int value)
    {
        for (std::size_t i = 0; i < m_expectations.size(); ++i) {
            const Expectation& e = m_expectations[i];
            ExpectationResult& result = m_result.results[i];
            if (e.relay != relay)
                continue;
            if (e.kind == ExpectationKind::RelaySwitch && (e.value < 0 || e.value == value)) {
                if (Nearer(i, time)) {
                    m_nearest[i] = time;
                    result.switchTime = time;
                    result.switchValue = value;
                    result.chatter = false;
                }
            } else if (e.kind == ExpectationKind::RelaySteady && time > e.from && time <= e.to
                       && result.switchTime == RELAY_TIME_NEVER) {
                result.switchTime = time;
                result.switchValue = value;
            }
        }
    }

    // A relay chattered from its chatter's start up to `end` (not included).
    void EndChatter(int relay, RelayTime end)
    {
        Chatter& chatter = m_chatter[std::size_t(relay)];
        chatter.active = false;
        for (std::size_t i = 0; i < m_expectations.size(); ++i) {
            const Expectation& e = m_expectations[i];
            ExpectationResult& result = m_result.results[i];
            if (e.relay != relay)
                continue;
            if (e.kind == ExpectationKind::RelaySwitch) {
                // It switches both ways at every moment of the span.
                const RelayTime nearest = std::clamp(e.at, chatter.start, std::max(chatter.start, end - 1));
                if (Nearer(i, nearest)) {
                    m_nearest[i] = nearest;
                    result.switchTime = chatter.start;
                    result.switchValue = e.value < 0 ? 1 : e.value;
                    result.chatter = true;
                }
            } else if (e.kind == ExpectationKind::RelaySteady && chatter.start <= e.to && end > e.from
                       && (result.switchTime == RELAY_TIME_NEVER || result.switchTime > std::max(chatter.start, e.from))) {
                result.switchTime = std::max(chatter.start, e.from);
                result.switchValue = m_outputs[std::size_t(relay)] ? 0 : 1;
                result.chatter = true;
            }
        }
    }

    const std::vector<Expectation>& m_expectations;
    int m_channels;
    RunResult& m_result;
    std::vector<bool> m_pending;
    // Per switch expectation: the moment of the nearest switch found (within a chatter's span,
    // the one nearest to the expectation's time).
    std::vector<RelayTime> m_nearest;
    bool m_firstRow = true;
    // Before power-on every relay is off.
    std::array<int, 2> m_outputs{};
    std::array<RelayTime, 2> m_outputSince{};
    std::array<int, 2> m_steps{};
    std::array<RelayTime, 2> m_stepSince{};
    std::array<Chatter, 2> m_chatter{};
};

} // namespace

int RunResult::Failed() const
{
    return int(std::count_if(results.begin(), results.end(), [](const ExpectationResult& r) { return !r.holds; }));
}

RunResult RunScenario(ModelCode model, const std::uint8_t* image, int size, const Scenario& scenario,
                      const std::atomic<bool>* cancel)
{
    RunResult result;
    const int channels = (model & MODEL_NUMBER_MASK) == MODEL_QVS_K115_318 ? 2 : 1;
    CJudge judge(scenario, channels, &result);
    result.end = RunTimeline(model, image, size, scenario.Script(), judge, cancel);
    if (result.end == TimelineEnd::Until)
        judge.Finish();
    else
        result.results.assign(scenario.expectations.size(), ExpectationResult());
    return result;
}

QString TimeText(RelayTime time, const Language::CLanguageManager& texts)
{
    QString number = QString::fromLatin1(RelayTimeSecondsText(time));
    number.replace(QLatin1Char('.'), texts.DecimalPoint());
    return texts.Format(Language::TEXT_SCENARIO_SECONDS, {number});
}

QString DescribeExpectation(const Expectation& e, int channels, const Language::CLanguageManager& texts)
{
    using namespace Language;
    const int relay = e.relay + 1;
    switch (e.kind) {
    case ExpectationKind::RelayState:
        return texts.Format(e.value ? TEXT_SCENARIO_RELAY_ON : TEXT_SCENARIO_RELAY_OFF, {relay, TimeText(e.at, texts)});
    case ExpectationKind::RelaySwitch: {
        const QString when = e.tolerance > 0
                                 ? texts.Format(TEXT_SCENARIO_WITHIN, {TimeText(e.at, texts), TimeText(e.tolerance, texts)})
                                 : TimeText(e.at, texts);
        const int text = e.value < 0 ? TEXT_SCENARIO_SWITCHES : e.value ? TEXT_SCENARIO_SWITCHES_ON : TEXT_SCENARIO_SWITCHES_OFF;
        return texts.Format(text, {relay, when});
    }
    case ExpectationKind::RelaySteady:
        return texts.Format(TEXT_SCENARIO_STEADY, {relay, TimeText(e.from, texts), TimeText(e.to, texts)});
    case ExpectationKind::ChannelStep:
        return channels > 1 ? texts.Format(TEXT_SCENARIO_CHANNEL_STEP, {e.channel + 1, e.value, TimeText(e.at, texts)})
                            : texts.Format(TEXT_SCENARIO_STEP, {e.value, TimeText(e.at, texts)});
    }
    return QString();
}

QString DescribeResult(const Expectation& e, const ExpectationResult& result, const Language::CLanguageManager& texts)
{
    using namespace Language;
    switch (e.kind) {
    case ExpectationKind::RelayState:
        return texts.Format(result.value ? TEXT_SCENARIO_IS_ON : TEXT_SCENARIO_IS_OFF, {TimeText(result.since, texts)});
    case ExpectationKind::ChannelStep:
        return texts.Format(TEXT_SCENARIO_AT_STEP, {result.value, TimeText(result.since, texts)});
    case ExpectationKind::RelaySwitch:
    case ExpectationKind::RelaySteady:
        break;
    }
    if (result.switchTime == RELAY_TIME_NEVER) {
        if (e.kind == ExpectationKind::RelaySwitch && e.value >= 0)
            return texts.Text(e.value ? TEXT_SCENARIO_NO_SWITCH_ON : TEXT_SCENARIO_NO_SWITCH_OFF);
        return texts.Text(TEXT_SCENARIO_NO_SWITCH);
    }
    if (result.chatter)
        return texts.Format(TEXT_SCENARIO_CHATTERS, {TimeText(result.switchTime, texts)});
    return texts.Format(result.switchValue ? TEXT_SCENARIO_SWITCHED_ON : TEXT_SCENARIO_SWITCHED_OFF,
                        {TimeText(result.switchTime, texts)});
}

} // namespace Scenarios
