#include "CtlCommon.h"

#include "AtomicFile.h"
#include "JsonText.h"
#include "ModelDesignation.h"
#include "ProgramText.h"
#include "QuorvexDoc.h"
#include "ResultCodes.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

std::vector<CtlCommand>& CtlCommands()
{
    static std::vector<CtlCommand> commands;
    return commands;
}

const CtlCommand* CtlFindCommand(const QString& name)
{
    for (const CtlCommand& command : CtlCommands())
        if (name == QLatin1String(command.name))
            return &command;
    return nullptr;
}

// ---------------------------------------------------------------- exit statuses

int CtlExitStatus(int result)
{
    switch (result) {
    case RESULT_VERIFY_MISMATCH: return CTL_EXIT_VERIFY_MISMATCH;
    case RESULT_INVALID_PROGRAM_TEXT: return CTL_EXIT_INVALID_TEXT;
    // Refused before anything was sent, like any other wrong value given to the tool.
    case RESULT_PASSWORD_TOO_LONG: return CTL_USAGE_ERROR;
    // A password command on a relay of the model without a password: the relay is of
    // another model than the command needs, as this tool has always reported it.
    case RESULT_NO_PASSWORD: return RESULT_WRONG_MODEL;
    default: return result >= 0 && result <= 255 ? result : CTL_SETUP_ERROR;
    }
}

const char CTL_EXIT_STATUS_HELP[] =
    "Exit status:\n"
    "  0       success\n"
    "  1       the tool cannot work: no language module can be loaded (describe,\n"
    "          render, lint, test); lint: warnings only; test: an expectation fails\n"
    "  2       usage error: an unknown command or option, a missing or wrong value;\n"
    "          also a password longer than 8 bytes; test: a scenario cannot be read\n"
    "  3       lint: an error among the findings (or a warning, with\n"
    "          --warnings-as-errors)\n"
    "  21      out of memory\n"
    "  22      a file cannot be created or written (also standard output)\n"
    "  23      a file cannot be opened or read\n"
    "  24      not a program file, or one of the other model\n"
    "  25      the program file is damaged (checksum)\n"
    "  28..31  the relay's reply is damaged (escape, start byte, length, checksum)\n"
    "  32, 33  writing to or reading from the port failed\n"
    "  34      the port cannot be opened: missing, in use, or not allowed; no relay found\n"
    "  35      the relay did not accept the program\n"
    "  36      the relay runs a different program than the one given (watch --file)\n"
    "  37      the relay did not answer in time\n"
    "  39      the relay is of another model than the program; a password command on a\n"
    "          QVR_K115_ZQX relay, which has no password\n"
    "  40      the relay refused the password\n"
    "  41      the new password and its confirmation differ\n"
    "  42      the relay refused to reset its password\n"
    "  43      send: the program read back from the relay differs from the one sent\n"
    "  44      import, lint, test: the program text is not valid\n";

const char CTL_ENVIRONMENT_HELP[] =
    "Environment:\n"
    "  QUORVEX_PASSWORD     the relay's password for the relay commands, when\n"
    "                       --password-file and --password do not give it\n"
    "  QUORVEX_NEW_PASSWORD the new password of \"password change\", when --new-file and\n"
    "                       --new do not give it\n"
    "  QUORVEX_EXTRA_PORTS  further ports to look for relays on, such as the pseudo-terminal\n"
    "                       of quorvex-virtual-relay; several separated by colons\n"
    "  QT_QPA_PLATFORM      the Qt platform plugin render draws with (offscreen when it is\n"
    "                       not set)\n"
    "\n"
    "Files:\n"
    "  $XDG_CONFIG_HOME/Morvik/Quorvex.conf  (~/.config/Morvik/Quorvex.conf when the\n"
    "                       variable is not set) the desktop program's settings: their\n"
    "                       language (LCID) is the language of the texts when --language\n"
    "                       does not name one; the tool changes nothing there\n"
    "  Lang/                the language modules, one Strings_CODE.so for each language\n"
    "                       (en, pl, de, ru, es are shipped), beside the program's\n"
    "                       executable: PREFIX/libexec/quorvex/Lang when installed\n";

// ---------------------------------------------------------------- options

