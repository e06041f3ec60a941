// The main window's relay wiring: the Device menu, the relay commands' handlers and what the
// relay controller reports (status texts, progress, messages, the live view on the pane, the
// comparison). The relays themselves are the controller's (RelayController.h).

#include "MainFrame.h"

#include "CommandIds.h"
#include "Commands.h"
#include "CompareProgramsDlg.h"
#include "DeviceMenu.h"
#include "FrameRelayState.h"
#include "LanguageManager.h"
#include "ModelDesignation.h"
#include "QuorvexDoc.h"
#include "RelayPane.h"
#include "ResultCodes.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QStatusBar>

#include <algorithm>

using namespace CommandIds;
using Language::TheLanguageManager;

namespace {

// How often the progress bar moves while a program crosses the line.
constexpr int PROGRESS_REFRESH_MS = 40;
// How long a relay command's outcome stays in the status bar.
constexpr int OUTCOME_SHOWN_MS = 8000;

// A text as a menu item shows it: "&" is no mnemonic there.
QString MenuText(QString text)
{
    return text.replace(QLatin1Char('&'), QLatin1String("&&"));
}

// The status text while a command runs; -1 for none.
int StatusTextOf(RelayCommand command)
{
    switch (command) {
    case RelayCommand::Send: return Language::TEXT_STATUS_SENDING;
    case RelayCommand::Read:
    case RelayCommand::Compare:
    case RelayCommand::StartView: return Language::TEXT_STATUS_READING;
    default: return -1;
    }
}

std::vector<std::uint8_t> ImageOf(const CQuorvexDoc& doc)
{
    return std::vector<std::uint8_t>(doc.GetData(), doc.GetData() + doc.GetDataSize());
}

} // namespace

// ---------------------------------------------------------------- set-up and state

void CMainFrame::SetUpRelays()
{
    RelayState& relay = *m_pRelay;
    CRelayController& controller = relay.controller;
    relay.progressBar = new QProgressBar(statusBar());
    relay.progressBar->setObjectName(QStringLiteral("transferProgress"));
    relay.progressBar->setRange(0, 1000);
    relay.progressBar->setMaximumWidth(160);
    relay.progressBar->hide();
    statusBar()->addPermanentWidget(relay.progressBar);
    relay.relayLabel = new QLabel(statusBar());
    relay.relayLabel->setObjectName(QStringLiteral("relayStatus"));
    relay.relayLabel->setTextFormat(Qt::PlainText);
    statusBar()->addPermanentWidget(relay.relayLabel);
    relay.outcomeTimer.setSingleShot(true);
    relay.outcomeTimer.setInterval(OUTCOME_SHOWN_MS);
    connect(&relay.outcomeTimer, &QTimer::timeout, this, [this] {
        // Only the outcome goes: a command's own text or a newer message stays.
        if (m_pStatusPane && m_pStatusPane->text() == m_pRelay->outcome && !RelayCommandRunning())
            SetStatusText(QString());
        m_pRelay->outcome.clear();
    });
    relay.noRelayAction = new QAction(this);
    relay.noRelayAction->setEnabled(false);
    relay.progressTimer.setInterval(PROGRESS_REFRESH_MS);
    connect(&relay.progressTimer, &QTimer::timeout, this,
            [this] { m_pRelay->progressBar->setValue(m_pRelay->controller.ProgressPermille()); });

    // A dialog of the user's is open (a file dialog, the save question of a close): a result
    // waits until it has closed, so that the program does not change under that dialog and no
    // message box opens over it.
    controller.SetResultGate([] { return QApplication::activeModalWidget() == nullptr; });
    connect(&controller, &CRelayController::relaysChanged, this, &CMainFrame::OnRelaysChanged);
    connect(&controller, &CRelayController::searchDone, this, [this](int count) {
        ShowRelayOutcome(TheLanguageManager().Format(Language::TEXT_STATUS_SEARCH_DONE, {count}));
    });
    connect(&controller, &CRelayController::commandStarted, this, &CMainFrame::OnRelayCommandStarted);
    connect(&controller, &CRelayController::commandEnded, this, &CMainFrame::OnRelayCommandEnded);
    connect(&controller, &CRelayController::commandFinished, this, &CMainFrame::OnRelayCommandFinished);
    connect(&controller, &CRelayController::passwordWanted, this, &CMainFrame::OnPasswordWanted);
    connect(&controller, &CRelayController::viewPolled, this, [this](const RelayStates& states) {
        if (m_pPane && m_pPane->GetWorkMode() == WORK_MODE_DEVICE_VIEW)
            m_pPane->ShowRelayState(states.data());
    });
    connect(&controller, &CRelayController::viewFailed, this, [this](const RelayOutcome& outcome) {
        // The view stops before its message, so the window is back to editing behind it.
        if (m_pPane)
            m_pPane->StopView();
        UpdateCommandStates();
        ShowRelayError(outcome);
    });
}

