#include "Commands.h"

#include "TextIds.h"

#include <algorithm>

using namespace CommandIds;

namespace {

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

} // namespace

std::span<const SpeedCommand> SimulationSpeedMenuItems() { return SPEED_MENU; }

std::span<const int> FileMenuItems() { return FILE_MENU; }
std::span<const int> EditMenuItems() { return EDIT_MENU; }
std::span<const int> TransmissionMenuItems() { return TRANSMISSION_MENU; }
std::span<const int> ToolBarItems() { return TOOL_BAR; }

const CommandInfo* FindCommand(int id)
{
    for (const CommandInfo& command : Commands())
        if (command.id == id)
            return &command;
    return nullptr;
}

bool IsCommandEnabled(int id, const CommandStateInputs& inputs)
{
    const bool editing = inputs.hasPane && inputs.mode == WORK_MODE_EDIT;
    const bool simulating = inputs.hasPane && inputs.mode == WORK_MODE_SIMULATION;
    const CommandInfo* command = FindCommand(id);
    if (!command) {
        // Recent files open like Open.
        if (id >= ID_FILE_MRU_FILE1 && id <= ID_FILE_MRU_FILE8)
            return !inputs.hasPane || (editing && !inputs.relayCommandRunning);
        // The relays of the Device menu get their state when that menu is built.
        return IsLanguageCommand(id) || (id >= ID_DEVICE_1 && id <= ID_DEVICE_10);
    }
    switch (command->enabled) {
    case EnableRule::Always:
        return true;
    case EnableRule::MakesProgram:
        // These make a pane when there is none. While a relay command runs they would replace
        // the program that the command reads into or compares with.
        return !inputs.hasPane || (editing && !inputs.relayCommandRunning);
    case EnableRule::Editing:
        return editing;
    // Undo and Redo only while editing: in a simulation or the live view the program must stay
    // as it runs, and a relay command may be reading into it or comparing with it.
    case EnableRule::Undo:
        return editing && inputs.canUndo && !inputs.relayCommandRunning;
    case EnableRule::Redo:
        return editing && inputs.canRedo && !inputs.relayCommandRunning;
    case EnableRule::RelayCommand:
        // One relay command at a time: the others wait until it has ended.
        return editing && !inputs.relayCommandRunning;
    case EnableRule::PasswordCommand:
        return editing && !inputs.relayCommandRunning && inputs.selectedRelayIsModel2;
    case EnableRule::Viewing:
        return inputs.hasPane && inputs.mode == WORK_MODE_DEVICE_VIEW;
    case EnableRule::SimulationToggle:
        // Not while a relay command runs: a live view that starts would find the pane simulating.
        return inputs.hasPane && inputs.mode != WORK_MODE_DEVICE_VIEW && !inputs.relayCommandRunning;
    case EnableRule::SimulationStopped:
        return simulating && !inputs.simulationRunning;
    case EnableRule::SimulationRunning:
        return simulating && inputs.simulationRunning;
    case EnableRule::HasPane:
        return inputs.hasPane;
    }
    return false;
}

bool IsCommandChecked(int id, const CommandStateInputs& inputs)
{
    const CommandInfo* command = FindCommand(id);
    switch (command ? command->checked : CheckRule::None) {
    case CheckRule::None:
        return false;
    case CheckRule::Simulating:
        return inputs.hasPane && inputs.mode == WORK_MODE_SIMULATION;
    case CheckRule::VerifyAfterSend:
        return inputs.verifyAfterSend;
    case CheckRule::TimelineShown:
        return inputs.timelineShown;
    case CheckRule::Speed: {
        const SpeedCommand* speed = FindSpeedCommand(id);
        return speed && speed->speed == inputs.simulationSpeed;
    }
    }
    return false;
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
