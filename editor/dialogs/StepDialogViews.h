#pragma once
// The dialog views of the step kinds: each shows its two member dialogs side by side (the
// first on the left) and passes their change notifications on. The condition view also
// routes the condition class from the condition dialog to the jump dialog.

#include "StepDialogMembers.h"

#include <QWidget>

#include <type_traits>

class CStepDialogsView : public QWidget, public Language::CLanguageSupport {
    Q_OBJECT

public:
    // Takes ownership of both dialogs.
    CStepDialogsView(FieldKind kind, CStepDialog* first, CStepDialog* second, QWidget* parent);

    FieldKind Kind() const { return m_kind; }
    CStepDialog* First() const { return m_pFirst; }
    CStepDialog* Second() const { return m_pSecond; }

    // Shows the values of a bound step of this view's kind in both dialogs.
    virtual void LoadStep(const CQuorvexFIELDBase& field);
    void OnLanguageChanged(Language::CLanguageManager& manager) override;

Q_SIGNALS:
    void valueChanged(int templateId, int controlId);
    void notice(const QString& text);

private:
    FieldKind m_kind;
    CStepDialog* m_pFirst;
    CStepDialog* m_pSecond;
};

template <class TFirst, class TSecond>
class CSTARTDialogsView final : public CStepDialogsView {
public:
    explicit CSTARTDialogsView(QWidget* parent = nullptr)
        : CStepDialogsView(FIELD_START, new TFirst, new TSecond, parent)
    {
    }
};

template <class TFirst, class TSecond>
class CSTATECHANGEDialogsView final : public CStepDialogsView {
public:
    explicit CSTATECHANGEDialogsView(QWidget* parent = nullptr)
        : CStepDialogsView(FIELD_STATE_CHANGE, new TFirst, new TSecond, parent)
    {
    }
};

template <class TFirst, class TSecond>
class CTIMEDialogsView final : public CStepDialogsView {
public:
    explicit CTIMEDialogsView(QWidget* parent = nullptr) : CStepDialogsView(FIELD_TIME, new TFirst, new TSecond, parent)
    {
    }
};

// The condition dialog (template ConditionTemplate) reports a changed choice; the view works
// out its class (unconditional, wait, two-way) and hands it to the jump dialog (template
// JumpTemplate) only when the class differs from the previous one.
template <class TFirst, class TSecond, int ConditionTemplate, int JumpTemplate>
class CCONDITIONDialogsView final : public CStepDialogsView {
    static_assert(std::is_base_of_v<CConditionDialog, TFirst> && std::is_base_of_v<CConditionJumpDialog, TSecond>);
    static_assert(TFirst::TEMPLATE_ID == ConditionTemplate && TSecond::TEMPLATE_ID == JumpTemplate);

public:
    explicit CCONDITIONDialogsView(QWidget* parent = nullptr)
        : CStepDialogsView(FIELD_CONDITION, new TFirst, new TSecond, parent)
    {
        QObject::connect(ConditionDialog(), &CConditionDialog::conditionChanged, this,
                         [this](int templateId, int) {
                             if (templateId == ConditionTemplate)
                                 OnConditionChanged();
                         });
    }

    void LoadStep(const CQuorvexFIELDBase& field) override
    {
        CStepDialogsView::LoadStep(field);
        m_nClass = ConditionClass(ConditionDialog()->ConditionIndex());
        JumpDialog()->SetConditionClass(m_nClass);
    }

private:
    CConditionDialog* ConditionDialog() const { return static_cast<CConditionDialog*>(First()); }
    CConditionJumpDialog* JumpDialog() const { return static_cast<CConditionJumpDialog*>(Second()); }

    void OnConditionChanged()
    {
        const int conditionClass = ConditionClass(ConditionDialog()->ConditionIndex());
        if (conditionClass == m_nClass)
            return;
        m_nClass = conditionClass;
        JumpDialog()->SetConditionClass(conditionClass);
    }

    int m_nClass = 0;
};
