#pragma once
// Texts the main window derives from language texts and paths: the window title, the file
// dialog filters and the suggested name of a text description.

#include <QString>
#include <QStringList>

// "<program> - <file>" with "*" appended when modified; <file> is the path when the program
// comes from a file, else the untitled text. Empty when the language has no program name
// (programName null).
QString FrameTitle(const char16_t* programName, bool hasFile, const QString& path, const QString& untitled,
                   bool modified);

// A title for QWidget::setWindowTitle, which would take "[*]" in a path for its
// modified-mark placeholder.
QString EscapeWindowTitle(const QString& title);

// Qt file dialog filters ("Description (*.ext)") from a language's filter text: NUL-separated
// description and pattern pairs, ended by an empty string. A description that does not
// already end in its patterns gets them appended; patterns separated by ";" are separated by
// spaces. Null or empty gives no filter (every file shown).
QStringList FileDialogFilters(const char16_t* filterText);

// The suffix each filter of such a text stands for ("pdf" for the pattern "*.pdf", its first
// pattern when it has several; empty for "*"), in the order of FileDialogFilters.
QStringList FileDialogSuffixes(const char16_t* filterText);

// A default extension text without a leading dot ("qvp" from "qvp" or ".qvp").
QString BareExtension(const QString& extension);

// A name for a file made from a program: the program's path with everything from the last
// "." of its file name replaced by "." and the suffix; a file name without "." gets the
// suffix appended.
QString SuggestedFileName(const QString& programPath, const QString& suffix);

// Suggested name of the text description of a program: the path with everything from the
// last "." of its file name replaced by ".txt". A file name without "." is suggested
// unchanged (a dot in a folder name does not count).
QString DescriptionFileSuggestion(const QString& programPath);

// The program file named on the command line (the arguments without the program's name
// first): the first argument that is not an option ("-x", "--xyz"; after "--" every
// argument counts), a file: URL as its local path; empty when there is none.
QString StartupFileArgument(const QStringList& arguments);
