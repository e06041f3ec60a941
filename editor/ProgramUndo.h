#pragma once
// The undo history of a program. Every change of the program image is one command on a
// QUndoStack that keeps the whole image before and after the change (70 or 226 bytes, so a
// copy costs less than working out which bits changed) and the step it concerns, so that
// undoing or redoing it shows that step in the dialogs again. One command class per kind of
// change: a change made in a step dialog, a program read from a relay, and a program read again
// from its file.

#include "ModelTypes.h"

#include <QByteArray>
#include <QString>
#include <QUndoCommand>

class QUndoStack;

namespace Language {
class CLanguageManager;
}

// Where the commands put an image back: the relay pane.
class IProgramImageTarget {
public:
    virtual ~IProgramImageTarget() = default;
    // Puts a whole program image into the document and shows it; channel and step name the
    // step the change concerns (step -1: the whole program).
    virtual void ApplyProgramImage(const QByteArray& image, int channel, int step) = 0;
};

// The name of a change as the Undo and Redo commands show it: a text of the language with
// the step number and, for a program with two channels, the channel.
struct ProgramChangeName {
    int textId = -1;   // -1: the control changes nothing of the program
    int step = -1;     // step index, for the texts that name a step
    int channel = -1;  // 0 or 1, shown for a program with two channels; -1 not shown
};

// The change that a control of a step dialog (identified by its control ID, which is unique
// within the dialogs of one step kind) makes to step `step` of `channel`.
ProgramChangeName StepChangeName(FieldKind kind, int controlId, int channel, int step, int channelCount);
// The name in the current language ("time of step 4", "jump of step 7 in channel 2").
QString ProgramChangeText(const ProgramChangeName& name, const Language::CLanguageManager& manager);

// A change of the program image, kept as the image before and after it.
class CProgramImageCommand : public QUndoCommand {
public:
    void undo() override;
    void redo() override;

    const QByteArray& Before() const { return m_before; }
    const QByteArray& After() const { return m_after; }
    const ProgramChangeName& Name() const { return m_name; }
    int Channel() const { return m_nChannel; }
    int Step() const { return m_nStep; }
    // The command's text again, in the language now chosen.
    void Retranslate(const Language::CLanguageManager& manager);

protected:
    // The change concerns step `step` of `channel` (step -1: the whole program). applied: the
    // document already holds `after` (the first redo, which QUndoStack::push makes, then
    // leaves the document and the dialogs as they are).
    CProgramImageCommand(IProgramImageTarget& target, QByteArray before, QByteArray after, ProgramChangeName name,
                         int channel, int step, bool applied, const Language::CLanguageManager& manager);

    IProgramImageTarget& m_target;
    QByteArray m_before;
    QByteArray m_after;
    ProgramChangeName m_name;
    int m_nChannel;
    int m_nStep;
    bool m_bApplied;
};

// A change made in a step dialog: one control of one step, already written into the
// document. Consecutive moves of the same track bar on the same step merge into one change
// (a drag is one change, however many positions it passes); a merge that ends where the
// first move started leaves no change at all.
class CStepChangeCommand final : public CProgramImageCommand {
public:
    CStepChangeCommand(IProgramImageTarget& target, QByteArray before, QByteArray after, FieldKind kind,
                       int controlId, int channel, int step, int channelCount,
                       const Language::CLanguageManager& manager);

    int id() const override;
    bool mergeWith(const QUndoCommand* other) override;

    int ControlId() const { return m_nControlId; }

private:
    FieldKind m_kind;
    int m_nControlId;
};

// A whole program read from a relay; the first redo puts it into the document.
class CProgramReadCommand final : public CProgramImageCommand {
public:
    CProgramReadCommand(IProgramImageTarget& target, QByteArray before, QByteArray after,
                        const Language::CLanguageManager& manager);
};

// The program read again from its file, which changed on disk; the first redo puts it into the
// document.
class CProgramReloadCommand final : public CProgramImageCommand {
public:
    CProgramReloadCommand(IProgramImageTarget& target, QByteArray before, QByteArray after,
                          const Language::CLanguageManager& manager);
};

// Gives every command of a stack of these commands its text in the current language.
void RetranslateUndoStack(QUndoStack& stack, const Language::CLanguageManager& manager);
