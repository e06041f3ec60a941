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
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
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

// Writes a time into a row of the input changes as the user does: edits the cell, types,
// confirms with Enter.
bool WriteTime(QTableView* table, int row, const QString& text)
{
    const QModelIndex index = table->model()->index(row, CTimelineScriptModel::COLUMN_TIME);
    table->setCurrentIndex(index);
    table->edit(index);
    auto* editor = table->viewport()->findChild<QLineEdit*>();
    if (!editor)
        return false;
    editor->selectAll();
    editor->insert(text); // as typed (keyClicks knows no letters beyond ASCII)
    QTest::keyClick(editor, Qt::Key_Return);
    // The table takes the text and closes the editor once the key has been handled.
    QCoreApplication::processEvents();
    return true;
}

// The box of a choice column of the input changes (input or value).
QComboBox* ChoiceBox(QTableView* table, int row, int column)
{
    return qobject_cast<QComboBox*>(table->indexWidget(table->model()->index(row, column)));
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
        panel.Script().SetUntil(10 * S);
        panel.SetDocument(doc.get());
        panel.Script().SetChanges({{1 * S, 0, 1}});
        QVERIFY(panel.WaitForComputation());
        QCOMPARE(RelaySwitches(*panel.Trace()), (QList<double>{1, 2.5}));

        // The user writes another time into the table.
        QVERIFY(WriteTime(panel.ChangeTable(), 0, QStringLiteral("2")));
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
        QComboBox* value = ChoiceBox(panel.ChangeTable(), 0, CTimelineScriptModel::COLUMN_VALUE);
        QVERIFY(value);
        value->setCurrentIndex(0);
        QVERIFY(panel.WaitForComputation());
        QVERIFY(RelaySwitches(*panel.Trace()).isEmpty());
    }

    // The table shows the script and hands the user's edits to it: Add and Remove, the boxes
    // of every row, a switch of language.
    void tableEditsTheScript()
    {
        const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(MODEL_QVS_K115_318);
        doc->ResetProgram(0);
        CTimelinePanel panel;
        panel.SetDocument(doc.get());
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        auto* add = panel.findChild<QPushButton*>(QStringLiteral("timelineAdd"));
        auto* remove = panel.findChild<QPushButton*>(QStringLiteral("timelineRemove"));
        QTest::mouseClick(add, Qt::LeftButton);
        QTest::mouseClick(add, Qt::LeftButton);
        QTableView* table = panel.ChangeTable();
        QCOMPARE(table->model()->rowCount(), 2);
        QComboBox* input = ChoiceBox(table, 1, CTimelineScriptModel::COLUMN_INPUT);
        QComboBox* value = ChoiceBox(table, 1, CTimelineScriptModel::COLUMN_VALUE);
        QVERIFY(input && value);
        QVERIFY(input->isEnabled());
        QCOMPARE(value->currentText(), QStringLiteral("off"));
        QTest::keyClick(input, Qt::Key_Down);
        QCOMPARE(panel.Script().Changes()[1].input, 1);

        QCOMPARE(Language::TheLanguageManager().SelectLanguageByLcid(1031), qint64(1031));
        panel.OnLanguageChanged(Language::TheLanguageManager());
        QCOMPARE(value->currentText(), QStringLiteral("aus"));
        QCOMPARE(value->itemText(1), QStringLiteral("ein"));
        Language::TheLanguageManager().SelectLanguageByLcid(Language::LCID_ENGLISH);

        table->selectRow(0);
        QTest::mouseClick(remove, Qt::LeftButton);
        QCOMPARE(panel.Script().Changes(), (std::vector<TimelineInputChange>{{2 * S, 1, 0}}));
        QVERIFY(panel.WaitForComputation());
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
        panel.Script().SetChanges({{1 * S, 0, 1}});
        QVERIFY(WriteTime(panel.ChangeTable(), 0, text));
        const std::vector<TimelineInputChange> changes = panel.Script().Changes();
        if (expected < 0) {
            // Left out of the computation, and marked for the user; what was written stays.
            QVERIFY(changes.empty());
            const QModelIndex cell = panel.Script().index(0, CTimelineScriptModel::COLUMN_TIME);
            QVERIFY(!cell.data(Qt::ToolTipRole).toString().isEmpty());
            QCOMPARE(cell.data().toString(), text);
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
        panel.Script().SetUntil(5 * S);
        panel.SetDocument(doc.get());
        panel.Script().SetChanges({{1 * S, 0, 1}});
        QVERIFY(panel.WaitForComputation());

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString csv = dir.filePath(QStringLiteral("trace.csv"));
        QCOMPARE(panel.ExportCsv(csv), 0);
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("time_s,input1,relay1,step1\n0,0,0,2\n1,1,1,4\n2.5,1,0,2\n"));

        // The picture is the view's stretch at the view's size: a PNG with twice its pixels,
        // an SVG (also for a name without a picture suffix) and a PDF of its size.
        const QSize shown = panel.View()->viewport()->size();
        const QString png = dir.filePath(QStringLiteral("trace.png"));
        QCOMPARE(panel.ExportPicture(png), 0);
        QImage image;
        QVERIFY(image.load(png));
        QCOMPARE(image.size(), shown * 2);
        for (const QString& name : {QStringLiteral("trace.svg"), QStringLiteral("trace")}) {
            const QString svg = dir.filePath(name);
            QCOMPARE(panel.ExportPicture(svg), 0);
            QFile svgFile(svg);
            QVERIFY(svgFile.open(QIODevice::ReadOnly));
            const QByteArray svgText = svgFile.readAll();
            QVERIFY(svgText.contains(QStringLiteral("<svg width=\"%1\" height=\"%2\"")
                                         .arg(shown.width())
                                         .arg(shown.height())
                                         .toLatin1()));
            QVERIFY(svgText.contains(">Relay 1</text>"));
        }
        const QString pdf = dir.filePath(QStringLiteral("trace.pdf"));
        QCOMPARE(panel.ExportPicture(pdf), 0);
        QFile pdfFile(pdf);
        QVERIFY(pdfFile.open(QIODevice::ReadOnly));
        QVERIFY(pdfFile.readAll().startsWith("%PDF"));

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
        QVERIFY(panel.Script().IsUntilFromProgram());
        QCOMPARE(panel.Script().Until(), 11 * S);
        QCOMPARE(panel.Trace()->KnownUntil(), 11 * S);
        QCOMPARE(panel.findChild<QLineEdit*>(QStringLiteral("timelineUntil"))->text(), QStringLiteral("11 s"));
        QCOMPARE(panel.ChangeTable()->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Time (s)"));
        CTimelineView* view = panel.View();
        const RelayTime end = view->Axis().VisibleEnd();
        QVERIFY2(end > 11 * S && end < 12 * S, qPrintable(QString::number(double(end) / S)));

        panel.resize(1400, panel.height());
        QTRY_VERIFY(view->viewport()->width() > 1000);
        QCOMPARE(view->Axis().VisibleEnd(), end);

        // A longer time step: the end and the fitted view follow.
        const auto fields = doc->CreateFieldSet();
        auto* time = static_cast<CQuorvexFIELDTime*>(fields->Bind(doc.get(), 0, 4));
        time->SetTimeUnit(1);
        time->SetTimeValue(192); // 15 s
        panel.ProgramChanged();
        QVERIFY(panel.WaitForComputation());
        QCOMPARE(panel.Script().Until(), 17 * S); // 15 s and a tenth, to two digits
        QVERIFY2(view->Axis().VisibleEnd() > 17 * S && view->Axis().VisibleEnd() < 19 * S,
                 qPrintable(QString::number(double(view->Axis().VisibleEnd()) / S)));
        view->ZoomAt(2.0, 300);
        const double zoomed = view->Axis().Scale();
        panel.resize(900, panel.height());
        QTRY_VERIFY(view->viewport()->width() < 900);
        QCOMPARE(view->Axis().Scale(), zoomed);

        // An input change later than the program's last change moves the end; an end the
        // user writes holds until the field is emptied again.
        panel.Script().SetChanges({{30 * S, 0, 1}});
        QVERIFY(panel.WaitForComputation());
        QCOMPARE(panel.Script().Until(), 33 * S);
        auto* until = panel.findChild<QLineEdit*>(QStringLiteral("timelineUntil"));
        until->clear();
        QTest::keyClicks(until, QStringLiteral("5 s"));
        QVERIFY(panel.WaitForComputation());
        QVERIFY(!panel.Script().IsUntilFromProgram());
        QCOMPARE(panel.Trace()->KnownUntil(), 5 * S);
        until->selectAll();
        QTest::keyClick(until, Qt::Key_Backspace); // an edit that leaves it empty
        QVERIFY(panel.WaitForComputation());
        QVERIFY(panel.Script().IsUntilFromProgram());
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
