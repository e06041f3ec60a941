#include "GuideIndex.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <map>

namespace Guide {

namespace {

// A line that opens or closes a fenced code block (``` or ~~~, indented by up to 3 spaces).
bool IsFence(const QString& line)
{
    const QString trimmed = line.trimmed();
    return (trimmed.startsWith(QLatin1String("```")) || trimmed.startsWith(QLatin1String("~~~")))
           && line.indexOf(trimmed.front()) <= 3;
}

// The lines of a Markdown text that are not inside a fenced code block, with their numbers.
std::vector<std::pair<int, QString>> ProseLines(const QString& markdown)
{
    std::vector<std::pair<int, QString>> lines;
    bool fenced = false;
    int number = 0;
    for (const QString& line : markdown.split(QLatin1Char('\n'))) {
        ++number;
        if (IsFence(line)) {
            fenced = !fenced;
            continue;
        }
        if (!fenced)
            lines.emplace_back(number, line);
    }
    return lines;
}

} // namespace

QString HeadingAnchor(const QString& heading)
{
    QString anchor;
    for (const QChar c : heading.trimmed().toLower()) {
        if (c == u' ')
            anchor += u'-';
        else if (c.isLetterOrNumber() || c.isMark() || c == u'-' || c == u'_')
            anchor += c;
    }
    return anchor;
}

std::vector<Heading> Headings(const QString& markdown)
{
    static const QRegularExpression atx(QStringLiteral("^ {0,3}(#{1,6})[ \\t]+(.*?)(?:[ \\t]+#+)?[ \\t]*$"));
    std::vector<Heading> headings;
    std::map<QString, int> seen;
    for (const auto& [number, line] : ProseLines(markdown)) {
        const QRegularExpressionMatch match = atx.match(line);
        if (!match.hasMatch())
            continue;
        Heading heading;
        heading.level = int(match.capturedLength(1));
        heading.text = match.captured(2).trimmed();
        const QString base = HeadingAnchor(heading.text);
        const int count = seen[base]++;
        heading.anchor = count == 0 ? base : base + QLatin1Char('-') + QString::number(count);
        headings.push_back(heading);
    }
    return headings;
}

std::vector<Link> Links(const QString& markdown)
{
    static const QRegularExpression codeSpan(QStringLiteral("`[^`]*`"));
    static const QRegularExpression link(QStringLiteral("(!?)\\[[^\\]]*\\]\\(\\s*<?([^)\\s>]+)>?(?:\\s+\"[^\"]*\")?\\s*\\)"));
    std::vector<Link> links;
    for (auto [number, line] : ProseLines(markdown)) {
        line.replace(codeSpan, QString());
        QRegularExpressionMatchIterator it = link.globalMatch(line);
        while (it.hasNext()) {
            const QRegularExpressionMatch match = it.next();
            links.push_back({match.captured(2), !match.captured(1).isEmpty(), number});
        }
    }
    return links;
}

QString ReadText(const QString& path)
{
    if (path.isEmpty())
        return QString();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

CGuideFolder::CGuideFolder(QString folder) : m_folder(std::move(folder)) {}

bool CGuideFolder::Exists() const
{
    return QFileInfo(m_folder + QLatin1Char('/') + QLatin1String(CONTENTS_PAGE)).isFile();
}

QStringList CGuideFolder::Pages() const
{
    QStringList pages;
    if (!Exists())
        return pages;
    pages.append(QLatin1String(CONTENTS_PAGE));
    const QString contents = ReadText(m_folder + QLatin1Char('/') + QLatin1String(CONTENTS_PAGE));
    for (const Link& link : Links(contents)) {
        if (link.image)
            continue;
        // Pages of the guide itself: a file name beside the contents page, without a scheme.
        const QString page = link.target.section(QLatin1Char('#'), 0, 0);
        if (page.isEmpty() || page.contains(QLatin1Char('/')) || page.contains(QLatin1Char(':'))
            || !page.endsWith(QLatin1String(".md")) || pages.contains(page))
            continue;
        if (QFileInfo(m_folder + QLatin1Char('/') + page).isFile())
            pages.append(page);
    }
    return pages;
}

QString CGuideFolder::PagePath(const QString& page, const QString& languageCode) const
{
    if (page.isEmpty() || page.contains(QLatin1String("..")))
        return QString();
    if (!languageCode.isEmpty() && languageCode != QLatin1String("en")) {
        const QString translated = m_folder + QLatin1Char('/') + languageCode + QLatin1Char('/') + page;
        if (QFileInfo(translated).isFile())
            return translated;
    }
    const QString english = m_folder + QLatin1Char('/') + page;
    return QFileInfo(english).isFile() ? english : QString();
}

QString CGuideFolder::PageTitle(const QString& page, const QString& languageCode) const
{
    for (const Heading& heading : Headings(ReadText(PagePath(page, languageCode))))
        if (heading.level == 1)
            return heading.text;
    return page;
}

QStringList CGuideFolder::Anchors(const QString& page, const QString& languageCode) const
{
    QStringList anchors;
    for (const Heading& heading : Headings(ReadText(PagePath(page, languageCode))))
        anchors.append(heading.anchor);
    return anchors;
}

Place CGuideFolder::ResultSection(int resultCode, const QString& languageCode) const
{
    const QString page = QLatin1String(TROUBLESHOOTING_PAGE);
    const QString number = QString::number(resultCode);
    for (const Heading& heading : Headings(ReadText(PagePath(page, languageCode)))) {
        if (heading.level < 2 || !heading.text.startsWith(number))
            continue;
        // "34: ..." names 34, never 340.
        if (heading.text.size() == number.size() || !heading.text.at(number.size()).isDigit())
            return {page, heading.anchor};
    }
    return {};
}

Place StepKindPlace(FieldKind kind)
{
    switch (kind) {
    case FIELD_START: return {QLatin1String(STEPS_PAGE), QStringLiteral("the-start-step")};
    case FIELD_STATE_CHANGE: return {QLatin1String(STEPS_PAGE), QStringLiteral("state-change-steps")};
    case FIELD_CONDITION: return {QLatin1String(STEPS_PAGE), QStringLiteral("condition-steps")};
    case FIELD_TIME: return {QLatin1String(TIME_PAGE), QStringLiteral("the-time-step")};
    case FIELD_STOP: return {QLatin1String(STEPS_PAGE), QStringLiteral("the-stop-step")};
    }
    return {QLatin1String(STEPS_PAGE), QString()};
}

Place PotentiometerPlace()
{
    return {QLatin1String(TIME_PAGE), QStringLiteral("the-potentiometer")};
}

Place SimulationPlace()
{
    return {QLatin1String(SIMULATION_PAGE), QString()};
}

} // namespace Guide
