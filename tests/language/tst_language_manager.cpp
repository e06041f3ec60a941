// Language manager: scanning the module folder, selecting languages, the start-up choice
// and the saved choice, with copies of the test module.

#include "LanguageManager.h"
#include "ModuleFile.h"
#include "TestLanguages.h"

#include <QtEndian>

#include <QFile>
#include <QSettings>
#include <QTest>

using namespace Language;

namespace {

// Whether a module file is mapped into this process (Linux): unloading must really unload.
bool IsMapped(const QString& path)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return false;
    return maps.readAll().contains(QFile::encodeName(path));
}

void SaveLcid(const QVariant& value)
{
    QSettings settings(QStringLiteral("Morvik"), QStringLiteral("Quorvex"));
    if (value.isValid())
        settings.setValue(QStringLiteral("LCID"), value);
    else
        settings.remove(QStringLiteral("LCID"));
    settings.sync();
}

// An English and a Polish test module, scanned by a manager of their own.
struct CEnglishPolish {
    CTestLanguageFolder folder;
    CLanguageManager manager;

    // False when the modules could not be made or scanned.
    bool Set()
    {
        if (!folder.Add(QStringLiteral("en"), QStringLiteral("English"), 2057)
            || !folder.Add(QStringLiteral("pl"), QStringLiteral("Polski"), 1045))
            return false;
        manager.SetModuleFolder(folder.Path());
        return manager.ScanModules() == 2;
    }
};


// Damages a copy of a 64-bit little-endian ELF module in one of the ways the tests name;
// false when the bytes are not such a module or the damage does not apply.
bool DamageModule(QByteArray* bytes, const QString& damage)
{
    if (bytes->size() < 64 || !bytes->startsWith("\x7F" "ELF") || bytes->at(4) != 2 || bytes->at(5) != 1)
        return false;
    uchar* data = reinterpret_cast<uchar*>(bytes->data());
    const quint64 size = quint64(bytes->size());
    if (damage == u"cut to 2000 bytes")
        bytes->truncate(2000);
    else if (damage == u"cut to half")
        bytes->truncate(bytes->size() / 2);
    else if (damage == u"cut to the ELF header")
        bytes->truncate(64);
    else if (damage == u"one byte short")
        bytes->chop(1);
    else if (damage == u"empty")
        bytes->clear();
    else if (damage == u"program headers beyond the end")
        qToLittleEndian<quint64>(size - 8, data + 32);
    else if (damage == u"section headers beyond the end")
        qToLittleEndian<quint64>(size - 8, data + 40);
    else if (damage == u"segment beyond the end") {
        // The last loadable segment claims file bytes past the end (its memory size too).
        const quint64 phoff = qFromLittleEndian<quint64>(data + 32);
        const int phnum = qFromLittleEndian<quint16>(data + 56);
        uchar* last = nullptr;
        for (int i = 0; i < phnum; ++i) {
            uchar* entry = data + phoff + quint64(i) * 56;
            if (qFromLittleEndian<quint32>(entry) == 1)
                last = entry;
        }
        if (!last)
            return false;
        qToLittleEndian<quint64>(size, last + 32);
        qToLittleEndian<quint64>(size, last + 40);
    } else
        return false;
    return true;
}

} // namespace