CRelayController* CMainFrame::Relays() const
{
    return &m_pRelay->controller;
}

QProgressBar* CMainFrame::TransferProgressBar() const
{
    return m_pRelay->progressBar;
}

QLabel* CMainFrame::RelayStatusLabel() const
{
    return m_pRelay->relayLabel;
}

bool CMainFrame::RelayCommandRunning() const
{
    return m_pRelay->controller.CommandRunning();
}

void CMainFrame::OnVerifyAfterSend()
{
    m_pRelay->controller.SetVerifyAfterSend(m_actions.at(ID_TRANSMISSION_VERIFYAFTERSEND)->isChecked());
    UpdateCommandStates();
}

void CMainFrame::StopRelayWork()
{
    if (m_pPane && m_pPane->GetWorkMode() == WORK_MODE_DEVICE_VIEW)
        StopRelayView();
    m_pRelay->controller.Shutdown();
}

void CMainFrame::ShowRelayError(const RelayOutcome& outcome)
{
    if (outcome.result == RESULT_NO_PORT && outcome.openFailure == PortOpenFailure::AccessDenied
        && !outcome.port.isEmpty()) {
        // The result stays 34; its message says what to do about it.
        const Language::CLanguageManager& manager = TheLanguageManager();
        ShowErrorWithHelp(manager.Format(Language::TEXT_PORT_ACCESS_DENIED, {outcome.port}), outcome.result);
        return;
    }
    ShowError(outcome.result);
}

// ---------------------------------------------------------------- Device menu and discovery

void CMainFrame::OnSearchRelays()
{
    if (!CommandEnabledNow(ID_DEVICE_SEARCH))
        return;
    RelayState& relay = *m_pRelay;
    if (!RelayCommandRunning()) {
        // Shown until the pass is done (a command's own text takes its place).
        relay.outcomeTimer.stop();
        relay.outcome = TheLanguageManager().Text(Language::TEXT_STATUS_SEARCHING);
        SetStatusText(relay.outcome);
    }
    relay.controller.Search();
}

void CMainFrame::OnRelaysChanged()
{
    if (m_pDeviceMenu->isVisible())
        FillDeviceMenu();
    UpdateRelayStatus();
    // The choice may have changed, and with it the password commands.
    UpdateCommandStates();
}

void CMainFrame::FillDeviceMenu()
{
    const Language::CLanguageManager& manager = TheLanguageManager();
    // The relays' actions and the search belong to the window; clear() deletes only the
    // separator, which the menu made.
    m_pDeviceMenu->clear();
    std::size_t listed = 0;
    if (m_pPane) {
        const ModelCode model = m_pPane->GetModelCode();
        const DeviceMenuPlan plan = PlanDeviceMenu(m_pRelay->controller.List(), ModelNumber(model));
        const bool editing = m_pPane->GetWorkMode() == WORK_MODE_EDIT;
        for (std::size_t i = 0; i < plan.entries.size(); ++i) {
            const DeviceMenuEntry& entry = plan.entries[i];
            QAction* action = m_actions.at(ID_DEVICE_1 + int(i));
            // Its port tells two relays of one model apart; a relay of the other model says so
            // instead of being grey without a reason.
            QString text = manager.Format(entry.matches ? Language::TEXT_RELAY_ON_PORT
                                                        : Language::TEXT_RELAY_OTHER_MODEL_ENTRY,
                                          {entry.caption, entry.port});
            action->setText(MenuText(text.isEmpty() ? entry.caption : text));
            action->setToolTip(entry.matches ? QString()
                                             : manager.Format(Language::TEXT_RELAY_OTHER_MODEL_TIP,
                                                              {ModelDesignation(model)}));
            action->setCheckable(true);
            action->setChecked(int(i) == plan.candidate);
            action->setEnabled(editing && entry.matches);
            m_pDeviceMenu->addAction(action);
        }
        listed = plan.entries.size();
    }
    if (listed == 0) {
        m_pRelay->noRelayAction->setText(MenuText(manager.Text(Language::TEXT_DEVICE_NONE_FOUND)));
        m_pDeviceMenu->addAction(m_pRelay->noRelayAction);
    }
    m_pDeviceMenu->addSeparator();
    m_pDeviceMenu->addAction(m_actions.at(ID_DEVICE_SEARCH));
}

