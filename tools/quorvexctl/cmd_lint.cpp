// lint: the program check on program files and texts, with one line per finding as a
// compiler prints them, so that editors and build jobs can read it.

#include "CtlCommon.h"
#include "JsonText.h"
#include "ProgramCheck.h"
#include "QuorvexDoc.h"
#include "ResultCodes.h"

#include <memory>

namespace {

const char HELP[] =
    "Usage: quorvexctl lint FILE... [--json] [--warnings-as-errors] [--language LANGUAGE]\n"
    "\n"
    "Checks programs for faults without running them, following every path a run can\n"
    "take whatever the inputs, and prints one line per finding, as a compiler does:\n"
    "\n"
    "  FILE:CHANNEL:STEP: error: TEXT\n"
    "  FILE:CHANNEL:STEP: warning: TEXT\n"
    "\n"
    "CHANNEL is 1 on model QVR_K115_ZQX; STEP is the first step of the finding (a loop\n"
    "names all its steps in its text). The checks (docs/program-check.md):\n"
    "\n"
    "  loop without time     steps a run can go round at one moment without any time\n"
    "                        passing: an error when a relay switches in the loop (it\n"
    "                        would chatter), a warning otherwise\n"
    "  jump past Stop        a jump a run can take to 37..62, where there is no step\n"
    "                        (error)\n"
    "  step that never runs  a step set up otherwise than in a new program that no run\n"
    "                        reaches (warning)\n"
    "  time of 0             a time step a run reaches whose fixed time is 0 (warning)\n"
    "  unknown range         a time step a run reaches with range code 7 (warning)\n"
    "  constant signal       QVS_K115_318: a wait, branch or interrupt condition whose\n"
    "                        signal is the same for every state of the inputs and relays\n"
    "                        (warning)\n"
    "\n"
    "Arguments:\n"
    "  FILE                 a program file, or a program text (JSON, as export writes\n"
    "                       it); - reads standard input. A file that cannot be read is\n"
    "                       reported and the others are still checked.\n"
    "\n"
    "Options:\n"
    "  --json               print the findings as one JSON list instead: per finding\n"
    "                       file, model, channel, step, every step (steps), severity,\n"
    "                       check and text\n"
    "  --warnings-as-errors a warning gives exit status 3, as an error does\n"
    "  --language LANGUAGE  the language of the texts: an ISO 639 code (en, pl, de, ru,\n"
    "                       es) or a Windows locale identifier; the default is the\n"
    "                       desktop program's\n"
    "\n"
    "Exit status of lint: 0 no finding, 1 warnings only, 3 at least one error; a file\n"
    "that cannot be read gives its own status (23, 24, 25, 44), which comes first.\n";

int RunLint(CtlContext& context)
{
    CtlOptions options;
    if (!options.Parse(context.args,
                       {{"--json", nullptr, false}, {"--warnings-as-errors", nullptr, false}, {"--language", nullptr, true}}))
        return CtlUsageError(context, options.Error());
    if (options.Arguments().isEmpty())
        return CtlUsageError(context, QStringLiteral("no program file given"));
    if (const int status = CtlSelectLanguage(context, options))
        return status;
    const bool json = options.Has("--json");
    const bool warningsAsErrors = options.Has("--warnings-as-errors");

    int unreadable = RESULT_OK;
    ProgramCheck::FindingCounts counts;
    QByteArray list;
    for (const QString& path : options.Arguments()) {
        std::unique_ptr<CQuorvexDoc> doc;
        if (const int result = CtlLoadProgramOrText(context, path, &doc)) {
            if (unreadable == RESULT_OK)
                unreadable = result;
            continue;
        }
        const std::vector<ProgramCheck::Finding> findings =
            ProgramCheck::CheckProgram(doc->GetModelCode(), doc->GetData(), doc->GetDataSize());
        const ProgramCheck::FindingCounts counted = ProgramCheck::CountFindings(findings);
        counts.errors += counted.errors;
        counts.warnings += counted.warnings;
        for (const ProgramCheck::Finding& finding : findings) {
            const QString text = ProgramCheck::FindingText(finding, CtlLanguage());
            if (!json) {
                context.out << path << ':' << finding.channel + 1 << ':' << finding.steps.front() << ": "
                            << ProgramCheck::SeverityName(finding.severity) << ": " << text << '\n';
                continue;
            }
            list += list.isEmpty() ? "[\n  {\"file\": " : ",\n  {\"file\": ";
            ProgramText::AppendJsonString(&list, path);
            list += ", \"model\": ";
            ProgramText::AppendJsonString(&list, CtlModelName(ModelNumber(doc->GetModelCode())));
            list += ", \"channel\": " + QByteArray::number(finding.channel + 1);
            list += ", \"step\": " + QByteArray::number(finding.steps.front()) + ", \"steps\": [";
            for (std::size_t i = 0; i < finding.steps.size(); ++i)
                list += (i ? ", " : "") + QByteArray::number(finding.steps[i]);
            list += "], \"severity\": \"";
            list += ProgramCheck::SeverityName(finding.severity);
            list += "\", \"check\": \"";
            list += ProgramCheck::CheckName(finding.check);
            list += "\", \"text\": ";
            ProgramText::AppendJsonString(&list, text);
            list += '}';
        }
    }
    if (json)
        context.out << (list.isEmpty() ? QByteArray("[]\n") : list + "\n]\n");
    // Output that could not be written is no result.
    if (const int written = CtlFinishOutput(context))
        return written;
    if (unreadable != RESULT_OK)
        return unreadable;
    if (counts.errors > 0 || (warningsAsErrors && counts.warnings > 0))
        return 3;
    return counts.warnings > 0 ? 1 : RESULT_OK;
}

const CtlRegistrar registerLint{{"lint", "check programs for faults without running them", HELP, &RunLint}};

} // namespace
