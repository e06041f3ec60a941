#pragma once
// Where the program keeps what it remembers between runs (the language chosen, the recent
// files, the options of the relay commands): one settings file of the user's, on Linux
// ~/.config/Morvik/Quorvex.conf. Every reader and writer of a setting opens it here.

#include <QSettings>

inline constexpr char SETTINGS_ORGANIZATION[] = "Morvik";
inline constexpr char SETTINGS_APPLICATION[] = "Quorvex";

inline QSettings ProgramSettings()
{
    return QSettings(QLatin1String(SETTINGS_ORGANIZATION), QLatin1String(SETTINGS_APPLICATION));
}
