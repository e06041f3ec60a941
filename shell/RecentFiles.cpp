#include "RecentFiles.h"

#include "ProgramSettings.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString SETTINGS_KEY = QStringLiteral("RecentFiles");


} // namespace

QString CRecentFiles::Normalized(const QString& path)
{
    return path.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

QStringList CRecentFiles::Files() const
{
    // A list edited by hand may hold anything: empty entries, relative paths, copies, too many.
    QStringList files;
    for (const QString& entry : ProgramSettings().value(SETTINGS_KEY).toStringList()) {
        const QString path = Normalized(entry);
        if (!path.isEmpty() && !files.contains(path))
            files << path;
        if (files.size() == MAX_FILES)
            break;
    }
    return files;
}

void CRecentFiles::Add(const QString& path)
{
    const QString normalized = Normalized(path);
    if (normalized.isEmpty())
        return;
    QStringList files = Files();
    files.removeAll(normalized);
    files.prepend(normalized);
    while (files.size() > MAX_FILES)
        files.removeLast();
    Store(files);
}

void CRecentFiles::Remove(const QString& path)
{
    QStringList files = Files();
    if (files.removeAll(Normalized(path)) > 0)
        Store(files);
}

void CRecentFiles::Store(const QStringList& files) const
{
    QSettings settings = ProgramSettings();
    settings.setValue(SETTINGS_KEY, files);
    settings.sync();
}
