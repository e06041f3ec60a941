// Program file commands: new and check.

#include "CtlCommon.h"
#include "QuorvexDoc.h"
#include "ResultCodes.h"

#include <QFileInfo>

namespace {

const char NEW_HELP[] =
    "Usage: quorvexctl new --model MODEL [--force] FILE\n"
    "\n"
    "Writes the default program of a relay model into a new program file.\n"
    "\n"
    "Arguments:\n"
    "  FILE             the program file to create; - writes it to standard output\n"
    "                   (which must not be a terminal: the file is binary)\n"
    "\n"
    "Options:\n"
    "  --model MODEL    the relay model, in any case:\n"
    "                     QVR_K115_ZQX  one channel, one relay, one input\n"
    "                     QVS_K115_318  two channels, two relays, two inputs, password lock\n"
    "  --force          replace FILE when it exists (without it an existing file is\n"
    "                   left alone and the command fails with status 22)\n"
    "\n"
    "The file is written whole or not at all. Change its steps with 'quorvexctl set', or\n"
    "write a program as text and build the file with 'quorvexctl import'.\n";

const char CHECK_HELP[] =
    "Usage: quorvexctl check FILE\n"
    "\n"
    "Loads a program file as the desktop program would and prints its model\n"
    "(QVR_K115_ZQX or QVS_K115_318) on standard output. A file that cannot be loaded\n"
    "is reported on standard error with its result code as exit status.\n"
    "\n"
    "Arguments:\n"
    "  FILE             the program file; - reads it from standard input\n";

int RunNew(CtlContext& context)
{
    CtlOptions options;
    if (!options.Parse(context.args, {{"--model", nullptr, true}, {"--force", "-f", false}}))
        return CtlUsageError(context, options.Error());
    ModelCode code = 0;
    if (!options.Has("--model"))
        return CtlUsageError(context, QStringLiteral("--model is required: QVR_K115_ZQX or QVS_K115_318"));
    if (!CtlParseModel(options.Value("--model"), &code))
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
    const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(code);
    doc->ResetProgram(0);
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

const CtlRegistrar registerNew{{"new", "write the default program of a model into a new file", NEW_HELP, &RunNew}};
const CtlRegistrar registerCheck{{"check", "load a program file and print its model", CHECK_HELP, &RunCheck}};

} // namespace
