// The main window driven as a user drives it, with the shipped English and Polish modules and
// scripted dialogs: start-up, panes and window size, the document commands with their paths and
// titles, the save-changes question, command states and keys, help texts, language switching.

#include "CommandIds.h"
#include "Commands.h"
#include "DeviceDialogIds.h"
#include "LanguageIcon.h"
#include "Resources.h"
#include "LanguageManager.h"
#include "MainFrame.h"
#include "QuorvexDoc.h"
#include "RelayPane.h"
#include "CommonSettings.h"
#include "QuorvexView.h"
#include "StepDialogs.h"
#include "ResultCodes.h"
#include "QueryDeviceTypeDlg.h"
#include "ProgramSettings.h"
#include "ScriptedDialogs.h"
#include "WindowHarness.h"
#include "TimelinePanel.h"
#include "TestLanguages.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMultiHash>
#include <QScrollArea>
#include <QScrollBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QComboBox>
#include <QDockWidget>
#include <QScreen>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QWindow>

#include <functional>

using namespace CommandIds;
using Language::TheLanguageManager;

namespace {

const QString SHIPPED_LANGUAGES = QStringLiteral(QUORVEX_BIN_DIR "/Lang");

void SaveLcid(std::uint32_t lcid)
{
    QSettings settings = ProgramSettings();
    settings.setValue(QStringLiteral("LCID"), lcid);
    settings.sync();
}

QString Text(int id)
{
    return TheLanguageManager().Text(id);
}

QByteArray Image(const CQuorvexDoc* doc)
{
    return QByteArray(reinterpret_cast<const char*>(doc->GetData()), doc->GetDataSize());
}

// A program file of a model; `variant` changes one byte so that files can be told apart.
QString WriteProgram(const QString& path, ModelCode model, int variant = 0)
{
    const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(model);
    doc->ResetProgram(0);
    doc->GetData()[3] = std::uint8_t(doc->GetData()[3] ^ variant);
    return doc->Save(path) == RESULT_OK ? path : QString();
}

// A valid program file whose model code names neither model.
QString WriteUnknownModel(const QString& path)
{
    if (WriteProgram(path, MODEL_QVR_K115_ZQX).isEmpty())
        return QString();
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return QString();
    QByteArray bytes = file.readAll();
    bytes[10] = char(0x30);
    const std::uint16_t sum = ProgramChecksum(reinterpret_cast<const std::uint8_t*>(bytes.constData()) + 2,
                                              std::size_t(bytes.size() - 2));
    bytes[0] = char(sum & 0xFF);
    bytes[1] = char(sum >> 8);
    file.seek(0);
    return file.write(bytes) == bytes.size() ? path : QString();
}

// A main window created with scripted dialogs, its start-up question answered.
struct CFrame : CWindowHarness {
    // model: the answer to the start-up question (-1: left unanswered); screen: the available
    // area of the screen the window stands on. False when the window could not be created, or
    // no pane came for a model.
    bool Start(int model = 0, const QRect& screen = QRect(0, 0, 1920, 1080))
    {
        Setup setup;
        setup.moduleFolder = SHIPPED_LANGUAGES;
        setup.screen = screen;
        if (!Create(model, setup))
            return false;
        if (!QTest::qWaitFor([this] { return !dialogs->modelQuestions.isEmpty(); }, 2000))
            return false;
        return model < 0 || frame->ActivePane() != nullptr;
    }
};

// Every text of the window that the language gives: title, menu captions, help texts.
QStringList VisibleTexts(const CMainFrame& frame)
{
    QStringList texts{frame.Title()};
    const QList<QAction*> top = frame.menuBar()->actions();
    for (QAction* menu : top) {
        texts.append(menu->text());
        if (menu != top.at(2) && menu != top.at(4)) // relay names and language names are no texts
            for (QAction* item : menu->menu()->actions()) {
                // Recent files are file names, no texts of the language.
                const int id = item->data().toInt();
                if (!item->isSeparator() && (id < ID_FILE_MRU_FILE1 || id > ID_FILE_MRU_FILE8))
                    texts.append(item->text());
                // A submenu's items (the simulation speeds) after its caption.
                if (item->menu())
                    for (QAction* subitem : item->menu()->actions())
                        texts.append(subitem->text());
            }
    }
    for (const CommandInfo& command : Commands())
        if (command.helpTextId >= 0)
            texts << frame.Action(command.id)->statusTip() << frame.Action(command.id)->toolTip();
    return texts;
}

// The same texts as the current language has them (a program without file, not modified).
QStringList ExpectedTexts()
{
    QStringList texts{Text(6) + QStringLiteral(" - ") + Text(8)};
    const int fileTexts[] = {50, 776, 51, 52, 53, 56, 353, 351, 352, 61};
    const int transmissionTexts[] = {72, 305, 73, 450, 74, 76, 77, 79, 80, 82, 83, 84, 85, 86, 87,
                                     565, 566, 567, 568, 569, 400, 890};
    texts << Text(45);
    for (int id : fileTexts)
        texts << Text(id);
    texts << Text(344) << Text(345) << Text(346); // Edit: Undo and Redo with nothing to undo
    texts << Text(46) << Text(47);
    for (int id : transmissionTexts)
        texts << Text(id);
    texts << Text(48) << Text(49) << Text(778) << Text(103);
    for (const CommandInfo& command : Commands())
        if (command.helpTextId >= 0)
            texts << HelpPrompt(Text(command.helpTextId)) << HelpToolTip(Text(command.helpTextId));
    return texts;
}

// Runs `step` on the next modal dialog of type T once it is open; modal dialogs run their own
// event loop, so the test acts on them from a timer.
template <typename T> void WhenModal(QObject* context, std::function<void(T*)> step)
{
    auto* poll = new QTimer(context);
    QObject::connect(poll, &QTimer::timeout, context, [poll, step] {
        if (T* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            step(dialog);
        }
    });
    poll->start(10);
}

// The mnemonics that Alt reaches in the window as it is now: the menu bar's captions and every
// shown button, labelled control and group box of the tool bar and the pane. Each letter with
// the texts that carry it.
QMultiHash<QChar, QString> WindowMnemonics(const CMainFrame& frame)
{
    QMultiHash<QChar, QString> found;
    auto add = [&found](const QString& text) {
        const QChar letter = Mnemonic(text);
        if (!letter.isNull())
            found.insert(letter, text);
    };
    for (const QAction* menu : frame.menuBar()->actions())
        add(menu->text());
    for (const QWidget* widget : frame.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&frame) || widget->window() != &frame)
            continue;
        if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
            add(button->text());
        else if (const auto* label = qobject_cast<const QLabel*>(widget); label && label->buddy())
            add(label->text());
        else if (const auto* group = qobject_cast<const QGroupBox*>(widget))
            add(group->title());
    }
    return found;
}

