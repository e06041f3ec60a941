#include "StepDialogs.h"

#include "ModelStepDialogs.h"
#include "StepDialogViews.h"

#include <QLayout>
#include <QStackedLayout>

#include <array>

using namespace DialogIds;

struct CStepDialogStrip::Views {
    QStackedLayout* stack = nullptr;
    std::array<CStepDialogsView*, 4> byKind{}; // Start, StateChange, Condition, Time
    QWidget* none = nullptr;                   // shown for the Stop step
    FieldKind shown = FIELD_START;

    CStepDialogsView* OfKind(FieldKind kind) const
    {
        return kind >= FIELD_START && kind <= FIELD_TIME ? byKind[std::size_t(kind)] : nullptr;
    }
    CStepDialog* DialogOfTemplate(int templateId) const
    {
        for (CStepDialogsView* view : byKind)
            for (CStepDialog* dialog : {view->First(), view->Second()})
                if (dialog->TemplateId() == templateId)
                    return dialog;
        return nullptr;
    }
};

namespace {

std::array<CStepDialogsView*, 4> CreateViews(ModelCode model)
{
    if ((model & MODEL_NUMBER_MASK) == MODEL_QVS_K115_318)
        return {
            new CSTARTDialogsView<CQVS_K115_318StartOnPowerOnDialog, CQVS_K115_318StartDelayDialog>,
            new CSTATECHANGEDialogsView<CQVS_K115_318StateChangeOperationOnRelayDialog,
                                        CQVS_K115_318StateChangeJumpOperationDialog>,
            new CCONDITIONDialogsView<CQVS_K115_318ConditionConditionDialog, CQVS_K115_318ConditionJumpOperationDialog,
                                      IDD_QVS_CONDITION_CONDITION, IDD_QVS_CONDITION_JUMP>,
            new CTIMEDialogsView<CQVS_K115_318TimeTimeDialog, CQVS_K115_318TimeConditionDialog>,
        };
    return {
        new CSTARTDialogsView<CQVR_K115_ZQXStartOnPowerOnDialog, CQVR_K115_ZQXStartDelayDialog>,
        new CSTATECHANGEDialogsView<CQVR_K115_ZQXStateChangeOperationOnRelayDialog,
                                    CQVR_K115_ZQXStateChangeJumpOperationDialog>,
        new CCONDITIONDialogsView<CQVR_K115_ZQXConditionConditionDialog, CQVR_K115_ZQXConditionJumpOperationDialog,
                                  IDD_QVR_CONDITION_CONDITION, IDD_QVR_CONDITION_JUMP>,
        new CTIMEDialogsView<CQVR_K115_ZQXTimeTimeDialog, CQVR_K115_ZQXTimeConditionDialog>,
    };
}

} // namespace

CStepDialogStrip::CStepDialogStrip(ModelCode model, QWidget* parent) : QWidget(parent), m_pViews(new Views)
{
    m_pViews->stack = new QStackedLayout(this);
    m_pViews->byKind = CreateViews(model);
    for (CStepDialogsView* view : m_pViews->byKind) {
        m_pViews->stack->addWidget(view);
        connect(view, &CStepDialogsView::valueChanged, this, &CStepDialogStrip::valueChanged);
        connect(view, &CStepDialogsView::notice, this, &CStepDialogStrip::notice);
    }
    m_pViews->none = new QWidget;
    m_pViews->stack->addWidget(m_pViews->none);
    ShowKind(FIELD_START);
}

CStepDialogStrip::~CStepDialogStrip()
{
    delete m_pViews;
}

QSize CStepDialogStrip::MeasuredSize() const
{
    // New texts (a language switch) change the controls' size hints at once, but the layouts
    // above them follow only when their posted layout requests are handled. Bring every
    // layout up to date now, the innermost first, so that the size is right straight away.
    const QList<QWidget*> widgets = findChildren<QWidget*>();
    for (auto widget = widgets.crbegin(); widget != widgets.crend(); ++widget)
        if (QLayout* layout = (*widget)->layout())
            layout->activate();
    QSize size;
    for (CStepDialogsView* view : m_pViews->byKind) {
        view->ensurePolished();
        size = size.expandedTo(view->sizeHint());
    }
    const QMargins margins = m_pViews->stack->contentsMargins();
    return size.grownBy(margins);
}

void CStepDialogStrip::ShowKind(FieldKind kind)
{
    CStepDialogsView* view = m_pViews->OfKind(kind);
    m_pViews->shown = view ? kind : FIELD_STOP;
    m_pViews->stack->setCurrentWidget(view ? static_cast<QWidget*>(view) : m_pViews->none);
}

FieldKind CStepDialogStrip::ShownKind() const
{
    return m_pViews->shown;
}

void CStepDialogStrip::LoadStep(const CQuorvexFIELDBase& field)
{
    if (!field.IsAttached())
        return;
    if (CStepDialogsView* view = m_pViews->OfKind(field.GetKind()))
        view->LoadStep(field);
}

bool CStepDialogStrip::ApplyChange(int templateId, int controlId, CQuorvexFIELDBase& field)
{
    CStepDialog* dialog = m_pViews->DialogOfTemplate(templateId);
    if (!dialog || !field.IsAttached() || dialog->Kind() != field.GetKind())
        return false;
    return dialog->ApplyChange(controlId, field);
}

void CStepDialogStrip::SetControlsEnabled(bool enabled)
{
    // A disabled view disables every control in it; enabling it again leaves the controls
    // that the dialogs disabled themselves (an unused jump, a potentiometer time) disabled.
    for (CStepDialogsView* view : m_pViews->byKind)
        view->setEnabled(enabled);
}

bool CStepDialogStrip::FocusFirstControl()
{
    QWidget* view = m_pViews->OfKind(m_pViews->shown);
    if (!view)
        return false;
    for (QWidget* next = view->nextInFocusChain(); next && next != view && view->isAncestorOf(next);
         next = next->nextInFocusChain()) {
        if ((next->focusPolicy() & Qt::TabFocus) && next->isEnabled() && next->isVisibleTo(view)) {
            next->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return false;
}

void CStepDialogStrip::OnLanguageChanged(Language::CLanguageManager& manager)
{
    for (CStepDialogsView* view : m_pViews->byKind)
        view->OnLanguageChanged(manager);
}
