#pragma once
// Manual pages from help texts. A help text as the programs print it (a "Usage:" line,
// paragraphs, headed lists such as "Options:" with a tag and its description per item) is
// read into its parts and written as a page in the man macros of roff, so that the page says
// what the help says.

#include <QString>
#include <QStringList>

#include <vector>

namespace ManPage {

// One piece of a help text.
struct Block {
    enum Kind {
        Paragraph, // running text, refilled on the page
        Example,   // indented lines kept as printed
        Item       // a list entry: its tag (an option, argument, command, ...) and description
    };
    Kind kind = Paragraph;
    QString tag;
    QStringList lines; // without their indentation, except an example's own indentation
};

// The text under one heading ("Options:", "Exit status:"), or before the first heading.
struct Section {
    QString heading; // without its colon; empty for the leading text
    std::vector<Block> blocks;
    QString raw;     // the section's lines as printed, to recognise a repeated section
};

struct Help {
    QStringList usage; // each form of the usage, a wrapped form joined into one line
    std::vector<Section> sections;

    const Section* Find(const QString& heading) const;
};

Help ParseHelp(const QString& text);

// One line of running text for roff: backslashes, minus signs and characters beyond ASCII
// escaped, and a leading dot or apostrophe kept from being read as a request.
QString Escape(const QString& text);

struct PageInfo {
    QString name;        // the program, e.g. "quorvexctl"
    QString summary;     // the NAME line's description
    QString date;        // YYYY-MM-DD
    QString source;      // e.g. "Quorvex 0.1.0"
    QStringList seeAlso; // e.g. "quorvex(1)"
};

// A subcommand and its own help, for programs with commands.
struct CommandHelp {
    QString name;
    Help help;
};

// The page in section 1: NAME, SYNOPSIS, DESCRIPTION, the help's headed sections in the
// usual order of a manual page (a help's "Commands:" list followed by one subsection per
// command), SEE ALSO. A command's section that repeats one of the program's own help (the
// table of exit statuses) is left out of the command's subsection.
QString RenderPage(const PageInfo& info, const Help& help, const std::vector<CommandHelp>& commands = {});

} // namespace ManPage
