#pragma once
// What screen readers see of the program view and of the input buttons. The view is a list
// with one item per step box (name: the step's number and kind; description: the texts the box
// shows, whole; states: selected, focused, active, off-screen) and, after the 37 boxes, an
// indicator for the marker of the active step whose description is that step and its time.
// Selecting a box through the item (its press or focus action) selects the step as a click
// does. The texts come from the current language each time they are asked for.

#include <QString>

class CQuorvexView;

// Registers the interfaces of the program view and of the input buttons with Qt's
// accessibility layer (once; later calls do nothing).
void InstallChainAccessibility();

// The name of a step box: the Start or Stop name, or "Step n: kind".
QString ChainStepName(int index);
// The name of a program view: the step chain, with its channel on the two-channel model.
QString ChainViewName(const CQuorvexView& view);
// The marker's step and, while a time step runs, its time; "none" without an active step.
QString ActiveStepText(const CQuorvexView& view);

// Tells assistive technology that the view's selection changed (and, while the view has the
// focus, that the focus is on the newly selected box).
void AnnounceChainSelection(CQuorvexView* view);
// Tells assistive technology that the marker moved to another step.
void AnnounceActiveStep(CQuorvexView* view);
