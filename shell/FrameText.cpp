#include "FrameText.h"

#include "TextFormat.h"

#include <QUrl>

QString FrameTitle(const char16_t* programName, bool hasFile, const QString& path, const QString& untitled,
                   bool modified)
{
    if (!programName)
        return QString();
    QString title = Language::TextString(programName) + QStringLiteral(" - ") + (hasFile ? path : untitled);
    if (modified)
        title += QLatin1Char('*');
    return title;
}

QString EscapeWindowTitle(const QString& title)
{
    QString escaped = title;
    escaped.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    return escaped;
}

namespace {

// The NUL-separated strings of a filter text, which ends with an empty string (two NULs).
QStringList FilterParts(const char16_t* filterText)
{
    QStringList parts;
    if (filterText) {
        for (const char16_t* p = filterText; *p; p += std::char_traits<char16_t>::length(p) + 1)
            parts.append(QString::fromUtf16(p));
    }
    return parts;
}

} // namespace

QStringList FileDialogSuffixes(const char16_t* filterText)
{
    const QStringList parts = FilterParts(filterText);
    QStringList suffixes;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString pattern = parts[i + 1].section(QLatin1Char(';'), 0, 0).trimmed();
        suffixes.append(pattern.startsWith(QLatin1String("*.")) ? pattern.mid(2) : QString());
    }
    return suffixes;
}

QStringList FileDialogFilters(const char16_t* filterText)
{
    const QStringList parts = FilterParts(filterText);
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        patterns = patterns.simplified();
        const QString suffix = QStringLiteral("(%1)").arg(patterns);
        if (description.endsWith(suffix))
            filters.append(description);
        else if (description.isEmpty())
            filters.append(suffix);
        else
            filters.append(description + QLatin1Char(' ') + suffix);
    }
    return filters;
}

QString BareExtension(const QString& extension)
{
    QString bare = extension.trimmed();
    while (bare.startsWith(QLatin1Char('.')))
        bare.remove(0, 1);
    return bare;
}

QString DescriptionFileSuggestion(const QString& programPath)
{
    const qsizetype nameStart = programPath.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = programPath.lastIndexOf(QLatin1Char('.'));
    if (dot < nameStart)
        return programPath;
    return programPath.left(dot) + QStringLiteral(".txt");
}

QString SuggestedFileName(const QString& programPath, const QString& suffix)
{
    const qsizetype nameStart = programPath.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = programPath.lastIndexOf(QLatin1Char('.'));
    return (dot < nameStart ? programPath : programPath.left(dot)) + QLatin1Char('.') + suffix;
}

QString StartupFileArgument(const QStringList& arguments)
{
    bool options = true;
    for (const QString& argument : arguments) {
        if (options && argument == QLatin1String("--")) {
            options = false;
            continue;
        }
        if (options && argument.size() > 1 && argument.startsWith(QLatin1Char('-')))
            continue;
        if (argument.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
            const QUrl url(argument);
            if (url.isLocalFile())
                return url.toLocalFile();
        }
        return argument;
    }
    return QString();
}
