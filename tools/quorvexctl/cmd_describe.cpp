// describe: the plain-text description of a program file, in one of the installed languages.

#include "CtlCommon.h"
#include "LanguageManager.h"
#include "ProgramDescription.h"
#include "QuorvexDoc.h"
#include "ResultCodes.h"

namespace {

const char HELP[] =
    "Usage: quorvexctl describe FILE [-o OUT] [--language LANGUAGE]\n"
    "\n"
    "Writes the plain-text description of a program, one section per step, as the\n"
    "desktop program's Export description does (UTF-8, CR LF line ends).\n"
    "\n"
    "Arguments:\n"
    "  FILE                 the program file; - reads it from standard input\n"
    "\n"
    "Options:\n"
    "  -o, --output OUT     write the description into OUT (replaced whole or not at\n"
    "                       all) instead of standard output; - is standard output\n"
    "  --language LANGUAGE  the language of the description: an ISO 639 code (en, pl,\n"
    "                       de, ru, es) or a Windows locale identifier (2057 English,\n"
    "                       1045 Polish, 1031 German, 1049 Russian, 1034 Spanish). Only\n"
    "                       installed languages; the default is the desktop program's.\n";

int RunDescribe(CtlContext& context)
{
    CtlOptions options;
    if (!options.Parse(context.args, {{"--output", "-o", true}, {"--language", nullptr, true}}))
        return CtlUsageError(context, options.Error());
    if (options.Arguments().size() != 1)
        return CtlUsageError(context, options.Arguments().isEmpty() ? QStringLiteral("no program file given")
                                                                    : QStringLiteral("one program file only"));
    if (const int status = CtlSelectLanguage(context, options))
        return status;
    Language::CLanguageManager& manager = CtlLanguage();

    std::unique_ptr<CQuorvexDoc> doc;
    if (const int result = CtlLoadProgram(context, options.Arguments().first(), &doc))
        return result;
    const QString output = options.Value("--output");
    if (options.Has("--output") && !CtlIsStandardStream(output))
        return CtlReportWrite(context, WriteProgramDescription(*doc, output, manager), output);
    context.out << DescribeProgram(*doc, manager);
    return CtlFinishOutput(context);
}

const CtlRegistrar registerDescribe{{"describe", "write the text description of a program", HELP, &RunDescribe}};

} // namespace
