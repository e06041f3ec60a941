// Typed times: reading "3 min", "2,5 h" or "2 min 58 s" exactly, choosing the setting (unit
// and mantissa) that gives a time, or the nearest ones, and what the time dialog and the
// potentiometer panel tell the user in each shipped language.

#include "LanguageManager.h"
#include "ModelTypes.h"
#include "TestLanguages.h"
#include "TimeEntry.h"

#include <QTest>

using namespace TimeEntry;

namespace {

constexpr TimeE7 S = E7_PER_SECOND;

// The words of a language that writes a comma and Cyrillic units.
TimeWords CommaWords()
{
    TimeWords words = PlainWords();
    words.seconds << QStringLiteral("с");
    words.minutes << QStringLiteral("мин");
    words.hours << QStringLiteral("ч");
    words.decimalPoint = u',';
    words.otherPoint = u'.';
    return words;
}

} // namespace

class TestTimeEntry : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readTime_data()
    {
        QTest::addColumn<bool>("comma");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("status");
        QTest::addColumn<qint64>("time"); // in 10^-7 s
        QTest::addColumn<bool>("inexact");
        const int ok = int(ReadStatus::Ok);
        const int no = int(ReadStatus::NotATime);
        QTest::newRow("minutes") << false << "3 min" << ok << 180 * S << false;
        QTest::newRow("seconds") << false << "180 s" << ok << 180 * S << false;
        QTest::newRow("hours with a point") << false << "2.5 h" << ok << 9000 * S << false;
        QTest::newRow("a sum, as the panel writes it") << false << "2 min 58 s" << ok << 178 * S << false;
        QTest::newRow("no spaces") << false << "1h30min" << ok << 5400 * S << false;
        QTest::newRow("case and spaces") << false << "  3 MIN " << ok << 180 * S << false;
        QTest::newRow("seven decimals") << false << "0.0078125 s" << ok << TimeE7(78125) << false;
        QTest::newRow("eighth decimal cut") << false << "0.00781251 s" << ok << TimeE7(78125) << true;
        QTest::newRow("trailing zeros past seven") << false << "1.500000000 s" << ok << 15 * S / 10 << false;
        QTest::newRow("comma in the text form") << false << "2,5 h" << no << TimeE7(0) << false;
        QTest::newRow("no unit") << false << "180" << no << TimeE7(0) << false;
        QTest::newRow("no number") << false << "min" << no << TimeE7(0) << false;
        QTest::newRow("unit with a tail") << false << "3 mins" << no << TimeE7(0) << false;
        QTest::newRow("negative") << false << "-3 s" << no << TimeE7(0) << false;
        QTest::newRow("point without digits") << false << "3. s" << no << TimeE7(0) << false;
        QTest::newRow("empty") << false << " " << no << TimeE7(0) << false;
        QTest::newRow("far too long") << false << "999999999999 h" << int(ReadStatus::TooLong) << TimeE7(0) << false;
        QTest::newRow("language comma") << true << "2,5 ч" << ok << 9000 * S << false;
        QTest::newRow("language units") << true << "3 мин" << ok << 180 * S << false;
        QTest::newRow("plain units beside them") << true << "1 min 30 s" << ok << 90 * S << false;
        QTest::newRow("point beside a comma") << true << "2.5 h" << ok << 9000 * S << false;
        QTest::newRow("point after a zero") << true << "0.125 s" << ok << TimeE7(1250000) << false;
        QTest::newRow("point that may group thousands") << true << "1.500 s" << int(ReadStatus::Ambiguous) << TimeE7(0)
                                                       << false;
    }
    void readTime()
    {
        QFETCH(bool, comma);
        QFETCH(QString, text);
        QFETCH(int, status);
        QFETCH(qint64, time);
        QFETCH(bool, inexact);
        TypedTime typed;
        QCOMPARE(int(ReadTime(text, comma ? CommaWords() : PlainWords(), &typed)), status);
        if (status == int(ReadStatus::Ok)) {
            QCOMPARE(typed.time, time);
            QCOMPARE(typed.inexact, inexact);
        }
    }

    // The exact setting in the finest unit, or the nearest on both sides; the dialogs offer
    // mantissas 12..128 only, the program text 0..255.
    void chooseSetting_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("minMantissa");
        QTest::addColumn<int>("maxMantissa");
        QTest::addColumn<int>("onlyUnit");
        QTest::addColumn<QString>("expected"); // "unit:mantissa" exact, or "below|above|nearest"

        QTest::newRow("one second") << "1 s" << 12 << 128 << -1 << "0:128";
        QTest::newRow("finest unit that holds it") << "30 s" << 12 << 128 << -1 << "2:64";
        QTest::newRow("a coarser unit in the dialogs") << "0.5 s" << 12 << 128 << -1 << "0:64";
        QTest::newRow("between two settings") << "3 min" << 12 << 128 << -1 << "3:38|3:39|3:38";
        QTest::newRow("nearer above") << "182 s" << 12 << 128 << -1 << "3:38|3:39|3:39";
        QTest::newRow("any unit, 0..255") << "20 s" << 0 << 255 << -1 << "1:255|2:43|1:255";
        QTest::newRow("one unit only") << "1.5 s" << 0 << 255 << 2 << "2:3|2:4|2:3";
        QTest::newRow("a tie goes to the shorter") << "0.78515625 s" << 0 << 255 << 0 << "0:100|0:101|0:100";
        QTest::newRow("below the shortest") << "0.05 s" << 12 << 128 << -1 << "-|0:12|0:12";
        QTest::newRow("beyond the longest") << "150 h" << 12 << 128 << -1 << "6:128|-|6:128";
        QTest::newRow("cut off just above a setting") << "0.00781251 s" << 0 << 255 << 0 << "0:1|0:2|0:1";
    }
    void chooseSetting()
    {
        QFETCH(QString, text);
        QFETCH(int, minMantissa);
        QFETCH(int, maxMantissa);
        QFETCH(int, onlyUnit);
        QFETCH(QString, expected);
        TypedTime typed;
        QCOMPARE(ReadTime(text, PlainWords(), &typed), ReadStatus::Ok);
        const TimeChoice choice = ChooseSetting(typed, TimeLimits{minMantissa, maxMantissa, onlyUnit});
        auto name = [](const TimeValue& value) {
            return value.IsValid() ? QStringLiteral("%1:%2").arg(value.unit).arg(value.mantissa) : QStringLiteral("-");
        };
        const QString got = choice.IsExact() ? name(choice.exact)
                                             : name(choice.below) + u'|' + name(choice.above) + u'|' + name(choice.Nearest());
        QCOMPARE(got, expected);
        // A setting found is the time of its unit and mantissa.
        for (const TimeValue& value : {choice.exact, choice.below, choice.above})
            if (value.IsValid())
                QCOMPARE(value.time, SettingTime(value.unit, value.mantissa));
    }

    // What the time dialog and the potentiometer panel make of a typed time, in each shipped
    // language: the setting, and the message that names the nearest times.
    void typedInEachLanguage_data()
    {
        QTest::addColumn<int>("lcid");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("unit");
        QTest::addColumn<int>("mantissa");
        QTest::addColumn<QString>("message"); // the whole message; "*" any that names the text
        const int exact = int(CTimeEntryReader::Outcome::Exact);
        const int nearest = int(CTimeEntryReader::Outcome::Nearest);
        const int unreadable = int(CTimeEntryReader::Outcome::Unreadable);
        using namespace Language;

        QTest::newRow("en seconds, nearest") << int(LCID_ENGLISH) << "180 s" << nearest << 3 << 38
                                  << "180 s cannot be set exactly: 2 min 58 s or 3 min 3 s. Set to 2 min 58 s.";
        QTest::newRow("en nearest") << int(LCID_ENGLISH) << "3 min" << nearest << 3 << 38
                                    << "3 min cannot be set exactly: 2 min 58 s or 3 min 3 s. Set to 2 min 58 s.";
        QTest::newRow("en as shown") << int(LCID_ENGLISH) << "2 min 58 s" << exact << 3 << 38 << "";
        QTest::newRow("en hours") << int(LCID_ENGLISH) << "2.5 h" << exact << 5 << 32 << "";
        QTest::newRow("en comma is no decimal") << int(LCID_ENGLISH) << "2,5 h" << unreadable << -1 << 0
                                                << "“2,5 h” is not a time. Type a number and a unit, for "
                                                   "example 3 min, 180 s or 2.5 h.";
        QTest::newRow("en beyond the longest") << int(LCID_ENGLISH) << "150 h" << nearest << 6 << 128
                                               << "150 h is longer than the longest time that can be set. Set "
                                                  "to 100 h 0 min.";
        QTest::newRow("en below the shortest") << int(LCID_ENGLISH) << "0.01 s" << nearest << 0 << 12
                                               << "0.01 s is shorter than the shortest time that can be set. Set "
                                                  "to 0.09 s.";
        QTest::newRow("en alike shown precisely") << int(LCID_ENGLISH) << "59 min 40 s" << nearest << 4 << 127
                                                  << "59 min 40 s cannot be set exactly: 59.53125 min or 1 h. Set "
                                                     "to 59.53125 min.";
        QTest::newRow("pl nearest") << int(LCID_POLISH) << "3 min" << nearest << 3 << 38
                                    << "Czasu 3 min nie można ustawić dokładnie: 2 min 58 s lub 3 min 3 s. Ustawiono "
                                       "2 min 58 s.";
        QTest::newRow("pl comma") << int(LCID_POLISH) << "2,5 h" << exact << 5 << 32 << "";
        QTest::newRow("pl seconds with a comma") << int(LCID_POLISH) << "0,5 s" << exact << 0 << 64 << "";
        QTest::newRow("de point where it cannot be misread") << int(LCID_GERMAN) << "2.5 h" << exact << 5 << 32 << "";
        QTest::newRow("de point grouping thousands") << int(LCID_GERMAN) << "1.500 s" << unreadable << -1 << 0 << "*";
        QTest::newRow("de words") << int(LCID_GERMAN) << "drei Minuten" << unreadable << -1 << 0
                                  << "„drei Minuten“ ist keine Zeit. Geben Sie eine Zahl mit Einheit ein, z. B. 3 "
                                     "min, 180 s oder 2,5 h.";
        QTest::newRow("ru units") << int(LCID_RUSSIAN) << "3 мин" << nearest << 3 << 38
                                  << "3 мин нельзя установить точно: 2 мин 58 с или 3 мин 3 с. Установлено 2 мин 58 с.";
        QTest::newRow("ru as shown") << int(LCID_RUSSIAN) << "2 мин 58 с" << exact << 3 << 38 << "";
        QTest::newRow("ru hours") << int(LCID_RUSSIAN) << "2,5 ч" << exact << 5 << 32 << "";
        QTest::newRow("es nearest") << int(LCID_SPANISH) << "180 s" << nearest << 3 << 38 << "*";
        QTest::newRow("es seconds") << int(LCID_SPANISH) << "7,5 s" << exact << 1 << 96 << "";
    }
    void typedInEachLanguage()
    {
        QFETCH(int, lcid);
        QFETCH(QString, text);
        QFETCH(int, outcome);
        QFETCH(int, unit);
        QFETCH(int, mantissa);
        QFETCH(QString, message);
        QVERIFY(UseShippedLanguage(std::uint32_t(lcid)));
        CTimeEntryReader reader;
        reader.OnLanguageChanged(Language::TheLanguageManager());
        const CTimeEntryReader::Result result = reader.Read(text, TimeLimits{12, 128, -1});
        QCOMPARE(int(result.outcome), outcome);
        if (outcome != int(CTimeEntryReader::Outcome::Unreadable)) {
            QCOMPARE(result.unit, unit);
            QCOMPARE(result.mantissa, mantissa);
        }
        if (message == u"*")
            QVERIFY2(result.message.contains(text), qPrintable(result.message));
        else
            QCOMPARE(result.message, message);
    }
};

QTEST_GUILESS_MAIN(TestTimeEntry)
#include "tst_time_entry.moc"
