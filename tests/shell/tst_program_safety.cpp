// The main window keeps an unsaved program safe: a recovery copy follows every change, undo and
// redo, goes when the program is saved or its changes are discarded, survives a kill and is
// offered at the next start; Save asks before writing over a file changed or removed behind
// the window; the window announces a file changed on disk when it gets the focus, and a reload
// is one undoable change.

#include "SafetyFrame.h"

#include "CommandIds.h"
#include "ProcessIdentity.h"
#include "ProgramSettings.h"
#include "RecoveryStore.h"
#include "ResultCodes.h"

#include <QAction>
#include <QFile>
#include <QProcess>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QUndoStack>

using namespace CommandIds;
using Language::TheLanguageManager;

namespace {

QString Text(int id)
{
    return TheLanguageManager().Text(id);
}

// A program file of a model; `variant` changes one byte so that files can be told apart.
QString WriteProgram(const QString& path, ModelCode model, int variant = 0)
{
    const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(model);
    doc->ResetProgram(0);
    doc->GetData()[3] = std::uint8_t(doc->GetData()[3] ^ variant);
    return doc->Save(path) == RESULT_OK ? path : QString();
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray FileImage(const QString& path)
{
    ModelCode model = 0;
    if (IdentifyProgramFile(path, &model) != RESULT_OK)
        return QByteArray();
    const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(model);
    if (!doc || doc->Load(path) != RESULT_OK)
        return QByteArray();
    return QByteArray(reinterpret_cast<const char*>(doc->GetData()), doc->GetDataSize());
}

// A copy that an ended process of this machine left: program `variant` of the model, written at
// `written`, belonging to `path`.
QString LeaveCopy(const QString& folder, ModelCode model, int variant, const QString& path, const QDateTime& written,
                  int window)
{
    const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(model);
    doc->ResetProgram(0);
    doc->GetData()[3] = std::uint8_t(doc->GetData()[3] ^ variant);
    QByteArray bytes;
    doc->FileBytes(&bytes);
    ProcessIdentity ended = CurrentProcessIdentity();
    ended.start += QLatin1Char('7');
    const QString name = RecoveryFileName(ended, window);
    QDir().mkpath(folder);
    QFile file(folder + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(EncodeRecoveryCopy(path, bytes, written)) <= 0)
        return QString();
    return name;
}

} // namespace

class TestProgramSafety : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        ProgramSettings().setValue(QStringLiteral("LCID"), Language::LCID_ENGLISH);
    }
    // Each test has a recovery folder and a folder of program files of its own.
    void init()
    {
        m_state = std::make_unique<QTemporaryDir>();
        m_files = std::make_unique<QTemporaryDir>();
        QVERIFY(m_state->isValid() && m_files->isValid());
        qputenv("XDG_STATE_HOME", m_state->path().toUtf8());
        m_folder = m_state->filePath(QStringLiteral("quorvex/recovery"));
        QCOMPARE(DefaultRecoveryFolder(), m_folder);
    }

    // The window's process killed after an edit leaves a copy that holds the edit; the next
    // start offers it, restores it as a modified program of the same file, and a save leaves
    // no copy.
    void killedWindowIsOfferedAtNextStart_data()
    {
        QTest::addColumn<bool>("withFile");
        QTest::newRow("opened file") << true;
        QTest::newRow("untitled") << false;
    }
    void killedWindowIsOfferedAtNextStart()
    {
        QFETCH(bool, withFile);
        const QString program = withFile ? WriteProgram(m_files->filePath(QStringLiteral("door.qvp")), MODEL_QVR_K115_ZQX)
                                         : QString();
        const QByteArray fileBefore = withFile ? ReadFile(program) : QByteArray();
        QProcess window;
        window.setProgram(QStringLiteral(QUORVEX_BIN_DIR "/frame_crash_helper"));
        window.setArguments(withFile ? QStringList{program} : QStringList{});
        window.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        window.start();
        QVERIFY(window.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(window.canReadLine() || window.state() == QProcess::NotRunning, 20000);
        const QByteArray line = window.readLine().trimmed();
        QVERIFY2(line.startsWith("edited "), line.constData());
        const QByteArray edited = QByteArray::fromHex(line.mid(7));

        // While the window runs, its copy is there and not offered.
        QCOMPARE(RecoveryFiles(m_folder).size(), 1);
        QVERIFY(CRecoveryStore(m_folder).List().copies.empty());
        window.kill();
        QVERIFY(window.waitForFinished());
        QCOMPARE(window.exitStatus(), QProcess::CrashExit);

        const RecoveryListing listing = CRecoveryStore(m_folder).List();
        QCOMPARE(listing.copies.size(), std::size_t(1));
        QVERIFY(listing.skipped.empty());
        QCOMPARE(listing.copies.front().programPath, program);
        std::unique_ptr<CQuorvexDoc> copy;
        QCOMPARE(CRecoveryStore(m_folder).Load(listing.copies.front(), &copy), int(RESULT_OK));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(copy->GetData()), copy->GetDataSize()), edited);
        if (withFile)
            QCOMPARE(ReadFile(program), fileBefore); // the copy never goes over the user's file

        CSafetyFrame f;
        QVERIFY(f.Start(0, {0}));
        QCOMPARE(f.dialogs->choices.size(), 1);
        const QString shownName = withFile ? QStringLiteral("door.qvp") : Text(Language::TEXT_UNTITLED);
        QVERIFY2(f.dialogs->choices.first().contains(QLatin1Char('"') + shownName + QLatin1Char('"')),
                 qPrintable(f.dialogs->choices.first()));
        QCOMPARE(f.dialogs->choiceButtons.first(),
                 QStringList({Text(Language::TEXT_RECOVERY_RESTORE), Text(Language::TEXT_RECOVERY_DISCARD)}));
        QVERIFY(f.dialogs->modelQuestions.isEmpty()); // the restored program takes its place
        QVERIFY(f.Pane());
        QCOMPARE(f.Image(), edited);
        QVERIFY(f.Doc()->IsModified());
        QVERIFY(f.frame->Title().endsWith(QLatin1Char('*')));
        QCOMPARE(f.frame->HasFile(), withFile);
        if (withFile)
            QCOMPARE(f.frame->CurrentPath(), program);
        // The restored copy is this window's now: another start does not offer it.
        QCOMPARE(RecoveryFiles(m_folder), QStringList{f.Safety()->Writer().FileName()});
        QVERIFY(CRecoveryStore(m_folder).List().copies.empty());

        const QString target = withFile ? program : m_files->filePath(QStringLiteral("saved.qvp"));
        f.dialogs->savePaths = {target};
        f.frame->Action(ID_FILE_SAVE)->trigger();
        QVERIFY(!f.Doc()->IsModified());
        QCOMPARE(FileImage(target), edited);
        QVERIFY(RecoveryFiles(m_folder).isEmpty());
        f.Settle();
        QVERIFY(RecoveryFiles(m_folder).isEmpty());
    }

    // The copy follows the program through edits, undo and redo, and holds its file's path.
    void copyFollowsEditsUndoAndRedo()
    {
        const QString program = WriteProgram(m_files->filePath(QStringLiteral("pump.qvp")), MODEL_QVS_K115_318);
        CSafetyFrame f;
        QVERIFY(f.Start(1, {}, program));
        f.Settle();
        QVERIFY(RecoveryFiles(m_folder).isEmpty()); // an opened program is saved work
        const QString copyPath = f.Safety()->Writer().FilePath();
        auto copied = [&copyPath] {
            RecoveryCopy copy;
            QByteArray bytes;
            if (!DecodeRecoveryCopy(ReadFile(copyPath), &copy, &bytes, nullptr) || copy.programPath.isEmpty())
                return QByteArray();
            const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(copy.model);
            doc->LoadBytes(bytes);
            return QByteArray(reinterpret_cast<const char*>(doc->GetData()), doc->GetDataSize());
        };

        QVERIFY(f.EditTimeUnit(2));
        f.Settle();
        const QByteArray first = f.Image();
        QCOMPARE(copied(), first);
        QVERIFY(f.EditTimeUnit(3));
        f.Settle();
        QCOMPARE(copied(), f.Image());
        f.frame->Action(ID_EDIT_UNDO)->trigger();
        f.Settle();
        QCOMPARE(copied(), first);
        f.frame->Action(ID_EDIT_UNDO)->trigger(); // back to the program as opened
        f.Settle();
        QVERIFY(!f.Doc()->IsModified());
        QVERIFY(!QFileInfo::exists(copyPath));
        f.frame->Action(ID_EDIT_REDO)->trigger();
        f.Settle();
        QCOMPARE(copied(), first);
        RecoveryCopy copy;
        QVERIFY(DecodeRecoveryCopy(ReadFile(copyPath), &copy, nullptr, nullptr));
        QCOMPARE(copy.programPath, program);
    }

    // Saving, and discarding the changes when the program is replaced or the window closes,
    // leave no copy; a question cancelled keeps it, as it keeps the program.
    void savedOrDiscardedProgramLeavesNoCopy_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("kept");
        QTest::newRow("save") << int(ID_FILE_SAVE) << int(CFrameDialogs::Yes) << false;
        QTest::newRow("close, save") << int(ID_APP_EXIT) << int(CFrameDialogs::Yes) << false;
        QTest::newRow("close, don't save") << int(ID_APP_EXIT) << int(CFrameDialogs::No) << false;
        QTest::newRow("close, cancel") << int(ID_APP_EXIT) << int(CFrameDialogs::Cancel) << true;
        QTest::newRow("new, don't save") << int(ID_FILE_NEW) << int(CFrameDialogs::No) << false;
        QTest::newRow("open, don't save") << int(ID_FILE_OPEN) << int(CFrameDialogs::No) << false;
        QTest::newRow("open, don't save, no file chosen") << int(ID_FILE_OPEN) << int(CFrameDialogs::No) << true;
    }
    void savedOrDiscardedProgramLeavesNoCopy()
    {
        QFETCH(int, command);
        QFETCH(int, answer);
        QFETCH(bool, kept);
        const QString other = WriteProgram(m_files->filePath(QStringLiteral("other.qvp")), MODEL_QVR_K115_ZQX, 9);
        CSafetyFrame f;
        QVERIFY(f.Start(0));
        QVERIFY(f.EditTimeUnit(2));
        f.Settle();
        QCOMPARE(RecoveryFiles(m_folder).size(), 1);
        f.dialogs->answers = {CFrameDialogs::Answer(answer)};
        f.dialogs->savePaths = {m_files->filePath(QStringLiteral("saved.qvp"))};
        f.dialogs->models = {0};
        if (command == ID_FILE_OPEN && !kept)
            f.dialogs->openPaths = {other};
        f.frame->Action(command)->trigger();
        f.Settle();
        QCOMPARE(RecoveryFiles(m_folder).size(), kept ? 1 : 0);
        if (kept) {
            QVERIFY(f.Doc()->IsModified());
            // Nothing was given up: a later edit still reaches the copy.
            QVERIFY(f.EditTimeUnit(3));
            f.Settle();
            QCOMPARE(RecoveryFiles(m_folder).size(), 1);
        }
    }

    // Start-up offers the copies of ended processes newest first, never one of a process that
    // runs, and tells in one message about files it cannot restore.
    void startOffersCopiesOfEndedProcesses()
    {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        const QString older = LeaveCopy(m_folder, MODEL_QVR_K115_ZQX, 1, QStringLiteral("/plant/older.qvp"),
                                        now.addSecs(-600), 1);
        const QString newer = LeaveCopy(m_folder, MODEL_QVS_K115_318, 2, QStringLiteral("/plant/newer.qvp"),
                                        now.addSecs(-60), 2);
        QVERIFY(!older.isEmpty() && !newer.isEmpty());
        // A running window's copy (this process's), a damaged copy and a stranger.
        CRecoveryWriter running(m_folder);
        const std::unique_ptr<CQuorvexDoc> edited = CreateDocument(MODEL_QVR_K115_ZQX);
        edited->SetModified();
        running.Update(*edited, QString());
        running.Flush();
        ProcessIdentity ended = CurrentProcessIdentity();
        ended.start += QStringLiteral("9");
        QFile damaged(m_folder + QLatin1Char('/') + RecoveryFileName(ended, 3));
        QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write("{\"format\": \"quorvex-rec") > 0);
        damaged.close();
        QFile stranger(m_folder + QStringLiteral("/notes.txt"));
        QVERIFY(stranger.open(QIODevice::WriteOnly) && stranger.write("hello") > 0);
        stranger.close();

        // Discard the newer, restore the older.
        CSafetyFrame f;
        QVERIFY(f.Start(0, {1, 0}));
        QCOMPARE(f.dialogs->errors.size(), 1);
        const QString& message = f.dialogs->errors.first();
        QVERIFY2(message.contains(QDir::toNativeSeparators(damaged.fileName()))
                     && message.contains(Text(Language::TEXT_RECOVERY_DAMAGED))
                     && message.contains(QStringLiteral("notes.txt"))
                     && message.contains(Text(Language::TEXT_RECOVERY_NOT_A_COPY)),
                 qPrintable(message));
        QCOMPARE(f.dialogs->choices.size(), 2);
        QVERIFY(f.dialogs->choices.at(0).contains(QStringLiteral("\"newer.qvp\"")));
        QVERIFY(f.dialogs->choices.at(1).contains(QStringLiteral("\"older.qvp\"")));
        QVERIFY(!QFileInfo::exists(m_folder + QLatin1Char('/') + newer));
        QVERIFY(QFileInfo::exists(running.FilePath()));
        QCOMPARE(ModelNumber(f.Doc()->GetModelCode()), 1);
        QCOMPARE(f.Image(), FileImageOfVariant(MODEL_QVR_K115_ZQX, 1));
        QCOMPARE(f.frame->CurrentPath(), QStringLiteral("/plant/older.qvp"));
        // The restored program's history holds nothing that makes it saved.
        QVERIFY(f.Doc()->IsModified());
        QVERIFY(f.EditTimeUnit(2));
        f.frame->Action(ID_EDIT_UNDO)->trigger();
        QVERIFY(f.Doc()->IsModified());
    }

    // A copy left unanswered (the offer closed without a choice) stays for the next start, and
    // the start goes on with the model question.
    void unansweredCopyStays()
    {
        const QString name = LeaveCopy(m_folder, MODEL_QVR_K115_ZQX, 1, QString(), QDateTime::currentDateTimeUtc(), 1);
        CSafetyFrame f;
        QVERIFY(f.Start(0, {-1}));
        QCOMPARE(f.dialogs->choices.size(), 1);
        QCOMPARE(f.dialogs->modelQuestions.size(), 1);
        QVERIFY(QFileInfo::exists(m_folder + QLatin1Char('/') + name));
        QVERIFY(!f.Doc()->IsModified());
    }

    // Save checks the file on disk first: a file changed or removed behind the window is not
    // written over without the user's word.
    void saveAsksWhenFileChangedOnDisk_data()
    {
        QTest::addColumn<bool>("vanish");
        QTest::addColumn<int>("choice");
        QTest::newRow("changed, overwrite") << false << 0;
        QTest::newRow("changed, save as") << false << 1;
        QTest::newRow("changed, cancel") << false << 2;
        QTest::newRow("changed, escape") << false << -1;
        QTest::newRow("vanished, save again") << true << 0;
        QTest::newRow("vanished, save as") << true << 1;
        QTest::newRow("vanished, cancel") << true << 2;
    }
    void saveAsksWhenFileChangedOnDisk()
    {
        QFETCH(bool, vanish);
        QFETCH(int, choice);
        const QString program = WriteProgram(m_files->filePath(QStringLiteral("fan.qvp")), MODEL_QVR_K115_ZQX);
        const QString elsewhere = m_files->filePath(QStringLiteral("fan-2.qvp"));
        CSafetyFrame f;
        QVERIFY(f.Start(0, {}, program));
        QVERIFY(f.EditTimeUnit(2));
        const QByteArray edited = f.Image();
        // A colleague's program of the same size takes the file's place, or the file goes.
        if (vanish)
            QVERIFY(QFile::remove(program));
        else
            QVERIFY(!WriteProgram(program, MODEL_QVR_K115_ZQX, 5).isEmpty());
        const QByteArray onDisk = ReadFile(program);
        if (choice >= 0)
            f.dialogs->choiceAnswers = {choice};
        f.dialogs->savePaths = {elsewhere};
        f.frame->Action(ID_FILE_SAVE)->trigger();

        QCOMPARE(f.dialogs->choices.size(), 1);
        const int question = vanish ? Language::TEXT_FILE_VANISHED_BEFORE_SAVE : Language::TEXT_FILE_CHANGED_BEFORE_SAVE;
        QCOMPARE(f.dialogs->choices.first(), Text(Language::TEXT_FILE_CHANGED_CAPTION) + QLatin1Char('|')
                                                 + TheLanguageManager().Format(question, {QDir::toNativeSeparators(program)}));
        switch (choice) {
        case 0:
            QCOMPARE(FileImage(program), edited);
            QVERIFY(!f.Doc()->IsModified());
            QCOMPARE(f.frame->CurrentPath(), program);
            break;
        case 1:
            QCOMPARE(ReadFile(program), onDisk);
            QCOMPARE(FileImage(elsewhere), edited);
            QCOMPARE(f.frame->CurrentPath(), elsewhere);
            QVERIFY(!f.Doc()->IsModified());
            break;
        default:
            QCOMPARE(ReadFile(program), onDisk);
            QVERIFY(!QFileInfo::exists(elsewhere));
            QVERIFY(f.Doc()->IsModified());
            QCOMPARE(f.frame->CurrentPath(), program);
            break;
        }
        // Once saved, the next save writes without asking; the file now is the window's.
        if (choice == 0 || choice == 1) {
            f.dialogs->ClearLog();
            QVERIFY(f.EditTimeUnit(3));
            f.frame->Action(ID_FILE_SAVE)->trigger();
            QVERIFY(f.dialogs->Quiet());
            QCOMPARE(FileImage(f.frame->CurrentPath()), f.Image());
        }
    }

    // The same file rewritten with the same bytes (only its time changed) is not a change.
    void sameBytesRewrittenIsNoChange()
    {
        const QString program = WriteProgram(m_files->filePath(QStringLiteral("gate.qvp")), MODEL_QVR_K115_ZQX);
        CSafetyFrame f;
        QVERIFY(f.Start(0, {}, program));
        QVERIFY(f.EditTimeUnit(2));
        QVERIFY(!WriteProgram(program, MODEL_QVR_K115_ZQX).isEmpty());
        f.frame->Action(ID_FILE_SAVE)->trigger();
        QVERIFY(f.dialogs->choices.isEmpty());
        QCOMPARE(FileImage(program), f.Image());
    }

    // The focus announces a file changed on disk once per change; a reload is one change that
    // Undo takes back, and leaves the program as saved.
    void focusAnnouncesChangeOnDisk_data()
    {
        QTest::addColumn<bool>("reload");
        QTest::newRow("reload") << true;
        QTest::newRow("don't reload") << false;
    }
    void focusAnnouncesChangeOnDisk()
    {
        QFETCH(bool, reload);
        const QString program = WriteProgram(m_files->filePath(QStringLiteral("light.qvp")), MODEL_QVS_K115_318);
        CSafetyFrame f;
        QVERIFY(f.Start(1, {}, program));
        QVERIFY(Activate(f.frame.get()));
        QVERIFY(f.EditTimeUnit(2));
        const QByteArray edited = f.Image();
        const int steps = f.Pane()->UndoStack()->count();
        QVERIFY(Deactivate(f.frame.get()));
        QVERIFY(!WriteProgram(program, MODEL_QVS_K115_318, 6).isEmpty());
        const QByteArray onDisk = FileImage(program);
        f.dialogs->choiceAnswers = {reload ? 0 : 1};
        QVERIFY(Activate(f.frame.get()));
        QTRY_COMPARE(f.dialogs->choices.size(), 1);
        QCOMPARE(f.dialogs->choices.first(),
                 Text(Language::TEXT_FILE_CHANGED_CAPTION) + QLatin1Char('|')
                     + TheLanguageManager().Format(Language::TEXT_FILE_CHANGED_RELOAD, {QDir::toNativeSeparators(program)}));
        QCOMPARE(f.dialogs->choiceButtons.first(),
                 QStringList({Text(Language::TEXT_FILE_RELOAD), Text(Language::TEXT_FILE_KEEP)}));
        if (reload) {
            QCOMPARE(f.Image(), onDisk);
            QVERIFY(!f.Doc()->IsModified());
            QCOMPARE(f.Pane()->UndoStack()->count(), steps + 1);
            QCOMPARE(f.Pane()->UndoStack()->undoText(), Text(Language::TEXT_CHANGE_RELOAD));
            f.Settle();
            QVERIFY(RecoveryFiles(m_folder).isEmpty()); // what the window holds is in the file
            f.frame->Action(ID_EDIT_UNDO)->trigger();
            QCOMPARE(f.Image(), edited);
            QVERIFY(f.Doc()->IsModified());
            f.frame->Action(ID_EDIT_REDO)->trigger();
            QCOMPARE(f.Image(), onDisk);
            QVERIFY(!f.Doc()->IsModified());
        } else {
            QCOMPARE(f.Image(), edited);
            QVERIFY(f.Doc()->IsModified());
        }
        // Asked once: the focus coming back says nothing more until the file changes again.
        QVERIFY(Deactivate(f.frame.get()));
        QVERIFY(Activate(f.frame.get()));
        QTest::qWait(20);
        QCOMPARE(f.dialogs->choices.size(), 1);
        if (!reload) {
            // Save still knows: it asks before writing over the colleague's program.
            f.frame->Action(ID_FILE_SAVE)->trigger();
            QCOMPARE(f.dialogs->choices.size(), 2);
            QCOMPARE(FileImage(program), onDisk);
        }
        QVERIFY(Deactivate(f.frame.get()));
        QVERIFY(!WriteProgram(program, MODEL_QVS_K115_318, 7).isEmpty());
        QVERIFY(Activate(f.frame.get()));
        QTRY_COMPARE(f.dialogs->choices.size(), reload ? 2 : 3);
    }

    // A change on disk waits while the pane simulates; a file that now holds a program of the
    // other model is opened as any file is, in the pane of its model.
    void reloadOfAnotherModelOpensIt()
    {
        const QString program = WriteProgram(m_files->filePath(QStringLiteral("belt.qvp")), MODEL_QVS_K115_318);
        CSafetyFrame f;
        QVERIFY(f.Start(1, {}, program));
        QVERIFY(Activate(f.frame.get()));
        f.frame->Action(ID_TRANSMISSION_SIMULATIONMODE)->trigger();
        QCOMPARE(f.Pane()->GetWorkMode(), int(WORK_MODE_SIMULATION));
        QVERIFY(Deactivate(f.frame.get()));
        QVERIFY(!WriteProgram(program, MODEL_QVR_K115_ZQX, 4).isEmpty());
        QVERIFY(Activate(f.frame.get()));
        QTest::qWait(20);
        QVERIFY(f.dialogs->choices.isEmpty());

        f.frame->Action(ID_TRANSMISSION_SIMULATIONMODE)->trigger();
        QCOMPARE(f.Pane()->GetWorkMode(), int(WORK_MODE_EDIT));
        f.dialogs->choiceAnswers = {0};
        QVERIFY(Deactivate(f.frame.get()));
        QVERIFY(Activate(f.frame.get()));
        QTRY_COMPARE(f.dialogs->choices.size(), 1);
        QTRY_COMPARE(ModelNumber(f.Doc()->GetModelCode()), 1);
        QCOMPARE(f.Image(), FileImage(program));
        QVERIFY(!f.Doc()->IsModified());
        QCOMPARE(f.frame->CurrentPath(), program);
        QVERIFY(f.dialogs->questions.isEmpty()); // nothing unsaved to ask about
    }

    // A file removed behind the window is told once, and the program stays.
    void focusTellsOfVanishedFile()
    {
        const QString program = WriteProgram(m_files->filePath(QStringLiteral("hall.qvp")), MODEL_QVR_K115_ZQX);
        CSafetyFrame f;
        QVERIFY(f.Start(0, {}, program));
        QVERIFY(Activate(f.frame.get()));
        QVERIFY(Deactivate(f.frame.get()));
        QVERIFY(QFile::remove(program));
        QVERIFY(Activate(f.frame.get()));
        QTRY_COMPARE(f.dialogs->informations.size(), 1);
        QVERIFY(f.dialogs->informations.first().contains(QDir::toNativeSeparators(program)));
        QVERIFY(Deactivate(f.frame.get()));
        QVERIFY(Activate(f.frame.get()));
        QTest::qWait(20);
        QCOMPARE(f.dialogs->informations.size(), 1);
        QVERIFY(f.dialogs->choices.isEmpty());
        QVERIFY(f.Pane());
    }

    // A copy that cannot be written costs the copy, never the edit: one status-bar message.
    void unwritableFolderKeepsTheEdit()
    {
        // The recovery folder cannot be made: a file stands where its parent should be.
        QFile blocker(m_state->filePath(QStringLiteral("quorvex")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        CSafetyFrame f;
        QVERIFY(f.Start(0));
        const QByteArray before = f.Image();
        QVERIFY(f.EditTimeUnit(2));
        f.Settle();
        QVERIFY(f.Image() != before);
        QVERIFY(f.Doc()->IsModified());
        QVERIFY(f.Safety()->Writer().WriteFailing());
        QTRY_COMPARE(f.frame->statusBar()->currentMessage(),
                     TheLanguageManager().Format(Language::TEXT_RECOVERY_NOT_WRITTEN, {QDir::toNativeSeparators(m_folder)}));
        QVERIFY(f.dialogs->errors.isEmpty());
        // Saved: nothing left to protect, the message goes.
        f.dialogs->savePaths = {m_files->filePath(QStringLiteral("kept.qvp"))};
        f.frame->Action(ID_FILE_SAVE)->trigger();
        QTRY_VERIFY(f.frame->statusBar()->currentMessage().isEmpty());
    }

private:
    static QByteArray FileImageOfVariant(ModelCode model, int variant)
    {
        const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(model);
        doc->ResetProgram(0);
        doc->GetData()[3] = std::uint8_t(doc->GetData()[3] ^ variant);
        return QByteArray(reinterpret_cast<const char*>(doc->GetData()), doc->GetDataSize());
    }
    // The window loses the focus to another window, or gets it.
    bool Deactivate(QWidget* window)
    {
        if (!m_other) {
            m_other = std::make_unique<QWidget>();
            m_other->resize(100, 100);
        }
        m_other->show();
        m_other->activateWindow();
        return QTest::qWaitForWindowActive(m_other.get()) && !window->isActiveWindow();
    }
    static bool Activate(QWidget* window)
    {
        window->activateWindow();
        return QTest::qWaitForWindowActive(window);
    }

    QTemporaryDir m_config;
    std::unique_ptr<QTemporaryDir> m_state;
    std::unique_ptr<QTemporaryDir> m_files;
    QString m_folder;
    std::unique_ptr<QWidget> m_other;
};

QTEST_MAIN(TestProgramSafety)
#include "tst_program_safety.moc"
