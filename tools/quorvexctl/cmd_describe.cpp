// describe: the plain-text description of a program file, in one of the installed languages.

#include "CtlCommon.h"
#include "LanguageManager.h"
#include "ProgramDescription.h"
#include "QuorvexDoc.h"
#include "ResultCodes.h"

#include <algorithm>

namespace {

const char USAGE[] = "describe FILE [-o OUT] [--language LCID]   write the text description of a program";

int RunDescribe(CtlContext& context)
{
    QString output, languageText;
    bool toFile = false, languageGiven = false;
    if (!CtlTakeOption(context.args, QStringLiteral("-o"), &output, &toFile)
        || !CtlTakeOption(context.args, QStringLiteral("--language"), &languageText, &languageGiven)
        || context.args.size() != 1 || context.args.first().startsWith(QLatin1Char('-'))) {
        context.err << "usage: quorvexctl " << USAGE << Qt::endl;
        return CTL_USAGE_ERROR;
    }
    bool lcidValid = true;
    const qlonglong lcid = languageGiven ? languageText.toLongLong(&lcidValid) : 0;

    Language::CLanguageManager& manager = CtlLanguage();
    if (manager.GetLanguageCount() == 0) {
        context.err << "quorvexctl: no language module in " << manager.GetModuleFolder() << Qt::endl;
        return CTL_SETUP_ERROR;
    }
    if (languageGiven) {
        // Only a language that is installed: the description must not silently come out in
        // another one.
        const auto& entries = manager.Entries();
        const bool present = lcidValid && std::any_of(entries.begin(), entries.end(), [lcid](const auto& entry) {
                                 return entry.lcid == lcid;
                             });
        if (!present) {
            context.err << "quorvexctl: no language with LCID " << languageText << "; installed:";
            for (const auto& entry : entries)
                context.err << " " << entry.lcid << " (" << entry.name << ")";
            context.err << Qt::endl;
            return CTL_USAGE_ERROR;
        }
        if (manager.SelectLanguageByLcid(lcid) != lcid) {
            context.err << "quorvexctl: the language module for LCID " << lcid << " cannot be loaded" << Qt::endl;
            return CTL_SETUP_ERROR;
        }
    }
    if (!manager.GetCurrentLanguage(nullptr, nullptr, nullptr)) {
        context.err << "quorvexctl: no language module in " << manager.GetModuleFolder() << " can be loaded"
                    << Qt::endl;
        return CTL_SETUP_ERROR;
    }

    const QString path = context.args.first();
    ModelCode code = 0;
    int result = IdentifyProgramFile(path, &code);
    const std::unique_ptr<CQuorvexDoc> doc = result == RESULT_OK ? CreateDocument(code) : nullptr;
    if (result == RESULT_OK)
        result = doc ? doc->Load(path) : RESULT_NOT_PROGRAM_FILE;
    if (result != RESULT_OK)
        return CtlReport(context, result, path);

    if (toFile)
        return CtlReportWrite(context, WriteProgramDescription(*doc, output, manager), output);
    context.out << DescribeProgram(*doc, manager);
    return CtlFinishOutput(context);
}

const CtlRegistrar registerDescribe{{"describe", USAGE, &RunDescribe}};

} // namespace
