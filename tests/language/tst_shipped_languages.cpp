// The language modules shipped in bin/Lang: English and Polish are found, every text the
// program uses is there, and every format carries exactly the placeholders its caller
// passes.

#include "LanguageManager.h"
#include "TestLanguages.h"

#include <QLibrary>
#include <QTest>

#include <algorithm>
#include <iterator>

using namespace Language;

namespace {

bool Contains(const int* begin, const int* end, int id) { return std::find(begin, end, id) != end; }

// The strings of a NUL-separated list ended by an empty string (a file-dialog filter).
QStringList FilterParts(const char16_t* text)
{
    QStringList parts;
    for (const char16_t* p = text; p && *p; p += std::char_traits<char16_t>::length(p) + 1)
        parts << QString::fromUtf16(p);
    return parts;
}

} // namespace

class TestShippedLanguages : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        m_manager.SetModuleFolder(QStringLiteral(QUORVEX_BIN_DIR "/Lang"));
        m_manager.ScanModules();
        QVERIFY(m_manager.GetEnglishIndex() >= 0);
        QVERIFY(m_manager.GetPolishIndex() >= 0);
    }

    void texts_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < m_manager.GetLanguageCount(); ++i)
            QTest::newRow(qPrintable(m_manager.Entries()[std::size_t(i)].name)) << i;
    }
    void texts()
    {
        QFETCH(int, index);
        QVERIFY(m_manager.SelectLanguage(index));
        for (int id = 0; id < TEXT_COUNT; ++id) {
            const char16_t* text = m_manager.GetText(id);
            const QByteArray where = "text " + QByteArray::number(id);
            if (Contains(std::begin(NULL_TEXT_IDS), std::end(NULL_TEXT_IDS), id)
                || Contains(std::begin(UNUSED_TEXT_IDS), std::end(UNUSED_TEXT_IDS), id)) {
                QVERIFY2(text == nullptr, where + " must be null");
                continue;
            }
            QVERIFY2(text && *text, where + " is missing or empty");
            if (const char* placeholders = TextFormatPlaceholders(id)) {
                QString found;
                QVERIFY2(FormatPlaceholders(text, &found), where + " has a placeholder that is not accepted");
                QVERIFY2(found == QLatin1String(placeholders),
                         where + " has placeholders " + found.toLatin1() + ", expected " + placeholders);
            }
        }
        for (int id : HELP_TEXT_IDS) {
            const QString help = m_manager.Text(id);
            const int lineFeed = help.indexOf(QLatin1Char('\n'));
            QVERIFY2(lineFeed > 0, QByteArray::number(id));
            QVERIFY2(help.size() - lineFeed - 1 <= 79 && help.size() <= 255, QByteArray::number(id));
        }
        for (int id : {TEXT_PROGRAM_FILE_FILTER, TEXT_DESCRIPTION_FILE_FILTER}) {
            const QStringList parts = FilterParts(m_manager.GetText(id));
            QVERIFY2(parts.size() >= 2 && parts.size() % 2 == 0, QByteArray::number(id));
        }
        QCOMPARE(m_manager.Text(TEXT_PROGRAM_FILE_EXTENSION), QStringLiteral("qvp"));
        QVERIFY(FilterParts(m_manager.GetText(TEXT_PROGRAM_FILE_FILTER)).contains(QStringLiteral("*.qvp")));
        QCOMPARE(m_manager.Text(TEXT_DESCRIPTION_FILE_EXTENSION), QStringLiteral("txt"));
    }

    // Each shipped module carries every extended text itself (not through the English
    // fallback), with the placeholders its caller passes.
    void extendedTexts_data() { texts_data(); }
    void extendedTexts()
    {
        QFETCH(int, index);
        QLibrary module(m_manager.Entries()[std::size_t(index)].path);
        QVERIFY(module.load());
        const auto extended = reinterpret_cast<GetExtendedTextFunction>(module.resolve(GET_EXTENDED_TEXT_SYMBOL));
        QVERIFY(extended);
        QVERIFY(extended(TEXT_STOP_NAME) == nullptr);
        QVERIFY(extended(TEXT_EXTENDED_LIMIT) == nullptr);
        for (int id : EXTENDED_TEXT_IDS) {
            const QByteArray where = "text " + QByteArray::number(id);
            const char16_t* text = extended(id);
            QVERIFY2(text && *text, where + " is missing or empty");
            if (const char* placeholders = TextFormatPlaceholders(id)) {
                QString found;
                QVERIFY2(FormatPlaceholders(text, &found) && found == QLatin1String(placeholders),
                         where + " has placeholders " + found.toLatin1() + ", expected " + placeholders);
            }
        }
        // Not unloaded here: the manager shares the mapping (see LanguageManager.cpp).
    }

    // A module made for the original table alone still works: its extended texts are the
    // English module's, and with no English module they are missing (null), not "????".
    void moduleWithoutExtendedTextsShowsEnglish()
    {
        CTestLanguageFolder folder;
        QVERIFY(folder.Add(QStringLiteral("xx"), QStringLiteral("Old module"), 1036));
        CLanguageManager manager;
        manager.SetModuleFolder(folder.Path());
        QCOMPARE(manager.ScanModules(), 1);
        QVERIFY(manager.SelectLanguage(0));
        QVERIFY(manager.GetText(TEXT_PORT_ACCESS_DENIED) == nullptr);
        QCOMPARE(manager.Text(TEXT_STOP_NAME), QStringLiteral("Text 303"));

        QVERIFY(QFile::copy(m_manager.Entries()[std::size_t(m_manager.GetEnglishIndex())].path,
                            folder.FilePath(QStringLiteral("en"))));
        QCOMPARE(manager.ScanModules(), 2);
        QVERIFY(manager.SelectLanguageByLcid(1036) == 1036);
        QVERIFY(manager.Text(TEXT_PORT_ACCESS_DENIED).contains(QStringLiteral("dialout")));
        QCOMPARE(manager.Text(TEXT_STOP_NAME), QStringLiteral("Text 303"));
        QVERIFY(manager.Format(TEXT_PORT_ACCESS_DENIED, {QStringLiteral("/dev/ttyACM0")}).contains(QStringLiteral("/dev/ttyACM0")));
    }

private:
    CLanguageManager m_manager;
};

QTEST_GUILESS_MAIN(TestShippedLanguages)
#include "tst_shipped_languages.moc"
