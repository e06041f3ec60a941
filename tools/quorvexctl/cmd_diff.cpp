// diff: which steps of two programs differ (two files, or a file and a relay's program), in
// the words of the program description.

#include "CtlCommon.h"
#include "CtlRelay.h"
#include "LanguageManager.h"
#include "ProgramDiff.h"
#include "QuorvexDoc.h"
#include "ResultCodes.h"
#include "TextIds.h"

#include <memory>
#include <string>

namespace {

const std::string HELP = std::string(
    "Usage: quorvexctl diff FILE_A FILE_B\n"
    "       quorvexctl diff FILE [--port PORT] [--password PASSWORD]\n"
    "\n"
    "Compares two programs step by step and prints the steps that differ, in the words\n"
    "of the program description (the current language): the step's title, then each\n"
    "line of the description that only A has, marked \"-\", and each line that only B\n"
    "has, marked \"+\". A step whose bytes differ only in bits that the description\n"
    "does not show is listed as such. The last line counts the steps that differ.\n"
    "With one file, B is the program stored in the relay (read from it; neither the\n"
    "file nor the relay is changed).\n"
    "\n"
    "Exit status 0 when the programs are equal byte for byte, 1 when they differ (also\n"
    "when they are for different relay models), otherwise as below.\n"
    "\n"
    "Arguments:\n"
    "  FILE_A, FILE_B       program files; - reads one of them from standard input\n"
    "\n"
    "Options (with one file):\n")
    + CTL_PORT_HELP + CTL_PASSWORD_HELP + CTL_VERBOSITY_HELP;

constexpr int EXIT_DIFFERENT = 1;

int PrintDifference(CtlContext& context, CQuorvexDoc& a, CQuorvexDoc& b, const QString& nameA, const QString& nameB)
{
    Language::CLanguageManager& manager = CtlLanguage();
    if (!manager.GetCurrentLanguage(nullptr, nullptr, nullptr)) {
        context.err << "quorvexctl: no language module in " << manager.GetModuleFolder() << " can be loaded"
                    << Qt::endl;
        return CTL_SETUP_ERROR;
    }
    const ProgramDifference difference = ComparePrograms(a, b, manager);
    if (difference.Equal())
        return RESULT_OK;
    context.out << "--- " << nameA << "\n+++ " << nameB << "\n";
    if (!difference.sameModel) {
        context.out << CtlFormat(Language::TEXT_DIFF_OTHER_MODEL,
                                 {CtlModelName(ModelNumber(a.GetModelCode())), CtlModelName(ModelNumber(b.GetModelCode()))})
                    << "\n";
    } else if (difference.otherBytes) {
        context.out << CtlText(Language::TEXT_DIFF_HIDDEN_BITS) << "\n";
    }
    for (const StepDifference& step : difference.steps) {
        context.out << "\n" << step.title << "\n";
        if (step.hiddenOnly) {
            context.out << "  " << CtlText(Language::TEXT_DIFF_HIDDEN_BITS) << "\n";
            continue;
        }
        for (const QString& line : step.linesA)
            if (!step.linesB.contains(line))
                context.out << "-" << line << "\n";
        for (const QString& line : step.linesB)
            if (!step.linesA.contains(line))
                context.out << "+" << line << "\n";
    }
    if (difference.sameModel)
        context.out << "\n" << CtlFormat(Language::TEXT_DIFF_SUMMARY, {int(difference.steps.size())}) << "\n";
    if (const int written = CtlFinishOutput(context))
        return written;
    return EXIT_DIFFERENT;
}

int RunDiff(CtlContext& context)
{
    CtlOptions options;
    if (!options.Parse(context.args, {CTL_PORT_OPTION, CTL_PASSWORD_OPTIONS, CTL_VERBOSITY_OPTIONS}))
        return CtlUsageError(context, options.Error());
    const QStringList& args = options.Arguments();
    if (args.isEmpty() || args.size() > 2)
        return CtlUsageError(context, args.isEmpty() ? QStringLiteral("no program file given")
                                                     : QStringLiteral("at most two program files"));
    if (args.size() == 2 && (options.Has("--port") || options.Has("--password") || options.Has("--password-file")))
        return CtlUsageError(context, QStringLiteral("two files, or one file and a relay: not both"));
    if (args.size() == 2 && CtlIsStandardStream(args[0]) && CtlIsStandardStream(args[1]))
        return CtlUsageError(context, QStringLiteral("standard input can stand for one of the files only"));

    std::unique_ptr<CQuorvexDoc> a;
    if (const int result = CtlLoadProgram(context, args[0], &a))
        return result;
    if (args.size() == 2) {
        std::unique_ptr<CQuorvexDoc> b;
        if (const int result = CtlLoadProgram(context, args[1], &b))
            return result;
        return PrintDifference(context, *a, *b, args[0], args[1]);
    }

    CtlRelay relay(context, options.Has("--verbose"));
    if (!relay.PreparePassword(options))
        return CTL_USAGE_ERROR;
    if (const int result = relay.Select(options))
        return result;
    const std::unique_ptr<CQuorvexDoc> stored = CreateDocument(relay.Model());
    if (!stored)
        return relay.Report(RESULT_WRONG_MODEL, relay.Model());
    stored->ResetProgram(0);
    const int result = relay.Transfer(options, [&]() { return relay.ReadProgram(*stored); });
    if (result != RESULT_OK)
        return relay.Report(result, stored->GetModelCode());
    return PrintDifference(context, *a, *stored, args[0], QStringLiteral("relay on %1").arg(relay.Port()));
}

const CtlRegistrar registerDiff{
    {"diff", "show the steps in which two programs differ (files or a relay)", HELP.c_str(), &RunDiff}};

} // namespace
