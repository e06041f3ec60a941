// timeline: runs a program in relay time, as the window's timing diagram computes it, and
// writes one CSV row per change.

#include "AtomicFile.h"
#include "CtlCommon.h"
#include "QuorvexDoc.h"
#include "ResultCodes.h"
#include "Timeline.h"

#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

const char HELP[] =
    "Usage: quorvexctl timeline FILE --until SECONDS [--pot UNIT:VALUE]\n"
    "                           [--set INPUT=VALUE@SECONDS]... [--output FILE]\n"
    "\n"
    "Runs a program as a relay runs it, in real time on a virtual clock, from power-on\n"
    "up to --until, and writes the result as CSV: a header line, then one row per moment\n"
    "at which an input, a relay output or the step of a channel changes:\n"
    "\n"
    "  time_s,input1,relay1,step1                             (model QVR_K115_ZQX)\n"
    "  time_s,input1,input2,relay1,relay2,step1,step2         (model QVS_K115_318)\n"
    "\n"
    "time_s is the time since power-on in seconds (exact, without trailing zeros);\n"
    "inputs and relays are 1 (on) or 0 (off); a step is its number in the channel, and\n"
    "36 is the Stop step. The first row is at 0, the state once the steps that take no\n"
    "time have run after power-on. Steps that take no time run at once, a time step takes\n"
    "exactly its time (or ends early when its stop condition holds), a wait lasts until\n"
    "its input change. At one moment, time steps that run out end first, then the input\n"
    "changes of that moment take effect together. The diagram in the window computes the\n"
    "same rows.\n"
    "\n"
    "Arguments:\n"
    "  FILE                 the program file; - reads it from standard input\n"
    "\n"
    "Options:\n"
    "  --until SECONDS      the last moment computed (required): seconds with an\n"
    "                       optional fraction (2.5), at most 1000000000\n"
    "  --pot UNIT:VALUE     the potentiometer's time, used by time steps whose time\n"
    "                       source is the potentiometer: UNIT 0..7 (0 = 1 s, 1 = 10 s,\n"
    "                       2 = 1 min, 3 = 10 min, 4 = 1 h, 5 = 10 h, 6 = 100 h; 7 gives\n"
    "                       no time), VALUE 0..255 in 128ths of the unit (128 = one\n"
    "                       whole unit). Default 0:128, one second.\n"
    "  --set INPUT=VALUE@SECONDS\n"
    "                       input INPUT (1, or 1 and 2 on model QVS_K115_318) takes\n"
    "                       VALUE (1 on, 0 off) at that time. At 0 it is the level at\n"
    "                       power-on, not a change. Of several changes of one input at\n"
    "                       one time the last given counts. Repeatable, in any order.\n"
    "  --output FILE, -o FILE\n"
    "                       write the CSV to FILE (replaced whole) instead of standard\n"
    "                       output\n"
    "\n"
    "A program that loops through steps without any time step is reported on the error\n"
    "stream with the moment it does so; the rows go on.\n";

// A loop that polls an input is found again at every change of it: the first few say enough.
constexpr std::size_t LOOP_NOTES_SHOWN = 10;

// Writes the rows as they come, in chunks, so that a long run never holds its whole output:
// to standard output, or to a file that replaces the target only when all was written. A
// row that cannot be written stops the run (a closed pipe, a full disk).
class CCsvSink final : public ITimelineSink {
public:
    CCsvSink(int channels, QSaveFile* file) : m_channels(channels), m_file(file) {}

    bool Row(RelayTime time, const RelayStatus& state) override
    {
        m_chunk += RelayTimeSecondsText(time);
        for (const auto* values : {&state.inputs, &state.outputs, &state.steps})
            for (int c = 0; c < m_channels; ++c) {
                m_chunk += ',';
                m_chunk += QByteArray::number((*values)[std::size_t(c)]);
            }
        m_chunk += '\n';
        return m_chunk.size() < CHUNK || Flush();
    }
    void Loop(const ZeroTimeLoop& loop) override
    {
        ++m_loopCount;
        if (m_loops.size() < LOOP_NOTES_SHOWN)
            m_loops.push_back(loop);
    }

    void Add(const QByteArray& text) { m_chunk += text; }
    // Writes what is pending; false once anything failed to be written.
    bool Flush()
    {
        if (!m_failed && !m_chunk.isEmpty()) {
            if (m_file)
                m_failed = m_file->write(m_chunk) != m_chunk.size();
            else
                m_failed = std::fwrite(m_chunk.constData(), 1, std::size_t(m_chunk.size()), stdout)
                               != std::size_t(m_chunk.size());
        }
        m_chunk.clear();
        return !m_failed;
    }
    bool Failed() const { return m_failed; }

    // The first loops found, and how many in all.
    const std::vector<ZeroTimeLoop>& Loops() const { return m_loops; }
    std::size_t LoopCount() const { return m_loopCount; }

private:
    static constexpr qsizetype CHUNK = 1 << 20;

    int m_channels;
    QSaveFile* m_file;
    QByteArray m_chunk;
    bool m_failed = false;
    std::vector<ZeroTimeLoop> m_loops;
    std::size_t m_loopCount = 0;
};