void CMainFrame::OnDeviceMenuAboutToShow()
{
    if (m_pPane)
        m_pRelay->controller.ChooseCandidate();
    FillDeviceMenu();
    UpdateRelayStatus();
    UpdateCommandStates();
}

void CMainFrame::OnSelectDevice(int index)
{
    if (!m_pPane || m_pPane->GetWorkMode() != WORK_MODE_EDIT || index >= DEVICE_COMMAND_COUNT
        || !m_pRelay->controller.SelectRelay(index))
        return;
    for (int i = 0; i < DEVICE_COMMAND_COUNT; ++i)
        m_actions.at(ID_DEVICE_1 + i)->setChecked(i == index);
}

QString CMainFrame::RelayName(const QString& port) const
{
    const CRelayList& list = m_pRelay->controller.List();
    for (int i = 0; i < list.GetCount(); ++i)
        if (list.GetPortName(i) == port) {
            const QString name = TheLanguageManager().Format(Language::TEXT_RELAY_ON_PORT, {list.GetDisplayName(i), port});
            return name.isEmpty() ? port : name;
        }
    return port;
}

void CMainFrame::UpdateRelayStatus()
{
    QLabel* label = m_pRelay->relayLabel;
    if (!label)
        return;
    if (!m_pPane) {
        label->clear();
        return;
    }
    const Language::CLanguageManager& manager = TheLanguageManager();
    const CRelayController& controller = m_pRelay->controller;
    if (controller.List().GetSelected() >= 0)
        label->setText(RelayName(controller.List().SelectedPort()));
    else if (!controller.FirstPassDone())
        label->setText(manager.Text(Language::TEXT_STATUS_SEARCHING));
    else
        label->setText(manager.Format(Language::TEXT_STATUS_NO_RELAY, {ModelDesignation(m_pPane->GetModelCode())}));
}

void CMainFrame::ShowRelayOutcome(const QString& text)
{
    RelayState& relay = *m_pRelay;
    // A command that has begun meanwhile keeps its own text.
    if (RelayCommandRunning() || text.isEmpty())
        return;
    relay.outcome = text;
    SetStatusText(text);
    relay.outcomeTimer.start();
}

// ---------------------------------------------------------------- relay commands

void CMainFrame::OnRelayCommandStarted(RelayCommand command)
{
    RelayState& relay = *m_pRelay;
    relay.commandPort = relay.controller.List().SelectedPort();
    // The outcome of an earlier command goes: the status bar is about this one now.
    relay.outcomeTimer.stop();
    relay.outcome.clear();
    const int statusText = StatusTextOf(command);
    SetStatusText(statusText >= 0 ? TheLanguageManager().Text(statusText) : QString());
    if (RelayCommandShowsProgress(command)) {
        relay.progressBar->setValue(0);
        relay.progressBar->show();
        relay.progressTimer.start();
    }
    UpdateCommandStates();
}

void CMainFrame::OnRelayCommandEnded(RelayCommand command)
{
    RelayState& relay = *m_pRelay;
    relay.progressTimer.stop();
    relay.progressBar->hide();
    if (StatusTextOf(command) >= 0)
        SetStatusText(QString());
    UpdateCommandStates();
}

void CMainFrame::ShowRelayStatusText(const Language::CLanguageManager& manager)
{
    if (!m_pRelay)
        return;
    const CRelayController& controller = m_pRelay->controller;
    if (controller.CommandRunning() && controller.WaitingForPassword())
        SetStatusText(manager.Format(Language::TEXT_STATUS_WAITING_PASSWORD, {RelayName(m_pRelay->commandPort)}));
    else if (controller.CommandRunning() && StatusTextOf(controller.RunningCommand()) >= 0)
        SetStatusText(manager.Text(StatusTextOf(controller.RunningCommand())));
    UpdateRelayStatus();
}

void CMainFrame::OnSendProgramToRelay()
{
    if (CommandEnabledNow(ID_TRANSMISSION_SENDSETTINGS) && m_pPane && m_pPane->GetDocument())
        m_pRelay->controller.Send(ImageOf(*m_pPane->GetDocument()));
}

void CMainFrame::OnReadProgramFromRelay()
{
    if (!CommandEnabledNow(ID_TRANSMISSION_READSETTINGS) || !m_pPane)
        return;
    if (AskSaveChanges() && CommandEnabledNow(ID_TRANSMISSION_READSETTINGS))
        m_pRelay->controller.Read();
}

