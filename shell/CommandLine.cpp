#include "CommandLine.h"

StartRequest ProgramStartRequest(const QStringList& arguments)
{
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--"))
            break;
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
            return StartRequest::Help;
        if (argument == QLatin1String("--version"))
            return StartRequest::Version;
    }
    return StartRequest::Window;
}

const char PROGRAM_HELP[] =
    "Usage: quorvex [FILE]\n"
    "       quorvex --help | --version\n"
    "\n"
    "The editor, simulator and programmer of the programmable time relays QVR_K115_ZQX\n"
    "and QVS_K115_318: build a relay program graphically, save and open program files,\n"
    "simulate a program, write it into a relay over USB, read it back and watch it run.\n"
    "Without FILE the window asks for the relay model of a new program.\n"
    "\n"
    "Arguments:\n"
    "  FILE                 a program file (*.qvp) to open at once, or its file: URL; after\n"
    "                       \"--\" a name that begins with \"-\" counts as a file too\n"
    "\n"
    "Options:\n"
    "  -h, --help           print this help and exit\n"
    "  --version            print the version and exit\n"
    "  -platform NAME       the Qt platform plugin to show the window with (xcb, wayland);\n"
    "                       Qt's other options, such as -style NAME and -reverse, work too\n"
    "\n"
    "Environment:\n"
    "  QUORVEX_EXTRA_PORTS  further ports to look for relays on, such as the pseudo-terminal\n"
    "                       of quorvex-virtual-relay; several separated by colons\n"
    "  QT_QPA_PLATFORM      the Qt platform plugin, as -platform\n"
    "\n"
    "Files:\n"
    "  $XDG_CONFIG_HOME/Morvik/Quorvex.conf  (~/.config/Morvik/Quorvex.conf when the\n"
    "                       variable is not set) the settings: the language (LCID), the\n"
    "                       programs opened last (RecentFiles) and whether a send reads the\n"
    "                       program back (VerifyAfterSend)\n"
    "  Lang/                the language modules, one Strings_CODE.so for each language\n"
    "                       (en, pl, de, ru, es are shipped), beside the program's\n"
    "                       executable: PREFIX/libexec/quorvex/Lang when installed\n"
    "\n"
    "Exit status:\n"
    "  0                    the window was closed\n"
    "  1                    no language module can be loaded (after its message)\n";
