// The undo history of the relay panes, driven through the real step dialogs: sequences of
// edits undone and redone to exactly the program bytes before and after each, the names of
// the changes, a track bar drag as one change, a program read from a relay as one change, and
// the history starting afresh with a new or opened program.

#include "DialogIds.h"
#include "LanguageManager.h"
#include "RelayPane.h"
#include "StepDialogBase.h"
#include "StepDialogs.h"
#include "TestLanguages.h"

#include <QComboBox>
#include <QSignalSpy>
#include <QSlider>
#include <QStyleOptionSlider>
#include <QTest>
#include <QUndoStack>

#include <memory>

using namespace DialogIds;

namespace {

// One edit as a user makes it: select a step, then set one control of one dialog.
struct UserEdit {
    int channel;
    int step;
    int templateId;
    int controlId;
    int value;        // combo box entry or track bar position
    QString change;   // what Undo calls it (English)
};
using EditList = QList<UserEdit>;

std::unique_ptr<CRelayPane> MakePane(int model)
{
    std::unique_ptr<CRelayPane> pane(CreateRelayPane(model));
    pane->CreatePaneWindow();
    pane->resize(1200, model == 1 ? 600 : 800);
    pane->show();
    return pane;
}

QByteArray Image(const CRelayPane& pane)
{
    const CQuorvexDoc* doc = pane.GetDocument();
    return QByteArray(reinterpret_cast<const char*>(doc->GetData()), doc->GetDataSize());
}

QWidget* Control(const CRelayPane& pane, int templateId, int controlId)
{
    auto* dialog = pane.StepDialogs()->findChild<CStepDialog*>(TemplateObjectName(templateId));
    return dialog ? dialog->Control(controlId) : nullptr;
}

// What the control shows: the entry of a combo box, the position of a track bar.
int Shown(QWidget* control)
{
    if (auto* box = qobject_cast<QComboBox*>(control))
        return box->currentIndex();
    if (auto* slider = qobject_cast<QSlider*>(control))
        return slider->value();
    return -2;
}

// Makes the edit as a user does: an entry picked in a combo box (the dialogs act on
// `activated`, as for a pick with mouse or keyboard), a track bar moved with the arrow keys.
bool Perform(CRelayPane& pane, const UserEdit& edit)
{
    pane.SelectStep(edit.step, edit.channel);
    QWidget* control = Control(pane, edit.templateId, edit.controlId);
    if (!control || !control->isEnabled())
        return false;
    if (auto* box = qobject_cast<QComboBox*>(control)) {
        box->setCurrentIndex(edit.value);
        Q_EMIT box->activated(edit.value);
        return box->currentIndex() == edit.value;
    }
    if (auto* slider = qobject_cast<QSlider*>(control)) {
        for (int guard = 0; slider->value() != edit.value && guard < 300; ++guard)
            QTest::keyClick(slider, slider->value() < edit.value ? Qt::Key_Right : Qt::Key_Left);
        return slider->value() == edit.value;
    }
    return false;
}

QRect HandleRect(QSlider* slider)
{
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = option.sliderValue = slider->value();
    option.tickPosition = slider->tickPosition();
    option.tickInterval = slider->tickInterval();
    option.pageStep = slider->pageStep();
    option.singleStep = slider->singleStep();
    return slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
}

// Drags the track bar's handle with the mouse by dx pixels in several moves.
void DragHandle(QSlider* slider, int dx)
{
    const QPoint start = HandleRect(slider).center();
    QTest::mousePress(slider, Qt::LeftButton, {}, start);
    constexpr int MOVES = 8;
    for (int i = 1; i <= MOVES; ++i)
        QTest::mouseMove(slider, start + QPoint(dx * i / MOVES, 0));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, start + QPoint(dx, 0));
}

} // namespace

Q_DECLARE_METATYPE(EditList)

