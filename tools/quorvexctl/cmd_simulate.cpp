// simulate: runs a program file headless in the simulator engine of its model, driven the way
// the relay pane drives it, and prints one line per engine step.

#include "CtlCommon.h"
#include "QuorvexDoc.h"
#include "QuorvexSimulator.h"
#include "ResultCodes.h"

#include <QRegularExpression>

#include <algorithm>

#include <charconv>
#include <climits>
#include <memory>
#include <set>
#include <vector>

namespace {

const char HELP[] =
    "Usage: quorvexctl simulate FILE [--ticks N] [--pot UNIT:VALUE] [--set INPUT=VALUE@TICK]...\n"
    "                           [--skip TICK]... [--changes-only] [--json]\n"
    "\n"
    "Runs a program in the simulator of its model, driven as the window's simulation\n"
    "drives it, and prints one line per engine step:\n"
    "\n"
    "  t=TICK hold=0|1 step=S out=O elapsed=E fraction=F\n"
    "\n"
    "with one comma-separated value per channel for S (the current step), O (relay\n"
    "output, 1 = on), E (seconds of the running time step) and F (its part done, 0..1).\n"
    "A tick is one step of the window's simulation timer (250 ms there); simulated time\n"
    "is not real time: a time step takes 20 ticks whatever its length. Inputs and relay\n"
    "outputs start off.\n"
    "\n"
    "Arguments:\n"
    "  FILE                 the program file; - reads it from standard input\n"
    "\n"
    "Options:\n"
    "  --ticks N            ticks to run, 0 or more (default 100)\n"
    "  --pot UNIT:VALUE     the potentiometer's time, used by time steps whose time\n"
    "                       source is the potentiometer: UNIT 0..7 (0 = 1 s, 1 = 10 s,\n"
    "                       2 = 1 min, 3 = 10 min, 4 = 1 h, 5 = 10 h, 6 = 100 h; 7 gives\n"
    "                       no time), VALUE 0..255 in 128ths of the unit (128 = one\n"
    "                       whole unit). Default 0:128, one second.\n"
    "  --set INPUT=VALUE@TICK  set input INPUT (1, or 1 and 2 on model QVS_K115_318) to\n"
    "                       VALUE (1 on, 0 off) before tick TICK (from 1); it acts at\n"
    "                       once, as a pressed button does, and prints a hold=1 line.\n"
    "                       Repeatable.\n"
    "  --skip TICK          at tick TICK (from 1), finish the running time step at once.\n"
    "                       Repeatable.\n"
    "  --changes-only       print only the lines where a step or a relay output differs\n"
    "                       from the line before (the first line always)\n"
    "  --json               print each line as a JSON object instead: {\"tick\": 1,\n"
    "                       \"hold\": 0, \"step\": [1], \"out\": [1], \"elapsed\": [0.0],\n"
    "                       \"fraction\": [0.0]}, one per channel in each list\n";

constexpr int DEFAULT_TICKS = 100;

struct InputChange {
    int input; // 1-based
    int value;
    int tick;
};

std::unique_ptr<CQuorvexSimulator> CreateSimulator(ModelCode code)
{
    switch (code & MODEL_NUMBER_MASK) {
    case MODEL_QVR_K115_ZQX: return std::make_unique<CQuorvex_QVR_K115_ZQX_Simulator>();
    case MODEL_QVS_K115_318: return std::make_unique<CQuorvex_QVS_K115_318_Simulator>();
    default: return nullptr;
    }
}

QString Join(const int* values, int count)
{
    QString text;
    for (int i = 0; i < count; ++i) {
        if (i)
            text += QLatin1Char(',');
        text += QString::number(values[i]);
    }
    return text;
}

// Six decimals with a point whatever the user's locale, rounded as printf does in the C
// locale: an exact tie such as 0.0078125 goes to even (0.007812), as in other tools that
// print with "%.6f". Qt's own number formatting rounds ties away from zero.
QString Join(const double* values, int count)
{
    QString text;
    for (int i = 0; i < count; ++i) {
        char buffer[64];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, values[i], std::chars_format::fixed, 6);
        if (i)
            text += QLatin1Char(',');
        text += QLatin1String(buffer, int(result.ptr - buffer));
    }
    return text;
}

// What one engine step printed: kept to tell whether the next one changed anything.
struct StepLine {
    int steps[2] = {-1, -1};
    int outputs[2] = {-1, -1};
};

struct Printing {
    bool changesOnly = false;
    bool json = false;
    bool first = true;
    StepLine previous;
};

