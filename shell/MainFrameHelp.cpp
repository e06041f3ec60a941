// The main window's user guide and example programs: Help > User guide and F1 (with the
// section of what has the focus), the Help button of messages that the guide explains, and
// File > New from example.

#include "MainFrame.h"

#include "CommandIds.h"
#include "CommonSettings.h"
#include "Examples.h"
#include "GuideIndex.h"
#include "HelpWindow.h"
#include "InstalledData.h"
#include "LanguageManager.h"
#include "QuorvexDoc.h"
#include "RelayPane.h"
#include "ResultCodes.h"
#include "StepDialogs.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEvent>

using namespace CommandIds;
using Language::CLanguageManager;
using Language::TheLanguageManager;

namespace {

// Sees the user guide's action triggered by its key: the key asks for help on what has the
// focus, the menu item for the guide itself.
class CShortcutWatcher final : public QObject {
public:
    CShortcutWatcher(QObject* parent, bool* byKey) : QObject(parent), m_pByKey(byKey) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Shortcut)
            *m_pByKey = true;
        return QObject::eventFilter(watched, event);
    }

private:
    bool* m_pByKey;
};

} // namespace

void CMainFrame::WatchGuideKey()
{
    QAction* guide = m_actions.at(ID_HELP_USER_GUIDE);
    guide->installEventFilter(new CShortcutWatcher(guide, &m_bGuideByKey));
}

Guide::Place CMainFrame::ContextHelpPlace(const QWidget* focus) const
{
    if (!m_pPane || !focus || !m_pPane->isAncestorOf(focus))
        return {};
    for (const auto* potentiometer : m_pPane->findChildren<CPotSettingsDialog*>())
        if (potentiometer->isAncestorOf(focus))
            return Guide::PotentiometerPlace();
    for (const auto* settings : m_pPane->findChildren<CCOMMONDialogsView*>())
        if (settings == focus || settings->isAncestorOf(focus))
            return Guide::SimulationPlace();
    // The step dialogs: the kind of the selected step, whose dialogs are shown. Elsewhere
    // (the pane itself, which has the focus after a program is opened) F1 opens the guide.
    for (const auto* strip : m_pPane->findChildren<CStepDialogStrip*>())
        if (strip->isAncestorOf(focus))
            return Guide::StepKindPlace(strip->ShownKind());
    return {};
}

void CMainFrame::OnHelpUserGuide()
{
    const bool byKey = std::exchange(m_bGuideByKey, false);
    ShowGuide(byKey ? ContextHelpPlace(QApplication::focusWidget()) : Guide::Place{});
}

void CMainFrame::ShowGuide(const Guide::Place& place)
{
    const Guide::CGuideFolder guide(GuideFolder());
    if (!guide.Exists()) {
        const CLanguageManager& manager = TheLanguageManager();
        m_pDialogs->ShowError(this, manager.Text(Language::TEXT_ERROR_CAPTION),
                              manager.Format(Language::TEXT_GUIDE_MISSING, {QDir::toNativeSeparators(guide.Folder())}));
        return;
    }
    if (!m_pHelpWindow || m_pHelpWindow->Folder().Folder() != guide.Folder()) {
        // A window of its own, not one kept above the main window: the reader puts it beside
        // the program or behind it as the work needs. The main window closes it with itself.
        m_pHelpWindow.reset(new CHelpWindow(nullptr, guide.Folder()));
    }
    m_pHelpWindow->ShowPlace(place);
}

void CMainFrame::ShowErrorWithHelp(const QString& text, int resultCode)
{
    const CLanguageManager& manager = TheLanguageManager();
    const QString caption = manager.Text(Language::TEXT_ERROR_CAPTION);
    const Guide::Place section =
        Guide::CGuideFolder(GuideFolder()).ResultSection(resultCode, GuideLanguageCode(manager));
    if (section.page.isEmpty()) {
        m_pDialogs->ShowError(this, caption, text);
        return;
    }
    if (m_pDialogs->ShowErrorOfferingHelp(this, caption, text))
        ShowGuide(section);
}

void CMainFrame::OnFileNewFromExample()
{
    if (!CommandEnabledNow(ID_FILE_NEW_FROM_EXAMPLE) || !AskSaveChanges())
        return;
    // Nothing to choose from: the installation lacks the examples.
    bool any = false;
    for (const ExampleInfo& example : Examples()) {
        std::unique_ptr<CQuorvexDoc> doc;
        if (LoadExample(example, &doc) == RESULT_OK) {
            any = true;
            break;
        }
    }
    if (!any) {
        const CLanguageManager& manager = TheLanguageManager();
        m_pDialogs->ShowError(this, manager.Text(Language::TEXT_ERROR_CAPTION),
                              manager.Format(Language::TEXT_EXAMPLES_NONE, {QDir::toNativeSeparators(ExamplesFolder())}));
        return;
    }
    const QString name = m_pDialogs->ChooseExample(this);
    if (!name.isEmpty())
        OpenExample(name);
}

bool CMainFrame::OpenExample(const QString& name)
{
    const CLanguageManager& manager = TheLanguageManager();
    const ExampleInfo* example = FindExample(name);
    std::unique_ptr<CQuorvexDoc> doc;
    if (!example || LoadExample(*example, &doc) != RESULT_OK) {
        const QString title = example ? manager.Text(example->titleTextId) : name;
        const QString path = example ? QDir::toNativeSeparators(ExampleFilePath(*example)) : name;
        m_pDialogs->ShowError(this, manager.Text(Language::TEXT_ERROR_CAPTION),
                              manager.Format(Language::TEXT_EXAMPLE_MISSING, {title, path}));
        return false;
    }
    // A new program that happens to hold the example: no file, so Save asks for a name and
    // the example stays as installed.
    CreatePaneForModel(ModelNumber(doc->GetModelCode()), true);
    if (!m_pPane || !m_pPane->ReplaceProgram(doc->GetData(), doc->GetDataSize(), false))
        return false;
    ProgramIsUntitled();
    UpdateCommandStates();
    return true;
}
