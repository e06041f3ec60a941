#pragma once
// Command IDs of the main window (menu items, keys and tool bar buttons), the IDs of the tool
// bar's language controls and the main window's timer. One QAction per command carries its ID
// (QAction::data).

namespace CommandIds {

enum CommandId : int {
    // File menu.
    ID_FILE_NEW = 57600,
    // An example program as a new, untitled program.
    ID_FILE_NEW_FROM_EXAMPLE = 32920,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_EXPORTDOC = 32854,
    ID_FILE_EXPORT_PICTURE = 32900,
    ID_FILE_PRINT = 57607,
    ID_FILE_PRINT_PREVIEW = 57609,
    ID_APP_EXIT = 57665,

    // File menu: the recently used programs 1..8 (ID_FILE_MRU_FILE1 + i).
    ID_FILE_MRU_FILE1 = 57616,
    ID_FILE_MRU_FILE8 = 57623,

    // Edit menu.
    ID_EDIT_UNDO = 57643,
    ID_EDIT_REDO = 57644,

    // Device menu: the attached relays 1..10 (ID_DEVICE_1 + i).
    ID_DEVICE_1 = 32838,
    ID_DEVICE_10 = 32847,
    // Device menu, below the relays: a discovery pass at once.
    ID_DEVICE_SEARCH = 32903,

    // Transmission menu: relay transfers, live view, simulation.
    ID_TRANSMISSION_SENDSETTINGS = 32777,
    ID_TRANSMISSION_READSETTINGS = 32779,
    ID_TRANSMISSION_VERSION = 32781,
    ID_TRANSMISSION_CHANGEPASSWORD = 32878,
    ID_TRANSMISSION_RESETPASSWORD = 32879,
    ID_TRANSMISSION_STARTVIEW = 32789,
    ID_TRANSMISSION_STOPVIEW = 32783,
    ID_TRANSMISSION_SIMULATIONMODE = 32849,
    ID_TRANSMISSION_STARTSIMULATION = 32790,
    ID_TRANSMISSION_STEPPING = 32786,
    ID_TRANSMISSION_SKIP = 32788,
    ID_TRANSMISSION_STOPSIMULATION = 32792,
    ID_TRANSMISSION_RESET = 32795,
    // Read the program back after a send and compare it (an option, checked when on).
    ID_TRANSMISSION_VERIFYAFTERSEND = 32880,
    // Read the relay's program and show the steps that differ from the open one.
    ID_TRANSMISSION_COMPARE = 32902,

    // About menu (the Help menu): the user guide, the About box.
    ID_HELP_USER_GUIDE = 57670,
    ID_APP_ABOUT = 57664,

    // Relay menu, at its end: show or hide the timing diagram.
    ID_VIEW_TIMELINE = 32901,
    // Relay menu, after the timing diagram: show or hide the Problems panel (the program
    // check's findings).
    ID_VIEW_PROBLEMS = 32904,

    // Relay menu, the simulation's speed: the compressed time steps of the design, or relay
    // time at 1, 10 or 60 times the wall clock (one of them checked).
    ID_SIMULATION_SPEED_COMPRESSED = 32910,
    ID_SIMULATION_SPEED_REAL_TIME = 32911,
    ID_SIMULATION_SPEED_TIMES_10 = 32912,
    ID_SIMULATION_SPEED_TIMES_60 = 32913,
};

constexpr int DEVICE_COMMAND_COUNT = ID_DEVICE_10 - ID_DEVICE_1 + 1;
constexpr int RECENT_FILE_COUNT = ID_FILE_MRU_FILE8 - ID_FILE_MRU_FILE1 + 1;

// View menu: language 0..9 of the language list (not evenly spaced).
constexpr int LANGUAGE_COMMAND_COUNT = 10;
constexpr int ID_VIEW_LANGUAGE[LANGUAGE_COMMAND_COUNT] = {32804, 32806, 32808, 32810, 32812,
                                                          32814, 32816, 32818, 32820, 32823};

// Language controls at the right end of the tool bar.
constexpr int IDC_LANGUAGE_LIST = 1080;
constexpr int IDC_LANGUAGE_ICON = 1081;

// Relay discovery on the main window.
constexpr int DISCOVERY_TIMER_ID = 1;
constexpr int DISCOVERY_PERIOD_MS = 5000;

} // namespace CommandIds
