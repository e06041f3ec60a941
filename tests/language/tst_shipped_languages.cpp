// The language modules in bin/Lang: every module file there loads and is listed, the five
// shipped languages are among them in name order, every text the program uses is there,
// every format carries exactly the placeholders its caller passes, mnemonics stay where
// they can be shown and differ within a menu, and times take the language's decimal
// separator.

#include "LanguageManager.h"
#include "TestLanguages.h"

#include <QDir>
#include <QHash>
#include <QLibrary>
#include <QSet>
#include <QTest>

#include <algorithm>
#include <iterator>

using namespace Language;

namespace {

bool Contains(const int* begin, const int* end, int id) { return std::find(begin, end, id) != end; }

// Items shown together, whose mnemonics must differ: the menu bar, the File menu, the Edit
// menu (with and without the change named), the Relay menu and its simulation speed submenu,
// the timing diagram's buttons with the menu bar and its scenario menu,
// the relay model question, the change-password dialog, the buttons of a message box (Help
// among them), the example chooser, and the buttons of the recovery offer and of the questions
// about a file changed on disk. The step dialogs sit in the main window beside the menu bar, so
// the labels of a condition step (signal, first jump: 186 or 187, never both) and of a time step
// (range, signal, jump on interrupt) take letters of their own and none of the menu bar's.
const QList<QList<int>> MNEMONIC_GROUPS = {
    {45, 344, 46, 47, 48, 49},
    {50, 776, 51, 52, 53, 56, 353, 351, 352, 61},
    {778, 103},
    {345, 346},
    {347, 348},
    {72, 305, 73, 450, 74, 76, 77, 79, 80, 82, 83, 84, 85, 86, 87, 565, 400, 890},
    {412, 413, 911},
    {45, 344, 46, 47, 48, 49, 911},
    {906, 907},
    {566, 567, 568, 569},
    {1, 2, 3, 4, 5},
    {266, 267, 268, 269, 270},
    {340, 341, 342, 343, 791},
    {797, 781, 342},
    {812, 813},
    {821, 822, 342},
    {824, 822, 342},
    {827, 828},
    {45, 344, 46, 47, 48, 49, 163, 186},
    {45, 344, 46, 47, 48, 49, 163, 187},
    {45, 344, 46, 47, 48, 49, 197, 220, 221},
};

// The words of a text, case folded, without the colons and commas that follow them.
QStringList Words(const QString& text)
{
    QStringList words;
    for (QString word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        while (!word.isEmpty() && (word.back() == u':' || word.back() == u','))
            word.chop(1);
        if (!word.isEmpty())
            words << word.toCaseFolded();
    }
    return words;
}

// Whether a step box says what the drop-down list entry of the same choice says: its words
// come in the entry's order, each the entry's word or an abbreviation of it (its beginning,
// marked with a full stop or not; "b.z." stands for two words in a row); the entry may say
// more.
bool BoxReadsAsEntry(const QString& box, const QString& entry)
{
    const QStringList entryWords = Words(entry);
    qsizetype next = 0;
    for (const QString& word : Words(box)) {
        const QStringList parts = word.split(QLatin1Char('.'), Qt::SkipEmptyParts);
        // The first entry word from `next` on where the parts begin words in a row.
        auto startsAt = [&](qsizetype at) {
            for (qsizetype i = 0; i < parts.size(); ++i)
                if (at + i >= entryWords.size() || !entryWords[at + i].startsWith(parts[i]))
                    return false;
            return true;
        };
        while (next < entryWords.size() && !startsAt(next))
            ++next;
        if (next == entryWords.size() || parts.isEmpty())
            return false;
        next += parts.size();
    }
    return true;
}

// Every text ID the program reads: the table apart from the null and unused IDs, and the
// extended texts.
QList<int> UsedTextIds()
{
    QList<int> ids;
    for (int id = 0; id < TEXT_COUNT; ++id)
        if (!Contains(std::begin(NULL_TEXT_IDS), std::end(NULL_TEXT_IDS), id)
            && !Contains(std::begin(UNUSED_TEXT_IDS), std::end(UNUSED_TEXT_IDS), id))
            ids << id;
    for (int id : EXTENDED_TEXT_IDS)
        ids << id;
    return ids;
}

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

    // No module in the folder is left out of the list (a module that does not load, lacks
    // CreateObject or answers another interface version would be).
    void everyModuleFileIsListed()
    {
        const QDir folder(m_manager.GetModuleFolder());
        QStringList files;
        for (const QString& file :
             folder.entryList({QStringLiteral("Strings_??" QUORVEX_MODULE_SUFFIX)}, QDir::Files, QDir::Name))
            files << folder.absoluteFilePath(file);
        files.sort();
        QStringList listed;
        for (const LanguageEntry& entry : m_manager.Entries())
            listed << entry.path;
        listed.sort();
        QCOMPARE(listed, files);
    }

