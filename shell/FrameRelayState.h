#pragma once
// The main window's relay widgets beside its relay controller: the status bar's progress bar
// and the area that names the relay, the Device menu's line for no relay, and the outcome of
// the last command in the status bar. Only the main window's own files include this.

#include "MainFrame.h"
#include "RelayController.h"

#include <QTimer>

class QAction;
class QLabel;
class QProgressBar;

struct CMainFrame::RelayState {
    CRelayController controller;
    QProgressBar* progressBar = nullptr;
    QTimer progressTimer;          // moves the bar at the line's pace
    // The status bar's permanent area: the relay the commands go to, or that none is attached.
    QLabel* relayLabel = nullptr;
    // The Device menu's line shown while no relay is attached (disabled).
    QAction* noRelayAction = nullptr;
    // A command's outcome stays in the status bar for a few seconds.
    QTimer outcomeTimer;
    QString outcome;
    // The port of the running command (its relay is named while it waits for the password).
    QString commandPort;
};
