// What screen readers see, through Qt's accessibility tree: the step chain with one item per
// box (names, descriptions, states), its selection and focus events, the marker of the active
// step, and the names of the controls of the step dialogs and common settings, in two
// languages and after a switch between them.

#include "ActivePane.h"
#include "ChainAccessible.h"
#include "CommonSettings.h"
#include "DialogIds.h"
#include "Fields_QVR_K115_ZQX.h"
#include "LanguageManager.h"
#include "QuorvexView.h"
#include "RelayPane.h"
#include "StepDialogBase.h"
#include "StepDialogViews.h"
#include "StepDialogs.h"
#include "TestLanguages.h"
#include "TextIds.h"

#include <QAccessible>
#include <QTest>

#include <memory>
#include <set>

using namespace DialogIds;

namespace {

// Steps 1 to 4: switch the relay off, wait for a rising input, toggle the relay, a fixed time.
void WriteProgram(CQuorvexDoc& doc)
{
    CQuorvex_QVR_K115_ZQX_FieldSet fields;
    static_cast<CQuorvexFIELDStateChange&>(*fields.Bind(&doc, 0, 1)).SetRelayOperation(0, RELAY_OP_OFF);
    auto& rising = static_cast<CQuorvexFIELDCondition&>(*fields.Bind(&doc, 0, 2));
    rising.SetConditionType(CONDITION_RISING);
    rising.SetTerm(0, TERM_OP_NONE, TERM_SOURCE_INPUT, 1, 0);
    static_cast<CQuorvexFIELDStateChange&>(*fields.Bind(&doc, 0, 3)).SetRelayOperation(0, RELAY_OP_TOGGLE);
    auto& time = static_cast<CQuorvexFIELDTime&>(*fields.Bind(&doc, 0, 4));
    time.SetFixedTime(1);
    time.SetTimeUnit(0);
    time.SetTimeValue(128);
}

// The accessibility events of the program, recorded by the update handler.
struct Recorded {
    QAccessible::Event type;
    QObject* object; // the object of the interface the event is about (the view for a box)
    int child;       // the index of that interface among the view's children, or -1
};
QList<Recorded> g_events;

void RecordEvent(QAccessibleEvent* event)
{
    QAccessibleInterface* iface = event->accessibleInterface();
    QAccessibleInterface* parent = iface ? iface->parent() : nullptr;
    const bool part = iface && !iface->object() && parent;
    g_events.append({event->type(), part ? parent->object() : event->object(), part ? parent->indexOfChild(iface) : -1});
}

bool Select(std::uint32_t lcid)
{
    return Language::TheLanguageManager().SelectLanguageByLcid(lcid) == std::int64_t(lcid);
}

// Every control of a widget that the keyboard reaches (Tab), visible or on a page not shown;
// not the parts of a control (a list's popup, a scroll bar of its own).
QList<QWidget*> KeyboardControls(QWidget* root)
{
    QList<QWidget*> controls;
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        if (!(widget->focusPolicy() & Qt::TabFocus) || widget->window() != root->window())
            continue;
        bool part = false;
        for (QWidget* above = widget->parentWidget(); above && above != root; above = above->parentWidget())
            part = part || (above->focusPolicy() & Qt::TabFocus);
        if (!part)
            controls.append(widget);
    }
    return controls;
}

QString AccessibleName(QWidget* widget)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    return iface ? iface->text(QAccessible::Name) : QString();
}

} // namespace

