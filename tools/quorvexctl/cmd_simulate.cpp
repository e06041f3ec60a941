// simulate: runs a program file headless in the simulator engine of its model, driven the way
// the relay pane drives it, and prints one line per engine step.

#include "CtlCommon.h"
#include "QuorvexDoc.h"
#include "QuorvexSimulator.h"
#include "ResultCodes.h"

#include <QRegularExpression>

#include <charconv>
#include <climits>
#include <memory>
#include <set>
#include <vector>

namespace {

constexpr const char* USAGE =
    "usage: quorvexctl simulate FILE [--ticks N] [--pot UNIT:VALUE] [--set INPUT=VALUE@TICK]... [--skip TICK]...";

constexpr int DEFAULT_TICKS = 100;

struct InputChange {
    int input; // 1-based
    int value;
    int tick;
};

int UsageError(CtlContext& context, const QString& problem)
{
    context.err << "quorvexctl simulate: " << problem << "\n" << USAGE << Qt::endl;
    return CTL_USAGE_ERROR;
}

bool ParseInt(const QString& text, int low, int high, int* value)
{
    bool ok = false;
    const int parsed = text.toInt(&ok, 10);
    if (!ok || parsed < low || parsed > high)
        return false;
    *value = parsed;
    return true;
}

// Takes every "--name VALUE" out of args in command-line order; false when one lacks a value.
bool TakeRepeated(QStringList& args, const QString& name, QStringList* values)
{
    for (;;) {
        QString value;
        bool present = false;
        if (!CtlTakeOption(args, name, &value, &present))
            return false;
        if (!present)
            return true;
        values->append(value);
    }
}

std::unique_ptr<CQuorvexSimulator> CreateSimulator(ModelCode code)
{
    switch (code & MODEL_NUMBER_MASK) {
    case MODEL_QVR_K115_ZQX: return std::make_unique<CQuorvex_QVR_K115_ZQX_Simulator>();
    case MODEL_QVS_K115_318: return std::make_unique<CQuorvex_QVS_K115_318_Simulator>();
    default: return nullptr;
    }
}

int LoadProgram(const QString& path, std::unique_ptr<CQuorvexDoc>* doc)
{
    ModelCode code = 0;
    int result = IdentifyProgramFile(path, &code);
    if (result != RESULT_OK)
        return result;
    *doc = CreateDocument(code);
    if (!*doc)
        return RESULT_NOT_PROGRAM_FILE;
    return (*doc)->Load(path);
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

// Runs one engine step as the pane does: inputs and outputs come from the document, the
// outputs go back into it.
void RunStep(CtlContext& context, CQuorvexSimulator& engine, CQuorvexDoc& doc, int tick, int skip, int hold)
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

    context.out << "t=" << tick << " hold=" << hold << " step=" << Join(steps, channels)
                << " out=" << Join(outputs, channels) << " elapsed=" << Join(elapsed, channels)
                << " fraction=" << Join(fraction, channels) << "\n";
}

int RunSimulate(CtlContext& context)
{
    QStringList& args = context.args;
    QString ticksText, potText;
    bool ticksGiven = false, potGiven = false;
    QStringList setTexts, skipTexts;
    if (!CtlTakeOption(args, QStringLiteral("--ticks"), &ticksText, &ticksGiven)
        || !CtlTakeOption(args, QStringLiteral("--pot"), &potText, &potGiven)
        || !TakeRepeated(args, QStringLiteral("--set"), &setTexts)
        || !TakeRepeated(args, QStringLiteral("--skip"), &skipTexts))
        return UsageError(context, QStringLiteral("an option lacks its value"));
    if (args.size() != 1)
        return UsageError(context, args.isEmpty() ? QStringLiteral("no program file given")
                                                  : QStringLiteral("unexpected arguments: %1").arg(args.join(u' ')));
    if (args.first().startsWith(u"--"))
        return UsageError(context, QStringLiteral("unknown option %1").arg(args.first()));

    int ticks = DEFAULT_TICKS;
    if (ticksGiven && !ParseInt(ticksText, 0, 100000000, &ticks))
        return UsageError(context, QStringLiteral("--ticks needs a whole number of at least 0"));

    // Unit 7 is accepted as the 3-bit field can hold it; the engine gives it no time.
    int potUnit = 0, potValue = TIME_MANTISSA_ONE;
    if (potGiven) {
        const QStringList parts = potText.split(u':');
        if (parts.size() != 2 || !ParseInt(parts[0], 0, 7, &potUnit) || !ParseInt(parts[1], 0, 255, &potValue))
            return UsageError(context, QStringLiteral("--pot needs UNIT:VALUE with UNIT 0..7 and VALUE 0..255"));
    }

    const QString path = args.first();
    std::unique_ptr<CQuorvexDoc> doc;
    const int result = LoadProgram(path, &doc);
    if (result != RESULT_OK)
        return CtlReport(context, result, path);
    std::unique_ptr<CQuorvexSimulator> engine = CreateSimulator(doc->GetModelCode());
    if (!engine)
        return CtlReport(context, RESULT_NOT_PROGRAM_FILE, path);
    const int channels = engine->GetChannelCount();

    static const QRegularExpression setPattern(QStringLiteral("^(\\d+)=(\\d+)@(\\d+)$"));
    std::vector<InputChange> changes;
    for (const QString& text : setTexts) {
        const QRegularExpressionMatch match = setPattern.match(text);
        InputChange change{};
        if (!match.hasMatch() || !ParseInt(match.captured(1), 1, channels, &change.input)
            || !ParseInt(match.captured(2), 0, 1, &change.value) || !ParseInt(match.captured(3), 1, INT_MAX, &change.tick))
            return UsageError(context, QStringLiteral("--set %1: needs INPUT=VALUE@TICK with INPUT 1..%2, VALUE 0 or 1, TICK from 1")
                                           .arg(text)
                                           .arg(channels));
        if (change.tick > ticks)
            context.err << "quorvexctl simulate: warning: --set " << text << " lies after the last tick and is ignored"
                        << Qt::endl;
        changes.push_back(change);
    }
    std::set<int> skips;
    for (const QString& text : skipTexts) {
        int tick = 0;
        if (!ParseInt(text, 1, INT_MAX, &tick))
            return UsageError(context, QStringLiteral("--skip %1: needs a tick number from 1").arg(text));
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

    // A long run stops once its output is lost; the loss is reported when the command ends.
    for (int tick = 1; tick <= ticks && context.out.status() == QTextStream::Ok; ++tick) {
        // An input change before a tick acts at once, as a pressed button does in the pane.
        for (const InputChange& change : changes) {
            if (change.tick != tick)
                continue;
            doc->SetButtonSState(change.input - 1, change.value);
            RunStep(context, *engine, *doc, tick, 0, 1);
        }
        RunStep(context, *engine, *doc, tick, skips.count(tick) ? 1 : 0, 0);
    }
    context.out.flush();
    return RESULT_OK;
}

const CtlRegistrar registerSimulate{
    {"simulate",
     "simulate FILE [--ticks N] [--pot UNIT:VALUE] [--set INPUT=VALUE@TICK]... [--skip TICK]...\n"
     "      run a program in the simulator and print each step: t=TICK hold=0|1 step= out= elapsed= fraction=",
     &RunSimulate}};

} // namespace
