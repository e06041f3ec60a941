// The relay panes: hit testing in the program view, step selection, the simulation driven
// through the pane's commands and input buttons, the input keys and the common settings.

#include "CommonSettings.h"
#include "DialogIds.h"
#include "Fields_QVR_K115_ZQX.h"
#include "Fields_QVS_K115_318.h"
#include "LanguageManager.h"
#include "QuorvexView.h"
#include "RelayPane.h"
#include "StepDialogBase.h"
#include "StepDialogs.h"
#include "TestLanguages.h"
#include "TimeEntryField.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QStyle>
#include <QTest>
#include <QToolTip>
#include <QUndoStack>

#include <memory>

using namespace DialogIds;

namespace {

std::unique_ptr<CRelayPane> MakePane(int model)
{
    std::unique_ptr<CRelayPane> pane(CreateRelayPane(model));
    pane->CreatePaneWindow();
    pane->resize(1200, model == 1 ? 600 : 800);
    pane->show();
    return pane;
}

// Sends a key to a widget as the keyboard would (press or release, maybe auto-repeated).
void SendKey(QWidget* target, QEvent::Type type, int key, bool autoRepeat = false)
{
    QKeyEvent event(type, key, Qt::NoModifier, QString(), autoRepeat);
    QApplication::sendEvent(target, &event);
}

// The single-channel program of the simulator's worked example.
void WriteWorkedExample(CQuorvexDoc& doc)
{
    CQuorvex_QVR_K115_ZQX_FieldSet fields;
    auto& start = static_cast<CQuorvexFIELDStart&>(*fields.Bind(&doc, 0, 0));
    start.SetInitialState(0, RELAY_STATE_ON);
    auto& off = static_cast<CQuorvexFIELDStateChange&>(*fields.Bind(&doc, 0, 1));
    off.SetRelayOperation(0, RELAY_OP_OFF);
    off.SetJump(NO_JUMP);
    auto& rising = static_cast<CQuorvexFIELDCondition&>(*fields.Bind(&doc, 0, 2));
    rising.SetConditionType(CONDITION_RISING);
    rising.SetTerm(0, TERM_OP_NONE, TERM_SOURCE_INPUT, 1, 0);
    rising.SetJump(NO_JUMP);
    auto& toggle = static_cast<CQuorvexFIELDStateChange&>(*fields.Bind(&doc, 0, 3));
    toggle.SetRelayOperation(0, RELAY_OP_TOGGLE);
    toggle.SetJump(NO_JUMP);
    auto& time = static_cast<CQuorvexFIELDTime&>(*fields.Bind(&doc, 0, 4));
    time.SetConditionType(CONDITION_NONE);
    time.SetFixedTime(1);
    time.SetTimeUnit(0);
    time.SetTimeValue(128);
}

// A staircase light: the relay goes on at a rising input, stays on for the potentiometer's time
// and goes off; then the next rising input.
void WriteStaircase(CQuorvexDoc& doc)
{
    CQuorvex_QVR_K115_ZQX_FieldSet fields;
    auto& off = static_cast<CQuorvexFIELDStateChange&>(*fields.Bind(&doc, 0, 1));
    off.SetRelayOperation(0, RELAY_OP_OFF);
    auto& rising = static_cast<CQuorvexFIELDCondition&>(*fields.Bind(&doc, 0, 2));
    rising.SetConditionType(CONDITION_RISING);
    rising.SetTerm(0, TERM_OP_NONE, TERM_SOURCE_INPUT, 1, 0);
    auto& on = static_cast<CQuorvexFIELDStateChange&>(*fields.Bind(&doc, 0, 3));
    on.SetRelayOperation(0, RELAY_OP_ON);
    static_cast<CQuorvexFIELDTime&>(*fields.Bind(&doc, 0, 4)).SetFixedTime(0);
    static_cast<CQuorvexFIELDStateChange&>(*fields.Bind(&doc, 0, 5)).SetJump(1);
}

// A control of a step dialog of the pane, by template and control ID.
template <typename Control>
Control* DialogControl(const CRelayPane& pane, int templateId, int controlId)
{
    auto* dialog = pane.StepDialogs()->findChild<CStepDialog*>(TemplateObjectName(templateId));
    return dialog ? qobject_cast<Control*>(dialog->Control(controlId)) : nullptr;
}

// Types a time into a time field and confirms it with Enter.
void TypeTime(QLineEdit* field, const QString& text)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
}

constexpr std::int64_t CLOCK_SECOND = 1'000'000'000;

// What each view of the pane shows, against the chain painted box by box at once from the
// program and the view's state: a box picture kept from before a change would differ.
void CompareViewsWithDirectPainting(const CRelayPane& pane)
{
    for (int channel = 0; channel < pane.GetDocument()->GetChannelCount(); ++channel) {
        const CQuorvexView* view = pane.View(channel);
        const QImage shown = view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QImage direct(view->viewport()->size(), QImage::Format_RGB32);
        QPainter painter(&direct);
        PaintChainView(painter, direct.size(), view->horizontalScrollBar()->value(), view->Layout(), pane.Drawer(),
                       pane.GetDocument(), channel, view->State(), 1.0, nullptr);
        painter.end();
        QCOMPARE(shown, direct);
    }
}

} // namespace