template <typename Widget> Widget* FindById(QWidget* parent, int id)
{
    for (Widget* child : parent->findChildren<Widget*>())
        if (child->property("controlId").toInt() == id)
            return child;
    return nullptr;
}

} // namespace

class TestMainFrame : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_config.isValid() && m_files.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        // Recovery copies of the windows' programs go there too, never into the real home.
        qputenv("XDG_STATE_HOME", m_config.path().toUtf8());
    }
    // Every test starts in English (a window saves its language when it closes).
    void init() { SaveLcid(Language::LCID_ENGLISH); }

    void startupAsksForModelWithoutCancel_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("model");
        QTest::addColumn<double>("ratio"); // window height to width
        QTest::newRow("QVR_K115_ZQX") << 0 << int(MODEL_QVR_K115_ZQX) << 0.5;
        QTest::newRow("QVS_K115_318") << 1 << int(MODEL_QVS_K115_318) << 0.75;
    }
    void startupAsksForModelWithoutCancel()
    {
        QFETCH(int, answer);
        QFETCH(int, model);
        QFETCH(double, ratio);
        CFrame f;
        QVERIFY(f.Start(answer));
        QCOMPARE(f.dialogs->modelQuestions.size(), 1);
        QCOMPARE(f.dialogs->modelQuestions[0].preselected, 0);
        QVERIFY(f.dialogs->modelQuestions[0].cancelDisabled);
        QCOMPARE(int(f.Pane()->GetModelCode()), model);
        QCOMPARE(f.frame->centralWidget(), f.Pane());
        QCOMPARE(f.frame->Title(), QStringLiteral("Quorvex - untitled"));
        QCOMPARE(f.frame->windowTitle(), f.frame->Title());
        QCOMPARE(f.frame->CurrentPath(), Text(7));
        QVERIFY(f.frame->PathIsDefault());
        QVERIFY(!f.frame->HasFile());
        // The window takes the pane's size: any width from the minimum up, a fixed height.
        // The minimum width holds the dialog strip and gives the pane room for readable boxes.
        // On a screen with room it opens wider than that, to show more of the chain.
        const PaneSizing sizing = f.Pane()->CreatePaneWindow();
        QVERIFY(f.frame->MinimumFrameWidth() >= sizing.stripWidth);
        const int height = int(f.frame->MinimumFrameWidth() * ratio);
        QCOMPARE(f.frame->FixedFrameHeight(), height);
        QTRY_COMPARE(f.frame->height(), height);
        QVERIFY(f.frame->width() > f.frame->MinimumFrameWidth());
        QVERIFY(f.frame->frameGeometry().width() <= f.frame->ScreenArea().width());
        QCOMPARE(f.frame->minimumWidth(), f.frame->MinimumFrameWidth());
        QCOMPARE(f.frame->minimumHeight(), height);
        QTRY_VERIFY(f.Pane()->height() >= sizing.readableHeight);
        QCOMPARE(f.frame->maximumHeight(), height);
    }

    // The real start-up question: Escape and the close box leave it open, Cancel is disabled,
    // and the chosen model's pane comes with OK.
    void startupQuestionCannotBeDismissed()
    {
        TheLanguageManager().SetModuleFolder(SHIPPED_LANGUAGES);
        CMainFrame frame;
        QVERIFY(frame.Create());
        frame.show();
        bool checked = false;
        WhenModal<CQueryDeviceTypeDlg>(this, [&checked](CQueryDeviceTypeDlg* dialog) {
            using namespace DeviceDialogIds;
            QVERIFY(QTest::qWaitForWindowActive(dialog));
            QVERIFY(!FindById<QPushButton>(dialog, IDCANCEL)->isEnabled());
            QTest::keyClick(dialog, Qt::Key_Escape);
            QVERIFY(dialog->isVisible());
            QVERIFY(!dialog->close());
            QVERIFY(dialog->isVisible());
            FindById<QRadioButton>(dialog, IDC_DEVICE_TYPE_SECOND)->click();
            checked = true;
            FindById<QPushButton>(dialog, IDOK)->click();
        });
        QTRY_VERIFY(frame.ActivePane());
        QVERIFY(checked);
        QCOMPARE(int(frame.ActivePane()->GetModelCode()), int(MODEL_QVS_K115_318));
    }

    // The real message boxes speak the window's language, buttons included.
    void messageBoxesInTheLanguage()
    {
        SaveLcid(Language::LCID_POLISH);
        CFrame f;
        QVERIFY(f.Start(0));
        CFrameDialogs dialogs;
        QStringList buttons;
        WhenModal<QMessageBox>(this, [&buttons](QMessageBox* box) {
            for (QAbstractButton* button : box->buttons())
                buttons << button->text();
            box->button(QMessageBox::No)->click();
        });
        QCOMPARE(dialogs.AskYesNoCancel(f.frame.get(), Text(11), Text(12)), CFrameDialogs::No);
        buttons.sort();
        QCOMPARE(buttons, QStringList({QStringLiteral("&Nie"), QStringLiteral("&Tak"), QStringLiteral("Anuluj")}));

        QString message;
        WhenModal<QMessageBox>(this, [&message](QMessageBox* box) {
            message = box->windowTitle() + QLatin1Char('|') + box->text() + QLatin1Char('|')
                + box->button(QMessageBox::Ok)->text();
            box->button(QMessageBox::Ok)->click();
        });
        dialogs.ShowError(f.frame.get(), Text(20), Text(RESULT_BAD_CHECKSUM));
        QCOMPARE(message, Text(20) + QLatin1Char('|') + Text(RESULT_BAD_CHECKSUM) + QStringLiteral("|OK"));
    }

    // A start-up question left without answer (the program is ending) leaves a grey window in
    // which nothing reaches for the missing program.
    void withoutPaneNoCommandReachesADocument()
    {
        CFrame f;
        QVERIFY(f.Start(-1));
        QVERIFY(!f.Pane());
        const QWidget* area = f.frame->centralWidget();
        QVERIFY(area);
        QCOMPARE(area->palette().color(QPalette::Window), QColor(128, 128, 128));
        const QList<int> usable{ID_FILE_NEW, ID_FILE_NEW_FROM_EXAMPLE, ID_FILE_OPEN, ID_APP_EXIT, ID_APP_ABOUT,
                                ID_HELP_USER_GUIDE, ID_TRANSMISSION_VERIFYAFTERSEND};
        for (const CommandInfo& command : Commands())
            QVERIFY2(f.frame->Action(command.id)->isEnabled() == usable.contains(command.id), command.key);
        f.dialogs->ClearLog();
        f.frame->OnFileSave();
        f.frame->OnFileSaveAs();
        f.frame->OnFileExportDoc();
        f.frame->OnSimulationMode();
        f.frame->OnStartSimulation();
        f.frame->OnStepping();
        QVERIFY(f.dialogs->Quiet());
        QVERIFY(f.frame->close()); // nothing to save
    }

    void newProgram_data()
    {
        QTest::addColumn<int>("answer");   // to the model question; -1 cancels
        QTest::addColumn<bool>("samePane");
        QTest::addColumn<int>("model");
        QTest::newRow("same model") << 0 << true << int(MODEL_QVR_K115_ZQX);
        QTest::newRow("other model") << 1 << false << int(MODEL_QVS_K115_318);
        QTest::newRow("cancelled") << -1 << true << int(MODEL_QVR_K115_ZQX);
    }
    void newProgram()
    {
        QFETCH(int, answer);
        QFETCH(bool, samePane);
        QFETCH(int, model);
        CFrame f;
        QVERIFY(f.Start(0));
        const QString path = WriteProgram(m_files.filePath(QStringLiteral("new.qvp")), MODEL_QVR_K115_ZQX, 0x40);
        f.dialogs->openPaths = {path};
        f.Trigger(ID_FILE_OPEN);
        QVERIFY(f.frame->HasFile());
        QVERIFY(f.Modify());
        const QByteArray before = Image(f.Doc());
        const QString title = f.frame->Title();
        QPointer<CRelayPane> pane = f.Pane();

        f.dialogs->ClearLog();
        f.dialogs->answers = {CFrameDialogs::No};
        f.dialogs->models = {answer};
        f.Trigger(ID_FILE_NEW);
        QCOMPARE(f.dialogs->questions.size(), 1);
        QCOMPARE(f.dialogs->modelQuestions.size(), 1);
        QCOMPARE(f.dialogs->modelQuestions[0].preselected, 0);
        QVERIFY(!f.dialogs->modelQuestions[0].cancelDisabled);
        QCOMPARE(f.Pane() == pane.data(), samePane);
        QCOMPARE(int(f.Pane()->GetModelCode()), model);
        if (answer < 0) {
            QCOMPARE(Image(f.Doc()), before);
            QCOMPARE(f.frame->Title(), title);
            QCOMPARE(f.frame->CurrentPath(), path);
            QVERIFY(f.frame->HasFile());
            return;
        }
        const std::unique_ptr<CQuorvexDoc> fresh = CreateDocument(ModelCode(model));
        fresh->ResetProgram(0);
        QCOMPARE(Image(f.Doc()), Image(fresh.get()));
        QVERIFY(!f.Doc()->IsModified());
        QVERIFY(!f.frame->HasFile());
        QVERIFY(f.frame->PathIsDefault());
        QCOMPARE(f.frame->CurrentPath(), Text(7));
        QCOMPARE(f.frame->Title(), QStringLiteral("Quorvex - untitled"));
        QTRY_VERIFY(samePane || !pane); // the replaced pane is gone
        QTRY_COMPARE(f.frame->height(), f.frame->FixedFrameHeight());
        // The next New preselects the model now shown.
        f.dialogs->models = {-1};
        f.Trigger(ID_FILE_NEW);
        QCOMPARE(f.dialogs->modelQuestions.last().preselected, model == MODEL_QVS_K115_318 ? 1 : 0);
    }

    // A program file of the other model replaces the pane; a window wider than the new pane
    // needs keeps its width, and takes the new pane's height.
    void openOtherModelKeepsWiderWindow()
    {
        CFrame f;
        QVERIFY(f.Start(1));
        const int wide = f.frame->MinimumFrameWidth() + 300;
        f.frame->resize(wide, f.frame->FixedFrameHeight());
        QTRY_COMPARE(f.frame->width(), wide);

        const QString path = WriteProgram(m_files.filePath(QStringLiteral("one channel.qvp")), MODEL_QVR_K115_ZQX, 0x22);
        f.dialogs->openPaths = {path};
        f.Trigger(ID_FILE_OPEN);
        QVERIFY(f.dialogs->errors.isEmpty());
        QCOMPARE(int(f.Pane()->GetModelCode()), int(MODEL_QVR_K115_ZQX));
        const int height = int(f.frame->MinimumFrameWidth() * 0.5);
        QCOMPARE(f.frame->FixedFrameHeight(), height);
        QTRY_COMPARE(f.frame->size(), QSize(wide, height));
        const std::unique_ptr<CQuorvexDoc> expected = CreateDocument(MODEL_QVR_K115_ZQX);
        QCOMPARE(expected->Load(path), 0);
        QCOMPARE(Image(f.Doc()), Image(expected.get()));
        QVERIFY(!f.Doc()->IsModified());
        QVERIFY(f.frame->HasFile());
        QVERIFY(!f.frame->PathIsDefault());
        QCOMPARE(f.frame->CurrentPath(), path);
        QCOMPARE(f.frame->Title(), QStringLiteral("Quorvex - ") + path);
        // The open dialog offers the language's program files.
        QCOMPARE(f.dialogs->openFilters.last(),
                 QStringList({QStringLiteral("Quorvex programs (*.qvp)"), QStringLiteral("All files (*)")}));

        // A file of the same model goes into the same pane.
        QPointer<CRelayPane> pane = f.Pane();
        const QString second = WriteProgram(m_files.filePath(QStringLiteral("second.qvp")), MODEL_QVR_K115_ZQX, 0x11);
        f.dialogs->openPaths = {second};
        f.Trigger(ID_FILE_OPEN);
        QCOMPARE(f.Pane(), pane.data());
        QCOMPARE(f.frame->CurrentPath(), second);
        QCOMPARE(expected->Load(second), 0);
        QCOMPARE(Image(f.Doc()), Image(expected.get()));
        // A model number that names no model keeps the pane.
        QVERIFY(!f.frame->CreatePaneForModel(3, true));
        QCOMPARE(f.Pane(), pane.data());
    }

    // An Open that fails reports its result and leaves the pane, the program, its path and the
    // title as they were, whatever model the file claims.
    void failedOpenChangesNothing_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("result");
        QTest::newRow("missing") << QStringLiteral("missing.qvp") << int(RESULT_CANNOT_READ);
        QTest::newRow("damaged, other model") << QStringLiteral("damaged.qvp") << int(RESULT_BAD_CHECKSUM);
        QTest::newRow("unknown model") << QStringLiteral("unknown.qvp") << int(RESULT_NOT_PROGRAM_FILE);
        QTest::newRow("too short") << QStringLiteral("short.qvp") << int(RESULT_NOT_PROGRAM_FILE);
        QTest::newRow("folder") << QStringLiteral("folder.qvp") << int(RESULT_CANNOT_READ);
    }
    void failedOpenChangesNothing()
    {
        QFETCH(QString, file);
        QFETCH(int, result);
        const QString path = m_files.filePath(file);
        if (file == QLatin1String("damaged.qvp")) {
            QVERIFY(!WriteProgram(path, MODEL_QVS_K115_318).isEmpty());
            QFile damaged(path);
            QVERIFY(damaged.open(QIODevice::ReadWrite));
            QVERIFY(damaged.seek(40));
            QVERIFY(damaged.write("\x55", 1) == 1);
        } else if (file == QLatin1String("unknown.qvp")) {
            QVERIFY(!WriteUnknownModel(path).isEmpty());
        } else if (file == QLatin1String("short.qvp")) {
            QFile short_(path);
            QVERIFY(short_.open(QIODevice::WriteOnly) && short_.write("\x01\x02\x03", 3) == 3);
        } else if (file == QLatin1String("folder.qvp")) {
            QVERIFY(QDir(m_files.path()).mkpath(file));
        }

        CFrame f;
        QVERIFY(f.Start(0));
        const QString current = WriteProgram(m_files.filePath(QStringLiteral("current.qvp")), MODEL_QVR_K115_ZQX, 0x0F);
        f.dialogs->openPaths = {current};
        f.Trigger(ID_FILE_OPEN);
        QVERIFY(f.Modify());
        QPointer<CRelayPane> pane = f.Pane();
        const QByteArray image = Image(f.Doc());
        const QString title = f.frame->Title();

        f.dialogs->answers = {CFrameDialogs::No};
        f.dialogs->openPaths = {path};
        f.Trigger(ID_FILE_OPEN);
        // The message names the file.
        QCOMPARE(f.dialogs->errors,
                 QStringList{Text(20) + QLatin1Char('|')
                             + TheLanguageManager().Format(Language::TEXT_OPEN_ARGUMENT_FAILED, {QDir::toNativeSeparators(path)})
                             + QStringLiteral("\n\n") + Text(result)});
        QCoreApplication::processEvents(); // a replaced pane would be deleted now
        QVERIFY(pane);
        QCOMPARE(f.Pane(), pane.data());
        QCOMPARE(Image(f.Doc()), image);
        QVERIFY(f.Doc()->IsModified());
        QCOMPARE(f.frame->CurrentPath(), current);
        QVERIFY(f.frame->HasFile());
        QCOMPARE(f.frame->Title(), title);
    }

    void saveSaveAsAndExport()
    {
        CFrame f;
        QVERIFY(f.Start(1));
        // Save of a program without file is Save As; the dialog suggests the default name.
        const QString path = m_files.filePath(QStringLiteral("two channels.v1.qvp"));
        QVERIFY(f.Modify());
        QCOMPARE(f.frame->Title(), QStringLiteral("Quorvex - untitled*"));
        f.dialogs->savePaths = {path};
        f.Trigger(ID_FILE_SAVE);
        QCOMPARE(f.dialogs->saveRequests.size(), 1);
        QCOMPARE(f.dialogs->saveRequests[0].initialPath, Text(7));
        QCOMPARE(f.dialogs->saveRequests[0].suffix, QStringLiteral("qvp"));
        QCOMPARE(f.dialogs->saveRequests[0].filters.first(), QStringLiteral("Quorvex programs (*.qvp)"));
        QVERIFY(f.dialogs->errors.isEmpty());
        QVERIFY(f.frame->HasFile());
        QVERIFY(!f.frame->PathIsDefault());
        QCOMPARE(f.frame->CurrentPath(), path);
        QCOMPARE(f.frame->Title(), QStringLiteral("Quorvex - ") + path);
        const std::unique_ptr<CQuorvexDoc> saved = CreateDocument(MODEL_QVS_K115_318);
        QCOMPARE(saved->Load(path), 0);
        QCOMPARE(Image(saved.get()), Image(f.Doc()));

        // Save of a program with a file asks nothing.
        QVERIFY(f.Modify());
        QCOMPARE(f.frame->Title(), QStringLiteral("Quorvex - ") + path + QLatin1Char('*'));
        f.dialogs->ClearLog();
        f.Trigger(ID_FILE_SAVE);
        QVERIFY(f.dialogs->Quiet());
        QCOMPARE(f.frame->Title(), QStringLiteral("Quorvex - ") + path);
        QCOMPARE(saved->Load(path), 0);
        QCOMPARE(Image(saved.get()), Image(f.Doc()));

        // The description: the program's name with .txt, in the language's text files.
        const QString description = m_files.filePath(QStringLiteral("two channels.v1.txt"));
        f.dialogs->savePaths = {description};
        f.Trigger(ID_FILE_EXPORTDOC);
        QCOMPARE(f.dialogs->saveRequests.last().initialPath, description);
        QCOMPARE(f.dialogs->saveRequests.last().suffix, QStringLiteral("txt"));
        QCOMPARE(f.dialogs->saveRequests.last().filters.first(), QStringLiteral("Text files (*.txt)"));
        QVERIFY(QFileInfo(description).size() > 0);
        QCOMPARE(f.frame->CurrentPath(), path);

        // Save As cancelled changes nothing; one that cannot write reports 22 and keeps the path.
        QVERIFY(f.Modify());
        f.dialogs->ClearLog();
        f.Trigger(ID_FILE_SAVE_AS);
        QCOMPARE(f.dialogs->saveRequests.size(), 1);
        QCOMPARE(f.dialogs->saveRequests[0].initialPath, path);
        QCOMPARE(f.frame->CurrentPath(), path);
        QVERIFY(f.Doc()->IsModified());
        f.dialogs->savePaths = {m_files.filePath(QStringLiteral("no such folder/x.qvp"))};
        f.Trigger(ID_FILE_SAVE_AS);
        QCOMPARE(f.dialogs->errors, QStringList{Text(20) + QLatin1Char('|') + Text(RESULT_CANNOT_WRITE)});
        QCOMPARE(f.frame->CurrentPath(), path);
        QVERIFY(f.Doc()->IsModified());
        QCOMPARE(f.frame->Title(), QStringLiteral("Quorvex - ") + path + QLatin1Char('*'));
    }

    // New of the same model after Open: the title names no file any more.
    void newAfterOpenIsUntitled()
    {
        CFrame f;
        QVERIFY(f.Start(0));
        f.dialogs->openPaths = {WriteProgram(m_files.filePath(QStringLiteral("opened.qvp")), MODEL_QVR_K115_ZQX)};
        f.Trigger(ID_FILE_OPEN);
        f.dialogs->models = {0};
        f.Trigger(ID_FILE_NEW);
        QCOMPARE(f.frame->Title(), QStringLiteral("Quorvex - untitled"));
    }

    void closeAsksToSaveChanges_data()
    {
        QTest::addColumn<bool>("modified");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<bool>("saved");
        QTest::newRow("unmodified") << false << -1 << true << false;
        QTest::newRow("Cancel") << true << int(CFrameDialogs::Cancel) << false << false;
        QTest::newRow("No") << true << int(CFrameDialogs::No) << true << false;
        QTest::newRow("Yes") << true << int(CFrameDialogs::Yes) << true << true;
    }
    void closeAsksToSaveChanges()
    {
        QFETCH(bool, modified);
        QFETCH(int, answer);
        QFETCH(bool, closes);
        QFETCH(bool, saved);
        CFrame f;
        QVERIFY(f.Start(0));
        const QString path = m_files.filePath(QStringLiteral("close.qvp"));
        f.dialogs->savePaths = {path};
        f.Trigger(ID_FILE_SAVE_AS);
        const QByteArray original = Image(f.Doc());
        if (modified)
            QVERIFY(f.Modify());
        f.dialogs->ClearLog();
        if (answer >= 0)
            f.dialogs->answers = {CFrameDialogs::Answer(answer)};
        f.Trigger(ID_APP_EXIT);
        QCOMPARE(f.dialogs->questions.size(), modified ? 1 : 0);
        if (modified)
            QCOMPARE(f.dialogs->questions[0],
                     Text(11) + QLatin1Char('|') + TheLanguageManager().Format(12, {QStringLiteral("close.qvp")}));
        QCOMPARE(f.frame->isVisible(), !closes);
        const std::unique_ptr<CQuorvexDoc> file = CreateDocument(MODEL_QVR_K115_ZQX);
        QCOMPARE(file->Load(path), 0);
        QCOMPARE(Image(file.get()) == original, !saved);
    }

    // Yes to the save-changes question with a save that does not happen: the program stays,
    // whatever was about to replace or close it.
    void failedSaveStopsThePendingAction_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<bool>("saveFails"); // else the Save As dialog is cancelled
        for (const int command : {int(ID_APP_EXIT), int(ID_FILE_NEW), int(ID_FILE_OPEN)}) {
            const QByteArray name = FindCommand(command)->key;
            QTest::newRow(name + ", save fails") << command << true;
            QTest::newRow(name + ", Save As cancelled") << command << false;
        }
    }
    void failedSaveStopsThePendingAction()
    {
        QFETCH(int, command);
        QFETCH(bool, saveFails);
        CFrame f;
        QVERIFY(f.Start(0));
        QTemporaryDir folder;
        if (saveFails) {
            // A program whose file's folder has gone.
            f.dialogs->savePaths = {folder.filePath(QStringLiteral("gone.qvp"))};
            f.Trigger(ID_FILE_SAVE_AS);
            QVERIFY(f.frame->HasFile());
            QVERIFY(folder.remove());
        }
        QVERIFY(f.Modify());
        QPointer<CRelayPane> pane = f.Pane();
        const QByteArray image = Image(f.Doc());
        f.dialogs->ClearLog();
        f.dialogs->answers = {CFrameDialogs::Yes};
        // The file went with its folder: Save asks, and the user saves it there again.
        f.dialogs->choiceAnswers = {0};
        f.dialogs->models = {1};
        f.dialogs->openPaths = {WriteProgram(m_files.filePath(QStringLiteral("other.qvp")), MODEL_QVS_K115_318)};
        f.Trigger(command);
        QCOMPARE(f.dialogs->questions.size(), 1);
        QCOMPARE(f.dialogs->choices.size(), saveFails ? 1 : 0);
        QCOMPARE(f.dialogs->errors.size(), saveFails ? 1 : 0);
        QCOMPARE(f.dialogs->saveRequests.size(), saveFails ? 0 : 1);
        QVERIFY(f.dialogs->modelQuestions.isEmpty());
        QVERIFY(f.dialogs->openFilters.isEmpty());
        QVERIFY(f.frame->isVisible());
        QCoreApplication::processEvents();
        QCOMPARE(f.Pane(), pane.data());
        QCOMPARE(Image(f.Doc()), image);
        QVERIFY(f.Doc()->IsModified());
    }

    void commandStatesFollowTheMode_data()
    {
        QTest::addColumn<QString>("mode");
        // The timing diagram shows any pane's program; the simulation speed can be chosen and the
        // relays searched for at any time.
        QTest::addColumn<QList<int>>("enabled");
        QTest::addColumn<bool>("checked"); // Simulation mode
        QTest::newRow("editing") << QStringLiteral("edit")
                                 << QList<int>{ID_FILE_NEW, ID_FILE_NEW_FROM_EXAMPLE, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS,
                                               ID_FILE_EXPORTDOC, ID_FILE_EXPORT_PICTURE, ID_FILE_PRINT,
                                               ID_FILE_PRINT_PREVIEW, ID_APP_EXIT, ID_TRANSMISSION_SENDSETTINGS,
                                               ID_TRANSMISSION_READSETTINGS, ID_TRANSMISSION_COMPARE,
                                               ID_TRANSMISSION_VERSION, ID_TRANSMISSION_STARTVIEW,
                                               ID_TRANSMISSION_SIMULATIONMODE, ID_APP_ABOUT, ID_HELP_USER_GUIDE,
                                               ID_TRANSMISSION_VERIFYAFTERSEND, ID_VIEW_TIMELINE, ID_VIEW_PROBLEMS, ID_DEVICE_SEARCH, ID_SIMULATION_SPEED_COMPRESSED, ID_SIMULATION_SPEED_REAL_TIME, ID_SIMULATION_SPEED_TIMES_10, ID_SIMULATION_SPEED_TIMES_60}
                                 << false;
        QTest::newRow("viewing the relay") << QStringLiteral("view")
                                           << QList<int>{ID_APP_EXIT, ID_TRANSMISSION_STOPVIEW, ID_APP_ABOUT, ID_HELP_USER_GUIDE,
                                                         ID_TRANSMISSION_VERIFYAFTERSEND, ID_VIEW_TIMELINE, ID_VIEW_PROBLEMS, ID_DEVICE_SEARCH, ID_SIMULATION_SPEED_COMPRESSED, ID_SIMULATION_SPEED_REAL_TIME, ID_SIMULATION_SPEED_TIMES_10, ID_SIMULATION_SPEED_TIMES_60}
                                           << false;
        QTest::newRow("simulation") << QStringLiteral("simulation")
                                    << QList<int>{ID_APP_EXIT, ID_TRANSMISSION_SIMULATIONMODE,
                                                  ID_TRANSMISSION_STARTSIMULATION, ID_TRANSMISSION_STEPPING,
                                                  ID_TRANSMISSION_SKIP, ID_TRANSMISSION_RESET, ID_APP_ABOUT, ID_HELP_USER_GUIDE,
                                                  ID_TRANSMISSION_VERIFYAFTERSEND, ID_VIEW_TIMELINE, ID_VIEW_PROBLEMS, ID_DEVICE_SEARCH, ID_SIMULATION_SPEED_COMPRESSED, ID_SIMULATION_SPEED_REAL_TIME, ID_SIMULATION_SPEED_TIMES_10, ID_SIMULATION_SPEED_TIMES_60}
                                    << true;
        QTest::newRow("simulation running") << QStringLiteral("running")
                                            << QList<int>{ID_APP_EXIT, ID_TRANSMISSION_SIMULATIONMODE,
                                                          ID_TRANSMISSION_STOPSIMULATION, ID_APP_ABOUT, ID_HELP_USER_GUIDE,
                                                          ID_TRANSMISSION_VERIFYAFTERSEND, ID_VIEW_TIMELINE, ID_VIEW_PROBLEMS, ID_DEVICE_SEARCH,
                                                          ID_SIMULATION_SPEED_COMPRESSED, ID_SIMULATION_SPEED_REAL_TIME, ID_SIMULATION_SPEED_TIMES_10, ID_SIMULATION_SPEED_TIMES_60}
                                            << true;
    }
    void commandStatesFollowTheMode()
    {
        QFETCH(QString, mode);
        QFETCH(QList<int>, enabled);
        QFETCH(bool, checked);
        CFrame f;
        QVERIFY(f.Start(1));
        if (mode == QLatin1String("view")) {
            f.Pane()->SetWorkMode(WORK_MODE_DEVICE_VIEW);
            Q_EMIT f.Pane()->updateCommands();
        } else if (mode != QLatin1String("edit")) {
            f.Trigger(ID_TRANSMISSION_SIMULATIONMODE);
            if (mode == QLatin1String("running"))
                f.Trigger(ID_TRANSMISSION_STARTSIMULATION);
        }
        for (const CommandInfo& command : Commands())
            QVERIFY2(f.frame->Action(command.id)->isEnabled() == enabled.contains(command.id), command.key);
        QCOMPARE(f.frame->Action(ID_TRANSMISSION_SIMULATIONMODE)->isChecked(), checked);
        // The language commands are always usable.
        QVERIFY(f.frame->Action(ID_VIEW_LANGUAGE[0])->isEnabled());
    }

    // Keys reach no disabled command, and a handler refuses when the state has changed under it.
    // F12 shows the timing diagram below the pane, the window growing by its height (or, on
    // a screen too low for both, floating below the window), and hides it again; the diagram
    // follows the pane's program.
    void timingDiagramBelowThePane()
    {
        CFrame f;
        QVERIFY(f.Start(0));
        QVERIFY(f.Activate());
        const int height = f.frame->height();
        QVERIFY(!f.frame->TimelineDock()->isVisible());
        QTest::keySequence(f.frame.get(), QKeySequence(QStringLiteral("F12")));
        QVERIFY(f.frame->TimelineDock()->isVisible());
        QVERIFY(f.frame->Action(ID_VIEW_TIMELINE)->isChecked());
        if (f.frame->TimelineDock()->isFloating()) {
            QCOMPARE(f.frame->height(), height);
            QVERIFY(f.frame->frameGeometry().height() + f.frame->TimelineDock()->height()
                    > f.frame->ScreenArea().height());
        } else {
            QVERIFY(f.frame->TimelineExtraHeight() > 0);
            QCOMPARE(f.frame->height(), height + f.frame->TimelineExtraHeight());
        }
        CTimelinePanel* panel = f.frame->TimelinePanel();
        QVERIFY(panel->WaitForComputation());
        QVERIFY(panel->Trace());
        QCOMPARE(panel->Trace()->GetChannelCount(), 1);
        // The default program: eight 1 s steps, then Stop at 8 s.
        QCOMPARE(panel->Trace()->LastChange(), RelayTime(8) * RELAY_TIME_PER_SECOND);

        // The live view's polled states go to the diagram as a recording of their own; the
        // recording ends with the live view.
        f.Pane()->SetWorkMode(WORK_MODE_DEVICE_VIEW);
        DeviceProtocol::ChannelState states[2];
        states[0].fieldIndex = 4;
        states[0].outputState = 1;
        f.Pane()->ShowRelayState(states);
        QVERIFY(panel->IsRecording());
        QCOMPARE(panel->Trace()->Source(), TraceSource::Recorded);
        QCOMPARE(panel->Trace()->RowState(0).steps[0], std::uint8_t(4));
        f.Pane()->SetWorkMode(WORK_MODE_EDIT);
        QVERIFY(!panel->IsRecording());

        QTest::keySequence(f.frame.get(), QKeySequence(QStringLiteral("F12")));
        QVERIFY(!f.frame->TimelineDock()->isVisible());
        QVERIFY(!f.frame->Action(ID_VIEW_TIMELINE)->isChecked());
        QCOMPARE(f.frame->height(), height);
    }

    // The window keeps within the screen's available area on small screens, in the languages
    // with the longest texts, for both models: the step dialogs and the common settings are
    // whole on the screen, and the program views keep a readable height (scrolling when there
    // is not room for both views). On a large screen the window opens wider than it must.
    void windowFitsTheScreen_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("lcid");
        const QRect screens[] = {QRect(0, 0, 1920, 1080), QRect(0, 0, 1366, 768), QRect(0, 0, 1280, 720)};
        for (const QRect& screen : screens)
            for (int model : {0, 1})
                for (std::uint32_t lcid : {Language::LCID_ENGLISH, Language::LCID_POLISH, Language::LCID_GERMAN})
                    QTest::addRow("%dx%d, %s, %u", screen.width(), screen.height(), model == 0 ? "QVR" : "QVS", lcid)
                        << screen << model << int(lcid);
        // The other shipped languages on the smallest screen with the larger model.
        for (std::uint32_t lcid : {Language::LCID_RUSSIAN, Language::LCID_SPANISH})
            QTest::addRow("1280x720, QVS, %u", lcid) << QRect(0, 0, 1280, 720) << 1 << int(lcid);
        // A screen whose available area does not start at its corner (a panel on the left).
        QTest::newRow("1366x768 beside a panel, QVS, Polish") << QRect(64, 0, 1302, 768) << 1 << int(Language::LCID_POLISH);
    }
    void windowFitsTheScreen()
    {
        QFETCH(QRect, screen);
        QFETCH(int, model);
        QFETCH(int, lcid);
        SaveLcid(std::uint32_t(lcid));
        CFrame f;
        QVERIFY(f.Start(model, screen));
        auto* pane = f.Pane();
        QTRY_VERIFY(pane->isVisible() && pane->height() > 0);
        QVERIFY2(screen.contains(f.frame->frameGeometry()),
                 qPrintable(QStringLiteral("window %1,%2 %3x%4").arg(f.frame->frameGeometry().x()).arg(f.frame->frameGeometry().y())
                                .arg(f.frame->frameGeometry().width()).arg(f.frame->frameGeometry().height())));
        // The dialogs under the views and the common settings beside them, whole; a row of
        // them wider than the window scrolls sideways instead.
        const QScrollArea* row = pane->findChild<QScrollArea*>(QStringLiteral("dialogRow"));
        QVERIFY(row);
        const int overflow = row->widget()->width() - row->viewport()->width();
        QCOMPARE(row->horizontalScrollBar()->maximum(), std::max(0, overflow));
        QTRY_COMPARE(row->horizontalScrollBar()->isVisible(), overflow > 0);
        for (QWidget* part : {static_cast<QWidget*>(pane->StepDialogs()), static_cast<QWidget*>(pane->CommonSettings())}) {
            // The settings may give up spare room, never what they need.
            QVERIFY2(part->width() >= part->minimumSizeHint().width(), part->metaObject()->className());
            QVERIFY(part->height() >= part->sizeHint().height());
            if (overflow > 0)
                continue;
            const QRect inWindow(part->mapTo(f.frame.get(), QPoint(0, 0)), part->size());
            QVERIFY2(f.frame->rect().contains(inWindow), part->metaObject()->className());
            QTRY_COMPARE(part->visibleRegion().boundingRect(), part->rect());
        }
        // Each view is readable, or the views scroll.
        const QScrollArea* views = pane->findChild<QScrollArea*>(QStringLiteral("programViews"));
        QVERIFY(views);
        for (int channel = 0; channel < pane->GetViewCount(); ++channel)
            QVERIFY(pane->View(channel)->viewport()->height() >= MinimumReadableViewHeight(pane->GetModelCode()));
        const int shown = views->viewport()->height();
        QCOMPARE(views->verticalScrollBar()->maximum() > 0, views->widget()->height() > shown);
        // Large screens give more of the chain than the narrowest window shows.
        if (screen.width() >= 1920)
            QVERIFY(f.frame->width() > f.frame->MinimumFrameWidth());

        // A language switch keeps the window on the screen too.
        f.frame->LanguageList()->setCurrentIndex(LanguageIndex(Language::LCID_POLISH));
        f.frame->LanguageList()->setCurrentIndex(LanguageIndex(Language::LCID_GERMAN));
        QTRY_VERIFY(screen.contains(f.frame->frameGeometry()));
    }

    // No two things that Alt reaches in the window share a letter, in any shipped language,
    // for both models and whichever step's dialogs are shown; and Alt with a letter that no
    // mnemonic takes never reaches the focused language list (Alt+E switched a Polish window
    // to English).
    void mnemonicsOfTheWindow_data()
    {
        QTest::addColumn<int>("lcid");
        QTest::addColumn<int>("model");
        TheLanguageManager().SetModuleFolder(SHIPPED_LANGUAGES);
        TheLanguageManager().ScanModules();
        for (const Language::LanguageEntry& entry : TheLanguageManager().Entries())
            for (int model : {0, 1})
                QTest::addRow("%s, %s", qPrintable(entry.name), model == 0 ? "QVR" : "QVS") << int(entry.lcid) << model;
    }
    void mnemonicsOfTheWindow()
    {
        QFETCH(int, lcid);
        QFETCH(int, model);
        SaveLcid(std::uint32_t(lcid));
        CFrame f;
        QVERIFY(f.Start(model));
        QVERIFY(f.Activate());
        auto* pane = f.Pane();
        QTRY_VERIFY(pane->isVisible());
        // The Start step, a state change, a condition and a time step: each shows its dialogs.
        for (int step : {0, 1, 2, 4}) {
            pane->SelectStep(step, 0);
            const QMultiHash<QChar, QString> found = WindowMnemonics(*f.frame);
            for (const QChar letter : found.uniqueKeys())
                QVERIFY2(found.count(letter) == 1, qPrintable(QStringLiteral("step %1: %2 share Alt+%3")
                                                                  .arg(step)
                                                                  .arg(QStringList(found.values(letter)).join(QStringLiteral(", ")))
                                                                  .arg(letter)));
        }

        const QByteArray image = Image(f.Doc());
        QComboBox* list = f.frame->LanguageList();
        // The letters the list would jump to: the languages' initials.
        QString letters;
        for (const Language::LanguageEntry& entry : TheLanguageManager().Entries())
            letters += entry.name.at(0).toLower();
        for (const QChar letter : letters) {
            list->setFocus();
            // A list takes letters typed in quick succession as one search: each stands alone.
            QTest::qWait(QApplication::keyboardInputInterval() + 20);
            QTest::sendKeyEvent(QTest::Click, list, Qt::Key(letter.toUpper().unicode()), QString(letter), Qt::AltModifier);
            // A menu that a mnemonic opened is closed again.
            while (QWidget* popup = QApplication::activePopupWidget())
                popup->close();
            std::uint32_t current = 0;
            QVERIFY(TheLanguageManager().GetCurrentLanguage(nullptr, &current, nullptr));
            QVERIFY2(current == std::uint32_t(lcid), qPrintable(QStringLiteral("Alt+%1").arg(letter)));
        }
        QCOMPARE(Image(f.Doc()), image);
    }

    void keysReachNoDisabledCommand()
    {
        CFrame f;
        QVERIFY(f.Start(0));
        QVERIFY(f.Activate());
        for (const char* key : {"F5", "F10", "F11", "Shift+F5", "Ctrl+Shift+F5", "F7"})
            QTest::keySequence(f.frame.get(), QKeySequence(QLatin1String(key)));
        QCOMPARE(f.Pane()->GetWorkMode(), int(WORK_MODE_EDIT));
        QVERIFY(!f.Pane()->IsSimulationRunning());

        f.Trigger(ID_TRANSMISSION_SIMULATIONMODE);
        QTest::keySequence(f.frame.get(), QKeySequence(QStringLiteral("F5")));
        QVERIFY(f.Pane()->IsSimulationRunning());
        f.dialogs->ClearLog();
        QTest::keySequence(f.frame.get(), QKeySequence(QStringLiteral("Ctrl+S")));
        QTest::keySequence(f.frame.get(), QKeySequence(QStringLiteral("Ctrl+N")));
        QVERIFY(f.dialogs->Quiet());
        QTest::keySequence(f.frame.get(), QKeySequence(QStringLiteral("Ctrl+Shift+F5")));
        QVERIFY(!f.Pane()->IsSimulationRunning());

        // The pane left simulation without telling the window: the actions are stale.
        f.Pane()->SetWorkMode(WORK_MODE_EDIT);
        QVERIFY(f.frame->Action(ID_TRANSMISSION_STARTSIMULATION)->isEnabled());
        f.frame->OnStartSimulation();
        QVERIFY(!f.Pane()->IsSimulationRunning());
        f.Pane()->SetWorkMode(WORK_MODE_DEVICE_VIEW);
        f.frame->OnFileSave();
        f.frame->OnFileNew();
        QVERIFY(f.dialogs->Quiet());
    }

    void helpTextsAreStatusAndToolTips()
    {
        CFrame f;
        QVERIFY(f.Start(0));
        int shown = 0;
        for (QAction* action : f.frame->ToolBar()->actions()) {
            const CommandInfo* command = FindCommand(action->data().toInt());
            if (!command)
                continue;
            const QString help = Text(command->helpTextId);
            QVERIFY(help.contains(QLatin1Char('\n')));
            QCOMPARE(action->statusTip(), help.section(QLatin1Char('\n'), 0, 0));
            QCOMPARE(action->toolTip(), help.section(QLatin1Char('\n'), 1, -1).left(MAX_TOOL_TIP));
            ++shown;
        }
        QCOMPARE(shown, 17);
    }

    // Each shipped language shows its own picture beside the list.
    void languageIconOfEveryShippedLanguage_data()
    {
        QTest::addColumn<int>("lcid");
        QTest::addColumn<int>("resource");
        QTest::newRow("English") << int(Language::LCID_ENGLISH) << 287;
        QTest::newRow("Polish") << int(Language::LCID_POLISH) << 288;
        QTest::newRow("Spanish") << int(Language::LCID_SPANISH) << 290;
        QTest::newRow("Russian") << int(Language::LCID_RUSSIAN) << 292;
        QTest::newRow("German") << int(Language::LCID_GERMAN) << 289;
    }
    void languageIconOfEveryShippedLanguage()
    {
        QFETCH(int, lcid);
        QFETCH(int, resource);
        CFrame f;
        QVERIFY(f.Start(0));
        const int index = LanguageIndex(std::uint32_t(lcid));
        QVERIFY(index >= 0);
        f.Trigger(ID_VIEW_LANGUAGE[index]);
        QCOMPARE(f.frame->LanguageList()->currentIndex(), index);
        QCOMPARE(f.frame->LanguageIcon()->ShownResource(), resource);
        // A picture of the program's resources, drawn at the icon's size.
        QVERIFY(!QIcon(ResourcePath(resource)).pixmap(24, 24).isNull());
    }

    void languageSwitchChangesEveryTextAndIsKept()
    {
        {
            CFrame f;
            QVERIFY(f.Start(0));
            const int english = LanguageIndex(Language::LCID_ENGLISH);
            const int polish = LanguageIndex(Language::LCID_POLISH);
            QVERIFY(english >= 0 && polish >= 0);
            const QStringList englishTexts = VisibleTexts(*f.frame);
            QCOMPARE(englishTexts, ExpectedTexts());
            QCOMPARE(f.frame->LanguageIcon()->ShownResource(), 287);
            QVERIFY(f.frame->Action(ID_VIEW_LANGUAGE[english])->isChecked());

            // From the View menu.
            f.Trigger(ID_VIEW_LANGUAGE[polish]);
            const QStringList polishTexts = VisibleTexts(*f.frame);
            QCOMPARE(polishTexts, ExpectedTexts());
            QCOMPARE(f.frame->Title(), QStringLiteral("Quorvex - bez nazwy"));
            QVERIFY(polishTexts != englishTexts);
            QCOMPARE(f.frame->LanguageIcon()->ShownResource(), 288);
            QCOMPARE(f.frame->LanguageList()->currentIndex(), polish);
            QVERIFY(f.frame->Action(ID_VIEW_LANGUAGE[polish])->isChecked());
            QVERIFY(!f.frame->Action(ID_VIEW_LANGUAGE[english])->isChecked());

            // From the tool bar list, with the keyboard.
            QVERIFY(f.Activate());
            f.frame->LanguageList()->setFocus();
            for (int step = 0; step < qAbs(polish - english); ++step)
                QTest::keyClick(f.frame->LanguageList(), english < polish ? Qt::Key_Up : Qt::Key_Down);
            QCOMPARE(f.frame->LanguageList()->currentIndex(), english);
            QCOMPARE(VisibleTexts(*f.frame), englishTexts);
            QVERIFY(f.frame->Action(ID_VIEW_LANGUAGE[english])->isChecked());
            QCOMPARE(f.frame->LanguageIcon()->ShownResource(), 287);

            f.frame->LanguageList()->setCurrentIndex(polish);
            QCOMPARE(VisibleTexts(*f.frame), polishTexts);
        }
        // The choice is kept for the next start, as a 32-bit number.
        QSettings settings = ProgramSettings();
        QCOMPARE(settings.value(QStringLiteral("LCID")).toUInt(), Language::LCID_POLISH);
        CFrame restarted;
        QVERIFY(restarted.Start(0));
        std::uint32_t lcid = 0;
        QVERIFY(TheLanguageManager().GetCurrentLanguage(nullptr, &lcid, nullptr));
        QCOMPARE(lcid, Language::LCID_POLISH);
        QCOMPARE(VisibleTexts(*restarted.frame), ExpectedTexts());
        QCOMPARE(restarted.frame->menuBar()->actions().at(0)->text(), Text(45));
    }

    void noLanguageModuleIsFatal()
    {
        QTemporaryDir empty;
        TheLanguageManager().SetModuleFolder(empty.path());
        auto scripted = std::make_unique<CScriptedDialogs>();
        CScriptedDialogs* dialogs = scripted.get();
        CMainFrame frame(std::move(scripted));
        QVERIFY(!frame.Create());
        QCOMPARE(dialogs->fatalShown, 1);
        QCoreApplication::processEvents();
        QVERIFY(dialogs->modelQuestions.isEmpty());
    }

private:
    QTemporaryDir m_config;
    QTemporaryDir m_files;
};

QTEST_MAIN(TestMainFrame)
#include "tst_main_frame.moc"