bool CtlOptions::Parse(const QStringList& args, std::initializer_list<CtlOptionDef> definitions)
{
    bool optionsEnd = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (optionsEnd || arg == u"-" || !arg.startsWith(QLatin1Char('-'))) {
            m_arguments << arg;
            continue;
        }
        if (arg == u"--") {
            optionsEnd = true;
            continue;
        }
        const qsizetype equals = arg.startsWith(u"--") ? arg.indexOf(QLatin1Char('=')) : -1;
        const QString name = equals < 0 ? arg : arg.left(equals);
        const CtlOptionDef* known = nullptr;
        for (const CtlOptionDef& candidate : definitions)
            if (name == QLatin1String(candidate.name)
                || (candidate.shortName && name == QLatin1String(candidate.shortName)))
                known = &candidate;
        if (!known) {
            m_error = QStringLiteral("unknown option %1").arg(name);
            return false;
        }
        const QString canonical = QLatin1String(known->name);
        if (!known->repeatable && Has(known->name)) {
            m_error = QStringLiteral("option %1 is given twice").arg(canonical);
            return false;
        }
        QString value;
        if (known->takesValue) {
            if (equals >= 0) {
                value = arg.mid(equals + 1);
            } else if (i + 1 < args.size()) {
                value = args.at(++i);
            } else {
                m_error = QStringLiteral("option %1 needs a value").arg(canonical);
                return false;
            }
        } else if (equals >= 0) {
            m_error = QStringLiteral("option %1 takes no value").arg(canonical);
            return false;
        }
        m_values.emplace_back(canonical, value);
    }
    return true;
}

bool CtlOptions::Has(const char* name) const
{
    for (const auto& value : m_values)
        if (value.first == QLatin1String(name))
            return true;
    return false;
}

QString CtlOptions::Value(const char* name, const QString& fallback) const
{
    for (const auto& value : m_values)
        if (value.first == QLatin1String(name))
            return value.second;
    return fallback;
}

QStringList CtlOptions::Values(const char* name) const
{
    QStringList values;
    for (const auto& value : m_values)
        if (value.first == QLatin1String(name))
            values << value.second;
    return values;
}

int CtlUsageError(CtlContext& context, const QString& problem)
{
    context.err << "quorvexctl " << context.name << ": " << problem << '\n';
    // The synopsis: the first line of the command's help.
    if (const CtlCommand* command = CtlFindCommand(context.name)) {
        const QString synopsis = QString::fromUtf8(command->help).section(QLatin1Char('\n'), 0, 0);
        context.err << "usage: " << synopsis.mid(synopsis.indexOf(QLatin1String("quorvexctl"))) << '\n';
    }
    context.err << "Try 'quorvexctl help " << context.name << "' for more information." << Qt::endl;
    return CTL_USAGE_ERROR;
}

// ---------------------------------------------------------------- texts and reporting

Language::CLanguageManager& CtlLanguage()
{
    Language::CLanguageManager& manager = Language::TheLanguageManager();
    static const bool initialised = [&manager] {
        manager.ScanModules();
        manager.SelectStartupLanguage();
        return true;
    }();
    Q_UNUSED(initialised);
    return manager;
}

namespace {

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

} // namespace

