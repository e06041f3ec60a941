#include "ChainAccessible.h"

#include "CommonSettings.h"
#include "LanguageManager.h"
#include "ModelTypes.h"
#include "QuorvexDoc.h"
#include "QuorvexView.h"
#include "TextIds.h"
#include "TimeControlHelper.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QPointer>
#include <QScrollBar>
#include <QWindow>

#include <array>
#include <memory>

using namespace Language;

namespace {

ChainEventObserver g_observer = nullptr;

// Children of the view: the boxes 0..36, then the marker.
constexpr int MARKER_CHILD = FIELD_COUNT;

// The parts of a view that are not widgets: a step box or the marker.
class CChainPartAccessible : public QAccessibleInterface {
public:
    CChainPartAccessible(CQuorvexView* view, int index) : m_pView(view), m_nIndex(index) {}

    bool isValid() const override { return !m_pView.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_pView ? m_pView->window()->windowHandle() : nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_pView.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    void setText(QAccessible::Text, const QString&) override {}

protected:
    // A rectangle of the viewport in screen coordinates.
    QRect ToScreen(const QRect& rect) const
    {
        if (!m_pView || rect.isEmpty())
            return {};
        return {m_pView->viewport()->mapToGlobal(rect.topLeft()), rect.size()};
    }
    bool OutsideViewport(const QRect& rect) const
    {
        return !m_pView || !m_pView->isVisible() || !m_pView->viewport()->rect().intersects(rect);
    }

    QPointer<CQuorvexView> m_pView;
    int m_nIndex;
};

class CStepBoxAccessible final : public CChainPartAccessible, public QAccessibleActionInterface {
public:
    using CChainPartAccessible::CChainPartAccessible;

    QString text(QAccessible::Text t) const override
    {
        if (!m_pView)
            return {};
        switch (t) {
        case QAccessible::Name: return ChainStepName(m_nIndex);
        case QAccessible::Description: {
            // The header (the number, or Start and Stop) is the name already.
            QStringList texts = m_pView->BoxTexts(m_nIndex);
            const QString header = m_nIndex == 0 || m_nIndex == STOP_FIELD ? ChainStepName(m_nIndex)
                                                                            : QString::number(m_nIndex);
            if (!texts.isEmpty() && texts.front() == header)
                texts.removeFirst();
            return texts.join(QStringLiteral("; "));
        }
        default: return {};
        }
    }
    QRect rect() const override { return m_pView ? ToScreen(m_pView->BoxRect(m_nIndex)) : QRect(); }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!m_pView)
            return state;
        const bool selectable = m_nIndex < STOP_FIELD;
        const bool selected = m_nIndex == m_pView->GetSelectedStep();
        state.selectable = selectable;
        state.focusable = selectable;
        state.selected = selected;
        state.focused = selected && m_pView->hasFocus();
        state.active = m_nIndex == m_pView->GetActiveStep();
        state.offscreen = OutsideViewport(m_pView->BoxRect(m_nIndex));
        state.disabled = !m_pView->isEnabled();
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }

    // Both actions select the step as a click on its box does; focusing also gives the view
    // the keyboard focus.
    QStringList actionNames() const override
    {
        if (m_nIndex >= STOP_FIELD)
            return {};
        return {pressAction(), setFocusAction()};
    }
    void doAction(const QString& name) override
    {
        if (!m_pView || m_nIndex >= STOP_FIELD || !actionNames().contains(name))
            return;
        Q_EMIT m_pView->selectStep(m_nIndex, m_pView->GetChannel());
        if (name == setFocusAction())
            m_pView->setFocus(Qt::OtherFocusReason);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }
};

class CMarkerAccessible final : public CChainPartAccessible {
public:
    CMarkerAccessible(CQuorvexView* view) : CChainPartAccessible(view, MARKER_CHILD) {}

    QString text(QAccessible::Text t) const override
    {
        if (!m_pView)
            return {};
        switch (t) {
        case QAccessible::Name: return TheLanguageManager().Text(TEXT_A11Y_MARKER);
        case QAccessible::Description: return ActiveStepText(*m_pView);
        case QAccessible::Value: return ActiveStepElapsed(*m_pView);
        default: return {};
        }
    }
    QRect rect() const override
    {
        if (!m_pView)
            return {};
        const int active = m_pView->GetActiveStep();
        QRect box = m_pView->BoxRect(active);
        if (box.isEmpty())
            return {};
        // The marker stands in the top band above its box.
        return ToScreen(QRect(box.left(), 0, box.width(), m_pView->Layout().TopBand()));
    }
    // A label: screen readers on Linux know no indicator role.
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.readOnly = true;
        const int active = m_pView ? m_pView->GetActiveStep() : -1;
        state.invisible = active < 0 || active >= FIELD_COUNT;
        state.offscreen = state.invisible || OutsideViewport(m_pView->BoxRect(active));
        return state;
    }
};

