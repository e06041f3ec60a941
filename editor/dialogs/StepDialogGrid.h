#pragma once

#include <QGridLayout>
#include <QGroupBox>

// The grid of a step dialog's group box, shared by the dialogs' files.
namespace StepDialogGrid {

inline QGridLayout* CreateGrid(QGroupBox* group) { return new QGridLayout(group); }

// Keeps the rows at the top when the group box is taller than they need.
inline void CloseGrid(QGridLayout* grid) { grid->setRowStretch(grid->rowCount(), 1); }

} // namespace StepDialogGrid
