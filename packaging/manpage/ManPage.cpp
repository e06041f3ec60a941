#include "ManPage.h"

#include <QRegularExpression>

#include <algorithm>
#include <climits>
#include <map>

namespace ManPage {

namespace {

int Indent(const QString& line)
{
    int indent = 0;
    while (indent < line.size() && line.at(indent) == QLatin1Char(' '))
        ++indent;
    return indent;
}

bool IsBlank(const QString& line)
{
    return line.trimmed().isEmpty();
}

// A heading: a short capitalised line of words that ends with a colon ("Options:",
// "Exit status:"), not a sentence that happens to end with one.
bool IsHeading(const QString& line)
{
    static const QRegularExpression heading(QStringLiteral("^[A-Z][A-Za-z]*( [A-Za-z]+){0,2}:$"));
    return heading.match(line).hasMatch();
}

bool IsExampleHeading(const QString& heading)
{
    return heading.startsWith(QLatin1String("Example"));
}

// The column where a list section's descriptions begin: where most items' descriptions
// begin after the gap behind their tags, else the most frequent indentation of the lines that
// continue items; -1 when neither shows it.
int DescriptionColumn(const QStringList& lines, int itemIndent)
{
    std::map<int, int> starts, continuations;
    for (const QString& line : lines) {
        if (IsBlank(line))
            continue;
        const int indent = Indent(line);
        if (indent > itemIndent) {
            ++continuations[indent];
        } else if (indent == itemIndent) {
            const qsizetype gap = line.indexOf(QLatin1String("  "), indent);
            if (gap > indent)
                ++starts[Indent(line.mid(gap)) + int(gap)];
        }
    }
    const auto mostFrequent = [](const std::map<int, int>& counts) {
        int column = -1, best = 0;
        for (const auto& [value, count] : counts)
            if (count > best) {
                best = count;
                column = value;
            }
        return column;
    };
    const int column = mostFrequent(starts);
    return column >= 0 ? column : mostFrequent(continuations);
}

// Splits an item line into its tag and the start of its description: at the section's
// description column where the line breaks cleanly there, else at the first run of two
// spaces; a line without either is all tag.
Block SplitItem(const QString& line, int column)
{
    Block item;
    item.kind = Block::Item;
    const QString text = line.trimmed();
    const int indent = Indent(line);
    if (column > indent && line.size() > column && line.at(column - 1) == QLatin1Char(' ')
        && line.at(column) != QLatin1Char(' ')) {
        item.tag = line.mid(indent, column - indent).trimmed();
        item.lines << line.mid(column).trimmed();
        return item;
    }
    const int gap = text.indexOf(QLatin1String("  "));
    if (gap > 0) {
        item.tag = text.left(gap);
        item.lines << text.mid(gap).trimmed();
    } else {
        item.tag = text;
    }
    return item;
}

// Reads the lines under one heading (or before the first) into blocks.
void ParseSection(Section& section, const QStringList& lines)
{
    const bool lists = !section.heading.isEmpty() && !IsExampleHeading(section.heading);
    int itemIndent = -1;
    if (lists)
        for (const QString& line : lines)
            if (!IsBlank(line) && Indent(line) > 0) {
                itemIndent = Indent(line);
                break;
            }
    const int column = lists ? DescriptionColumn(lines, itemIndent) : -1;

    bool afterBlank = true;
    for (const QString& line : lines) {
        if (IsBlank(line)) {
            afterBlank = true;
            continue;
        }
        Block* last = section.blocks.empty() ? nullptr : &section.blocks.back();
        const int indent = Indent(line);
        if (indent == 0) {
            if (last && last->kind == Block::Paragraph && !afterBlank)
                last->lines << line.trimmed();
            else
                section.blocks.push_back({Block::Paragraph, {}, {line.trimmed()}});
        } else if (lists && indent <= itemIndent) {
            section.blocks.push_back(SplitItem(line, column));
        } else if (lists && last && last->kind == Block::Item) {
            // Lines set in deeper than the descriptions (a table inside one) keep that
            // indentation, and so their own lines on the page.
            const int deeper = column > 0 && indent > column ? indent - column : 0;
            last->lines << QString(deeper, QLatin1Char(' ')) + line.trimmed();
        } else if (last && last->kind == Block::Example && !afterBlank) {
            last->lines << line;
        } else {
            section.blocks.push_back({Block::Example, {}, {line}});
        }
        afterBlank = false;
    }
    // An example keeps its indentation relative to its least indented line.
    for (Block& block : section.blocks) {
        if (block.kind != Block::Example)
            continue;
        int common = INT_MAX;
        for (const QString& line : block.lines)
            common = std::min(common, Indent(line));
        for (QString& line : block.lines)
            line = line.mid(common);
    }
}

// The usual order of a manual page's sections; headings it does not know keep their place
// between the options and the exit statuses.
int SectionRank(const QString& heading)
{
    static const QStringList order{QStringLiteral("Arguments"),   QStringLiteral("Options"),
                                   QStringLiteral("Commands"),    QString(),
                                   QStringLiteral("Exit status"), QStringLiteral("Environment"),
                                   QStringLiteral("Files"),       QStringLiteral("Examples")};
    const int rank = int(order.indexOf(heading));
    return rank >= 0 ? rank : int(order.indexOf(QString()));
}

// An item's tag with its options in bold.
QString FormatTag(const QString& tag)
{
    QStringList words;
    for (const QString& word : tag.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!word.startsWith(QLatin1Char('-'))) {
            words << Escape(word);
            continue;
        }
        QString option = word;
        QString trail;
        while (option.endsWith(QLatin1Char(',')) || option.endsWith(QLatin1Char(';'))) {
            trail.prepend(option.back());
            option.chop(1);
        }
        words << QStringLiteral("\\fB") + Escape(option) + QStringLiteral("\\fR") + trail;
    }
    return words.join(QLatin1Char(' '));
}

// A usage form with the program's name (and a command's) in bold.
QString FormatUsage(const QString& form, int boldWords)
{
    QStringList words = form.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const int bold = int(std::min<qsizetype>(boldWords, words.size()));
    QStringList head, tail;
    for (int i = 0; i < words.size(); ++i)
        (i < bold ? head : tail) << Escape(words.at(i));
    QString text = QStringLiteral("\\fB") + head.join(QLatin1Char(' ')) + QStringLiteral("\\fR");
    if (!tail.isEmpty())
        text += QLatin1Char(' ') + tail.join(QLatin1Char(' '));
    return text;
}

// Where a paragraph's line break is kept: after a line that ends a sentence well short of
// the paragraph's width, the next line starts something of its own ("reset: ...").
bool KeepsBreakAfter(const QString& line, int width)
{
    static const QString ends = QStringLiteral(".:!?");
    return !line.isEmpty() && ends.contains(line.back()) && line.size() < width - 12;
}

void RenderBlocks(QString& out, const std::vector<Block>& blocks)
{
    for (const Block& block : blocks) {
        switch (block.kind) {
        case Block::Paragraph: {
            int width = 0;
            for (const QString& line : block.lines)
                width = std::max(width, int(line.size()));
            out += QStringLiteral(".PP\n");
            for (int i = 0; i < block.lines.size(); ++i) {
                out += Escape(block.lines.at(i)) + QLatin1Char('\n');
                if (i + 1 < block.lines.size() && KeepsBreakAfter(block.lines.at(i), width))
                    out += QStringLiteral(".br\n");
            }
            break;
        }
        case Block::Example:
            out += QStringLiteral(".PP\n.RS 4\n.nf\n");
            for (const QString& line : block.lines)
                out += Escape(line) + QLatin1Char('\n');
            out += QStringLiteral(".fi\n.RE\n");
            break;
        case Block::Item: {
            out += QStringLiteral(".TP\n") + FormatTag(block.tag) + QLatin1Char('\n');
            // A line that begins with spaces starts a line of its own; the text after it does
            // too.
            bool afterIndented = false;
            for (const QString& line : block.lines) {
                const bool indented = line.startsWith(QLatin1Char(' '));
                if (afterIndented && !indented)
                    out += QStringLiteral(".br\n");
                out += Escape(line) + QLatin1Char('\n');
                afterIndented = indented;
            }
            break;
        }
        }
    }
}

std::vector<const Section*> HeadedSections(const Help& help)
{
    std::vector<const Section*> sections;
    for (const Section& section : help.sections)
        if (!section.heading.isEmpty())
            sections.push_back(&section);
    std::stable_sort(sections.begin(), sections.end(), [](const Section* a, const Section* b) {
        return SectionRank(a->heading) < SectionRank(b->heading);
    });
    return sections;
}

// A command's subsection: its usage, its text, and its headed sections as labelled lists,
// without those that repeat the program's own.
void RenderCommand(QString& out, const CommandHelp& command, const Help& programHelp)
{
    out += QStringLiteral(".SS ") + Escape(command.name) + QLatin1Char('\n');
    if (!command.help.usage.isEmpty()) {
        out += QStringLiteral(".PP\n");
        for (int i = 0; i < command.help.usage.size(); ++i) {
            if (i > 0)
                out += QStringLiteral(".br\n");
            out += FormatUsage(command.help.usage.at(i), 2) + QLatin1Char('\n');
        }
    }
    for (const Section& section : command.help.sections) {
        if (!section.heading.isEmpty()) {
            const Section* own = programHelp.Find(section.heading);
            if (own && own->raw == section.raw)
                continue;
            out += QStringLiteral(".PP\n\\fB") + Escape(section.heading) + QStringLiteral(":\\fR\n");
        }
        RenderBlocks(out, section.blocks);
    }
}

} // namespace

