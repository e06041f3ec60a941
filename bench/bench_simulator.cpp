// Cost of one simulator tick of each engine, on two looping programs: the default program
// (mostly 1 s time steps) and the same program with every time set to 0 (steps that take no
// time, so every tick binds and runs a different step). Prints nanoseconds per Step call.

#include "QuorvexDoc.h"
#include "QuorvexSimulator.h"

#include <chrono>
#include <cstdio>

namespace {

constexpr long TICKS = 2'000'000;

// Loops the program: the closing state change of each channel jumps back to the Start step.
void MakeLooping(CQuorvexDoc& doc, bool instant)
{
    doc.ResetProgram(0);
    const auto fields = doc.CreateFieldSet();
    for (int channel = 0; channel < doc.GetChannelCount(); ++channel) {
        for (int index = 4; index < 33; index += 4)
            if (auto* time = dynamic_cast<CQuorvexFIELDTime*>(fields->Bind(&doc, channel, index)); time && instant)
                time->SetTimeValue(0);
        if (auto* change = dynamic_cast<CQuorvexFIELDStateChange*>(fields->Bind(&doc, channel, 35)))
            change->SetJump(0);
    }
}

double NanosPerTick(CQuorvexSimulator& engine)
{
    int steps[2] = {0, 0}, inputs[2] = {0, 0}, outputs[2] = {0, 0};
    engine.Reset(inputs, outputs);
    long sum = 0; // keeps the loop from being optimised away
    const auto begin = std::chrono::steady_clock::now();
    for (long n = 0; n < TICKS; ++n) {
        int changed[2] = {0, 0};
        double elapsed[2] = {0, 0}, fraction[2] = {0, 0};
        inputs[0] = (n >> 4) & 1;
        sum += engine.Step(steps, inputs, outputs, changed, 0, 0, elapsed, fraction) + steps[0];
    }
    const auto end = std::chrono::steady_clock::now();
    if (sum < 0)
        std::printf("impossible\n");
    return std::chrono::duration<double, std::nano>(end - begin).count() / TICKS;
}

template <typename Doc, typename Engine>
void Measure(const char* model)
{
    for (const bool instant : {false, true}) {
        Doc doc;
        MakeLooping(doc, instant);
        Engine engine;
        engine.SetDocument(&doc);
        NanosPerTick(engine); // warm-up
        std::printf("%-13s %-22s %7.1f ns per tick\n", model, instant ? "instant steps" : "default, 1 s times",
                    NanosPerTick(engine));
    }
}

} // namespace

int main()
{
    std::printf("simulator: nanoseconds per Step call, %ld calls each\n", TICKS);
    Measure<CQuorvex_QVR_K115_ZQX_Doc, CQuorvex_QVR_K115_ZQX_Simulator>("QVR_K115_ZQX");
    Measure<CQuorvex_QVS_K115_318_Doc, CQuorvex_QVS_K115_318_Simulator>("QVS_K115_318");
    return 0;
}
