// The relay panes: hit testing in the program view, step selection, the simulation driven
// through the pane's commands and input buttons, the input keys and the common settings.

#include "CommonSettings.h"
#include "DialogIds.h"
#include "Fields_QVR_K115_ZQX.h"
#include "Fields_QVS_K115_318.h"
#include "LanguageManager.h"
#include "QuorvexView.h"
#include "RelayPanes.h"
#include "StepDialogs.h"
#include "TestLanguages.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QStyle>
#include <QTest>
#include <QToolTip>

#include <memory>

using namespace DialogIds;

namespace {

std::unique_ptr<CRelayPane> MakePane(int model)
{
    std::unique_ptr<CRelayPane> pane(static_cast<CRelayPane*>(CreateRelayPane(model)));
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
