// The program check in the main window, driven as a user drives it with the shipped modules
// and scripted dialogs: the Problems panel and the status bar's count follow every change,
// undo and redo and the language; the step boxes carry marks and name their findings in their
// tool tips; the panel's command and its rows work from the keyboard.

#include "CommandIds.h"
#include "DialogIds.h"
#include "FaultyPrograms.h"
#include "LanguageManager.h"
#include "MainFrame.h"
#include "ProblemsPanel.h"
#include "ProgramText.h"
#include "QuorvexDoc.h"
#include "QuorvexView.h"
#include "RelayPane.h"
#include "ScriptedDialogs.h"
#include "StepDialogBase.h"
#include "StepDialogs.h"
#include "TestLanguages.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDockWidget>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QUndoStack>

using namespace CommandIds;
using namespace DialogIds;
using Language::TheLanguageManager;

namespace {

std::vector<std::uint8_t> ImageOf(const QByteArray& text)
{
    return ProgramText::Import(text).image;
}

struct CFrame {
    CScriptedDialogs* dialogs = nullptr;
    std::unique_ptr<CMainFrame> frame;

    // The window keeps within `screen` (a large one by default).
    bool Start(int model, const QRect& screen = QRect(0, 0, 3840, 2160))
    {
        TheLanguageManager().SetModuleFolder(QStringLiteral(QUORVEX_BIN_DIR "/Lang"));
        auto scripted = std::make_unique<CScriptedDialogs>();
        dialogs = scripted.get();
        dialogs->models = {model};
        frame = std::make_unique<CMainFrame>(std::move(scripted));
        frame->SetScreenArea(screen);
        if (!frame->Create())
            return false;
        frame->show();
        // The pane is shown once the event loop has run after it was put into the window.
        return QTest::qWaitForWindowExposed(frame.get()) && QTest::qWaitFor([this] {
            return frame->ActivePane() && frame->ActivePane()->isVisible();
        }, 2000);
    }
    CRelayPane* Pane() const { return static_cast<CRelayPane*>(frame->ActivePane()); }
    CQuorvexDoc* Doc() const { return Pane()->GetDocument(); }
    QAction* Action(int id) const { return frame->Action(id); }
    // A program read from a relay: one change that Undo takes back.
    bool Read(const QByteArray& text) const
    {
        const std::vector<std::uint8_t> image = ImageOf(text);
        return Pane()->ReplaceProgram(image.data(), int(image.size()), true);
    }
    QString Count() const { return frame->ProblemsCount()->text(); }
    StepMark Mark(int channel, int step) const { return Pane()->View(channel)->State().marks[std::size_t(step)]; }
    // The tool tip of a box of a program view.
    QString ToolTip(int channel, int step) const
    {
        CQuorvexView* view = Pane()->View(channel);
        const CChainLayout& layout = view->Layout();
        view->horizontalScrollBar()->setValue(layout.BoxLeft(step));
        const QPoint at(layout.BoxLeft(step) - view->horizontalScrollBar()->value() + layout.BoxWidth(step) / 2,
                        layout.TopBand() + layout.RowHeight() / 2);
        return view->BoxToolTip(at);
    }
};

} // namespace