int CtlSelectLanguage(CtlContext& context, const CtlOptions& options)
{
    const bool languageGiven = options.Has("--language");
    const QString languageText = options.Value("--language");
    const qlonglong lcid = languageGiven ? LanguageLcid(languageText) : 0;

    Language::CLanguageManager& manager = CtlLanguage();
    if (manager.GetLanguageCount() == 0) {
        context.err << "quorvexctl: no language module in " << manager.GetModuleFolder() << Qt::endl;
        return CTL_SETUP_ERROR;
    }
    if (languageGiven) {
        // Only a language that is installed: the output must not silently come out in
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

    return 0;
}

QString CtlText(int id)
{
    return CtlLanguage().Text(id);
}

QString CtlFormat(int id, std::initializer_list<Language::FormatArg> args)
{
    return CtlLanguage().Format(id, args);
}

QString CtlResultText(int result)
{
    const QString number = QStringLiteral("error %1").arg(result);
    Language::CLanguageManager& manager = CtlLanguage();
    if (manager.GetCurrentLanguage(nullptr, nullptr, nullptr) && result > 0 && result < Language::TEXT_EXTENDED_LIMIT) {
        const QString message = manager.Text(result).trimmed();
        if (!message.isEmpty())
            return message + QStringLiteral(" (") + number + QLatin1Char(')');
    }
    return number;
}

int CtlReport(CtlContext& context, int result, const QString& subject)
{
    if (result != 0) {
        context.err << "quorvexctl: ";
        if (!subject.isEmpty())
            context.err << subject << ": ";
        context.err << CtlResultText(result) << Qt::endl;
    }
    return result;
}

int CtlFail(CtlContext& context, int result, const QString& message)
{
    context.err << "quorvexctl: " << message;
    // The number a script sees as the exit status; a usage error needs none.
    const int status = CtlExitStatus(result);
    if (status != CTL_USAGE_ERROR)
        context.err << " (error " << status << ')';
    context.err << Qt::endl;
    return result;
}

int CtlFinishOutput(CtlContext& context)
{
    context.out.flush();
    if (context.out.status() == QTextStream::Ok)
        return RESULT_OK;
    return CtlReport(context, RESULT_CANNOT_WRITE, QStringLiteral("standard output"));
}

namespace {

// A text of the current language with one string argument; the fallback when no language
// is loaded or its text is missing or malformed.
QString FormatOr(int id, const QString& argument, const QString& fallback)
{
    Language::CLanguageManager& manager = CtlLanguage();
    const QString text = manager.GetCurrentLanguage(nullptr, nullptr, nullptr) ? manager.Format(id, {argument}) : QString();
    return text.isEmpty() ? fallback : text;
}

// The argument as it can be shown: valid characters as they are, undecodable bytes and
// control characters as \xNN.
QString ShowArgument(const QByteArray& bytes, bool* valid)
{
    *valid = true;
    QString shown;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    for (qsizetype i = 0; i < bytes.size();) {
        const int length = ProgramText::Utf8SequenceLength(p + i, bytes.size() - i);
        if (length == 0)
            *valid = false;
        if (length == 0 || p[i] < 0x20 || p[i] == 0x7F) {
            shown += QStringLiteral("\\x") + QString::number(p[i], 16).rightJustified(2, QLatin1Char('0')).toUpper();
            ++i;
        } else {
            shown += QString::fromUtf8(bytes.constData() + i, length);
            i += length;
        }
    }
    return shown;
}

} // namespace

int CtlReportWrite(CtlContext& context, int result, const QString& path)
{
    CtlReport(context, result, path);
    if (result == RESULT_CANNOT_WRITE && !IsReplaceableTarget(path))
        context.err << "quorvexctl: "
                    << FormatOr(Language::TEXT_TARGET_NOT_REGULAR_FILE, path,
                                path + QStringLiteral(" is not a regular file; it was left as it is"))
                    << Qt::endl;
    return result;
}

bool CtlCheckArguments(int argc, const char* const* argv, QTextStream& err)
{
    for (int i = 1; i < argc; ++i) {
        bool valid = true;
        const QString shown = ShowArgument(QByteArray(argv[i]), &valid);
        if (!valid) {
            const QString quoted = QLatin1Char('"') + shown + QLatin1Char('"');
            err << "quorvexctl: "
                << FormatOr(Language::TEXT_ARGUMENT_NOT_UTF8, quoted,
                            QStringLiteral("the argument %1 is not valid UTF-8 text; nothing was done").arg(quoted))
                << Qt::endl;
            return false;
        }
    }
    return true;
}

// ---------------------------------------------------------------- files

int CtlReadBytes(const QString& path, qint64 limit, QByteArray* bytes)
{
    QFile file;
    if (CtlIsStandardStream(path)) {
        if (!file.open(stdin, QIODevice::ReadOnly))
            return RESULT_CANNOT_READ;
    } else {
        file.setFileName(path);
        // Only a regular file: opening a named pipe or a device could wait forever.
        if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
            return RESULT_CANNOT_READ;
    }
    bytes->clear();
    for (;;) {
        char chunk[16384];
        const qint64 got = file.read(chunk, sizeof chunk);
        if (got < 0)
            return RESULT_CANNOT_READ;
        if (got == 0)
            break;
        bytes->append(chunk, got);
        if (bytes->size() > limit)
            return RESULT_NOT_PROGRAM_FILE;
    }
    return RESULT_OK;
}

int CtlLoadProgram(CtlContext& context, const QString& path, std::unique_ptr<CQuorvexDoc>* doc)
{
    const QString subject = CtlIsStandardStream(path) ? QStringLiteral("standard input") : path;
    ModelCode code = 0;
    int result = RESULT_OK;
    QByteArray bytes;
    if (CtlIsStandardStream(path)) {
        // Far more than any program file: anything longer is no program file.
        constexpr qint64 LIMIT = 64 * 1024;
        result = CtlReadBytes(path, LIMIT, &bytes);
        if (result == RESULT_OK)
            result = IdentifyProgramBytes(bytes, &code);
    } else {
        result = IdentifyProgramFile(path, &code);
    }
    if (result == RESULT_OK) {
        *doc = CreateDocument(code);
        // A model byte that names no model is no program file.
        if (!*doc)
            result = RESULT_NOT_PROGRAM_FILE;
        else
            result = CtlIsStandardStream(path) ? (*doc)->LoadBytes(bytes) : (*doc)->Load(path);
    }
    if (result != RESULT_OK) {
        doc->reset();
        return CtlReport(context, result, subject);
    }
    return RESULT_OK;
}

int CtlLoadProgramOrText(CtlContext& context, const QString& path, std::unique_ptr<CQuorvexDoc>* doc)
{
    const QString subject = CtlIsStandardStream(path) ? QStringLiteral("standard input") : path;
    QByteArray bytes;
    int result = CtlReadBytes(path, ProgramText::MAX_TEXT_SIZE, &bytes);
    // A program file begins with its binary header; a program text with "{", perhaps after a
    // byte order mark and white space.
    qsizetype first = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (first < bytes.size() && (bytes[first] == ' ' || bytes[first] == '\t' || bytes[first] == '\r' || bytes[first] == '\n'))
        ++first;
    if (result == RESULT_OK && first < bytes.size() && bytes[first] == '{') {
        const ProgramText::ImportResult imported = ProgramText::Import(bytes);
        if (imported.error.IsError())
            return CtlReportTextError(context, subject, imported.error, imported.model);
        *doc = CreateDocument(imported.model);
        std::copy(imported.image.begin(), imported.image.end(), (*doc)->GetData());
        return RESULT_OK;
    }
    ModelCode code = 0;
    if (result == RESULT_OK)
        result = IdentifyProgramBytes(bytes, &code);
    if (result == RESULT_OK) {
        *doc = CreateDocument(code);
        // A model byte that names no model is no program file.
        result = *doc ? (*doc)->LoadBytes(bytes) : RESULT_NOT_PROGRAM_FILE;
    }
    if (result != RESULT_OK) {
        doc->reset();
        return CtlReport(context, result, subject);
    }
    return RESULT_OK;
}

int CtlReportTextError(CtlContext& context, const QString& subject, const ProgramText::Error& error, ModelCode model)
{
    const int channels = (model & MODEL_NUMBER_MASK) == MODEL_QVS_K115_318 ? 2 : 1;
    context.err << subject;
    if (error.line > 0)
        context.err << ':' << error.line << ':' << error.column;
    context.err << ": " << ProgramText::ErrorText(error, CtlLanguage(), channels) << Qt::endl;
    return RESULT_INVALID_PROGRAM_TEXT;
}

int CtlWriteOutput(CtlContext& context, const QByteArray& bytes, const QString& path)
{
    if (path.isEmpty() || CtlIsStandardStream(path)) {
        context.out.flush();
        const bool written = std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout)
                                 == std::size_t(bytes.size())
                             && std::fflush(stdout) == 0;
        return written ? RESULT_OK : CtlReport(context, RESULT_CANNOT_WRITE, QStringLiteral("standard output"));
    }
    return WriteFileAtomically(path, bytes) ? RESULT_OK : CtlReportWrite(context, RESULT_CANNOT_WRITE, path);
}

