#include "CtlCommon.h"

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
