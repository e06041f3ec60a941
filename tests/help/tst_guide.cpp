// The user guide as files: headings and their anchors, links, the page order of the contents
// page and the language fallback, on small fixtures; then the shipped guide (docs/guide) and
// the example programs: every link and picture is there, every section the program opens
// exists, every message the window shows has its troubleshooting section, and every example
// has its program text and its page.

#include "Examples.h"
#include "GuideIndex.h"
#include "ProgramText.h"
#include "ResultCodes.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using namespace Guide;

namespace {

const QString SOURCE_GUIDE = QStringLiteral(QUORVEX_SOURCE_DIR "/docs/guide");

bool WriteFile(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// Every Markdown page of the shipped guide, as paths relative to its folder.
QStringList ShippedPages()
{
    QStringList pages;
    QDirIterator it(SOURCE_GUIDE, {QStringLiteral("*.md")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        pages << QDir(SOURCE_GUIDE).relativeFilePath(it.next());
    pages.sort();
    return pages;
}

// Every result code whose message the window can show (ResultCodes.h).
const int SHOWN_RESULTS[] = {
    RESULT_OUT_OF_MEMORY, RESULT_CANNOT_WRITE,      RESULT_CANNOT_READ,        RESULT_NOT_PROGRAM_FILE,
    RESULT_BAD_CHECKSUM,  RESULT_BAD_ESCAPE,        RESULT_BAD_START,          RESULT_BAD_LENGTH,
    RESULT_FRAME_CHECKSUM, RESULT_WRITE_FAILED,     RESULT_READ_FAILED,        RESULT_NO_PORT,
    RESULT_WRITE_NOT_ACCEPTED, RESULT_VIEW_MISMATCH, RESULT_TIMEOUT,           RESULT_WRONG_MODEL,
    RESULT_PASSWORD_REFUSED, RESULT_PASSWORD_MISMATCH, RESULT_RESET_REFUSED,   RESULT_VERIFY_MISMATCH,
    RESULT_PASSWORD_TOO_LONG, RESULT_NO_PASSWORD,    RESULT_INVALID_PROGRAM_TEXT,
};

} // namespace

class TestGuide : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void anchors_data()
    {
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QString>("anchor");
        QTest::newRow("words") << "The time step" << "the-time-step";
        QTest::newRow("result code") << "34: The relay cannot be reached" << "34-the-relay-cannot-be-reached";
        QTest::newRow("punctuation dropped") << "Files, and the text form!" << "files-and-the-text-form";
        QTest::newRow("code and emphasis marks") << "The `time` *field*" << "the-time-field";
        QTest::newRow("hyphen and underscore kept") << "Star-delta QVS_K115_318" << "star-delta-qvs_k115_318";
        QTest::newRow("letters of other alphabets") << "Łańcuch kroków Шаг" << "łańcuch-kroków-шаг";
        QTest::newRow("two spaces stay two") << "A  b" << "a--b";
    }
    void anchors()
    {
        QFETCH(QString, heading);
        QFETCH(QString, anchor);
        QCOMPARE(HeadingAnchor(heading), anchor);
    }

    void headingsOutsideCode()
    {
        const std::vector<Heading> headings = Headings(QStringLiteral(
            "# Title\n\ntext\n\n```\n# not a heading\n```\n## Part ##\n#no space\n### Part\n    ~~~\n## Part\n"));
        QCOMPARE(int(headings.size()), 4);
        QCOMPARE(headings[0].level, 1);
        QCOMPARE(headings[0].text, QStringLiteral("Title"));
        QCOMPARE(headings[1].text, QStringLiteral("Part")); // closing #s are no part of it
        // The same text again gets a number, as the links of a page count them.
        QCOMPARE(headings[2].anchor, QStringLiteral("part-1"));
        QCOMPARE(headings[3].anchor, QStringLiteral("part-2"));
    }

    void links()
    {
        const std::vector<Link> links = Links(QStringLiteral(
            "See [a](a.md#x) and ![pic](images/p.png \"title\").\n`[not](code.md)`\n```\n[no](fenced.md)\n```\n"
            "[web](https://example.invalid/) [b](<b.md>)"));
        QCOMPARE(int(links.size()), 4);
        QCOMPARE(links[0].target, QStringLiteral("a.md#x"));
        QVERIFY(!links[0].image);
        QCOMPARE(links[1].target, QStringLiteral("images/p.png"));
        QVERIFY(links[1].image);
        QCOMPARE(links[2].target, QStringLiteral("https://example.invalid/"));
        QCOMPARE(links[3].target, QStringLiteral("b.md"));
        QCOMPARE(links[3].line, 6);
    }

    // The pages in the contents page's order, the translation where there is one, the
    // troubleshooting section by its number.
    void folder()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const CGuideFolder empty(dir.path());
        QVERIFY(!empty.Exists());
        QVERIFY(empty.Pages().isEmpty());
        QVERIFY(empty.PagePath(QStringLiteral("a.md"), QStringLiteral("pl")).isEmpty());

        QVERIFY(WriteFile(dir.filePath(QStringLiteral("README.md")),
                          "# Guide\n[B](b.md) [A](a.md#top) [again](b.md) [pl](pl/a.md) [gone](gone.md) "
                          "[web](https://x.invalid/c.md) ![p](images/p.png)\n"));
        QVERIFY(WriteFile(dir.filePath(QStringLiteral("a.md")), "# Page A\n## Top\n"));
        QVERIFY(WriteFile(dir.filePath(QStringLiteral("b.md")), "# Page B\n"));
        QVERIFY(WriteFile(dir.filePath(QStringLiteral("pl/a.md")), "# Strona A\n## Góra\n"));
        QVERIFY(WriteFile(dir.filePath(QStringLiteral("troubleshooting.md")),
                          "# Troubles\n## 340: Other\n## 34: The port\n## 3: No\n"));
        const CGuideFolder guide(dir.path());
        QVERIFY(guide.Exists());
        QCOMPARE(guide.Pages(), QStringList({"README.md", "b.md", "a.md"}));
        QCOMPARE(guide.PagePath(QStringLiteral("a.md"), QStringLiteral("pl")), dir.filePath(QStringLiteral("pl/a.md")));
        QCOMPARE(guide.PagePath(QStringLiteral("b.md"), QStringLiteral("pl")), dir.filePath(QStringLiteral("b.md")));
        QCOMPARE(guide.PagePath(QStringLiteral("a.md"), QStringLiteral("en")), dir.filePath(QStringLiteral("a.md")));
        QVERIFY(guide.PagePath(QStringLiteral("../a.md"), QString()).isEmpty());
        QCOMPARE(guide.PageTitle(QStringLiteral("a.md"), QStringLiteral("pl")), QStringLiteral("Strona A"));
        QCOMPARE(guide.Anchors(QStringLiteral("a.md"), QStringLiteral("de")), QStringList({"page-a", "top"}));
        QCOMPARE(guide.ResultSection(34, QString()).anchor, QStringLiteral("34-the-port"));
        QCOMPARE(guide.ResultSection(340, QString()).anchor, QStringLiteral("340-other"));
        QVERIFY(guide.ResultSection(35, QString()).page.isEmpty());
    }

    // Every link of every shipped page leads to a file that exists (resolved from the page's
    // folder, as a reader of the sources follows it) and to a heading of that page; every
    // picture is there; web links are the only other kind.
    void shippedLinks_data()
    {
        QTest::addColumn<QString>("page");
        for (const QString& page : ShippedPages())
            QTest::newRow(qPrintable(page)) << page;
    }
    void shippedLinks()
    {
        QFETCH(QString, page);
        const QString path = SOURCE_GUIDE + QLatin1Char('/') + page;
        const QDir folder = QFileInfo(path).dir();
        for (const Link& link : Links(ReadText(path))) {
            const QString where = QStringLiteral("%1:%2: %3").arg(page).arg(link.line).arg(link.target);
            if (link.target.startsWith(QLatin1String("https://")))
                continue;
            QVERIFY2(!link.target.contains(QLatin1Char(':')), qPrintable(where + QStringLiteral(": not a guide link")));
            const QString file = link.target.section(QLatin1Char('#'), 0, 0);
            const QString anchor = link.target.section(QLatin1Char('#'), 1);
            const QString target = file.isEmpty() ? path : QDir::cleanPath(folder.filePath(file));
            QVERIFY2(QFileInfo(target).isFile(), qPrintable(where + QStringLiteral(": no such file")));
            QVERIFY2(target.startsWith(SOURCE_GUIDE + QLatin1Char('/')), qPrintable(where + QStringLiteral(": outside the guide")));
            if (link.image)
                QVERIFY2(!QImage(target).isNull(), qPrintable(where + QStringLiteral(": not a picture")));
            if (anchor.isEmpty())
                continue;
            QStringList anchors;
            for (const Heading& heading : Headings(ReadText(target)))
                anchors << heading.anchor;
            QVERIFY2(anchors.contains(anchor), qPrintable(where + QStringLiteral(": no such heading")));
        }
    }

    // The contents page lists every English page; a translation translates an English page.
    void shippedPagesListed()
    {
        const CGuideFolder guide(SOURCE_GUIDE);
        const QStringList listed = guide.Pages();
        for (const QString& page : ShippedPages()) {
            if (page.contains(QLatin1Char('/'))) {
                QVERIFY2(QFileInfo::exists(SOURCE_GUIDE + QLatin1Char('/') + QFileInfo(page).fileName()),
                         qPrintable(page + QStringLiteral(" translates no page")));
                continue;
            }
            QVERIFY2(listed.contains(page), qPrintable(page + QStringLiteral(" is not in the contents")));
        }
        // The first steps in every shipped language.
        for (const char* code : {"pl", "de", "ru", "es"})
            QCOMPARE(guide.PagePath(QStringLiteral("getting-started.md"), QLatin1String(code)),
                     SOURCE_GUIDE + QStringLiteral("/%1/getting-started.md").arg(QLatin1String(code)));
    }

    // What F1 and the Help buttons open is in the guide.
    void contextPlaces_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("anchor");
        for (FieldKind kind : {FIELD_START, FIELD_STATE_CHANGE, FIELD_CONDITION, FIELD_TIME, FIELD_STOP}) {
            const Place place = StepKindPlace(kind);
            QTest::addRow("step kind %d", int(kind)) << place.page << place.anchor;
        }
        QTest::newRow("potentiometer") << PotentiometerPlace().page << PotentiometerPlace().anchor;
        QTest::newRow("simulation") << SimulationPlace().page << SimulationPlace().anchor;
    }
    void contextPlaces()
    {
        QFETCH(QString, page);
        QFETCH(QString, anchor);
        const CGuideFolder guide(SOURCE_GUIDE);
        QVERIFY(!guide.PagePath(page, QStringLiteral("en")).isEmpty());
        if (!anchor.isEmpty())
            QVERIFY2(guide.Anchors(page, QStringLiteral("en")).contains(anchor), qPrintable(page + '#' + anchor));
    }