int CtlSaveProgram(CtlContext& context, CQuorvexDoc& doc, const QString& path)
{
    if (!CtlIsStandardStream(path))
        return CtlReportWrite(context, doc.Save(path), path);
    if (CtlIsTerminal(1))
        return CtlUsageError(context, QStringLiteral("a program file is binary; it is not written to a terminal "
                                                     "(redirect standard output, or name a file)"));
    QByteArray bytes;
    if (const int result = doc.FileBytes(&bytes))
        return CtlReport(context, result, QStringLiteral("standard output"));
    return CtlWriteOutput(context, bytes, path);
}

bool CtlIsTerminal(int stream)
{
    return isatty(stream) != 0;
}

bool CtlParseInt(const QString& text, int low, int high, int* value)
{
    bool ok = false;
    const int parsed = text.toInt(&ok, 10);
    if (!ok || parsed < low || parsed > high)
        return false;
    *value = parsed;
    return true;
}

bool CtlParsePot(const QString& text, int* unit, int* value)
{
    const QStringList parts = text.split(u':');
    int parsedUnit = 0, parsedValue = 0;
    if (parts.size() != 2 || !CtlParseInt(parts[0], 0, 7, &parsedUnit) || !CtlParseInt(parts[1], 0, 255, &parsedValue))
        return false;
    *unit = parsedUnit;
    *value = parsedValue;
    return true;
}

bool CtlParseModel(const QString& text, ModelCode* code)
{
    const ModelCode named = ModelFromDesignation(text);
    if (named != 0)
        *code = named;
    return named != 0;
}

QString CtlModelName(int modelNumber)
{
    const QString name = modelNumber >= 1 && modelNumber <= 15 ? ModelDesignation(ModelCode(modelNumber << 4)) : QString();
    return name.isEmpty() ? QStringLiteral("unknown") : name;
}
