#include "HelpWindow.h"

#include "InstalledData.h"
#include "LanguageManager.h"
#include "TextIds.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFrame>
#include <QTextTable>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <map>

using Language::CLanguageManager;

namespace {

// Pictures wider than this are shown smaller, so that a page reads without scrolling sideways.
constexpr int MAX_PICTURE_WIDTH = 760;

bool IsCodeBlock(const QTextBlock& block)
{
    return block.blockFormat().hasProperty(QTextFormat::BlockCodeFence) || block.blockFormat().nonBreakableLines();
}

} // namespace

// ---------------------------------------------------------------- the page view

void CGuideBrowser::doSetSource(const QUrl& name, QTextDocument::ResourceType type)
{
    QTextBrowser::doSetSource(name, type);
    PreparePage();
    // The base class looked for the anchor before the headings had theirs.
    if (name.hasFragment())
        scrollToAnchor(name.fragment());
}

void CGuideBrowser::PreparePage()
{
    QTextDocument* doc = document();
    const QString base = QFileInfo(source().toLocalFile()).absolutePath();
    std::map<QString, int> seen;
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() > 0 && block.length() > 1) {
            // The anchor the guide's links use, unique in the page as Guide::Headings makes it.
            const QString anchor = Guide::HeadingAnchor(block.text());
            const int count = seen[anchor]++;
            QTextCharFormat format;
            format.setAnchor(true);
            format.setAnchorNames({count == 0 ? anchor : anchor + QLatin1Char('-') + QString::number(count)});
            cursor.setPosition(block.position());
            cursor.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
            cursor.mergeCharFormat(format);
        } else if (IsCodeBlock(block)) {
            QTextBlockFormat format;
            format.setBackground(QColor(0xf2, 0xf2, 0xf2));
            format.setLeftMargin(12);
            cursor.setPosition(block.position());
            cursor.mergeBlockFormat(format);
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat())
                continue;
            QTextImageFormat image = fragment.charFormat().toImageFormat();
            const QUrl url(image.name());
            const QString path = url.isRelative() ? base + QLatin1Char('/') + url.path() : url.toLocalFile();
            const QSize size = QImageReader(path).size();
            if (!size.isValid() || size.width() <= MAX_PICTURE_WIDTH)
                continue;
            image.setWidth(MAX_PICTURE_WIDTH);
            image.setHeight(double(size.height()) * MAX_PICTURE_WIDTH / size.width());
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(image);
        }
    }
    // Tables with room in their cells and thin lines.
    for (QTextFrame* frame : doc->rootFrame()->childFrames()) {
        if (auto* table = qobject_cast<QTextTable*>(frame)) {
            QTextTableFormat format = table->format();
            format.setCellPadding(4);
            format.setCellSpacing(0);
            format.setBorder(1);
            format.setBorderCollapse(true);
            format.setBorderBrush(QColor(0xc0, 0xc0, 0xc0));
            table->setFormat(format);
        }
    }
    cursor.endEditBlock();
    doc->setModified(false);
}

QStringList CGuideBrowser::HeadingAnchors() const
{
    QStringList anchors;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 0)
            continue;
        for (auto it = block.begin(); !it.atEnd(); ++it)
            anchors += it.fragment().charFormat().anchorNames();
    }
    anchors.removeDuplicates();
    return anchors;
}

QString GuideLanguageCode(const CLanguageManager& manager)
{
    int index = -1;
    if (!manager.GetCurrentLanguage(&index, nullptr, nullptr) || index < 0 || index >= manager.GetLanguageCount())
        return QStringLiteral("en");
    // The module Strings_pl.so holds Polish: its guide pages are in pl/.
    static const QRegularExpression code(QStringLiteral("^(?:lib)?Strings_([A-Za-z]+)"));
    const QRegularExpressionMatch match =
        code.match(QFileInfo(manager.Entries()[std::size_t(index)].path).fileName());
    return match.hasMatch() ? match.captured(1).toLower() : QStringLiteral("en");
}

// ---------------------------------------------------------------- the window