    void troubleshootingSections_data()
    {
        QTest::addColumn<int>("code");
        for (int code : SHOWN_RESULTS)
            QTest::addRow("%d", code) << code;
    }
    void troubleshootingSections()
    {
        QFETCH(int, code);
        const Place place = CGuideFolder(SOURCE_GUIDE).ResultSection(code, QStringLiteral("en"));
        QCOMPARE(place.page, QLatin1String(TROUBLESHOOTING_PAGE));
        QVERIFY(place.anchor.startsWith(QString::number(code) + QLatin1Char('-')));
    }

    // Every example: its program text builds a program of its model, and its page is in the
    // guide and in the list of examples.
    void examples_data()
    {
        QTest::addColumn<QString>("name");
        for (const ExampleInfo& example : Examples())
            QTest::newRow(example.name) << QString::fromLatin1(example.name);
    }
    void examples()
    {
        QFETCH(QString, name);
        const ExampleInfo* example = FindExample(name);
        QVERIFY(example);
        QFile text(QStringLiteral(QUORVEX_SOURCE_DIR "/examples/") + name + QStringLiteral(".json"));
        QVERIFY(text.open(QIODevice::ReadOnly));
        const ProgramText::ImportResult program = ProgramText::Import(text.readAll());
        QVERIFY(!program.image.empty());
        QCOMPARE(program.model, example->model);
        QVERIFY(QFileInfo::exists(SOURCE_GUIDE + QLatin1Char('/') + QLatin1String(example->guidePage)));
        bool listed = false;
        for (const Link& link : Links(ReadText(SOURCE_GUIDE + QStringLiteral("/examples.md"))))
            listed = listed || link.target == QLatin1String(example->guidePage);
        QVERIFY(listed);
        QVERIFY(!FindExample(name.toUpper()));
    }
};

QTEST_GUILESS_MAIN(TestGuide)
#include "tst_guide.moc"