const Section* Help::Find(const QString& heading) const
{
    for (const Section& section : sections)
        if (section.heading == heading)
            return &section;
    return nullptr;
}

Help ParseHelp(const QString& text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        line.replace(QLatin1Char('\t'), QLatin1String("        "));
        while (line.endsWith(QLatin1Char(' ')) || line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }

    Help help;
    int i = 0;
    static const QString usageLabel = QStringLiteral("Usage: ");
    if (!lines.isEmpty() && lines.first().startsWith(usageLabel)) {
        help.usage << lines.first().mid(usageLabel.size()).trimmed();
        // Forms below it stand under its first word; a deeper line continues the form above.
        for (i = 1; i < lines.size() && !IsBlank(lines.at(i)) && Indent(lines.at(i)) > 0; ++i) {
            if (Indent(lines.at(i)) <= usageLabel.size())
                help.usage << lines.at(i).trimmed();
            else
                help.usage.back() += QLatin1Char(' ') + lines.at(i).trimmed();
        }
    }

    std::vector<QStringList> sectionLines(1);
    help.sections.emplace_back();
    for (; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        if (IsHeading(line)) {
            help.sections.push_back({line.chopped(1), {}, {}});
            sectionLines.emplace_back();
            continue;
        }
        sectionLines.back() << line;
    }
    for (std::size_t s = 0; s < help.sections.size(); ++s) {
        QStringList& body = sectionLines[s];
        while (!body.isEmpty() && IsBlank(body.back()))
            body.removeLast();
        help.sections[s].raw = body.join(QLatin1Char('\n'));
        ParseSection(help.sections[s], body);
    }
    if (help.sections.front().blocks.empty())
        help.sections.erase(help.sections.begin());
    return help;
}

