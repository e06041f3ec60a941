#include "CtlCommon.h"

#include "AtomicFile.h"
#include "LanguageManager.h"
#include "ResultCodes.h"

std::vector<CtlCommand>& CtlCommands()
{
    static std::vector<CtlCommand> commands;
    return commands;
}

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

QString CtlResultText(int result)
{
    const QString number = QStringLiteral("error %1").arg(result);
    Language::CLanguageManager& manager = CtlLanguage();
    if (manager.GetCurrentLanguage(nullptr, nullptr, nullptr) && result > 0 && result < Language::TEXT_COUNT) {
        const QString message = manager.Text(result).trimmed();
        if (!message.isEmpty())
            return message + QStringLiteral(" (") + number + QLatin1Char(')');
    }
    return number;
}

int CtlReport(CtlContext& context, int result, const QString& subject)
{
    if (result != 0) {
        if (!subject.isEmpty())
            context.err << subject << ": ";
        context.err << CtlResultText(result) << Qt::endl;
    }
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
QString CtlFormat(int id, const QString& argument, const QString& fallback)
{
    Language::CLanguageManager& manager = CtlLanguage();
    const QString text = manager.GetCurrentLanguage(nullptr, nullptr, nullptr) ? manager.Format(id, {argument}) : QString();
    return text.isEmpty() ? fallback : text;
}

// Length of the valid UTF-8 sequence at p (at most `left` bytes), or 0 when none starts
// there: no overlong forms, no surrogates, nothing above U+10FFFF.
int Utf8SequenceLength(const unsigned char* p, qsizetype left)
{
    const unsigned char lead = p[0];
    int length = 0;
    unsigned char low = 0x80, high = 0xBF; // range of the second byte
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else
        return 0;
    if (left < length || p[1] < low || p[1] > high)
        return 0;
    for (int i = 2; i < length; ++i)
        if (p[i] < 0x80 || p[i] > 0xBF)
            return 0;
    return length;
}

// The argument as it can be shown: valid characters as they are, undecodable bytes and
// control characters as \xNN.
QString ShowArgument(const QByteArray& bytes, bool* valid)
{
    *valid = true;
    QString shown;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    for (qsizetype i = 0; i < bytes.size();) {
        const int length = Utf8SequenceLength(p + i, bytes.size() - i);
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
                    << CtlFormat(Language::TEXT_TARGET_NOT_REGULAR_FILE, path,
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
                << CtlFormat(Language::TEXT_ARGUMENT_NOT_UTF8, quoted,
                             QStringLiteral("the argument %1 is not valid UTF-8 text; nothing was done").arg(quoted))
                << Qt::endl;
            return false;
        }
    }
    return true;
}

bool CtlTakeOption(QStringList& args, const QString& name, QString* value, bool* present)
{
    const int at = args.indexOf(name);
    if (present)
        *present = at >= 0;
    if (at < 0)
        return true;
    if (at + 1 >= args.size())
        return false;
    if (value)
        *value = args.at(at + 1);
    args.remove(at, 2);
    return true;
}
