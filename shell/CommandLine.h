#pragma once
// What the program's command line asks for before any window exists: its help or its
// version, which need no display, else the window.

#include <QStringList>

enum class StartRequest { Window, Help, Version };

// --help (or -h) or --version among the arguments (without the program's name) before "--";
// the first of them decides. Everything else is left to the window and to Qt.
StartRequest ProgramStartRequest(const QStringList& arguments);

// The help "quorvex --help" prints: usage, arguments, options, environment, files and exit
// statuses.
extern const char PROGRAM_HELP[];
