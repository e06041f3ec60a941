#pragma once
// The main window's size from its pane and its screen, without widgets. The window's height
// follows its narrowest width by the model's ratio (the pane's sizing); on a screen too small
// for that, it keeps within the screen's available area, and the pane's program views give up
// height (down to their readable minimum, then they scroll) so that the step dialogs and the
// common settings stay on the screen.

#include "PaneTypes.h"

#include <QMargins>
#include <QRect>

struct WindowFitInputs {
    PaneSizing pane;
    int bars = 0;              // menu bar, tool bar and status bar together
    int extraHeight = 0;       // what the docked timing diagram adds below the pane
    QMargins frame;            // the window manager's frame around the window
    QRect available;           // the screen's available area; empty for no limit
    int currentWidth = 0;      // the window's width now
    bool keepWidth = false;    // a window wider than needed keeps its width
    int preferredWidth = 0;    // a width to open at when the screen has room (0: none)
};

struct WindowFit {
    int minimumWidth = 0;      // the narrowest the window may be made
    int paneHeight = 0;        // the window's height without the docked timing diagram
    int width = 0;             // the window's width
    int height = 0;            // the window's height, the docked timing diagram included
    // The window's height (without the diagram) as the pane's sizing asks for it; paneHeight
    // is smaller on a screen that is too low for it.
    int naturalHeight = 0;
};

WindowFit FitWindow(const WindowFitInputs& inputs);

// Where a window's frame of a size goes so that it lies within the available area: where it
// is when it fits there, else moved in (its top left corner kept on the area first).
QPoint PlaceOnScreen(const QRect& frame, const QRect& available);

// Where a frame of a size goes to be centred on the available area (moved in when larger).
QPoint CentreOnScreen(const QSize& frame, const QRect& available);