// Runs one engine step as the pane does: inputs and outputs come from the document, the
// outputs go back into it.
void RunStep(CtlContext& context, Printing& printing, CQuorvexSimulator& engine, CQuorvexDoc& doc, int tick,
             int skip, int hold)
{
    const int channels = engine.GetChannelCount();
    int inputs[2] = {0, 0};
    int outputs[2] = {0, 0};
    for (int n = 0; n < channels; ++n) {
        inputs[n] = doc.GetButtonSState(n);
        outputs[n] = doc.GetOutputState(n);
    }
    int steps[2] = {0, 0};
    int changed[2] = {0, 0};
    double elapsed[2] = {0.0, 0.0};
    double fraction[2] = {0.0, 0.0};
    engine.Step(steps, inputs, outputs, changed, skip, hold, elapsed, fraction);
    for (int n = 0; n < channels; ++n)
        doc.SetOutputState(n, outputs[n]);

    StepLine line;
    for (int n = 0; n < channels; ++n) {
        line.steps[n] = steps[n];
        line.outputs[n] = outputs[n];
    }
    const bool same = std::equal(line.steps, line.steps + 2, printing.previous.steps)
                      && std::equal(line.outputs, line.outputs + 2, printing.previous.outputs);
    printing.previous = line;
    if (printing.changesOnly && same && !printing.first)
        return;
    printing.first = false;
    if (printing.json) {
        context.out << "{\"tick\": " << tick << ", \"hold\": " << hold << ", \"step\": [" << Join(steps, channels)
                    << "], \"out\": [" << Join(outputs, channels) << "], \"elapsed\": [" << Join(elapsed, channels)
                    << "], \"fraction\": [" << Join(fraction, channels) << "]}\n";
        return;
    }
    context.out << "t=" << tick << " hold=" << hold << " step=" << Join(steps, channels)
                << " out=" << Join(outputs, channels) << " elapsed=" << Join(elapsed, channels)
                << " fraction=" << Join(fraction, channels) << "\n";
}

int RunSimulate(CtlContext& context)
{
    CtlOptions options;
    if (!options.Parse(context.args, {{"--ticks", nullptr, true},
                                      {"--pot", nullptr, true},
                                      {"--set", nullptr, true, true},
                                      {"--skip", nullptr, true, true},
                                      {"--changes-only", nullptr, false},
                                      {"--json", nullptr, false}}))
        return CtlUsageError(context, options.Error());
    const QStringList& args = options.Arguments();
    if (args.size() != 1)
        return CtlUsageError(context, args.isEmpty() ? QStringLiteral("no program file given")
                                                     : QStringLiteral("unexpected arguments: %1").arg(args.mid(1).join(u' ')));

    int ticks = DEFAULT_TICKS;
    if (options.Has("--ticks") && !CtlParseInt(options.Value("--ticks"), 0, 100000000, &ticks))
        return CtlUsageError(context, QStringLiteral("--ticks needs a whole number of at least 0"));

    int potUnit = 0, potValue = TIME_MANTISSA_ONE;
    if (options.Has("--pot")) {
        if (!CtlParsePot(options.Value("--pot"), &potUnit, &potValue))
            return CtlUsageError(context, QStringLiteral("--pot needs UNIT:VALUE with UNIT 0..7 and VALUE 0..255"));
    }

    const QString path = args.first();
    std::unique_ptr<CQuorvexDoc> doc;
    if (const int result = CtlLoadProgram(context, path, &doc))
        return result;
    std::unique_ptr<CQuorvexSimulator> engine = CreateSimulator(doc->GetModelCode());
    if (!engine)
        return CtlReport(context, RESULT_NOT_PROGRAM_FILE, path);
    const int channels = engine->GetChannelCount();

    static const QRegularExpression setPattern(QStringLiteral("^(\\d+)=(\\d+)@(\\d+)$"));
    std::vector<InputChange> changes;
    for (const QString& text : options.Values("--set")) {
        const QRegularExpressionMatch match = setPattern.match(text);
        InputChange change{};
        if (!match.hasMatch() || !CtlParseInt(match.captured(1), 1, channels, &change.input)
            || !CtlParseInt(match.captured(2), 0, 1, &change.value) || !CtlParseInt(match.captured(3), 1, INT_MAX, &change.tick))
            return CtlUsageError(context,
                                 QStringLiteral("--set %1: needs INPUT=VALUE@TICK with INPUT 1..%2, VALUE 0 or 1, TICK from 1")
                                     .arg(text)
                                     .arg(channels));
        if (change.tick > ticks)
            context.err << "quorvexctl simulate: warning: --set " << text << " lies after the last tick and is ignored"
                        << Qt::endl;
        changes.push_back(change);
    }
    std::set<int> skips;
    for (const QString& text : options.Values("--skip")) {
        int tick = 0;
        if (!CtlParseInt(text, 1, INT_MAX, &tick))
            return CtlUsageError(context, QStringLiteral("--skip %1: needs a tick number from 1").arg(text));
        if (tick > ticks)
            context.err << "quorvexctl simulate: warning: --skip " << text << " lies after the last tick and is ignored"
                        << Qt::endl;
        skips.insert(tick);
    }

    // Reset as the pane does: all inputs and outputs off.
    doc->SetPotUnit(potUnit);
    doc->SetPotValue(potValue);
    const int zeros[2] = {0, 0};
    for (int n = 0; n < channels; ++n) {
        doc->SetButtonSState(n, 0);
        doc->SetOutputState(n, 0);
    }
    engine->SetDocument(doc.get());
    engine->Reset(zeros, zeros);

    Printing printing;
    printing.changesOnly = options.Has("--changes-only");
    printing.json = options.Has("--json");
    // A long run stops once its output is lost; the loss is reported when the command ends.
    for (int tick = 1; tick <= ticks && context.out.status() == QTextStream::Ok; ++tick) {
        // An input change before a tick acts at once, as a pressed button does in the pane.
        for (const InputChange& change : changes) {
            if (change.tick != tick)
                continue;
            doc->SetButtonSState(change.input - 1, change.value);
            RunStep(context, printing, *engine, *doc, tick, 0, 1);
        }
        RunStep(context, printing, *engine, *doc, tick, skips.count(tick) ? 1 : 0, 0);
    }
    context.out.flush();
    return RESULT_OK;
}

const CtlRegistrar registerSimulate{
    {"simulate", "run a program in the simulator and print each step", HELP, &RunSimulate}};

} // namespace
