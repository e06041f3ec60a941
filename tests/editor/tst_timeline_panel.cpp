// The timing diagram panel: it computes again after every edit of the input changes or the
// program, reads times as the user writes them, exports what it shows, and takes the height
// its lanes need.

#include "LanguageManager.h"
#include "ProgramText.h"
#include "QuorvexDoc.h"
#include "RelayPane.h"
#include "TestLanguages.h"
#include "TimelinePanel.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr RelayTime S = RELAY_TIME_PER_SECOND;

// Relay on for 1.5 s at each rising input.
const QByteArray PULSE = R"({"model": "QVR_K115_ZQX", "steps": [
    {"step": 1, "relay operation": "off"},
    {"step": 2, "condition": "rising input 1"},
    {"step": 3, "relay operation": "on"},
    {"step": 4, "time": "fixed 1.5 s"},
    {"step": 5, "jump": "step 1"}]})";

std::unique_ptr<CQuorvexDoc> Document(const QByteArray& text)
{
    const ProgramText::ImportResult program = ProgramText::Import(text);
    std::unique_ptr<CQuorvexDoc> doc = CreateDocument(program.model);
    if (doc)
        std::copy(program.image.begin(), program.image.end(), doc->GetData());
    return doc;
}

// The times at which relay 1 switches, in seconds.
QList<double> RelaySwitches(const CTimelineTrace& trace)
{
    QList<double> times;
    for (std::size_t row = 1; row < trace.RowCount(); ++row)
        if (trace.RowState(row).outputs[0] != trace.RowState(row - 1).outputs[0])
            times << double(trace.RowTime(row)) / S;
    return times;
}

// Relay on for 10 s after power-on, then off for good.
const QByteArray TEN_SECONDS = R"({"model": "QVR_K115_ZQX", "steps": [
    {"step": 1, "relay operation": "on"},
    {"step": 4, "time": "fixed 10 s"},
    {"step": 5, "relay operation": "off", "jump": "stop"}]})";

// The time at the right end of the view's lanes.
RelayTime VisibleEnd(const CTimelineView& view)
{
    const double lanes = view.viewport()->width() - view.Painter().HeaderWidth(1, view.font());
    return view.Offset() + RelayTime(lanes * view.Scale());
}

} // namespace

