// The main window with relays, driven as a user drives it: the Device menu and its rules, the
// relay commands with their results, messages and status texts, the live view, passwords,
// and a window that stays usable while a transfer runs. The relays live inside the test
// (InProcessRelays.h), so a test can make one misbehave at any byte.

#include "CommandIds.h"
#include "DeviceWorker.h"
#include "Discovery.h"
#include "Fields.h"
#include "InProcessRelays.h"
#include "LanguageManager.h"
#include "MainFrame.h"
#include "RelayController.h"
#include "QuorvexDoc.h"
#include "RelayPane.h"
#include "ResultCodes.h"
#include "ProgramSettings.h"
#include "ScriptedDialogs.h"
#include "WindowHarness.h"
#include "TestLanguages.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace CommandIds;
using namespace DeviceProtocol;
using Language::TheLanguageManager;

namespace {

const QString QVR = QStringLiteral("relay-qvr");
const QString QVS = QStringLiteral("relay-qvs");
const QString QVR2 = QStringLiteral("relay-qvr-2");

QString Text(int id)
{
    return TheLanguageManager().Text(id);
}

QString ErrorText(int id)
{
    return Text(Language::TEXT_ERROR_CAPTION) + QLatin1Char('|') + Text(id);
}

// How the window names a relay: its name and its port.
QString RelayName(const QString& port)
{
    const QString name = port.startsWith(QLatin1String("relay-qvs")) ? QStringLiteral("QVS USB Time Relay")
                                                                      : QStringLiteral("QVR USB Time Relay");
    return TheLanguageManager().Format(Language::TEXT_RELAY_ON_PORT, {name, port});
}

// Whether a status text is the format `id` with the relay and any seconds (one decimal).
bool IsOutcome(const QString& text, int id, const QString& port)
{
    const QString sample = TheLanguageManager().Format(id, {RelayName(port), 12345.6});
    QString pattern = QRegularExpression::escape(sample);
    pattern.replace(QRegularExpression::escape(QStringLiteral("12345.6")), QStringLiteral("\\d+\\.\\d"));
    return !sample.isEmpty() && QRegularExpression(QLatin1Char('^') + pattern + QLatin1Char('$')).match(text).hasMatch();
}

VirtualRelayOptions Options(ModelCode model, int revision = 1, const QString& password = QString())
{
    VirtualRelayOptions options;
    options.model = model;
    options.revision = revision;
    if (!password.isEmpty())
        options.password = MakePasswordBytes(password);
    return options;
}

std::vector<std::uint8_t> Pattern(ModelCode model, int seed)
{
    const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(model);
    doc->ResetProgram(0);
    std::vector<std::uint8_t> image(doc->GetData(), doc->GetData() + doc->GetDataSize());
    for (std::size_t i = 4; i < image.size(); i += 7)
        image[i] = std::uint8_t(image[i] ^ (seed + int(i)));
    image[2] = 0xAA; // escaped on the wire
    image[3] = 0x64;
    return image;
}

// The program with two steps changed: channel 1, step 3 switches relay 1 on; channel 2, step 8
// lasts 1.50 s.
std::vector<std::uint8_t> TwoStepsChanged(const QByteArray& image)
{
    const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(MODEL_QVS_K115_318);
    std::copy(image.begin(), image.end(), doc->GetData());
    const auto fields = doc->CreateFieldSet();
    static_cast<CQuorvexFIELDTime*>(fields->Bind(doc.get(), 1, 8))->SetTimeValue(192);
    static_cast<CQuorvexFIELDStateChange*>(fields->Bind(doc.get(), 0, 3))->SetRelayOperation(0, RELAY_OP_ON);
    return std::vector<std::uint8_t>(doc->GetData(), doc->GetData() + doc->GetDataSize());
}

QByteArray Bytes(const std::vector<std::uint8_t>& image)
{
    return QByteArray(reinterpret_cast<const char*>(image.data()), qsizetype(image.size()));
}

// The step titles of the rows of a comparison.
QStringList ComparedSteps(const QStringList& rows)
{
    QStringList steps;
    for (const QString& row : rows)
        steps << row.section(QLatin1Char('|'), 0, 0);
    return steps;
}

// A window with scripted dialogs whose relay transfers reach the in-process relays.
struct CRelayFrame : CWindowHarness {
    CInProcessRelays relays;

    // model: the answer to the start-up question. Discovery considers `ports`; the first pass
    // has ended when this returns.
    bool Start(int model, const QStringList& ports)
    {
        Setup setup;
        setup.ports = ports;
        setup.prepare = [this](CMainFrame& window) { window.Relays()->SetTransport(relays.Factory()); };
        const bool started = StartWithPane(model, setup);
        // The programs these tests send are patterns of bytes the program check finds errors
        // in: the user sends them anyway.
        if (dialogs)
            dialogs->yesNoAnswers = QList<bool>(64, true);
        return started;
    }
    void SetImage(const std::vector<std::uint8_t>& image) const
    {
        Pane()->ReplaceProgram(image.data(), int(image.size()), false);
    }
    // One whole discovery pass.
    bool Pass() const
    {
        if (!WaitIdle())
            return false;
        frame->Relays()->RefreshDeviceList();
        return WaitIdle();
    }
    // Starts with the relays of `ports` attached (each "qvr..." or "qvs...") and a relay of
    // the program's model selected (the first pass chooses it; the menu keeps that choice).
    bool StartWith(int model, const QStringList& ports)
    {
        for (const QString& port : ports)
            relays.Add(port, Options(port.startsWith(QLatin1String("relay-qvs")) ? MODEL_QVS_K115_318 : MODEL_QVR_K115_ZQX));
        if (!Start(model, ports))
            return false;
        OpenDeviceMenu();
        return RelayList().GetSelected() >= 0;
    }
};

} // namespace

