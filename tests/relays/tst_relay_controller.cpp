// The relay controller without a window: discovery and the relay it chooses, the commands
// with their outcomes and the password they ask for, results that wait for the window, a
// program's model that changes under a command, and the live view. The relays live inside
// the test (InProcessRelays.h).

#include "InProcessRelays.h"
#include "ProgramSettings.h"
#include "QuorvexDoc.h"
#include "RelayController.h"
#include "ResultCodes.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace DeviceProtocol;

namespace {

const QString QVR = QStringLiteral("relay-qvr");
const QString QVR2 = QStringLiteral("relay-qvr-2");
const QString QVS = QStringLiteral("relay-qvs");

VirtualRelayOptions Options(ModelCode model, const QString& password = QString())
{
    VirtualRelayOptions options;
    options.model = model;
    if (!password.isEmpty())
        options.password = MakePasswordBytes(password);
    return options;
}

std::vector<std::uint8_t> Pattern(ModelCode model)
{
    std::vector<std::uint8_t> image(std::size_t(ProgramImageSize(model)));
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = std::uint8_t(i * 29 + 0x64);
    return image;
}

// A controller over in-process relays on the given ports, its first pass ended.
struct CControlled {
    CInProcessRelays relays;
    CRelayController controller{relays.Factory()};

    bool Start(ModelCode model, const QStringList& ports)
    {
        qputenv("QUORVEX_EXTRA_PORTS", ports.join(QLatin1Char(':')).toUtf8());
        controller.SetModel(model);
        return QTest::qWaitFor([this] { return controller.FirstPassDone() && controller.Worker()->IsIdle(); }, 5000);
    }
    bool WaitIdle() const
    {
        return QTest::qWaitFor([this] { return controller.Worker()->IsIdle() && !controller.CommandRunning(); }, 5000);
    }
    // Waits for the one outcome of a command.
    RelayOutcome Finish(QSignalSpy& finished) const
    {
        if (!WaitIdle() || finished.size() != 1)
            return RelayOutcome{RelayCommand::None, -1};
        return finished.takeFirst().at(0).value<RelayOutcome>();
    }
};

} // namespace

