// Time texts: seconds with a fraction for units 0 and 1, minutes and seconds for units 2
// and 3, hours and minutes above, rounded half up with carries, from the panel or the
// description formats of the language.

#include "Fields_QVS_K115_318.h"
#include "QuorvexDoc.h"
#include "TestLanguages.h"
#include "TimeControlHelper.h"

#include <QTest>

#include <optional>

using namespace Language;

class TestTimeFormat : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(LoadTestLanguage(m_manager, m_folder));
        m_helper.OnLanguageChanged(m_manager);
    }

    void formats_data()
    {
        QTest::addColumn<int>("set");
        QTest::addColumn<int>("unit");
        QTest::addColumn<int>("mantissa");
        QTest::addColumn<double>("elapsed"); // negative: none
        QTest::addColumn<QString>("expected");

        const int desc = CTimeControlHelper::DESCRIPTION_FORMATS;
        const int panel = CTimeControlHelper::PANEL_FORMATS;
        // Test module formats: 300 "%.2f s", 301 "%d min %d s", 302 "%d h %d min";
        // 205 "P%.2f s", 206 "P%d:%02d", 207 "P%dh%02d".
        QTest::newRow("half a second") << desc << 0 << 64 << -1.0 << "0.50 s";
        QTest::newRow("one second") << desc << 0 << 128 << -1.0 << "1.00 s";
        QTest::newRow("unit 1 largest") << desc << 1 << 255 << -1.0 << "19.92 s";
        QTest::newRow("unit 2 one minute") << desc << 2 << 128 << -1.0 << "1 min 0 s";
        QTest::newRow("unit 3, 15.625 min") << desc << 3 << 200 << -1.0 << "15 min 38 s";
        QTest::newRow("unit 4 carries 60 min") << desc << 4 << 255 << -1.0 << "2 h 0 min";
        QTest::newRow("unit 6 largest") << desc << 6 << 255 << -1.0 << "199 h 13 min";
        QTest::newRow("unit 7 as hours") << desc << 7 << 128 << -1.0 << "1000 h 0 min";
        QTest::newRow("zero") << desc << 2 << 0 << -1.0 << "0 min 0 s";
        QTest::newRow("elapsed seconds") << desc << 1 << 128 << 12.5 << "12.50 s";
        QTest::newRow("elapsed carries 60 s") << desc << 2 << 128 << 119.6 << "2 min 0 s";
        QTest::newRow("elapsed hours") << desc << 5 << 128 << 5460.0 << "1 h 31 min";
        QTest::newRow("unit beyond hours is limited") << desc << 20 << 255 << -1.0 << "2147483646 h 0 min";
        QTest::newRow("elapsed infinite is limited") << desc << 4 << 128 << qInf() << "2147483646 h 0 min";
        QTest::newRow("panel seconds") << panel << 0 << 64 << -1.0 << "P0.50 s";
        QTest::newRow("panel minutes") << panel << 3 << 200 << -1.0 << "P15:38";
        QTest::newRow("panel hours") << panel << 4 << 255 << -1.0 << "P2h00";
    }
    void formats()
    {
        QFETCH(int, set);
        QFETCH(int, unit);
        QFETCH(int, mantissa);
        QFETCH(double, elapsed);
        QFETCH(QString, expected);
        const std::optional<double> time = elapsed >= 0 ? std::optional<double>(elapsed) : std::nullopt;
        QCOMPARE(m_helper.FormatTime(CTimeControlHelper::FormatSet(set), unit, mantissa, time), expected);
    }

    // Seconds take the decimal separator of the language the helper last read; minutes and
    // hours have none.
    void secondsTakeTheLanguagesSeparator()
    {
        CTestLanguageFolder folder;
        QVERIFY(folder.Add(QStringLiteral("pl"), QStringLiteral("Polski"), 1045));
        QVERIFY(folder.Add(QStringLiteral("en"), QStringLiteral("English"), 2057));
        CLanguageManager manager;
        manager.SetModuleFolder(folder.Path());
        QCOMPARE(manager.ScanModules(), 2);
        QVERIFY(manager.SelectLanguageByLcid(1045) == 1045);
        CTimeControlHelper helper;
        helper.OnLanguageChanged(manager);
        QCOMPARE(helper.FormatTime(CTimeControlHelper::DESCRIPTION_FORMATS, 1, 255), QStringLiteral("19,92 s"));
        QCOMPARE(helper.FormatTime(CTimeControlHelper::PANEL_FORMATS, 0, 64), QStringLiteral("P0,50 s"));
        QCOMPARE(helper.FormatTime(CTimeControlHelper::DESCRIPTION_FORMATS, 0, 64, 12.5), QStringLiteral("12,50 s"));
        QCOMPARE(helper.FormatTime(CTimeControlHelper::DESCRIPTION_FORMATS, 3, 200), QStringLiteral("15 min 38 s"));

        QVERIFY(manager.SelectLanguageByLcid(2057) == 2057);
        QCOMPARE(helper.FormatTime(CTimeControlHelper::DESCRIPTION_FORMATS, 0, 64), QStringLiteral("0,50 s")); // not re-read yet
        helper.OnLanguageChanged(manager);
        QCOMPARE(helper.FormatTime(CTimeControlHelper::DESCRIPTION_FORMATS, 0, 64), QStringLiteral("0.50 s"));
    }

    // Without a language, or with formats whose placeholders do not fit, the text is empty.
    void missingOrBrokenFormatsGiveEmptyText()
    {
        CTimeControlHelper fresh;
        QVERIFY(fresh.FormatTime(CTimeControlHelper::DESCRIPTION_FORMATS, 0, 64).isEmpty());

        CLanguageManager noLanguage; // "????" has no placeholder for the argument
        fresh.OnLanguageChanged(noLanguage);
        QVERIFY(fresh.FormatTime(CTimeControlHelper::PANEL_FORMATS, 3, 200).isEmpty());

        CTestLanguageFolder folder;
        CLanguageManager broken;
        QVERIFY(LoadTestLanguage(broken, folder, QStringLiteral("broken")));
        fresh.OnLanguageChanged(broken);
        for (int set : {CTimeControlHelper::PANEL_FORMATS, CTimeControlHelper::DESCRIPTION_FORMATS})
            for (int unit : {0, 2, 4})
                QVERIFY(fresh.FormatTime(CTimeControlHelper::FormatSet(set), unit, 200).isEmpty());
    }

    // The Time accessor of model QVS_K115_318 keeps its time formats as well as its
    // expression texts.
    void timeAccessorReadsBothTextSets()
    {
        CQuorvex_QVS_K115_318_Doc doc;
        doc.ResetProgram(0);
        CQuorvex_QVS_K115_318_FIELDTime time;
        QVERIFY(time.DescribeExpression(false).isEmpty()); // unbound: nothing to describe
        int kind = -1;
        QVERIFY(time.Attach(&doc, 1, 8, doc.GetFieldData(1, 8, &kind)));
        QCOMPARE(kind, int(FIELD_TIME));
        time.OnLanguageChanged(m_manager);
        QCOMPARE(time.FormatTime(CTimeControlHelper::DESCRIPTION_FORMATS, 3, 200), QStringLiteral("15 min 38 s"));
        QCOMPARE(time.DescribeExpression(false), QStringLiteral("Text 240 = Text 232"));
    }

private:
    CTestLanguageFolder m_folder;
    CLanguageManager m_manager;
    CTimeControlHelper m_helper;
};

QTEST_GUILESS_MAIN(TestTimeFormat)
#include "tst_time_format.moc"