QString Escape(const QString& text)
{
    QString out;
    out.reserve(text.size() + 8);
    const QList<uint> codePoints = text.toUcs4();
    for (const uint c : codePoints) {
        if (c == '\\')
            out += QStringLiteral("\\e");
        else if (c == '-')
            out += QStringLiteral("\\-");
        else if (c >= 0x80)
            out += QStringLiteral("\\[u%1]").arg(QString::number(c, 16).toUpper().rightJustified(4, QLatin1Char('0')));
        else
            out += QChar(char16_t(c));
    }
    if (out.startsWith(QLatin1Char('.')) || out.startsWith(QLatin1Char('\'')))
        out.prepend(QStringLiteral("\\&"));
    return out;
}

QString RenderPage(const PageInfo& info, const Help& help, const std::vector<CommandHelp>& commands)
{
    QString out;
    out += QStringLiteral(".TH %1 1 \"%2\" \"%3\" \"User Commands\"\n")
               .arg(info.name.toUpper(), info.date, Escape(info.source));
    // Words are not broken at line ends, so that an option reads as it is typed.
    out += QStringLiteral(".nh\n.ad l\n");
    out += QStringLiteral(".SH NAME\n") + Escape(info.name) + QStringLiteral(" \\- ") + Escape(info.summary)
           + QLatin1Char('\n');

    out += QStringLiteral(".SH SYNOPSIS\n");
    for (int i = 0; i < help.usage.size(); ++i) {
        if (i > 0)
            out += QStringLiteral(".br\n");
        out += FormatUsage(help.usage.at(i), 1) + QLatin1Char('\n');
    }

    out += QStringLiteral(".SH DESCRIPTION\n");
    for (const Section& section : help.sections)
        if (section.heading.isEmpty())
            RenderBlocks(out, section.blocks);

    for (const Section* section : HeadedSections(help)) {
        out += QStringLiteral(".SH ") + Escape(section->heading.toUpper()) + QLatin1Char('\n');
        RenderBlocks(out, section->blocks);
        if (section->heading == QLatin1String("Commands"))
            for (const CommandHelp& command : commands)
                RenderCommand(out, command, help);
    }

    if (!info.seeAlso.isEmpty()) {
        out += QStringLiteral(".SH \"SEE ALSO\"\n");
        QStringList references;
        for (const QString& page : info.seeAlso) {
            const qsizetype open = page.indexOf(QLatin1Char('('));
            references << (open > 0 ? QStringLiteral("\\fB") + Escape(page.left(open)) + QStringLiteral("\\fR")
                                          + Escape(page.mid(open))
                                    : Escape(page));
        }
        out += references.join(QStringLiteral(",\n")) + QLatin1Char('\n');
    }
    return out;
}

} // namespace ManPage
