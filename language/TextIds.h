#pragma once
// Numbers of the user-interface texts of a language module (0..303), and the placeholders
// of the texts that are used as formats. A name ending in _0 starts a run of texts indexed
// by a value (the first text of the run stands for value 0).
//
// Result codes 21..42 are text IDs too: the message of a result code has the code's number
// (see ResultCodes.h), so those texts are not named again here.

namespace Language {

enum TextId : int {
    // Relay model question dialog.
    TEXT_QUERY_MODEL_CAPTION = 0,
    TEXT_QUERY_MODEL_GROUP = 1,
    TEXT_QUERY_MODEL_QVR_K115_ZQX = 2,
    TEXT_QUERY_MODEL_QVS_K115_318 = 3,
    TEXT_QUERY_MODEL_OK = 4,
    TEXT_QUERY_MODEL_CANCEL = 5,

    // Main frame.
    TEXT_PROGRAM_NAME = 6,
    TEXT_DEFAULT_FILE_NAME = 7,
    TEXT_UNTITLED = 8,
    TEXT_PROGRAM_FILE_FILTER = 9,      // NUL-separated description/pattern pairs
    TEXT_PROGRAM_FILE_EXTENSION = 10,
    TEXT_SAVE_CHANGES_CAPTION = 11,
    TEXT_SAVE_CHANGES_QUESTION = 12,   // format: file name
    TEXT_DESCRIPTION_FILE_FILTER = 13, // NUL-separated description/pattern pairs
    TEXT_DESCRIPTION_FILE_EXTENSION = 14,

    // Text description headings.
    TEXT_DESC_TITLE_QVR_K115_ZQX = 15, // format: step name or number
    TEXT_DESC_JUMP_TARGET = 16,        // format: target name or number
    TEXT_DESC_TIME = 17,
    TEXT_DESC_TIME_JUMP = 18,
    TEXT_DESC_TITLE_QVS_K115_318 = 19, // format: channel number, step name or number

    TEXT_ERROR_CAPTION = 20,
    TEXT_FIRST_RESULT = 21,            // 21..42: messages of the result codes
    TEXT_LAST_RESULT = 42,

    TEXT_STATUS_SENDING = 43,
    TEXT_STATUS_READING = 44,

    // Menus: top level 45..49, File menu items, Transmission menu 72..87 (75, 78 and 81 are
    // the separators and stay null), About menu.
    TEXT_MENU_TOP_0 = 45,
    TEXT_MENU_FILE_NEW = 50,
    TEXT_MENU_FILE_OPEN = 51,
    TEXT_MENU_FILE_SAVE = 52,
    TEXT_MENU_FILE_SAVE_AS = 53,
    TEXT_MENU_FILE_EXPORT = 56,
    TEXT_MENU_FILE_EXIT = 61,
    TEXT_MENU_TRANSMISSION_0 = 72,
    TEXT_MENU_TRANSMISSION_SEPARATOR_1 = 75,
    TEXT_MENU_TRANSMISSION_SEPARATOR_2 = 78,
    TEXT_MENU_TRANSMISSION_SEPARATOR_3 = 81,
    TEXT_MENU_ABOUT = 103,

    // Command help texts: prompt, line feed, tool tip.
    TEXT_HELP_NEW = 62,
    TEXT_HELP_OPEN = 63,
    TEXT_HELP_SAVE = 64,
    TEXT_HELP_SAVE_AS = 65,
    TEXT_HELP_EXPORT = 67,
    TEXT_HELP_EXIT = 70,
    TEXT_HELP_SEND = 88,
    TEXT_HELP_READ = 89,
    TEXT_HELP_VERSION = 90,
    TEXT_HELP_START_VIEW = 91,
    TEXT_HELP_STOP_VIEW = 92,
    TEXT_HELP_SIMULATION_MODE = 93,
    TEXT_HELP_START_SIMULATION = 94,
    TEXT_HELP_STEPPING = 95,
    TEXT_HELP_SKIP = 96,
    TEXT_HELP_STOP_SIMULATION = 97,
    TEXT_HELP_RESET_SIMULATION = 98,
    TEXT_HELP_ABOUT = 104,

    // About box and relay version dialog.
    TEXT_ABOUT_CAPTION = 105,
    TEXT_ABOUT_LINE_2 = 106,
    TEXT_ABOUT_LINE_3 = 107,
    TEXT_ABOUT_VERSION = 109,          // format: three integers
    TEXT_VERSION_CAPTION = 110,
    TEXT_VERSION_HEADING = 111,
    TEXT_VERSION_MODEL_TYPE_1 = 112,
    TEXT_VERSION_MODEL_TYPE_2 = 113,
    TEXT_VERSION_MODEL_UNKNOWN = 114,
    TEXT_VERSION_LINE = 115,           // format: version text
    TEXT_VERSION_OK = 116,

    // Start step.
    TEXT_POWER_ON_STATE = 117,
    TEXT_QVR_POWER_ON_ON = 118,
    TEXT_QVR_POWER_ON_OFF = 119,
    TEXT_QVS_POWER_ON_GROUP = 120,
    TEXT_QVS_POWER_ON_RELAY1_0 = 121,  // + m(state): not set, on, off
    TEXT_QVS_POWER_ON_RELAY2_0 = 124,
    TEXT_START_DELAY = 127,
    TEXT_START_DELAY_0 = 128,          // + option 0..3

    // State change step.
    TEXT_RELAY_OPERATION = 132,
    TEXT_QVR_OPERATION_0 = 133,        // + operation 0..3
    TEXT_QVS_OPERATION_GROUP = 137,
    TEXT_QVS_OPERATION_RELAY1_0 = 138, // + operation 0..3
    TEXT_QVS_OPERATION_RELAY2_0 = 142,
    TEXT_STATE_JUMP = 146,
    TEXT_STATE_NO_JUMP = 147,
    TEXT_STATE_JUMP_TO = 148,
    TEXT_STATE_TARGET_START = 149,
    TEXT_STATE_TARGET_STOP = 150,

    // Condition step.
    TEXT_CONDITION = 151,
    TEXT_QVR_CONDITION_CODE_0 = 152,   // + condition code 0..9
    TEXT_CONDITION_GROUP = 162,
    TEXT_QVS_CONDITION_LABEL = 163,
    TEXT_QVS_CONDITION_TYPE_0 = 164,   // + condition type 0..7
    TEXT_QVS_CONDITION_OPERATOR_0 = 172, // + operator 0..3
    TEXT_QVS_CONDITION_TERM_0 = 176,   // + term code 0..7
    TEXT_QVS_CONDITION_EXPRESSION = 184,
    TEXT_CONDITION_JUMP = 185,
    TEXT_CONDITION_JUMP_TWO_WAY = 186,
    TEXT_CONDITION_JUMP_WAIT = 187,
    TEXT_CONDITION_ALT_JUMP = 188,
    TEXT_CONDITION_NO_JUMP = 189,
    TEXT_CONDITION_JUMP_TO = 190,
    TEXT_CONDITION_TARGET_START = 191,
    TEXT_CONDITION_TARGET_STOP = 192,

    // Time step.
    TEXT_TIME_GROUP = 193,
    TEXT_TIME_SOURCE = 194,
    TEXT_TIME_FIXED = 195,
    TEXT_TIME_POTENTIOMETER = 196,
    TEXT_TIME_UNIT_LABEL = 197,
    TEXT_TIME_UNIT_0 = 198,            // + unit 0..6
    TEXT_PANEL_SECONDS = 205,          // format: one double
    TEXT_PANEL_MINUTES = 206,          // format: minutes, seconds
    TEXT_PANEL_HOURS = 207,            // format: hours, minutes
    TEXT_STOP_CONDITION = 208,
    TEXT_QVR_STOP_CONDITION_0 = 209,   // + type 0..5
    TEXT_TIME_NO_JUMP = 215,
    TEXT_TIME_JUMP_TO = 216,
    TEXT_TIME_TARGET_START = 217,
    TEXT_TIME_TARGET_STOP = 218,
    TEXT_QVS_STOP_CONDITION_GROUP = 219,
    TEXT_QVS_STOP_CONDITION_LABEL_1 = 220,
    TEXT_QVS_STOP_CONDITION_LABEL_2 = 221,
    TEXT_QVS_STOP_CONDITION_0 = 222,   // + type 0..5
    TEXT_QVS_STOP_OPERATOR_0 = 228,    // + operator 0..3
    TEXT_QVS_STOP_TERM_0 = 232,        // + term code 0..7
    TEXT_QVS_STOP_EXPRESSION = 240,