CHelpWindow::CHelpWindow(QWidget* parent, const QString& folder)
    : QMainWindow(parent), m_guide(folder.isEmpty() ? GuideFolder() : folder)
{
    setObjectName(QStringLiteral("helpWindow"));
    // Not a tool window of the main window: it has its own place on the task bar and can lie
    // beside the program.
    setWindowFlag(Qt::Window);

    m_pBrowser = new CGuideBrowser(this);
    m_pBrowser->setObjectName(QStringLiteral("guidePage"));
    // Links between pages go through LoadPlace, which picks the page's language.
    m_pBrowser->setOpenLinks(false);
    m_pPages = new QListWidget(this);
    m_pPages->setObjectName(QStringLiteral("guidePages"));
    auto* splitter = new QSplitter(this);
    splitter->addWidget(m_pPages);
    splitter->addWidget(m_pBrowser);
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);
    setCentralWidget(splitter);

    QToolBar* bar = addToolBar(QStringLiteral("guide"));
    bar->setObjectName(QStringLiteral("guideToolBar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_pBack = bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), QString());
    m_pBack->setShortcuts(QKeySequence::Back);
    m_pBack->setEnabled(false);
    m_pForward = bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), QString());
    m_pForward->setShortcuts(QKeySequence::Forward);
    m_pForward->setEnabled(false);
    bar->addSeparator();
    m_pFindLabel = new QLabel(bar);
    m_pFind = new QLineEdit(bar);
    m_pFind->setObjectName(QStringLiteral("guideFind"));
    m_pFind->setClearButtonEnabled(true);
    m_pFind->setMinimumWidth(fontMetrics().averageCharWidth() * 20);
    m_pFind->setMaximumWidth(fontMetrics().averageCharWidth() * 36);
    m_pFindLabel->setBuddy(m_pFind);
    bar->addWidget(m_pFindLabel);
    bar->addWidget(m_pFind);
    m_pFindPrevious = bar->addAction(style()->standardIcon(QStyle::SP_ArrowUp), QString());
    m_pFindPrevious->setShortcuts(QKeySequence::FindPrevious);
    m_pFindNext = bar->addAction(style()->standardIcon(QStyle::SP_ArrowDown), QString());
    m_pFindNext->setShortcuts(QKeySequence::FindNext);
    // Only the icons of the find buttons: their texts are their tool tips.
    for (QAction* action : {m_pFindPrevious, m_pFindNext})
        if (QWidget* button = bar->widgetForAction(action))
            if (auto* tool = qobject_cast<QToolButton*>(button))
                tool->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_pFindStatus = new QLabel(bar);
    m_pFindStatus->setObjectName(QStringLiteral("guideFindStatus"));
    m_pFindStatus->setContentsMargins(6, 0, 6, 0);
    bar->addWidget(m_pFindStatus);

    auto* focusFind = new QAction(this);
    focusFind->setShortcuts(QKeySequence::Find);
    addAction(focusFind);
    connect(focusFind, &QAction::triggered, this, [this] {
        m_pFind->setFocus(Qt::ShortcutFocusReason);
        m_pFind->selectAll();
    });
    auto* close = new QAction(this);
    close->setShortcuts(QKeySequence::Close);
    addAction(close);
    connect(close, &QAction::triggered, this, &QWidget::close);

    connect(m_pBack, &QAction::triggered, m_pBrowser, &QTextBrowser::backward);
    connect(m_pForward, &QAction::triggered, m_pBrowser, &QTextBrowser::forward);
    connect(m_pBrowser, &QTextBrowser::backwardAvailable, m_pBack, &QAction::setEnabled);
    connect(m_pBrowser, &QTextBrowser::forwardAvailable, m_pForward, &QAction::setEnabled);
    connect(m_pBrowser, &QTextBrowser::anchorClicked, this, &CHelpWindow::OnLinkClicked);
    connect(m_pBrowser, &QTextBrowser::sourceChanged, this, &CHelpWindow::OnSourceChanged);
    connect(m_pPages, &QListWidget::currentRowChanged, this, [this](int row) {
        if (const QListWidgetItem* item = m_pPages->item(row))
            LoadPlace({item->data(Qt::UserRole).toString(), QString()});
    });
    connect(m_pFind, &QLineEdit::textChanged, this, &CHelpWindow::OnFindTextChanged);
    connect(m_pFind, &QLineEdit::returnPressed, this,
            [this] { FindAgain(QGuiApplication::keyboardModifiers() & Qt::ShiftModifier); });
    connect(m_pFindNext, &QAction::triggered, this, [this] { FindAgain(false); });
    connect(m_pFindPrevious, &QAction::triggered, this, [this] { FindAgain(true); });

    // A comfortable reading size: most of a small screen, not all of a large one.
    QSize size(1000, 760);
    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        size = size.boundedTo(QSize(area.width() * 9 / 10, area.height() * 9 / 10));
    }
    resize(size);

    OnLanguageChanged(Language::TheLanguageManager());
    // The page list as wide as its longest title, up to a third of the window.
    const int list = std::min(m_pPages->sizeHintForColumn(0) + 2 * m_pPages->frameWidth() + 8, size.width() / 3);
    splitter->setSizes({list, size.width() - list});
}

void CHelpWindow::OnLanguageChanged(CLanguageManager& manager)
{
    m_language = GuideLanguageCode(manager);
    setWindowTitle(manager.Text(Language::TEXT_GUIDE_TITLE));
    m_pBack->setText(manager.Text(Language::TEXT_GUIDE_BACK));
    m_pForward->setText(manager.Text(Language::TEXT_GUIDE_FORWARD));
    m_pFindLabel->setText(manager.Text(Language::TEXT_GUIDE_FIND));
    m_pFindNext->setText(manager.Text(Language::TEXT_GUIDE_FIND_NEXT));
    m_pFindPrevious->setText(manager.Text(Language::TEXT_GUIDE_FIND_PREVIOUS));
    m_pFindStatus->clear();
    BuildPageList();
    // The page shown, in the new language where the guide has it.
    if (!m_place.page.isEmpty())
        LoadPlace(m_place);
}

