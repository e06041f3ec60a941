// The main window's side of a restored recovery copy (ProgramSafety.h holds the rest).

#include "MainFrame.h"

#include "QuorvexDoc.h"
#include "RelayPane.h"

#include <QUndoStack>

bool CMainFrame::ShowRecoveredProgram(const CQuorvexDoc& program, const QString& path)
{
    CreatePaneForModel(ModelNumber(program.GetModelCode()), true);
    if (!m_pPane || !m_pPane->ReplaceProgram(program.GetData(), program.GetDataSize(), false))
        return false;
    // Restored work is saved nowhere: its history has no clean state, so the program stays
    // modified whatever is undone.
    m_pPane->UndoStack()->resetClean();
    if (path.isEmpty())
        ProgramIsUntitled();
    else
        ProgramLivesAt(path);
    UpdateCommandStates();
    return true;
}
