// The virtual relay's live state on the simulator engine: the stored program runs in real time.

#include "LiveProgram.h"
#include "QuorvexDoc.h"

#include <QTest>

class TestLiveProgram : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void realTime_data();
    void realTime();
};

void TestLiveProgram::realTime_data()
{
    QTest::addColumn<int>("model");
    QTest::newRow("QVR_K115_ZQX") << int(MODEL_QVR_K115_ZQX);
    QTest::newRow("QVS_K115_318") << int(MODEL_QVS_K115_318);
}

void TestLiveProgram::realTime()
{
    QFETCH(int, model);
    const ModelCode code = ModelCode(model);
    // The default program: steps without time, then a 1 s time step at fields 4, 8, ... 32,
    // then Stop.
    const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(code);
    doc->ResetProgram(0);
    const std::unique_ptr<ILiveProgram> live = CreateEngineLiveProgram(code);
    QVERIFY(live);
    live->Restart(doc->GetData(), doc->GetDataSize());

    struct Expect {
        double advance;  // real seconds that pass before the look
        int field;
        double elapsed;
    };
    const Expect looks[] = {
        {0.0, 4, 0.0},   // the steps without time run at once
        {0.5, 4, 0.5},   // a 1 s step is half done after half a second
        {0.45, 4, 0.95}, // and not done early
        {0.15, 8, 0.1},  // the next time step started when the first ended
        {7.0, 36, 0.0},  // eight seconds in all, then Stop for good
        {5.0, 36, 0.0},
    };
    for (const Expect& look : looks) {
        // The relay advances in small slices, as its loop does.
        for (double passed = 0; passed < look.advance - 1e-9; passed += 0.02)
            live->Advance(std::min(0.02, look.advance - passed));
        live->Advance(0);
        for (int c = 0; c < doc->GetChannelCount(); ++c) {
            const DeviceProtocol::ChannelState state = live->State(c);
            QCOMPARE(state.fieldIndex, look.field);
            QVERIFY2(std::abs(state.elapsedSeconds - look.elapsed) <= 1.0 / 64,
                     qPrintable(QStringLiteral("field %1 elapsed %2").arg(look.field).arg(state.elapsedSeconds)));
        }
    }
}

QTEST_GUILESS_MAIN(TestLiveProgram)
#include "tst_live_program.moc"