class TestFrameProblems : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    }
    void init()
    {
        QSettings settings(QStringLiteral("Morvik"), QStringLiteral("Quorvex"));
        settings.clear();
        settings.setValue(QStringLiteral("LCID"), Language::LCID_ENGLISH);
        settings.sync();
    }

    // The count, the list and the marks after a program read, an edit in a step dialog, undo,
    // redo and a switch of language.
    void followsEveryChange()
    {
        CFrame f;
        QVERIFY(f.Start(0));
        CProblemsModel& model = f.frame->ProblemsPanel()->Model();
        QVERIFY(f.frame->ProblemsCount()->isVisibleTo(f.frame.get()));
        QCOMPARE(f.Count(), QStringLiteral("Errors: 0, warnings: 0"));
        QCOMPARE(model.rowCount(), 0);

        QVERIFY(f.Read(FAULTY));
        QCOMPARE(f.Count(), QStringLiteral("Errors: 1, warnings: 2"));
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(int(f.Mark(0, 3)), int(StepMark::Error));
        QCOMPARE(int(f.Mark(0, 7)), int(StepMark::Warning));
        QCOMPARE(int(f.Mark(0, 6)), int(StepMark::None));
        const QString tip = f.ToolTip(0, 7);
        QVERIFY2(tip.contains(QStringLiteral("Warning: this step is set up")), qPrintable(tip));
        QVERIFY2(!f.ToolTip(0, 6).contains(QStringLiteral("Warning")), qPrintable(f.ToolTip(0, 6)));

        // Step 7 set back as a new program has it, in its dialog: its warning goes.
        f.Pane()->SelectStep(7, 0);
        auto* dialog = f.Pane()->StepDialogs()->findChild<CStepDialog*>(TemplateObjectName(IDD_QVR_STATE_CHANGE_OPERATION));
        auto* operation = dialog ? qobject_cast<QComboBox*>(dialog->Control(IDC_QVR_OPERATION)) : nullptr;
        QVERIFY(operation);
        const std::unique_ptr<CQuorvexDoc> fresh = CreateDocument(MODEL_QVR_K115_ZQX);
        fresh->ResetProgram(0);
        const auto fields = fresh->CreateFieldSet();
        const int leave = static_cast<CQuorvexFIELDStateChange*>(fields->Bind(fresh.get(), 0, 7))->GetRelayOperation(0);
        operation->setCurrentIndex(leave);
        Q_EMIT operation->activated(leave);
        QCOMPARE(f.Count(), QStringLiteral("Errors: 1, warnings: 1"));
        QCOMPARE(int(f.Mark(0, 7)), int(StepMark::None));
        QVERIFY(!f.ToolTip(0, 7).contains(QStringLiteral("Warning")));

        QUndoStack* history = f.Pane()->UndoStack();
        history->undo();
        QCOMPARE(f.Count(), QStringLiteral("Errors: 1, warnings: 2"));
        history->undo();
        QCOMPARE(f.Count(), QStringLiteral("Errors: 0, warnings: 0"));
        QCOMPARE(int(f.Mark(0, 3)), int(StepMark::None));
        history->redo();
        QCOMPARE(int(f.Mark(0, 3)), int(StepMark::Error));
        QCOMPARE(model.rowCount(), 3);

        f.frame->OnSelectLanguage(LanguageIndex(Language::LCID_POLISH));
        QCOMPARE(f.Count(), QStringLiteral("Błędy: 1, ostrzeżenia: 2"));
        QCOMPARE(model.index(0, CProblemsModel::COLUMN_SEVERITY).data().toString(), QStringLiteral("Błąd"));
        QVERIFY(f.ToolTip(0, 7).contains(QStringLiteral("Ostrzeżenie: ")));
        QCOMPARE(f.frame->ProblemsDock()->windowTitle(), QStringLiteral("Problemy"));
    }

    // The command shows the panel below the pane (the window grows by it) with the keyboard in
    // its list; Enter on a finding selects its step and channel and puts the keyboard into the
    // step's dialog; the command again hides the panel.
    void panelFromTheKeyboard()
    {
        CFrame f;
        QVERIFY(f.Start(1));
        const int separator = f.frame->style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent);
        f.frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.frame.get()));
        QVERIFY(f.Read(FAULTY_TWO));
        QDockWidget* dock = f.frame->ProblemsDock();
        QAction* command = f.Action(ID_VIEW_PROBLEMS);
        QVERIFY(dock->isHidden() && !command->isChecked() && command->isEnabled());
        const int height = f.frame->height();

        QTest::keyClick(f.frame.get(), Qt::Key_E, Qt::ControlModifier);
        QVERIFY(dock->isVisible());
        QVERIFY(command->isChecked());
        QVERIFY(!dock->isFloating());
        QTRY_COMPARE(f.frame->height(), height + dock->height() + separator);
        QTreeView* list = f.frame->ProblemsPanel()->List();
        QTRY_VERIFY(list->hasFocus());

        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(f.Pane()->GetSelectedChannel(), 1);
        QCOMPARE(f.Pane()->GetSelectedStep(), 2);
        QTRY_VERIFY(f.Pane()->StepDialogs()->isAncestorOf(QApplication::focusWidget()));

        command->trigger();
        QVERIFY(dock->isHidden() && !command->isChecked());
        QTRY_COMPARE(f.frame->height(), height);
    }

    // On a small screen the window with the panel keeps within the screen: the program views
    // give up height for it, or, where they cannot, the panel floats on the screen.
    void keepsWithinASmallScreen_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::newRow("1366x768") << QRect(0, 0, 1366, 768);
        QTest::newRow("1280x600") << QRect(0, 0, 1280, 600);
    }
    void keepsWithinASmallScreen()
    {
        QFETCH(QRect, screen);
        CFrame f;
        QVERIFY(f.Start(1, screen));
        f.Action(ID_VIEW_PROBLEMS)->trigger();
        QDockWidget* dock = f.frame->ProblemsDock();
        QVERIFY(dock->isVisible());
        QVERIFY2(f.frame->height() <= screen.height(), qPrintable(QString::number(f.frame->height())));
        if (dock->isFloating())
            QVERIFY(screen.contains(dock->geometry()));
        else
            QVERIFY(dock->height() >= f.frame->ProblemsPanel()->PreferredHeight());
    }

    // Send asks before writing a program with errors, listing them; No (the default) sends
    // nothing, Yes sends. Warnings alone never ask.
    void sendAsksAboutErrors_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<QByteArray>("program");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QString>("question"); // empty: none asked
        QTest::addColumn<QString>("listed");
        QTest::newRow("one error, No") << 0 << FAULTY << false
                                       << QStringLiteral("The program has an error. Send it anyway?")
                                       << QStringLiteral("\u2022 Step 1: Loop without time through steps 1, 2, 3, 4, 5");
        QTest::newRow("one error, Yes") << 0 << FAULTY << true
                                        << QStringLiteral("The program has an error. Send it anyway?") << QString();
        QTest::newRow("two channels") << 1 << FAULTY_TWO << false
                                      << QStringLiteral("The program has an error. Send it anyway?")
                                      << QStringLiteral("\u2022 Step 2 in channel 2: Loop without time");
        QTest::newRow("two errors") << 1 << FAULTY_TWO_ERRORS << false
                                    << QStringLiteral("The program has 2 errors. Send it anyway?")
                                    << QStringLiteral("\u2022 Step 5 in channel 1: Loop without time");
        QTest::newRow("warnings only") << 0
                                       << QByteArray(R"({"model": "QVR_K115_ZQX", "steps": [{"step": 4, "time": "fixed 0 s"}]})")
                                       << false << QString() << QString();
    }
    void sendAsksAboutErrors()
    {
        QFETCH(int, model);
        QFETCH(QByteArray, program);
        QFETCH(bool, answer);
        QFETCH(QString, question);
        QFETCH(QString, listed);
        CFrame f;
        QVERIFY(f.Start(model));
        QVERIFY(f.Read(program));
        f.dialogs->yesNoAnswers = {answer};
        QVERIFY(f.Action(ID_TRANSMISSION_SENDSETTINGS)->isEnabled());
        f.Action(ID_TRANSMISSION_SENDSETTINGS)->trigger();
        if (question.isEmpty()) {
            QVERIFY(f.dialogs->warnings.isEmpty());
        } else {
            QCOMPARE(f.dialogs->warnings.size(), 1);
            const QString shown = f.dialogs->warnings.first();
            QVERIFY2(shown.startsWith(QStringLiteral("Send a program with errors|") + question), qPrintable(shown));
            QVERIFY2(shown.contains(listed), qPrintable(shown));
            // Warnings are not listed.
            QVERIFY2(!shown.contains(QStringLiteral("Warning")) && !shown.contains(QStringLiteral("never")), qPrintable(shown));
        }
        const bool sent = question.isEmpty() || answer;
        QCOMPARE(f.frame->RelayCommandRunning(), sent);
        // The send (to no relay) ends before the window goes.
        QTRY_VERIFY_WITH_TIMEOUT(!f.frame->RelayCommandRunning(), 10000);
    }

private:
    QTemporaryDir m_config;
};

QTEST_MAIN(TestFrameProblems)
#include "tst_frame_problems.moc"
