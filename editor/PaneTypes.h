#pragma once
// What a relay pane and those who drive it share, without widgets: the pane's work modes (the
// command rules and the window decide on them), its timer periods, the sizes it reports for
// the window's sizing, and the traits of each relay model's pane.

#include "ModelTypes.h"

#include <Qt>

// What the pane is doing; decides which commands and controls are usable.
enum WorkMode : int {
    WORK_MODE_EDIT = 0,
    WORK_MODE_DEVICE_VIEW = 1,
    WORK_MODE_SIMULATION = 2,
};

// Timer periods of the pane.
constexpr int SIMULATION_PERIOD_MS = 250;  // simulation tick
constexpr int REAL_TIME_PERIOD_MS = 50;    // refresh of a simulation in relay time

// Speeds of the simulation: the design's compressed run (every time step animated in twenty
// ticks of 250 ms, whatever its length), or relay time at 1, 10 or 60 times the wall clock.
constexpr int SIMULATION_COMPRESSED = 0;

// What CreatePaneWindow reports to the main frame for sizing its window.
struct PaneSizing {
    int stripWidth = 0;  // step dialog area + common settings view
    int height = 0;      // the tallest of the dialog strip's views
    double ratio = 0.5;  // window height to width (0.5 one channel, 0.75 two channels)
    // The pane's height at which its program views still show the step boxes' texts at a
    // readable size: the window is made wide enough (its height follows the width) to give
    // the pane at least this.
    int readableHeight = 0;
    // The lowest height of one program view whose boxes show every text whole. On a screen
    // too low for readableHeight the views shrink down to this, then they scroll.
    int readableViewHeight = 0;
};

// What differs between the panes of the two relay models beyond their document.
struct RelayPaneTraits {
    ModelCode model;
    double ratio;            // window height to width
    int inputKeys[2];        // the function key of each input (0: none)
};

inline constexpr RelayPaneTraits PANE_TRAITS[] = {
    {MODEL_QVR_K115_ZQX, 0.5, {Qt::Key_F9, 0}},
    {MODEL_QVS_K115_318, 0.75, {Qt::Key_F8, Qt::Key_F9}},
};

// The traits of a model number (1 or 2, the high nibble of the model code); null for another.
constexpr const RelayPaneTraits* PaneTraitsOf(int modelNumber)
{
    for (const RelayPaneTraits& traits : PANE_TRAITS)
        if (ModelNumber(traits.model) == modelNumber)
            return &traits;
    return nullptr;
}