class TestFrameRelays : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_config.isValid() && m_files.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        // Recovery copies of the windows' programs go there too, never into the real home.
        qputenv("XDG_STATE_HOME", m_config.path().toUtf8());
        ProgramSettings().setValue(QStringLiteral("LCID"), Language::LCID_ENGLISH);
    }
    void init() { ProgramSettings().remove(QStringLiteral("VerifyAfterSend")); }

    // The first pass chooses a relay by the Device menu's rule (the selected relay while it
    // fits, else the last one that fits), without the menu being opened, and the status bar
    // names it. The menu lists every relay found with its port, enables those of the
    // program's model and says why the others are not; it always offers the search.
    void deviceMenuRules_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<QStringList>("ports");
        QTest::addColumn<QList<bool>>("enabled");
        QTest::addColumn<int>("selected");
        QTest::newRow("QVR_K115_ZQX program, one relay of each model")
            << 0 << QStringList{QVR, QVS} << QList<bool>{true, false} << 0;
        QTest::newRow("QVS_K115_318 program, one relay of each model")
            << 1 << QStringList{QVR, QVS} << QList<bool>{false, true} << 1;
        QTest::newRow("two relays of the model: the later one")
            << 0 << QStringList{QVR, QVS, QVR2} << QList<bool>{true, false, true} << 2;
        QTest::newRow("no relay of the model") << 1 << QStringList{QVR} << QList<bool>{false} << -1;
        QTest::newRow("no relay at all") << 0 << QStringList{} << QList<bool>{} << -1;
    }
    void deviceMenuRules()
    {
        QFETCH(int, model);
        QFETCH(QStringList, ports);
        QFETCH(QList<bool>, enabled);
        QFETCH(int, selected);
        CRelayFrame f;
        for (const QString& port : ports)
            f.relays.Add(port, Options(port == QVS ? MODEL_QVS_K115_318 : MODEL_QVR_K115_ZQX));
        QVERIFY(f.Start(model, ports));
        QCOMPARE(f.RelayList().GetCount(), int(ports.size()));
        QCOMPARE(f.RelayList().GetSelected(), selected);
        const QString programModel = model == 0 ? QStringLiteral("QVR_K115_ZQX") : QStringLiteral("QVS_K115_318");
        QCOMPARE(f.frame->RelayStatusLabel()->text(),
                 selected >= 0 ? RelayName(ports[selected])
                               : TheLanguageManager().Format(Language::TEXT_STATUS_NO_RELAY, {programModel}));

        const QList<QAction*> items = f.OpenDeviceMenu();
        // The relays (or the line that says there is none), a separator, the search.
        const qsizetype relays = std::max<qsizetype>(1, enabled.size());
        QCOMPARE(items.size(), relays + 2);
        QVERIFY(items.at(relays)->isSeparator());
        QCOMPARE(items.at(relays + 1), f.frame->Action(ID_DEVICE_SEARCH));
        QVERIFY(items.at(relays + 1)->isEnabled());
        if (enabled.isEmpty()) {
            QCOMPARE(items.at(0)->text(), Text(Language::TEXT_DEVICE_NONE_FOUND));
            QVERIFY(!items.at(0)->isEnabled());
        }
        for (qsizetype i = 0; i < enabled.size(); ++i) {
            const QString name = ports[i] == QVS ? QStringLiteral("QVS USB Time Relay") : QStringLiteral("QVR USB Time Relay");
            QCOMPARE(items[i]->text(), TheLanguageManager().Format(enabled[i] ? Language::TEXT_RELAY_ON_PORT
                                                                              : Language::TEXT_RELAY_OTHER_MODEL_ENTRY,
                                                                   {name, ports[i]}));
            QCOMPARE(items[i]->toolTip()
                         == TheLanguageManager().Format(Language::TEXT_RELAY_OTHER_MODEL_TIP, {programModel}),
                     !enabled[i]);
            QCOMPARE(items[i]->isEnabled(), enabled[i]);
            QCOMPARE(items[i]->isChecked(), i == selected);
            QCOMPARE(items[i]->data().toInt(), ID_DEVICE_1 + int(i));
        }
        QCOMPARE(f.RelayList().GetSelected(), selected);
        // The password commands follow the selected relay's model.
        const bool model2 = selected >= 0 && ports[selected] == QVS;
        QCOMPARE(f.frame->Action(ID_TRANSMISSION_CHANGEPASSWORD)->isEnabled(), model2);
        QCOMPARE(f.frame->Action(ID_TRANSMISSION_RESETPASSWORD)->isEnabled(), model2);
    }

    // With two relays of the model, the user's choice holds through later passes (a relay
    // that comes meanwhile does not take it); a relay that goes drops out at the next pass,
    // and the pass chooses the last fitting relay at once, without the menu.
    void choosingAndLosingARelay()
    {
        CRelayFrame f;
        QVERIFY(f.StartWith(0, {QVR, QVS, QVR2}));
        QCOMPARE(f.RelayList().GetSelected(), 2);
        f.OpenDeviceMenu().at(0)->trigger();
        QCOMPARE(f.RelayList().GetSelected(), 0);
        QCOMPARE(f.frame->RelayStatusLabel()->text(), RelayName(QVR));
        const QString later = QStringLiteral("relay-qvr-3");
        f.relays.Add(later, Options(MODEL_QVR_K115_ZQX));
        qputenv(DeviceDiscovery::EXTRA_PORTS_VARIABLE, QStringList{QVR, QVS, QVR2, later}.join(QLatin1Char(':')).toUtf8());
        for (int pass = 0; pass < 2; ++pass)
            QVERIFY(f.Pass());
        QCOMPARE(f.RelayList().GetCount(), 4);
        QCOMPARE(f.RelayList().GetSelected(), 0);
        QList<QAction*> items = f.OpenDeviceMenu();
        QVERIFY(items.at(0)->isChecked() && !items.at(2)->isChecked() && !items.at(3)->isChecked());
        // The disabled entry cannot be chosen, not even by a late call.
        f.frame->OnSelectDevice(1);
        QCOMPARE(f.RelayList().GetSelected(), 0);
        // Send goes to the chosen relay.
        QVERIFY(f.Run(ID_TRANSMISSION_SENDSETTINGS));
        QCOMPARE(f.relays.Requests(QVR, CMD_WRITE_PROGRAM), 1);
        QCOMPARE(f.relays.Requests(QVR2, CMD_WRITE_PROGRAM) + f.relays.Requests(later, CMD_WRITE_PROGRAM), 0);

        f.relays.Remove(QVR);
        QVERIFY(f.Pass());
        QCOMPARE(f.RelayList().GetCount(), 3);
        QCOMPARE(f.RelayList().GetPortName(f.RelayList().GetSelected()), later);
        QCOMPARE(f.frame->RelayStatusLabel()->text(), RelayName(later));
        QVERIFY(f.dialogs->errors.isEmpty());
    }

    // Right after start-up, without the Device menu opened, every relay command reaches the
    // one relay of the program's model.
    void commandsWorkWithoutOpeningTheMenu_data()
    {
        QTest::addColumn<int>("model");
        QTest::newRow("QVR_K115_ZQX") << 0;
        QTest::newRow("QVS_K115_318") << 1;
    }
    void commandsWorkWithoutOpeningTheMenu()
    {
        QFETCH(int, model);
        CRelayFrame f;
        f.relays.Add(QVR, Options(MODEL_QVR_K115_ZQX));
        f.relays.Add(QVS, Options(MODEL_QVS_K115_318));
        QVERIFY(f.Start(model, {QVR, QVS}));
        const QString port = model == 0 ? QVR : QVS;
        const std::vector<std::uint8_t> image = Pattern(f.Pane()->GetModelCode(), 6);
        f.SetImage(image);
        QVERIFY(f.Run(ID_TRANSMISSION_SENDSETTINGS));
        QVERIFY2(f.dialogs->errors.isEmpty(), qPrintable(f.dialogs->errors.join(u'\n')));
        QCOMPARE(f.relays.Program(port), image);
        QVERIFY(f.Run(ID_TRANSMISSION_VERSION));
        QVERIFY(f.Run(ID_TRANSMISSION_STARTVIEW));
        QVERIFY(f.dialogs->errors.isEmpty());
        QCOMPARE(f.Pane()->GetWorkMode(), int(WORK_MODE_DEVICE_VIEW));
        f.Trigger(ID_TRANSMISSION_STOPVIEW);
        QVERIFY(f.WaitIdle());
    }

    // Search for relays runs a pass at once: a relay attached a moment ago is listed and
    // chosen, and the status bar says what the search found.
    void searchForRelays()
    {
        CRelayFrame f;
        QVERIFY(f.Start(1, {}));
        QCOMPARE(f.RelayList().GetCount(), 0);
        f.relays.Add(QVS, Options(MODEL_QVS_K115_318));
        f.relays.Add(QVR, Options(MODEL_QVR_K115_ZQX));
        qputenv(DeviceDiscovery::EXTRA_PORTS_VARIABLE, QStringList{QVS, QVR}.join(QLatin1Char(':')).toUtf8());
        QVERIFY(f.frame->Action(ID_DEVICE_SEARCH)->isEnabled());
        f.Trigger(ID_DEVICE_SEARCH);
        QCOMPARE(f.frame->StatusPane()->text(), Text(Language::TEXT_STATUS_SEARCHING));
        QVERIFY(f.WaitIdle());
        QCOMPARE(f.RelayList().GetCount(), 2);
        QCOMPARE(f.RelayList().GetPortName(f.RelayList().GetSelected()), QVS);
        QCOMPARE(f.frame->StatusPane()->text(), TheLanguageManager().Format(Language::TEXT_STATUS_SEARCH_DONE, {2}));
        QCOMPARE(f.frame->RelayStatusLabel()->text(), RelayName(QVS));
    }

    // Send writes the program (read back and compared while the option is on), reports
    // success by saying nothing, and leaves the document as it was.
    void sendWritesTheProgram_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<bool>("verify");
        QTest::newRow("QVR_K115_ZQX, verified") << 0 << true;
        QTest::newRow("QVS_K115_318, verified") << 1 << true;
        QTest::newRow("QVR_K115_ZQX, not verified") << 0 << false;
    }
    void sendWritesTheProgram()
    {
        QFETCH(int, model);
        QFETCH(bool, verify);
        const QString port = model == 0 ? QVR : QVS;
        CRelayFrame f;
        QVERIFY(f.StartWith(model, {port}));
        if (!verify)
            f.Trigger(ID_TRANSMISSION_VERIFYAFTERSEND);
        QCOMPARE(f.frame->Relays()->VerifyAfterSend(), verify);
        const std::vector<std::uint8_t> image = Pattern(f.Pane()->GetModelCode(), 5);
        f.SetImage(image);
        f.dialogs->ClearLog();
        const QString title = f.frame->Title();
        QVERIFY(f.Run(ID_TRANSMISSION_SENDSETTINGS));
        QVERIFY2(f.dialogs->Quiet(), qPrintable(f.dialogs->errors.join(u'\n')));
        QCOMPARE(f.relays.Program(port), image);
        QCOMPARE(f.relays.Requests(port, CMD_READ_PROGRAM), verify ? 1 : 0);
        QCOMPARE(f.frame->Title(), title);
        QVERIFY(!f.Doc()->IsModified());
        // The status bar says what was done, to which relay and how long it took.
        const QString status = f.frame->StatusPane()->text();
        QVERIFY2(IsOutcome(status, verify ? Language::TEXT_STATUS_SENT_VERIFIED : Language::TEXT_STATUS_SENT, port),
                 qPrintable(status));
        QVERIFY(!f.frame->TransferProgressBar()->isVisible());
    }

    // A relay that stores something else than it was sent is caught by the read-back, with a
    // message of its own.
    void verifyMismatchHasItsOwnMessage()
    {
        CRelayFrame f;
        VirtualRelayOptions corrupting = Options(MODEL_QVR_K115_ZQX);
        corrupting.storeCorrupted = true;
        f.relays.Add(QVR, corrupting);
        QVERIFY(f.Start(0, {QVR}));
        f.OpenDeviceMenu();
        QVERIFY(f.Run(ID_TRANSMISSION_SENDSETTINGS));
        QCOMPARE(f.dialogs->errors, QStringList{ErrorText(RESULT_VERIFY_MISMATCH)});
    }

    // The option is on by default, and kept for the next window.
    void verifyOptionIsKept()
    {
        {
            CRelayFrame f;
            QVERIFY(f.Start(0, {}));
            QVERIFY(f.frame->Action(ID_TRANSMISSION_VERIFYAFTERSEND)->isChecked());
            f.Trigger(ID_TRANSMISSION_VERIFYAFTERSEND);
            QVERIFY(!f.frame->Action(ID_TRANSMISSION_VERIFYAFTERSEND)->isChecked());
            // It reads naturally right after Send in the Relay menu.
            const QList<QAction*> relayMenu = f.frame->menuBar()->actions().at(3)->menu()->actions();
            QCOMPARE(relayMenu.at(1), f.frame->Action(ID_TRANSMISSION_VERIFYAFTERSEND));
            QCOMPARE(relayMenu.at(1)->text(), Text(Language::TEXT_MENU_VERIFY_AFTER_SEND));
        }
        CRelayFrame f;
        QVERIFY(f.Start(0, {}));
        QVERIFY(!f.frame->Relays()->VerifyAfterSend());
        QVERIFY(!f.frame->Action(ID_TRANSMISSION_VERIFYAFTERSEND)->isChecked());
    }

    // Read asks about unsaved changes first; it puts the relay's program into the window as
    // a new, modified program without a file.
    void readReplacesTheProgram()
    {
        CRelayFrame f;
        QVERIFY(f.StartWith(1, {QVS}));
        const std::vector<std::uint8_t> stored = Pattern(MODEL_QVS_K115_318, 9);
        CRelaySession writer(f.relays.Factory());
        writer.SetPort(QVS);
        QCOMPARE(writer.SendProgram(MODEL_QVS_K115_318, stored.data(), int(stored.size())), int(RESULT_OK));
        const QString path = QDir(m_files.path()).filePath(QStringLiteral("read.qvp"));
        QCOMPARE(f.Doc()->Save(path), int(RESULT_OK));
        QCOMPARE(f.frame->LoadProgramFile(path), int(RESULT_OK));
        f.Doc()->GetData()[7] ^= 1;
        f.Doc()->SetModified();

        // Cancel at the question: nothing is read.
        f.dialogs->answers = {CFrameDialogs::Cancel};
        QVERIFY(f.Run(ID_TRANSMISSION_READSETTINGS));
        QCOMPARE(f.relays.Requests(QVS, CMD_READ_PROGRAM), 0);
        QVERIFY(f.frame->HasFile());

        f.dialogs->answers = {CFrameDialogs::No};
        f.dialogs->ClearLog();
        QVERIFY(f.Run(ID_TRANSMISSION_READSETTINGS));
        QCOMPARE(f.dialogs->questions.size(), 1);
        QVERIFY(f.dialogs->errors.isEmpty());
        QVERIFY2(IsOutcome(f.frame->StatusPane()->text(), Language::TEXT_STATUS_READ, QVS),
                 qPrintable(f.frame->StatusPane()->text()));
        QCOMPARE(f.Image(), QByteArray(reinterpret_cast<const char*>(stored.data()), qsizetype(stored.size())));
        QVERIFY(f.Doc()->IsModified());
        QVERIFY(!f.frame->HasFile());
        QVERIFY(f.frame->PathIsDefault());
        QCOMPARE(f.frame->CurrentPath(), Text(Language::TEXT_DEFAULT_FILE_NAME));
        QCOMPARE(f.frame->Title(), Text(Language::TEXT_PROGRAM_NAME) + QStringLiteral(" - ")
                                       + Text(Language::TEXT_UNTITLED) + QStringLiteral("*"));
    }

    // A read that fails at any byte, the relay falling silent or a byte going wrong, leaves
    // the program, its file, the title, the modified mark and the undo history as they were;
    // a read for the comparison also shows no comparison.
    void failedReadChangesNothing_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<bool>("corrupt");
        QTest::addColumn<int>("at");
        // Reply bytes of a read of model QVR_K115_ZQX: identification 6, program 75 or more.
        for (int at : {0, 1, 5, 6, 7, 8, 9, 40, 78, 79, 80}) {
            QTest::addRow("read, silent after %d reply bytes", at) << int(ID_TRANSMISSION_READSETTINGS) << false << at;
            QTest::addRow("read, reply byte %d wrong", at) << int(ID_TRANSMISSION_READSETTINGS) << true << at;
        }
        QTest::newRow("compare, silent at once") << int(ID_TRANSMISSION_COMPARE) << false << 0;
        QTest::newRow("compare, silent within the program") << int(ID_TRANSMISSION_COMPARE) << false << 40;
        QTest::newRow("compare, program byte wrong") << int(ID_TRANSMISSION_COMPARE) << true << 40;
        QTest::newRow("compare, last byte wrong") << int(ID_TRANSMISSION_COMPARE) << true << 80;
    }
    void failedReadChangesNothing()
    {
        QFETCH(int, command);
        QFETCH(bool, corrupt);
        QFETCH(int, at);
        CRelayFrame f;
        QVERIFY(f.StartWith(0, {QVR}));
        const QString path = QDir(m_files.path()).filePath(QStringLiteral("kept.qvp"));
        f.SetImage(Pattern(MODEL_QVR_K115_ZQX, 3));
        QCOMPARE(f.Doc()->Save(path), int(RESULT_OK));
        QCOMPARE(f.frame->LoadProgramFile(path), int(RESULT_OK));
        const QByteArray image = f.Image();
        const QString title = f.frame->Title();
        CInProcessRelays::Fault fault;
        (corrupt ? fault.corruptAt : fault.silentAfter) = at;
        f.relays.SetFault(QVR, fault);
        f.dialogs->ClearLog();
        // Were a comparison shown, loading the relay's program would change everything.
        f.dialogs->compareChoices = {CCompareProgramsDlg::CHOICE_LOAD_RELAY};
        f.dialogs->answers = {CFrameDialogs::No};
        QVERIFY(f.Run(command));
        QCOMPARE(f.dialogs->errors.size(), 1);
        QVERIFY(!f.dialogs->errors.constFirst().endsWith(QLatin1Char('|')));
        QVERIFY(f.dialogs->comparisons.isEmpty());
        QVERIFY(f.dialogs->questions.isEmpty());
        QCOMPARE(f.Image(), image);
        QVERIFY(!f.Doc()->IsModified());
        QVERIFY(f.frame->HasFile());
        QCOMPARE(f.frame->CurrentPath(), path);
        QCOMPARE(f.frame->Title(), title);
        QVERIFY(!f.frame->Action(ID_EDIT_UNDO)->isEnabled());
        QCOMPARE(f.relays.OpenCount(), 0);
    }

    // Compare reads the relay's program without touching the open one and lists exactly the
    // steps that differ; the user's choice then sends the open program (read back, as the
    // option is on), loads the relay's as one undoable change that leaves a new program
    // without a file (as Read does), or changes nothing.
    void compareWithTheRelay_data()
    {
        QTest::addColumn<int>("choice");
        QTest::addColumn<int>("saveAnswer"); // to the unsaved-changes question before a load
        QTest::newRow("closed") << int(CCompareProgramsDlg::CHOICE_NONE) << -1;
        QTest::newRow("send the PC's") << int(CCompareProgramsDlg::CHOICE_SEND_PC) << -1;
        QTest::newRow("load the relay's") << int(CCompareProgramsDlg::CHOICE_LOAD_RELAY) << int(CFrameDialogs::No);
        QTest::newRow("load, cancelled at the question")
            << int(CCompareProgramsDlg::CHOICE_LOAD_RELAY) << int(CFrameDialogs::Cancel);
    }
    void compareWithTheRelay()
    {
        QFETCH(int, choice);
        QFETCH(int, saveAnswer);
        CRelayFrame f;
        QVERIFY(f.StartWith(1, {QVS}));
        const QString path = QDir(m_files.path()).filePath(QStringLiteral("compared.qvp"));
        QCOMPARE(f.Doc()->Save(path), int(RESULT_OK));
        QCOMPARE(f.frame->LoadProgramFile(path), int(RESULT_OK));
        // An unsaved edit on the PC; the relay holds that program with two steps changed.
        f.Doc()->GetData()[f.Doc()->GetDataSize() - 1] ^= 1;
        f.Doc()->SetModified();
        const QByteArray pc = f.Image();
        const std::vector<std::uint8_t> stored = TwoStepsChanged(pc);
        CRelaySession writer(f.relays.Factory());
        writer.SetPort(QVS);
        QCOMPARE(writer.SendProgram(MODEL_QVS_K115_318, stored.data(), int(stored.size())), int(RESULT_OK));
        const QString title = f.frame->Title();
        const int writes = f.relays.Requests(QVS, CMD_WRITE_PROGRAM);
        const int reads = f.relays.Requests(QVS, CMD_READ_PROGRAM);
        f.dialogs->ClearLog();
        f.dialogs->compareChoices = {choice};
        if (saveAnswer >= 0)
            f.dialogs->answers = {CFrameDialogs::Answer(saveAnswer)};

        QVERIFY(f.frame->Action(ID_TRANSMISSION_COMPARE)->isEnabled());
        QVERIFY(f.Run(ID_TRANSMISSION_COMPARE));
        QVERIFY(f.dialogs->errors.isEmpty());
        // The status text of the read goes with it: the status bar says what the comparison
        // found (or what the choice after it did).
        const QString status = f.frame->findChild<QLabel*>(QStringLiteral("statusPane"))->text();
        if (choice == CCompareProgramsDlg::CHOICE_SEND_PC)
            QVERIFY2(IsOutcome(status, Language::TEXT_STATUS_SENT_VERIFIED, QVS), qPrintable(status));
        else if (choice == CCompareProgramsDlg::CHOICE_LOAD_RELAY && saveAnswer == CFrameDialogs::No)
            QCOMPARE(status, TheLanguageManager().Format(Language::TEXT_STATUS_LOADED, {RelayName(QVS)}));
        else
            QCOMPARE(status, TheLanguageManager().Format(Language::TEXT_STATUS_COMPARED_DIFFERENT, {RelayName(QVS), 2}));
        QCOMPARE(f.dialogs->comparisons.size(), 1);
        const QStringList rows = f.dialogs->comparisons.constFirst();
        QCOMPARE(ComparedSteps(rows), (QStringList{QStringLiteral("Channel 1, step 3"), QStringLiteral("Channel 2, step 8")}));
        QVERIFY(rows.at(0).section(QLatin1Char('|'), 2).contains(QStringLiteral("Relay 1: switch on")));
        QVERIFY(rows.at(1).section(QLatin1Char('|'), 2).contains(QStringLiteral("1.50 s")));
        QVERIFY(!rows.at(1).section(QLatin1Char('|'), 1, 1).contains(QStringLiteral("1.50 s")));

        const bool loaded = choice == CCompareProgramsDlg::CHOICE_LOAD_RELAY && saveAnswer == CFrameDialogs::No;
        QCOMPARE(f.dialogs->questions.size(), choice == CCompareProgramsDlg::CHOICE_LOAD_RELAY ? 1 : 0);
        QCOMPARE(f.relays.Requests(QVS, CMD_WRITE_PROGRAM) - writes, choice == CCompareProgramsDlg::CHOICE_SEND_PC ? 1 : 0);
        QCOMPARE(f.relays.Requests(QVS, CMD_READ_PROGRAM) - reads, choice == CCompareProgramsDlg::CHOICE_SEND_PC ? 2 : 1);
        QCOMPARE(Bytes(f.relays.Program(QVS)), choice == CCompareProgramsDlg::CHOICE_SEND_PC ? pc : Bytes(stored));
        QCOMPARE(f.Image(), loaded ? Bytes(stored) : pc);
        QVERIFY(f.Doc()->IsModified());
        QCOMPARE(f.frame->HasFile(), !loaded);
        QCOMPARE(f.frame->PathIsDefault(), loaded);
        QCOMPARE(f.frame->CurrentPath(), loaded ? Text(Language::TEXT_DEFAULT_FILE_NAME) : path);
        if (!loaded) {
            QCOMPARE(f.frame->Title(), title);
            return;
        }
        // One change: a single undo brings the PC's program back, and redo the relay's.
        QVERIFY(f.frame->Action(ID_EDIT_UNDO)->isEnabled());
        f.Trigger(ID_EDIT_UNDO);
        QCOMPARE(f.Image(), pc);
        f.Trigger(ID_EDIT_REDO);
        QCOMPARE(f.Image(), Bytes(stored));
    }

    // Programs that are equal are said to be equal; no comparison is shown.
    void compareEqualPrograms()
    {
        CRelayFrame f;
        QVERIFY(f.StartWith(0, {QVR}));
        f.SetImage(Pattern(MODEL_QVR_K115_ZQX, 5));
        QVERIFY(f.Run(ID_TRANSMISSION_SENDSETTINGS));
        f.dialogs->ClearLog();
        QVERIFY(f.Run(ID_TRANSMISSION_COMPARE));
        QVERIFY(f.dialogs->errors.isEmpty());
        QVERIFY(f.dialogs->comparisons.isEmpty());
        QCOMPARE(f.dialogs->informations,
                 QStringList{Text(Language::TEXT_COMPARE_TITLE) + QLatin1Char('|') + Text(Language::TEXT_COMPARE_EQUAL)});
    }

    // A live view refused because the relay runs another program: the message (36) comes
    // first, then the comparison; after sending or loading, the view starts.
    void viewRefusalLeadsToTheComparison_data()
    {
        QTest::addColumn<int>("choice");
        QTest::newRow("send the PC's") << int(CCompareProgramsDlg::CHOICE_SEND_PC);
        QTest::newRow("load the relay's") << int(CCompareProgramsDlg::CHOICE_LOAD_RELAY);
    }
    void viewRefusalLeadsToTheComparison()
    {
        QFETCH(int, choice);
        CRelayFrame f;
        QVERIFY(f.StartWith(1, {QVS}));
        const QByteArray pc = f.Image();
        const std::vector<std::uint8_t> stored = TwoStepsChanged(pc);
        CRelaySession writer(f.relays.Factory());
        writer.SetPort(QVS);
        QCOMPARE(writer.SendProgram(MODEL_QVS_K115_318, stored.data(), int(stored.size())), int(RESULT_OK));
        f.dialogs->ClearLog();
        f.dialogs->compareChoices = {choice};
        f.dialogs->answers = {CFrameDialogs::No};
        QVERIFY(f.Run(ID_TRANSMISSION_STARTVIEW));
        QCOMPARE(f.dialogs->errors, QStringList{ErrorText(RESULT_VIEW_MISMATCH)});
        QCOMPARE(f.dialogs->comparisons.size(), 1);
        QCOMPARE(ComparedSteps(f.dialogs->comparisons.constFirst()),
                 (QStringList{QStringLiteral("Channel 1, step 3"), QStringLiteral("Channel 2, step 8")}));
        QCOMPARE(f.Pane()->GetWorkMode(), int(WORK_MODE_EDIT));
        const QByteArray agreed = choice == CCompareProgramsDlg::CHOICE_SEND_PC ? pc : Bytes(stored);
        QCOMPARE(f.Image(), agreed);
        QCOMPARE(Bytes(f.relays.Program(QVS)), agreed);

        f.dialogs->ClearLog();
        QVERIFY(f.Run(ID_TRANSMISSION_STARTVIEW));
        QVERIFY(f.dialogs->errors.isEmpty());
        QVERIFY(f.dialogs->comparisons.isEmpty());
        QCOMPARE(f.Pane()->GetWorkMode(), int(WORK_MODE_DEVICE_VIEW));
        f.Trigger(ID_TRANSMISSION_STOPVIEW);
        QVERIFY(f.WaitIdle());
    }

    // The Relay menu: Compare right after Read; the simulation speeds after the simulation's
    // commands; the timing diagram last, behind a separator, still on F12; the language menu
    // holds languages only.
    void relayMenuLayout()
    {
        CRelayFrame f;
        QVERIFY(f.Start(0, {}));
        const QList<QAction*> relayMenu = f.frame->menuBar()->actions().at(3)->menu()->actions();
        const qsizetype read = relayMenu.indexOf(f.frame->Action(ID_TRANSMISSION_READSETTINGS));
        QVERIFY(read >= 0);
        QCOMPARE(relayMenu.at(read + 1), f.frame->Action(ID_TRANSMISSION_COMPARE));
        QCOMPARE(relayMenu.at(read + 1)->text(), Text(Language::TEXT_MENU_COMPARE_WITH_RELAY));
        // The panels below the window at the end: the timing diagram, then the problems.
        QCOMPARE(relayMenu.constLast(), f.frame->Action(ID_VIEW_PROBLEMS));
        QCOMPARE(relayMenu.at(relayMenu.size() - 2), f.frame->Action(ID_VIEW_TIMELINE));
        QVERIFY(relayMenu.at(relayMenu.size() - 3)->isSeparator());
        QCOMPARE(relayMenu.at(relayMenu.size() - 4), f.frame->SimulationSpeedMenu()->menuAction());
        QCOMPARE(relayMenu.at(relayMenu.size() - 5), f.frame->Action(ID_TRANSMISSION_RESET));
        QCOMPARE(f.frame->Action(ID_VIEW_TIMELINE)->shortcut(), QKeySequence(Qt::Key_F12));
        QCOMPARE(f.frame->Action(ID_VIEW_PROBLEMS)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
        const QList<QAction*> languageMenu = f.frame->menuBar()->actions().at(4)->menu()->actions();
        QVERIFY(!languageMenu.contains(f.frame->Action(ID_VIEW_TIMELINE)));
        for (const QAction* action : languageMenu)
            QVERIFY(!action->isSeparator());
    }

    // Every relay command of a relay of the other model ends with 39; Version shows any model.
    void relayOfTheOtherModel()
    {
        CRelayFrame f;
        f.relays.Add(QVS, Options(MODEL_QVS_K115_318));
        QVERIFY(f.Start(0, {QVS, QVR}));
        f.OpenDeviceMenu();
        QCOMPARE(f.RelayList().GetSelected(), -1); // nothing fits: nothing is selected
        // A relay of the program's model is chosen; then, before the next pass, the relay on
        // that port is one of the other model.
        f.relays.Add(QVR, Options(MODEL_QVR_K115_ZQX));
        QVERIFY(f.Pass());
        QCOMPARE(f.RelayList().SelectedPort(), QVR);
        f.relays.Remove(QVR);
        f.relays.Add(QVR, Options(MODEL_QVS_K115_318));
        f.dialogs->answers = {CFrameDialogs::No};
        for (int id : {ID_TRANSMISSION_SENDSETTINGS, ID_TRANSMISSION_READSETTINGS, ID_TRANSMISSION_STARTVIEW}) {
            f.dialogs->ClearLog();
            QVERIFY(f.Run(id));
            QCOMPARE(f.dialogs->errors, QStringList{ErrorText(RESULT_WRONG_MODEL)});
        }
        QCOMPARE(f.Pane()->GetWorkMode(), int(WORK_MODE_EDIT));
        QCOMPARE(f.relays.Requests(QVR, CMD_WRITE_PROGRAM) + f.relays.Requests(QVR, CMD_READ_PROGRAM), 0);
        f.dialogs->ClearLog();
        QVERIFY(f.Run(ID_TRANSMISSION_VERSION));
        QVERIFY(f.dialogs->errors.isEmpty());
        QCOMPARE(f.dialogs->versions.size(), 1);
    }

    void versionOfTheRelay_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("revision");
        QTest::addColumn<int>("modelText");
        QTest::addColumn<QString>("version");
        QTest::newRow("QVR_K115_ZQX revision 3") << 0 << 3 << int(Language::TEXT_VERSION_MODEL_TYPE_1) << QStringLiteral("1.3");
        QTest::newRow("QVS_K115_318 revision 15") << 1 << 15 << int(Language::TEXT_VERSION_MODEL_TYPE_2)
                                                  << QStringLiteral("2.15");
    }
    void versionOfTheRelay()
    {
        QFETCH(int, model);
        QFETCH(int, revision);
        QFETCH(int, modelText);
        QFETCH(QString, version);
        CRelayFrame f;
        const QString port = model == 0 ? QVR : QVS;
        f.relays.Add(port, Options(model == 0 ? MODEL_QVR_K115_ZQX : MODEL_QVS_K115_318, revision));
        QVERIFY(f.Start(model, {port}));
        f.OpenDeviceMenu();
        f.dialogs->ClearLog();
        QVERIFY(f.Run(ID_TRANSMISSION_VERSION));
        QCOMPARE(f.dialogs->versions.size(), 1);
        QCOMPARE(f.dialogs->versions.at(0),
                 (QStringList{Text(Language::TEXT_VERSION_HEADING), Text(modelText),
                              TheLanguageManager().Format(Language::TEXT_VERSION_LINE, {version})}));
        QCOMPARE(f.frame->StatusPane()->text(),
                 TheLanguageManager().Format(Language::TEXT_STATUS_VERSION, {RelayName(port), version}));
    }

    // 34 for a port that cannot be opened; for a port this user may not open, the message
    // says what to do about it.
    void portThatCannotBeOpened_data()
    {
        QTest::addColumn<int>("failure");
        QTest::addColumn<bool>("helpful");
        QTest::newRow("not allowed") << int(PortOpenFailure::AccessDenied) << true;
        QTest::newRow("busy") << int(PortOpenFailure::Busy) << false;
        QTest::newRow("gone") << int(PortOpenFailure::NotFound) << false;
    }
    void portThatCannotBeOpened()
    {
        QFETCH(int, failure);
        QFETCH(bool, helpful);
        CRelayFrame f;
        QVERIFY(f.StartWith(0, {QVR}));
        CInProcessRelays::Fault fault;
        fault.refuseOpen = PortOpenFailure(failure);
        f.relays.SetFault(QVR, fault);
        for (int id : {ID_TRANSMISSION_SENDSETTINGS, ID_TRANSMISSION_VERSION}) {
            f.dialogs->ClearLog();
            QVERIFY(f.Run(id));
            const QString expected = helpful ? Text(Language::TEXT_ERROR_CAPTION) + QLatin1Char('|')
                                                   + TheLanguageManager().Format(Language::TEXT_PORT_ACCESS_DENIED, {QVR})
                                             : ErrorText(RESULT_NO_PORT);
            QCOMPARE(f.dialogs->errors, QStringList{expected});
        }
        // Nothing selected: 34 as it is.
        CRelayFrame none;
        QVERIFY(none.Start(0, {}));
        QVERIFY(none.Run(ID_TRANSMISSION_SENDSETTINGS));
        QCOMPARE(none.dialogs->errors, QStringList{ErrorText(RESULT_NO_PORT)});
    }

    // Model QVS_K115_318: a relay without password asks nothing; otherwise the password is
    // asked once, remembered by the pane, and asked again only when refused.
    void passwordIsAskedOnceAndRemembered()
    {
        CRelayFrame f;
        f.relays.Add(QVS, Options(MODEL_QVS_K115_318, 1, QStringLiteral("Ab1")));
        QVERIFY(f.Start(1, {QVS}));
        f.OpenDeviceMenu();
        bool waitingWhileAsked = false;
        f.dialogs->duringPassword = [&] {
            // Nothing crosses the line while the user types: no transfer is claimed.
            waitingWhileAsked = f.frame->RelayCommandRunning() && f.frame->Relays()->Worker()->WaitsForPassword()
                                && !f.frame->Action(ID_TRANSMISSION_READSETTINGS)->isEnabled()
                                && f.frame->StatusPane()->text()
                                       == TheLanguageManager().Format(Language::TEXT_STATUS_WAITING_PASSWORD,
                                                                      {RelayName(QVS)})
                                && !f.frame->TransferProgressBar()->isVisible();
        };
        f.dialogs->passwords = {QStringLiteral("wrong")};
        QVERIFY(f.Run(ID_TRANSMISSION_SENDSETTINGS));
        QCOMPARE(f.dialogs->errors, QStringList{ErrorText(RESULT_PASSWORD_REFUSED)});
        QVERIFY(waitingWhileAsked);
        f.dialogs->passwords = {QString()}; // Escape
        QVERIFY(f.Run(ID_TRANSMISSION_SENDSETTINGS));
        QCOMPARE(f.dialogs->errors.size(), 2);
        QCOMPARE(f.dialogs->passwordsAsked, 2);

        f.dialogs->ClearLog();
        f.dialogs->passwords = {QStringLiteral("Ab1")};
        QVERIFY(f.Run(ID_TRANSMISSION_SENDSETTINGS));
        QVERIFY(f.dialogs->errors.isEmpty());
        QVERIFY(IsOutcome(f.frame->StatusPane()->text(), Language::TEXT_STATUS_SENT_VERIFIED, QVS));
        QCOMPARE(f.frame->Relays()->PasswordCache(), MakePasswordBytes(QStringLiteral("Ab1")));
        f.dialogs->answers = {CFrameDialogs::No};
        QVERIFY(f.Run(ID_TRANSMISSION_READSETTINGS));
        QVERIFY(f.Run(ID_TRANSMISSION_SENDSETTINGS));
        QCOMPARE(f.dialogs->passwordsAsked, 1);
        QVERIFY(f.dialogs->errors.isEmpty());
    }

    // Change and reset, each with its information box; a confirmation that differs and a
    // password too long for the relay are refused before anything is sent.
    void changeAndResetPassword()
    {
        CRelayFrame f;
        f.relays.Add(QVS, Options(MODEL_QVS_K115_318, 1, QStringLiteral("old")));
        QVERIFY(f.Start(1, {QVS}));
        f.OpenDeviceMenu();
        QVERIFY(f.frame->Action(ID_TRANSMISSION_CHANGEPASSWORD)->isEnabled());

        f.dialogs->passwordChanges = {{QStringLiteral("old"), QStringLiteral("new1"), QStringLiteral("new2")},
                                      {QStringLiteral("old"), QStringLiteral("zażółćgę"), QStringLiteral("zażółćgę")},
                                      {}};
        QVERIFY(f.Run(ID_TRANSMISSION_CHANGEPASSWORD));
        QVERIFY(f.Run(ID_TRANSMISSION_CHANGEPASSWORD));
        QVERIFY(f.Run(ID_TRANSMISSION_CHANGEPASSWORD)); // cancelled
        QCOMPARE(f.dialogs->errors, (QStringList{ErrorText(RESULT_PASSWORD_MISMATCH), ErrorText(RESULT_PASSWORD_TOO_LONG)}));
        QCOMPARE(f.relays.Requests(QVS, CMD_CHANGE_PASSWORD), 0);

        f.dialogs->ClearLog();
        f.dialogs->passwordChanges = {{QStringLiteral("old"), QStringLiteral("new"), QStringLiteral("new")}};
        QVERIFY(f.Run(ID_TRANSMISSION_CHANGEPASSWORD));
        QCOMPARE(f.dialogs->informations,
                 QStringList{Text(Language::TEXT_PASSWORD_CHANGED_CAPTION) + QLatin1Char('|')
                             + Text(Language::TEXT_PASSWORD_CHANGED_TEXT)});
        QCOMPARE(f.frame->StatusPane()->text(),
                 TheLanguageManager().Format(Language::TEXT_STATUS_PASSWORD_CHANGED, {RelayName(QVS)}));
        // The new password is remembered: the relay takes a program without asking.
        QVERIFY(f.Run(ID_TRANSMISSION_SENDSETTINGS));
        QCOMPARE(f.dialogs->passwordsAsked, 0);
        QVERIFY(f.dialogs->errors.isEmpty());

        f.dialogs->ClearLog();
        f.dialogs->resetAnswers = {false, true};
        QVERIFY(f.Run(ID_TRANSMISSION_RESETPASSWORD));
        QCOMPARE(f.relays.Requests(QVS, CMD_RESET_PASSWORD), 0);
        QVERIFY(f.Run(ID_TRANSMISSION_RESETPASSWORD));
        QCOMPARE(f.dialogs->informations, QStringList{Text(Language::TEXT_PASSWORD_RESET_CAPTION) + QLatin1Char('|')
                                                      + Text(Language::TEXT_PASSWORD_RESET_TEXT)});
        QCOMPARE(f.frame->StatusPane()->text(),
                 TheLanguageManager().Format(Language::TEXT_STATUS_PASSWORD_RESET, {RelayName(QVS)}));
        QCOMPARE(f.frame->Relays()->PasswordCache(), PasswordBytes{});
        QVERIFY(f.dialogs->errors.isEmpty());
    }

    // The one-channel model has no password: its pane does nothing for these commands, even
    // when a handler is reached directly.
    void noPasswordCommandsForTheOneChannelModel()
    {
        CRelayFrame f;
        QVERIFY(f.StartWith(0, {QVR}));
        QVERIFY(!f.frame->Action(ID_TRANSMISSION_CHANGEPASSWORD)->isEnabled());
        f.dialogs->ClearLog();
        f.frame->OnChangeRelayPassword();
        f.frame->OnResetRelayPassword();
        QVERIFY(f.WaitIdle());
        QVERIFY(f.dialogs->Quiet());
        QCOMPARE(f.relays.Requests(QVR, CMD_CHANGE_PASSWORD) + f.relays.Requests(QVR, CMD_RESET_PASSWORD), 0);
    }

    // While a command runs, the window shows its status text and progress, and the commands
    // that cannot run meanwhile are disabled, keys included; discovery waits for the command
    // and never drops the relay that the command holds.
    void windowWhileACommandRuns()
    {
        CRelayFrame f;
        QVERIFY(f.StartWith(0, {QVR}));
        f.frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.frame.get()));
        f.relays.SetByteTime(std::chrono::milliseconds(2));
        f.relays.Hold(true);
        f.Trigger(ID_TRANSMISSION_SENDSETTINGS);
        QVERIFY(f.frame->RelayCommandRunning());
        QCOMPARE(f.frame->StatusPane()->text(), Text(Language::TEXT_STATUS_SENDING));
        QVERIFY(f.frame->TransferProgressBar()->isVisible());
        for (int id : {ID_TRANSMISSION_SENDSETTINGS, ID_TRANSMISSION_READSETTINGS, ID_TRANSMISSION_VERSION,
                       ID_TRANSMISSION_STARTVIEW, ID_FILE_NEW, ID_FILE_OPEN, ID_TRANSMISSION_SIMULATIONMODE})
            QVERIFY2(!f.frame->Action(id)->isEnabled(), qPrintable(QString::number(id)));
        QVERIFY(f.frame->Action(ID_FILE_SAVE)->isEnabled());
        // A language chosen meanwhile shows the status text in that language.
        const QString english = f.frame->StatusPane()->text();
        f.frame->LanguageList()->setCurrentIndex(LanguageIndex(Language::LCID_POLISH));
        QCOMPARE(f.frame->StatusPane()->text(), Text(Language::TEXT_STATUS_SENDING));
        QVERIFY(f.frame->StatusPane()->text() != english);
        f.frame->LanguageList()->setCurrentIndex(LanguageIndex(Language::LCID_ENGLISH));
        QTest::keySequence(f.frame.get(), QKeySequence(QStringLiteral("Ctrl+T")));
        QTest::keySequence(f.frame.get(), QKeySequence(QStringLiteral("Ctrl+R")));
        f.frame->Relays()->RefreshDeviceList();
        QTest::qWait(150); // the window goes on: timers run, events are handled
        f.relays.Hold(false);
        QVERIFY(f.WaitIdle());
        QCOMPARE(f.relays.Requests(QVR, CMD_WRITE_PROGRAM), 1);
        QCOMPARE(f.relays.Requests(QVR, CMD_READ_PROGRAM), 1); // the read-back only
        QCOMPARE(f.relays.MostOpenAtOnce(), 1);
        QCOMPARE(f.RelayList().GetCount(), 1);
        QCOMPARE(f.RelayList().GetSelected(), 0);
        QVERIFY(IsOutcome(f.frame->StatusPane()->text(), Language::TEXT_STATUS_SENT_VERIFIED, QVR));
        QVERIFY(!f.frame->TransferProgressBar()->isVisible());
        QVERIFY(f.frame->Action(ID_TRANSMISSION_SENDSETTINGS)->isEnabled());
        QVERIFY(f.dialogs->errors.isEmpty());
    }

    // A result that comes while a dialog of the user's is open waits for it to close: the
    // program does not change under a file dialog, and no message opens over it. A window
    // closed meanwhile drops it.
    void resultWaitsForTheUsersDialog()
    {
        CRelayFrame f;
        QVERIFY(f.StartWith(0, {QVR}));
        const std::vector<std::uint8_t> stored = Pattern(MODEL_QVR_K115_ZQX, 4);
        CRelaySession writer(f.relays.Factory());
        writer.SetPort(QVR);
        QCOMPARE(writer.SendProgram(MODEL_QVR_K115_ZQX, stored.data(), int(stored.size())), int(RESULT_OK));
        const QByteArray before = f.Image();
        const QByteArray relayProgram(reinterpret_cast<const char*>(stored.data()), qsizetype(stored.size()));
        {
            f.relays.Hold(true);
            f.Trigger(ID_TRANSMISSION_READSETTINGS);
            QDialog dialog(f.frame.get());
            dialog.setWindowModality(Qt::ApplicationModal);
            dialog.show();
            f.relays.Hold(false);
            QVERIFY(QTest::qWaitFor([&] { return f.frame->Relays()->Worker()->IsIdle(); }, 5000));
            QTest::qWait(150);
            QCOMPARE(f.Image(), before);
            QVERIFY(f.frame->RelayCommandRunning());
            dialog.close();
            QVERIFY(f.WaitIdle());
            QCOMPARE(f.Image(), relayProgram);
            QVERIFY(f.dialogs->errors.isEmpty());
        }

        CInProcessRelays::Fault fault;
        fault.corruptAt = 0;
        f.relays.SetFault(QVR, fault);
        f.relays.Hold(true);
        f.Trigger(ID_TRANSMISSION_SENDSETTINGS);
        QDialog dialog(f.frame.get());
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.show();
        f.relays.Hold(false);
        QVERIFY(QTest::qWaitFor([&] { return f.frame->Relays()->Worker()->IsIdle(); }, 5000));
        QTest::qWait(150);
        QVERIFY(f.dialogs->errors.isEmpty());
        f.dialogs->answers = {CFrameDialogs::No};
        QVERIFY(f.frame->close());
        dialog.close();
        QTest::qWait(150);
        QVERIFY(f.dialogs->errors.isEmpty());
        QVERIFY(!f.frame->RelayCommandRunning());
        QVERIFY(!f.frame->TransferProgressBar()->isVisible());
    }

    // The bar follows a send at the line's pace, read-back included, and only moves forward.
    void progressBarFollowsASend()
    {
        CRelayFrame f;
        QVERIFY(f.StartWith(1, {QVS}));
        f.relays.SetByteTime(std::chrono::milliseconds(4));
        f.Trigger(ID_TRANSMISSION_SENDSETTINGS);
        QList<int> values;
        (void)QTest::qWaitFor(
            [&] {
                values << f.frame->TransferProgressBar()->value();
                return !f.frame->RelayCommandRunning();
            },
            10000);
        QVERIFY(!f.frame->RelayCommandRunning());
        QVERIFY(std::is_sorted(values.begin(), values.end()));
        const auto between = std::count_if(values.begin(), values.end(), [](int v) { return v > 50 && v < 950; });
        QVERIFY2(between >= 5, qPrintable(QString::number(between)));
    }

    // The live view: polls while viewing, never two at once however slow the line, shows the
    // relay on the pane, and stops on Stop view. A relay that holds another program is refused.
    void liveView()
    {
        CRelayFrame f;
        QVERIFY(f.StartWith(0, {QVR}));
        f.SetImage(Pattern(MODEL_QVR_K115_ZQX, 1));
        QVERIFY(f.Run(ID_TRANSMISSION_STARTVIEW));
        QCOMPARE(f.dialogs->errors, QStringList{ErrorText(RESULT_VIEW_MISMATCH)});
        QCOMPARE(f.Pane()->GetWorkMode(), int(WORK_MODE_EDIT));
        QVERIFY(f.Run(ID_TRANSMISSION_SENDSETTINGS));
        f.dialogs->ClearLog();
        QVERIFY(f.Run(ID_TRANSMISSION_STARTVIEW));
        QVERIFY(f.dialogs->errors.isEmpty());
        QCOMPARE(f.Pane()->GetWorkMode(), int(WORK_MODE_DEVICE_VIEW));
        QVERIFY(f.frame->Action(ID_TRANSMISSION_STOPVIEW)->isEnabled());
        QVERIFY(!f.frame->Action(ID_TRANSMISSION_SENDSETTINGS)->isEnabled());
        // Each reply byte takes 15 ms: a poll takes about 200 ms, longer than the 100 ms tick.
        f.relays.SetByteTime(std::chrono::milliseconds(15));
        const int before = f.relays.Requests(QVR, CMD_READ_STATE);
        int mostPolls = 0;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 1100) {
            QTest::qWait(5);
            mostPolls = std::max(mostPolls, f.frame->Relays()->Worker()->Count(DeviceJobKind::Poll));
        }
        QCOMPARE(mostPolls, 1);
        const int polls = f.relays.Requests(QVR, CMD_READ_STATE) - before;
        QVERIFY2(polls >= 3 && polls <= 7, qPrintable(QString::number(polls)));
        QCOMPARE(f.relays.MostOpenAtOnce(), 1);
        f.relays.SetByteTime(std::chrono::microseconds(0));
        f.Trigger(ID_TRANSMISSION_STOPVIEW);
        QCOMPARE(f.Pane()->GetWorkMode(), int(WORK_MODE_EDIT));
        QVERIFY(f.WaitIdle());
        const int after = f.relays.Requests(QVR, CMD_READ_STATE);
        QTest::qWait(300);
        QCOMPARE(f.relays.Requests(QVR, CMD_READ_STATE), after);
        QVERIFY(f.dialogs->errors.isEmpty());
    }

    // The program edited while the start of the view reads the relay's: the relay no longer
    // holds the program on screen, so the view does not start.
    void programEditedWhileTheViewStarts()
    {
        CRelayFrame f;
        QVERIFY(f.StartWith(0, {QVR}));
        QVERIFY(f.Run(ID_TRANSMISSION_SENDSETTINGS));
        f.dialogs->ClearLog();
        f.relays.Hold(true);
        f.Trigger(ID_TRANSMISSION_STARTVIEW);
        QVERIFY(f.frame->RelayCommandRunning());
        f.SetImage(Pattern(MODEL_QVR_K115_ZQX, 8));
        f.relays.Hold(false);
        QVERIFY(f.WaitIdle());
        QCOMPARE(f.dialogs->errors, QStringList{ErrorText(RESULT_VIEW_MISMATCH)});
        QCOMPARE(f.Pane()->GetWorkMode(), int(WORK_MODE_EDIT));
        QVERIFY(f.frame->Action(ID_TRANSMISSION_STARTVIEW)->isEnabled());
    }

    // A relay unplugged while viewing: the view stops first, then the failure is reported.
    void unpluggedWhileViewing()
    {
        CRelayFrame f;
        QVERIFY(f.StartWith(0, {QVR}));
        QVERIFY(f.Run(ID_TRANSMISSION_SENDSETTINGS));
        QVERIFY(f.Run(ID_TRANSMISSION_STARTVIEW));
        QCOMPARE(f.Pane()->GetWorkMode(), int(WORK_MODE_DEVICE_VIEW));
        f.relays.Remove(QVR);
        QVERIFY(QTest::qWaitFor([&] { return !f.dialogs->errors.isEmpty(); }, 3000));
        // Gone between polls (34), or in the middle of one (33).
        QVERIFY2(f.dialogs->errors.constFirst() == ErrorText(RESULT_NO_PORT)
                     || f.dialogs->errors.constFirst() == ErrorText(RESULT_READ_FAILED),
                 qPrintable(f.dialogs->errors.constFirst()));
        QCOMPARE(f.Pane()->GetWorkMode(), int(WORK_MODE_EDIT));
        QVERIFY(f.frame->Action(ID_TRANSMISSION_SENDSETTINGS)->isEnabled());
        QTest::qWait(300);
        QCOMPARE(f.dialogs->errors.size(), 1);
    }

    // A new program of the other model while a discovery pass waits for a silent relay: the
    // new pane starts with an empty list, takes nothing from the old pane's pass (which found
    // the held relay absent), and its own first pass finds both relays.
    void newModelDuringADiscoveryPass()
    {
        CRelayFrame f;
        QVERIFY(f.StartWith(0, {QVR, QVS}));
        CRelayPane* oldPane = f.Pane();
        f.relays.Hold(true);
        f.frame->Relays()->RefreshDeviceList();
        QVERIFY(QTest::qWaitFor([&] { return f.frame->Relays()->Worker()->RunningKind() == DeviceJobKind::IdentifyPort; }, 3000));
        const quint64 heldJob = f.frame->Relays()->Worker()->RunningJob();
        QVERIFY(f.frame->Action(ID_FILE_NEW)->isEnabled());
        f.dialogs->models = {1};
        f.dialogs->answers = {CFrameDialogs::No};
        f.Trigger(ID_FILE_NEW);
        QVERIFY(f.Pane() != oldPane);
        QCOMPARE(f.Pane()->GetModelCode(), MODEL_QVS_K115_318);
        QCOMPARE(f.RelayList().GetCount(), 0);
        // The held identification ends by its time-out, as for a relay that fell silent.
        QVERIFY(QTest::qWaitFor([&] { return f.frame->Relays()->Worker()->RunningJob() != heldJob; }, 10000));
        f.relays.Hold(false);
        QVERIFY(f.WaitIdle());
        QCOMPARE(f.RelayList().GetCount(), 2);
        QCOMPARE(f.RelayList().GetPortName(f.RelayList().GetSelected()), QVS);
        QVERIFY(f.dialogs->errors.isEmpty());
    }

    // Closing the window while a program is sent ends the transfer and frees the port,
    // without a message and without waiting for the relay.
    void closingDuringATransfer()
    {
        CRelayFrame f;
        QVERIFY(f.StartWith(1, {QVS}));
        f.relays.Hold(true);
        f.Trigger(ID_TRANSMISSION_SENDSETTINGS);
        QTest::qWait(50);
        QCOMPARE(f.relays.OpenCount(), 1);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(f.frame->close());
        // Sooner than the held reply byte's time-out: the transfer was cut short, not waited for.
        QVERIFY(QTest::qWaitFor([&] { return f.relays.OpenCount() == 0; }, READ_TIMEOUT_MS));
        QVERIFY2(clock.elapsed() < READ_TIMEOUT_MS, qPrintable(QString::number(clock.elapsed())));
        QTest::qWait(50);
        QVERIFY(f.dialogs->errors.isEmpty());
        QVERIFY(!f.frame->RelayCommandRunning());
        f.frame.reset();
        f.relays.Hold(false);
    }

private:
    QTemporaryDir m_config;
    QTemporaryDir m_files;
};

QTEST_MAIN(TestFrameRelays)
#include "tst_frame_relays.moc"