    // Common settings panels.
    TEXT_QVR_INPUT_GROUP = 241,
    TEXT_QVR_INPUT_MODE_0 = 242,       // + mode 0..1
    TEXT_QVR_RELAY_GROUP = 248,
    TEXT_QVR_RELAY_CAPTION = 249,
    TEXT_QVS_RELAY_GROUP = 250,
    TEXT_QVS_RELAY1_LABEL = 251,
    TEXT_QVS_RELAY2_LABEL = 252,
    TEXT_POT_GROUP = 253,
    TEXT_POT_UNIT_LABEL = 254,
    TEXT_POT_UNIT_0 = 255,             // + unit 0..6

    // Password dialogs and messages.
    TEXT_CHANGE_PASSWORD_CAPTION = 265,
    TEXT_CHANGE_PASSWORD_CURRENT = 266,
    TEXT_CHANGE_PASSWORD_NEW = 267,
    TEXT_CHANGE_PASSWORD_REPEAT = 268,
    TEXT_CHANGE_PASSWORD_OK = 269,
    TEXT_CHANGE_PASSWORD_CANCEL = 270,
    TEXT_PASSWORD_CHANGED_CAPTION = 271,
    TEXT_PASSWORD_CHANGED_TEXT = 272,
    TEXT_RESET_PASSWORD_CAPTION = 273,
    TEXT_RESET_PASSWORD_QUESTION = 274,
    TEXT_RESET_PASSWORD_OK = 275,
    TEXT_RESET_PASSWORD_CANCEL = 276,
    TEXT_PASSWORD_RESET_TEXT = 277,
    TEXT_PASSWORD_RESET_CAPTION = 278,
    TEXT_PASSWORD_ENTRY_CAPTION = 279,
    TEXT_PASSWORD_ENTRY_PROMPT = 280,
    TEXT_PASSWORD_ENTRY_OK = 281,

    // Step boxes and step names.
    TEXT_START_NAME = 282,
    TEXT_BOX_START_DELAY = 283,
    TEXT_BOX_QVR_OPERATION_0 = 284,    // + operation 0..3
    TEXT_BOX_QVR_OPERATION_CAPTION = 288,
    TEXT_BOX_QVS_RELAY1_OPERATION_0 = 289, // + operation 0..3
    TEXT_BOX_QVS_RELAY2_OPERATION_0 = 293,
    TEXT_BOX_TIME_GROUP = 297,         // format: group number
    TEXT_BOX_TIME_FIXED = 298,
    TEXT_BOX_TIME_POTENTIOMETER = 299,
    TEXT_DESC_SECONDS = 300,           // format: one double
    TEXT_DESC_MINUTES = 301,           // format: minutes, seconds
    TEXT_DESC_HOURS = 302,             // format: hours, minutes
    TEXT_STOP_NAME = 303,

    // Extended texts (see TEXT_EXTENDED_FIRST), in ranges by feature:
    //   304..339  relays in the window (device worker, password rules, port permissions)
    //   340..399  editor additions (undo and redo, recent files, printing, pictures)
    //   400..459  timing diagram, comparison with the relay, verify after send
    //   460..599  the command-line tool's own wording
    //   600..649  file safety (targets that are not regular files, file names)
    //   700..759  program check and scenario tests
    //   760..799  the user guide, context help and the example programs

    // A port that exists but that the user may not open (result 34 stays the result).
    TEXT_PORT_ACCESS_DENIED = 304,     // format: port name
    // The Relay menu's option that reads a sent program back and compares it: its caption
    // (a menu item after Send, with a mnemonic) and its help text.
    TEXT_MENU_VERIFY_AFTER_SEND = 305,
    TEXT_HELP_VERIFY_AFTER_SEND = 306,

    // Buttons of the main window's message boxes and of the About box.
    TEXT_BUTTON_YES = 340,
    TEXT_BUTTON_NO = 341,
    TEXT_BUTTON_CANCEL = 342,
    TEXT_BUTTON_OK = 343,