class TestLanguageManager : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void noLanguageAnswersQuestionMarks()
    {
        CLanguageManager manager;
        QCOMPARE(manager.Text(0), QStringLiteral("????"));
        QCOMPARE(manager.Text(303), QStringLiteral("????"));
        QVERIFY(!manager.GetCurrentLanguage(nullptr, nullptr, nullptr));
    }

    void scanListsUsableModulesSortedByName()
    {
        CTestLanguageFolder folder;
        QVERIFY(folder.Add(QStringLiteral("pl"), QStringLiteral("Polski"), 1045));
        QVERIFY(folder.Add(QStringLiteral("en"), QStringLiteral("English"), 2057));
        QVERIFY(folder.Add(QStringLiteral("de"), QStringLiteral("Deutsch"), 1031));
        QVERIFY(folder.Add(QStringLiteral("v2"), QStringLiteral("Aaa version 2"), 1036, QStringLiteral("ok"), 2));
        QVERIFY(folder.Add(QStringLiteral("nu"), QStringLiteral("Aaa null"), 1040, QStringLiteral("null")));
        // Not modules: a file that is no library, and names that do not have two letters.
        QFile junk(folder.FilePath(QStringLiteral("xx")));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not a library");
        junk.close();
        QVERIFY(QFile::copy(QStringLiteral(QUORVEX_TEST_MODULE),
                            folder.Path() + QStringLiteral("/Strings_abc" QUORVEX_MODULE_SUFFIX)));

        CLanguageManager manager;
        manager.SetModuleFolder(folder.Path());
        QCOMPARE(manager.ScanModules(1, 20), 3);
        QStringList names;
        for (const LanguageEntry& entry : manager.Entries())
            names << entry.name;
        QCOMPARE(names, (QStringList{QStringLiteral("Deutsch"), QStringLiteral("English"), QStringLiteral("Polski")}));
        QCOMPARE(manager.GetEnglishIndex(), 1);
        QCOMPARE(manager.GetPolishIndex(), 2);
        // Scanning leaves nothing loaded.
        QVERIFY(!manager.GetCurrentLanguage(nullptr, nullptr, nullptr));
        for (const LanguageEntry& entry : manager.Entries())
            QVERIFY2(!IsMapped(entry.path), qPrintable(entry.path));
    }

    // A module file whose headers promise more than the file holds is skipped: handed to the
    // loader, it would be mapped beyond its end and the process would die of a bus error.
    void damagedModulesAreSkipped_data()
    {
        QTest::addColumn<QString>("damage");
        for (const char* damage : {"cut to 2000 bytes", "cut to half", "cut to the ELF header", "one byte short", "empty",
                                   "program headers beyond the end", "section headers beyond the end",
                                   "segment beyond the end"})
            QTest::newRow(damage) << QString::fromLatin1(damage);
    }
    void damagedModulesAreSkipped()
    {
#if !defined(__ELF__) || !(Q_BYTE_ORDER == Q_LITTLE_ENDIAN)
        QSKIP("the damage is made to 64-bit little-endian ELF modules");
#endif
        QFETCH(QString, damage);
        CTestLanguageFolder folder;
        QVERIFY(folder.Add(QStringLiteral("en"), QStringLiteral("English"), 2057));
        QVERIFY(folder.Add(QStringLiteral("xx"), QStringLiteral("Damaged"), 1045));
        QVERIFY(IsLoadableModuleFile(folder.FilePath(QStringLiteral("xx"))));
        QFile file(folder.FilePath(QStringLiteral("xx")));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        if (sizeof(void*) != 8 || !DamageModule(&bytes, damage))
            QSKIP("the test module is not a 64-bit ELF module");
        QVERIFY(file.resize(0) && file.seek(0) && file.write(bytes) == bytes.size());
        file.close();
        QVERIFY(!IsLoadableModuleFile(file.fileName()));

        CLanguageManager manager;
        manager.SetModuleFolder(folder.Path());
        QCOMPARE(manager.ScanModules(), 1);
        QCOMPARE(manager.Entries().front().name, QStringLiteral("English"));
        QVERIFY(manager.SelectLanguage(0));
        QCOMPARE(manager.Text(1), QStringLiteral("Text 1"));
    }

    // Damaged between the scan and the choice: the selection fails, the process lives on.
    void moduleDamagedAfterTheScanIsNotLoaded()
    {
        CTestLanguageFolder folder;
        QVERIFY(folder.Add(QStringLiteral("en"), QStringLiteral("English"), 2057));
        CLanguageManager manager;
        manager.SetModuleFolder(folder.Path());
        QCOMPARE(manager.ScanModules(), 1);
        QFile file(folder.FilePath(QStringLiteral("en")));
        QVERIFY(file.resize(2000));
        QVERIFY(!manager.SelectLanguage(0));
        QCOMPARE(manager.Text(1), QStringLiteral("????"));
    }

    void scanStopsAtTheLimit()
    {
        CTestLanguageFolder folder;
        for (int i = 0; i < 21; ++i)
            QVERIFY(folder.Add(QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')),
                               QStringLiteral("Language %1").arg(i, 2, 10, QLatin1Char('0')), 5000 + i));
        CLanguageManager manager;
        manager.SetModuleFolder(folder.Path());
        QCOMPARE(manager.ScanModules(1, 20), 20);
        QCOMPARE(manager.Entries().back().name, QStringLiteral("Language 19"));
        QVERIFY(!IsMapped(folder.FilePath(QStringLiteral("20"))));
    }

    void duplicatesAreKeptAndTheLastEnglishIsTheFallback()
    {
        CTestLanguageFolder folder;
        QVERIFY(folder.Add(QStringLiteral("e1"), QStringLiteral("English"), 2057));
        QVERIFY(folder.Add(QStringLiteral("e2"), QStringLiteral("English (UK)"), 2057));
        QVERIFY(folder.Add(QStringLiteral("e3"), QStringLiteral("English"), 2057));
        CLanguageManager manager;
        manager.SetModuleFolder(folder.Path());
        QCOMPARE(manager.ScanModules(), 3);
        QCOMPARE(manager.GetEnglishIndex(), 2);
        QCOMPARE(manager.Entries()[2].name, QStringLiteral("English (UK)"));
        // By LCID the first entry in list order is taken.
        QCOMPARE(manager.SelectLanguageByLcid(2057), 2057);
        int index = -1;
        QVERIFY(manager.GetCurrentLanguage(&index, nullptr, nullptr));
        QCOMPARE(index, 0);
    }

    void selectLoadsSwitchesAndUnloads()
    {
        CEnglishPolish languages;
        QVERIFY(languages.Set());
        CLanguageManager& manager = languages.manager;

        QVERIFY(manager.SelectLanguage(1));
        std::uint32_t lcid = 0;
        QString name;
        QVERIFY(manager.GetCurrentLanguage(nullptr, &lcid, &name));
        QCOMPARE(lcid, 1045u);
        QCOMPARE(name, QStringLiteral("Polski"));
        QCOMPARE(manager.Text(117), QStringLiteral("Text 117"));
        QVERIFY(manager.GetText(75) == nullptr);
        QCOMPARE(QLocale().language(), QLocale::Polish);
        QVERIFY(IsMapped(manager.Entries()[1].path));

        // A new scan keeps the loaded language, under its new place in the list.
        QVERIFY(languages.folder.Add(QStringLiteral("aa"), QStringLiteral("Afrikaans"), 1078));
        QCOMPARE(manager.ScanModules(), 3);
        int index = -1;
        QVERIFY(manager.GetCurrentLanguage(&index, &lcid, nullptr));
        QCOMPARE(index, 2);
        QCOMPARE(manager.Text(117), QStringLiteral("Text 117"));

        // An index out of range changes nothing.
        QVERIFY(!manager.SelectLanguage(3));
        QVERIFY(!manager.SelectLanguage(-1));
        QVERIFY(manager.GetCurrentLanguage(nullptr, &lcid, nullptr));
        QCOMPARE(lcid, 1045u);

        QVERIFY(manager.SelectLanguage(1));
        QVERIFY(!IsMapped(manager.Entries()[2].path));
        manager.UnloadLanguage();
        QVERIFY(!IsMapped(manager.Entries()[1].path));
        QCOMPARE(manager.Text(117), QStringLiteral("????"));
    }

    // The decimal separator of numbers in texts comes from the language (Qt's locale data
    // for its LCID), not from the user's locale or the C library.
    void decimalPointFollowsTheLanguage_data()
    {
        QTest::addColumn<int>("lcid");
        QTest::addColumn<QString>("point");
        QTest::newRow("English") << 2057 << ".";
        QTest::newRow("English (US)") << 1033 << ".";
        QTest::newRow("Polish") << 1045 << ",";
        QTest::newRow("German") << 1031 << ",";
        QTest::newRow("German (Switzerland)") << 2055 << ".";
        QTest::newRow("German (Liechtenstein), by its language") << 5127 << ",";
        QTest::newRow("Russian") << 1049 << ",";
        QTest::newRow("Spanish") << 1034 << ",";
        QTest::newRow("unknown language") << 1062 << ".";
    }
    void decimalPointFollowsTheLanguage()
    {
        QFETCH(int, lcid);
        QFETCH(QString, point);
        CTestLanguageFolder folder;
        QVERIFY(folder.Add(QStringLiteral("xx"), QStringLiteral("Language"), std::uint32_t(lcid)));
        CLanguageManager manager;
        manager.SetModuleFolder(folder.Path());
        QCOMPARE(manager.ScanModules(), 1);
        // A user's locale with the other separator changes nothing.
        QLocale::setDefault(QLocale(point == QLatin1String(".") ? QLocale::French : QLocale::English));
        QVERIFY(manager.SelectLanguage(0));
        QCOMPARE(manager.DecimalPoint(), point);
        QCOMPARE(manager.Format(TEXT_PANEL_SECONDS, {1.5}), QStringLiteral("P1") + point + QStringLiteral("50 s"));
        QCOMPARE(manager.Format(TEXT_DESC_MINUTES, {2, 5}), QStringLiteral("2 min 5 s"));
        manager.UnloadLanguage();
        QCOMPARE(manager.DecimalPoint(), QStringLiteral("."));
    }

    // Two managers may use the same module; one unloading it leaves the other's texts intact.
    void managersShareAModule()
    {
        CTestLanguageFolder folder;
        QVERIFY(folder.Add(QStringLiteral("en"), QStringLiteral("English"), 2057));
        CLanguageManager first, second;
        for (CLanguageManager* manager : {&first, &second}) {
            manager->SetModuleFolder(folder.Path());
            QCOMPARE(manager->ScanModules(), 1);
            QVERIFY(manager->SelectLanguage(0));
        }
        second.UnloadLanguage();
        QVERIFY(IsMapped(first.Entries()[0].path));
        QCOMPARE(first.Text(282), QStringLiteral("Text 282"));
        second.ScanModules();
        QVERIFY(IsMapped(first.Entries()[0].path));
        QCOMPARE(first.Text(282), QStringLiteral("Text 282"));
    }

    void moduleThatFailsToLoadLeavesNoLanguage()
    {
        CEnglishPolish languages;
        QVERIFY(languages.Set());
        CLanguageManager& manager = languages.manager;
        QVERIFY(manager.SelectLanguage(0));
        QVERIFY(QFile::remove(languages.folder.FilePath(QStringLiteral("pl"))));

        QVERIFY(!manager.SelectLanguage(1));
        QVERIFY(!manager.GetCurrentLanguage(nullptr, nullptr, nullptr));
        for (int id : {0, 20, 117, 303})
            QCOMPARE(manager.Text(id), QStringLiteral("????"));
        QVERIFY(manager.SelectLanguage(0)); // another language works again
        QCOMPARE(manager.Text(20), QStringLiteral("Text 20"));
    }

    void selectByLcidFallsBack_data()
    {
        QTest::addColumn<QStringList>("modules"); // "code:name:lcid"
        QTest::addColumn<int>("requested");
        QTest::addColumn<int>("selected");

        const QStringList all{"en:English:2057", "pl:Polski:1045", "de:Deutsch:1031"};
        QTest::newRow("present") << all << 1031 << 1031;
        QTest::newRow("absent, English") << all << 1049 << 2057;
        QTest::newRow("absent, Polish") << QStringList{"pl:Polski:1045", "de:Deutsch:1031"} << 1049 << 1045;
        QTest::newRow("absent, first") << QStringList{"ru:Russkij:1049", "de:Deutsch:1031"} << 1036 << 1031;
        QTest::newRow("no modules") << QStringList{} << 2057 << -1;
    }
    void selectByLcidFallsBack()
    {
        QFETCH(QStringList, modules);
        QFETCH(int, requested);
        QFETCH(int, selected);
        CTestLanguageFolder folder;
        for (const QString& module : modules) {
            const QStringList parts = module.split(QLatin1Char(':'));
            QVERIFY(folder.Add(parts[0], parts[1], parts[2].toUInt()));
        }
        CLanguageManager manager;
        manager.SetModuleFolder(folder.Path());
        manager.ScanModules();
        QCOMPARE(manager.SelectLanguageByLcid(requested), std::int64_t(selected));
    }

    void startupChoice_data()
    {
        QTest::addColumn<QStringList>("modules"); // "code:name:lcid"
        QTest::addColumn<QVariant>("saved");      // invalid: no saved value
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("selected");

        const QStringList all{"en:English:2057", "pl:Polski:1045", "de:Deutsch:1031", "ru:Russkij:1049"};
        QTest::newRow("saved module") << all << QVariant(1049) << "de_DE" << 1049;
        QTest::newRow("saved missing, locale") << all << QVariant(1034) << "de_DE" << 1031;
        QTest::newRow("saved missing, locale variant") << all << QVariant(1034) << "de_AT" << 1031;
        QTest::newRow("saved missing, locale missing, English") << all << QVariant(1034) << "fr_FR" << 2057;
        QTest::newRow("no English, Polish") << QStringList{"de:Deutsch:1031", "pl:Polski:1045"} << QVariant(1034)
                                            << "fr_FR" << 1045;
        QTest::newRow("neither, first") << QStringList{"ru:Russkij:1049", "de:Deutsch:1031"} << QVariant(1034)
                                        << "fr_FR" << 1031;
        QTest::newRow("nothing saved, locale") << all << QVariant() << "pl_PL" << 1045;
        QTest::newRow("saved value not a number") << all << QVariant(QStringLiteral("Polish")) << "ru_RU" << 1049;
    }
    void startupChoice()
    {
        QFETCH(QStringList, modules);
        QFETCH(QVariant, saved);
        QFETCH(QString, locale);
        QFETCH(int, selected);
        CTestLanguageFolder folder;
        for (const QString& module : modules) {
            const QStringList parts = module.split(QLatin1Char(':'));
            QVERIFY(folder.Add(parts[0], parts[1], parts[2].toUInt()));
        }
        SaveLcid(saved);
        QLocale::setDefault(QLocale(locale));

        CLanguageManager manager;
        manager.SetModuleFolder(folder.Path());
        manager.ScanModules();
        QVERIFY(manager.SelectStartupLanguage());
        std::uint32_t lcid = 0;
        QVERIFY(manager.GetCurrentLanguage(nullptr, &lcid, nullptr));
        QCOMPARE(int(lcid), selected);
    }

    void choiceIsSavedForTheNextRun()
    {
        CTestLanguageFolder folder;
        QVERIFY(folder.Add(QStringLiteral("en"), QStringLiteral("English"), 2057));
        QVERIFY(folder.Add(QStringLiteral("pl"), QStringLiteral("Polski"), 1045));
        SaveLcid(QVariant());
        {
            CLanguageManager manager;
            manager.SetModuleFolder(folder.Path());
            manager.ScanModules();
            manager.SaveLanguageChoice(); // nothing current: nothing saved
            QVERIFY(!QSettings(QStringLiteral("Morvik"), QStringLiteral("Quorvex")).contains(QStringLiteral("LCID")));
            QVERIFY(manager.SelectLanguage(manager.GetPolishIndex()));
            manager.SaveLanguageChoice();
        }
        QCOMPARE(QSettings(QStringLiteral("Morvik"), QStringLiteral("Quorvex")).value(QStringLiteral("LCID")).toInt(), 1045);
        QLocale::setDefault(QLocale(QStringLiteral("en_GB")));
        CLanguageManager manager;
        manager.SetModuleFolder(folder.Path());
        manager.ScanModules();
        QVERIFY(manager.SelectStartupLanguage());
        std::uint32_t lcid = 0;
        QVERIFY(manager.GetCurrentLanguage(nullptr, &lcid, nullptr));
        QCOMPARE(lcid, 1045u);
    }

private:
    QTemporaryDir m_config;
};

QTEST_GUILESS_MAIN(TestLanguageManager)
#include "tst_language_manager.moc"
