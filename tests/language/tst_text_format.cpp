// Formatting with texts from the modules: a format is used only when its placeholders match
// the arguments exactly; anything else gives an empty result instead of reading past the
// arguments.

#include "TextFormat.h"
#include "TextIds.h"

#include <QTest>

#include <clocale>

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
