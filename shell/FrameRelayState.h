#pragma once
// The main window's relay state: the device worker, the discovery pass under way, the relay
// command that runs and its progress. Only the main window's own files include this.

#include "DeviceWorker.h"
#include "MainFrame.h"
#include "TransferProgress.h"

#include <QTimer>

class QAction;
class QLabel;

#include <optional>
#include <utility>
#include <vector>

struct CMainFrame::RelayState {
    std::unique_ptr<CDeviceWorkerThread> worker;  // made with the window
    QTimer discoveryTimer;
    QProgressBar* progressBar = nullptr;
    QTimer progressTimer;          // moves the bar at the line's pace
    CTransferProgress transfer;

    // The relay command of the user that runs (0: none), and its command ID.
    quint64 commandJob = 0;
    int commandId = 0;
    bool commandShowsProgress = false;
    int statusTextId = -1;         // its status text, shown again in a language chosen meanwhile
    // Its result, while it waits for a dialog of the user's to close.
    std::optional<DeviceJobResult> deferredResult;
    QTimer deferTimer;
    // Marks of the pane and of the live view: a result for an earlier one is not applied.
    quint64 paneGeneration = 1;
    quint64 viewSession = 1;
    bool verifyAfterSend = true;
    // The program that the start of the live view compares with the relay's.
    std::vector<std::uint8_t> viewImage;

    // When the running command started, and how long it waited for the user's password (its
    // outcome names the time the relay took); the seconds it took, once its result came.
    QString commandPort;
    qint64 commandStartedMs = 0;
    qint64 passwordWaitMs = 0;
    bool waitingForPassword = false;
    double commandSeconds = -1.0;

    // The status bar's permanent area: the relay the commands go to, or that none is attached.
    QLabel* relayLabel = nullptr;
    // The Device menu's line shown while no relay is attached (disabled).
    QAction* noRelayAction = nullptr;
    // A command's outcome stays in the status bar for a few seconds.
    QTimer outcomeTimer;
    QString outcome;

    // The user asked for a search: its pass reports what it found; one asked while a pass
    // runs gets a pass of its own after that one.
    bool searchReported = false;
    bool searchAgain = false;
    // A pass has ended since the pane came (until then nothing is known about its relays).
    bool firstPassDone = false;

    // The discovery pass under way: the ports to identify, the next one, what answered.
    bool passRunning = false;
    quint64 passGeneration = 1;
    QStringList passPorts;
    int passNext = 0;
    std::vector<std::pair<QString, std::uint8_t>> passFound;
};
