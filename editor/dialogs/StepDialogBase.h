#pragma once
// Shared parts of the step editor dialogs: the member dialog base (one group box of controls
// with a template ID, reporting user changes by control ID), combo box filling that keeps the
// selection, and the jump controls (an on/off box and a target box) that remember the last
// target while the jump is switched off.

#include "Fields.h"
#include "LanguageSupport.h"

#include <QString>
#include <QWidget>

#include <map>

class QComboBox;
class QGroupBox;
class QLabel;

namespace Language {
class CLanguageManager;
}

// Object names of the dialogs and their controls, so that a control can be found by its
// template and control IDs (findChild) by the tests and by tools that drive the window.
inline QString TemplateObjectName(int templateId) { return QStringLiteral("template%1").arg(templateId); }
inline QString ControlObjectName(int controlId) { return QStringLiteral("control%1").arg(controlId); }

// Sets the name a screen reader reads for a control, without the mnemonic marks of a label
// ("&&" stays as one "&"). Controls with a label of their own (a buddy) or a caption need none:
// this is for the controls a label alone does not tell apart.
void SetAccessibleLabel(QWidget* control, const QString& text);

// Puts `count` consecutive texts from firstTextId into a combo box, creating the entries when
// the box has another number of them, and keeps the selection index (also "no selection").
void FillCombo(QComboBox* box, Language::CLanguageManager& manager, int firstTextId, int count);

// A combo box with `count` entries, all empty until the language fills them, and no selection.
QComboBox* CreateComboBox(int count, QWidget* parent);

// One member dialog of a dialog view: a group box with the controls that edit some parameters
// of one step kind. User changes are reported by valueChanged(template ID, control ID); the
// pane then calls ApplyChange, which reads the control back and writes the step.
class CStepDialog : public QWidget, public Language::CLanguageSupport {
    Q_OBJECT

public:
    // The dialog's group box has its own control ID and caption text.
    CStepDialog(int templateId, FieldKind kind, int groupControlId, int groupText, QWidget* parent = nullptr);

    int TemplateId() const { return m_nTemplateId; }
    FieldKind Kind() const { return m_kind; }

    // The control with this ID, or null.
    QWidget* Control(int controlId) const;

    // Re-reads the group caption; dialogs add their own texts.
    void OnLanguageChanged(Language::CLanguageManager& manager) override;

    // Shows the values of a bound step of this dialog's kind. Never reports a change.
    virtual void LoadStep(const CQuorvexFIELDBase& field) = 0;
    // Reads the control back and writes it into the bound step; false when nothing was
    // written (a control of another dialog, a step of another kind, no valid value shown).
    virtual bool ApplyChange(int controlId, CQuorvexFIELDBase& field) = 0;

Q_SIGNALS:
    void valueChanged(int templateId, int controlId);
    // Something the user should read about a change (a typed time that was not exact).
    void notice(const QString& text);

protected:
    // The group box that holds every control of the dialog.
    QGroupBox* Group() const { return m_pGroup; }
    // Registers a control under its ID (and names it after the ID).
    template <typename W>
    W* Register(int controlId, W* control)
    {
        control->setObjectName(ControlObjectName(controlId));
        m_controls[controlId] = control;
        return control;
    }
    QComboBox* AddCombo(int controlId, int count);
    QLabel* AddLabel(int controlId);
    void Notify(int controlId) { Q_EMIT valueChanged(m_nTemplateId, controlId); }

private:
    int m_nTemplateId;
    FieldKind m_kind;
    int m_nGroupText;
    QGroupBox* m_pGroup;
    std::map<int, QWidget*> m_controls;
};

// A jump: an on/off box (index 0 no jump, 1 jump) and a target box listing the 37 steps (index
// = step index). While the jump is off, or the whole jump is unavailable (the condition that
// would take it is "none"), the target box is empty and disabled; switching the jump on again
// puts back the last target. The last target is always a valid step index: the target of the
// loaded step, or, for a step without one, the target the user last chose in these boxes on
// any step (the next step while the user has chosen none).
class CJumpControls {
public:
    // The two boxes (created by the dialog, in tab order).
    void SetControls(QComboBox* onOff, QComboBox* target)
    {
        m_pOnOff = onOff;
        m_pTarget = target;
    }

    // Entry texts: no jump and jump (on/off box, two consecutive texts from noJumpText), the
    // Start and Stop names (target box).
    void OnLanguageChanged(Language::CLanguageManager& manager, int noJumpText, int startText, int stopText);

    // The names screen readers read: the on/off box is the jump (its caption), the target box
    // the jump's target.
    void SetAccessibleNames(Language::CLanguageManager& manager, const QString& caption);

    // Shows a stored jump target of the step with this field index (63 = no jump).
    void Load(int target, int fieldIndex);
    // Whether the jump can be set at all; off empties and disables both boxes, on restores
    // the last on/off choice (and target).
    void SetAvailable(bool available);

    // The user picked an on/off entry or a target; true when the shown value changed.
    bool UserOnOff(int index);
    bool UserTarget(int index);

    // The jump target the controls show: NO_JUMP for the no-jump entry, the selected step
    // for the jump entry; -1 when the boxes show no valid choice.
    int ShownTarget() const;

private:
    void Show();

    QComboBox* m_pOnOff = nullptr;
    QComboBox* m_pTarget = nullptr;
    bool m_bAvailable = true;
    bool m_bJump = false;
    int m_nTarget = -1;     // target shown while the jump is on; -1 when the stored one is not a step
    int m_nLastTarget = 1;  // put back when the jump is switched on again
    int m_nChosenTarget = -1; // the target the user last picked, kept across steps; -1: none yet
};

// Entry texts of a target box: the Start name, the numbers 1..35, the Stop name.
void FillTargetCombo(QComboBox* box, Language::CLanguageManager& manager, int startText, int stopText);
