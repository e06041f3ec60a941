#pragma once
// What screen readers see of the program view and of the common settings' input buttons, relay
// pictures and drop-down lists. The view is a list with one item per step box (name: the
// step's number and kind; description: the texts the box shows, whole; states: selected,
// focused, active, off-screen) and, after the 37 boxes, a label for the marker of the active
// step: its description is that step, its value the time the step has run while a time step
// runs.
// Selecting a box through the item (its press or focus action) selects the step as a click
// does. The texts come from the current language each time they are asked for.

#include <QString>

class CQuorvexView;
class QAccessibleEvent;

// Registers the interfaces of the program view and of the input buttons with Qt's
// accessibility layer (once; later calls do nothing).
void InstallChainAccessibility();

// The name of a step box: the Start or Stop name, or "Step n: kind".
QString ChainStepName(int index);
// The name of a program view: the step chain, with its channel on the two-channel model.
QString ChainViewName(const CQuorvexView& view);
// The marker's step; "none" without an active step.
QString ActiveStepText(const CQuorvexView& view);
// The time the active step has run as its box shows it; empty unless a time step runs.
QString ActiveStepElapsed(const CQuorvexView& view);

// Hands an event to Qt's accessibility layer (and the observer below): the events of the
// program view, the input buttons and the relay pictures.
void AnnounceAccessible(QAccessibleEvent& event);

// Tells assistive technology that the view's selection changed (and, while the view has the
// focus, that the focus is on the newly selected box).
void AnnounceChainSelection(CQuorvexView* view);
// Tells assistive technology that the view's texts changed (another language).
void AnnounceChainTexts(CQuorvexView* view);
// Tells assistive technology that the marker moved to another step.
void AnnounceActiveStep(CQuorvexView* view);

// Sees every announcement of AnnounceAccessible before Qt's accessibility layer does (null: none).
// Qt hands events on only while assistive technology listens; a test watches them here.
using ChainEventObserver = void (*)(QAccessibleEvent* event);
void SetChainEventObserver(ChainEventObserver observer);
