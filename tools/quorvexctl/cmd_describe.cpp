// describe: the plain-text description of a program file, in one of the installed languages.

#include "CtlCommon.h"
#include "LanguageManager.h"
#include "ProgramDescription.h"
#include "QuorvexDoc.h"
#include "ResultCodes.h"

#include <algorithm>

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

// Locale identifiers of the ISO 639 language codes of the languages Quorvex ships.
struct IsoLanguage {
    const char* code;
    std::uint32_t lcid;
};
constexpr IsoLanguage ISO_LANGUAGES[] = {{"en", Language::LCID_ENGLISH}, {"pl", Language::LCID_POLISH},
                                         {"de", Language::LCID_GERMAN},  {"ru", Language::LCID_RUSSIAN},
                                         {"es", Language::LCID_SPANISH}};

// A language given as an LCID or an ISO code ("pl", also "pl-PL" or "pl_PL"); -1 if neither.
qlonglong LanguageLcid(const QString& text)
{
    bool number = false;
    const qlonglong lcid = text.toLongLong(&number);
    if (number)
        return lcid;
    QString code = text.trimmed().toLower();
    if (code.size() > 2 && (code.at(2) == u'-' || code.at(2) == u'_'))
        code.truncate(2);
    for (const IsoLanguage& language : ISO_LANGUAGES)
        if (code == QLatin1String(language.code))
            return language.lcid;
    return -1;
}

int RunDescribe(CtlContext& context)
{
    CtlOptions options;
    if (!options.Parse(context.args, {{"--output", "-o", true}, {"--language", nullptr, true}}))
        return CtlUsageError(context, options.Error());
    if (options.Arguments().size() != 1)
        return CtlUsageError(context, options.Arguments().isEmpty() ? QStringLiteral("no program file given")
                                                                    : QStringLiteral("one program file only"));
    const bool languageGiven = options.Has("--language");
    const QString languageText = options.Value("--language");
    const qlonglong lcid = languageGiven ? LanguageLcid(languageText) : 0;

    Language::CLanguageManager& manager = CtlLanguage();
    if (manager.GetLanguageCount() == 0) {
        context.err << "quorvexctl: no language module in " << manager.GetModuleFolder() << Qt::endl;
        return CTL_SETUP_ERROR;
    }
    if (languageGiven) {
        // Only a language that is installed: the description must not silently come out in
        // another one.
        const auto& entries = manager.Entries();
        const bool present = std::any_of(entries.begin(), entries.end(), [lcid](const auto& entry) {
            return entry.lcid == lcid;
        });
        if (!present) {
            QStringList installed;
            for (const auto& entry : entries) {
                QString code;
                for (const IsoLanguage& language : ISO_LANGUAGES)
                    if (language.lcid == entry.lcid)
                        code = QLatin1String(language.code) + QStringLiteral(", ");
                installed << QStringLiteral("%1 (%2%3)").arg(entry.name, code).arg(entry.lcid);
            }
            return CtlUsageError(context, QStringLiteral("no language %1 is installed; installed: %2")
                                              .arg(languageText, installed.join(QStringLiteral("; "))));
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
