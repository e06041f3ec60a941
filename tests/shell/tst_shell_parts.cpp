// The main window's parts that need no main window: the password commands' relay rule, help
// texts cut into tool tips, titles, file dialog filters and the description's name; the helpers
// that put language texts into menus and lists; the relay model question; the About box.

#include "AboutDlg.h"
#include "CommandLine.h"
#include "Commands.h"
#include "DeviceProtocol.h"
#include "RelayList.h"
#include "DeviceMenu.h"
#include "DeviceDialogIds.h"
#include "FrameDialogs.h"
#include "FrameText.h"
#include "LanguageWidgets.h"
#include "QueryDeviceTypeDlg.h"
#include "TestLanguages.h"
#include "WindowFit.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <functional>

using namespace CommandIds;
using Language::TheLanguageManager;

namespace {

template <typename Widget> Widget* FindById(QWidget* parent, int id)
{
    for (Widget* child : parent->findChildren<Widget*>())
        if (child->property("controlId").toInt() == id)
            return child;
    return nullptr;
}

// Runs `step` on the model question once it is open (the dialog is modal: exec() returns only
// when it closes). Returns what exec() returned.
int RunQuestion(CQueryDeviceTypeDlg& dialog, const std::function<void(CQueryDeviceTypeDlg&)>& step)
{
    QTimer::singleShot(0, &dialog, [&dialog, step] {
        if (QApplication::activeModalWidget() == &dialog)
            step(dialog);
        // Whatever the step left open is answered with OK, so the test never hangs.
        if (dialog.isVisible())
            QTimer::singleShot(0, &dialog, [&dialog] { FindById<QPushButton>(&dialog, DeviceDialogIds::IDOK)->click(); });
    });
    return dialog.exec();
}

} // namespace