    // Editor additions: the Edit menu with undo and redo, printing, pictures of the program,
    // recent files.
    TEXT_MENU_EDIT = 344,
    TEXT_MENU_UNDO = 345,              // Undo while there is nothing to undo
    TEXT_MENU_REDO = 346,
    TEXT_MENU_UNDO_CHANGE = 347,       // format: the change (TEXT_CHANGE_...)
    TEXT_MENU_REDO_CHANGE = 348,       // format: the change
    TEXT_HELP_UNDO = 349,
    TEXT_HELP_REDO = 350,
    TEXT_MENU_PRINT = 351,
    TEXT_MENU_PRINT_PREVIEW = 352,
    TEXT_MENU_EXPORT_PICTURE = 353,
    TEXT_HELP_PRINT = 354,
    TEXT_HELP_PRINT_PREVIEW = 355,
    TEXT_HELP_EXPORT_PICTURE = 356,
    TEXT_PICTURE_FILE_FILTER = 357,    // NUL-separated description/pattern pairs: PDF, SVG, PNG
    TEXT_PICTURE_UNKNOWN_TYPE = 358,   // format: file name
    TEXT_RECENT_FILE_MISSING = 359,    // format: path
    TEXT_PRINT_FAILED = 360,
    TEXT_OPEN_ARGUMENT_FAILED = 361,   // format: path (the message of the result follows)
    // What a change of the program is called in the undo history ("Undo time of step 4").
    TEXT_CHANGE_POWER_ON = 362,
    TEXT_CHANGE_START_DELAY = 363,
    TEXT_CHANGE_OPERATION = 364,       // format: step
    TEXT_CHANGE_JUMP = 365,            // format: step
    TEXT_CHANGE_ALT_JUMP = 366,        // format: step
    TEXT_CHANGE_CONDITION = 367,       // format: step
    TEXT_CHANGE_TIME_SOURCE = 368,     // format: step
    TEXT_CHANGE_TIME = 369,            // format: step
    TEXT_CHANGE_STOP_CONDITION = 370,  // format: step
    TEXT_CHANGE_READ = 371,
    TEXT_CHANGE_IN_CHANNEL = 372,      // format: the change, channel
    // Print-out: page header, channel headings, the description's heading, page numbers.
    TEXT_PRINT_FILE = 373,             // format: file name
    TEXT_PRINT_MODEL = 374,            // format: relay model
    TEXT_PRINT_DATE = 375,             // format: date
    TEXT_PRINT_CHANNEL = 376,          // format: channel
    TEXT_PRINT_DESCRIPTION = 377,
    TEXT_PRINT_PAGE = 378,             // format: page, pages
    // Timing diagram: the View menu's command and its help, the dock and its panel.
    TEXT_MENU_VIEW_TIMELINE = 400,
    TEXT_HELP_VIEW_TIMELINE = 401,
    TEXT_TIMELINE_TITLE = 402,
    TEXT_TIMELINE_INPUT = 403,          // format: input number
    TEXT_TIMELINE_RELAY = 404,          // format: relay number
    TEXT_TIMELINE_STEP = 405,           // the step lane of a one-channel program
    TEXT_TIMELINE_CHANNEL_STEP = 406,   // format: channel number
    TEXT_TIMELINE_COLUMN_TIME = 407,
    TEXT_TIMELINE_COLUMN_INPUT = 408,
    TEXT_TIMELINE_COLUMN_VALUE = 409,
    TEXT_TIMELINE_ON = 410,
    TEXT_TIMELINE_OFF = 411,
    TEXT_TIMELINE_ADD = 412,
    TEXT_TIMELINE_REMOVE = 413,
    TEXT_TIMELINE_FIT = 414,
    TEXT_TIMELINE_EXPORT_CSV = 415,
    TEXT_TIMELINE_EXPORT_PICTURE = 416,
    TEXT_TIMELINE_UNTIL = 417,
    TEXT_TIMELINE_SOURCE_COMPUTED = 418,
    TEXT_TIMELINE_SOURCE_RECORDED = 419,
    TEXT_TIMELINE_COMPUTING = 420,
    TEXT_TIMELINE_LOOP_NOTE = 421,      // format: time
    TEXT_TIMELINE_CHATTER_NOTE = 422,   // format: time
    TEXT_TIMELINE_TRUNCATED_NOTE = 423, // format: time, most changes
    TEXT_TIMELINE_CSV_FILTER = 424,     // NUL-separated description/pattern pairs
    TEXT_TIMELINE_PICTURE_FILTER = 425, // NUL-separated description/pattern pairs
    TEXT_TIMELINE_MILLISECONDS = 426,   // format: number
    TEXT_TIMELINE_SECONDS = 427,        // format: number
    TEXT_TIMELINE_MINUTES = 428,        // format: number
    TEXT_TIMELINE_HOURS = 429,          // format: number
    TEXT_TIMELINE_CURSOR = 430,         // format: time
    TEXT_TIMELINE_SIMULATION = 431,
    TEXT_TIMELINE_BAD_TIME = 432,
    TEXT_TIMELINE_INPUT_CHANGES = 433,
    TEXT_TIMELINE_HINT = 434,
    // Comparing two programs (quorvexctl diff, and the window's comparison with a relay).
    TEXT_DIFF_OTHER_MODEL = 440,        // format: model, model
    TEXT_DIFF_HIDDEN_BITS = 441,
    TEXT_DIFF_SUMMARY = 442,            // format: number of steps
    TEXT_COMPARE_TITLE = 443,           // the comparison of the PC's program with the relay's
    TEXT_COMPARE_PC = 444,              // column: the PC's program
    TEXT_COMPARE_RELAY = 445,           // column: the relay's program
    TEXT_COMPARE_SEND_PC = 446,
    TEXT_COMPARE_LOAD_RELAY = 447,
    TEXT_COMPARE_CLOSE = 448,
    TEXT_COMPARE_EQUAL = 449,
    // The Relay menu's command that compares the open program with the relay's.
    TEXT_MENU_COMPARE_WITH_RELAY = 450,
    TEXT_HELP_COMPARE_WITH_RELAY = 451,
    // The relays as the window shows them: the Device menu's entries and its search, the
    // status bar's relay, and what each relay command did.
    TEXT_RELAY_ON_PORT = 520,            // format: relay name, port
    TEXT_RELAY_OTHER_MODEL_ENTRY = 521,  // format: relay name, port
    TEXT_RELAY_OTHER_MODEL_TIP = 522,    // format: the open program's relay model
    TEXT_DEVICE_NONE_FOUND = 523,
    TEXT_MENU_SEARCH_RELAYS = 524,
    TEXT_HELP_SEARCH_RELAYS = 525,
    TEXT_STATUS_NO_RELAY = 526,          // format: relay model
    TEXT_STATUS_SEARCHING = 527,
    TEXT_STATUS_SEARCH_DONE = 528,       // format: number of relays found
    TEXT_STATUS_SENT = 529,              // format: relay, seconds
    TEXT_STATUS_SENT_VERIFIED = 530,     // format: relay, seconds
    TEXT_STATUS_READ = 531,              // format: relay, seconds
    TEXT_STATUS_COMPARED_EQUAL = 532,    // format: relay
    TEXT_STATUS_COMPARED_DIFFERENT = 533, // format: relay, number of steps
    TEXT_STATUS_VERSION = 534,           // format: relay, version
    TEXT_STATUS_PASSWORD_CHANGED = 535,  // format: relay
    TEXT_STATUS_PASSWORD_RESET = 536,    // format: relay
    TEXT_STATUS_VIEW_STARTED = 537,      // format: relay
    TEXT_STATUS_WAITING_PASSWORD = 538,  // format: relay
    TEXT_STATUS_LOADED = 539,            // format: relay
    // The password entry's button that does what Escape does.
    TEXT_PASSWORD_ENTRY_CANCEL = 540,

    // A save target that exists but is no regular file; it is left as it is.
    TEXT_TARGET_NOT_REGULAR_FILE = 600, // format: path
    // A command-line argument that is not valid UTF-8 (shown with \xNN escapes); refused.
    TEXT_ARGUMENT_NOT_UTF8 = 601,       // format: the argument
    // Messages of the result codes 460..463 (ResultCodes.h), shown like those of 21..42.
    TEXT_RESULT_VERIFY_MISMATCH = 460,
    TEXT_RESULT_PASSWORD_TOO_LONG = 461,
    TEXT_RESULT_NO_PASSWORD = 462,
    TEXT_RESULT_INVALID_PROGRAM_TEXT = 463,

    // The command-line tool's wording of failures whose window texts name menus and boxes,
    // or that only a terminal has.
    TEXT_CTL_NO_SUCH_PORT = 470,       // format: port
    TEXT_CTL_PORT_BUSY = 471,          // format: port
    TEXT_CTL_PORT_NOT_OPENED = 472,    // format: port
    TEXT_CTL_NO_RELAYS = 473,
    TEXT_CTL_SEVERAL_RELAYS = 474,     // format: count, list of ports
    TEXT_CTL_WRONG_MODEL = 475,        // format: port, relay model, program model
    TEXT_CTL_NO_PASSWORD = 476,        // format: model
    TEXT_CTL_PASSWORD_REFUSED = 477,   // format: port
    TEXT_CTL_PASSWORD_WANTED = 478,    // format: port
    TEXT_CTL_PASSWORD_MISMATCH = 479,
    TEXT_CTL_VIEW_MISMATCH = 480,      // format: port, program file
    TEXT_CTL_PASSWORD_TOO_LONG = 481,  // format: where it came from, its length in bytes
    TEXT_CTL_VERIFY_MISMATCH = 482,    // format: port, bytes that differ, bytes sent, first offset
    TEXT_CTL_FILE_EXISTS = 483,        // format: file
    TEXT_CTL_TEXT_WARNING = 484,     // format: the problem (step, field and what)
    TEXT_CTL_RESET_REFUSED = 485,      // format: port

