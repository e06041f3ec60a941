#include "InstalledData.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString QuorvexDataFolder()
{
    const QString overridden = qEnvironmentVariable("QUORVEX_DATA_DIR");
    if (!overridden.isEmpty())
        return QDir::cleanPath(overridden);
    const QDir programs(QCoreApplication::applicationDirPath());
    // Installed, the data lies where the installation put it relative to the programs' folder
    // (libexec/quorvex on Unix); in the build folder the programs are in bin/, beside share/.
    const QString installed = QDir::cleanPath(programs.filePath(QStringLiteral(QUORVEX_DATA_RELATIVE)));
    const QString built = QDir::cleanPath(programs.filePath(QStringLiteral("../share/quorvex")));
    if (QFileInfo(installed).isDir() || !QFileInfo(built).isDir())
        return installed;
    return built;
}

QString GuideFolder()
{
    return QuorvexDataFolder() + QStringLiteral("/guide");
}

QString ExamplesFolder()
{
    return QuorvexDataFolder() + QStringLiteral("/examples");
}