class TestProgramUndo : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(UseShippedLanguage(Language::LCID_ENGLISH)); }

    // Every edit is one change named after what it changed; undoing them one by one gives
    // back exactly the program before each, with the step and the control as they were;
    // redoing them gives exactly the program after each.
    void editsUndoneAndRedone_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<EditList>("edits");
        QTest::newRow("one channel") << 1 << EditList{
            {0, 0, IDD_QVR_START_ON_POWER_ON, IDC_QVR_POWER_ON, 0, QStringLiteral("power-on state")},
            {0, 4, IDD_QVR_TIME_TIME, IDC_TIME_UNIT, 3, QStringLiteral("time of step 4")},
            {0, 4, IDD_QVR_TIME_TIME, IDC_TIME_VALUE, 60, QStringLiteral("time of step 4")},
            {0, 7, IDD_QVR_STATE_CHANGE_JUMP, IDC_JUMP_ON_OFF, 1, QStringLiteral("jump of step 7")},
            {0, 7, IDD_QVR_STATE_CHANGE_JUMP, IDC_JUMP_TARGET, 12, QStringLiteral("jump of step 7")},
            {0, 2, IDD_QVR_CONDITION_CONDITION, IDC_CONDITION, 6, QStringLiteral("condition of step 2")},
            {0, 2, IDD_QVR_CONDITION_JUMP, IDC_CONDITION_ALT_JUMP_ON_OFF, 1,
             QStringLiteral("alternative jump of step 2")},
            {0, 8, IDD_QVR_TIME_CONDITION, IDC_CONDITION, 2, QStringLiteral("interrupt condition of step 8")},
            {0, 0, IDD_QVR_START_DELAY, IDC_START_DELAY, 3, QStringLiteral("start delay")},
            {0, 4, IDD_QVR_TIME_TIME, IDC_TIME_SOURCE, 1, QStringLiteral("time source of step 4")},
            {0, 9, IDD_QVR_STATE_CHANGE_OPERATION, IDC_QVR_OPERATION, 3, QStringLiteral("relay operation of step 9")},
        };
        QTest::newRow("two channels") << 2 << EditList{
            {1, 5, IDD_QVS_STATE_CHANGE_OPERATION, IDC_QVS_OPERATION_RELAY2, 3,
             QStringLiteral("relay operation of step 5 in channel 2")},
            {0, 6, IDD_QVS_CONDITION_CONDITION, IDC_CONDITION, 6, QStringLiteral("condition of step 6 in channel 1")},
            {0, 6, IDD_QVS_CONDITION_CONDITION, IDC_OPERATOR_1, 1, QStringLiteral("condition of step 6 in channel 1")},
            {0, 6, IDD_QVS_CONDITION_CONDITION, IDC_TERM_2, 3, QStringLiteral("condition of step 6 in channel 1")},
            {0, 0, IDD_QVS_START_ON_POWER_ON, IDC_QVS_POWER_ON_RELAY2, 1,
             QStringLiteral("power-on state in channel 1")},
            {1, 8, IDD_QVS_TIME_TIME, IDC_TIME_UNIT, 5, QStringLiteral("time of step 8 in channel 2")},
            {1, 8, IDD_QVS_TIME_TIME, IDC_TIME_VALUE, 100, QStringLiteral("time of step 8 in channel 2")},
            {0, 0, IDD_QVS_START_DELAY, IDC_START_DELAY, 3, QStringLiteral("start delay")},
            {1, 12, IDD_QVS_TIME_CONDITION, IDC_CONDITION, 3, QStringLiteral("interrupt condition of step 12 in channel 2")},
        };
    }
    void editsUndoneAndRedone()
    {
        QFETCH(int, model);
        QFETCH(EditList, edits);
        auto pane = MakePane(model);
        QUndoStack* history = pane->UndoStack();
        QList<QByteArray> images{Image(*pane)};
        QList<int> shownBefore;
        for (const UserEdit& edit : edits) {
            pane->SelectStep(edit.step, edit.channel);
            shownBefore << Shown(Control(*pane, edit.templateId, edit.controlId));
            QVERIFY2(Perform(*pane, edit), qPrintable(edit.change));
            images << Image(*pane);
            QVERIFY2(images.last() != images.at(images.size() - 2), qPrintable(edit.change));
            QCOMPARE(history->count(), images.size() - 1);
            QCOMPARE(history->undoText(), edit.change);
        }
        QVERIFY(pane->GetDocument()->IsModified());

        for (qsizetype i = edits.size() - 1; i >= 0; --i) {
            // The undo shows the step of the change, with the control as it was.
            pane->SelectStep(0, 0);
            QVERIFY(history->canUndo());
            history->undo();
            QCOMPARE(Image(*pane), images.at(i));
            QCOMPARE(history->redoText(), edits.at(i).change);
            QCOMPARE(pane->GetSelectedChannel(), edits.at(i).channel);
            QCOMPARE(pane->GetSelectedStep(), edits.at(i).step);
            QCOMPARE(Shown(Control(*pane, edits.at(i).templateId, edits.at(i).controlId)), shownBefore.at(i));
        }
        QVERIFY(!history->canUndo());
        QVERIFY(!pane->GetDocument()->IsModified());

        for (qsizetype i = 0; i < edits.size(); ++i) {
            history->redo();
            QCOMPARE(Image(*pane), images.at(i + 1));
            QCOMPARE(Shown(Control(*pane, edits.at(i).templateId, edits.at(i).controlId)), edits.at(i).value);
        }
        QVERIFY(!history->canRedo());
        QVERIFY(pane->GetDocument()->IsModified());
    }

    // A drag of the time track bar passes many positions and is one change; a drag that ends
    // where it started leaves no change and no modified program.
    void trackBarDragIsOneChange_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("templateId");
        QTest::newRow("one channel") << 1 << IDD_QVR_TIME_TIME;
        QTest::newRow("two channels") << 2 << IDD_QVS_TIME_TIME;
    }
    void trackBarDragIsOneChange()
    {
        QFETCH(int, model);
        QFETCH(int, templateId);
        auto pane = MakePane(model);
        QUndoStack* history = pane->UndoStack();
        pane->SelectStep(4, 0);
        QApplication::processEvents(); // lays the time dialog out
        auto* slider = qobject_cast<QSlider*>(Control(*pane, templateId, IDC_TIME_VALUE));
        QVERIFY(slider && slider->isEnabled());
        const QByteArray before = Image(*pane);
        const int startValue = slider->value();

        QSignalSpy moves(slider, &QSlider::actionTriggered);
        DragHandle(slider, -slider->width() / 2);
        QVERIFY2(moves.count() > 3, "the drag moved the track bar in several steps");
        QVERIFY(slider->value() < startValue);
        const QByteArray after = Image(*pane);
        QVERIFY(after != before);
        QCOMPARE(history->count(), 1);
        QCOMPARE(history->undoText(), model == 1 ? QStringLiteral("time of step 4")
                                                 : QStringLiteral("time of step 4 in channel 1"));

        history->undo();
        QCOMPARE(Image(*pane), before);
        QCOMPARE(slider->value(), startValue);
        QVERIFY(!pane->GetDocument()->IsModified());
        history->redo();
        QCOMPARE(Image(*pane), after);

        // A new drag replaces the undone one; moved on back to where it started, it leaves
        // no change and the program unmodified.
        history->undo();
        DragHandle(slider, -slider->width() / 3);
        QVERIFY(slider->value() != startValue);
        QCOMPARE(history->count(), 1);
        QVERIFY(pane->GetDocument()->IsModified());
        for (int guard = 0; slider->value() != startValue && guard < 300; ++guard)
            QTest::keyClick(slider, slider->value() < startValue ? Qt::Key_Right : Qt::Key_Left);
        QCOMPARE(slider->value(), startValue);
        QCOMPARE(Image(*pane), before);
        QCOMPARE(history->count(), 0);
        QVERIFY(!pane->GetDocument()->IsModified());
    }

    // Picking the entry that is shown already changes nothing: no change to undo, the program
    // stays unmodified.
    void samePickIsNoChange()
    {
        auto pane = MakePane(1);
        pane->SelectStep(1, 0);
        auto* box = qobject_cast<QComboBox*>(Control(*pane, IDD_QVR_STATE_CHANGE_OPERATION, IDC_QVR_OPERATION));
        QVERIFY(box);
        const int shown = box->currentIndex();
        Q_EMIT box->activated(shown);
        QCOMPARE(pane->UndoStack()->count(), 0);
        QVERIFY(!pane->GetDocument()->IsModified());
    }

    // A program read from a relay is one change that gives the program before it back; a
    // program opened from a file and a new program start the history afresh.
    void readIsUndoneNewAndOpenStartAfresh()
    {
        auto pane = MakePane(2);
        QUndoStack* history = pane->UndoStack();
        QSignalSpy titles(pane.get(), &CRelayPane::updateTitle);
        const QByteArray original = Image(*pane);
        std::unique_ptr<CQuorvexDoc> relay = CreateDocument(MODEL_QVS_K115_318);
        relay->ResetProgram(0);
        relay->GetData()[20] ^= 0x3F;
        QVERIFY(pane->ReplaceProgram(relay->GetData(), relay->GetDataSize(), true));
        QCOMPARE(Image(*pane).at(20), char(relay->GetData()[20]));
        QCOMPARE(history->undoText(), QStringLiteral("program read from the relay"));
        QVERIFY(pane->GetDocument()->IsModified());
        QCOMPARE(titles.last().at(0).toInt(), 1);

        history->undo();
        QCOMPARE(Image(*pane), original);
        QVERIFY(!pane->GetDocument()->IsModified());
        QCOMPARE(titles.last().at(0).toInt(), 0);
        history->redo();
        QCOMPARE(Image(*pane).at(20), char(relay->GetData()[20]));

        // A wrong size changes nothing, not even the history.
        QVERIFY(!pane->ReplaceProgram(relay->GetData(), relay->GetDataSize() - 1, true));
        QCOMPARE(history->count(), 1);

        QVERIFY(pane->ReplaceProgram(reinterpret_cast<const std::uint8_t*>(original.constData()),
                                     int(original.size()), false));
        QCOMPARE(history->count(), 0);
        QVERIFY(!pane->GetDocument()->IsModified());
        QCOMPARE(Image(*pane), original);

        QVERIFY(Perform(*pane, {0, 1, IDD_QVS_STATE_CHANGE_OPERATION, IDC_QVS_OPERATION_RELAY1, 2, QString()}));
        QCOMPARE(history->count(), 1);
        pane->NewProgram();
        QCOMPARE(history->count(), 0);
        QVERIFY(!pane->GetDocument()->IsModified());
    }

    // The names of the changes follow the language.
    void namesFollowTheLanguage()
    {
        Language::CLanguageManager& manager = Language::TheLanguageManager();
        auto pane = MakePane(2);
        QVERIFY(Perform(*pane, {1, 4, IDD_QVS_TIME_TIME, IDC_TIME_UNIT, 2, QString()}));
        QCOMPARE(manager.SelectLanguageByLcid(Language::LCID_POLISH), qint64(Language::LCID_POLISH));
        pane->OnLanguageChanged(manager);
        const QString polish = pane->UndoStack()->undoText();
        QCOMPARE(manager.SelectLanguageByLcid(Language::LCID_ENGLISH), qint64(Language::LCID_ENGLISH));
        pane->OnLanguageChanged(manager);
        QCOMPARE(polish, QStringLiteral("czas w kroku 4 w kanale 2"));
        QCOMPARE(pane->UndoStack()->undoText(), QStringLiteral("time of step 4 in channel 2"));
    }
};

QTEST_MAIN(TestProgramUndo)
#include "tst_program_undo.moc"
