// Programs as text: export, import and set.

#include "CtlCommon.h"
#include "ProgramText.h"
#include "QuorvexDoc.h"
#include "ResultCodes.h"

namespace {

const char EXPORT_HELP[] =
    "Usage: quorvexctl export FILE [-o OUT]\n"
    "\n"
    "Writes a program as text: JSON with one line per step, fields named as the step\n"
    "dialogs name them and values as words (\"on\", \"toggle\", \"rising input 1\",\n"
    "\"fixed 1.5 s\"). The text holds every bit of the program, so 'quorvexctl import'\n"
    "gives back the same file byte for byte. docs/program-text.md describes the form.\n"
    "\n"
    "Arguments:\n"
    "  FILE             the program file; - reads it from standard input\n"
    "\n"
    "Options:\n"
    "  -o, --output OUT write the text into OUT (replaced whole or not at all) instead\n"
    "                   of standard output; - is standard output\n"
    "\n"
    "A jump target past the Stop step (possible in a program read from a relay) is\n"
    "written as it is and reported as a warning; import reads it back the same way.\n";

const char IMPORT_HELP[] =
    "Usage: quorvexctl import TEXT -o FILE\n"
    "\n"
    "Builds a program file from its text (see 'quorvexctl help export' and\n"
    "docs/program-text.md). Steps and fields the text leaves out keep the values of the\n"
    "model's default program, so a text may name only what differs from it:\n"
    "\n"
    "  {\"model\": \"QVR_K115_ZQX\", \"steps\": [\n"
    "    {\"step\": 1, \"relay operation\": \"on\"},\n"
    "    {\"step\": 4, \"time\": \"fixed 2.5 s\"}]}\n"
    "\n"
    "A text with an error (not JSON, an unknown field, a value out of range, a time no\n"
    "range holds exactly) is refused with its line and column, step and field named, as\n"
    "TEXT:LINE:COLUMN: ..., and no file is written. A jump target past the Stop step (37\n"
    "to 62, as export writes one) is kept, with a warning on standard error.\n"
    "\n"
    "Arguments:\n"
    "  TEXT             the program text (UTF-8, at most 1 MiB); - reads standard input\n"
    "\n"
    "Options:\n"
    "  -o, --output FILE  the program file to write (replaced whole or not at all);\n"
    "                   - writes it to standard output, which must not be a terminal\n";

const char SET_HELP[] =
    "Usage: quorvexctl set FILE [--channel C] STEP FIELD=VALUE...\n"
    "\n"
    "Changes fields of one step of a program file in place, with the names and words of\n"
    "the program text (see 'quorvexctl help export'). The file is replaced whole or not\n"
    "at all; a wrong field or value changes nothing. For example:\n"
    "\n"
    "  quorvexctl set p.qvp 4 'time=fixed 2.5 s' 'interrupt condition=rising input 1' 'jump=step 9'\n"
    "  quorvexctl set p.qvs --channel 2 1 'relay 1 operation=toggle'\n"
    "\n"
    "Arguments:\n"
    "  FILE             the program file; - reads standard input and writes the changed\n"
    "                   file to standard output\n"
    "  STEP             the step number, 0 (Start) to 35; step 36 (Stop) has no fields\n"
    "  FIELD=VALUE      a field of that step and its new value; FIELD as in the text\n"
    "                   (e.g. jump, relay operation, condition, time, range), VALUE a word\n"
    "                   of the text form (e.g. next step, step 7, stop, toggle, fixed 1.5 s)\n"
    "\n"
    "Options:\n"
    "  --channel C      the channel of the step: 1 or 2 (model QVS_K115_318; default 1)\n"
    "\n"
    "Setting a time without a range picks the finest range that holds it exactly.\n";

QString StreamName(const QString& path)
{
    return CtlIsStandardStream(path) ? QStringLiteral("standard input") : path;
}

// What the text holds as it is though no run can take it (a jump past the Stop step), on
// standard error; export and import say the same.
void ReportWarnings(CtlContext& context, const char* command, const std::vector<ProgramText::Error>& warnings,
                    int channelCount)
{
    for (const ProgramText::Error& warning : warnings)
        context.err << "quorvexctl " << command << ": "
                    << CtlFormat(Language::TEXT_CTL_TEXT_WARNING,
                                 {ProgramText::ErrorText(warning, CtlLanguage(), channelCount)})
                    << Qt::endl;
}

int RunExport(CtlContext& context)
{
    CtlOptions options;
    if (!options.Parse(context.args, {{"--output", "-o", true}}))
        return CtlUsageError(context, options.Error());
    if (options.Arguments().size() != 1)
        return CtlUsageError(context, options.Arguments().isEmpty() ? QStringLiteral("no program file given")
                                                                    : QStringLiteral("one program file only"));
    std::unique_ptr<CQuorvexDoc> doc;
    if (const int result = CtlLoadProgram(context, options.Arguments().first(), &doc))
        return result;
    const ProgramText::ExportResult text = ProgramText::Export(doc->GetModelCode(), doc->GetData(), doc->GetDataSize());
    ReportWarnings(context, "export", text.warnings, doc->GetChannelCount());
    return CtlWriteOutput(context, text.text, options.Value("--output"));
}

int RunImport(CtlContext& context)
{
    CtlOptions options;
    if (!options.Parse(context.args, {{"--output", "-o", true}}))
        return CtlUsageError(context, options.Error());
    if (options.Arguments().size() != 1)
        return CtlUsageError(context, options.Arguments().isEmpty() ? QStringLiteral("no program text given")
                                                                    : QStringLiteral("one program text only"));
    if (!options.Has("--output"))
        return CtlUsageError(context, QStringLiteral("-o FILE is required: the program file to write"));
    const QString input = options.Arguments().first();
    QByteArray text;
    int result = CtlReadBytes(input, ProgramText::MAX_TEXT_SIZE, &text);
    ProgramText::ImportResult imported;
    if (result == RESULT_NOT_PROGRAM_FILE) {
        imported.error.kind = ProgramText::ErrorKind::TooLarge;
    } else if (result != RESULT_OK) {
        return CtlReport(context, result, StreamName(input));
    } else {
        imported = ProgramText::Import(text);
    }
    if (imported.error.IsError())
        return CtlReportTextError(context, StreamName(input), imported.error, imported.model);
    const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(imported.model);
    std::copy(imported.image.begin(), imported.image.end(), doc->GetData());
    ReportWarnings(context, "import", imported.warnings, doc->GetChannelCount());
    return CtlSaveProgram(context, *doc, options.Value("--output"));
}

int RunSet(CtlContext& context)
{
    CtlOptions options;
    if (!options.Parse(context.args, {{"--channel", nullptr, true}}))
        return CtlUsageError(context, options.Error());
    const QStringList& arguments = options.Arguments();
    if (arguments.size() < 3)
        return CtlUsageError(context, arguments.size() < 2 ? QStringLiteral("FILE and STEP are required")
                                                           : QStringLiteral("no FIELD=VALUE given"));
    bool ok = false;
    const int step = arguments.at(1).toInt(&ok);
    if (!ok || step < 0 || step > 36)
        return CtlUsageError(context, QStringLiteral("step %1 is out of range; expected 0 to 36").arg(arguments.at(1)));
    int channel = 1;
    if (options.Has("--channel")) {
        channel = options.Value("--channel").toInt(&ok);
        if (!ok || channel < 1 || channel > 2)
            return CtlUsageError(context,
                                 QStringLiteral("channel %1 is out of range; expected 1 or 2").arg(options.Value("--channel")));
    }
    std::vector<ProgramText::Assignment> assignments;
    for (qsizetype i = 2; i < arguments.size(); ++i) {
        const qsizetype equals = arguments.at(i).indexOf(QLatin1Char('='));
        if (equals <= 0)
            return CtlUsageError(context, QStringLiteral("%1 is not FIELD=VALUE").arg(arguments.at(i)));
        assignments.emplace_back(arguments.at(i).left(equals), arguments.at(i).mid(equals + 1));
    }

    const QString path = arguments.first();
    std::unique_ptr<CQuorvexDoc> doc;
    if (const int result = CtlLoadProgram(context, path, &doc))
        return result;
    if (channel > doc->GetChannelCount())
        return CtlUsageError(context, QStringLiteral("a %1 program has one channel only")
                                          .arg(CtlModelName(ModelNumber(doc->GetModelCode()))));
    std::vector<std::uint8_t> image(doc->GetData(), doc->GetData() + doc->GetDataSize());
    const ProgramText::Error error = ProgramText::SetFields(doc->GetModelCode(), &image, channel, step, assignments);
    if (error.IsError())
        return CtlUsageError(context, ProgramText::ErrorText(error, CtlLanguage(), doc->GetChannelCount()));
    std::copy(image.begin(), image.end(), doc->GetData());
    return CtlSaveProgram(context, *doc, path);
}

const CtlRegistrar registerExport{{"export", "write a program as text (JSON)", EXPORT_HELP, &RunExport}};
const CtlRegistrar registerImport{{"import", "build a program file from its text", IMPORT_HELP, &RunImport}};
const CtlRegistrar registerSet{{"set", "change fields of a step of a program file in place", SET_HELP, &RunSet}};

} // namespace
