// Formatting with texts from the modules: a format is used only when its placeholders match
// the arguments exactly; anything else gives an empty result instead of reading past the
// arguments. Numbers come out as printf writes them in the C locale, with the language's
// decimal separator, whatever C library locale the process has.

#include "TestCLocale.h"
#include "TextFormat.h"
#include "TextIds.h"

#include <QTest>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>

using namespace Language;

Q_DECLARE_METATYPE(std::vector<Language::FormatArg>)

namespace {

using Args = std::vector<FormatArg>;

} // namespace

class TestTextFormat : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { std::setlocale(LC_ALL, "C"); }

    void formats_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<Args>("args");
        QTest::addColumn<QString>("expected");

        QTest::newRow("string") << "Step %s" << Args{QStringLiteral("Start")} << "Step Start";
        QTest::newRow("two strings") << "Channel %s, step %s" << Args{QStringLiteral("1"), QStringLiteral("12")}
                                     << "Channel 1, step 12";
        QTest::newRow("left padded string") << "[%-6s]" << Args{QStringLiteral("ab")} << "[ab    ]";
        QTest::newRow("right padded string") << "[%6s]" << Args{QStringLiteral("ab")} << "[    ab]";
        QTest::newRow("padding counts characters") << "[%-4s]" << Args{QStringLiteral("\u0142\u00f3d")} << "[\u0142\u00f3d ]";
        QTest::newRow("string precision") << "[%.2s]" << Args{QStringLiteral("abcdef")} << "[ab]";
        QTest::newRow("seconds") << "%.2f s" << Args{0.5} << "0.50 s";
        QTest::newRow("double g") << "%g" << Args{0.25} << "0.25";
        QTest::newRow("double flags") << "%+08.3f" << Args{-1.5} << "-001.500";
        QTest::newRow("minutes") << "%d min %02d s" << Args{15, 8} << "15 min 08 s";
        QTest::newRow("integer i") << "%i" << Args{-7} << "-7";
        QTest::newRow("percent") << "100%% of %d" << Args{3} << "100% of 3";
        QTest::newRow("no placeholders") << "plain" << Args{} << "plain";
        QTest::newRow("line feed kept") << "a\nb %d" << Args{1} << "a\nb 1";

        // Mismatches and unaccepted placeholders give an empty result.
        QTest::newRow("integer for string") << "Step %d" << Args{QStringLiteral("Start")} << "";
        QTest::newRow("string for double") << "%s s" << Args{0.5} << "";
        QTest::newRow("double for integers") << "%d min %f s" << Args{1, 2} << "";
        QTest::newRow("too many placeholders") << "%s %s %s" << Args{QStringLiteral("a")} << "";
        QTest::newRow("too few placeholders") << "%s" << Args{QStringLiteral("a"), QStringLiteral("b")} << "";
        QTest::newRow("placeholder without argument") << "%d" << Args{} << "";
        QTest::newRow("store count") << "to %n" << Args{QStringLiteral("x")} << "";
        QTest::newRow("wide string") << "%ls" << Args{QStringLiteral("x")} << "";
        QTest::newRow("length modifier") << "%lld" << Args{1} << "";
        QTest::newRow("star width") << "%*d" << Args{1} << "";
        QTest::newRow("positional") << "%1$d" << Args{1} << "";
        QTest::newRow("pointer") << "%p" << Args{1} << "";
        QTest::newRow("character") << "%c" << Args{65} << "";
        QTest::newRow("huge width") << "%999999d" << Args{1} << "";
        QTest::newRow("trailing percent") << "50%" << Args{} << "";
        QTest::newRow("alternate integer") << "%#d" << Args{1} << "";
        QTest::newRow("zero-padded string") << "%05s" << Args{QStringLiteral("a")} << "";
    }
    void formats()
    {
        QFETCH(QString, format);
        QFETCH(Args, args);
        QFETCH(QString, expected);
        const QString result = FormatText(reinterpret_cast<const char16_t*>(format.utf16()), args);
        QCOMPARE(result, expected);
    }

    // Every accepted numeric placeholder against printf in the C locale (the test's own
    // locale): flags, widths, precisions, rounding of exact ties, infinities and NaN.
    void numbersAsPrintfWrites_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("integer");

        const char* doubleFormats[] = {"%f",    "%.2f",  "%.0f",   "%#.0f",  "%8.3f", "%-8.3f|", "%+.1f",
                                       "% .1f", "%08.2f", "%-08.2f|", "%F",   "%e",    "%.3E",    "%#.0e",
                                       "%+e",   "%g",    "%.3g",   "%.0g",   "%#g",   "%#.3g",   "%G",
                                       "%10.4g", "%-+12.3e|", "%.10g"};
        const double doubles[] = {0.0, -0.0, 0.5, 1.125, 0.375, 2.5, -1.5, 1e-5, 0.0001, 123456.789, 1e20,
                                  9.9995, 199.21875, 1e100, std::numeric_limits<double>::max(),
                                  std::numeric_limits<double>::denorm_min(), qInf(), -qInf(), qQNaN()};
        for (const char* format : doubleFormats)
            for (double value : doubles)
                QTest::addRow("%s of %g", format, value) << QString::fromLatin1(format) << value << false;

        const char* intFormats[] = {"%d",   "%i",   "%5d",   "%-5d|", "%05d",  "%+d",
                                    "% d",  "%.3d", "%.0d",  "%8.3d", "%-08d|", "%+06d"};
        const int ints[] = {0, 7, -7, 123456, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()};
        for (const char* format : intFormats)
            for (int value : ints)
                QTest::addRow("%s of %d", format, value) << QString::fromLatin1(format) << double(value) << true;
    }
    void numbersAsPrintfWrites()
    {
        QFETCH(QString, format);
        QFETCH(double, value);
        QFETCH(bool, integer);
        char expected[512];
        const QByteArray cFormat = format.toLatin1();
        if (integer)
            std::snprintf(expected, sizeof expected, cFormat.constData(), int(value));
        else
            std::snprintf(expected, sizeof expected, cFormat.constData(), value);
        const Args args{integer ? FormatArg(int(value)) : FormatArg(value)};
        QCOMPARE(FormatText(reinterpret_cast<const char16_t*>(format.utf16()), args), QString::fromLatin1(expected));
    }

    // The decimal separator replaces the point of a number with a fraction, and nothing else.
    void decimalSeparator_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<Args>("args");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("expected");

        QTest::newRow("seconds") << "%.2f s" << Args{1.5} << "," << "1,50 s";
        QTest::newRow("point kept") << "%.2f s" << Args{1.5} << "." << "1.50 s";
        QTest::newRow("literal point untouched") << "v.%.1f." << Args{0.25} << "," << "v.0,2.";
        QTest::newRow("zero padded") << "%+08.3f" << Args{-1.5} << "," << "-001,500";
        QTest::newRow("alternate form") << "%#.0f" << Args{2.0} << "," << "2,";
        QTest::newRow("exponent") << "%.2e" << Args{12345.0} << "," << "1,23e+04";
        QTest::newRow("g without fraction") << "%g" << Args{100.0} << "," << "100";
        QTest::newRow("integers unchanged") << "%d min %d s" << Args{1000, 5} << "," << "1000 min 5 s";
        QTest::newRow("strings unchanged") << "%s" << Args{QStringLiteral("1.5")} << "," << "1.5";
        QTest::newRow("width counts the separator") << "[%6.2f]" << Args{1.5} << "," << "[  1,50]";
    }
    void decimalSeparator()
    {
        QFETCH(QString, format);
        QFETCH(Args, args);
        QFETCH(QString, separator);
        QFETCH(QString, expected);
        QCOMPARE(FormatText(reinterpret_cast<const char16_t*>(format.utf16()), args, separator), expected);
    }

    // With a C library locale whose decimal point is a comma in force, numbers still follow
    // only the separator they are given.
    void cLibraryLocaleIsIgnored()
    {
        CTestCLocale locale;
        if (!locale.Build())
            QSKIP("localedef cannot build a German locale on this machine");
        qputenv("LOCPATH", locale.Path().toLocal8Bit());
        QVERIFY(std::setlocale(LC_ALL, qPrintable(CTestCLocale::Name())));
        char printed[16];
        std::snprintf(printed, sizeof printed, "%.2f", 1.5);
        const QByteArray inForce(printed);
        QCOMPARE(FormatText(u"%.2f s", {1.5}), QStringLiteral("1.50 s"));
        QCOMPARE(FormatText(u"%.2f s", {1.5}, u","), QStringLiteral("1,50 s"));
        QCOMPARE(FormatText(u"%8.3e", {-0.5}), QStringLiteral("-5.000e-01"));
        std::setlocale(LC_ALL, "C");
        qunsetenv("LOCPATH");
        QCOMPARE(inForce, QByteArray("1,50")); // the locale really was in force
    }

    void nullFormatIsEmpty()
    {
        QVERIFY(FormatText(nullptr, {1}).isEmpty());
        QVERIFY(!FormatMatches(nullptr, ""));
    }

    void placeholderLettersFollowTheCallersTable()
    {
        QString letters;
        QVERIFY(FormatPlaceholders(u"%d h %02d min, %.1f%%, %s", &letters));
        QCOMPARE(letters, QStringLiteral("ddfs"));
        QVERIFY(FormatMatches(u"Version %d.%d.%d", TextFormatPlaceholders(TEXT_ABOUT_VERSION)));
        QVERIFY(!FormatMatches(u"Version %d.%d", TextFormatPlaceholders(TEXT_ABOUT_VERSION)));
        QCOMPARE(TextFormatPlaceholders(TEXT_DESC_TITLE_QVS_K115_318), "ss");
        QVERIFY(TextFormatPlaceholders(TEXT_POWER_ON_STATE) == nullptr);
    }
};

QTEST_GUILESS_MAIN(TestTextFormat)
#include "tst_text_format.moc"
