#pragma once
// The user guide in a window of its own: the list of pages on the left, the page on the right
// (Markdown read by QTextBrowser, with its pictures), links between the pages, back and
// forward, and find in page. Pages show in the current language where the guide has a
// translation, in English otherwise. The main window keeps one and shows it for Help > User
// guide (F1), for F1 in a step dialog (the section of that step kind) and for the Help
// button of a message (its troubleshooting section).

#include "GuideIndex.h"
#include "LanguageSupport.h"

#include <QMainWindow>
#include <QTextBrowser>

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;

// The page view: a QTextBrowser that gives every heading of a page its anchor (as the guide's
// links write them) and lays out code and tables for reading.
class CGuideBrowser final : public QTextBrowser {
    Q_OBJECT

public:
    using QTextBrowser::QTextBrowser;

    // The anchors of the headings of the page shown, in order.
    QStringList HeadingAnchors() const;

protected:
    void doSetSource(const QUrl& name, QTextDocument::ResourceType type) override;

private:
    void PreparePage();
};

// The language code of the guide's translations for a language module ("pl" for
// Strings_pl); "en" when no language is loaded.
QString GuideLanguageCode(const Language::CLanguageManager& manager);

class CHelpWindow final : public QMainWindow, public Language::CLanguageSupport {
    Q_OBJECT

public:
    // folder: the guide's folder (the installed one when empty).
    explicit CHelpWindow(QWidget* parent = nullptr, const QString& folder = QString());

    const Guide::CGuideFolder& Folder() const { return m_guide; }
    // Shows a place of the guide in the current language (an empty page: the contents page)
    // and raises the window. A page that the guide lacks is said so in the window.
    void ShowPlace(const Guide::Place& place);
    // The page and anchor shown last.
    const Guide::Place& ShownPlace() const { return m_place; }

    void OnLanguageChanged(Language::CLanguageManager& manager) override;

    // ---- for tests
    CGuideBrowser* Browser() const { return m_pBrowser; }
    QListWidget* PageList() const { return m_pPages; }
    QLineEdit* FindField() const { return m_pFind; }
    QLabel* FindStatus() const { return m_pFindStatus; }
    QAction* BackAction() const { return m_pBack; }
    QAction* ForwardAction() const { return m_pForward; }
    // Looks for the find field's text from the cursor on (backwards when asked), wrapping
    // around once; false when the page does not hold it.
    bool FindAgain(bool backwards);

private:
    // Shows a place in the page view (the window as it is).
    void LoadPlace(const Guide::Place& place);
    void BuildPageList();
    void OnLinkClicked(const QUrl& link);
    void OnSourceChanged(const QUrl& source);
    void OnFindTextChanged(const QString& text);
    // The page name of a file shown (the translation's or the English one).
    QString PageOfFile(const QString& path) const;

    Guide::CGuideFolder m_guide;
    QString m_language = QStringLiteral("en");
    Guide::Place m_place;
    CGuideBrowser* m_pBrowser = nullptr;
    QListWidget* m_pPages = nullptr;
    QLineEdit* m_pFind = nullptr;
    QLabel* m_pFindLabel = nullptr;
    QLabel* m_pFindStatus = nullptr;
    QAction* m_pBack = nullptr;
    QAction* m_pForward = nullptr;
    QAction* m_pFindNext = nullptr;
    QAction* m_pFindPrevious = nullptr;
};