class tst_ChainAccessible : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(UseShippedLanguage(Language::LCID_ENGLISH));
        // Qt passes events on only while a screen reader listens, which it never does here: the
        // test sees the views' announcements before Qt does.
        SetChainEventObserver(RecordEvent);
    }
    void cleanupTestCase() { SetChainEventObserver(nullptr); }
    void init()
    {
        QVERIFY(Select(Language::LCID_ENGLISH));
        g_events.clear();
    }

    void boxesAreItemsOfTheChain_data()
    {
        QTest::addColumn<quint32>("lcid");
        QTest::addColumn<QString>("chain");
        QTest::addColumn<QStringList>("names"); // steps 0, 1, 2, 4, 36
        QTest::addColumn<QString>("operation"); // a text of step 1's description
        QTest::newRow("English") << quint32(Language::LCID_ENGLISH) << "Step chain"
                                 << QStringList{"Start", "Step 1: relay operation", "Step 2: condition", "Step 4: time", "Stop"}
                                 << "Switch off";
        QTest::newRow("German") << quint32(Language::LCID_GERMAN) << "Schrittkette"
                                << QStringList{"Start", "Schritt 1: Schaltbefehl", "Schritt 2: Bedingung", "Schritt 4: Zeit", "Stopp"}
                                << "Ausschalten";
    }
    void boxesAreItemsOfTheChain()
    {
        QFETCH(quint32, lcid);
        QFETCH(QString, chain);
        QFETCH(QStringList, names);
        QFETCH(QString, operation);
        auto pane = MakeActivePane(1, 1100);
        QVERIFY(pane);
        WriteProgram(*pane->GetDocument());
        // The language is switched while the pane is open, as the Language menu does.
        QVERIFY(Select(lcid));
        g_events.clear();
        pane->OnLanguageChanged(Language::TheLanguageManager());
        CQuorvexView* view = pane->View(0);
        QVERIFY(std::any_of(g_events.cbegin(), g_events.cend(), [view](const Recorded& event) {
            return event.type == QAccessible::NameChanged && event.object == view;
        }));
        pane->SelectStep(2, 0);

        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(view);
        QVERIFY(list);
        QCOMPARE(list->role(), QAccessible::List);
        QCOMPARE(list->text(QAccessible::Name), chain);
        QCOMPARE(list->childCount(), FIELD_COUNT + 1);
        const int steps[] = {0, 1, 2, 4, STOP_FIELD};
        for (int i = 0; i < 5; ++i) {
            QAccessibleInterface* box = list->child(steps[i]);
            QVERIFY(box);
            QCOMPARE(box->role(), QAccessible::ListItem);
            QCOMPARE(box->text(QAccessible::Name), names[i]);
            QCOMPARE(box->parent(), list);
            QCOMPARE(list->indexOfChild(box), steps[i]);
            // The box's texts after its header, which the name says.
            QCOMPARE(box->text(QAccessible::Description), view->BoxTexts(steps[i]).mid(1).join(QStringLiteral("; ")));
        }
        QVERIFY(list->child(1)->text(QAccessible::Description).contains(operation));

        // States: the selected box has the focus; Stop cannot be selected; the end of the
        // chain is scrolled away.
        QAccessible::State selected = list->child(2)->state();
        QVERIFY(selected.selected && selected.focused && selected.selectable && !selected.offscreen);
        QAccessible::State other = list->child(1)->state();
        QVERIFY(!other.selected && !other.focused && other.selectable);
        QVERIFY(!list->child(STOP_FIELD)->state().selectable);
        QVERIFY(list->child(STOP_FIELD)->state().offscreen);
        QCOMPARE(list->focusChild(), list->child(2));
        // The box under a point of the screen.
        const QRect box4 = list->child(4)->rect();
        QVERIFY(!box4.isEmpty());
        QCOMPARE(list->childAt(box4.center().x(), box4.center().y()), list->child(4));
    }

    void selectionIsAnnounced()
    {
        auto pane = MakeActivePane(2, 1100);
        QVERIFY(pane);
        g_events.clear();
        Press(Qt::Key_Right);
        Press(Qt::Key_Down);

        // Step 1 selected in channel 1 with the focus on it; then step 1 of channel 2.
        const auto announced = [](QAccessible::Event type, QObject* view, int step) {
            return std::any_of(g_events.cbegin(), g_events.cend(), [&](const Recorded& event) {
                return event.type == type && event.object == view && event.child == step;
            });
        };
        QVERIFY(announced(QAccessible::Selection, pane->View(0), 1));
        QVERIFY(announced(QAccessible::Focus, pane->View(0), 1));
        QVERIFY(announced(QAccessible::Selection, pane->View(1), 1));
        QVERIFY(announced(QAccessible::Focus, pane->View(1), 1));
        QAccessibleInterface* second = QAccessible::queryAccessibleInterface(pane->View(1));
        QCOMPARE(second->text(QAccessible::Name), QStringLiteral("Step chain of channel 2"));
        QVERIFY(second->child(1)->state().focused);
        QVERIFY(!QAccessible::queryAccessibleInterface(pane->View(0))->child(1)->state().selected);

        // An item's action selects its step as a click does.
        QAccessibleActionInterface* action = second->child(7)->actionInterface();
        QVERIFY(action);
        action->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(pane->GetSelectedChannel(), 1);
        QCOMPARE(pane->GetSelectedStep(), 7);
        QVERIFY(second->child(STOP_FIELD)->actionInterface()->actionNames().isEmpty());
    }

    void markerTellsTheActiveStepAndItsTime_data()
    {
        QTest::addColumn<quint32>("lcid");
        QTest::addColumn<QString>("marker");
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("elapsed");
        QTest::addColumn<QString>("none");
        QTest::newRow("English") << quint32(Language::LCID_ENGLISH) << "Active step" << "Step 4: time" << "1.50 s" << "none";
        QTest::newRow("German") << quint32(Language::LCID_GERMAN) << "Aktiver Schritt" << "Schritt 4: Zeit" << "1,50 s" << "keiner";
    }
    void markerTellsTheActiveStepAndItsTime()
    {
        QFETCH(quint32, lcid);
        QFETCH(QString, marker);
        QFETCH(QString, step);
        QFETCH(QString, elapsed);
        QFETCH(QString, none);
        QVERIFY(Select(lcid));
        auto pane = MakeActivePane(1, 1100);
        QVERIFY(pane);
        WriteProgram(*pane->GetDocument());
        CQuorvexView* view = pane->View(0);
        QAccessibleInterface* indicator = QAccessible::queryAccessibleInterface(view)->child(FIELD_COUNT);
        QCOMPARE(indicator->role(), QAccessible::StaticText);
        QCOMPARE(indicator->text(QAccessible::Name), marker);

        // The simulation runs into the time step (steps 1 and 2 pass with the input on).
        pane->SetWorkMode(WORK_MODE_SIMULATION);
        g_events.clear();
        view->SetActiveStep(4, 0.5, false);
        view->SetTimeDisplay(0, 0, 1.5);
        QCOMPARE(indicator->text(QAccessible::Description), step);
        QCOMPARE(indicator->text(QAccessible::Value), elapsed);
        QVERIFY(indicator->state().active == false && !indicator->state().invisible);
        QVERIFY(QAccessible::queryAccessibleInterface(view)->child(4)->state().active);
        QVERIFY(std::any_of(g_events.cbegin(), g_events.cend(), [view](const Recorded& event) {
            return event.type == QAccessible::DescriptionChanged && event.object == view && event.child == FIELD_COUNT;
        }));

        view->SetActiveStep(-1, 0.0, false);
        QCOMPARE(indicator->text(QAccessible::Description), none);
        QVERIFY(indicator->text(QAccessible::Value).isEmpty());
        QVERIFY(indicator->state().invisible);
    }

    void everyControlHasADistinctName_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<quint32>("lcid");
        QTest::newRow("one channel, English") << 1 << quint32(Language::LCID_ENGLISH);
        QTest::newRow("one channel, German") << 1 << quint32(Language::LCID_GERMAN);
        QTest::newRow("two channels, English") << 2 << quint32(Language::LCID_ENGLISH);
        QTest::newRow("two channels, Russian") << 2 << quint32(Language::LCID_RUSSIAN);
    }
    void everyControlHasADistinctName()
    {
        QFETCH(int, model);
        QFETCH(quint32, lcid);
        auto pane = MakeActivePane(model, 1100);
        QVERIFY(pane);
        QVERIFY(Select(lcid));
        pane->OnLanguageChanged(Language::TheLanguageManager());

        // Within each step kind's dialogs, and within the common settings, the keyboard's
        // controls have names and no two share one.
        QList<QWidget*> parts;
        for (CStepDialogsView* view : pane->StepDialogs()->findChildren<CStepDialogsView*>())
            parts.append(view);
        QCOMPARE(parts.size(), 4);
        parts.append(pane->CommonSettings());
        for (QWidget* part : parts) {
            std::set<QString> names;
            const QList<QWidget*> controls = KeyboardControls(part);
            QVERIFY(!controls.isEmpty());
            for (QWidget* control : controls) {
                const QString name = AccessibleName(control);
                QVERIFY2(!name.isEmpty() && !name.contains(QLatin1Char('&')),
                         qPrintable(control->objectName() + QStringLiteral(" ") + control->metaObject()->className()
                                    + QStringLiteral(" in ") + part->metaObject()->className()));
                QVERIFY2(names.insert(name).second, qPrintable(name));
            }
        }
    }

    void namesFollowTheLanguage_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("templateId"); // 0: the common settings
        QTest::addColumn<int>("controlId");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("german");
        QTest::newRow("relay operation of relay 2") << 2 << int(IDD_QVS_STATE_CHANGE_OPERATION) << int(IDC_QVS_OPERATION_RELAY2)
                                                    << "Relay operations: relay 2" << "Schaltbefehle: Relais 2";
        QTest::newRow("the only relay operation") << 1 << int(IDD_QVR_STATE_CHANGE_OPERATION) << int(IDC_QVR_OPERATION)
                                                  << "Relay operation" << "Schaltbefehl";
        QTest::newRow("jump target") << 1 << int(IDD_QVR_STATE_CHANGE_JUMP) << int(IDC_JUMP_TARGET)
                                     << "Jump: target" << "Sprung: Ziel";
        QTest::newRow("second operator") << 2 << int(IDD_QVS_CONDITION_CONDITION) << int(IDC_OPERATOR_2)
                                         << "Signal: operator 2" << "Signal: Operator 2";
        QTest::newRow("time track bar") << 1 << int(IDD_QVR_TIME_TIME) << int(IDC_TIME_VALUE)
                                        << "Time: track bar" << "Zeit: Schieberegler";
        QTest::newRow("time source, by its label") << 1 << int(IDD_QVR_TIME_TIME) << int(IDC_TIME_SOURCE)
                                                   << "Time source" << "Zeitquelle";
    }
    void namesFollowTheLanguage()
    {
        QFETCH(int, model);
        QFETCH(int, templateId);
        QFETCH(int, controlId);
        QFETCH(QString, english);
        QFETCH(QString, german);
        auto pane = MakeActivePane(model, 1100);
        QVERIFY(pane);
        auto* dialog = pane->StepDialogs()->findChild<CStepDialog*>(TemplateObjectName(templateId));
        QVERIFY(dialog);
        QWidget* control = dialog->Control(controlId);
        QVERIFY(control);
        QCOMPARE(AccessibleName(control), english);
        QVERIFY(Select(Language::LCID_GERMAN));
        pane->OnLanguageChanged(Language::TheLanguageManager());
        QCOMPARE(AccessibleName(control), german);
    }

    void commonSettingsReadTheirState()
    {
        auto pane = MakeActivePane(2, 1100);
        QVERIFY(pane);
        CCOMMONDialogsView* common = pane->CommonSettings();
        QAccessibleInterface* button = QAccessible::queryAccessibleInterface(common->InputButton(1));
        QCOMPARE(button->role(), QAccessible::Button);
        QCOMPARE(button->text(QAccessible::Name), QStringLiteral("Input 2: button F9"));
        QVERIFY(!button->state().pressed);
        g_events.clear();
        common->InputButton(1)->KeyDown();
        QVERIFY(button->state().pressed);
        common->InputButton(1)->KeyUp();
        const auto count = [](QAccessible::Event type, QObject* object) {
            return std::count_if(g_events.cbegin(), g_events.cend(), [&](const Recorded& event) {
                return event.type == type && event.object == object;
            });
        };
        QCOMPARE(count(QAccessible::StateChanged, common->InputButton(1)), 2); // down and up

        QAccessibleInterface* relay = QAccessible::queryAccessibleInterface(common->RelayPicture(0));
        QCOMPARE(relay->role(), QAccessible::Graphic);
        QVERIFY(!relay->text(QAccessible::Name).isEmpty());
        common->RelayPicture(0)->SetState(1);
        QCOMPARE(relay->text(QAccessible::Value), QStringLiteral("on"));
        QCOMPARE(count(QAccessible::DescriptionChanged, common->RelayPicture(0)), 1);
        common->RelayPicture(0)->SetState(0);
        QCOMPARE(relay->text(QAccessible::Value), QStringLiteral("off"));
    }
};

QTEST_MAIN(tst_ChainAccessible)
#include "tst_chain_accessible.moc"