    // Errors in a program text (ProgramText.h): where, then what.
    TEXT_PT_WHERE_STEP = 490,          // format: step
    TEXT_PT_WHERE_CHANNEL_STEP = 491,  // format: channel, step
    TEXT_PT_WHERE_FIELD = 492,         // format: field name
    TEXT_PT_INVALID_UTF8 = 493,
    TEXT_PT_TOO_LARGE = 494,
    TEXT_PT_SYNTAX = 495,              // format: what was expected, what was found
    TEXT_PT_EXPECTED_OBJECT = 496,
    TEXT_PT_EXPECTED_LIST = 497,
    TEXT_PT_EXPECTED_STRING = 498,
    TEXT_PT_EXPECTED_WHOLE_NUMBER = 499,
    TEXT_PT_MISSING_FIELD = 500,
    TEXT_PT_UNKNOWN_FIELD = 501,       // format: the fields there are
    TEXT_PT_NO_FIELDS = 502,
    TEXT_PT_DUPLICATE_FIELD = 503,     // format: line of the first one
    TEXT_PT_DUPLICATE_ARGUMENT = 504,
    TEXT_PT_UNKNOWN_VALUE = 505,       // format: value, the values there are
    TEXT_PT_OUT_OF_RANGE = 506,        // format: value, the range
    TEXT_PT_JUMP_PAST_STOP = 507,      // format: value
    TEXT_PT_TIME_NOT_EXACT = 508,      // format: time, range, nearest times
    TEXT_PT_TIME_NOT_EXACT_ANY = 509,  // format: time, nearest times
    TEXT_PT_WRONG_KIND = 510,          // format: the step's kind, the kind written
    TEXT_PT_DUPLICATE_STEP = 511,      // format: line of the first one
    TEXT_PT_START_DELAY_CHANNEL = 512,
    TEXT_PT_RESERVED_BITS = 513,       // format: value, the reserved bits
    TEXT_PT_UNSUPPORTED_FORMAT = 514,  // format: format name, version
    // A time typed into the time dialog or the potentiometer panel.
    TEXT_TIME_ENTRY_NOT_EXACT = 560,   // format: typed, shorter, longer, the one set
    TEXT_TIME_ENTRY_TOO_LONG = 561,    // format: typed, the one set
    TEXT_TIME_ENTRY_TOO_SHORT = 562,   // format: typed, the one set
    TEXT_TIME_ENTRY_UNREADABLE = 563,  // format: typed
    TEXT_TIME_ENTRY_TIP = 564,
    // The simulation's speed: the Relay menu's submenu, its commands and their help, and
    // the status bar while the simulation mode is on.
    TEXT_MENU_SIMULATION_SPEED = 565,
    TEXT_MENU_SPEED_COMPRESSED = 566,
    TEXT_MENU_SPEED_REAL_TIME = 567,
    TEXT_MENU_SPEED_TIMES_10 = 568,
    TEXT_MENU_SPEED_TIMES_60 = 569,
    TEXT_HELP_SPEED_COMPRESSED = 570,
    TEXT_HELP_SPEED_REAL_TIME = 571,
    TEXT_HELP_SPEED_TIMES_10 = 572,
    TEXT_HELP_SPEED_TIMES_60 = 573,
    TEXT_STATUS_SIMULATION_COMPRESSED = 574, // format: relay time
    TEXT_STATUS_SIMULATION_REAL_TIME = 575,  // format: relay time
    TEXT_STATUS_SIMULATION_FASTER = 576,     // format: speed factor, relay time
    // Timing diagram: the end field's tool tip.
    TEXT_TIMELINE_UNTIL_TIP = 577,

    // Program check: the findings (check/ProgramCheck.h).
    TEXT_CHECK_LOOP_SWITCHING = 700,   // format: the steps of the loop (TEXT_PT_WHERE_STEP or TEXT_CHECK_STEPS)
    TEXT_CHECK_LOOP = 701,             // format: the steps of the loop
    TEXT_CHECK_JUMP_PAST_STOP = 702,   // format: jump target
    TEXT_CHECK_NEVER_RUNS = 703,
    TEXT_CHECK_TIME_ZERO = 704,
    TEXT_CHECK_UNKNOWN_RANGE = 705,    // format: range code
    TEXT_CHECK_WAIT_NEVER_ENDS = 706,
    TEXT_CHECK_WAIT_NEVER_WAITS = 707,
    TEXT_CHECK_BRANCH_ONE_WAY = 708,   // format: the step the branch always goes to
    TEXT_CHECK_STOP_NEVER = 709,
    TEXT_CHECK_STOP_ALWAYS = 710,
    TEXT_CHECK_STEPS = 735,            // format: a list of step numbers ("4, 5, 6")
    // Scenario tests: expectations, what a run showed, errors of scenario files
    // (check/Scenario.h, check/ScenarioRun.h). Times arrive as TEXT_SCENARIO_SECONDS.
    TEXT_SCENARIO_RELAY_ON = 711,      // format: relay, time
    TEXT_SCENARIO_RELAY_OFF = 712,     // format: relay, time
    TEXT_SCENARIO_SWITCHES_ON = 713,   // format: relay, time (perhaps TEXT_SCENARIO_WITHIN)
    TEXT_SCENARIO_SWITCHES_OFF = 714,  // format: relay, time
    TEXT_SCENARIO_SWITCHES = 715,      // format: relay, time
    TEXT_SCENARIO_STEADY = 716,        // format: relay, time, time
    TEXT_SCENARIO_STEP = 717,          // format: step, time
    TEXT_SCENARIO_CHANNEL_STEP = 718,  // format: channel, step, time
    TEXT_SCENARIO_SECONDS = 719,       // format: the number of seconds, written out exactly
    TEXT_SCENARIO_WITHIN = 720,        // format: time, tolerance
    TEXT_SCENARIO_IS_ON = 721,         // format: since when
    TEXT_SCENARIO_IS_OFF = 722,        // format: since when
    TEXT_SCENARIO_SWITCHED_ON = 723,   // format: time
    TEXT_SCENARIO_SWITCHED_OFF = 724,  // format: time
    TEXT_SCENARIO_NO_SWITCH_ON = 725,
    TEXT_SCENARIO_NO_SWITCH_OFF = 726,
    TEXT_SCENARIO_NO_SWITCH = 727,
    TEXT_SCENARIO_CHATTERS = 728,      // format: time
    TEXT_SCENARIO_AT_STEP = 729,       // format: step, since when
    TEXT_SCENARIO_SUMMARY = 730,       // format: expectations that hold, all expectations
    TEXT_SCENARIO_OTHER_MODEL = 731,   // format: the scenario's model, the program's model
    TEXT_SCENARIO_ONE_SUBJECT = 732,   // format: the subjects there are
    TEXT_SCENARIO_FROM_AFTER_TO = 733,
    TEXT_SCENARIO_UNSUPPORTED_FORMAT = 734, // format: format name, version
    // The example programs (File > New from example, quorvexctl new --example): the title and
    // the description of each.
    TEXT_EXAMPLE_IMPULSE_TITLE = 760,
    TEXT_EXAMPLE_IMPULSE_TEXT = 761,
    TEXT_EXAMPLE_STAIRCASE_TITLE = 762,
    TEXT_EXAMPLE_STAIRCASE_TEXT = 763,
    TEXT_EXAMPLE_ON_DELAY_TITLE = 764,
    TEXT_EXAMPLE_ON_DELAY_TEXT = 765,
    TEXT_EXAMPLE_OFF_DELAY_TITLE = 766,
    TEXT_EXAMPLE_OFF_DELAY_TEXT = 767,
    TEXT_EXAMPLE_FLASHER_TITLE = 768,
    TEXT_EXAMPLE_FLASHER_TEXT = 769,
    TEXT_EXAMPLE_STAR_DELTA_TITLE = 770,
    TEXT_EXAMPLE_STAR_DELTA_TEXT = 771,
    TEXT_EXAMPLE_PUMPS_TITLE = 772,
    TEXT_EXAMPLE_PUMPS_TEXT = 773,
    // File > New from example: the menu item and its help text; Help > User guide likewise.
    TEXT_MENU_NEW_FROM_EXAMPLE = 776,
    TEXT_HELP_NEW_FROM_EXAMPLE = 777,
    TEXT_MENU_USER_GUIDE = 778,
    TEXT_HELP_USER_GUIDE = 779,
    // The example chooser.
    TEXT_EXAMPLES_TITLE = 780,
    TEXT_EXAMPLES_OPEN = 781,
    TEXT_EXAMPLES_MODEL = 782,          // format: relay model
    TEXT_EXAMPLE_MISSING = 783,         // format: example title, its file
    // The help window.
    TEXT_GUIDE_TITLE = 784,
    TEXT_GUIDE_CONTENTS = 785,
    TEXT_GUIDE_BACK = 786,
    TEXT_GUIDE_FORWARD = 787,
    TEXT_GUIDE_FIND = 788,
    TEXT_GUIDE_NOT_FOUND = 789,
    TEXT_GUIDE_MISSING = 790,           // format: the guide's folder
    // The Help button of a message box whose message has a section in the guide.
    TEXT_BUTTON_HELP = 791,
    TEXT_GUIDE_PAGE_MISSING = 792,      // format: the page
    TEXT_GUIDE_FIND_NEXT = 793,
    TEXT_GUIDE_FIND_PREVIOUS = 794,
    TEXT_CTL_EXAMPLE_MISSING = 795,     // format: example name, its file
    TEXT_EXAMPLES_NONE = 796,           // format: the examples folder
    TEXT_EXAMPLES_LIST = 797,


