#include "Commands.h"

#include "TextIds.h"

#include <algorithm>

using namespace CommandIds;

namespace {

constexpr CommandInfo COMMANDS[] = {
    {ID_FILE_NEW, "SUBMENU_FILE_NEW", "Ctrl+N", ":/toolbar-new.svg", Language::TEXT_HELP_NEW},
    {ID_FILE_NEW_FROM_EXAMPLE, "SUBMENU_FILE_NEW_FROM_EXAMPLE", nullptr, nullptr, Language::TEXT_HELP_NEW_FROM_EXAMPLE},
    {ID_FILE_OPEN, "SUBMENU_FILE_OPEN", "Ctrl+O", ":/toolbar-open.svg", Language::TEXT_HELP_OPEN},
    {ID_FILE_SAVE, "SUBMENU_FILE_SAVE", "Ctrl+S", ":/toolbar-save.svg", Language::TEXT_HELP_SAVE},
    {ID_FILE_SAVE_AS, "SUBMENU_FILE_SAVEAS", nullptr, nullptr, Language::TEXT_HELP_SAVE_AS},
    {ID_FILE_EXPORTDOC, "SUBMENU_FILE_EXPORTDOC", nullptr, ":/toolbar-export.svg", Language::TEXT_HELP_EXPORT},
    {ID_FILE_EXPORT_PICTURE, "SUBMENU_FILE_EXPORT_PICTURE", nullptr, ":/toolbar-export-picture.svg", Language::TEXT_HELP_EXPORT_PICTURE},
    {ID_FILE_PRINT, "SUBMENU_FILE_PRINT", "Ctrl+P", ":/toolbar-print.svg", Language::TEXT_HELP_PRINT},
    {ID_FILE_PRINT_PREVIEW, "SUBMENU_FILE_PRINT_PREVIEW", nullptr, ":/toolbar-print-preview.svg", Language::TEXT_HELP_PRINT_PREVIEW},
    {ID_EDIT_UNDO, "SUBMENU_EDIT_UNDO", "Ctrl+Z", ":/toolbar-undo.svg", Language::TEXT_HELP_UNDO},
    {ID_EDIT_REDO, "SUBMENU_EDIT_REDO", "Ctrl+Shift+Z; Ctrl+Y", ":/toolbar-redo.svg", Language::TEXT_HELP_REDO},
    {ID_APP_EXIT, "SUBMENU_FILE_EXIT", "Alt+F4", nullptr, Language::TEXT_HELP_EXIT},
    {ID_TRANSMISSION_SENDSETTINGS, "SUBMENU_TRANSMISSION_SENDSETTINGS", "Ctrl+T", ":/toolbar-send.svg", Language::TEXT_HELP_SEND},
    {ID_TRANSMISSION_VERIFYAFTERSEND, "SUBMENU_TRANSMISSION_VERIFYAFTERSEND", nullptr, nullptr, Language::TEXT_HELP_VERIFY_AFTER_SEND},
    {ID_TRANSMISSION_READSETTINGS, "SUBMENU_TRANSMISSION_READSETTINGS", "Ctrl+R", ":/toolbar-read.svg", Language::TEXT_HELP_READ},
    {ID_TRANSMISSION_COMPARE, "SUBMENU_TRANSMISSION_COMPARE", nullptr, nullptr, Language::TEXT_HELP_COMPARE_WITH_RELAY},
    {ID_TRANSMISSION_VERSION, "SUBMENU_TRANSMISSION_VERSION", nullptr, nullptr, Language::TEXT_HELP_VERSION},
    {ID_TRANSMISSION_CHANGEPASSWORD, "SUBMENU_TRANSMISSION_CHANGEPASSWORD", nullptr, nullptr, -1},
    {ID_TRANSMISSION_RESETPASSWORD, "SUBMENU_TRANSMISSION_RESETPASSWORD", nullptr, nullptr, -1},
    {ID_TRANSMISSION_STARTVIEW, "SUBMENU_TRANSMISSION_STARTVIEW", "F6", ":/toolbar-start-view.svg", Language::TEXT_HELP_START_VIEW},
    {ID_TRANSMISSION_STOPVIEW, "SUBMENU_TRANSMISSION_STOPVIEW", "F7", ":/toolbar-stop-view.svg", Language::TEXT_HELP_STOP_VIEW},
    {ID_TRANSMISSION_SIMULATIONMODE, "SUBMENU_TRANSMISSION_SIMULATIOMODE", nullptr, ":/toolbar-simulation-mode.svg", Language::TEXT_HELP_SIMULATION_MODE},
    {ID_TRANSMISSION_STARTSIMULATION, "SUBMENU_TRANSMISSION_STARTSIMULATION", "F5", ":/toolbar-start-simulation.svg", Language::TEXT_HELP_START_SIMULATION},
    {ID_TRANSMISSION_STEPPING, "SUBMENU_TRANSMISSION_STEPPING", "F11", ":/toolbar-stepping.svg", Language::TEXT_HELP_STEPPING},
    {ID_TRANSMISSION_SKIP, "SUBMENU_TRANSMISSION_SKIP", "F10", ":/toolbar-skip.svg", Language::TEXT_HELP_SKIP},
    {ID_TRANSMISSION_STOPSIMULATION, "SUBMENU_TRANSMISSION_STOPSIMULATION", "Ctrl+Shift+F5", ":/toolbar-stop-simulation.svg", Language::TEXT_HELP_STOP_SIMULATION},
    {ID_TRANSMISSION_RESET, "SUBMENU_TRANSMISSION_RESET", "Shift+F5", ":/toolbar-reset.svg", Language::TEXT_HELP_RESET_SIMULATION},
    {ID_HELP_USER_GUIDE, "SUBMENU_HELP_USER_GUIDE", "F1", nullptr, Language::TEXT_HELP_USER_GUIDE},
    {ID_APP_ABOUT, "SUBMENU_ABOUT_ABOUT", nullptr, nullptr, Language::TEXT_HELP_ABOUT},
    {ID_VIEW_TIMELINE, "SUBMENU_VIEW_TIMELINE", "F12", nullptr, Language::TEXT_HELP_VIEW_TIMELINE},
    {ID_DEVICE_SEARCH, "SUBMENU_DEVICE_SEARCH", nullptr, nullptr, Language::TEXT_HELP_SEARCH_RELAYS},
    {ID_SIMULATION_SPEED_COMPRESSED, "SUBMENU_SPEED_COMPRESSED", nullptr, nullptr, Language::TEXT_HELP_SPEED_COMPRESSED},
    {ID_SIMULATION_SPEED_REAL_TIME, "SUBMENU_SPEED_REAL_TIME", nullptr, nullptr, Language::TEXT_HELP_SPEED_REAL_TIME},
    {ID_SIMULATION_SPEED_TIMES_10, "SUBMENU_SPEED_TIMES_10", nullptr, nullptr, Language::TEXT_HELP_SPEED_TIMES_10},
    {ID_SIMULATION_SPEED_TIMES_60, "SUBMENU_SPEED_TIMES_60", nullptr, nullptr, Language::TEXT_HELP_SPEED_TIMES_60},
};

constexpr SpeedCommand SPEED_MENU[] = {
    {ID_SIMULATION_SPEED_COMPRESSED, 0},
    {ID_SIMULATION_SPEED_REAL_TIME, 1},
    {ID_SIMULATION_SPEED_TIMES_10, 10},
    {ID_SIMULATION_SPEED_TIMES_60, 60},
};

const SpeedCommand* FindSpeedCommand(int id)
{
    for (const SpeedCommand& command : SPEED_MENU)
        if (command.id == id)
            return &command;
    return nullptr;
}

constexpr int FILE_MENU[] = {ID_FILE_NEW, ID_FILE_NEW_FROM_EXAMPLE, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS, 0,
                             ID_FILE_EXPORTDOC, ID_FILE_EXPORT_PICTURE, 0,
                             ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW, 0,
                             ID_FILE_MRU_FILE1, ID_FILE_MRU_FILE1 + 1, ID_FILE_MRU_FILE1 + 2, ID_FILE_MRU_FILE1 + 3,
                             ID_FILE_MRU_FILE1 + 4, ID_FILE_MRU_FILE1 + 5, ID_FILE_MRU_FILE1 + 6, ID_FILE_MRU_FILE8, 0,
                             ID_APP_EXIT};
static_assert(RECENT_FILE_COUNT == 8, "the File menu lists every recent file");

constexpr int EDIT_MENU[] = {ID_EDIT_UNDO, ID_EDIT_REDO};

constexpr int TRANSMISSION_MENU[] = {
    ID_TRANSMISSION_SENDSETTINGS,    ID_TRANSMISSION_VERIFYAFTERSEND,
    ID_TRANSMISSION_READSETTINGS,    ID_TRANSMISSION_COMPARE,       ID_TRANSMISSION_VERSION,       0,
    ID_TRANSMISSION_CHANGEPASSWORD,  ID_TRANSMISSION_RESETPASSWORD, 0,
    ID_TRANSMISSION_STARTVIEW,       ID_TRANSMISSION_STOPVIEW,      0,
    ID_TRANSMISSION_SIMULATIONMODE,  ID_TRANSMISSION_STARTSIMULATION, ID_TRANSMISSION_STEPPING,
    ID_TRANSMISSION_SKIP,            ID_TRANSMISSION_STOPSIMULATION,  ID_TRANSMISSION_RESET,          0,
    ID_VIEW_TIMELINE,
};

constexpr int TOOL_BAR[] = {
    ID_FILE_NEW, ID_FILE_OPEN, 0, ID_FILE_SAVE, 0, ID_EDIT_UNDO, ID_EDIT_REDO, 0, ID_FILE_EXPORTDOC, ID_FILE_PRINT, 0,
    ID_TRANSMISSION_SENDSETTINGS, ID_TRANSMISSION_READSETTINGS, 0,
    ID_TRANSMISSION_STARTVIEW, ID_TRANSMISSION_STOPVIEW, 0,
    ID_TRANSMISSION_SIMULATIONMODE, ID_TRANSMISSION_STARTSIMULATION, ID_TRANSMISSION_STEPPING,
    ID_TRANSMISSION_SKIP, ID_TRANSMISSION_STOPSIMULATION, ID_TRANSMISSION_RESET,
};

bool IsLanguageCommand(int id)
{
    return std::find(std::begin(ID_VIEW_LANGUAGE), std::end(ID_VIEW_LANGUAGE), id) != std::end(ID_VIEW_LANGUAGE);
}

// Captions of the Relay menu's commands, set by command.
constexpr std::pair<int, int> TRANSMISSION_MENU_TEXTS[] = {
    {ID_TRANSMISSION_SENDSETTINGS, Language::TEXT_MENU_TRANSMISSION_0},
    {ID_TRANSMISSION_VERIFYAFTERSEND, Language::TEXT_MENU_VERIFY_AFTER_SEND},
    {ID_TRANSMISSION_READSETTINGS, Language::TEXT_MENU_TRANSMISSION_0 + 1},
    {ID_TRANSMISSION_COMPARE, Language::TEXT_MENU_COMPARE_WITH_RELAY},
    {ID_TRANSMISSION_VERSION, Language::TEXT_MENU_TRANSMISSION_0 + 2},
    {ID_TRANSMISSION_CHANGEPASSWORD, Language::TEXT_MENU_TRANSMISSION_0 + 4},
    {ID_TRANSMISSION_RESETPASSWORD, Language::TEXT_MENU_TRANSMISSION_0 + 5},
    {ID_TRANSMISSION_STARTVIEW, Language::TEXT_MENU_TRANSMISSION_0 + 7},
    {ID_TRANSMISSION_STOPVIEW, Language::TEXT_MENU_TRANSMISSION_0 + 8},
    {ID_TRANSMISSION_SIMULATIONMODE, Language::TEXT_MENU_TRANSMISSION_0 + 10},
    {ID_TRANSMISSION_STARTSIMULATION, Language::TEXT_MENU_TRANSMISSION_0 + 11},
    {ID_TRANSMISSION_STEPPING, Language::TEXT_MENU_TRANSMISSION_0 + 12},
    {ID_TRANSMISSION_SKIP, Language::TEXT_MENU_TRANSMISSION_0 + 13},
    {ID_TRANSMISSION_STOPSIMULATION, Language::TEXT_MENU_TRANSMISSION_0 + 14},
    {ID_TRANSMISSION_RESET, Language::TEXT_MENU_TRANSMISSION_0 + 15},
    {ID_SIMULATION_SPEED_COMPRESSED, Language::TEXT_MENU_SPEED_COMPRESSED},
    {ID_SIMULATION_SPEED_REAL_TIME, Language::TEXT_MENU_SPEED_REAL_TIME},
    {ID_SIMULATION_SPEED_TIMES_10, Language::TEXT_MENU_SPEED_TIMES_10},
    {ID_SIMULATION_SPEED_TIMES_60, Language::TEXT_MENU_SPEED_TIMES_60},
};

} // namespace