void CMainFrame::OnCompareWithRelay()
{
    // Only reads: the open program is not touched, so unsaved changes need no question yet.
    if (CommandEnabledNow(ID_TRANSMISSION_COMPARE) && m_pPane)
        m_pRelay->controller.Compare();
}

void CMainFrame::OnRelayVersion()
{
    if (CommandEnabledNow(ID_TRANSMISSION_VERSION) && m_pPane)
        m_pRelay->controller.Version();
}

void CMainFrame::OnChangeRelayPassword()
{
    // Relays of model QVR_K115_ZQX have no password: that pane does nothing here.
    if (!CommandEnabledNow(ID_TRANSMISSION_CHANGEPASSWORD) || !m_pPane || ModelNumber(m_pPane->GetModelCode()) != 2)
        return;
    QString current, next, confirmation;
    if (!m_pDialogs->AskChangePassword(this, &current, &next, &confirmation))
        return;
    // A differing confirmation is reported before anything is sent (the worker checks the
    // texts before it opens the port).
    if (m_pPane && CommandEnabledNow(ID_TRANSMISSION_CHANGEPASSWORD))
        m_pRelay->controller.ChangePassword(current, next, confirmation);
}

void CMainFrame::OnResetRelayPassword()
{
    if (!CommandEnabledNow(ID_TRANSMISSION_RESETPASSWORD) || !m_pPane || ModelNumber(m_pPane->GetModelCode()) != 2)
        return;
    if (m_pDialogs->AskResetPassword(this) && m_pPane && CommandEnabledNow(ID_TRANSMISSION_RESETPASSWORD))
        m_pRelay->controller.ResetPassword();
}

void CMainFrame::OnStartView()
{
    if (CommandEnabledNow(ID_TRANSMISSION_STARTVIEW) && m_pPane && m_pPane->GetDocument())
        m_pRelay->controller.StartView(ImageOf(*m_pPane->GetDocument()));
}

void CMainFrame::OnStopView()
{
    if (!CommandEnabledNow(ID_TRANSMISSION_STOPVIEW))
        return;
    StopRelayView();
    UpdateCommandStates();
}

void CMainFrame::StopRelayView()
{
    m_pRelay->controller.EndView();
    if (m_pPane)
        m_pPane->StopView();
}

void CMainFrame::OnPasswordWanted()
{
    RelayState& relay = *m_pRelay;
    const bool shows = relay.progressBar->isVisible();
    // Nothing crosses the line while the user types: the status bar says what it waits for.
    ShowRelayStatusText(TheLanguageManager());
    relay.progressTimer.stop();
    relay.progressBar->hide();
    QString password;
    const bool given = m_pDialogs->AskDevicePassword(this, &password);
    relay.controller.AnswerPassword(given, password);
    ShowRelayStatusText(TheLanguageManager());
    if (shows && given && relay.controller.CommandRunning()) {
        relay.progressBar->show();
        relay.progressTimer.start();
    }
}

// ---------------------------------------------------------------- results