    // The shipped languages, under the names their speakers write, in the order the
    // language menu and the tool bar list show them (sorted by name), each with its own
    // decimal separator in times.
    void shippedLanguagesInNameOrder()
    {
        struct Shipped {
            const char16_t* name;
            std::uint32_t lcid;
            const char16_t* seconds; // 1.5 s in the description set
        };
        const Shipped shipped[] = {{u"Deutsch", 1031, u"1,50 s"},
                                   {u"English", 2057, u"1.50 s"},
                                   {u"Español", 1034, u"1,50 s"},
                                   {u"Polski", 1045, u"1,50 s"},
                                   {u"Русский", 1049, u"1,50 с"}};
        int previous = -1;
        for (const Shipped& language : shipped) {
            const QString name = QString::fromUtf16(language.name);
            const auto& entries = m_manager.Entries();
            const auto found = std::find_if(entries.begin(), entries.end(), [&](const LanguageEntry& entry) {
                return entry.name == name;
            });
            QVERIFY2(found != entries.end(), qPrintable(name + QStringLiteral(" is not installed")));
            QCOMPARE(found->lcid, language.lcid);
            const int index = int(found - entries.begin());
            QVERIFY2(index > previous, qPrintable(name + QStringLiteral(" is out of order")));
            previous = index;
            QVERIFY(m_manager.SelectLanguage(index));
            QCOMPARE(m_manager.Format(TEXT_DESC_SECONDS, {1.5}), QString::fromUtf16(language.seconds));
        }
        for (std::size_t i = 1; i < m_manager.Entries().size(); ++i)
            QVERIFY(m_manager.Entries()[i - 1].name <= m_manager.Entries()[i].name);
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

    // A mnemonic only where the English text has one (elsewhere the text is also a step-box
    // text, a list entry or a description value, which would show the '&' or swallow it),
    // and no two items shown together with the same mnemonic.
    void mnemonics_data() { texts_data(); }
    void mnemonics()
    {
        QFETCH(int, index);
        QVERIFY(m_manager.SelectLanguageByLcid(LCID_ENGLISH) == LCID_ENGLISH);
        QSet<int> withMnemonic;
        for (int id : UsedTextIds())
            if (!Mnemonic(m_manager.Text(id)).isNull())
                withMnemonic << id;
        QVERIFY(m_manager.SelectLanguage(index));
        for (int id : UsedTextIds())
            QVERIFY2(withMnemonic.contains(id) || Mnemonic(m_manager.Text(id)).isNull(),
                     qPrintable(QStringLiteral("text %1 has a mnemonic: %2").arg(id).arg(m_manager.Text(id))));
        for (const QList<int>& group : MNEMONIC_GROUPS) {
            QHash<QChar, int> seen;
            for (int id : group) {
                const QChar mnemonic = Mnemonic(m_manager.Text(id));
                if (mnemonic.isNull())
                    continue;
                QVERIFY2(!seen.contains(mnemonic), qPrintable(QStringLiteral("texts %1 and %2 share the mnemonic %3")
                                                                  .arg(seen.value(mnemonic))
                                                                  .arg(id)
                                                                  .arg(mnemonic)));
                seen.insert(mnemonic, id);
            }
        }
    }

    // A step box and the drop-down list of the same choice use the same words in the same
    // order (the box may shorten them): "Leave the relay" in the box against "Leave unchanged"
    // in the list made the user wonder whether they were the same.
    void boxTextsReadAsTheirListEntries_data() { texts_data(); }
    void boxTextsReadAsTheirListEntries()
    {
        QFETCH(int, index);
        QVERIFY(m_manager.SelectLanguage(index));
        QList<std::pair<QString, int>> pairs; // the box's text, the entry's ID
        for (int operation = 0; operation < 4; ++operation) {
            pairs.append({m_manager.Text(TEXT_BOX_QVR_OPERATION_0 + operation) + QLatin1Char(' ')
                              + m_manager.Text(TEXT_BOX_QVR_OPERATION_CAPTION),
                          TEXT_QVR_OPERATION_0 + operation});
            pairs.append({m_manager.Text(TEXT_BOX_QVS_RELAY1_OPERATION_0 + operation), TEXT_QVS_OPERATION_RELAY1_0 + operation});
            pairs.append({m_manager.Text(TEXT_BOX_QVS_RELAY2_OPERATION_0 + operation), TEXT_QVS_OPERATION_RELAY2_0 + operation});
        }
        pairs.append({m_manager.Text(TEXT_BOX_TIME_FIXED), TEXT_TIME_FIXED});
        pairs.append({m_manager.Text(TEXT_BOX_TIME_POTENTIOMETER), TEXT_TIME_POTENTIOMETER});
        for (const auto& [box, entryId] : std::as_const(pairs))
            QVERIFY2(BoxReadsAsEntry(box, m_manager.Text(entryId)),
                     qPrintable(QStringLiteral("box \"%1\" against list entry %2 \"%3\"")
                                    .arg(box)
                                    .arg(entryId)
                                    .arg(m_manager.Text(entryId))));
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
