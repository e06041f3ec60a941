// The main window against virtual relays on pseudo-terminals, attached through
// QUORVEX_EXTRA_PORTS and reached through the real serial transport: the Device menu with a
// relay of each model, the transfers, the live view, the password commands, and relays that
// go away.

#include "CommandIds.h"
#include "DeviceWorker.h"
#include "Discovery.h"
#include "LanguageManager.h"
#include "MainFrame.h"
#include "RelayController.h"
#include "QuorvexDoc.h"
#include "RelayPane.h"
#include "ResultCodes.h"
#include "ProgramSettings.h"
#include "ScriptedDialogs.h"
#include "WindowHarness.h"
#include "Timeline.h"
#include "TimelinePanel.h"
#include "VirtualRelayProcess.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <memory>

using namespace CommandIds;
using namespace DeviceProtocol;
using Language::TheLanguageManager;

namespace {

const QString RELAY = QStringLiteral(QUORVEX_BIN_DIR "/quorvex-virtual-relay");

QString Text(int id)
{
    return TheLanguageManager().Text(id);
}

QString ErrorText(int id)
{
    return Text(Language::TEXT_ERROR_CAPTION) + QLatin1Char('|') + Text(id);
}

QByteArray Bytes(const std::uint8_t* data, int size)
{
    return QByteArray(reinterpret_cast<const char*>(data), size);
}

// A window with scripted dialogs and the real serial transport.
struct CLiveFrame : CWindowHarness {
    bool Start(int model, const QStringList& ports)
    {
        Setup setup;
        setup.ports = ports;
        return StartWithPane(model, setup);
    }
};

// What a relay holds, read by a device of the test's own once the window has let go of the port.
QByteArray RelayProgram(const QString& port, ModelCode model, const QString& password = QString())
{
    CRelaySession device;
    device.SetPort(port);
    device.SetPasswordPrompt([password](QString* typed) {
        *typed = password;
        return true;
    });
    std::vector<std::uint8_t> image;
    if (device.ReadProgramImage(model, &image) != RESULT_OK)
        return QByteArray();
    return Bytes(image.data(), int(image.size()));
}

} // namespace