void CMainFrame::OnRelayCommandFinished(const RelayOutcome& outcome)
{
    if (!m_pPane)
        return;
    if (outcome.result != RESULT_OK) {
        ShowRelayError(outcome);
        // The relay runs another program than the one on screen: what differs is shown
        // right after the message, with the choice to send or to load.
        if (outcome.command == RelayCommand::StartView && outcome.result == RESULT_VIEW_MISMATCH && m_pPane
            && CommandEnabledNow(ID_TRANSMISSION_COMPARE))
            OnCompareWithRelay();
        return;
    }

    const Language::CLanguageManager& manager = TheLanguageManager();
    const QString relayName = RelayName(outcome.port);
    switch (outcome.command) {
    case RelayCommand::Send:
        ShowRelayOutcome(manager.Format(outcome.verified ? Language::TEXT_STATUS_SENT_VERIFIED
                                                         : Language::TEXT_STATUS_SENT,
                                        {relayName, outcome.seconds}));
        break;
    case RelayCommand::Compare:
        ShowComparison(outcome.image, relayName);
        break;
    case RelayCommand::Read:
        // The program changes only now that all of it has arrived.
        if (LoadRelayProgram(outcome.image))
            ShowRelayOutcome(manager.Format(Language::TEXT_STATUS_READ, {relayName, outcome.seconds}));
        break;
    case RelayCommand::StartView: {
        // The program may have been edited while the relay's was read: the view shows the
        // relay against the program on screen, so that one must still be the one compared.
        const CQuorvexDoc* doc = m_pPane->GetDocument();
        if (!doc || ImageOf(*doc) != outcome.image) {
            ShowError(RESULT_VIEW_MISMATCH);
            return;
        }
        m_pRelay->controller.BeginView();
        m_pPane->StartView();
        UpdateCommandStates();
        ShowRelayOutcome(manager.Format(Language::TEXT_STATUS_VIEW_STARTED, {relayName}));
        break;
    }
    case RelayCommand::Version: {
        const int type = DeviceProtocol::DeviceType(outcome.identification);
        const int modelText = type == 1   ? Language::TEXT_VERSION_MODEL_TYPE_1
                              : type == 2 ? Language::TEXT_VERSION_MODEL_TYPE_2
                                          : Language::TEXT_VERSION_MODEL_UNKNOWN;
        const QString version = DeviceVersionText(outcome.identification);
        ShowRelayOutcome(manager.Format(Language::TEXT_STATUS_VERSION, {relayName, version}));
        m_pDialogs->ShowVersion(this, manager.Text(Language::TEXT_VERSION_HEADING), manager.Text(modelText),
                                manager.Format(Language::TEXT_VERSION_LINE, {version}));
        break;
    }
    case RelayCommand::ChangePassword:
        ShowRelayOutcome(manager.Format(Language::TEXT_STATUS_PASSWORD_CHANGED, {relayName}));
        m_pDialogs->ShowInformation(this, manager.Text(Language::TEXT_PASSWORD_CHANGED_CAPTION),
                                    manager.Text(Language::TEXT_PASSWORD_CHANGED_TEXT));
        break;
    case RelayCommand::ResetPassword:
        ShowRelayOutcome(manager.Format(Language::TEXT_STATUS_PASSWORD_RESET, {relayName}));
        m_pDialogs->ShowInformation(this, manager.Text(Language::TEXT_PASSWORD_RESET_CAPTION),
                                    manager.Text(Language::TEXT_PASSWORD_RESET_TEXT));
        break;
    case RelayCommand::None:
        break;
    }
}

// ---------------------------------------------------------------- comparison

bool CMainFrame::LoadRelayProgram(const std::vector<std::uint8_t>& image)
{
    if (!m_pPane || !m_pPane->ReplaceProgram(image.data(), int(image.size()), true))
        return false;
    // Like a new program: unsaved, and the next Save asks for a name.
    ProgramIsUntitled();
    return true;
}

void CMainFrame::ShowComparison(const std::vector<std::uint8_t>& relayImage, const QString& relayName)
{
    CQuorvexDoc* doc = m_pPane ? m_pPane->GetDocument() : nullptr;
    if (!doc)
        return;
    const Language::CLanguageManager& manager = TheLanguageManager();
    // The relay's program in a document of its own: the open one stays as it is.
    const std::unique_ptr<CQuorvexDoc> relayDoc = CreateDocument(doc->GetModelCode());
    if (!relayDoc || relayDoc->GetDataSize() != int(relayImage.size())) {
        ShowError(RESULT_WRONG_MODEL);
        return;
    }
    std::copy(relayImage.begin(), relayImage.end(), relayDoc->GetData());
    if (relayImage == ImageOf(*doc)) {
        ShowRelayOutcome(manager.Format(Language::TEXT_STATUS_COMPARED_EQUAL, {relayName}));
        m_pDialogs->ShowInformation(this, manager.Text(Language::TEXT_COMPARE_TITLE),
                                    manager.Text(Language::TEXT_COMPARE_EQUAL));
        return;
    }
    ShowRelayOutcome(manager.Format(Language::TEXT_STATUS_COMPARED_DIFFERENT,
                                    {relayName, int(ComparePrograms(*doc, *relayDoc, TheLanguageManager()).steps.size())}));
    const int choice = m_pDialogs->CompareWithRelay(this, *doc, *relayDoc);
    // The window may have changed while the dialog was open (closed, another program).
    if (!m_pPane)
        return;
    if (choice == CCompareProgramsDlg::CHOICE_SEND_PC) {
        // A normal Send, read back when that option is on.
        OnSendProgramToRelay();
    } else if (choice == CCompareProgramsDlg::CHOICE_LOAD_RELAY) {
        if (!AskSaveChanges() || !m_pPane || !CommandEnabledNow(ID_TRANSMISSION_READSETTINGS))
            return;
        if (LoadRelayProgram(relayImage))
            ShowRelayOutcome(manager.Format(Language::TEXT_STATUS_LOADED, {relayName}));
    }
}