std::span<const std::pair<int, int>> TransmissionMenuTexts() { return TRANSMISSION_MENU_TEXTS; }
std::span<const SpeedCommand> SimulationSpeedMenuItems() { return SPEED_MENU; }

std::span<const CommandInfo> Commands() { return COMMANDS; }
std::span<const int> FileMenuItems() { return FILE_MENU; }
std::span<const int> EditMenuItems() { return EDIT_MENU; }
std::span<const int> TransmissionMenuItems() { return TRANSMISSION_MENU; }
std::span<const int> ToolBarItems() { return TOOL_BAR; }

const CommandInfo* FindCommand(int id)
{
    for (const CommandInfo& command : COMMANDS)
        if (command.id == id)
            return &command;
    return nullptr;
}

bool IsCommandEnabled(int id, const CommandStateInputs& inputs)
{
    const bool editing = inputs.hasPane && inputs.mode == WORK_MODE_EDIT;
    const bool simulating = inputs.hasPane && inputs.mode == WORK_MODE_SIMULATION;
    switch (id) {
    case ID_APP_EXIT:
    case ID_APP_ABOUT:
    case ID_HELP_USER_GUIDE:
    case ID_TRANSMISSION_VERIFYAFTERSEND:
        return true;
    case ID_FILE_NEW:
    case ID_FILE_NEW_FROM_EXAMPLE:
    case ID_FILE_OPEN:
        // Both make a pane when there is none; so does opening a recent file. While a relay
        // command runs they would replace the program that the command reads into or compares
        // with.
        return !inputs.hasPane || (inputs.mode == WORK_MODE_EDIT && !inputs.relayCommandRunning);
    case ID_EDIT_UNDO:
        // Only while editing: in a simulation or the live view the program must stay as it
        // runs, and a relay command may be reading into it or comparing with it.
        return editing && inputs.canUndo && !inputs.relayCommandRunning;
    case ID_EDIT_REDO:
        return editing && inputs.canRedo && !inputs.relayCommandRunning;
    case ID_FILE_SAVE:
    case ID_FILE_SAVE_AS:
    case ID_FILE_EXPORTDOC:
    case ID_FILE_EXPORT_PICTURE:
    case ID_FILE_PRINT:
    case ID_FILE_PRINT_PREVIEW:
        return editing;
    // One relay command at a time: the others wait until it has ended.
    case ID_TRANSMISSION_SENDSETTINGS:
    case ID_TRANSMISSION_READSETTINGS:
    case ID_TRANSMISSION_COMPARE:
    case ID_TRANSMISSION_VERSION:
    case ID_TRANSMISSION_STARTVIEW:
        return editing && !inputs.relayCommandRunning;
    case ID_TRANSMISSION_CHANGEPASSWORD:
    case ID_TRANSMISSION_RESETPASSWORD:
        return editing && !inputs.relayCommandRunning && inputs.selectedRelayIsModel2;
    case ID_TRANSMISSION_STOPVIEW:
        return inputs.hasPane && inputs.mode == WORK_MODE_DEVICE_VIEW;
    case ID_TRANSMISSION_SIMULATIONMODE:
        // Not while a relay command runs: a live view that starts would find the pane simulating.
        return inputs.hasPane && inputs.mode != WORK_MODE_DEVICE_VIEW && !inputs.relayCommandRunning;
    case ID_TRANSMISSION_STARTSIMULATION:
    case ID_TRANSMISSION_STEPPING:
    case ID_TRANSMISSION_SKIP:
    case ID_TRANSMISSION_RESET:
        return simulating && !inputs.simulationRunning;
    case ID_TRANSMISSION_STOPSIMULATION:
        return simulating && inputs.simulationRunning;
    case ID_VIEW_TIMELINE:
        // The diagram shows the program of the pane.
        return inputs.hasPane;
    case ID_DEVICE_SEARCH:
        // The relays found belong to the pane's list.
        return inputs.hasPane;
    case ID_SIMULATION_SPEED_COMPRESSED:
    case ID_SIMULATION_SPEED_REAL_TIME:
    case ID_SIMULATION_SPEED_TIMES_10:
    case ID_SIMULATION_SPEED_TIMES_60:
        // Also while a simulation runs: it goes on at the new speed.
        return inputs.hasPane;
    default:
        if (id >= ID_FILE_MRU_FILE1 && id <= ID_FILE_MRU_FILE8)
            return !inputs.hasPane || (inputs.mode == WORK_MODE_EDIT && !inputs.relayCommandRunning);
        // The relays of the Device menu get their state when that menu is built.
        return IsLanguageCommand(id) || (id >= ID_DEVICE_1 && id <= ID_DEVICE_10);
    }
}

