#pragma once
// The step editor dialogs of one relay model, as the relay pane uses them: one dialog view
// per step kind (Start, StateChange, Condition, Time; Stop has none), of which the view of
// the selected step's kind is shown. The dialogs never write into the program: a user change
// is reported by valueChanged(template ID, control ID), and the pane then calls ApplyChange,
// which reads that control back and writes the step through its accessor.

#include "Fields.h"
#include "LanguageSupport.h"
#include "ModelTypes.h"

#include <QWidget>

class CStepDialogStrip : public QWidget, public Language::CLanguageSupport {
    Q_OBJECT

public:
    explicit CStepDialogStrip(ModelCode model, QWidget* parent = nullptr);
    ~CStepDialogStrip() override;

    // The widest and the tallest of the four dialog views at their preferred size: the
    // pane makes its step dialog area this size.
    QSize MeasuredSize() const;

    // Shows the dialog view of a kind and hides the others (Stop shows none).
    void ShowKind(FieldKind kind);
    FieldKind ShownKind() const;

    // Puts the values of a bound step into the dialog view of its kind. Never reports a
    // change and never writes into the program.
    void LoadStep(const CQuorvexFIELDBase& field);

    // Reads the control back and writes it into the bound step (of the kind of the shown
    // view). Returns true when the step was written.
    bool ApplyChange(int templateId, int controlId, CQuorvexFIELDBase& field);

    // Enables or disables every control of every dialog (disabled in simulation and in the
    // live view).
    void SetControlsEnabled(bool enabled);

    // Gives the keyboard focus to the first control of the shown view that takes it (in the
    // Tab order). False when there is none: the Stop step, or every control disabled.
    bool FocusFirstControl();

    void OnLanguageChanged(Language::CLanguageManager& manager) override;

Q_SIGNALS:
    // The user changed a control (only the user: loading a step never emits this).
    void valueChanged(int templateId, int controlId);
    void notice(const QString& text);

private:
    struct Views;
    Views* m_pViews = nullptr;
};