class TestRelayController : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    }
    void init() { ProgramSettings().remove(QStringLiteral("VerifyAfterSend")); }

    // The first pass lists every relay that answers and chooses one of the program's model:
    // the last one listed. A relay of the other model cannot be chosen.
    void discoveryChoosesARelay_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<int>("otherModelIndex");
        QTest::newRow("QVR_K115_ZQX program") << int(MODEL_QVR_K115_ZQX) << QVR2 << 1;
        QTest::newRow("QVS_K115_318 program") << int(MODEL_QVS_K115_318) << QVS << 0;
    }
    void discoveryChoosesARelay()
    {
        QFETCH(int, model);
        QFETCH(QString, chosen);
        QFETCH(int, otherModelIndex);
        CControlled c;
        c.relays.Add(QVR, Options(MODEL_QVR_K115_ZQX));
        c.relays.Add(QVS, Options(MODEL_QVS_K115_318));
        c.relays.Add(QVR2, Options(MODEL_QVR_K115_ZQX));
        QSignalSpy changed(&c.controller, &CRelayController::relaysChanged);
        QVERIFY(c.Start(ModelCode(model), {QVR, QVS, QStringLiteral("relay-absent"), QVR2}));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(c.controller.List().GetCount(), 3);
        QCOMPARE(c.controller.List().SelectedPort(), chosen);
        QVERIFY(!c.controller.SelectRelay(otherModelIndex));
        QCOMPARE(c.controller.List().SelectedPort(), chosen);
        QVERIFY(!c.controller.SelectRelay(3));
        // The choice of the user stays while its relay is attached.
        if (model == MODEL_QVR_K115_ZQX) {
            QVERIFY(c.controller.SelectRelay(0));
            c.controller.RefreshDeviceList();
            QVERIFY(c.WaitIdle());
            QCOMPARE(c.controller.List().SelectedPort(), QVR);
        }
    }

    // Another model starts afresh: no relay listed or chosen until its first pass, and the
    // password learnt for the earlier program is forgotten.
    void anotherModelStartsAfresh()
    {
        CControlled c;
        c.relays.Add(QVS, Options(MODEL_QVS_K115_318, QStringLiteral("pw")));
        QVERIFY(c.Start(MODEL_QVS_K115_318, {QVS}));
        QSignalSpy finished(&c.controller, &CRelayController::commandFinished);
        connect(&c.controller, &CRelayController::passwordWanted, this,
                [&c] { c.controller.AnswerPassword(true, QStringLiteral("pw")); });
        c.controller.Version();
        QCOMPARE(c.Finish(finished).result, int(RESULT_OK));
        c.controller.Send(Pattern(MODEL_QVS_K115_318));
        QCOMPARE(c.Finish(finished).result, int(RESULT_OK));
        QCOMPARE(c.controller.PasswordCache(), MakePasswordBytes(QStringLiteral("pw")));

        c.controller.SetModel(MODEL_QVR_K115_ZQX);
        QCOMPARE(c.controller.List().GetCount(), 0);
        QCOMPARE(c.controller.List().GetSelected(), -1);
        QVERIFY(!c.controller.FirstPassDone());
        QCOMPARE(c.controller.PasswordCache(), PasswordBytes{});
        QVERIFY(c.WaitIdle());
        QVERIFY(c.controller.FirstPassDone());
        QCOMPARE(c.controller.List().GetSelected(), -1); // no relay of that model
    }

    // Send (read back and compared when the option is on, which is remembered), then Read
    // and Compare: the outcomes carry what the window shows.
    void commandsAndTheirOutcomes_data()
    {
        QTest::addColumn<bool>("verify");
        QTest::newRow("send read back") << true;
        QTest::newRow("send without reading back") << false;
    }
    void commandsAndTheirOutcomes()
    {
        QFETCH(bool, verify);
        CControlled c;
        c.relays.Add(QVR, Options(MODEL_QVR_K115_ZQX));
        QVERIFY(c.Start(MODEL_QVR_K115_ZQX, {QVR}));
        c.controller.SetVerifyAfterSend(verify);
        QCOMPARE(CRelayController().VerifyAfterSend(), verify);
        QSignalSpy started(&c.controller, &CRelayController::commandStarted);
        QSignalSpy ended(&c.controller, &CRelayController::commandEnded);
        QSignalSpy finished(&c.controller, &CRelayController::commandFinished);

        const std::vector<std::uint8_t> image = Pattern(MODEL_QVR_K115_ZQX);
        c.controller.Send(image);
        QVERIFY(c.controller.CommandRunning());
        QCOMPARE(c.controller.RunningCommand(), RelayCommand::Send);
        RelayOutcome outcome = c.Finish(finished);
        QCOMPARE(outcome.command, RelayCommand::Send);
        QCOMPARE(outcome.result, int(RESULT_OK));
        QCOMPARE(outcome.verified, verify);
        QCOMPARE(outcome.port, QVR);
        QVERIFY(outcome.seconds >= 0.0);
        QCOMPARE(c.relays.Program(QVR), image);
        QCOMPARE(c.relays.Requests(QVR, CMD_READ_PROGRAM), verify ? 1 : 0);

        c.controller.Read();
        outcome = c.Finish(finished);
        QCOMPARE(outcome.command, RelayCommand::Read);
        QCOMPARE(outcome.image, image);
        c.controller.Compare();
        QCOMPARE(c.Finish(finished).command, RelayCommand::Compare);
        QCOMPARE(started.size(), 3);
        QCOMPARE(ended.size(), 3);
        QVERIFY(!c.controller.CommandRunning());
    }

    // The password is asked once; a refused one ends with 40 and keeps what was learnt.
    void passwordAskedOnce()
    {
        CControlled c;
        c.relays.Add(QVS, Options(MODEL_QVS_K115_318, QStringLiteral("Ab1")));
        QVERIFY(c.Start(MODEL_QVS_K115_318, {QVS}));
        QSignalSpy finished(&c.controller, &CRelayController::commandFinished);
        QStringList answers{QStringLiteral("wrong"), QStringLiteral("Ab1")};
        int asked = 0;
        connect(&c.controller, &CRelayController::passwordWanted, this, [&] {
            ++asked;
            QVERIFY(c.controller.WaitingForPassword());
            c.controller.AnswerPassword(true, answers.takeFirst());
        });
        c.controller.Read();
        QCOMPARE(c.Finish(finished).result, int(RESULT_PASSWORD_REFUSED));
        QCOMPARE(c.controller.PasswordCache(), PasswordBytes{});
        c.controller.Read();
        QCOMPARE(c.Finish(finished).result, int(RESULT_OK));
        c.controller.Send(Pattern(MODEL_QVS_K115_318));
        QCOMPARE(c.Finish(finished).result, int(RESULT_OK));
        QCOMPARE(asked, 2);
        QCOMPARE(c.controller.PasswordCache(), MakePasswordBytes(QStringLiteral("Ab1")));
    }

    // While the window says no (a dialog of the user's is open), a result waits and the
    // command counts as running.
    void resultWaitsForTheWindow()
    {
        CControlled c;
        c.relays.Add(QVR, Options(MODEL_QVR_K115_ZQX));
        QVERIFY(c.Start(MODEL_QVR_K115_ZQX, {QVR}));
        bool ready = false;
        c.controller.SetResultGate([&ready] { return ready; });
        QSignalSpy finished(&c.controller, &CRelayController::commandFinished);
        c.controller.Version();
        QVERIFY(QTest::qWaitFor([&] { return c.controller.Worker()->IsIdle(); }, 5000));
        QTest::qWait(200);
        QVERIFY(c.controller.CommandRunning());
        QCOMPARE(finished.size(), 0);
        ready = true;
        const RelayOutcome outcome = c.Finish(finished);
        QCOMPARE(outcome.result, int(RESULT_OK));
        QCOMPARE(int(outcome.identification), 0x11);
    }

    // A command started for one program's model ends without an outcome when the model
    // changes under it: nothing of it reaches the new program.
    void modelChangedUnderACommand()
    {
        CControlled c;
        c.relays.Add(QVS, Options(MODEL_QVS_K115_318, QStringLiteral("pw")));
        QVERIFY(c.Start(MODEL_QVS_K115_318, {QVS}));
        QSignalSpy ended(&c.controller, &CRelayController::commandEnded);
        QSignalSpy finished(&c.controller, &CRelayController::commandFinished);
        connect(&c.controller, &CRelayController::passwordWanted, this, [&c] {
            c.controller.SetModel(MODEL_QVR_K115_ZQX);
            c.controller.AnswerPassword(true, QStringLiteral("pw"));
        });
        c.controller.Read();
        QVERIFY(c.WaitIdle());
        QCOMPARE(ended.size(), 1);
        QCOMPARE(finished.size(), 0);
        QCOMPARE(c.controller.PasswordCache(), PasswordBytes{});
    }

    // The live view polls the relay until it ends; a relay that goes away ends it with a
    // failure, told after the view has stopped.
    void liveView()
    {
        CControlled c;
        c.relays.Add(QVS, Options(MODEL_QVS_K115_318));
        QVERIFY(c.Start(MODEL_QVS_K115_318, {QVS}));
        QSignalSpy polled(&c.controller, &CRelayController::viewPolled);
        QSignalSpy failed(&c.controller, &CRelayController::viewFailed);
        c.controller.BeginView();
        QVERIFY(QTest::qWaitFor([&] { return polled.size() >= 3; }, 5000));
        c.controller.EndView();
        QVERIFY(c.WaitIdle());
        const qsizetype polls = polled.size();
        QTest::qWait(300);
        QCOMPARE(polled.size(), polls);

        c.controller.BeginView();
        c.relays.Remove(QVS);
        QVERIFY(QTest::qWaitFor([&] { return failed.size() == 1; }, 5000));
        QVERIFY(!c.controller.Viewing());
        QCOMPARE(failed.at(0).at(0).value<RelayOutcome>().result, int(RESULT_NO_PORT));
        QCOMPARE(failed.at(0).at(0).value<RelayOutcome>().port, QVS);
    }

    // A search asked for while a pass runs gets a pass of its own, and says what it found.
    void searchReportsItsPass()
    {
        CControlled c;
        QVERIFY(c.Start(MODEL_QVR_K115_ZQX, {QVR, QVR2}));
        QSignalSpy done(&c.controller, &CRelayController::searchDone);
        c.relays.Add(QVR, Options(MODEL_QVR_K115_ZQX));
        c.relays.Add(QVR2, Options(MODEL_QVR_K115_ZQX));
        c.controller.RefreshDeviceList();
        c.controller.Search();
        QVERIFY(QTest::qWaitFor([&] { return done.size() == 1; }, 5000));
        QVERIFY(c.WaitIdle());
        QCOMPARE(done.size(), 1);
        QCOMPARE(done.at(0).at(0).toInt(), 2);
        QCOMPARE(c.relays.Requests(QVR, CMD_IDENTIFY), 2);
    }

private:
    QTemporaryDir m_config;
};

QTEST_GUILESS_MAIN(TestRelayController)
#include "tst_relay_controller.moc"
