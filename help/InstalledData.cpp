#include "InstalledData.h"

#include <QCoreApplication>
#include <QDir>

QString QuorvexDataFolder()
{
    const QString overridden = qEnvironmentVariable("QUORVEX_DATA_DIR");
    if (!overridden.isEmpty())
        return QDir::cleanPath(overridden);
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/quorvex"));
}

QString GuideFolder()
{
    return QuorvexDataFolder() + QStringLiteral("/guide");
}

QString ExamplesFolder()
{
    return QuorvexDataFolder() + QStringLiteral("/examples");
}
