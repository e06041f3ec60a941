// The step chain by keyboard: the focus at the pane's start and in the Tab order, the keys that
// move the selection and keep it in sight, the way into a step's dialog and back, the focus
// frame over the box pictures, and the input keys while the chain has the focus.

#include "ActivePane.h"
#include "CommonSettings.h"
#include "DialogIds.h"
#include "QuorvexView.h"
#include "RelayPane.h"
#include "StepDialogBase.h"
#include "StepDialogs.h"
#include "TestLanguages.h"
#include "TimeEntryField.h"

#include <QComboBox>
#include <QScrollBar>
#include <QTest>

#include <memory>

using namespace DialogIds;

namespace {

bool WholeInViewport(const CQuorvexView* view, int index)
{
    const QRect box = view->BoxRect(index);
    return box.left() >= 0 && box.right() < view->viewport()->width();
}

} // namespace

class tst_ChainKeyboard : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(UseShippedLanguage(Language::LCID_ENGLISH)); }

    void focusAtStartAndInTabOrder_data()
    {
        QTest::addColumn<int>("model");
        QTest::newRow("one channel") << 1;
        QTest::newRow("two channels") << 2;
    }
    void focusAtStartAndInTabOrder()
    {
        QFETCH(int, model);
        auto pane = MakeActivePane(model, 900);
        QVERIFY(pane);
        QCOMPARE(QApplication::focusWidget(), pane->View(0));

        // Tab leaves the chain for the dialogs and Shift+Tab comes back to it.
        for (int i = 0; i < model; ++i)
            Press(Qt::Key_Tab);
        QVERIFY(pane->StepDialogs()->isAncestorOf(QApplication::focusWidget()));
        Press(Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), pane->View(model - 1));

        // A program put in afresh (opened, new) is edited from its chain again.
        pane->StepDialogs()->FocusFirstControl();
        pane->NewProgram();
        QCOMPARE(QApplication::focusWidget(), pane->View(0));
    }

    void keysMoveTheSelection_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("expectedChannel");
        QTest::addColumn<int>("expectedStep");
        QTest::newRow("right") << 1 << 0 << 0 << int(Qt::Key_Right) << 0 << 1;
        QTest::newRow("left") << 1 << 0 << 5 << int(Qt::Key_Left) << 0 << 4;
        QTest::newRow("left at Start") << 1 << 0 << 0 << int(Qt::Key_Left) << 0 << 0;
        QTest::newRow("right stops before Stop") << 1 << 0 << 35 << int(Qt::Key_Right) << 0 << 35;
        QTest::newRow("end") << 1 << 0 << 3 << int(Qt::Key_End) << 0 << 35;
        QTest::newRow("home") << 1 << 0 << 30 << int(Qt::Key_Home) << 0 << 0;
        QTest::newRow("down, one channel") << 1 << 0 << 7 << int(Qt::Key_Down) << 0 << 7;
        QTest::newRow("down to channel 2") << 2 << 0 << 7 << int(Qt::Key_Down) << 1 << 7;
        QTest::newRow("up to channel 1") << 2 << 1 << 12 << int(Qt::Key_Up) << 0 << 12;
        QTest::newRow("up from channel 1") << 2 << 0 << 12 << int(Qt::Key_Up) << 0 << 12;
        QTest::newRow("right, channel 2") << 2 << 1 << 4 << int(Qt::Key_Right) << 1 << 5;
    }
    void keysMoveTheSelection()
    {
        QFETCH(int, model);
        QFETCH(int, channel);
        QFETCH(int, step);
        QFETCH(int, key);
        QFETCH(int, expectedChannel);
        QFETCH(int, expectedStep);
        auto pane = MakeActivePane(model, 900);
        QVERIFY(pane);
        pane->SelectStep(step, channel);
        pane->View(channel)->setFocus();

        Press(key);
        QCOMPARE(pane->GetSelectedChannel(), expectedChannel);
        QCOMPARE(pane->GetSelectedStep(), expectedStep);
        // The focus follows the selection to the other channel's view, which shows it.
        const CQuorvexView* view = pane->View(expectedChannel);
        QCOMPARE(QApplication::focusWidget(), view);
        QCOMPARE(view->GetSelectedStep(), expectedStep);
        QVERIFY(WholeInViewport(view, expectedStep));
        for (int other = 0; other < model; ++other)
            if (other != expectedChannel)
                QCOMPARE(pane->View(other)->GetSelectedStep(), -1);
    }

    void pageKeysGoByAScreenful()
    {
        auto pane = MakeActivePane(1, 900);
        QVERIFY(pane);
        CQuorvexView* view = pane->View(0);
        const int visible = view->viewport()->width() / view->Layout().BoxWidth(1);
        QVERIFY2(visible >= 3 && visible < 20, "the chain should scroll in this window");

        // Page Down walks the chain in jumps of about a view's width, each selection whole in
        // sight, until the last step; Page Up walks back to Start.
        QList<int> down{0};
        while (pane->GetSelectedStep() < STOP_FIELD - 1 && down.size() < FIELD_COUNT) {
            Press(Qt::Key_PageDown);
            down.append(pane->GetSelectedStep());
            QVERIFY(WholeInViewport(view, pane->GetSelectedStep()));
        }
        QCOMPARE(down.last(), STOP_FIELD - 1);
        for (int i = 1; i < down.size() - 1; ++i) {
            const int jump = down[i] - down[i - 1];
            QVERIFY2(jump >= visible / 2 && jump <= visible + 1, qPrintable(QString::number(jump)));
        }
        QList<int> up{pane->GetSelectedStep()};
        while (pane->GetSelectedStep() > 0 && up.size() < FIELD_COUNT) {
            Press(Qt::Key_PageUp);
            up.append(pane->GetSelectedStep());
            QVERIFY(WholeInViewport(view, pane->GetSelectedStep()));
        }
        QCOMPARE(up.last(), 0);
        QVERIFY(up.size() > 2);
    }

    void enterGoesIntoTheDialogAndEscapeBack_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("templateId");
        QTest::addColumn<int>("controlId");
        QTest::newRow("Start, Enter") << 1 << 0 << int(Qt::Key_Return) << int(IDD_QVR_START_ON_POWER_ON) << int(IDC_QVR_POWER_ON);
        QTest::newRow("relay operation, F2") << 1 << 1 << int(Qt::Key_F2) << int(IDD_QVR_STATE_CHANGE_OPERATION) << int(IDC_QVR_OPERATION);
        QTest::newRow("condition, keypad Enter") << 1 << 2 << int(Qt::Key_Enter) << int(IDD_QVR_CONDITION_CONDITION) << int(IDC_CONDITION);
        QTest::newRow("time, Enter") << 1 << 4 << int(Qt::Key_Return) << int(IDD_QVR_TIME_TIME) << int(IDC_TIME_SOURCE);
        QTest::newRow("two relays, F2") << 2 << 1 << int(Qt::Key_F2) << int(IDD_QVS_STATE_CHANGE_OPERATION) << int(IDC_QVS_OPERATION_RELAY1);
    }
    void enterGoesIntoTheDialogAndEscapeBack()
    {
        QFETCH(int, model);
        QFETCH(int, step);
        QFETCH(int, key);
        QFETCH(int, templateId);
        QFETCH(int, controlId);
        auto pane = MakeActivePane(model, 900);
        QVERIFY(pane);
        const int channel = model - 1;
        pane->SelectStep(step, channel);
        pane->View(channel)->setFocus();

        Press(key);
        auto* dialog = pane->StepDialogs()->findChild<CStepDialog*>(TemplateObjectName(templateId));
        QVERIFY(dialog);
        QCOMPARE(QApplication::focusWidget(), dialog->Control(controlId));

        // Tab stays among the dialog's controls; Escape comes back to the chain where it was.
        Press(Qt::Key_Tab);
        QVERIFY(pane->StepDialogs()->isAncestorOf(QApplication::focusWidget())
                || pane->CommonSettings()->isAncestorOf(QApplication::focusWidget()));
        Press(Qt::Key_Escape);
        QCOMPARE(QApplication::focusWidget(), pane->View(channel));
        QCOMPARE(pane->GetSelectedStep(), step);
    }

    void escapeFirstTakesBackATypedTime()
    {
        auto pane = MakeActivePane(1, 900);
        QVERIFY(pane);
        pane->SelectStep(4, 0);
        auto* dialog = pane->StepDialogs()->findChild<CStepDialog*>(TemplateObjectName(IDD_QVR_TIME_TIME));
        auto* field = qobject_cast<CTimeEntryField*>(dialog->Control(IDC_TIME_TEXT));
        QVERIFY(field && field->isEnabled());
        const QString shown = field->text();
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, QStringLiteral("12"));
        Press(Qt::Key_Escape);
        QCOMPARE(field->text(), shown);
        QCOMPARE(QApplication::focusWidget(), field);
        Press(Qt::Key_Escape);
        QCOMPARE(QApplication::focusWidget(), pane->View(0));

        // Escape in the common settings goes back as well.
        pane->CommonSettings()->Potentiometer()->UnitBox()->setFocus();
        Press(Qt::Key_Escape);
        QCOMPARE(QApplication::focusWidget(), pane->View(0));
    }

    void focusFrameIsPaintedOverThePictures()
    {
        auto pane = MakeActivePane(1, 900);
        QVERIFY(pane);
        CQuorvexView* view = pane->View(0);
        pane->SelectStep(2, 0);
        QVERIFY(view->hasFocus());
        const QImage focused = view->viewport()->grab().toImage();
        const std::uint64_t painted = view->BoxPictures().PaintedCount();

        pane->StepDialogs()->FocusFirstControl();
        QVERIFY(!view->hasFocus());
        const QImage unfocused = view->viewport()->grab().toImage();
        // Only the selected box looks different, and no box picture was painted again.
        QCOMPARE(view->BoxPictures().PaintedCount(), painted);
        const QRect box = view->BoxRect(2);
        int differing = 0;
        for (int y = 0; y < focused.height(); ++y)
            for (int x = 0; x < focused.width(); ++x)
                if (focused.pixel(x, y) != unfocused.pixel(x, y)) {
                    QVERIFY2(box.contains(x, y), qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
                    ++differing;
                }
        QVERIFY(differing > 0);
    }

    void inputKeysWorkWhileTheChainHasTheFocus_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("input");
        QTest::newRow("F9, one input") << 1 << int(Qt::Key_F9) << 0;
        QTest::newRow("F8, two inputs") << 2 << int(Qt::Key_F8) << 0;
        QTest::newRow("F9, two inputs") << 2 << int(Qt::Key_F9) << 1;
    }
    void inputKeysWorkWhileTheChainHasTheFocus()
    {
        QFETCH(int, model);
        QFETCH(int, key);
        QFETCH(int, input);
        auto pane = MakeActivePane(model, 900);
        QVERIFY(pane);
        QVERIFY(pane->View(0)->hasFocus());
        CObservedButton* button = pane->CommonSettings()->InputButton(input);
        QTest::keyPress(static_cast<QWidget*>(nullptr), Qt::Key(key));
        QVERIFY(button->IsPressed());
        QTest::keyRelease(static_cast<QWidget*>(nullptr), Qt::Key(key));
        QVERIFY(!button->IsPressed());
        // The key did not move the selection.
        QCOMPARE(pane->GetSelectedStep(), 0);
    }
};

QTEST_MAIN(tst_ChainKeyboard)
#include "tst_chain_keyboard.moc"