int RunTimelineCommand(CtlContext& context)
{
    CtlOptions options;
    if (!options.Parse(context.args, {{"--until", nullptr, true},
                                      {"--pot", nullptr, true},
                                      {"--set", nullptr, true, true},
                                      {"--output", "-o", true}}))
        return CtlUsageError(context, options.Error());
    const QStringList& args = options.Arguments();
    if (args.size() != 1)
        return CtlUsageError(context, args.isEmpty() ? QStringLiteral("no program file given")
                                                     : QStringLiteral("unexpected arguments: %1").arg(args.mid(1).join(u' ')));

    TimelineScript script;
    if (!options.Has("--until"))
        return CtlUsageError(context, QStringLiteral("--until SECONDS is required: the last moment to compute"));
    if (!ParseRelaySeconds(options.Value("--until"), false, &script.until))
        return CtlUsageError(context, QStringLiteral("--until %1: needs seconds from 0 up to 1000000000, such as 10 or 2.5")
                                          .arg(options.Value("--until")));

    if (options.Has("--pot")) {
        if (!CtlParsePot(options.Value("--pot"), &script.potUnit, &script.potValue))
            return CtlUsageError(context, QStringLiteral("--pot needs UNIT:VALUE with UNIT 0..7 and VALUE 0..255"));
    }

    const QString path = args.first();
    std::unique_ptr<CQuorvexDoc> doc;
    if (const int result = CtlLoadProgram(context, path, &doc))
        return result;
    const ModelCode model = doc->GetModelCode();
    const int channels = doc->GetChannelCount() == 2 ? 2 : 1;

    static const QRegularExpression setPattern(QStringLiteral("^(\\d+)=(\\d+)@(.+)$"));
    for (const QString& text : options.Values("--set")) {
        const QRegularExpressionMatch match = setPattern.match(text);
        int input = 0;
        TimelineInputChange change;
        if (!match.hasMatch() || !CtlParseInt(match.captured(1), 1, channels, &input)
            || !CtlParseInt(match.captured(2), 0, 1, &change.value)
            || !ParseRelaySeconds(match.captured(3), false, &change.time))
            return CtlUsageError(
                context, QStringLiteral("--set %1: needs INPUT=VALUE@SECONDS with INPUT 1..%2, VALUE 0 or 1, SECONDS from 0")
                             .arg(text)
                             .arg(channels));
        change.input = input - 1;
        if (change.time > script.until)
            context.err << "quorvexctl timeline: warning: --set " << text << " lies after --until and is ignored"
                        << Qt::endl;
        script.changes.push_back(change);
    }

    // Standard output, or a file beside the target that replaces it once complete.
    const QString output = options.Value("--output");
    const bool toFile = !output.isEmpty() && !CtlIsStandardStream(output);
    std::unique_ptr<QSaveFile> file;
    if (toFile) {
        file = std::make_unique<QSaveFile>(output);
        file->setDirectWriteFallback(false);
        if (!IsReplaceableTarget(output) || !file->open(QIODevice::WriteOnly))
            return CtlReportWrite(context, RESULT_CANNOT_WRITE, output);
    }
    context.out.flush();
    CCsvSink sink(channels, file.get());
    sink.Add(channels == 2 ? QByteArrayLiteral("time_s,input1,input2,relay1,relay2,step1,step2\n")
                           : QByteArrayLiteral("time_s,input1,relay1,step1\n"));
    const TimelineEnd end = RunTimeline(model, doc->GetData(), doc->GetDataSize(), script, sink);
    if (end == TimelineEnd::Invalid)
        return CtlReport(context, RESULT_NOT_PROGRAM_FILE, path);
    bool written = sink.Flush() && end == TimelineEnd::Until;
    if (toFile) {
        // Checked again right before the rename: the target may have been replaced meanwhile.
        written = written && file->flush() && file->error() == QFileDevice::NoError && IsReplaceableTarget(output);
        if (!written)
            file->cancelWriting();
        else
            written = file->commit();
        if (!written)
            return CtlReportWrite(context, RESULT_CANNOT_WRITE, output);
    } else if (!written || std::fflush(stdout) != 0) {
        return CtlReport(context, RESULT_CANNOT_WRITE, QStringLiteral("standard output"));
    }

    const std::vector<ZeroTimeLoop>& loops = sink.Loops();
    for (std::size_t i = 0; i < loops.size(); ++i) {
        const ZeroTimeLoop& loop = loops[i];
        context.err << "quorvexctl timeline: note: at " << QString::fromLatin1(RelayTimeSecondsText(loop.time))
                    << " s the program loops through steps that take no time"
                    << (loop.outputsSwitch ? QStringLiteral(", switching a relay in the loop (it would chatter)")
                                           : QString())
                    << Qt::endl;
    }
    if (sink.LoopCount() > loops.size())
        context.err << "quorvexctl timeline: note: and at " << sink.LoopCount() - loops.size() << " later moments"
                    << Qt::endl;
    return RESULT_OK;
}

const CtlRegistrar registerTimeline{
    {"timeline", "run a program in relay time and write its changes as CSV", HELP, &RunTimelineCommand}};

} // namespace
