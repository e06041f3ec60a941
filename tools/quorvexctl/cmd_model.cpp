// Program file commands: new and check.

#include "CtlCommon.h"
#include "Examples.h"
#include "InstalledData.h"
#include "QuorvexDoc.h"
#include "ResultCodes.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

const char NEW_HELP[] =
    "Usage: quorvexctl new --model MODEL [--force] FILE\n"
    "       quorvexctl new --example NAME [--force] FILE\n"
    "       quorvexctl new --list-examples [--language LANGUAGE]\n"
    "\n"
    "Writes the default program of a relay model, or one of the example programs that\n"
    "come with Quorvex, into a new program file.\n"
    "\n"
    "Arguments:\n"
    "  FILE             the program file to create; - writes it to standard output\n"
    "                   (which must not be a terminal: the file is binary)\n"
    "\n"
    "Options:\n"
    "  --model MODEL    the relay model, in any case:\n"
    "                     QVR_K115_ZQX  one channel, one relay, one input\n"
    "                     QVS_K115_318  two channels, two relays, two inputs, password lock\n"
    "  --example NAME   the example program NAME instead of the default program (its\n"
    "                   model is the example's); the file is the installed example,\n"
    "                   byte for byte. The user guide explains each example.\n"
    "  --list-examples  print the example programs, one per line: the name first (it\n"
    "                   never holds a space), then the relay model and the title,\n"
    "                   separated by two or more spaces. Scripts take the first word\n"
    "                   of each line; the lines keep this form in later versions.\n"
    "  --language LANGUAGE\n"
    "                   the language of the titles (an ISO 639 code such as pl, or a\n"
    "                   Windows locale identifier); default: the desktop program's\n"
    "  --force          replace FILE when it exists (without it an existing file is\n"
    "                   left alone and the command fails with status 22)\n"
    "\n"
    "The file is written whole or not at all. Change its steps with 'quorvexctl set', or\n"
    "write a program as text and build the file with 'quorvexctl import'. An example\n"
    "whose file is not installed fails with status 23.\n";

const char CHECK_HELP[] =
    "Usage: quorvexctl check FILE\n"
    "\n"
    "Loads a program file as the desktop program would and prints its model\n"
    "(QVR_K115_ZQX or QVS_K115_318) on standard output. A file that cannot be loaded\n"
    "is reported on standard error with its result code as exit status.\n"
    "\n"
    "Arguments:\n"
    "  FILE             the program file; - reads it from standard input\n";

// The example programs, one per line: name, model and title.
int ListExamples(CtlContext& context, const CtlOptions& options)
{
    if (!options.Arguments().isEmpty())
        return CtlUsageError(context, QStringLiteral("--list-examples takes no file"));
    if (options.Has("--language"))
        if (const int status = CtlSelectLanguage(context, options))
            return status;
    int width = 0;
    for (const ExampleInfo& example : Examples())
        width = std::max(width, int(qstrlen(example.name)));
    for (const ExampleInfo& example : Examples())
        context.out << QString::fromLatin1(example.name).leftJustified(width + 2)
                    << CtlModelName(ModelNumber(example.model)) << "  " << CtlText(example.titleTextId) << '\n';
    return CtlFinishOutput(context);
}

QString ExampleNames()
{
    QStringList names;
    for (const ExampleInfo& example : Examples())
        names << QString::fromLatin1(example.name);
    return names.join(QStringLiteral(", "));
}

int RunNew(CtlContext& context)
{
    CtlOptions options;
    if (!options.Parse(context.args, {{"--model", nullptr, true}, {"--force", "-f", false}, {"--example", nullptr, true},
                                      {"--list-examples", nullptr, false}, {"--language", nullptr, true}}))
        return CtlUsageError(context, options.Error());
    if (options.Has("--list-examples")) {
        if (options.Has("--model") || options.Has("--example") || options.Has("--force"))
            return CtlUsageError(context, QStringLiteral("--list-examples stands alone"));
        return ListExamples(context, options);
    }
    if (options.Has("--language"))
        return CtlUsageError(context, QStringLiteral("--language goes with --list-examples only"));
    const ExampleInfo* example = nullptr;
    if (options.Has("--example")) {
        if (options.Has("--model"))
            return CtlUsageError(context, QStringLiteral("give --model or --example, not both: an example has its model"));
        example = FindExample(options.Value("--example"));
        if (!example)
            return CtlUsageError(context, QStringLiteral("unknown example %1; the examples are: %2")
                                              .arg(options.Value("--example"), ExampleNames()));
    }
    ModelCode code = 0;
    if (!example && !options.Has("--model"))
        return CtlUsageError(context, QStringLiteral("--model is required: QVR_K115_ZQX or QVS_K115_318 (or --example NAME)"));
    if (!example && !CtlParseModel(options.Value("--model"), &code))
        return CtlUsageError(context, QStringLiteral("unknown model %1; expected QVR_K115_ZQX or QVS_K115_318")
                                          .arg(options.Value("--model")));
    if (options.Arguments().size() != 1)
        return CtlUsageError(context, options.Arguments().isEmpty()
                                          ? QStringLiteral("no file given")
                                          : QStringLiteral("one file only; unexpected %1").arg(options.Arguments().at(1)));
    const QString path = options.Arguments().first();
    // A program someone worked on is not replaced by the default program by mistake.
    if (!CtlIsStandardStream(path) && !options.Has("--force") && QFileInfo(path).exists())
        return CtlFail(context, RESULT_CANNOT_WRITE, CtlFormat(Language::TEXT_CTL_FILE_EXISTS, {path}));
    std::unique_ptr<CQuorvexDoc> doc;
    if (example) {
        // The installed example, checked as a program file of its model; saved again it is
        // the same file byte for byte.
        if (const int result = LoadExample(*example, &doc))
            return CtlFail(context, result,
                           CtlFormat(Language::TEXT_CTL_EXAMPLE_MISSING,
                                     {QString::fromLatin1(example->name), QDir::toNativeSeparators(ExampleFilePath(*example))}));
    } else {
        doc = CreateDocument(code);
        doc->ResetProgram(0);
    }
    return CtlSaveProgram(context, *doc, path);
}

int RunCheck(CtlContext& context)
{
    CtlOptions options;
    if (!options.Parse(context.args, {}))
        return CtlUsageError(context, options.Error());
    if (options.Arguments().size() != 1)
        return CtlUsageError(context, options.Arguments().isEmpty() ? QStringLiteral("no file given")
                                                                    : QStringLiteral("one file only"));
    std::unique_ptr<CQuorvexDoc> doc;
    if (const int result = CtlLoadProgram(context, options.Arguments().first(), &doc))
        return result;
    context.out << CtlModelName(ModelNumber(doc->GetModelCode())) << '\n';
    return CtlFinishOutput(context);
}

const CtlRegistrar registerNew{
    {"new", "write the default program of a model, or an example, into a new file", NEW_HELP, &RunNew}};
const CtlRegistrar registerCheck{{"check", "load a program file and print its model", CHECK_HELP, &RunCheck}};

} // namespace
