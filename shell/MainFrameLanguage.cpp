// The main window's languages: the View menu's list, the tool bar's icon and list, and every
// text of the window again after a switch.

#include "MainFrame.h"

#include "Commands.h"
#include "FrameRelayState.h"
#include "FrameText.h"
#include "HelpWindow.h"
#include "LanguageIcon.h"
#include "LanguageManager.h"
#include "LanguageWidgets.h"
#include "ProgramPictures.h"
#include "QuorvexDoc.h"
#include "RelayPane.h"
#include "ResultCodes.h"
#include "StepDrawer.h"
#include "TimelinePanel.h"
#include "WindowFit.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QDockWidget>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPrinter>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUndoStack>

#include <algorithm>
#include <cmath>

using namespace CommandIds;
using Language::CLanguageManager;
using Language::TheLanguageManager;

namespace {

constexpr int TOP_MENU_COUNT = 5;          // File, Device, Transmission, View, About (texts 45..49)

} // namespace

bool CMainFrame::BuildLanguageMenu()
{
    const CLanguageManager& manager = TheLanguageManager();
    m_pViewMenu->clear();
    delete m_pLanguageGroup;
    m_pLanguageGroup = new QActionGroup(this);
    // Exclusive, but with none checked while the current language is not offered here.
    m_pLanguageGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    const int count = std::min(manager.GetLanguageCount(), LANGUAGE_COMMAND_COUNT);
    if (count == 0)
        return false;
    for (int i = 0; i < count; ++i) {
        QString name;
        manager.GetLanguageEntry(i, nullptr, &name);
        QAction* action = m_pViewMenu->addAction(name);
        action->setData(ID_VIEW_LANGUAGE[i]);
        action->setCheckable(true);
        m_pLanguageGroup->addAction(action);
        m_actions[ID_VIEW_LANGUAGE[i]] = action;
        connect(action, &QAction::triggered, this, [this, i] { OnSelectLanguage(i); });
    }
    return manager.GetCurrentLanguage(nullptr, nullptr, nullptr);
}

void CMainFrame::BuildLanguageControls()
{
    const CLanguageManager& manager = TheLanguageManager();
    m_pToolBar->addSeparator();

    m_pLanguageIcon = new CLanguageIcon(m_pToolBar);
    m_pLanguageIcon->setObjectName(QStringLiteral("languageIcon"));
    m_pLanguageIcon->setProperty("controlId", IDC_LANGUAGE_ICON);
    m_pLanguageIcon->SetIconSize(m_pToolBar->iconSize());
    // As large as a button of the tool bar.
    if (QWidget* reset = m_pToolBar->widgetForAction(m_actions.at(ID_TRANSMISSION_RESET)))
        m_pLanguageIcon->setFixedSize(reset->sizeHint());
    m_pToolBar->addWidget(m_pLanguageIcon);

    m_pLanguageList = new QComboBox(m_pToolBar);
    m_pLanguageList->setObjectName(QStringLiteral("languageList"));
    m_pLanguageList->setProperty("controlId", IDC_LANGUAGE_LIST);
    m_pLanguageList->setMinimumWidth(100);
    m_pLanguageList->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    for (const Language::LanguageEntry& entry : manager.Entries())
        m_pLanguageList->addItem(entry.name);
    m_pToolBar->addWidget(m_pLanguageList);
    ShowCurrentLanguage();
    connect(m_pLanguageList, &QComboBox::currentIndexChanged, this, &CMainFrame::OnLanguageListChanged);
}

void CMainFrame::OnLanguageChanged(CLanguageManager& manager)
{
    if (m_bPathIsDefault)
        UseDefaultFileName();

    // File, then Edit (which has a text of its own), then Device to About.
    Language::SetMenuTexts(manager, menuBar(), 0, Language::TEXT_MENU_TOP_0, 1);
    Language::SetMenuTexts(manager, menuBar(), 2, Language::TEXT_MENU_TOP_0 + 1, TOP_MENU_COUNT - 1);
    if (manager.GetCurrentLanguage(nullptr, nullptr, nullptr)) {
        for (const CommandInfo& command : Commands())
            if (command.captionTextId >= 0)
                if (const char16_t* text = manager.GetText(command.captionTextId))
                    m_actions.at(command.id)->setText(Language::TextString(text));
        if (const char16_t* text = manager.GetText(Language::TEXT_MENU_EDIT))
            m_pEditMenu->menuAction()->setText(Language::TextString(text));
    }
    if (m_pHelpWindow)
        m_pHelpWindow->OnLanguageChanged(manager);
    RetranslateSimulationSpeed(manager);

    if (m_pTimelineDock) {
        m_pTimelineDock->setWindowTitle(manager.Text(Language::TEXT_TIMELINE_TITLE));
        m_pTimelinePanel->OnLanguageChanged(manager);
    }
    for (const CommandInfo& command : Commands()) {
        if (command.helpTextId < 0)
            continue;
        const QString help = manager.Text(command.helpTextId);
        QAction* action = m_actions.at(command.id);
        action->setStatusTip(HelpPrompt(help));
        action->setToolTip(HelpToolTip(help));
    }

    if (m_pPane) {
        UpdateTitle(m_pPane->GetDocument() && m_pPane->GetDocument()->IsModified());
        m_pPane->OnLanguageChanged(manager);
        // Longer texts may widen the dialogs: the window keeps room for them.
        m_pPane->UpdatePaneLayout();
        ApplyPaneSizing(m_pPane->CreatePaneWindow(), true);
    } else {
        m_title = manager.Text(Language::TEXT_PROGRAM_NAME);
        setWindowTitle(EscapeWindowTitle(m_title));
    }
    // After the pane: it renames the changes in its history.
    UpdateUndoCommands();
    ShowRelayStatusText(manager);
}

void CMainFrame::SwitchLanguage(int index)
{
    CLanguageManager& manager = TheLanguageManager();
    // A module that fails to load leaves no language: every text reads "????" until another
    // language is chosen.
    manager.SelectLanguage(index);
    ShowCurrentLanguage();
    OnLanguageChanged(manager);
}

void CMainFrame::ShowCurrentLanguage()
{
    int current = -1;
    std::uint32_t lcid = 0;
    const bool loaded = TheLanguageManager().GetCurrentLanguage(&current, &lcid, nullptr);
    for (int i = 0; i < LANGUAGE_COMMAND_COUNT; ++i)
        if (QAction* action = Action(ID_VIEW_LANGUAGE[i]))
            action->setChecked(loaded && i == current);
    if (m_pLanguageList && loaded) {
        const QSignalBlocker blocker(m_pLanguageList);
        m_pLanguageList->setCurrentIndex(current);
    }
    if (m_pLanguageIcon)
        m_pLanguageIcon->SetLanguage(loaded ? lcid : 0);
}

void CMainFrame::OnSelectLanguage(int index)
{
    if (index < 0 || index >= LANGUAGE_COMMAND_COUNT || !Action(ID_VIEW_LANGUAGE[index]))
        return;
    SwitchLanguage(index);
}

void CMainFrame::OnLanguageListChanged(int index)
{
    if (index < 0)
        return;
    SwitchLanguage(index);
}
