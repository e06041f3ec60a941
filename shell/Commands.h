#pragma once
// The main window's commands as data: one row per command with its ID, placeholder caption,
// caption text, key, tool bar image, help text, the rules of its enabled state and check mark,
// and its handler (CommandTable.cpp); the order of the menus and of the tool bar; and the
// evaluation of the rules. No widgets here: the main window builds its actions, menus and tool
// bar from these tables, and tests check the rules directly.

#include "CommandIds.h"
#include "PaneTypes.h"

#include <QString>

#include <span>
#include <utility>

class CMainFrame;

// What decides whether a command can be used (IsCommandEnabled).
enum class EnableRule {
    Always,             // needs nothing
    MakesProgram,       // New, Open and the like: without a pane, or editing with no relay command
    Editing,            // a pane in the edit mode
    Undo,               // editing, no relay command, a change to undo
    Redo,               // editing, no relay command, an undone change to redo
    RelayCommand,       // editing, no relay command running (one at a time)
    PasswordCommand,    // a relay command for a QVS_K115_318 chosen in the Device menu
    Viewing,            // the live view of a relay
    SimulationToggle,   // a pane not in the live view, no relay command
    SimulationStopped,  // the simulation mode with the simulation stopped
    SimulationRunning,  // the simulation mode with the simulation running
    HasPane,            // a pane, whatever its mode
};

// What decides whether a command carries a check mark (IsCommandChecked); None: no check mark.
enum class CheckRule {
    None,
    Simulating,       // the simulation mode
    VerifyAfterSend,  // the option is on
    TimelineShown,    // the timing diagram is shown
    Speed,            // the simulation speed the command stands for is chosen
};

// The main window's handler of a command (null: the window connects it itself).
using CommandHandler = void (CMainFrame::*)();

// One row per command: every fact of the command in one place.
struct CommandInfo {
    int id;
    const char* key;      // caption until the language's text replaces it
    int captionTextId;    // the caption's text ID in the language; -1: none (set elsewhere)
    const char* shortcut; // keys in portable text form ("Ctrl+N", several: "Ctrl+Y; Ctrl+Z"), or null
    const char* image;    // tool bar image in the resources (":/..."), or null
    int helpTextId;       // help text: status bar prompt, line feed, tool tip; or -1
    EnableRule enabled;
    CheckRule checked;
    CommandHandler handler;
    bool Checkable() const { return checked != CheckRule::None; }
};

// Every command with a fixed action, in no particular order (the device commands and the
// recent files, whose captions are relay names and paths, are left out).
std::span<const CommandInfo> Commands();
// The entry of a command; null for an ID not in the table.
const CommandInfo* FindCommand(int id);

// Menu and tool bar contents in order; 0 stands for a separator.
std::span<const int> FileMenuItems();
std::span<const int> EditMenuItems();
std::span<const int> TransmissionMenuItems();
std::span<const int> ToolBarItems();
// The simulation speed submenu of the Relay menu, after the command it follows there: its
// commands in order, and the speed each stands for (0: compressed time steps; else relay time
// at that many times the wall clock).
constexpr int SPEED_MENU_AFTER = CommandIds::ID_TRANSMISSION_RESET;
struct SpeedCommand {
    int id;
    int speed;
};
std::span<const SpeedCommand> SimulationSpeedMenuItems();

// What the enabled states depend on.
struct CommandStateInputs {
    bool hasPane = false;
    WorkMode mode = WORK_MODE_EDIT;     // the pane's work mode
    bool simulationRunning = false;
    bool selectedRelayIsModel2 = false; // the relay chosen in the Device menu is a QVS_K115_318
    bool relayCommandRunning = false;   // a relay command of the user (send, read, ...) has not ended
    bool verifyAfterSend = true;        // the option: a send reads the program back and compares it
    bool canUndo = false;               // the program has a change to undo
    bool canRedo = false;               // ... or an undone change to redo
    bool timelineShown = false;         // the timing diagram is shown
    int simulationSpeed = 0;            // the speed chosen (SimulationSpeedMenuItems)
};

// Whether a command can be used. Without a pane only New, Open and the commands that need no
// program (Exit, About, languages, relays) can: there is no document to save or run.
bool IsCommandEnabled(int id, const CommandStateInputs& inputs);
// Whether a command carries a check mark (Simulation mode while simulating, Verify after send
// while that option is on, the timing diagram while it is shown, the simulation speed chosen).
bool IsCommandChecked(int id, const CommandStateInputs& inputs);

// The two parts of a help text "prompt\ntool tip": the prompt, shown in the status bar while
// the command is highlighted, and the tool tip, cut to MAX_TOOL_TIP characters (empty when
// the text has no line feed).
constexpr int MAX_TOOL_TIP = 79;
QString HelpPrompt(const QString& help);
QString HelpToolTip(const QString& help);
