// The main window's command table: one row per command with every fact of it.

#include "Commands.h"

#include "MainFrame.h"
#include "TextIds.h"

using namespace CommandIds;
using namespace Language;
using R = EnableRule;
using C = CheckRule;
using F = CMainFrame;

namespace {

// id, placeholder caption, caption text, keys, tool bar image, help text, enabled, checked, handler
constexpr CommandInfo COMMANDS[] = {
    {ID_FILE_NEW, "SUBMENU_FILE_NEW", TEXT_MENU_FILE_NEW, "Ctrl+N", ":/toolbar-new.svg", TEXT_HELP_NEW,
     R::MakesProgram, C::None, &F::OnFileNew},
    {ID_FILE_NEW_FROM_EXAMPLE, "SUBMENU_FILE_NEW_FROM_EXAMPLE", TEXT_MENU_NEW_FROM_EXAMPLE, nullptr, nullptr,
     TEXT_HELP_NEW_FROM_EXAMPLE, R::MakesProgram, C::None, &F::OnFileNewFromExample},
    {ID_FILE_OPEN, "SUBMENU_FILE_OPEN", TEXT_MENU_FILE_OPEN, "Ctrl+O", ":/toolbar-open.svg", TEXT_HELP_OPEN,
     R::MakesProgram, C::None, &F::OnFileOpen},
    {ID_FILE_SAVE, "SUBMENU_FILE_SAVE", TEXT_MENU_FILE_SAVE, "Ctrl+S", ":/toolbar-save.svg", TEXT_HELP_SAVE,
     R::Editing, C::None, &F::OnFileSave},
    {ID_FILE_SAVE_AS, "SUBMENU_FILE_SAVEAS", TEXT_MENU_FILE_SAVE_AS, nullptr, nullptr, TEXT_HELP_SAVE_AS,
     R::Editing, C::None, &F::OnFileSaveAs},
    {ID_FILE_EXPORTDOC, "SUBMENU_FILE_EXPORTDOC", TEXT_MENU_FILE_EXPORT, nullptr, ":/toolbar-export.svg",
     TEXT_HELP_EXPORT, R::Editing, C::None, &F::OnFileExportDoc},
    {ID_FILE_EXPORT_PICTURE, "SUBMENU_FILE_EXPORT_PICTURE", TEXT_MENU_EXPORT_PICTURE, nullptr,
     ":/toolbar-export-picture.svg", TEXT_HELP_EXPORT_PICTURE, R::Editing, C::None, &F::OnFileExportPicture},
    {ID_FILE_PRINT, "SUBMENU_FILE_PRINT", TEXT_MENU_PRINT, "Ctrl+P", ":/toolbar-print.svg", TEXT_HELP_PRINT,
     R::Editing, C::None, &F::OnFilePrint},
    {ID_FILE_PRINT_PREVIEW, "SUBMENU_FILE_PRINT_PREVIEW", TEXT_MENU_PRINT_PREVIEW, nullptr,
     ":/toolbar-print-preview.svg", TEXT_HELP_PRINT_PREVIEW, R::Editing, C::None, &F::OnFilePrintPreview},
    // Undo and Redo name the change they take back: their captions follow the history.
    {ID_EDIT_UNDO, "SUBMENU_EDIT_UNDO", -1, "Ctrl+Z", ":/toolbar-undo.svg", TEXT_HELP_UNDO,
     R::Undo, C::None, &F::OnEditUndo},
    {ID_EDIT_REDO, "SUBMENU_EDIT_REDO", -1, "Ctrl+Shift+Z; Ctrl+Y", ":/toolbar-redo.svg", TEXT_HELP_REDO,
     R::Redo, C::None, &F::OnEditRedo},
    {ID_APP_EXIT, "SUBMENU_FILE_EXIT", TEXT_MENU_FILE_EXIT, "Alt+F4", nullptr, TEXT_HELP_EXIT,
     R::Always, C::None, &F::OnAppExit},
    {ID_TRANSMISSION_SENDSETTINGS, "SUBMENU_TRANSMISSION_SENDSETTINGS", TEXT_MENU_TRANSMISSION_0, "Ctrl+T",
     ":/toolbar-send.svg", TEXT_HELP_SEND, R::RelayCommand, C::None, &F::OnSendProgramToRelay},
    {ID_TRANSMISSION_VERIFYAFTERSEND, "SUBMENU_TRANSMISSION_VERIFYAFTERSEND", TEXT_MENU_VERIFY_AFTER_SEND, nullptr,
     nullptr, TEXT_HELP_VERIFY_AFTER_SEND, R::Always, C::VerifyAfterSend, &F::OnVerifyAfterSend},
    {ID_TRANSMISSION_READSETTINGS, "SUBMENU_TRANSMISSION_READSETTINGS", TEXT_MENU_TRANSMISSION_0 + 1, "Ctrl+R",
     ":/toolbar-read.svg", TEXT_HELP_READ, R::RelayCommand, C::None, &F::OnReadProgramFromRelay},
    {ID_TRANSMISSION_COMPARE, "SUBMENU_TRANSMISSION_COMPARE", TEXT_MENU_COMPARE_WITH_RELAY, nullptr, nullptr,
     TEXT_HELP_COMPARE_WITH_RELAY, R::RelayCommand, C::None, &F::OnCompareWithRelay},
    {ID_TRANSMISSION_VERSION, "SUBMENU_TRANSMISSION_VERSION", TEXT_MENU_TRANSMISSION_0 + 2, nullptr, nullptr,
     TEXT_HELP_VERSION, R::RelayCommand, C::None, &F::OnRelayVersion},
    {ID_TRANSMISSION_CHANGEPASSWORD, "SUBMENU_TRANSMISSION_CHANGEPASSWORD", TEXT_MENU_TRANSMISSION_0 + 4, nullptr,
     nullptr, -1, R::PasswordCommand, C::None, &F::OnChangeRelayPassword},
    {ID_TRANSMISSION_RESETPASSWORD, "SUBMENU_TRANSMISSION_RESETPASSWORD", TEXT_MENU_TRANSMISSION_0 + 5, nullptr,
     nullptr, -1, R::PasswordCommand, C::None, &F::OnResetRelayPassword},
    {ID_TRANSMISSION_STARTVIEW, "SUBMENU_TRANSMISSION_STARTVIEW", TEXT_MENU_TRANSMISSION_0 + 7, "F6",
     ":/toolbar-start-view.svg", TEXT_HELP_START_VIEW, R::RelayCommand, C::None, &F::OnStartView},
    {ID_TRANSMISSION_STOPVIEW, "SUBMENU_TRANSMISSION_STOPVIEW", TEXT_MENU_TRANSMISSION_0 + 8, "F7",
     ":/toolbar-stop-view.svg", TEXT_HELP_STOP_VIEW, R::Viewing, C::None, &F::OnStopView},
    {ID_TRANSMISSION_SIMULATIONMODE, "SUBMENU_TRANSMISSION_SIMULATIOMODE", TEXT_MENU_TRANSMISSION_0 + 10, nullptr,
     ":/toolbar-simulation-mode.svg", TEXT_HELP_SIMULATION_MODE, R::SimulationToggle, C::Simulating,
     &F::OnSimulationMode},
    {ID_TRANSMISSION_STARTSIMULATION, "SUBMENU_TRANSMISSION_STARTSIMULATION", TEXT_MENU_TRANSMISSION_0 + 11, "F5",
     ":/toolbar-start-simulation.svg", TEXT_HELP_START_SIMULATION, R::SimulationStopped, C::None,
     &F::OnStartSimulation},
    {ID_TRANSMISSION_STEPPING, "SUBMENU_TRANSMISSION_STEPPING", TEXT_MENU_TRANSMISSION_0 + 12, "F11",
     ":/toolbar-stepping.svg", TEXT_HELP_STEPPING, R::SimulationStopped, C::None, &F::OnStepping},
    {ID_TRANSMISSION_SKIP, "SUBMENU_TRANSMISSION_SKIP", TEXT_MENU_TRANSMISSION_0 + 13, "F10", ":/toolbar-skip.svg",
     TEXT_HELP_SKIP, R::SimulationStopped, C::None, &F::OnSkip},
    {ID_TRANSMISSION_STOPSIMULATION, "SUBMENU_TRANSMISSION_STOPSIMULATION", TEXT_MENU_TRANSMISSION_0 + 14,
     "Ctrl+Shift+F5", ":/toolbar-stop-simulation.svg", TEXT_HELP_STOP_SIMULATION, R::SimulationRunning, C::None,
     &F::OnStopSimulation},
    {ID_TRANSMISSION_RESET, "SUBMENU_TRANSMISSION_RESET", TEXT_MENU_TRANSMISSION_0 + 15, "Shift+F5",
     ":/toolbar-reset.svg", TEXT_HELP_RESET_SIMULATION, R::SimulationStopped, C::None, &F::OnResetSimulation},
    {ID_HELP_USER_GUIDE, "SUBMENU_HELP_USER_GUIDE", TEXT_MENU_USER_GUIDE, "F1", nullptr, TEXT_HELP_USER_GUIDE,
     R::Always, C::None, &F::OnHelpUserGuide},
    {ID_APP_ABOUT, "SUBMENU_ABOUT_ABOUT", TEXT_MENU_ABOUT, nullptr, nullptr, TEXT_HELP_ABOUT,
     R::Always, C::None, &F::OnAppAbout},
    // The diagram shows the program of the pane.
    {ID_VIEW_TIMELINE, "SUBMENU_VIEW_TIMELINE", TEXT_MENU_VIEW_TIMELINE, "F12", nullptr, TEXT_HELP_VIEW_TIMELINE,
     R::HasPane, C::TimelineShown, &F::OnViewTimeline},
    // The relays found belong to the pane's list.
    {ID_DEVICE_SEARCH, "SUBMENU_DEVICE_SEARCH", TEXT_MENU_SEARCH_RELAYS, nullptr, nullptr, TEXT_HELP_SEARCH_RELAYS,
     R::HasPane, C::None, &F::OnSearchRelays},
    // The speeds: also while a simulation runs, which goes on at the new speed. Each is
    // connected with the speed it stands for (SimulationSpeedMenuItems).
    {ID_SIMULATION_SPEED_COMPRESSED, "SUBMENU_SPEED_COMPRESSED", TEXT_MENU_SPEED_COMPRESSED, nullptr, nullptr,
     TEXT_HELP_SPEED_COMPRESSED, R::HasPane, C::Speed, nullptr},
    {ID_SIMULATION_SPEED_REAL_TIME, "SUBMENU_SPEED_REAL_TIME", TEXT_MENU_SPEED_REAL_TIME, nullptr, nullptr,
     TEXT_HELP_SPEED_REAL_TIME, R::HasPane, C::Speed, nullptr},
    {ID_SIMULATION_SPEED_TIMES_10, "SUBMENU_SPEED_TIMES_10", TEXT_MENU_SPEED_TIMES_10, nullptr, nullptr,
     TEXT_HELP_SPEED_TIMES_10, R::HasPane, C::Speed, nullptr},
    {ID_SIMULATION_SPEED_TIMES_60, "SUBMENU_SPEED_TIMES_60", TEXT_MENU_SPEED_TIMES_60, nullptr, nullptr,
     TEXT_HELP_SPEED_TIMES_60, R::HasPane, C::Speed, nullptr},
};

} // namespace

std::span<const CommandInfo> Commands() { return COMMANDS; }