class TestFrameVirtualRelays : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        // Recovery copies of the windows' programs go there too, never into the real home.
        qputenv("XDG_STATE_HOME", m_config.path().toUtf8());
        ProgramSettings().setValue(QStringLiteral("LCID"), Language::LCID_ENGLISH);
        m_qvrPath = m_qvr.Start(RELAY, {QStringLiteral("--model"), QStringLiteral("QVR_K115_ZQX"),
                                        QStringLiteral("--revision"), QStringLiteral("2")});
        m_qvsPath = m_qvs.Start(RELAY, {QStringLiteral("--model"), QStringLiteral("QVS_K115_318"),
                                        QStringLiteral("--revision"), QStringLiteral("5"), QStringLiteral("--password"),
                                        QStringLiteral("pw")});
        QVERIFY(!m_qvrPath.isEmpty() && !m_qvsPath.isEmpty());
    }

    // Both relays are listed with their ports (a path with nothing behind it is not); the
    // other model's relay is disabled and says so, and the relay of the program's model is
    // selected by the first pass, before the menu is opened.
    void deviceMenuListsBothModels_data()
    {
        QTest::addColumn<int>("model");
        QTest::newRow("QVR_K115_ZQX program") << 0;
        QTest::newRow("QVS_K115_318 program") << 1;
    }
    void deviceMenuListsBothModels()
    {
        QFETCH(int, model);
        CLiveFrame f;
        QVERIFY(f.Start(model, {QStringLiteral("/dev/pts/does-not-exist"), m_qvrPath, m_qvsPath}));
        QCOMPARE(f.RelayList().GetPortName(f.RelayList().GetSelected()), model == 0 ? m_qvrPath : m_qvsPath);
        const QList<QAction*> items = f.OpenDeviceMenu();
        QCOMPARE(items.size(), 4); // the two relays, a separator, the search
        QVERIFY(items[0]->text().startsWith(QStringLiteral("QVR USB Time Relay")));
        QVERIFY(items[0]->text().contains(m_qvrPath));
        QVERIFY(items[1]->text().startsWith(QStringLiteral("QVS USB Time Relay")));
        QVERIFY(items[1]->text().contains(m_qvsPath));
        QCOMPARE(items[0]->isEnabled(), model == 0);
        QCOMPARE(items[1]->isEnabled(), model == 1);
        QCOMPARE(items[model]->isChecked(), true);
        QCOMPARE(items[1 - model]->isChecked(), false);
        QCOMPARE(f.RelayList().GetPortName(f.RelayList().GetSelected()), model == 0 ? m_qvrPath : m_qvsPath);
        QCOMPARE(f.frame->Action(ID_TRANSMISSION_CHANGEPASSWORD)->isEnabled(), model == 1);
    }

    // Send, read, version and the live view with the one-channel relay.
    void transfersAndView()
    {
        CLiveFrame f;
        QVERIFY(f.Start(0, {m_qvrPath, m_qvsPath}));
        f.OpenDeviceMenu();
        for (int i = 4; i < f.Doc()->GetDataSize(); i += 9)
            f.Doc()->GetData()[i] ^= 0x21;
        const QByteArray sent = Bytes(f.Doc()->GetData(), f.Doc()->GetDataSize());
        QVERIFY(f.Run(ID_TRANSMISSION_SENDSETTINGS));
        QVERIFY2(f.dialogs->errors.isEmpty(), qPrintable(f.dialogs->errors.join(u'\n')));
        QCOMPARE(RelayProgram(m_qvrPath, MODEL_QVR_K115_ZQX), sent);

        f.Doc()->GetData()[10] ^= 0x01;
        f.Doc()->SetModified();
        f.dialogs->answers = {CFrameDialogs::No};
        QVERIFY(f.Run(ID_TRANSMISSION_READSETTINGS));
        QVERIFY(f.dialogs->errors.isEmpty());
        QCOMPARE(Bytes(f.Doc()->GetData(), f.Doc()->GetDataSize()), sent);
        QVERIFY(f.frame->Title().endsWith(Text(Language::TEXT_UNTITLED) + QStringLiteral("*")));

        QVERIFY(f.Run(ID_TRANSMISSION_VERSION));
        QCOMPARE(f.dialogs->versions.value(0).value(2), TheLanguageManager().Format(Language::TEXT_VERSION_LINE, {QStringLiteral("1.2")}));

        QVERIFY(f.Run(ID_TRANSMISSION_STARTVIEW));
        QCOMPARE(f.Pane()->GetWorkMode(), int(WORK_MODE_DEVICE_VIEW));
        QTest::qWait(1000);
        QVERIFY(f.dialogs->errors.isEmpty());
        QCOMPARE(f.Pane()->GetWorkMode(), int(WORK_MODE_DEVICE_VIEW));
        f.frame->Action(ID_TRANSMISSION_STOPVIEW)->trigger();
        QCOMPARE(f.Pane()->GetWorkMode(), int(WORK_MODE_EDIT));
        QVERIFY(f.WaitIdle());
    }

    // The live view's recording agrees with the program's computed run: the same states in
    // the same order, and once both are on one clock, every recorded change lies no more than
    // a polling period after the computed one (with a little room for a loaded machine).
    void recordingAgreesWithTheComputedRun()
    {
        constexpr RelayTime SCHEDULING_ROOM = 100 * RELAY_TIME_PER_SECOND / 1000;
        CLiveFrame f;
        QVERIFY(f.Start(0, {m_qvrPath}));
        f.OpenDeviceMenu();
        // The new program: eight 1 s steps, then Stop at 8 s.
        CTimelineTrace computed(1);
        TimelineScript script;
        script.until = 20 * RELAY_TIME_PER_SECOND;
        QCOMPARE(ComputeTimeline(MODEL_QVR_K115_ZQX, f.Doc()->GetData(), f.Doc()->GetDataSize(), script, &computed),
                 TimelineEnd::Until);
        QVERIFY(computed.RowCount() >= 5);
        const RelayStatus last = computed.RowState(computed.RowCount() - 1);

        // A relay runs a program from its start once it has been written.
        QVERIFY(f.Run(ID_TRANSMISSION_SENDSETTINGS));
        QVERIFY(f.Run(ID_TRANSMISSION_STARTVIEW));
        QCOMPARE(f.Pane()->GetWorkMode(), int(WORK_MODE_DEVICE_VIEW));
        CTimelinePanel* panel = f.frame->TimelinePanel();
        QVERIFY(QTest::qWaitFor([&] { return panel->IsRecording(); }, 3000));
        const std::shared_ptr<const CTimelineTrace> recorded = panel->Trace();
        QCOMPARE(recorded->Source(), TraceSource::Recorded);
        QVERIFY(QTest::qWaitFor(
            [&] { return recorded->RowCount() > 0 && recorded->RowState(recorded->RowCount() - 1) == last; }, 15000));
        f.frame->Action(ID_TRANSMISSION_STOPVIEW)->trigger();
        QVERIFY(f.WaitIdle());
        QVERIFY(f.dialogs->errors.isEmpty());

        // The first row is the state the first poll found, not a change seen; each later row
        // is the next computed state (every step lasts longer than a poll: none is missed).
        std::size_t at = 0;
        while (at < computed.RowCount() && !(computed.RowState(at) == recorded->RowState(0)))
            ++at;
        QVERIFY(at < computed.RowCount());
        RelayTime least = std::numeric_limits<RelayTime>::max();
        RelayTime most = std::numeric_limits<RelayTime>::min();
        int changes = 0;
        for (std::size_t row = 1; row < recorded->RowCount(); ++row) {
            ++at;
            QVERIFY2(at < computed.RowCount() && computed.RowState(at) == recorded->RowState(row),
                     qPrintable(QStringLiteral("recorded row %1 is not the next computed state").arg(row)));
            const RelayTime offset = recorded->RowTime(row) - computed.RowTime(at);
            least = std::min(least, offset);
            most = std::max(most, offset);
            ++changes;
        }
        QVERIFY2(changes >= 3, qPrintable(QString::number(changes)));
        QVERIFY2(most - least <= RelayTime(DEVICE_VIEW_PERIOD_MS) * RELAY_TIME_PER_SECOND / 1000 + SCHEDULING_ROOM,
                 qPrintable(QStringLiteral("recorded changes spread over %1 ms").arg((most - least) / 1'000'000)));
    }

    // The two-channel relay: the password asked once, then changed and reset.
    void passwords()
    {
        CLiveFrame f;
        QVERIFY(f.Start(1, {m_qvsPath}));
        f.OpenDeviceMenu();
        f.dialogs->passwords = {QStringLiteral("pw")};
        QVERIFY(f.Run(ID_TRANSMISSION_SENDSETTINGS));
        QVERIFY2(f.dialogs->errors.isEmpty(), qPrintable(f.dialogs->errors.join(u'\n')));
        QCOMPARE(f.dialogs->passwordsAsked, 1);
        QVERIFY(f.Run(ID_TRANSMISSION_STARTVIEW));
        QCOMPARE(f.Pane()->GetWorkMode(), int(WORK_MODE_DEVICE_VIEW));
        f.frame->Action(ID_TRANSMISSION_STOPVIEW)->trigger();
        QVERIFY(f.WaitIdle());
        QCOMPARE(f.dialogs->passwordsAsked, 1);

        f.dialogs->passwordChanges = {{QStringLiteral("pw"), QStringLiteral("neu"), QStringLiteral("neu")}};
        QVERIFY(f.Run(ID_TRANSMISSION_CHANGEPASSWORD));
        QCOMPARE(f.dialogs->informations.size(), 1);
        QCOMPARE(RelayProgram(m_qvsPath, MODEL_QVS_K115_318, QStringLiteral("pw")), QByteArray()); // refused now
        QCOMPARE(RelayProgram(m_qvsPath, MODEL_QVS_K115_318, QStringLiteral("neu")).size(), 226);

        f.dialogs->resetAnswers = {true};
        QVERIFY(f.Run(ID_TRANSMISSION_RESETPASSWORD));
        QCOMPARE(f.dialogs->informations.size(), 2);
        QVERIFY(f.dialogs->errors.isEmpty());
        // Without password now: a window that never knew one sends without asking.
        CLiveFrame fresh;
        QVERIFY(fresh.Start(1, {m_qvsPath}));
        fresh.OpenDeviceMenu();
        QVERIFY(fresh.Run(ID_TRANSMISSION_SENDSETTINGS));
        QVERIFY(fresh.dialogs->errors.isEmpty());
        QCOMPARE(fresh.dialogs->passwordsAsked, 0);
    }

    // A relay unplugged while it is viewed: the view stops with a message; after the next
    // pass the relay is no longer listed.
    void unpluggedRelay()
    {
        CVirtualRelayProcess relay;
        const QString path = relay.Start(RELAY, {QStringLiteral("--model"), QStringLiteral("QVR_K115_ZQX")});
        QVERIFY(!path.isEmpty());
        CLiveFrame f;
        QVERIFY(f.Start(0, {path, m_qvrPath}));
        f.OpenDeviceMenu().at(0)->trigger();
        QCOMPARE(f.RelayList().GetPortName(f.RelayList().GetSelected()), path);
        QVERIFY(f.Run(ID_TRANSMISSION_SENDSETTINGS));
        QVERIFY(f.Run(ID_TRANSMISSION_STARTVIEW));
        QCOMPARE(f.Pane()->GetWorkMode(), int(WORK_MODE_DEVICE_VIEW));
        relay.Stop();
        QVERIFY(QTest::qWaitFor([&] { return !f.dialogs->errors.isEmpty(); }, 5000));
        const QStringList possible{ErrorText(RESULT_NO_PORT), ErrorText(RESULT_READ_FAILED), ErrorText(RESULT_TIMEOUT)};
        QVERIFY2(possible.contains(f.dialogs->errors.constFirst()), qPrintable(f.dialogs->errors.constFirst()));
        QCOMPARE(f.Pane()->GetWorkMode(), int(WORK_MODE_EDIT));

        QVERIFY(f.WaitIdle());
        f.frame->Relays()->RefreshDeviceList();
        QVERIFY(f.WaitIdle());
        QCOMPARE(f.RelayList().GetCount(), 1);
        QCOMPARE(f.RelayList().GetPortName(0), m_qvrPath);
        // The pass chooses the relay of the model that is still attached.
        QCOMPARE(f.RelayList().GetSelected(), 0);
    }

private:
    QTemporaryDir m_config;
    CVirtualRelayProcess m_qvr;
    CVirtualRelayProcess m_qvs;
    QString m_qvrPath;
    QString m_qvsPath;
};

QTEST_MAIN(TestFrameVirtualRelays)
#include "tst_frame_virtual_relays.moc"
