#pragma once
// The user guide as files: Markdown pages in the guide folder (English at the top, a
// translation in a subfolder named by the language code, such as pl/getting-started.md), the
// order of the pages as the contents page lists them, the sections of the pages and the
// places that the program's context help opens. No widgets: the help window shows what this
// finds, and tests check the guide with it.

#include "ModelTypes.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace Guide {

// The contents page: it lists the pages in order (its links to the other pages).
inline constexpr char CONTENTS_PAGE[] = "README.md";
// The page with one section per result code of a message, whose heading begins with the code.
inline constexpr char TROUBLESHOOTING_PAGE[] = "troubleshooting.md";
// The page that explains the step kinds, one section each.
inline constexpr char STEPS_PAGE[] = "step-chain.md";
// The page on time steps, with the potentiometer's section.
inline constexpr char TIME_PAGE[] = "time-steps.md";
inline constexpr char SIMULATION_PAGE[] = "simulation.md";

// A place in the guide: a page and, optionally, the anchor of one of its headings.
struct Place {
    QString page;
    QString anchor; // empty: the top of the page
};

// The anchor of a heading as the guide's links write it (and GitHub makes it): lower case,
// punctuation dropped except "-" and "_", spaces turned into "-".
QString HeadingAnchor(const QString& heading);

struct Heading {
    int level = 0;   // 1 for "#", 2 for "##", ...
    QString text;
    QString anchor;  // HeadingAnchor of the text, made unique in the page with "-1", "-2", ...
};
// The ATX headings of a Markdown text ("# Title"), outside fenced code blocks, in order.
std::vector<Heading> Headings(const QString& markdown);

struct Link {
    QString target; // as written: "time-steps.md#the-potentiometer", "images/window.png"
    bool image = false;
    int line = 0;   // 1-based
};
// The inline links and images of a Markdown text ([text](target), ![alt](target)), outside
// fenced code blocks and code spans.
std::vector<Link> Links(const QString& markdown);

// The guide in a folder.
class CGuideFolder {
public:
    explicit CGuideFolder(QString folder);

    const QString& Folder() const { return m_folder; }
    // The contents page exists: the guide is there.
    bool Exists() const;
    // The pages in the order of the contents page's links to them (the contents page first).
    QStringList Pages() const;
    // The file that shows a page in a language: the translation when there is one, else the
    // English page; empty when neither exists. An empty code or "en" asks for English.
    QString PagePath(const QString& page, const QString& languageCode) const;
    // The title of a page in a language (its first level-1 heading), or the page name.
    QString PageTitle(const QString& page, const QString& languageCode) const;
    // The anchors of the headings of the page as a language shows it.
    QStringList Anchors(const QString& page, const QString& languageCode) const;
    // The troubleshooting section of a result code in a language: its page and the anchor
    // of the heading that begins with the code's number. Empty when the guide has none.
    Place ResultSection(int resultCode, const QString& languageCode) const;

private:
    QString m_folder;
};

// Where the context help of a step kind leads: its section of the steps page (the time
// step's on the time steps page).
Place StepKindPlace(FieldKind kind);
// The potentiometer's section.
Place PotentiometerPlace();
// The simulation page (input buttons and relay pictures are part of the simulation).
Place SimulationPlace();

// Reads a text file as UTF-8; empty when it cannot be read.
QString ReadText(const QString& path);

} // namespace Guide