bool IsCommandChecked(int id, const CommandStateInputs& inputs)
{
    if (id == ID_TRANSMISSION_VERIFYAFTERSEND)
        return inputs.verifyAfterSend;
    if (id == ID_VIEW_TIMELINE)
        return inputs.timelineShown;
    if (const SpeedCommand* speed = FindSpeedCommand(id))
        return speed->speed == inputs.simulationSpeed;
    return id == ID_TRANSMISSION_SIMULATIONMODE && inputs.hasPane && inputs.mode == WORK_MODE_SIMULATION;
}

QString HelpPrompt(const QString& help)
{
    const qsizetype feed = help.indexOf(QLatin1Char('\n'));
    return feed < 0 ? help : help.left(feed);
}

QString HelpToolTip(const QString& help)
{
    const qsizetype feed = help.indexOf(QLatin1Char('\n'));
    if (feed < 0)
        return QString();
    QString tip = help.mid(feed + 1);
    if (tip.size() > MAX_TOOL_TIP) {
        // Never keep half of a character that takes two UTF-16 units.
        const bool splitsPair = tip.at(MAX_TOOL_TIP - 1).isHighSurrogate();
        tip.truncate(splitsPair ? MAX_TOOL_TIP - 1 : MAX_TOOL_TIP);
    }
    return tip;
}
