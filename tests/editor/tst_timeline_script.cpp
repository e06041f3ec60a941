// The timing diagram's script: rows as written (a time that cannot be read is kept, marked and
// left out of the run), times in the language's words, the inputs of the model, new changes,
// and the script a run gets, the end and the potentiometer included.

#include "TestLanguages.h"
#include "TimelineScriptModel.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

constexpr RelayTime S = RELAY_TIME_PER_SECOND;
constexpr int TIME = CTimelineScriptModel::COLUMN_TIME;
constexpr int INPUT = CTimelineScriptModel::COLUMN_INPUT;
constexpr int VALUE = CTimelineScriptModel::COLUMN_VALUE;
constexpr int CHOICE = CTimelineScriptModel::CHOICE_ROLE;
constexpr std::uint32_t LCID_RUSSIAN = 1049;

QString Cell(const CTimelineScriptModel& model, int row, int column, int role = Qt::DisplayRole)
{
    return model.index(row, column).data(role).toString();
}

} // namespace

class TestTimelineScript : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(UseShippedLanguage(Language::LCID_ENGLISH)); }
    void cleanup() { Language::TheLanguageManager().SelectLanguageByLcid(Language::LCID_ENGLISH); }

    // A time that cannot be read stays as written, marked, and out of the run until it is
    // written again; the others are shown in the language's way.
    void rowsAsWritten()
    {
        CTimelineScriptModel model;
        model.SetInputCount(2);
        model.SetChanges({{2500 * S / 1000, 1, 1}, {4 * S, 0, 1}});
        QSignalSpy edits(&model, &CTimelineScriptModel::scriptChanged);
        QVERIFY(model.setData(model.index(1, TIME), QStringLiteral("4 days")));
        QVERIFY(!model.IsRowValid(1));
        QVERIFY(model.IsRowValid(0));
        QCOMPARE(edits.count(), 1);
        QCOMPARE(model.Changes(), (std::vector<TimelineInputChange>{{2500 * S / 1000, 1, 1}}));
        QCOMPARE(Cell(model, 1, TIME), QStringLiteral("4 days"));
        QVERIFY(!Cell(model, 1, TIME, Qt::ToolTipRole).isEmpty());
        QVERIFY(model.index(1, TIME).data(Qt::BackgroundRole).isValid());
        QCOMPARE(Cell(model, 0, INPUT), QStringLiteral("2"));
        QCOMPARE(Cell(model, 0, VALUE), QStringLiteral("on"));

        // In Russian: a comma, the language's words; what could not be read stays.
        QCOMPARE(Language::TheLanguageManager().SelectLanguageByLcid(LCID_RUSSIAN), qint64(LCID_RUSSIAN));
        QSignalSpy shown(&model, &QAbstractItemModel::dataChanged);
        model.LanguageChanged();
        QCOMPARE(shown.count(), 1);
        QCOMPARE(Cell(model, 0, TIME), QStringLiteral("2,5"));
        QCOMPARE(Cell(model, 1, TIME), QStringLiteral("4 days"));
        QCOMPARE(model.index(0, VALUE).data(CTimelineScriptModel::CHOICES_ROLE).toStringList().size(), 2);
        QVERIFY(model.setData(model.index(1, TIME), QStringLiteral("1,5 мин")));
        QVERIFY(model.IsRowValid(1));
        QCOMPARE(model.Changes()[1].time, 90 * S);
        QCOMPARE(edits.count(), 2);
    }

    void choices_data()
    {
        QTest::addColumn<int>("inputs");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("choice");
        QTest::addColumn<bool>("taken");
        QTest::newRow("value on") << 1 << VALUE << 1 << true;
        QTest::newRow("value out of range") << 1 << VALUE << 2 << false;
        QTest::newRow("no value") << 1 << VALUE << -1 << false;
        QTest::newRow("input 2 of two") << 2 << INPUT << 1 << true;
        QTest::newRow("input 2 of one") << 1 << INPUT << 1 << false;
        QTest::newRow("input 1 of one") << 1 << INPUT << 0 << false; // nothing to choose there
    }
    void choices()
    {
        QFETCH(int, inputs);
        QFETCH(int, column);
        QFETCH(int, choice);
        QFETCH(bool, taken);
        CTimelineScriptModel model;
        model.SetInputCount(inputs);
        model.SetChanges({{S, 0, 0}});
        QSignalSpy edits(&model, &CTimelineScriptModel::scriptChanged);
        QCOMPARE(model.setData(model.index(0, column), choice, CHOICE), taken);
        QCOMPARE(model.index(0, column).data(CHOICE).toInt(), taken ? choice : 0);
        QCOMPARE(edits.count(), taken ? 1 : 0);
        QCOMPARE(bool(model.flags(model.index(0, INPUT)) & Qt::ItemIsEditable), inputs == 2);
    }

    // A program of the other model keeps the changes of the inputs it has, as written.
    void inputsOfTheModel()
    {
        CTimelineScriptModel model;
        model.SetInputCount(2);
        model.SetChanges({{S, 1, 1}, {2 * S, 0, 1}, {3 * S, 1, 0}, {4 * S, 0, 0}});
        QVERIFY(model.setData(model.index(3, TIME), QStringLiteral("soon")));
        QSignalSpy edits(&model, &CTimelineScriptModel::scriptChanged);
        model.SetInputCount(1);
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.Changes(), (std::vector<TimelineInputChange>{{2 * S, 0, 1}}));
        QCOMPARE(Cell(model, 1, TIME), QStringLiteral("soon"));
        QCOMPARE(edits.count(), 1);
    }

    // A new change comes a second after the latest, of that input, the other way.
    void addedChanges()
    {
        CTimelineScriptModel model;
        model.SetInputCount(2);
        QCOMPARE(model.AddChange(), 0);
        QCOMPARE(model.Changes(), (std::vector<TimelineInputChange>{{S, 0, 1}}));
        model.SetChanges({{5 * S, 1, 1}, {2 * S, 0, 0}});
        QCOMPARE(model.AddChange(), 2);
        QCOMPARE(model.Changes().back(), (TimelineInputChange{6 * S, 1, 0}));
        model.RemoveChanges({0, 2, 0, 7});
        QCOMPARE(model.Changes(), (std::vector<TimelineInputChange>{{2 * S, 0, 0}}));
    }

    // What a run gets: the end chosen or the program's, the program's potentiometer unless the
    // script sets one (as a scenario does); a whole script goes in and comes out the same.
    void scriptOfARun()
    {
        CTimelineScriptModel model;
        model.SetChanges({{S, 0, 1}});
        TimelineScript script = model.Script(2, 96);
        QVERIFY(script.endFromProgram);
        QCOMPARE(script.until, CTimelineScriptModel::LATEST_UNTIL);
        QCOMPARE(script.potUnit, 2);
        QCOMPARE(script.potValue, 96);

        QSignalSpy edits(&model, &CTimelineScriptModel::scriptChanged);
        model.SetProgramEnd(11 * S); // what a run found: no run again
        QCOMPARE(model.Until(), 11 * S);
        QCOMPARE(edits.count(), 0);
        model.SetUntil(30 * S);
        model.SetProgramEnd(12 * S); // a chosen end stays
        script = model.Script(2, 96);
        QVERIFY(!script.endFromProgram);
        QCOMPARE(script.until, 30 * S);

        TimelineScript scenario;
        scenario.potUnit = 1;
        scenario.potValue = 48;
        scenario.changes = {{0, 0, 1}, {7 * S, 0, 0}};
        scenario.until = 20 * S;
        model.SetScript(scenario, true);
        script = model.Script(2, 96);
        QCOMPARE(script.potUnit, 1);
        QCOMPARE(script.potValue, 48);
        QCOMPARE(script.changes, scenario.changes);
        QCOMPARE(script.until, 20 * S);
        QVERIFY(!script.endFromProgram);
        QVERIFY(model.HasPotentiometer());

        scenario.endFromProgram = true;
        model.SetScript(scenario, false);
        script = model.Script(2, 96);
        QCOMPARE(script.potUnit, 2);
        QVERIFY(script.endFromProgram);
        QVERIFY(edits.count() >= 3);
    }
};

QTEST_MAIN(TestTimelineScript)
#include "tst_timeline_script.moc"