void CHelpWindow::BuildPageList()
{
    const QSignalBlocker blocker(m_pPages);
    m_pPages->clear();
    for (const QString& page : m_guide.Pages()) {
        auto* item = new QListWidgetItem(m_guide.PageTitle(page, m_language), m_pPages);
        item->setData(Qt::UserRole, page);
        item->setToolTip(item->text());
        if (page == m_place.page)
            m_pPages->setCurrentItem(item);
    }
}

void CHelpWindow::ShowPlace(const Guide::Place& requested)
{
    // Asked for the guide without a place: it opens where the reader left it.
    const bool again = requested.page.isEmpty() && !m_place.page.isEmpty();
    if (!(again && isVisible()))
        LoadPlace(again ? m_place : requested);
    show();
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void CHelpWindow::LoadPlace(const Guide::Place& requested)
{
    Guide::Place place = requested;
    if (place.page.isEmpty())
        place.page = QLatin1String(Guide::CONTENTS_PAGE);
    // A section that the translation lacks is read in English.
    QString language = m_language;
    if (!place.anchor.isEmpty() && !m_guide.Anchors(place.page, language).contains(place.anchor))
        language = QStringLiteral("en");
    const QString path = m_guide.PagePath(place.page, language);
    if (path.isEmpty()) {
        m_place = place;
        m_pBrowser->setPlainText(Language::TheLanguageManager().Format(Language::TEXT_GUIDE_PAGE_MISSING, {place.page}));
        return;
    }
    QUrl url = QUrl::fromLocalFile(path);
    if (!place.anchor.isEmpty())
        url.setFragment(place.anchor);
    if (url == m_pBrowser->source() && !place.anchor.isEmpty())
        m_pBrowser->scrollToAnchor(place.anchor);
    else
        m_pBrowser->setSource(url);
}

QString CHelpWindow::PageOfFile(const QString& path) const
{
    return QFileInfo(path).fileName();
}

void CHelpWindow::OnSourceChanged(const QUrl& source)
{
    m_place = {PageOfFile(source.toLocalFile()), source.fragment()};
    m_pFindStatus->clear();
    const QSignalBlocker blocker(m_pPages);
    for (int row = 0; row < m_pPages->count(); ++row)
        if (m_pPages->item(row)->data(Qt::UserRole).toString() == m_place.page)
            m_pPages->setCurrentRow(row);
}

void CHelpWindow::OnLinkClicked(const QUrl& link)
{
    if (!link.scheme().isEmpty() && link.scheme() != QLatin1String("file")) {
        QDesktopServices::openUrl(link);
        return;
    }
    const QString path = link.path();
    if (path.isEmpty()) {
        // An anchor of the page shown.
        LoadPlace({m_place.page, link.fragment()});
        return;
    }
    const QString page = QFileInfo(path).fileName();
    if (page.endsWith(QLatin1String(".md"))) {
        // A link into a translation's folder ("pl/getting-started.md") asks for that
        // language; a link to a page of the guide's top folder for the page in the current
        // language.
        const QUrl resolved = m_pBrowser->source().resolved(link);
        const QString relative = QDir(m_guide.Folder()).relativeFilePath(resolved.toLocalFile());
        if (relative.contains(QLatin1Char('/')) && !relative.startsWith(QLatin1String("..")) && QFileInfo(resolved.toLocalFile()).isFile())
            m_pBrowser->setSource(resolved);
        else
            LoadPlace({page, link.fragment()});
        return;
    }
    // Anything else beside the guide (a picture): opened by the desktop.
    const QUrl resolved = m_pBrowser->source().resolved(link);
    QDesktopServices::openUrl(resolved);
}

void CHelpWindow::OnFindTextChanged(const QString& text)
{
    m_pFindStatus->clear();
    QTextCursor cursor = m_pBrowser->textCursor();
    // Typing on extends the match found so far instead of moving past it.
    cursor.setPosition(cursor.selectionStart());
    m_pBrowser->setTextCursor(cursor);
    if (!text.isEmpty())
        FindAgain(false);
}

bool CHelpWindow::FindAgain(bool backwards)
{
    const QString text = m_pFind->text();
    m_pFindStatus->clear();
    if (text.isEmpty())
        return false;
    const QTextDocument::FindFlags flags = backwards ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    if (m_pBrowser->find(text, flags))
        return true;
    // Once around: from the other end of the page.
    QTextCursor cursor = m_pBrowser->textCursor();
    cursor.movePosition(backwards ? QTextCursor::End : QTextCursor::Start);
    m_pBrowser->setTextCursor(cursor);
    if (m_pBrowser->find(text, flags))
        return true;
    m_pFindStatus->setText(Language::TheLanguageManager().Text(Language::TEXT_GUIDE_NOT_FOUND));
    return false;
}