// The program view: a list of the boxes and the marker. The parts are made when first asked
// for and registered with Qt's accessibility cache, which hands out their IDs; the view's
// interface takes them out of the cache when it goes (with the view).
class CChainAccessible final : public QAccessibleWidget {
public:
    explicit CChainAccessible(CQuorvexView* view) : QAccessibleWidget(view, QAccessible::List) {}
    ~CChainAccessible() override
    {
        for (QAccessible::Id id : m_ids)
            if (id)
                QAccessible::deleteAccessibleInterface(id);
    }

    CQuorvexView* View() const { return static_cast<CQuorvexView*>(widget()); }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return ChainViewName(*View());
        if (t == QAccessible::Description && widget()->accessibleDescription().isEmpty()) {
            const int selected = View()->GetSelectedStep();
            return selected >= 0 ? ChainStepName(selected) : QString();
        }
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return FIELD_COUNT + 1; }
    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index > MARKER_CHILD)
            return nullptr;
        QAccessible::Id& id = m_ids[std::size_t(index)];
        if (!id) {
            QAccessibleInterface* part = index == MARKER_CHILD
                                             ? static_cast<QAccessibleInterface*>(new CMarkerAccessible(View()))
                                             : new CStepBoxAccessible(View(), index);
            id = QAccessible::registerAccessibleInterface(part);
        }
        return QAccessible::accessibleInterface(id);
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        for (int index = 0; index <= MARKER_CHILD; ++index)
            if (m_ids[std::size_t(index)] && QAccessible::accessibleInterface(m_ids[std::size_t(index)]) == child)
                return index;
        return -1;
    }
    QAccessibleInterface* focusChild() const override
    {
        const int selected = View()->GetSelectedStep();
        return View()->hasFocus() && selected >= 0 ? child(selected) : nullptr;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        const QPoint at = View()->viewport()->mapFromGlobal(QPoint(x, y));
        for (int index = 0; index < FIELD_COUNT; ++index)
            if (View()->BoxRect(index).contains(at))
                return child(index);
        return nullptr;
    }

private:
    mutable std::array<QAccessible::Id, FIELD_COUNT + 1> m_ids{};
};

// An input button: a push button that latches (checkable) or is held (pressed).
class CInputButtonAccessible final : public QAccessibleWidget {
public:
    explicit CInputButtonAccessible(CObservedButton* button)
        : QAccessibleWidget(button, QAccessible::Button)
    {
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        const auto* button = static_cast<const CObservedButton*>(widget());
        state.checkable = button->IsLatching();
        state.checked = button->IsLatching() && button->IsPressed();
        state.pressed = !button->IsLatching() && button->IsPressed();
        return state;
    }
};

// A relay picture: a picture named after its relay whose value (and description) is on or off.
class CRelayPictureAccessible final : public QAccessibleWidget {
public:
    explicit CRelayPictureAccessible(CRelayRPictureControl* picture) : QAccessibleWidget(picture, QAccessible::Graphic) {}
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value || (t == QAccessible::Description && widget()->accessibleDescription().isEmpty()))
            return TheLanguageManager().Text(static_cast<const CRelayRPictureControl*>(widget())->GetState() ? TEXT_A11Y_ON
                                                                                                             : TEXT_A11Y_OFF);
        return QAccessibleWidget::text(t);
    }
};