class TestShellParts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        QVERIFY(LoadTestLanguage(TheLanguageManager(), m_languages));
    }

    // The password commands also need the relay chosen in the Device menu to be a QVS_K115_318.
    void passwordCommandsNeedATwoChannelRelay_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("model2");
        QTest::addColumn<bool>("commandRunning");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("editing, QVS_K115_318 relay") << int(WORK_MODE_EDIT) << true << false << true;
        QTest::newRow("editing, QVR_K115_ZQX relay") << int(WORK_MODE_EDIT) << false << false << false;
        QTest::newRow("simulation, QVS_K115_318 relay") << int(WORK_MODE_SIMULATION) << true << false << false;
        QTest::newRow("editing, QVS_K115_318 relay, another relay command running")
            << int(WORK_MODE_EDIT) << true << true << false;
    }
    void passwordCommandsNeedATwoChannelRelay()
    {
        QFETCH(int, mode);
        QFETCH(bool, model2);
        QFETCH(bool, commandRunning);
        QFETCH(bool, enabled);
        const CommandStateInputs inputs{true, WorkMode(mode), false, model2, commandRunning};
        QCOMPARE(IsCommandEnabled(ID_TRANSMISSION_CHANGEPASSWORD, inputs), enabled);
        QCOMPARE(IsCommandEnabled(ID_TRANSMISSION_RESETPASSWORD, inputs), enabled);
    }

    // Undo and Redo only while editing and only with something to undo or redo; recent files
    // open like Open (also before the first pane), so only while editing with no relay command.
    void undoNeedsEditingAndAChange_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("commandRunning");
        QTest::addColumn<bool>("canUndo");
        QTest::addColumn<bool>("canRedo");
        QTest::addColumn<bool>("undoEnabled");
        QTest::addColumn<bool>("redoEnabled");
        QTest::addColumn<bool>("recentEnabled");
        QTest::newRow("editing, both") << int(WORK_MODE_EDIT) << false << true << true << true << true << true;
        QTest::newRow("editing, undo only") << int(WORK_MODE_EDIT) << false << true << false << true << false << true;
        QTest::newRow("editing, nothing") << int(WORK_MODE_EDIT) << false << false << false << false << false << true;
        QTest::newRow("simulation, both") << int(WORK_MODE_SIMULATION) << false << true << true << false << false << false;
        QTest::newRow("relay view, both") << int(WORK_MODE_DEVICE_VIEW) << false << true << true << false << false << false;
        // A relay command may be reading into the program or comparing with it.
        QTest::newRow("editing while a relay command runs")
            << int(WORK_MODE_EDIT) << true << true << true << false << false << false;
    }
    void undoNeedsEditingAndAChange()
    {
        QFETCH(int, mode);
        QFETCH(bool, commandRunning);
        QFETCH(bool, canUndo);
        QFETCH(bool, canRedo);
        QFETCH(bool, undoEnabled);
        QFETCH(bool, redoEnabled);
        QFETCH(bool, recentEnabled);
        CommandStateInputs inputs{true, WorkMode(mode), false, false, commandRunning};
        inputs.canUndo = canUndo;
        inputs.canRedo = canRedo;
        QCOMPARE(IsCommandEnabled(ID_EDIT_UNDO, inputs), undoEnabled);
        QCOMPARE(IsCommandEnabled(ID_EDIT_REDO, inputs), redoEnabled);
        QCOMPARE(IsCommandEnabled(ID_FILE_MRU_FILE1 + 3, inputs), recentEnabled);
        QVERIFY(IsCommandEnabled(ID_FILE_MRU_FILE8, CommandStateInputs{}));
    }

    // The Device menu's choice when it opens. Relays are given as "port:type", the selected
    // one marked with '*'; the result is the entry chosen (-1: none, the selection stays).
    void deviceMenuCandidate_data()
    {
        QTest::addColumn<QStringList>("relays");
        QTest::addColumn<int>("documentType");
        QTest::addColumn<int>("candidate");
        QTest::newRow("nothing selected: the last relay of the model") << QStringList{"a:1", "b:2", "c:1", "d:2"} << 1 << 2;
        QTest::newRow("the selected relay fits: it stays") << QStringList{"a:1*", "b:1", "c:1"} << 1 << 0;
        QTest::newRow("the selected relay does not fit: the last that does")
            << QStringList{"a:1", "b:2*", "c:1", "d:2"} << 1 << 2;
        QTest::newRow("no relay of the model") << QStringList{"a:2", "b:2*"} << 1 << -1;
        QTest::newRow("a relay of unknown type never fits") << QStringList{"a:3", "b:2"} << 1 << -1;
        QTest::newRow("empty list") << QStringList{} << 2 << -1;
    }
    void deviceMenuCandidate()
    {
        QFETCH(QStringList, relays);
        QFETCH(int, documentType);
        QFETCH(int, candidate);
        CRelayList device;
        device.BeginPass();
        int selected = -1;
        for (qsizetype i = 0; i < relays.size(); ++i) {
            const QStringList parts = relays[i].split(QLatin1Char(':'));
            device.AddOrMarkIdentified(parts[0], DeviceProtocol::IdentificationByte(parts[1].left(1).toInt(), 0));
            if (parts[1].endsWith(QLatin1Char('*')))
                selected = int(i);
        }
        device.EndPass();
        device.SelectDevice(selected);
        const DeviceMenuPlan plan = PlanDeviceMenu(device, documentType);
        QCOMPARE(int(plan.entries.size()), int(relays.size()));
        for (qsizetype i = 0; i < relays.size(); ++i) {
            QCOMPARE(plan.entries[std::size_t(i)].matches, device.GetDeviceType(int(i)) == documentType);
            QCOMPARE(plan.entries[std::size_t(i)].caption, device.GetDisplayName(int(i)));
        }
        QCOMPARE(plan.candidate, candidate);
    }

    // The window's size from the pane's report and the screen: as the pane asks where the
    // screen has room, within the screen's available area where it has not (the frame of the
    // window manager included), wider when a wider opening is asked for, and never narrower
    // than the user made it while it fits.
    void windowFitsItsScreen_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<double>("ratio");
        QTest::addColumn<int>("extra");       // the docked timing diagram
        QTest::addColumn<int>("preferred");
        QTest::addColumn<int>("current");     // the window's width, kept
        QTest::addColumn<QSize>("size");      // the window's size
        QTest::addColumn<int>("minimum");     // its narrowest width
        // The pane: dialogs 1100 wide and 200 high, readable from 640 high (bars: 90).
        QTest::newRow("large screen, one channel") << QRect(0, 0, 1920, 1080) << 0.5 << 0 << 0 << 0
                                                   << QSize(1460, 730) << 1460;
        QTest::newRow("large screen, opened wider") << QRect(0, 0, 1920, 1080) << 0.5 << 0 << 1700 << 0
                                                    << QSize(1700, 730) << 1460;
        QTest::newRow("large screen, two channels") << QRect(0, 0, 1920, 1080) << 0.75 << 0 << 0 << 0
                                                    << QSize(974, 730) << 974;
        QTest::newRow("1366x768, one channel: narrower") << QRect(0, 0, 1366, 768) << 0.5 << 0 << 0 << 0
                                                         << QSize(1362, 730) << 1362;
        QTest::newRow("1280x720, two channels: lower") << QRect(0, 0, 1280, 720) << 0.75 << 0 << 0 << 0
                                                       << QSize(974, 688) << 974;
        QTest::newRow("1280x720, kept width within the screen") << QRect(0, 0, 1280, 720) << 0.75 << 0 << 0 << 2000
                                                                << QSize(1276, 688) << 974;
        QTest::newRow("1366x768, with the timing diagram") << QRect(0, 0, 1366, 768) << 0.75 << 150 << 0 << 0
                                                           << QSize(974, 736) << 974;
        QTest::newRow("no screen known") << QRect() << 0.5 << 0 << 0 << 0 << QSize(1460, 730) << 1460;
    }
    void windowFitsItsScreen()
    {
        QFETCH(QRect, screen);
        QFETCH(double, ratio);
        QFETCH(int, extra);
        QFETCH(int, preferred);
        QFETCH(int, current);
        QFETCH(QSize, size);
        QFETCH(int, minimum);
        WindowFitInputs inputs;
        inputs.pane.stripWidth = 900;
        inputs.pane.height = 200;
        inputs.pane.ratio = ratio;
        inputs.pane.readableHeight = 640;
        inputs.pane.readableViewHeight = 150;
        inputs.bars = 90;
        inputs.extraHeight = extra;
        inputs.frame = QMargins(2, 28, 2, 4);
        inputs.available = screen;
        inputs.preferredWidth = preferred;
        inputs.currentWidth = current;
        inputs.keepWidth = current > 0;
        const WindowFit fit = FitWindow(inputs);
        QCOMPARE(QSize(fit.width, fit.height), size);
        QCOMPARE(fit.minimumWidth, minimum);
        QCOMPARE(fit.paneHeight, fit.height - extra);
        if (!screen.isEmpty()) {
            QVERIFY(fit.width + 4 <= screen.width());
            QVERIFY(fit.height + 32 <= screen.height());
        }
    }

    // A window's frame moves onto the available area when it would stick out, and stays where
    // it is when it fits; a centred frame sits in the middle.
    void windowPlacedOnItsScreen_data()
    {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QPoint>("placed");
        QTest::newRow("inside") << QRect(100, 50, 800, 600) << QPoint(100, 50);
        QTest::newRow("below the bottom") << QRect(100, 400, 800, 600) << QPoint(100, 168);
        QTest::newRow("beyond the right") << QRect(900, 50, 800, 600) << QPoint(566, 50);
        QTest::newRow("left of a panel") << QRect(0, 0, 800, 600) << QPoint(0, 0);
        QTest::newRow("larger than the screen") << QRect(200, 200, 1500, 900) << QPoint(0, 0);
    }
    void windowPlacedOnItsScreen()
    {
        QFETCH(QRect, frame);
        QFETCH(QPoint, placed);
        const QRect available(0, 0, 1366, 768);
        QCOMPARE(PlaceOnScreen(frame, available), placed);
        QCOMPARE(CentreOnScreen(QSize(366, 168), available), QPoint(500, 300));
    }

    // A message box, however short its text, is as wide as its title needs beside the title
    // bar's buttons: "Compare with relay" was cut to "Compare with r…".
    void dialogTitlesAreKeptWhole()
    {
        QMessageBox box(QMessageBox::Information, QStringLiteral("Compare the program with the relay's program"),
                        QStringLiteral("Equal."), QMessageBox::Ok);
        KeepTitleWhole(&box);
        box.show();
        QFont bold = box.font();
        bold.setBold(true);
        QVERIFY(box.width() > QFontMetrics(bold).horizontalAdvance(box.windowTitle()) + 60);
        box.close();
    }

    void helpTextIntoPromptAndToolTip_data()
    {
        QTest::addColumn<QString>("help");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<QString>("tip");
        const QString t79(79, QLatin1Char('t'));
        QTest::newRow("both") << QStringLiteral("Prompt\nTip") << QStringLiteral("Prompt") << QStringLiteral("Tip");
        QTest::newRow("no line feed") << QStringLiteral("Prompt") << QStringLiteral("Prompt") << QString();
        QTest::newRow("79 kept") << QStringLiteral("P\n") + t79 << QStringLiteral("P") << t79;
        QTest::newRow("80 cut") << QStringLiteral("P\n") + t79 + QLatin1Char('x') << QStringLiteral("P") << t79;
        QTest::newRow("second line feed kept") << QStringLiteral("P\nA\nB") << QStringLiteral("P") << QStringLiteral("A\nB");
        // A character of two UTF-16 units across the cut is dropped whole.
        QTest::newRow("pair at the cut") << QStringLiteral("P\n") + QString(78, QLatin1Char('t')) + QStringLiteral("\U0001F600")
                                         << QStringLiteral("P") << QString(78, QLatin1Char('t'));
    }
    void helpTextIntoPromptAndToolTip()
    {
        QFETCH(QString, help);
        QFETCH(QString, prompt);
        QFETCH(QString, tip);
        QCOMPARE(HelpPrompt(help), prompt);
        QCOMPARE(HelpToolTip(help), tip);
    }

    void windowTitle_data()
    {
        QTest::addColumn<bool>("hasFile");
        QTest::addColumn<bool>("modified");
        QTest::addColumn<QString>("title");
        QTest::newRow("untitled") << false << false << QStringLiteral("Q - untitled");
        QTest::newRow("untitled, modified") << false << true << QStringLiteral("Q - untitled*");
        QTest::newRow("file, modified") << true << true << QStringLiteral("Q - /a/b[*].qvp*");
    }
    void windowTitle()
    {
        QFETCH(bool, hasFile);
        QFETCH(bool, modified);
        QFETCH(QString, title);
        const QString made = FrameTitle(u"Q", hasFile, QStringLiteral("/a/b[*].qvp"), QStringLiteral("untitled"), modified);
        QCOMPARE(made, title);
        // The window shows it as it is, "[*]" in a file name included.
        QWidget window;
        window.setWindowTitle(EscapeWindowTitle(made));
        window.show();
        QVERIFY(window.windowHandle());
        QCOMPARE(window.windowHandle()->title(), title);
        QVERIFY(FrameTitle(nullptr, hasFile, QStringLiteral("x"), QStringLiteral("u"), modified).isEmpty());
    }

    void fileDialogFilters_data()
    {
        QTest::addColumn<QString>("text"); // "|" stands for NUL
        QTest::addColumn<QStringList>("filters");
        QTest::addColumn<QStringList>("suffixes");
        QTest::newRow("with patterns") << QStringLiteral("Programs (*.qvp)|*.qvp|All files (*)|*||")
                                       << QStringList{QStringLiteral("Programs (*.qvp)"), QStringLiteral("All files (*)")}
                                       << QStringList{QStringLiteral("qvp"), QString()};
        QTest::newRow("patterns added") << QStringLiteral("Programs|*.qvp||")
                                        << QStringList{QStringLiteral("Programs (*.qvp)")} << QStringList{"qvp"};
        QTest::newRow("several patterns") << QStringLiteral("Texts|*.txt;*.log||")
                                          << QStringList{QStringLiteral("Texts (*.txt *.log)")} << QStringList{"txt"};
        QTest::newRow("description without pattern") << QStringLiteral("Programs (*.qvp)|*.qvp|Odd||")
                                                      << QStringList{QStringLiteral("Programs (*.qvp)")}
                                                      << QStringList{"qvp"};
        QTest::newRow("empty") << QStringLiteral("|") << QStringList{} << QStringList{};
    }
    void fileDialogFilters()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, filters);
        QFETCH(QStringList, suffixes);
        text.replace(QLatin1Char('|'), QChar(0));
        QCOMPARE(FileDialogFilters(reinterpret_cast<const char16_t*>(text.utf16())), filters);
        // One suffix per filter, in the same order: the picture dialog appends the chosen one.
        QCOMPARE(FileDialogSuffixes(reinterpret_cast<const char16_t*>(text.utf16())), suffixes);
        QVERIFY(FileDialogFilters(nullptr).isEmpty());
        QVERIFY(FileDialogSuffixes(nullptr).isEmpty());
    }

    void pictureFileSuggestion_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("picture");
        QTest::newRow("extension") << QStringLiteral("/home/u/timer.qvp") << QStringLiteral("/home/u/timer.pdf");
        QTest::newRow("several dots") << QStringLiteral("/p/a.b.qvp") << QStringLiteral("/p/a.b.pdf");
        QTest::newRow("no dot") << QStringLiteral("/p/timer") << QStringLiteral("/p/timer.pdf");
        QTest::newRow("dot only in a folder") << QStringLiteral("/p.d/timer") << QStringLiteral("/p.d/timer.pdf");
    }
    void pictureFileSuggestion()
    {
        QFETCH(QString, program);
        QFETCH(QString, picture);
        QCOMPARE(SuggestedFileName(program, QStringLiteral("pdf")), picture);
    }

    // "quorvex FILE": the first argument that is no option; a file URL as its path.
    void startupFileArgument_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("file");
        QTest::newRow("none") << QStringList{} << QString();
        QTest::newRow("a file") << QStringList{"timer.qvp", "other.qvp"} << QStringLiteral("timer.qvp");
        QTest::newRow("after options") << QStringList{"--verbose", "-x", "/p/t.qvp"} << QStringLiteral("/p/t.qvp");
        QTest::newRow("options only") << QStringList{"--verbose"} << QString();
        QTest::newRow("after --") << QStringList{"--", "-odd.qvp"} << QStringLiteral("-odd.qvp");
        QTest::newRow("file URL") << QStringList{"file:///p/a%20b.qvp"} << QStringLiteral("/p/a b.qvp");
    }
    void startupFileArgument()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, file);
        QCOMPARE(StartupFileArgument(arguments), file);
    }

    // "quorvex --help" and "--version" are answered before any window; "--" ends the options.
    void programStartRequest_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("request");
        const int window = int(StartRequest::Window), help = int(StartRequest::Help);
        const int version = int(StartRequest::Version);
        QTest::newRow("none") << QStringList{} << window;
        QTest::newRow("a file") << QStringList{"timer.qvp"} << window;
        QTest::newRow("--help") << QStringList{"--help"} << help;
        QTest::newRow("-h after a file") << QStringList{"timer.qvp", "-h"} << help;
        QTest::newRow("--version") << QStringList{"--version"} << version;
        QTest::newRow("the first decides") << QStringList{"--version", "--help"} << version;
        QTest::newRow("a file named --help") << QStringList{"--", "--help"} << window;
        QTest::newRow("other options") << QStringList{"-style", "fusion", "--helpful"} << window;
    }
    void programStartRequest()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, request);
        QCOMPARE(int(ProgramStartRequest(arguments)), request);
    }

    void descriptionFileSuggestion_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("description");
        QTest::newRow("extension") << QStringLiteral("/home/u/timer.qvp") << QStringLiteral("/home/u/timer.txt");
        QTest::newRow("several dots") << QStringLiteral("/p/a.b.c.qvp") << QStringLiteral("/p/a.b.c.txt");
        QTest::newRow("no dot") << QStringLiteral("/p/timer") << QStringLiteral("/p/timer");
        QTest::newRow("dot only in a folder") << QStringLiteral("/p.d/timer") << QStringLiteral("/p.d/timer");
        QTest::newRow("default name") << QStringLiteral("program.qvp") << QStringLiteral("program.txt");
    }
    void descriptionFileSuggestion()
    {
        QFETCH(QString, program);
        QFETCH(QString, description);
        QCOMPARE(DescriptionFileSuggestion(program), description);
    }

    // Captions by position; a text the language lacks (75: a separator) leaves its item alone.
    void setMenuTexts()
    {
        QMenu menu;
        menu.addAction(QStringLiteral("KEY_A"));
        menu.addAction(QStringLiteral("KEY_B"));
        menu.addAction(QStringLiteral("KEY_C"));
        Language::SetMenuTexts(TheLanguageManager(), &menu, 1, 74, 5);
        const QList<QAction*> items = menu.actions();
        QCOMPARE(items[0]->text(), QStringLiteral("KEY_A"));
        QCOMPARE(items[1]->text(), QStringLiteral("Text 74"));
        QCOMPARE(items[2]->text(), QStringLiteral("KEY_C"));

        QMenuBar bar;
        bar.addMenu(QStringLiteral("MENU_FILE"));
        Language::SetMenuTexts(TheLanguageManager(), &bar, 0, 45, 1);
        QCOMPARE(bar.actions()[0]->text(), QStringLiteral("Text 45"));

        Language::CLanguageManager none;
        Language::SetMenuTexts(none, &menu, 0, 45, 3);
        QCOMPARE(menu.actions()[0]->text(), QStringLiteral("KEY_A"));
    }

    void fillComboTexts_data()
    {
        QTest::addColumn<bool>("reset");
        QTest::addColumn<int>("selection");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<int>("selected");
        const QStringList fresh{QStringLiteral("Text 198"), QStringLiteral("Text 199"), QStringLiteral("Text 200")};
        QTest::newRow("reset, select 2") << true << 2 << fresh << 2;
        QTest::newRow("reset, select again") << true << -1 << fresh << 1;
        QTest::newRow("reset, leave") << true << -3 << fresh << 0;
        QTest::newRow("append") << false << -1 << (QStringList{QStringLiteral("x"), QStringLiteral("y")} + fresh) << 1;
    }
    void fillComboTexts()
    {
        QFETCH(bool, reset);
        QFETCH(int, selection);
        QFETCH(QStringList, items);
        QFETCH(int, selected);
        QComboBox list;
        list.addItems({QStringLiteral("x"), QStringLiteral("y")});
        list.setCurrentIndex(1);
        QSignalSpy changes(&list, &QComboBox::currentIndexChanged);
        QCOMPARE(Language::FillComboTexts(TheLanguageManager(), &list, 198, 3, reset, selection), 1);
        QStringList shown;
        for (int i = 0; i < list.count(); ++i)
            shown << list.itemText(i);
        QCOMPARE(shown, items);
        QCOMPARE(list.currentIndex(), selected);
        QVERIFY(changes.isEmpty()); // filling is not a choice of the user

        Language::CLanguageManager none;
        QCOMPARE(Language::FillComboTexts(none, &list, 198, 3, true, 0), -2);
        QCOMPARE(list.count(), items.size());
    }

    // With Cancel disabled, neither Cancel nor Escape nor the close box dismisses the question.
    void modelQuestionWithoutCancel_data()
    {
        QTest::addColumn<bool>("cancelDisabled");
        QTest::newRow("start-up: Cancel disabled") << true;
        QTest::newRow("New: Cancel enabled") << false;
    }
    void modelQuestionWithoutCancel()
    {
        QFETCH(bool, cancelDisabled);
        using namespace DeviceDialogIds;
        for (const char* way : {"Escape", "close box", "Cancel"}) {
            CQueryDeviceTypeDlg dialog;
            dialog.m_nSelected = 1;
            dialog.m_bCancelDisabled = cancelDisabled;
            bool stillOpen = false;
            const int result = RunQuestion(dialog, [&](CQueryDeviceTypeDlg& d) {
                QCOMPARE(FindById<QPushButton>(&d, IDCANCEL)->isEnabled(), !cancelDisabled);
                QVERIFY(FindById<QRadioButton>(&d, IDC_DEVICE_TYPE_SECOND)->isChecked());
                if (QLatin1String(way) == QLatin1String("Escape"))
                    QTest::keyClick(&d, Qt::Key_Escape);
                else if (QLatin1String(way) == QLatin1String("close box"))
                    d.close();
                else
                    FindById<QPushButton>(&d, IDCANCEL)->click();
                stillOpen = d.isVisible();
            });
            QVERIFY2(stillOpen == cancelDisabled, way);
            QCOMPARE(result, cancelDisabled ? int(QDialog::Accepted) : int(QDialog::Rejected));
        }
    }

    void modelQuestionAnswer()
    {
        using namespace DeviceDialogIds;
        CQueryDeviceTypeDlg dialog;
        dialog.m_nSelected = 0;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Text 0"));
        const int result = RunQuestion(dialog, [](CQueryDeviceTypeDlg& d) {
            QVERIFY(QTest::qWaitForWindowActive(&d));
            // The preselected model has the focus; the arrow key moves to the second.
            QCOMPARE(QApplication::focusWidget(), FindById<QRadioButton>(&d, IDC_DEVICE_TYPE_FIRST));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
            QTest::keyClick(&d, Qt::Key_Return);                         // OK is the default button
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(dialog.m_nSelected, 1);
    }

    void aboutBoxShowsTheProjectVersion()
    {
        CAboutDlg about;
        QCOMPARE(about.windowTitle(), QStringLiteral("Text 105"));
        QStringList lines;
        for (QLabel* label : about.findChildren<QLabel*>())
            lines << label->text();
        QVERIFY2(lines.contains(QStringLiteral("Version " QUORVEX_VERSION)), qPrintable(lines.join(u'|')));
        QVERIFY(lines.contains(QStringLiteral("Text 6")));
    }

private:
    QTemporaryDir m_config;
    CTestLanguageFolder m_languages;
};

QTEST_MAIN(TestShellParts)
#include "tst_shell_parts.moc"