class TestTimelinePanel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(UseShippedLanguage(Language::LCID_ENGLISH)); }

    void recomputesAfterEveryEdit()
    {
        const std::unique_ptr<CQuorvexDoc> doc = Document(PULSE);
        QVERIFY(doc);
        CTimelinePanel panel;
        panel.SetUntil(10 * S);
        panel.SetDocument(doc.get());
        panel.SetInputChanges({{1 * S, 0, 1}});
        QVERIFY(panel.WaitForComputation());
        QCOMPARE(RelaySwitches(*panel.Trace()), (QList<double>{1, 2.5}));

        // The user writes another time into the table.
        panel.ChangeTable()->item(0, 0)->setText(QStringLiteral("2"));
        QVERIFY(panel.WaitForComputation());
        QCOMPARE(RelaySwitches(*panel.Trace()), (QList<double>{2, 3.5}));

        // The program's time step gets 0.5 s.
        const auto fields = doc->CreateFieldSet();
        auto* time = static_cast<CQuorvexFIELDTime*>(fields->Bind(doc.get(), 0, 4));
        time->SetTimeValue(TIME_MANTISSA_ONE / 2);
        panel.ProgramChanged();
        QVERIFY(panel.WaitForComputation());
        QCOMPARE(RelaySwitches(*panel.Trace()), (QList<double>{2, 2.5}));

        // The change becomes "off": no rising input, the relay stays off.
        auto* value = qobject_cast<QComboBox*>(panel.ChangeTable()->cellWidget(0, 2));
        QVERIFY(value);
        value->setCurrentIndex(0);
        QVERIFY(panel.WaitForComputation());
        QVERIFY(RelaySwitches(*panel.Trace()).isEmpty());
    }

    void readsTimesAsWritten_data()
    {
        QTest::addColumn<int>("lcid");
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("expected"); // nanoseconds; -1: not readable
        QTest::newRow("seconds") << int(Language::LCID_ENGLISH) << "2.5" << qint64(2500000000);
        QTest::newRow("milliseconds") << int(Language::LCID_ENGLISH) << "500 ms" << qint64(500000000);
        QTest::newRow("hours") << int(Language::LCID_ENGLISH) << "2 h" << qint64(7200) * S;
        QTest::newRow("Russian minutes") << 1049 << QStringLiteral("2 мин") << qint64(120) * S;
        QTest::newRow("Russian comma") << 1049 << "2,5" << qint64(2500000000);
        QTest::newRow("Latin units in Russian") << 1049 << "3 min" << qint64(180) * S;
        QTest::newRow("no number") << int(Language::LCID_ENGLISH) << "min" << qint64(-1);
        QTest::newRow("negative") << int(Language::LCID_ENGLISH) << "-1" << qint64(-1);
        QTest::newRow("unknown unit") << int(Language::LCID_ENGLISH) << "5 days" << qint64(-1);
    }
    void readsTimesAsWritten()
    {
        QFETCH(int, lcid);
        QFETCH(QString, text);
        QFETCH(qint64, expected);
        Language::CLanguageManager& manager = Language::TheLanguageManager();
        QCOMPARE(manager.SelectLanguageByLcid(std::uint32_t(lcid)), qint64(lcid));
        const std::unique_ptr<CQuorvexDoc> doc = Document(PULSE);
        CTimelinePanel panel;
        panel.OnLanguageChanged(manager);
        panel.SetDocument(doc.get());
        panel.SetInputChanges({{1 * S, 0, 1}});
        panel.ChangeTable()->item(0, 0)->setText(text);
        const std::vector<TimelineInputChange> changes = panel.InputChanges();
        if (expected < 0) {
            // Left out of the computation, and marked for the user.
            QVERIFY(changes.empty());
            QVERIFY(!panel.ChangeTable()->item(0, 0)->toolTip().isEmpty());
        } else {
            QCOMPARE(changes.size(), std::size_t(1));
            QCOMPARE(qint64(changes[0].time), expected);
        }
        manager.SelectLanguageByLcid(Language::LCID_ENGLISH);
    }

    void exportsWhatItShows()
    {
        const std::unique_ptr<CQuorvexDoc> doc = Document(PULSE);
        CTimelinePanel panel;
        panel.resize(800, panel.PreferredHeight());
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        panel.SetUntil(5 * S);
        panel.SetDocument(doc.get());
        panel.SetInputChanges({{1 * S, 0, 1}});
        QVERIFY(panel.WaitForComputation());

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString csv = dir.filePath(QStringLiteral("trace.csv"));
        QCOMPARE(panel.ExportCsv(csv), 0);
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("time_s,input1,relay1,step1\n0,0,0,2\n1,1,1,4\n2.5,1,0,2\n"));

        const QString png = dir.filePath(QStringLiteral("trace.png"));
        QCOMPARE(panel.ExportPicture(png), 0);
        QImage image;
        QVERIFY(image.load(png));
        QVERIFY(image.width() >= 400 && image.height() >= 80);
        const QString svg = dir.filePath(QStringLiteral("trace.svg"));
        QCOMPARE(panel.ExportPicture(svg), 0);
        QFile svgFile(svg);
        QVERIFY(svgFile.open(QIODevice::ReadOnly));
        const QByteArray svgText = svgFile.readAll();
        QVERIFY(svgText.contains("<svg"));
        QVERIFY(svgText.contains(">Relay 1</text>"));

        // A folder that does not exist: reported, nothing written.
        QCOMPARE(panel.ExportCsv(dir.filePath(QStringLiteral("missing/trace.csv"))), 22);
    }

    // The live view's polled states become a recorded trace against the wall clock; the
    // source box goes back to the computed trace and forth to the recording.
    void recordsPolledStates()
    {
        const std::unique_ptr<CQuorvexDoc> doc = Document(PULSE);
        CTimelinePanel panel;
        panel.SetDocument(doc.get());
        QVERIFY(panel.WaitForComputation());
        auto* source = panel.findChild<QComboBox*>(QStringLiteral("timelineSource"));
        QVERIFY(source);
        QCOMPARE(source->currentIndex(), 0);

        RelayStatus waiting;
        waiting.steps[0] = 2;
        RelayStatus on = waiting;
        on.inputs[0] = on.outputs[0] = 1;
        on.steps[0] = 4;
        QElapsedTimer clock;
        clock.start();
        panel.RecordRelayState(waiting);
        QTest::qWait(40);
        panel.RecordRelayState(on);
        const qint64 onAt = clock.nsecsElapsed();
        QTest::qWait(40);
        panel.RecordRelayState(on); // unchanged: no row, but the trace is known further
        QVERIFY(panel.IsRecording());
        const std::shared_ptr<const CTimelineTrace> recorded = panel.Trace();
        QCOMPARE(recorded->Source(), TraceSource::Recorded);
        QCOMPARE(recorded->RowCount(), std::size_t(2));
        QCOMPARE(recorded->RowTime(0), RelayTime(0));
        QVERIFY(recorded->RowTime(1) >= 40'000'000 && recorded->RowTime(1) <= onAt);
        QCOMPARE(recorded->RowState(1), on);
        QVERIFY(recorded->KnownUntil() >= recorded->RowTime(1) + 40'000'000);
        QCOMPARE(source->currentIndex(), 1);

        // A program edit during the recording computes in the background; the recording stays.
        panel.ProgramChanged();
        QVERIFY(panel.WaitForComputation());
        QCOMPARE(panel.Trace(), recorded);

        source->activated(0);
        QCOMPARE(panel.Trace()->Source(), TraceSource::Computed);
        source->activated(1);
        QCOMPARE(panel.Trace(), recorded);

        // The next live view records anew.
        panel.EndRecording();
        panel.RecordRelayState(waiting);
        QVERIFY(panel.Trace() != recorded);
        QCOMPARE(panel.Trace()->RowCount(), std::size_t(1));
    }

    // The pane hands every state it shows during the live view on.
    void paneReportsPolledStates()
    {
        std::unique_ptr<CRelayPane> pane(CreateRelayPane(2));
        QVERIFY(pane);
        pane->CreatePaneWindow();
        QSignalSpy spy(pane.get(), &CRelayPane::relayStatePolled);
        DeviceProtocol::ChannelState states[2];
        states[0].inputState = 1;
        states[0].outputState = 0;
        states[0].fieldIndex = 4;
        states[1].inputState = 0;
        states[1].outputState = 1;
        states[1].fieldIndex = 36;
        pane->ShowRelayState(states);
        QCOMPARE(spy.count(), 1);
        RelayStatus expected;
        expected.inputs = {1, 0};
        expected.outputs = {0, 1};
        expected.steps = {4, 36};
        QCOMPARE(spy.at(0).at(0).value<RelayStatus>(), expected);
    }

    // Until the user writes an end, the diagram ends where the program has shown what it does:
    // a 10 s program is not a flat line of 200 h. The view shows that stretch and keeps
    // showing it when it gets wider, until the user zooms. The table names its unit.
    void endFollowsTheProgram()
    {
        const std::unique_ptr<CQuorvexDoc> doc = Document(TEN_SECONDS);
        CTimelinePanel panel;
        panel.resize(700, panel.PreferredHeight());
        panel.show();
        panel.SetDocument(doc.get());
        QVERIFY(panel.WaitForComputation());
        QVERIFY(panel.IsUntilFromProgram());
        QCOMPARE(panel.Until(), 11 * S);
        QCOMPARE(panel.Trace()->KnownUntil(), 11 * S);
        QCOMPARE(panel.findChild<QLineEdit*>(QStringLiteral("timelineUntil"))->text(), QStringLiteral("11 s"));
        QCOMPARE(panel.ChangeTable()->horizontalHeaderItem(0)->text(), QStringLiteral("Time (s)"));
        CTimelineView* view = panel.View();
        const RelayTime end = VisibleEnd(*view);
        QVERIFY2(end > 11 * S && end < 12 * S, qPrintable(QString::number(double(end) / S)));

        panel.resize(1400, panel.height());
        QTRY_VERIFY(view->viewport()->width() > 1000);
        QCOMPARE(VisibleEnd(*view), end);

        // A longer time step: the end and the fitted view follow.
        const auto fields = doc->CreateFieldSet();
        auto* time = static_cast<CQuorvexFIELDTime*>(fields->Bind(doc.get(), 0, 4));
        time->SetTimeUnit(1);
        time->SetTimeValue(192); // 15 s
        panel.ProgramChanged();
        QVERIFY(panel.WaitForComputation());
        QCOMPARE(panel.Until(), 17 * S); // 15 s and a tenth, to two digits
        QVERIFY2(VisibleEnd(*view) > 17 * S && VisibleEnd(*view) < 19 * S,
                 qPrintable(QString::number(double(VisibleEnd(*view)) / S)));
        view->ZoomAt(2.0, 300);
        const double zoomed = view->Scale();
        panel.resize(900, panel.height());
        QTRY_VERIFY(view->viewport()->width() < 900);
        QCOMPARE(view->Scale(), zoomed);

        // An input change later than the program's last change moves the end; an end the
        // user writes holds until the field is emptied again.
        panel.SetInputChanges({{30 * S, 0, 1}});
        QVERIFY(panel.WaitForComputation());
        QCOMPARE(panel.Until(), 33 * S);
        auto* until = panel.findChild<QLineEdit*>(QStringLiteral("timelineUntil"));
        until->clear();
        QTest::keyClicks(until, QStringLiteral("5 s"));
        QVERIFY(panel.WaitForComputation());
        QVERIFY(!panel.IsUntilFromProgram());
        QCOMPARE(panel.Trace()->KnownUntil(), 5 * S);
        until->selectAll();
        QTest::keyClick(until, Qt::Key_Backspace); // an edit that leaves it empty
        QVERIFY(panel.WaitForComputation());
        QVERIFY(panel.IsUntilFromProgram());
        QCOMPARE(panel.Trace()->KnownUntil(), 33 * S);
    }

    void heightFollowsTheModel()
    {
        const std::unique_ptr<CQuorvexDoc> one = Document(PULSE);
        std::unique_ptr<CQuorvexDoc> two = CreateDocument(MODEL_QVS_K115_318);
        two->ResetProgram(0);
        CTimelinePanel panel;
        panel.SetDocument(one.get());
        QVERIFY(panel.WaitForComputation());
        const int oneHeight = panel.height();
        QSignalSpy spy(&panel, &CTimelinePanel::preferredHeightChanged);
        panel.SetDocument(two.get());
        QVERIFY(panel.WaitForComputation());
        QVERIFY(spy.count() >= 1);
        QVERIFY2(panel.height() > oneHeight, qPrintable(QStringLiteral("%1 vs %2").arg(panel.height()).arg(oneHeight)));
        QCOMPARE(panel.height(), panel.PreferredHeight());
    }
};

QTEST_MAIN(TestTimelinePanel)
#include "tst_timeline_panel.moc"