// A drop-down list (not editable) named after its label. Qt's own interface names such a list
// by the entry it shows on Linux and leaves the label to a relation, which tells nothing apart
// where one label stands for several lists (two relays in one group, a jump and its target):
// this one names it by its accessible name, or as Qt names widgets (a buddy label, the group),
// or at last by its entry, and gives the entry as its value.
class CComboBoxAccessible final : public QAccessibleWidget {
public:
    explicit CComboBoxAccessible(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    QComboBox* Box() const { return static_cast<QComboBox*>(widget()); }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return Box()->currentText();
        const QString text = QAccessibleWidget::text(t);
        // A list without any label is named by its entry, as Qt names it.
        if (t == QAccessible::Name && text.isEmpty())
            return Box()->currentText();
        return text;
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.hasPopup = true;
        const bool open = Box()->view() && Box()->view()->isVisible();
        state.expandable = true;
        state.expanded = open;
        state.collapsed = !open;
        return state;
    }
    // The list of entries, as Qt's own interface has it.
    int childCount() const override { return Box()->view() ? 1 : 0; }
    QAccessibleInterface* child(int index) const override
    {
        return index == 0 && Box()->view() ? QAccessible::queryAccessibleInterface(Box()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child && Box()->view() && child->object() == Box()->view() ? 0 : -1;
    }
    QStringList actionNames() const override
    {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override
    {
        if (name == showMenuAction() || name == pressAction()) {
            if (Box()->view() && Box()->view()->isVisible())
                Box()->hidePopup();
            else
                Box()->showPopup();
            return;
        }
        QAccessibleWidget::doAction(name);
    }
};

QAccessibleInterface* CreateInterface(const QString& className, QObject* object)
{
    if (className == QLatin1String("QComboBox"))
        if (auto* box = qobject_cast<QComboBox*>(object); box && !box->isEditable())
            return new CComboBoxAccessible(box);
    if (className == QLatin1String("CRelayRPictureControl"))
        if (auto* picture = qobject_cast<CRelayRPictureControl*>(object))
            return new CRelayPictureAccessible(picture);
    if (className == QLatin1String("CQuorvexView"))
        if (auto* view = qobject_cast<CQuorvexView*>(object))
            return new CChainAccessible(view);
    if (className == QLatin1String("CObservedButton"))
        if (auto* button = qobject_cast<CObservedButton*>(object))
            return new CInputButtonAccessible(button);
    return nullptr;
}

QString KindName(int index)
{
    switch (FieldKindAt(index)) {
    case FIELD_STATE_CHANGE: return TheLanguageManager().Text(TEXT_A11Y_KIND_STATE_CHANGE);
    case FIELD_CONDITION: return TheLanguageManager().Text(TEXT_A11Y_KIND_CONDITION);
    case FIELD_TIME: return TheLanguageManager().Text(TEXT_A11Y_KIND_TIME);
    default: return {};
    }
}

// The elapsed time of the running time step at `index`, as its box shows it.
QString ElapsedText(const CQuorvexView& view, int index)
{
    CQuorvexDoc* doc = view.GetDocument();
    if (!doc || view.GetElapsed() < 0.0)
        return {};
    const std::unique_ptr<CQuorvexFieldSet> fields = doc->CreateFieldSet();
    if (!fields)
        return {};
    const auto* time = dynamic_cast<const CQuorvexFIELDTime*>(fields->Bind(doc, view.GetChannel(), index));
    if (!time)
        return {};
    const int unit = time->IsFixedTime() ? time->GetTimeUnit() : view.State().potUnit;
    CTimeControlHelper formats;
    formats.OnLanguageChanged(TheLanguageManager());
    return formats.FormatTime(CTimeControlHelper::DESCRIPTION_FORMATS, unit, 0, view.GetElapsed());
}

} // namespace

void AnnounceAccessible(QAccessibleEvent& event)
{
    // Qt passes the event on to a listening screen reader.
    if (g_observer)
        g_observer(&event);
    QAccessible::updateAccessibility(&event);
}

void InstallChainAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(CreateInterface);
        return true;
    }();
    Q_UNUSED(installed);
}

QString ChainStepName(int index)
{
    CLanguageManager& manager = TheLanguageManager();
    if (index == 0)
        return manager.Text(TEXT_START_NAME);
    if (index == STOP_FIELD)
        return manager.Text(TEXT_STOP_NAME);
    return manager.Format(TEXT_A11Y_STEP, {index, KindName(index)});
}

QString ChainViewName(const CQuorvexView& view)
{
    CLanguageManager& manager = TheLanguageManager();
    const CQuorvexDoc* doc = view.GetDocument();
    if (doc && doc->GetChannelCount() > 1)
        return manager.Format(TEXT_A11Y_CHAIN_CHANNEL, {view.GetChannel() + 1});
    return manager.Text(TEXT_A11Y_CHAIN);
}

QString ActiveStepText(const CQuorvexView& view)
{
    const int active = view.GetActiveStep();
    if (active < 0 || active >= FIELD_COUNT)
        return TheLanguageManager().Text(TEXT_A11Y_NO_ACTIVE_STEP);
    return ChainStepName(active);
}

QString ActiveStepElapsed(const CQuorvexView& view)
{
    const int active = view.GetActiveStep();
    if (active < 0 || active >= FIELD_COUNT || FieldKindAt(active) != FIELD_TIME)
        return {};
    return ElapsedText(view, active);
}

void AnnounceChainSelection(CQuorvexView* view)
{
    if (!QAccessible::isActive() && !g_observer)
        return;
    const int selected = view->GetSelectedStep();
    QAccessibleInterface* chain = QAccessible::queryAccessibleInterface(view);
    if (!chain || selected < 0)
        return;
    QAccessibleInterface* box = chain->child(selected);
    QAccessibleEvent selection(box, QAccessible::Selection);
    AnnounceAccessible(selection);
    if (view->hasFocus()) {
        QAccessibleEvent focus(box, QAccessible::Focus);
        AnnounceAccessible(focus);
    }
}

void AnnounceChainTexts(CQuorvexView* view)
{
    if (!QAccessible::isActive() && !g_observer)
        return;
    QAccessibleEvent name(view, QAccessible::NameChanged);
    AnnounceAccessible(name);
    QAccessibleEvent description(view, QAccessible::DescriptionChanged);
    AnnounceAccessible(description);
}

void AnnounceActiveStep(CQuorvexView* view)
{
    if (!QAccessible::isActive() && !g_observer)
        return;
    QAccessibleInterface* chain = QAccessible::queryAccessibleInterface(view);
    if (!chain)
        return;
    QAccessibleEvent moved(chain->child(MARKER_CHILD), QAccessible::DescriptionChanged);
    AnnounceAccessible(moved);
}

void SetChainEventObserver(ChainEventObserver observer)
{
    g_observer = observer;
}
