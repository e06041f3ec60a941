#include "FrameText.h"

#include "TextFormat.h"

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

QStringList FileDialogFilters(const char16_t* filterText)
{
    QStringList parts;
    if (filterText) {
        // The text ends with an empty string, i.e. two NULs in a row.
        for (const char16_t* p = filterText; *p; p += std::char_traits<char16_t>::length(p) + 1)
            parts.append(QString::fromUtf16(p));
    }
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
