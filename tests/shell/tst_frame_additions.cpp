// The main window's editor additions driven as a user drives them, with the shipped English
// module and scripted dialogs: Undo and Redo with their keys, texts and the modified mark,
// programs opened from the command line, by a drop and from the recent files, printing,
// the print preview and exported pictures.

#include "CommandIds.h"
#include "DialogIds.h"
#include "LanguageManager.h"
#include "MainFrame.h"
#include "ProgramPictures.h"
#include "QuorvexDoc.h"
#include "RelayPane.h"
#include "ResultCodes.h"
#include "ProgramSettings.h"
#include "ScriptedDialogs.h"
#include "WindowHarness.h"
#include "StepDialogBase.h"
#include "StepDialogs.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>
#include <QUrl>

using namespace CommandIds;
using namespace DialogIds;
using Language::TheLanguageManager;

namespace {

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

// The "/Type /Page" objects of a PDF file (its pages).
int PdfPageCount(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray bytes = file.readAll();
    if (!bytes.startsWith("%PDF"))
        return -1;
    return int(bytes.count("/Type /Page\n") + bytes.count("/Type /Page ") + bytes.count("/Type /Page/")
               + bytes.count("/Type /Page>"));
}

// A main window created with scripted dialogs.
struct CFrame : CWindowHarness {
    // model: the answer to the start-up question (-1: none asked for). startupFile: the
    // program named on the command line.
    bool Start(int model, const QString& startupFile = QString())
    {
        Setup setup;
        setup.startupFile = startupFile;
        if (!Create(model, setup))
            return false;
        return QTest::qWaitFor([this] { return frame->ActivePane() || !dialogs->modelQuestions.isEmpty(); }, 2000);
    }
};

// A drag of URLs onto the window and its drop; true when the window took the drag.
bool DropOnto(QWidget* window, const QList<QUrl>& urls)
{
    QMimeData data;
    data.setUrls(urls);
    const QPoint where = window->rect().center();
    QDragEnterEvent enter(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
    return drop.isAccepted();
}

} // namespace

class TestFrameAdditions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_config.isValid() && m_files.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        // Recovery copies of the windows' programs go there too, never into the real home.
        qputenv("XDG_STATE_HOME", m_config.path().toUtf8());
    }
    void init()
    {
        QSettings settings = ProgramSettings();
        settings.clear();
        settings.setValue(QStringLiteral("LCID"), Language::LCID_ENGLISH);
        settings.sync();
    }

    // Undo and Redo by their keys and menu items: they name the change, undoing to the saved
    // program clears the asterisk, redoing sets it again, and the program bytes follow.
    void undoAndRedoByKeys_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<QKeySequence>("redoKey");
        QTest::newRow("one channel, Ctrl+Shift+Z") << 0 << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
        QTest::newRow("two channels, Ctrl+Y") << 1 << QKeySequence(Qt::CTRL | Qt::Key_Y);
    }
    void undoAndRedoByKeys()
    {
        QFETCH(int, model);
        QFETCH(QKeySequence, redoKey);
        CFrame f;
        QVERIFY(f.Start(model));
        QVERIFY(f.Activate());
        QVERIFY(!f.Action(ID_EDIT_UNDO)->isEnabled());
        QCOMPARE(f.Action(ID_EDIT_UNDO)->text(), QStringLiteral("&Undo"));

        QVERIFY(f.EditTimeUnit(2));
        const QString change = model == 0 ? QStringLiteral("time of step 4") : QStringLiteral("time of step 4 in channel 1");
        QCOMPARE(f.Action(ID_EDIT_UNDO)->text(), QStringLiteral("&Undo ") + change);
        QCOMPARE(f.Action(ID_EDIT_UNDO)->toolTip(), QStringLiteral("Undo ") + change);
        QVERIFY(f.Modified());
        const QString path = m_files.filePath(QStringLiteral("keys%1.qvp").arg(model));
        f.dialogs->savePaths = {path};
        f.Action(ID_FILE_SAVE)->trigger();
        QVERIFY(!f.Modified());
        const QByteArray saved = Image(f.Doc());

        QVERIFY(f.EditTimeUnit(5));
        const QByteArray edited = Image(f.Doc());
        QVERIFY(f.Modified());
        QTest::keySequence(f.frame.get(), QKeySequence(Qt::CTRL | Qt::Key_Z));
        QCOMPARE(Image(f.Doc()), saved);
        QVERIFY(!f.Modified());
        QVERIFY(!f.Doc()->IsModified());
        QCOMPARE(f.Action(ID_EDIT_REDO)->text(), QStringLiteral("&Redo ") + change);

        QTest::keySequence(f.frame.get(), redoKey);
        QCOMPARE(Image(f.Doc()), edited);
        QVERIFY(f.Modified());
        QVERIFY(!f.Action(ID_EDIT_REDO)->isEnabled());
        QCOMPARE(f.Action(ID_EDIT_REDO)->text(), QStringLiteral("&Redo"));

        // Undone past the saved program: modified again.
        f.Action(ID_EDIT_UNDO)->trigger();
        f.Action(ID_EDIT_UNDO)->trigger();
        QVERIFY(f.Modified());
        QVERIFY(!f.Action(ID_EDIT_UNDO)->isEnabled());
        // Saved and closed: nothing to ask.
        f.Action(ID_FILE_SAVE)->trigger();
        QVERIFY(!f.Modified());
        f.dialogs->ClearLog();
        QVERIFY(f.frame->close());
        QVERIFY(f.dialogs->questions.isEmpty());
    }

    // Undo is for editing: in a simulation the program stays as it runs, keys included.
    void undoOnlyWhileEditing()
    {
        CFrame f;
        QVERIFY(f.Start(0));
        QVERIFY(f.Activate());
        QVERIFY(f.EditTimeUnit(3));
        const QByteArray edited = Image(f.Doc());
        f.Action(ID_TRANSMISSION_SIMULATIONMODE)->trigger();
        QCOMPARE(f.Pane()->GetWorkMode(), 2);
        QVERIFY(!f.Action(ID_EDIT_UNDO)->isEnabled());
        QTest::keySequence(f.frame.get(), QKeySequence(Qt::CTRL | Qt::Key_Z));
        f.frame->OnEditUndo();
        QCOMPARE(Image(f.Doc()), edited);
        f.Action(ID_TRANSMISSION_SIMULATIONMODE)->trigger();
        QVERIFY(f.Action(ID_EDIT_UNDO)->isEnabled());
        QTest::keySequence(f.frame.get(), QKeySequence(Qt::CTRL | Qt::Key_Z));
        QVERIFY(Image(f.Doc()) != edited);
    }

    // New and Open start a fresh history.
    void newAndOpenStartAFreshHistory()
    {
        CFrame f;
        QVERIFY(f.Start(0));
        QVERIFY(f.EditTimeUnit(3));
        QVERIFY(f.Action(ID_EDIT_UNDO)->isEnabled());
        f.dialogs->answers = {CFrameDialogs::No};
        f.dialogs->models = {0};
        f.Action(ID_FILE_NEW)->trigger();
        QVERIFY(!f.Action(ID_EDIT_UNDO)->isEnabled());
        QCOMPARE(f.Pane()->UndoStack()->count(), 0);

        QVERIFY(f.EditTimeUnit(4));
        const QString path = WriteProgram(m_files.filePath(QStringLiteral("fresh.qvp")), MODEL_QVR_K115_ZQX);
        f.dialogs->answers = {CFrameDialogs::No};
        f.dialogs->openPaths = {path};
        f.Action(ID_FILE_OPEN)->trigger();
        QCOMPARE(f.frame->CurrentPath(), path);
        QCOMPARE(f.Pane()->UndoStack()->count(), 0);
        QVERIFY(!f.Action(ID_EDIT_UNDO)->isEnabled());
        QVERIFY(!f.Action(ID_EDIT_REDO)->isEnabled());
    }

    // "quorvex FILE": the program opens without the model question, in the pane of its model;
    // a file that cannot be opened is reported by name, and then the model is asked for.
    void startupFile_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<bool>("exists");
        QTest::newRow("one channel") << int(MODEL_QVR_K115_ZQX) << true;
        QTest::newRow("two channels") << int(MODEL_QVS_K115_318) << true;
        QTest::newRow("missing") << int(MODEL_QVR_K115_ZQX) << false;
    }
    void startupFile()
    {
        QFETCH(int, model);
        QFETCH(bool, exists);
        QString path = m_files.filePath(QStringLiteral("start%1.qvp").arg(model));
        if (exists)
            QVERIFY(!WriteProgram(path, ModelCode(model), 1).isEmpty());
        else
            QFile::remove(path);
        CFrame f;
        QVERIFY(f.Start(exists ? -1 : 0, path));
        if (exists) {
            QVERIFY(f.dialogs->modelQuestions.isEmpty());
            QVERIFY(f.dialogs->errors.isEmpty());
            QCOMPARE(f.Doc()->GetModelCode(), ModelCode(model));
            QCOMPARE(f.frame->CurrentPath(), path);
            QVERIFY(f.frame->Title().endsWith(path));
            QCOMPARE(f.frame->RecentFiles(), QStringList{path});
        } else {
            QCOMPARE(f.dialogs->errors.size(), 1);
            QVERIFY2(f.dialogs->errors.first().contains(QDir::toNativeSeparators(path)), qPrintable(f.dialogs->errors.first()));
            QVERIFY(f.dialogs->errors.first().contains(TheLanguageManager().Text(RESULT_CANNOT_READ)));
            QCOMPARE(f.dialogs->modelQuestions.size(), 1);
            QVERIFY(f.Pane());
            QVERIFY(!f.frame->HasFile());
        }
    }

    // A program file dropped on the window opens, after the question about unsaved changes;
    // what is no local file is not taken.
    void droppedFileOpens()
    {
        const QString path = WriteProgram(m_files.filePath(QStringLiteral("dropped.qvp")), MODEL_QVS_K115_318, 2);
        CFrame f;
        QVERIFY(f.Start(0));
        QVERIFY(!DropOnto(f.frame.get(), {QUrl(QStringLiteral("https://example.invalid/x.qvp"))}));
        QVERIFY(!DropOnto(f.frame.get(), {QUrl::fromLocalFile(m_files.path())})); // a folder
        QVERIFY(f.EditTimeUnit(3));
        f.dialogs->answers = {CFrameDialogs::No};
        QVERIFY(DropOnto(f.frame.get(), {QUrl::fromLocalFile(path)}));
        QTRY_COMPARE(f.frame->CurrentPath(), path);
        QCOMPARE(f.dialogs->questions.size(), 1);
        QCOMPARE(f.Doc()->GetModelCode(), MODEL_QVS_K115_318);
        QVERIFY(!f.Modified());

        // Cancelled at the question: nothing changes.
        QVERIFY(f.EditTimeUnit(2));
        const QByteArray edited = Image(f.Doc());
        f.dialogs->answers = {CFrameDialogs::Cancel};
        const QString other = WriteProgram(m_files.filePath(QStringLiteral("other.qvp")), MODEL_QVR_K115_ZQX);
        QVERIFY(DropOnto(f.frame.get(), {QUrl::fromLocalFile(other)}));
        QTest::qWait(50);
        QCOMPARE(f.frame->CurrentPath(), path);
        QCOMPARE(Image(f.Doc()), edited);
    }

    // The File menu lists the programs opened and saved last, newest first, at most eight;
    // one that has gone is reported and leaves the list.
    void recentFiles()
    {
        CFrame f;
        QVERIFY(f.Start(0));
        QStringList paths;
        for (int i = 0; i < 9; ++i) {
            paths.prepend(WriteProgram(m_files.filePath(QStringLiteral("recent%1.qvp").arg(i)),
                                       i % 2 ? MODEL_QVS_K115_318 : MODEL_QVR_K115_ZQX, i));
            f.dialogs->openPaths = {paths.first()};
            f.Action(ID_FILE_OPEN)->trigger();
            QCOMPARE(f.frame->CurrentPath(), paths.first());
        }
        QCOMPARE(f.frame->RecentFiles(), paths.mid(0, 8));
        for (int i = 0; i < 8; ++i) {
            QAction* item = f.Action(ID_FILE_MRU_FILE1 + i);
            QVERIFY(item->isVisible());
            QVERIFY(item->text().startsWith(QStringLiteral("&%1 ").arg(i + 1)));
            QCOMPARE(item->statusTip(), QDir::toNativeSeparators(paths.at(i)));
        }

        // Opening the fourth puts it first.
        f.Action(ID_FILE_MRU_FILE1 + 3)->trigger();
        QCOMPARE(f.frame->CurrentPath(), paths.at(3));
        QCOMPARE(f.frame->RecentFiles().first(), paths.at(3));

        // A program saved under a new name joins the list.
        const QString savedAs = m_files.filePath(QStringLiteral("saved as.qvp"));
        f.dialogs->savePaths = {savedAs};
        f.Action(ID_FILE_SAVE_AS)->trigger();
        QCOMPARE(f.frame->RecentFiles().first(), savedAs);

        // A program that has gone: reported, taken off the list and the menu; the open
        // program stays.
        const QString gone = f.frame->RecentFiles().at(2);
        QVERIFY(QFile::remove(gone));
        f.dialogs->ClearLog();
        f.Action(ID_FILE_MRU_FILE1 + 2)->trigger();
        QCOMPARE(f.dialogs->errors.size(), 1);
        QVERIFY(f.dialogs->errors.first().contains(QDir::toNativeSeparators(gone)));
        QVERIFY(f.dialogs->questions.isEmpty());
        QVERIFY(!f.frame->RecentFiles().contains(gone));
        QCOMPARE(f.frame->RecentFiles().size(), 7);
        QVERIFY(!f.Action(ID_FILE_MRU_FILE8)->isVisible());
        QCOMPARE(f.frame->CurrentPath(), savedAs);
        // ... and in the next window too.
        CFrame next;
        QVERIFY(next.Start(0));
        QCOMPARE(next.frame->RecentFiles(), f.frame->RecentFiles());
    }

    // Print and Print preview produce the print-out's pages; a cancelled print dialog prints
    // nothing.
    void printAndPreview()
    {
        CFrame f;
        QVERIFY(f.Start(1));
        const QString printed = m_files.filePath(QStringLiteral("printed.pdf"));
        const QString previewed = m_files.filePath(QStringLiteral("previewed.pdf"));
        f.dialogs->printerAccepted = false;
        f.dialogs->printToFile = printed;
        f.Action(ID_FILE_PRINT)->trigger();
        QCOMPARE(f.dialogs->printerSetUps, 1);
        QVERIFY(!QFile::exists(printed));

        f.dialogs->printerAccepted = true;
        f.Action(ID_FILE_PRINT)->trigger();
        QVERIFY(f.dialogs->errors.isEmpty());
        const int pages = PdfPageCount(printed);
        QVERIFY2(pages >= 2, qPrintable(QString::number(pages)));

        f.dialogs->printToFile = previewed;
        f.Action(ID_FILE_PRINT_PREVIEW)->trigger();
        QCOMPARE(f.dialogs->previewsShown, 1);
        QCOMPARE(PdfPageCount(previewed), pages);
        QVERIFY(!f.Modified());
    }

    // Export picture writes the chains as the views show them, in the format of the name;
    // another suffix is refused with a message.
    void exportPicture()
    {
        CFrame f;
        QVERIFY(f.Start(1));
        const QString svg = m_files.filePath(QStringLiteral("chain.svg"));
        const QString png = m_files.filePath(QStringLiteral("chain.png"));
        const QString pdf = m_files.filePath(QStringLiteral("chain.pdf"));
        const QString jpeg = m_files.filePath(QStringLiteral("chain.jpg"));
        f.dialogs->picturePaths = {svg, png, pdf, jpeg};
        for (int i = 0; i < 4; ++i)
            f.Action(ID_FILE_EXPORT_PICTURE)->trigger();
        QCOMPARE(f.dialogs->pictureRequests.first().suffix, QStringLiteral("pdf svg png"));
        QCOMPARE(f.dialogs->pictureRequests.first().initialPath, QStringLiteral("program.pdf"));

        const int boxHeight = f.Pane()->GetBoxHeight();
        const QSize size = ChainPictureSize(f.Pane()->Drawer(), 2, boxHeight);
        QSvgRenderer renderer(svg);
        QVERIFY(renderer.isValid());
        QCOMPARE(renderer.defaultSize(), size);
        QCOMPARE(QImage(png).size(), size);
        QCOMPARE(PdfPageCount(pdf), 1);
        QVERIFY(!QFile::exists(jpeg));
        QCOMPARE(f.dialogs->errors.size(), 1);
        QVERIFY(f.dialogs->errors.first().contains(QStringLiteral("chain.jpg")));
    }

    // The simulation's speed: the design's compressed time steps at first, another chosen in the
    // Relay menu's submenu (one checked at a time), kept for the pane of the other model; the
    // status bar says how the time runs while the simulation mode is on.
    void simulationSpeed()
    {
        CFrame f;
        QVERIFY(f.Start(0));
        QMenu* speeds = f.frame->SimulationSpeedMenu();
        QVERIFY(speeds);
        QCOMPARE(speeds->title(), QStringLiteral("Simulation spee&d"));
        auto* relayMenu = qobject_cast<QMenu*>(speeds->parent());
        QVERIFY(relayMenu);
        const QList<QAction*> items = relayMenu->actions();
        const qsizetype at = items.indexOf(speeds->menuAction());
        QVERIFY(at > 0);
        QCOMPARE(items.at(at - 1), f.Action(ID_TRANSMISSION_RESET));
        QCOMPARE(speeds->actions().size(), 4);
        QVERIFY(f.Action(ID_SIMULATION_SPEED_COMPRESSED)->isChecked());
        QCOMPARE(f.Pane()->GetSimulationSpeed(), 0);

        QLabel* status = f.frame->SimulationStatus();
        QVERIFY(status->isHidden());
        f.Action(ID_TRANSMISSION_SIMULATIONMODE)->trigger();
        QVERIFY(!status->isHidden());
        QCOMPARE(status->text(), QStringLiteral("Simulation: time steps compressed to 20 ticks · relay time 0.00 s"));
        // Start, state change, condition, state change take a tick each, then half of the 1 s
        // time step in ten more.
        for (int tick = 0; tick < 14; ++tick)
            f.Action(ID_TRANSMISSION_STEPPING)->trigger();
        QCOMPARE(status->text(), QStringLiteral("Simulation: time steps compressed to 20 ticks · relay time 0.50 s"));

        f.Action(ID_SIMULATION_SPEED_TIMES_10)->trigger();
        QVERIFY(f.Action(ID_SIMULATION_SPEED_TIMES_10)->isChecked());
        QVERIFY(!f.Action(ID_SIMULATION_SPEED_COMPRESSED)->isChecked());
        QCOMPARE(f.Pane()->GetSimulationSpeed(), 10);
        // Another engine: from power-on again.
        QCOMPARE(status->text(), QStringLiteral("Simulation at 10 × real time · relay time 0.00 s"));
        f.Action(ID_TRANSMISSION_SKIP)->trigger(); // to the end of the first 1 s time step
        QCOMPARE(status->text(), QStringLiteral("Simulation at 10 × real time · relay time 1.00 s"));
        f.Action(ID_SIMULATION_SPEED_REAL_TIME)->trigger();
        QCOMPARE(status->text(), QStringLiteral("Simulation in real time · relay time 1.00 s"));

        f.Action(ID_TRANSMISSION_SIMULATIONMODE)->trigger();
        QVERIFY(status->isHidden());
        f.dialogs->models = {1};
        f.Action(ID_FILE_NEW)->trigger();
        QCOMPARE(f.Doc()->GetChannelCount(), 2);
        QCOMPARE(f.Pane()->GetSimulationSpeed(), 1);
        QVERIFY(f.Action(ID_SIMULATION_SPEED_REAL_TIME)->isChecked());
    }

private:
    QTemporaryDir m_config;
    QTemporaryDir m_files;
};

QTEST_MAIN(TestFrameAdditions)
#include "tst_frame_additions.moc"
