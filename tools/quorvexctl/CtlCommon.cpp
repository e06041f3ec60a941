#include "CtlCommon.h"

std::vector<CtlCommand>& CtlCommands()
{
    static std::vector<CtlCommand> commands;
    return commands;
}

QString CtlResultText(int result)
{
    return QStringLiteral("error %1").arg(result);
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