    // Recovery of unsaved work after a crash (recovery/RecoveryStore.h): the offer at start-up,
    // a file in the recovery folder passed over and why, a copy that could not be written.
    TEXT_RECOVERY_CAPTION = 810,
    TEXT_RECOVERY_OFFER = 811,         // format: file name, relay model, time of the change
    TEXT_RECOVERY_RESTORE = 812,       // button
    TEXT_RECOVERY_DISCARD = 813,       // button
    TEXT_RECOVERY_SKIPPED = 814,       // format: the file's path, the reason (815..817)
    TEXT_RECOVERY_DAMAGED = 815,
    TEXT_RECOVERY_NOT_A_COPY = 816,
    TEXT_RECOVERY_UNREADABLE = 817,
    TEXT_RECOVERY_NOT_WRITTEN = 818,   // format: the recovery folder (status bar)
    // The program's file changed on disk behind the window (model/FileIdentity.h): before a
    // save (overwrite, save as, cancel), and when the window gets the focus (reload or not).
    TEXT_FILE_CHANGED_CAPTION = 819,
    TEXT_FILE_CHANGED_BEFORE_SAVE = 820,  // format: path
    TEXT_FILE_OVERWRITE = 821,            // button
    TEXT_FILE_SAVE_AS = 822,              // button
    TEXT_FILE_VANISHED_BEFORE_SAVE = 823, // format: path
    TEXT_FILE_SAVE_AGAIN = 824,           // button: save under the same name again
    TEXT_FILE_VANISHED = 825,             // format: path
    TEXT_FILE_CHANGED_RELOAD = 826,       // format: path
    TEXT_FILE_RELOAD = 827,               // button
    TEXT_FILE_KEEP = 828,                 // button: do not reload
    TEXT_CHANGE_RELOAD = 829,             // the undoable change of a reload (Undo menu)