class TestRelayPane : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(UseShippedLanguage(Language::LCID_ENGLISH)); }

    // Clicks on the view: box centres select their own step, the band above the row, the
    // space below it and the Stop box select nothing; scrolled, the same boxes answer.
    void hitTesting_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("scroll");
        QTest::newRow("one channel") << 1 << 0;
        QTest::newRow("one channel, scrolled") << 1 << 1234;
        QTest::newRow("two channels, scrolled") << 2 << 2000;
    }
    void hitTesting()
    {
        QFETCH(int, model);
        QFETCH(int, scroll);
        auto pane = MakePane(model);
        CQuorvexView* view = pane->View(0);
        view->horizontalScrollBar()->setValue(scroll);
        const int offset = view->horizontalScrollBar()->value();
        const CChainLayout& layout = view->Layout();
        QVERIFY(layout.IsValid());
        QSignalSpy spy(view, &CQuorvexView::selectStep);
        const int rowMiddle = layout.TopBand() + layout.RowHeight() / 2;
        for (int index = 0; index < FIELD_COUNT; ++index) {
            const int x = layout.BoxLeft(index) + layout.BoxWidth(index) / 2 - offset;
            if (x < 0 || x >= view->viewport()->width())
                continue;
            spy.clear();
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(x, rowMiddle));
            if (index == STOP_FIELD) {
                QCOMPARE(spy.count(), 0);
            } else {
                QCOMPARE(spy.count(), 1);
                QCOMPARE(spy.at(0).at(0).toInt(), index);
            }
        }
        const int x = layout.BoxLeft(5) + 3 - offset;
        spy.clear();
        if (x >= 0 && x < view->viewport()->width()) {
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(x, layout.TopBand() - 1));
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(x, layout.TopBand() + layout.RowHeight()));
            QCOMPARE(spy.count(), 0);
        }
    }

    // The chain's edges: the first StateChange after the last group is step 33, the Stop
    // box and the points outside the row are nothing.
    void chainEdges()
    {
        auto pane = MakePane(1);
        const CChainLayout& layout = pane->View(0)->Layout();
        const int top = layout.TopBand();
        QCOMPARE(layout.HitTest(layout.BoxLeft(33), top), 33);
        QCOMPARE(layout.HitTest(layout.BoxLeft(33) - 1, top), 32);
        QCOMPARE(layout.HitTest(layout.BoxLeft(36) + 1, top + 1), -1);
        QCOMPARE(layout.HitTest(0, top - 1), -1);
        QCOMPARE(layout.HitTest(0, top + layout.RowHeight()), -1);
        QCOMPARE(layout.HitTest(layout.BoxLeft(36) - 1, top), 35);
        QCOMPARE(layout.TotalWidth(), layout.BoxLeft(36) + layout.KindWidth(FIELD_STOP));
        // A taller view gives proportionally wider boxes.
        const int before = layout.KindWidth(FIELD_CONDITION);
        pane->resize(pane->width(), pane->height() + 200);
        QTRY_VERIFY(pane->View(0)->Layout().KindWidth(FIELD_CONDITION) > before);
    }

    // The two relays' labels sit right above their pictures, each centred over its own, however
    // tall the row of settings is.
    void relayLabelsSitWithTheirPictures()
    {
        auto pane = MakePane(2);
        QTRY_VERIFY(pane->CommonSettings()->isVisible());
        for (int relay = 0; relay < 2; ++relay) {
            const QWidget* picture = pane->CommonSettings()->RelayPicture(relay);
            const QString caption = Language::TheLanguageManager().Text(relay == 0 ? Language::TEXT_QVS_RELAY1_LABEL
                                                                                    : Language::TEXT_QVS_RELAY2_LABEL);
            const QLabel* label = nullptr;
            for (const QLabel* candidate : pane->CommonSettings()->findChildren<QLabel*>())
                if (candidate->text() == caption)
                    label = candidate;
            QVERIFY(label);
            // Where the label draws its text.
            const QRect drawn = label->style()->itemTextRect(label->fontMetrics(), label->contentsRect(),
                                                             int(label->alignment()), true, label->text());
            const QRect text(label->mapTo(pane.get(), drawn.topLeft()), drawn.size());
            const QRect shown = QRect(picture->mapTo(pane.get(), QPoint(0, 0)), picture->size());
            const int gap = shown.top() - text.bottom();
            QVERIFY2(gap >= 0 && gap <= 12, qPrintable(QString::number(gap)));
            QVERIFY(std::abs(text.center().x() - shown.center().x()) <= 2);
        }
    }

    // The views paint from pictures of their boxes and show every change at once: a click,
    // an edit in a dialog, Undo, a switch of language, the simulation and the live view.
    void viewsShowEveryChange()
    {
        auto pane = MakePane(2);
        CompareViewsWithDirectPainting(*pane);
        // Painted again unchanged: every box from its picture.
        const std::uint64_t painted = pane->View(0)->BoxPictures().PaintedCount();
        QVERIFY(painted > 0);
        pane->View(0)->viewport()->grab();
        QCOMPARE(pane->View(0)->BoxPictures().PaintedCount(), painted);

        CQuorvexView* view = pane->View(0);
        const CChainLayout& layout = view->Layout();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          QPoint(layout.BoxLeft(2) + 10, layout.TopBand() + layout.RowHeight() / 2));
        QCOMPARE(view->GetSelectedStep(), 2);
        CompareViewsWithDirectPainting(*pane);

        auto* condition = DialogControl<QComboBox>(*pane, 277, IDC_CONDITION);
        QVERIFY(condition);
        const QByteArray before(reinterpret_cast<const char*>(pane->GetDocument()->GetData()),
                                pane->GetDocument()->GetDataSize());
        QTest::keyClick(condition, Qt::Key_Down);
        QCOMPARE(pane->UndoStack()->count(), 1);
        CompareViewsWithDirectPainting(*pane);
        pane->UndoStack()->undo();
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(pane->GetDocument()->GetData()),
                            pane->GetDocument()->GetDataSize()),
                 before);
        CompareViewsWithDirectPainting(*pane);

        Language::CLanguageManager& manager = Language::TheLanguageManager();
        QCOMPARE(manager.SelectLanguageByLcid(1031), qint64(1031));
        pane->OnLanguageChanged(manager);
        CompareViewsWithDirectPainting(*pane);
        manager.SelectLanguageByLcid(Language::LCID_ENGLISH);
        pane->OnLanguageChanged(manager);

        // The default program comes to the time step 4 (1 s) at once.
        pane->ToggleSimulationMode();
        for (int tick = 0; tick < 4; ++tick) {
            pane->SimulationTick(0);
            CompareViewsWithDirectPainting(*pane);
        }
        pane->ToggleSimulationMode();

        pane->SetWorkMode(WORK_MODE_DEVICE_VIEW);
        DeviceProtocol::ChannelState states[2];
        states[0].fieldIndex = 4;
        states[1].fieldIndex = 8;
        for (const double elapsed : {0.25, 0.5}) {
            states[0].elapsedSeconds = elapsed;
            pane->ShowRelayState(states);
            QCOMPARE(view->GetElapsed(), elapsed);
            CompareViewsWithDirectPainting(*pane);
        }
        pane->StopView();
        CompareViewsWithDirectPainting(*pane);
    }

    // Selecting a step in one channel's view removes the mark from the other view; the
    // Stop box cannot be selected.
    void selectionAcrossChannels()
    {
        auto pane = MakePane(2);
        QCOMPARE(pane->View(0)->GetSelectedStep(), 0);
        QCOMPARE(pane->View(1)->GetSelectedStep(), -1);
        pane->SelectStep(4, 1);
        QCOMPARE(pane->View(0)->GetSelectedStep(), -1);
        QCOMPARE(pane->View(1)->GetSelectedStep(), 4);
        QCOMPARE(pane->GetSelectedChannel(), 1);
        pane->SelectStep(STOP_FIELD, 0);
        QCOMPARE(pane->GetSelectedStep(), 4);
        QCOMPARE(pane->View(1)->GetSelectedStep(), 4);
    }

    // The worked example run through the pane's commands and one button press: the
    // outputs, the relay picture and the active step with its progress follow.
    void workedExample()
    {
        auto pane = MakePane(1);
        CQuorvexDoc& doc = *pane->GetDocument();
        WriteWorkedExample(doc);
        doc.ClearModified();
        CQuorvexView* view = pane->View(0);
        CRelayRPictureControl* relay = pane->CommonSettings()->RelayPicture(0);

        pane->ToggleSimulationMode();
        QCOMPARE(pane->GetWorkMode(), int(WORK_MODE_SIMULATION));
        QCOMPARE(view->GetActiveStep(), 0);
        const int startCentre = view->Layout().BoxLeft(0) + view->Layout().BoxWidth(0) / 2;
        QCOMPARE(view->MarkerCentre(), startCentre);

        pane->SimulationTick(0);
        QCOMPARE(view->GetActiveStep(), 1);
        QCOMPARE(doc.GetOutputState(0), 1);
        QCOMPARE(relay->GetState(), 1);
        pane->SimulationTick(0);
        QCOMPARE(view->GetActiveStep(), 2);
        QCOMPARE(relay->GetState(), 0);
        pane->SimulationTick(0);
        QCOMPARE(view->GetActiveStep(), 2);

        // The press runs its hold tick at once: the rising edge moves on.
        CButtonSButton* button = pane->CommonSettings()->InputButton(0);
        QTest::mousePress(button, Qt::LeftButton);
        QCOMPARE(doc.GetButtonSState(0), 1);
        QCOMPARE(view->GetActiveStep(), 3);
        QTest::mouseRelease(button, Qt::LeftButton);
        QCOMPARE(doc.GetButtonSState(0), 0);
        QCOMPARE(view->GetActiveStep(), 3);

        pane->SimulationTick(0);
        QCOMPARE(view->GetActiveStep(), 4);
        QCOMPARE(relay->GetState(), 1);
        int previousCentre = view->MarkerCentre();
        for (int tick = 5; tick <= 23; ++tick) {
            pane->SimulationTick(0);
            QCOMPARE(view->GetActiveStep(), 4);
            QVERIFY(qAbs(view->GetElapsed() - (tick - 4) * 0.05) < 1e-9);
            QVERIFY(qAbs(view->GetProgress() - (tick - 4) * 0.05) < 1e-9);
            QVERIFY2(view->MarkerCentre() > previousCentre, "the marker slides across the Time box");
            previousCentre = view->MarkerCentre();
        }
        pane->SimulationTick(0);
        QCOMPARE(view->GetActiveStep(), 5);
        QCOMPARE(view->GetElapsed(), -1.0);
        // The simulation never marks the program modified.
        QVERIFY(!doc.IsModified());

        // Reset: the Start step active again, outputs and picture off.
        pane->ResetSimulation();
        QCOMPARE(view->GetActiveStep(), 0);
        QCOMPARE(doc.GetOutputState(0), 0);
        QCOMPARE(relay->GetState(), 0);
        QCOMPARE(view->MarkerCentre(), startCentre);
    }

    // The running timer ticks every 250 ms; stopping and leaving the mode stop it.
    void simulationTimer()
    {
        auto pane = MakePane(2);
        pane->StartSimulation();
        QVERIFY(!pane->IsSimulationRunning()); // not in simulation mode
        pane->ToggleSimulationMode();
        pane->StartSimulation();
        QVERIFY(pane->IsSimulationRunning());
        QVERIFY(pane->IsSimulationTimerActive());
        QTRY_VERIFY_WITH_TIMEOUT(pane->View(0)->GetActiveStep() > 0, 2000);
        pane->ToggleSimulationMode();
        QVERIFY(!pane->IsSimulationRunning());
        QVERIFY(!pane->IsSimulationTimerActive());
        QCOMPARE(pane->GetWorkMode(), int(WORK_MODE_EDIT));
    }

    // Momentary and latching buttons with the mouse and the function keys; auto-repeat is
    // ignored; a held momentary button is released when the mouse leaves it.
    void inputButtons_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("input");
        QTest::addColumn<int>("key");
        QTest::newRow("one channel F9") << 1 << 0 << int(Qt::Key_F9);
        QTest::newRow("two channels F8") << 2 << 0 << int(Qt::Key_F8);
        QTest::newRow("two channels F9") << 2 << 1 << int(Qt::Key_F9);
    }
    void inputButtons()
    {
        QFETCH(int, model);
        QFETCH(int, input);
        QFETCH(int, key);
        auto pane = MakePane(model);
        CQuorvexDoc& doc = *pane->GetDocument();
        CCOMMONDialogsView* common = pane->CommonSettings();
        CButtonSButton* button = common->InputButton(input);
        // A key meant for the window reaches the pane from any control, a step dialog too.
        QWidget* focus = pane->StepDialogs()->findChild<QComboBox*>();
        QVERIFY(focus);

        // Momentary (the start state): held by the key, auto-repeat changes nothing.
        QCOMPARE(common->GetButtonMode(input), 0);
        SendKey(focus, QEvent::KeyPress, key);
        QCOMPARE(doc.GetButtonSState(input), 1);
        SendKey(focus, QEvent::KeyRelease, key, true);
        SendKey(focus, QEvent::KeyPress, key, true);
        QCOMPARE(doc.GetButtonSState(input), 1);
        // The mouse cannot work the button while the key holds it.
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(doc.GetButtonSState(input), 1);
        SendKey(focus, QEvent::KeyRelease, key);
        QCOMPARE(doc.GetButtonSState(input), 0);

        // Held by the mouse, released when the mouse leaves the button.
        QTest::mousePress(button, Qt::LeftButton);
        QCOMPARE(doc.GetButtonSState(input), 1);
        SendKey(focus, QEvent::KeyPress, key); // the key does nothing meanwhile
        SendKey(focus, QEvent::KeyRelease, key);
        QCOMPARE(doc.GetButtonSState(input), 1);
        QMouseEvent move(QEvent::MouseMove, QPointF(button->width() + 20, 5), QPointF(), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(button, &move);
        QCOMPARE(doc.GetButtonSState(input), 0);
        QTest::mouseRelease(button, Qt::LeftButton);
        QCOMPARE(doc.GetButtonSState(input), 0);

        // Latching: each press toggles, by mouse and by key; the choice is stored.
        // The radio buttons in creation order: momentary and latching of input 1, then of 2.
        const QList<QRadioButton*> radios = common->findChildren<QRadioButton*>();
        QRadioButton* latching = radios.at(input * 2 + 1);
        QTest::mouseClick(latching, Qt::LeftButton);
        QCOMPARE(common->GetButtonMode(input), 1);
        QCOMPARE(doc.GetButtonSMode(input), 1);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(doc.GetButtonSState(input), 1);
        SendKey(focus, QEvent::KeyPress, key);
        SendKey(focus, QEvent::KeyRelease, key);
        QCOMPARE(doc.GetButtonSState(input), 0);
        SendKey(focus, QEvent::KeyPress, key);
        SendKey(focus, QEvent::KeyRelease, key);
        QCOMPARE(doc.GetButtonSState(input), 1);
        // Back to momentary while latched on releases the input.
        QTest::mouseClick(radios.at(input * 2), Qt::LeftButton);
        QCOMPARE(doc.GetButtonSState(input), 0);
        QCOMPARE(doc.GetButtonSMode(input), 0);
        // Inputs and the potentiometer never mark the program modified.
        QVERIFY(!doc.IsModified());
    }

    // In the live view the buttons show the relay only: latching, released, disabled; the
    // keys and the step dialogs do nothing. Edit mode gives everything back.
    void modes()
    {
        auto pane = MakePane(2);
        CCOMMONDialogsView* common = pane->CommonSettings();
        QWidget* focus = pane->StepDialogs()->findChild<QComboBox*>();
        pane->SetWorkMode(WORK_MODE_DEVICE_VIEW);
        QVERIFY(!common->InputButton(0)->isEnabled());
        QCOMPARE(common->GetButtonMode(1), 1);
        QVERIFY(!common->Potentiometer()->isEnabled());
        QVERIFY(!focus->isEnabled());
        SendKey(focus, QEvent::KeyPress, Qt::Key_F8);
        QCOMPARE(pane->GetDocument()->GetButtonSState(0), 0);
        pane->SetWorkMode(WORK_MODE_SIMULATION);
        QVERIFY(common->InputButton(0)->isEnabled());
        QVERIFY(common->Potentiometer()->isEnabled());
        QVERIFY(!focus->isEnabled());
        pane->SetWorkMode(WORK_MODE_EDIT);
        QVERIFY(focus->isEnabled());
        QCOMPARE(common->GetButtonMode(1), 0);
    }

    // The end of the live view gives the buttons back their simulated states: the relay's
    // inputs that the view showed are not written into the document. (Input 1 momentary, shown
    // pressed by the relay, used to be released on the way back, and that change wrote every
    // button's present state, input 2 still showing the relay, into the document.)
    void liveViewLeavesSimulatedInputs_data()
    {
        QTest::addColumn<bool>("relayInput1");
        QTest::addColumn<bool>("relayInput2");
        QTest::newRow("relay input 1 on, input 2 off") << true << false;
        QTest::newRow("both relay inputs on") << true << true;
        QTest::newRow("both relay inputs off") << false << false;
    }
    void liveViewLeavesSimulatedInputs()
    {
        QFETCH(bool, relayInput1);
        QFETCH(bool, relayInput2);
        auto pane = MakePane(2);
        CQuorvexDoc& doc = *pane->GetDocument();
        CCOMMONDialogsView* common = pane->CommonSettings();
        // Input 2 latched on by the user; input 1 momentary and released.
        const QList<QRadioButton*> radios = common->findChildren<QRadioButton*>();
        QTest::mouseClick(radios.at(3), Qt::LeftButton);
        QTest::mouseClick(common->InputButton(1), Qt::LeftButton);
        QCOMPARE(doc.GetButtonSMode(1), 1);
        QCOMPARE(doc.GetButtonSState(1), 1);

        pane->StartView();
        DeviceProtocol::ChannelState states[2];
        states[0].inputState = relayInput1 ? 1 : 0;
        states[1].inputState = relayInput2 ? 1 : 0;
        pane->ShowRelayState(states);
        QCOMPARE(common->InputButton(0)->IsPressed(), relayInput1);
        QCOMPARE(common->InputButton(1)->IsPressed(), relayInput2);
        pane->StopView();

        QCOMPARE(doc.GetButtonSState(0), 0);
        QCOMPARE(doc.GetButtonSMode(0), 0);
        QCOMPARE(doc.GetButtonSState(1), 1);
        QCOMPARE(doc.GetButtonSMode(1), 1);
        QCOMPARE(common->GetButtonMode(0), 0);
        QVERIFY(!common->InputButton(0)->IsPressed());
        QCOMPARE(common->GetButtonMode(1), 1);
        QVERIFY(common->InputButton(1)->IsPressed());
    }

    // The potentiometer changes the document's simulated setting, never the program.
    void potentiometer()
    {
        auto pane = MakePane(1);
        CPotSettingsDialog* pot = pane->CommonSettings()->Potentiometer();
        QCOMPARE(pot->ValueBar()->value(), pane->GetDocument()->GetPotValue());
        pot->ValueBar()->setFocus();
        QTest::keyClick(pot->ValueBar(), Qt::Key_Home);
        QCOMPARE(pane->GetDocument()->GetPotValue(), TIME_VALUE_MIN);
        QTest::keyClick(pot->ValueBar(), Qt::Key_End);
        QCOMPARE(pane->GetDocument()->GetPotValue(), TIME_VALUE_MAX);
        QVERIFY(!pane->GetDocument()->IsModified());
        QVERIFY(!pot->TimeText()->text().isEmpty());
    }

    // A time typed into the time dialog: range and value follow, and the step changes once (one
    // Undo takes it back); a time no setting gives exactly is set to the nearest, and the pane
    // says which; a text that is no time changes nothing.
    void typedTime_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("unit"); // -1: nothing set
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("notice");
        QTest::newRow("one channel, exact") << 1 << "30 s" << 2 << 64 << "";
        QTest::newRow("two channels, nearest")
            << 2 << "3 min" << 3 << 38 << "3 min cannot be set exactly: 2 min 58 s or 3 min 3 s. Set to 2 min 58 s.";
        QTest::newRow("as the field shows it") << 1 << "2 min 58 s" << 3 << 38 << "";
        QTest::newRow("no time") << 2 << "soon" << -1 << 0
                                 << "“soon” is not a time. Type a number and a unit, for example 3 min, 180 s or 2.5 h.";
    }
    void typedTime()
    {
        QFETCH(int, model);
        QFETCH(QString, typed);
        QFETCH(int, unit);
        QFETCH(int, value);
        QFETCH(QString, notice);
        auto pane = MakePane(model);
        pane->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(pane.get()));
        const int templateId = model == 1 ? IDD_QVR_TIME_TIME : IDD_QVS_TIME_TIME;
        CQuorvexDoc& doc = *pane->GetDocument();
        pane->SelectStep(8, 0);
        auto* field = DialogControl<CTimeEntryField>(*pane, templateId, IDC_TIME_TEXT);
        auto* unitBox = DialogControl<QComboBox>(*pane, templateId, IDC_TIME_UNIT);
        auto* trackBar = DialogControl<QSlider>(*pane, templateId, IDC_TIME_VALUE);
        QVERIFY(field && unitBox && trackBar);
        const QString shownBefore = field->text();
        const QByteArray before(reinterpret_cast<const char*>(doc.GetData()), doc.GetDataSize());
        QSignalSpy notices(pane.get(), &CRelayPane::notice);

        TypeTime(field, typed);
        QCOMPARE(notices.size(), notice.isEmpty() ? 0 : 1);
        if (!notice.isEmpty())
            QCOMPARE(notices.first().first().toString(), notice);
        CQuorvex_QVR_K115_ZQX_FieldSet zqx;
        CQuorvex_QVS_K115_318_FieldSet qvs;
        CQuorvexFieldSet& fields = model == 1 ? static_cast<CQuorvexFieldSet&>(zqx) : qvs;
        const auto& time = static_cast<const CQuorvexFIELDTime&>(*fields.Bind(&doc, 0, 8));
        if (unit < 0) {
            QCOMPARE(QByteArray(reinterpret_cast<const char*>(doc.GetData()), doc.GetDataSize()), before);
            QCOMPARE(pane->UndoStack()->count(), 0);
            QVERIFY(!doc.IsModified());
            QCOMPARE(field->text(), typed); // left to be corrected
            QTest::keyClick(field, Qt::Key_Escape);
            QCOMPARE(field->text(), shownBefore);
            return;
        }
        QCOMPARE(time.GetTimeUnit(), unit);
        QCOMPARE(time.GetTimeValue(), value);
        QCOMPARE(unitBox->currentIndex(), unit);
        QCOMPARE(trackBar->value(), value);
        QCOMPARE(field->text(), field->ShownTime());
        QVERIFY(field->text() != shownBefore);
        QCOMPARE(pane->UndoStack()->count(), 1);
        QCOMPARE(pane->UndoStack()->undoText(),
                 model == 1 ? QStringLiteral("time of step 8") : QStringLiteral("time of step 8 in channel 1"));
        QVERIFY(doc.IsModified());

        // The same time again changes nothing more.
        TypeTime(field, field->text());
        QCOMPARE(pane->UndoStack()->count(), 1);

        pane->UndoStack()->undo();
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(doc.GetData()), doc.GetDataSize()), before);
        QCOMPARE(unitBox->currentIndex(), 0);
        QCOMPARE(trackBar->value(), 128);
        QCOMPARE(field->text(), shownBefore);
        QVERIFY(!doc.IsModified());
    }

    // A time typed into the potentiometer panel sets its range and position together, on both
    // models; it is the simulation's setting, not a change of the program.
    void typedPotentiometer_data()
    {
        QTest::addColumn<int>("model");
        QTest::newRow("one channel") << 1;
        QTest::newRow("two channels") << 2;
    }
    void typedPotentiometer()
    {
        QFETCH(int, model);
        auto pane = MakePane(model);
        CPotSettingsDialog* pot = pane->CommonSettings()->Potentiometer();
        QSignalSpy changes(pane.get(), &CRelayPane::potentiometerChanged);
        QSignalSpy notices(pane.get(), &CRelayPane::notice);
        TypeTime(pot->TimeText(), QStringLiteral("45 s"));
        QCOMPARE(pane->GetDocument()->GetPotUnit(), 2);
        QCOMPARE(pane->GetDocument()->GetPotValue(), 96);
        QCOMPARE(pot->UnitBox()->currentIndex(), 2);
        QCOMPARE(pot->ValueBar()->value(), 96);
        QCOMPARE(pot->TimeText()->text(), QStringLiteral("0 min 45 s"));
        QCOMPARE(changes.size(), 1);
        QCOMPARE(notices.size(), 0);
        QVERIFY(!pane->GetDocument()->IsModified());
        QCOMPARE(pane->UndoStack()->count(), 0);

        TypeTime(pot->TimeText(), QStringLiteral("150 h"));
        QCOMPARE(pane->GetDocument()->GetPotUnit(), 6);
        QCOMPARE(pane->GetDocument()->GetPotValue(), 128);
        QCOMPARE(notices.size(), 1);
    }

    // A simulation at 60 times real time on a clock the test turns: a staircase light with a
    // potentiometer time of 2.5 min goes off 150 s of relay time (2.5 s of the clock) after
    // the input; input buttons and the potentiometer act at the present relay time.
    void relayTimeSimulation()
    {
        auto pane = MakePane(1);
        CQuorvexDoc& doc = *pane->GetDocument();
        WriteStaircase(doc);
        CPotSettingsDialog* pot = pane->CommonSettings()->Potentiometer();
        TypeTime(pot->TimeText(), QStringLiteral("2.5 min"));
        QCOMPARE(doc.GetPotUnit(), 3);
        QCOMPARE(doc.GetPotValue(), 32);
        std::int64_t clock = 0;
        pane->SetSimulationClock([&clock] { return clock; });
        pane->SetSimulationSpeed(60);
        QSignalSpy times(pane.get(), &CRelayPane::simulationTimeChanged);
        CQuorvexView* view = pane->View(0);
        CRelayRPictureControl* relay = pane->CommonSettings()->RelayPicture(0);

        pane->ToggleSimulationMode();
        QVERIFY(pane->PacedSimulation());
        pane->StartSimulation();
        QVERIFY(pane->IsSimulationTimerActive());
        QCOMPARE(view->GetActiveStep(), 2); // waiting for the input from power-on
        clock = CLOCK_SECOND / 2;
        pane->OnSimulationTimer();
        QCOMPARE(times.last().first().toDouble(), 30.0);

        // The input at relay time 30 s: on, and the time runs.
        CButtonSButton* button = pane->CommonSettings()->InputButton(0);
        QTest::mousePress(button, Qt::LeftButton);
        QTest::mouseRelease(button, Qt::LeftButton);
        QCOMPARE(view->GetActiveStep(), 4);
        QCOMPARE(relay->GetState(), 1);
        clock = CLOCK_SECOND / 2 + 2 * CLOCK_SECOND + CLOCK_SECOND * 49 / 100;
        pane->OnSimulationTimer();
        QCOMPARE(relay->GetState(), 1);
        QVERIFY(qAbs(view->GetElapsed() - 149.4) < 1e-6);
        QVERIFY(qAbs(view->GetProgress() - 149.4 / 150.0) < 1e-6);
        clock = 3 * CLOCK_SECOND;
        pane->OnSimulationTimer();
        QCOMPARE(relay->GetState(), 0);
        QCOMPARE(doc.GetOutputState(0), 0);
        QCOMPARE(view->GetActiveStep(), 2);
        QCOMPARE(times.last().first().toDouble(), 180.0);

        // Again at relay time 240 s; turned to 1 min after 30 s of it, the time ends at 300 s.
        clock = 4 * CLOCK_SECOND;
        pane->OnSimulationTimer();
        QTest::mousePress(button, Qt::LeftButton);
        QTest::mouseRelease(button, Qt::LeftButton);
        clock = 4 * CLOCK_SECOND + CLOCK_SECOND / 2;
        TypeTime(pot->TimeText(), QStringLiteral("1 min"));
        QCOMPARE(relay->GetState(), 1);
        clock = 5 * CLOCK_SECOND - 1;
        pane->OnSimulationTimer();
        QCOMPARE(relay->GetState(), 1);
        clock = 5 * CLOCK_SECOND;
        pane->OnSimulationTimer();
        QCOMPARE(relay->GetState(), 0);

        // Stopped, the relay time stands; back to the compressed time steps, the simulation
        // starts again from power-on and runs on in ticks.
        pane->StopSimulation();
        clock = 100 * CLOCK_SECOND;
        pane->SimulationTick(0); // a single step: on to the next moment, here none
        QCOMPARE(times.last().first().toDouble(), 300.0);
        pane->StartSimulation();
        pane->SetSimulationSpeed(SIMULATION_COMPRESSED);
        QVERIFY(!pane->PacedSimulation());
        QVERIFY(pane->IsSimulationRunning());
        QCOMPARE(times.last().first().toDouble(), 0.0);
        QVERIFY(!doc.IsModified());
    }

    // A relay's live state: the active step and its progress from the step's own time or,
    // for a potentiometer-timed step, from the relay's; indexes that name no step and times
    // that give no duration show nothing rather than reading out of range or dividing by 0.
    void relayState_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("fixed");
        QTest::addColumn<int>("unit");     // the relay's reported unit and value
        QTest::addColumn<int>("mantissa");
        QTest::addColumn<double>("elapsed");
        QTest::addColumn<int>("active");
        QTest::addColumn<double>("progress");
        QTest::addColumn<double>("shownElapsed");
        // Step 4 is a Time step; the program gives it 1 s (unit 0, value 128).
        QTest::newRow("fixed, half way") << 4 << true << 3 << 7 << 0.5 << 4 << 0.5 << 0.5;
        QTest::newRow("fixed, past the end") << 4 << true << 0 << 0 << 3.0 << 4 << 1.0 << 3.0;
        QTest::newRow("potentiometer 10 s") << 4 << false << 1 << 128 << 2.5 << 4 << 0.25 << 2.5;
        QTest::newRow("potentiometer unit 7") << 4 << false << 7 << 128 << 2.5 << 4 << 0.0 << 2.5;
        QTest::newRow("potentiometer value 0") << 4 << false << 0 << 0 << 2.5 << 4 << 0.0 << 2.5;
        QTest::newRow("not a time step") << 2 << true << 0 << 128 << 1.0 << 2 << 0.0 << -1.0;
        QTest::newRow("index past Stop") << 50 << true << 0 << 128 << 1.0 << -1 << 0.0 << -1.0;
    }
    void relayState()
    {
        QFETCH(int, index);
        QFETCH(bool, fixed);
        QFETCH(int, unit);
        QFETCH(int, mantissa);
        QFETCH(double, elapsed);
        QFETCH(int, active);
        QFETCH(double, progress);
        QFETCH(double, shownElapsed);
        auto pane = MakePane(1);
        WriteWorkedExample(*pane->GetDocument());
        CQuorvex_QVR_K115_ZQX_FieldSet fields;
        static_cast<CQuorvexFIELDTime*>(fields.Bind(pane->GetDocument(), 0, 4))->SetFixedTime(fixed ? 1 : 0);
        pane->SetWorkMode(WORK_MODE_DEVICE_VIEW);
        DeviceProtocol::ChannelState state;
        state.inputState = 1;
        state.outputState = 1;
        state.fieldIndex = index;
        state.unit = unit;
        state.mantissa = mantissa;
        state.elapsedSeconds = elapsed;
        pane->ShowRelayState(&state);
        CQuorvexView* view = pane->View(0);
        QCOMPARE(view->GetActiveStep(), active);
        QCOMPARE(view->GetProgress(), progress);
        QCOMPARE(view->GetElapsed(), shownElapsed);
        if (active < 0)
            QCOMPARE(view->MarkerCentre(), -1);
        QVERIFY(pane->CommonSettings()->InputButton(0)->IsPressed());
        QCOMPARE(pane->CommonSettings()->RelayPicture(0)->GetState(), 1);
    }

    // A box shortens a long expression to fit; its tool tip shows the texts whole.
    void toolTipShowsWholeTexts()
    {
        auto pane = MakePane(2);
        CQuorvexDoc& doc = *pane->GetDocument();
        CQuorvex_QVS_K115_318_FieldSet fields;
        auto& condition = static_cast<CQuorvex_QVS_K115_318_FIELDCondition&>(*fields.Bind(&doc, 0, 2));
        condition.SetConditionType(CONDITION_BRANCH_ON_JUMP);
        condition.SetTerm(0, TERM_OP_NONE, TERM_SOURCE_INPUT, 2, 1);
        condition.SetTerm(1, TERM_OP_AND, TERM_SOURCE_OUTPUT, 1, 1);
        condition.SetTerm(2, TERM_OP_XOR, TERM_SOURCE_OUTPUT, 2, 1);
        fields.Condition().OnLanguageChanged(Language::TheLanguageManager());
        const QString expression = condition.DescribeExpression(false);
        QVERIFY(!expression.isEmpty());
        CQuorvexView* view = pane->View(0);
        const CChainLayout& layout = view->Layout();
        const QPoint centre(layout.BoxLeft(2) + layout.BoxWidth(2) / 2 - view->horizontalScrollBar()->value(),
                            layout.TopBand() + layout.RowHeight() / 2);
        QHelpEvent help(QEvent::ToolTip, centre, view->viewport()->mapToGlobal(centre));
        QApplication::sendEvent(view->viewport(), &help);
        QTRY_VERIFY2(QToolTip::text().contains(expression), qPrintable(QToolTip::text()));
        QToolTip::hideText();
    }

    // A replaced program is shown at once, with the selected step reloaded; a wrong size
    // changes nothing.
    void replaceProgram()
    {
        auto pane = MakePane(1);
        CQuorvexDoc& doc = *pane->GetDocument();
        std::unique_ptr<CQuorvexDoc> other = CreateDocument(MODEL_QVR_K115_ZQX);
        other->ResetProgram(0);
        WriteWorkedExample(*other);
        QVERIFY(!pane->ReplaceProgram(other->GetData(), other->GetDataSize() - 1, true));
        QVERIFY(pane->ReplaceProgram(other->GetData(), other->GetDataSize(), true));
        QVERIFY(std::equal(doc.GetData(), doc.GetData() + doc.GetDataSize(), other->GetData()));
        QVERIFY(doc.IsModified());
        QCOMPARE(pane->GetSelectedStep(), 0);
        pane->NewProgram();
        QVERIFY(!doc.IsModified());
    }
};

QTEST_MAIN(TestRelayPane)
#include "tst_relay_pane.moc"