    // Names read by screen readers: the step chain, its boxes and marker, and the controls
    // whose label alone does not tell them apart.
    TEXT_A11Y_CHAIN = 830,
    TEXT_A11Y_CHAIN_CHANNEL = 831,     // format: channel number
    TEXT_A11Y_STEP = 832,              // format: step number, step kind (833..835)
    TEXT_A11Y_KIND_STATE_CHANGE = 833,
    TEXT_A11Y_KIND_CONDITION = 834,
    TEXT_A11Y_KIND_TIME = 835,
    TEXT_A11Y_MARKER = 836,
    TEXT_A11Y_NO_ACTIVE_STEP = 837,
    TEXT_A11Y_PART = 838,              // format: the whole (a group or label), its part
    TEXT_A11Y_RELAY_1 = 839,
    TEXT_A11Y_RELAY_2 = 840,
    TEXT_A11Y_JUMP_TARGET = 841,
    TEXT_A11Y_OPERATOR = 842,          // format: operator number
    TEXT_A11Y_OPERAND = 843,           // format: operand number
    TEXT_A11Y_TRACK_BAR = 844,
    TEXT_A11Y_TIME_FIELD = 845,
    TEXT_A11Y_INPUT_1 = 846,
    TEXT_A11Y_INPUT_2 = 847,
    TEXT_A11Y_INPUT = 848,
    TEXT_A11Y_INPUT_BUTTON = 849,      // format: the key that works it
    TEXT_A11Y_RELAY = 850,
    TEXT_A11Y_ON = 851,
    TEXT_A11Y_OFF = 852,
};

constexpr int TEXT_COUNT = 304;

// Texts beyond the original table (features added later, terminal wording) have IDs from
// TEXT_EXTENDED_FIRST up. A module answers them through its optional GetExtendedText
// export; for a module without that export, or without one of these texts, the program
// shows the English module's text.
constexpr int TEXT_EXTENDED_FIRST = TEXT_COUNT;
constexpr int TEXT_EXTENDED_LIMIT = 1000; // IDs stay below this

// Every extended text the program uses (the shipped modules must have all of them).
constexpr int EXTENDED_TEXT_IDS[] = {
    TEXT_PORT_ACCESS_DENIED,
    TEXT_MENU_VERIFY_AFTER_SEND,
    TEXT_HELP_VERIFY_AFTER_SEND,
    TEXT_MENU_VIEW_TIMELINE, TEXT_HELP_VIEW_TIMELINE, TEXT_TIMELINE_TITLE, TEXT_TIMELINE_INPUT,
    TEXT_TIMELINE_RELAY, TEXT_TIMELINE_STEP, TEXT_TIMELINE_CHANNEL_STEP, TEXT_TIMELINE_COLUMN_TIME,
    TEXT_TIMELINE_COLUMN_INPUT, TEXT_TIMELINE_COLUMN_VALUE, TEXT_TIMELINE_ON, TEXT_TIMELINE_OFF,
    TEXT_TIMELINE_ADD, TEXT_TIMELINE_REMOVE, TEXT_TIMELINE_FIT, TEXT_TIMELINE_EXPORT_CSV,
    TEXT_TIMELINE_EXPORT_PICTURE, TEXT_TIMELINE_UNTIL, TEXT_TIMELINE_SOURCE_COMPUTED,
    TEXT_TIMELINE_SOURCE_RECORDED, TEXT_TIMELINE_COMPUTING, TEXT_TIMELINE_LOOP_NOTE, TEXT_TIMELINE_CHATTER_NOTE,
    TEXT_TIMELINE_TRUNCATED_NOTE, TEXT_TIMELINE_CSV_FILTER, TEXT_TIMELINE_PICTURE_FILTER,
    TEXT_TIMELINE_MILLISECONDS, TEXT_TIMELINE_SECONDS, TEXT_TIMELINE_MINUTES, TEXT_TIMELINE_HOURS,
    TEXT_TIMELINE_CURSOR, TEXT_TIMELINE_SIMULATION, TEXT_TIMELINE_BAD_TIME, TEXT_TIMELINE_INPUT_CHANGES,
    TEXT_TIMELINE_HINT, TEXT_DIFF_OTHER_MODEL, TEXT_DIFF_HIDDEN_BITS, TEXT_DIFF_SUMMARY,
    TEXT_COMPARE_TITLE, TEXT_COMPARE_PC, TEXT_COMPARE_RELAY, TEXT_COMPARE_SEND_PC, TEXT_COMPARE_LOAD_RELAY,
    TEXT_COMPARE_CLOSE, TEXT_COMPARE_EQUAL, TEXT_MENU_COMPARE_WITH_RELAY, TEXT_HELP_COMPARE_WITH_RELAY,
    TEXT_RELAY_ON_PORT, TEXT_RELAY_OTHER_MODEL_ENTRY, TEXT_RELAY_OTHER_MODEL_TIP, TEXT_DEVICE_NONE_FOUND,
    TEXT_MENU_SEARCH_RELAYS, TEXT_HELP_SEARCH_RELAYS, TEXT_STATUS_NO_RELAY, TEXT_STATUS_SEARCHING,
    TEXT_STATUS_SEARCH_DONE, TEXT_STATUS_SENT, TEXT_STATUS_SENT_VERIFIED, TEXT_STATUS_READ,
    TEXT_STATUS_COMPARED_EQUAL, TEXT_STATUS_COMPARED_DIFFERENT, TEXT_STATUS_VERSION, TEXT_STATUS_PASSWORD_CHANGED,
    TEXT_STATUS_PASSWORD_RESET, TEXT_STATUS_VIEW_STARTED, TEXT_STATUS_WAITING_PASSWORD, TEXT_STATUS_LOADED,
    TEXT_PASSWORD_ENTRY_CANCEL,
    TEXT_BUTTON_YES,
    TEXT_BUTTON_NO,
    TEXT_BUTTON_CANCEL,
    TEXT_BUTTON_OK,
    TEXT_MENU_EDIT, TEXT_MENU_UNDO, TEXT_MENU_REDO, TEXT_MENU_UNDO_CHANGE, TEXT_MENU_REDO_CHANGE,
    TEXT_HELP_UNDO, TEXT_HELP_REDO, TEXT_MENU_PRINT, TEXT_MENU_PRINT_PREVIEW, TEXT_MENU_EXPORT_PICTURE,
    TEXT_HELP_PRINT, TEXT_HELP_PRINT_PREVIEW, TEXT_HELP_EXPORT_PICTURE, TEXT_PICTURE_FILE_FILTER,
    TEXT_PICTURE_UNKNOWN_TYPE, TEXT_RECENT_FILE_MISSING, TEXT_PRINT_FAILED, TEXT_OPEN_ARGUMENT_FAILED,
    TEXT_CHANGE_POWER_ON, TEXT_CHANGE_START_DELAY, TEXT_CHANGE_OPERATION, TEXT_CHANGE_JUMP, TEXT_CHANGE_ALT_JUMP,
    TEXT_CHANGE_CONDITION, TEXT_CHANGE_TIME_SOURCE, TEXT_CHANGE_TIME, TEXT_CHANGE_STOP_CONDITION, TEXT_CHANGE_READ,
    TEXT_CHANGE_IN_CHANNEL, TEXT_PRINT_FILE, TEXT_PRINT_MODEL, TEXT_PRINT_DATE, TEXT_PRINT_CHANNEL,
    TEXT_PRINT_DESCRIPTION, TEXT_PRINT_PAGE,
    TEXT_TARGET_NOT_REGULAR_FILE,
    TEXT_ARGUMENT_NOT_UTF8,
    TEXT_RESULT_VERIFY_MISMATCH, TEXT_RESULT_PASSWORD_TOO_LONG, TEXT_RESULT_NO_PASSWORD,
    TEXT_RESULT_INVALID_PROGRAM_TEXT,
    TEXT_CTL_NO_SUCH_PORT, TEXT_CTL_PORT_BUSY, TEXT_CTL_PORT_NOT_OPENED, TEXT_CTL_NO_RELAYS,
    TEXT_CTL_SEVERAL_RELAYS, TEXT_CTL_WRONG_MODEL, TEXT_CTL_NO_PASSWORD, TEXT_CTL_PASSWORD_REFUSED,
    TEXT_CTL_PASSWORD_WANTED, TEXT_CTL_PASSWORD_MISMATCH, TEXT_CTL_VIEW_MISMATCH, TEXT_CTL_PASSWORD_TOO_LONG,
    TEXT_CTL_VERIFY_MISMATCH, TEXT_CTL_FILE_EXISTS, TEXT_CTL_TEXT_WARNING, TEXT_CTL_RESET_REFUSED,
    TEXT_PT_WHERE_STEP, TEXT_PT_WHERE_CHANNEL_STEP, TEXT_PT_WHERE_FIELD, TEXT_PT_INVALID_UTF8,
    TEXT_PT_TOO_LARGE, TEXT_PT_SYNTAX, TEXT_PT_EXPECTED_OBJECT, TEXT_PT_EXPECTED_LIST,
    TEXT_PT_EXPECTED_STRING, TEXT_PT_EXPECTED_WHOLE_NUMBER, TEXT_PT_MISSING_FIELD, TEXT_PT_UNKNOWN_FIELD,
    TEXT_PT_NO_FIELDS, TEXT_PT_DUPLICATE_FIELD, TEXT_PT_DUPLICATE_ARGUMENT, TEXT_PT_UNKNOWN_VALUE,
    TEXT_PT_OUT_OF_RANGE, TEXT_PT_JUMP_PAST_STOP, TEXT_PT_TIME_NOT_EXACT, TEXT_PT_TIME_NOT_EXACT_ANY,
    TEXT_PT_WRONG_KIND, TEXT_PT_DUPLICATE_STEP, TEXT_PT_START_DELAY_CHANNEL, TEXT_PT_RESERVED_BITS,
    TEXT_PT_UNSUPPORTED_FORMAT,
    TEXT_TIME_ENTRY_NOT_EXACT, TEXT_TIME_ENTRY_TOO_LONG, TEXT_TIME_ENTRY_TOO_SHORT, TEXT_TIME_ENTRY_UNREADABLE,
    TEXT_TIME_ENTRY_TIP, TEXT_MENU_SIMULATION_SPEED, TEXT_MENU_SPEED_COMPRESSED, TEXT_MENU_SPEED_REAL_TIME,
    TEXT_MENU_SPEED_TIMES_10, TEXT_MENU_SPEED_TIMES_60, TEXT_HELP_SPEED_COMPRESSED, TEXT_HELP_SPEED_REAL_TIME,
    TEXT_HELP_SPEED_TIMES_10, TEXT_HELP_SPEED_TIMES_60, TEXT_STATUS_SIMULATION_COMPRESSED,
    TEXT_STATUS_SIMULATION_REAL_TIME, TEXT_STATUS_SIMULATION_FASTER, TEXT_TIMELINE_UNTIL_TIP,
    TEXT_CHECK_LOOP_SWITCHING, TEXT_CHECK_LOOP, TEXT_CHECK_JUMP_PAST_STOP, TEXT_CHECK_NEVER_RUNS,
    TEXT_CHECK_TIME_ZERO, TEXT_CHECK_UNKNOWN_RANGE, TEXT_CHECK_WAIT_NEVER_ENDS, TEXT_CHECK_WAIT_NEVER_WAITS,
    TEXT_CHECK_BRANCH_ONE_WAY, TEXT_CHECK_STOP_NEVER, TEXT_CHECK_STOP_ALWAYS, TEXT_CHECK_STEPS,
    TEXT_SCENARIO_RELAY_ON, TEXT_SCENARIO_RELAY_OFF, TEXT_SCENARIO_SWITCHES_ON, TEXT_SCENARIO_SWITCHES_OFF,
    TEXT_SCENARIO_SWITCHES, TEXT_SCENARIO_STEADY, TEXT_SCENARIO_STEP, TEXT_SCENARIO_CHANNEL_STEP,
    TEXT_SCENARIO_SECONDS, TEXT_SCENARIO_WITHIN, TEXT_SCENARIO_IS_ON, TEXT_SCENARIO_IS_OFF,
    TEXT_SCENARIO_SWITCHED_ON, TEXT_SCENARIO_SWITCHED_OFF, TEXT_SCENARIO_NO_SWITCH_ON, TEXT_SCENARIO_NO_SWITCH_OFF,
    TEXT_SCENARIO_NO_SWITCH, TEXT_SCENARIO_CHATTERS, TEXT_SCENARIO_AT_STEP, TEXT_SCENARIO_SUMMARY,
    TEXT_SCENARIO_OTHER_MODEL, TEXT_SCENARIO_ONE_SUBJECT, TEXT_SCENARIO_FROM_AFTER_TO,
    TEXT_SCENARIO_UNSUPPORTED_FORMAT,
    TEXT_EXAMPLE_IMPULSE_TITLE, TEXT_EXAMPLE_IMPULSE_TEXT, TEXT_EXAMPLE_STAIRCASE_TITLE, TEXT_EXAMPLE_STAIRCASE_TEXT,
    TEXT_EXAMPLE_ON_DELAY_TITLE, TEXT_EXAMPLE_ON_DELAY_TEXT, TEXT_EXAMPLE_OFF_DELAY_TITLE, TEXT_EXAMPLE_OFF_DELAY_TEXT,
    TEXT_EXAMPLE_FLASHER_TITLE, TEXT_EXAMPLE_FLASHER_TEXT, TEXT_EXAMPLE_STAR_DELTA_TITLE, TEXT_EXAMPLE_STAR_DELTA_TEXT,
    TEXT_EXAMPLE_PUMPS_TITLE, TEXT_EXAMPLE_PUMPS_TEXT, TEXT_MENU_NEW_FROM_EXAMPLE, TEXT_HELP_NEW_FROM_EXAMPLE,
    TEXT_MENU_USER_GUIDE, TEXT_HELP_USER_GUIDE, TEXT_EXAMPLES_TITLE, TEXT_EXAMPLES_OPEN, TEXT_EXAMPLES_MODEL,
    TEXT_EXAMPLE_MISSING, TEXT_GUIDE_TITLE, TEXT_GUIDE_CONTENTS, TEXT_GUIDE_BACK, TEXT_GUIDE_FORWARD, TEXT_GUIDE_FIND,
    TEXT_GUIDE_NOT_FOUND, TEXT_GUIDE_MISSING, TEXT_BUTTON_HELP, TEXT_GUIDE_PAGE_MISSING, TEXT_GUIDE_FIND_NEXT,
    TEXT_GUIDE_FIND_PREVIOUS, TEXT_CTL_EXAMPLE_MISSING, TEXT_EXAMPLES_NONE, TEXT_EXAMPLES_LIST,

    TEXT_RECOVERY_CAPTION, TEXT_RECOVERY_OFFER, TEXT_RECOVERY_RESTORE, TEXT_RECOVERY_DISCARD,
    TEXT_RECOVERY_SKIPPED, TEXT_RECOVERY_DAMAGED, TEXT_RECOVERY_NOT_A_COPY, TEXT_RECOVERY_UNREADABLE,
    TEXT_RECOVERY_NOT_WRITTEN, TEXT_FILE_CHANGED_CAPTION, TEXT_FILE_CHANGED_BEFORE_SAVE, TEXT_FILE_OVERWRITE,
    TEXT_FILE_SAVE_AS, TEXT_FILE_VANISHED_BEFORE_SAVE, TEXT_FILE_SAVE_AGAIN, TEXT_FILE_VANISHED,
    TEXT_FILE_CHANGED_RELOAD, TEXT_FILE_RELOAD, TEXT_FILE_KEEP, TEXT_CHANGE_RELOAD,

    TEXT_A11Y_CHAIN, TEXT_A11Y_CHAIN_CHANNEL, TEXT_A11Y_STEP, TEXT_A11Y_KIND_STATE_CHANGE, TEXT_A11Y_KIND_CONDITION,
    TEXT_A11Y_KIND_TIME, TEXT_A11Y_MARKER, TEXT_A11Y_NO_ACTIVE_STEP, TEXT_A11Y_PART, TEXT_A11Y_RELAY_1,
    TEXT_A11Y_RELAY_2, TEXT_A11Y_JUMP_TARGET, TEXT_A11Y_OPERATOR, TEXT_A11Y_OPERAND, TEXT_A11Y_TRACK_BAR,
    TEXT_A11Y_TIME_FIELD, TEXT_A11Y_INPUT_1, TEXT_A11Y_INPUT_2, TEXT_A11Y_INPUT, TEXT_A11Y_INPUT_BUTTON,
    TEXT_A11Y_RELAY, TEXT_A11Y_ON, TEXT_A11Y_OFF,
};

// Texts a module leaves null on purpose: the separators of the Transmission menu, whose
// positions keep their template item when the text is null.
constexpr int NULL_TEXT_IDS[] = {TEXT_MENU_TRANSMISSION_SEPARATOR_1, TEXT_MENU_TRANSMISSION_SEPARATOR_2,
                                 TEXT_MENU_TRANSMISSION_SEPARATOR_3};

// Texts no part of the program reads; modules leave them null.
constexpr int UNUSED_TEXT_IDS[] = {26,  27,  38,  54,  55,  57,  58,  59,  60,  66,  68,  69,  71,
                                   99,  100, 101, 102, 108, 244, 245, 246, 247, 262, 263, 264};

// Placeholders a format text must carry, in order, one letter each: 's' string, 'd' integer,
// 'f' double. Every text that its callers use as a format is listed; no other text is.
struct TextFormatSignature {
    int id;
    const char* placeholders;
};
constexpr TextFormatSignature TEXT_FORMATS[] = {
    {TEXT_SAVE_CHANGES_QUESTION, "s"},
    {TEXT_DESC_TITLE_QVR_K115_ZQX, "s"},
    {TEXT_DESC_JUMP_TARGET, "s"},
    {TEXT_DESC_TITLE_QVS_K115_318, "ss"},
    {TEXT_ABOUT_VERSION, "ddd"},
    {TEXT_VERSION_LINE, "s"},
    {TEXT_PANEL_SECONDS, "f"},
    {TEXT_PANEL_MINUTES, "dd"},
    {TEXT_PANEL_HOURS, "dd"},
    {TEXT_BOX_TIME_GROUP, "d"},
    {TEXT_DESC_SECONDS, "f"},
    {TEXT_DESC_MINUTES, "dd"},
    {TEXT_DESC_HOURS, "dd"},
    {TEXT_PORT_ACCESS_DENIED, "s"},
    {TEXT_MENU_UNDO_CHANGE, "s"},
    {TEXT_MENU_REDO_CHANGE, "s"},
    {TEXT_PICTURE_UNKNOWN_TYPE, "s"},
    {TEXT_RECENT_FILE_MISSING, "s"},
    {TEXT_OPEN_ARGUMENT_FAILED, "s"},
    {TEXT_CHANGE_OPERATION, "d"},
    {TEXT_CHANGE_JUMP, "d"},
    {TEXT_CHANGE_ALT_JUMP, "d"},
    {TEXT_CHANGE_CONDITION, "d"},
    {TEXT_CHANGE_TIME_SOURCE, "d"},
    {TEXT_CHANGE_TIME, "d"},
    {TEXT_CHANGE_STOP_CONDITION, "d"},
    {TEXT_CHANGE_IN_CHANNEL, "sd"},
    {TEXT_PRINT_FILE, "s"},
    {TEXT_PRINT_MODEL, "s"},
    {TEXT_PRINT_DATE, "s"},
    {TEXT_PRINT_CHANNEL, "d"},
    {TEXT_PRINT_PAGE, "dd"},
    {TEXT_TIMELINE_INPUT, "d"},
    {TEXT_TIMELINE_RELAY, "d"},
    {TEXT_TIMELINE_CHANNEL_STEP, "d"},
    {TEXT_TIMELINE_LOOP_NOTE, "s"},
    {TEXT_TIMELINE_CHATTER_NOTE, "s"},
    {TEXT_TIMELINE_TRUNCATED_NOTE, "sd"},
    {TEXT_TIMELINE_MILLISECONDS, "f"},
    {TEXT_TIMELINE_SECONDS, "f"},
    {TEXT_TIMELINE_MINUTES, "f"},
    {TEXT_TIMELINE_HOURS, "f"},
    {TEXT_TIMELINE_CURSOR, "s"},
    {TEXT_DIFF_OTHER_MODEL, "ss"},
    {TEXT_DIFF_SUMMARY, "d"},
    {TEXT_RELAY_ON_PORT, "ss"},
    {TEXT_RELAY_OTHER_MODEL_ENTRY, "ss"},
    {TEXT_RELAY_OTHER_MODEL_TIP, "s"},
    {TEXT_STATUS_NO_RELAY, "s"},
    {TEXT_STATUS_SEARCH_DONE, "d"},
    {TEXT_STATUS_SENT, "sf"},
    {TEXT_STATUS_SENT_VERIFIED, "sf"},
    {TEXT_STATUS_READ, "sf"},
    {TEXT_STATUS_COMPARED_EQUAL, "s"},
    {TEXT_STATUS_COMPARED_DIFFERENT, "sd"},
    {TEXT_STATUS_VERSION, "ss"},
    {TEXT_STATUS_PASSWORD_CHANGED, "s"},
    {TEXT_STATUS_PASSWORD_RESET, "s"},
    {TEXT_STATUS_VIEW_STARTED, "s"},
    {TEXT_STATUS_WAITING_PASSWORD, "s"},
    {TEXT_STATUS_LOADED, "s"},
    {TEXT_TARGET_NOT_REGULAR_FILE, "s"},
    {TEXT_ARGUMENT_NOT_UTF8, "s"},
    {TEXT_EXAMPLES_MODEL, "s"},
    {TEXT_EXAMPLE_MISSING, "ss"},
    {TEXT_GUIDE_MISSING, "s"},
    {TEXT_GUIDE_PAGE_MISSING, "s"},
    {TEXT_CTL_EXAMPLE_MISSING, "ss"},
    {TEXT_EXAMPLES_NONE, "s"},
    {TEXT_CTL_NO_SUCH_PORT, "s"},
    {TEXT_CTL_PORT_BUSY, "s"},
    {TEXT_CTL_PORT_NOT_OPENED, "s"},
    {TEXT_CTL_SEVERAL_RELAYS, "ds"},
    {TEXT_CTL_WRONG_MODEL, "sss"},
    {TEXT_CTL_NO_PASSWORD, "s"},
    {TEXT_CTL_PASSWORD_REFUSED, "s"},
    {TEXT_CTL_PASSWORD_WANTED, "s"},
    {TEXT_CTL_VIEW_MISMATCH, "ss"},
    {TEXT_CTL_PASSWORD_TOO_LONG, "sd"},
    {TEXT_CTL_VERIFY_MISMATCH, "sddd"},
    {TEXT_CTL_FILE_EXISTS, "s"},
    {TEXT_CTL_TEXT_WARNING, "s"},
    {TEXT_CTL_RESET_REFUSED, "s"},
    {TEXT_PT_WHERE_STEP, "d"},
    {TEXT_PT_WHERE_CHANNEL_STEP, "dd"},
    {TEXT_PT_WHERE_FIELD, "s"},
    {TEXT_PT_SYNTAX, "ss"},
    {TEXT_PT_UNKNOWN_FIELD, "s"},
    {TEXT_PT_DUPLICATE_FIELD, "d"},
    {TEXT_PT_UNKNOWN_VALUE, "ss"},
    {TEXT_PT_OUT_OF_RANGE, "ss"},
    {TEXT_PT_JUMP_PAST_STOP, "s"},
    {TEXT_PT_TIME_NOT_EXACT, "sss"},
    {TEXT_PT_TIME_NOT_EXACT_ANY, "ss"},
    {TEXT_PT_WRONG_KIND, "ss"},
    {TEXT_PT_DUPLICATE_STEP, "d"},
    {TEXT_PT_RESERVED_BITS, "ss"},
    {TEXT_PT_UNSUPPORTED_FORMAT, "sd"},
    {TEXT_TIME_ENTRY_NOT_EXACT, "ssss"},
    {TEXT_TIME_ENTRY_TOO_LONG, "ss"},
    {TEXT_TIME_ENTRY_TOO_SHORT, "ss"},
    {TEXT_TIME_ENTRY_UNREADABLE, "s"},
    {TEXT_STATUS_SIMULATION_COMPRESSED, "s"},
    {TEXT_STATUS_SIMULATION_REAL_TIME, "s"},
    {TEXT_STATUS_SIMULATION_FASTER, "ds"},
    {TEXT_CHECK_LOOP_SWITCHING, "s"},
    {TEXT_CHECK_LOOP, "s"},
    {TEXT_CHECK_JUMP_PAST_STOP, "d"},
    {TEXT_CHECK_UNKNOWN_RANGE, "d"},
    {TEXT_CHECK_BRANCH_ONE_WAY, "d"},
    {TEXT_CHECK_STEPS, "s"},
    {TEXT_SCENARIO_RELAY_ON, "ds"},
    {TEXT_SCENARIO_RELAY_OFF, "ds"},
    {TEXT_SCENARIO_SWITCHES_ON, "ds"},
    {TEXT_SCENARIO_SWITCHES_OFF, "ds"},
    {TEXT_SCENARIO_SWITCHES, "ds"},
    {TEXT_SCENARIO_STEADY, "dss"},
    {TEXT_SCENARIO_STEP, "ds"},
    {TEXT_SCENARIO_CHANNEL_STEP, "dds"},
    {TEXT_SCENARIO_SECONDS, "s"},
    {TEXT_SCENARIO_WITHIN, "ss"},
    {TEXT_SCENARIO_IS_ON, "s"},
    {TEXT_SCENARIO_IS_OFF, "s"},
    {TEXT_SCENARIO_SWITCHED_ON, "s"},
    {TEXT_SCENARIO_SWITCHED_OFF, "s"},
    {TEXT_SCENARIO_CHATTERS, "s"},
    {TEXT_SCENARIO_AT_STEP, "ds"},
    {TEXT_SCENARIO_SUMMARY, "dd"},
    {TEXT_SCENARIO_OTHER_MODEL, "ss"},
    {TEXT_SCENARIO_ONE_SUBJECT, "s"},
    {TEXT_SCENARIO_UNSUPPORTED_FORMAT, "sd"},
    {TEXT_RECOVERY_OFFER, "sss"},
    {TEXT_RECOVERY_SKIPPED, "ss"},
    {TEXT_RECOVERY_NOT_WRITTEN, "s"},
    {TEXT_FILE_CHANGED_BEFORE_SAVE, "s"},
    {TEXT_FILE_VANISHED_BEFORE_SAVE, "s"},
    {TEXT_FILE_VANISHED, "s"},
    {TEXT_FILE_CHANGED_RELOAD, "s"},
    {TEXT_A11Y_CHAIN_CHANNEL, "d"},
    {TEXT_A11Y_STEP, "ds"},
    {TEXT_A11Y_PART, "ss"},
    {TEXT_A11Y_OPERATOR, "d"},
    {TEXT_A11Y_OPERAND, "d"},
    {TEXT_A11Y_INPUT_BUTTON, "s"},
};

// Placeholders of a format text, or null when the text is not used as a format.
constexpr const char* TextFormatPlaceholders(int id)
{
    for (const TextFormatSignature& format : TEXT_FORMATS)
        if (format.id == id)
            return format.placeholders;
    return nullptr;
}

// Help texts of commands: prompt, line feed, tool tip.
constexpr int HELP_TEXT_IDS[] = {TEXT_HELP_NEW,        TEXT_HELP_OPEN,           TEXT_HELP_SAVE,
                                 TEXT_HELP_SAVE_AS,    TEXT_HELP_EXPORT,         TEXT_HELP_EXIT,
                                 TEXT_HELP_SEND,       TEXT_HELP_READ,           TEXT_HELP_VERSION,
                                 TEXT_HELP_START_VIEW, TEXT_HELP_STOP_VIEW,      TEXT_HELP_SIMULATION_MODE,
                                 TEXT_HELP_START_SIMULATION, TEXT_HELP_STEPPING, TEXT_HELP_SKIP,
                                 TEXT_HELP_STOP_SIMULATION,  TEXT_HELP_RESET_SIMULATION, TEXT_HELP_ABOUT,
                                 TEXT_HELP_UNDO,       TEXT_HELP_REDO,           TEXT_HELP_PRINT,
                                 TEXT_HELP_PRINT_PREVIEW, TEXT_HELP_EXPORT_PICTURE, TEXT_HELP_VERIFY_AFTER_SEND,
                                 TEXT_HELP_COMPARE_WITH_RELAY, TEXT_HELP_SEARCH_RELAYS};

} // namespace Language
