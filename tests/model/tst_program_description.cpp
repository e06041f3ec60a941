// The text description of a program: sections, line layouts, jump targets, expressions,
// and writing the file (UTF-8, CR LF, replaced only when complete). The test module names
// every text "Text <id>"; its formats are 15 "Step %s", 16 "to %s", 19 "Channel %s, step %s",
// 300 "%.2f s".

#include "Fields_QVR_K115_ZQX.h"
#include "Fields_QVS_K115_318.h"
#include "ProgramDescription.h"
#include "QuorvexDoc.h"
#include "ResultCodes.h"
#include "TestLanguages.h"

#include <QRegularExpression>
#include <QTest>


using namespace Language;

namespace {

struct Section {
    QString title;
    QStringList lines;
};

// Splits a description into sections: title, separator, lines, one empty line. Fails the
// test on any other shape.
QList<Section> Sections(const QString& text)
{
    QList<Section> sections;
    if (text.contains(QRegularExpression(QStringLiteral("[^\r]\n|\r[^\n]")))) {
        qWarning("line end other than CR LF");
        return {};
    }
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (lines.isEmpty() || !lines.takeLast().isEmpty()) {
        qWarning("text does not end with CR LF");
        return {};
    }
    for (int i = 0; i < lines.size();) {
        if (i + 1 >= lines.size() || lines[i + 1] != QString(52, QLatin1Char('-'))) {
            qWarning("no separator after line %d", i);
            return {};
        }
        Section section{lines[i], {}};
        i += 2;
        while (i < lines.size() && !lines[i].isEmpty())
            section.lines << lines[i++];
        if (i >= lines.size()) {
            qWarning("section without empty line");
            return {};
        }
        ++i; // the empty line
        sections << section;
    }
    return sections;
}

QString Line(int labelId, const QString& value)
{
    return QStringLiteral("   ") + QStringLiteral("Text %1").arg(labelId).leftJustified(30) + QStringLiteral(": ") + value;
}
QString T(int id) { return QStringLiteral("Text %1").arg(id); }

template <typename Field>
Field& Bound(CQuorvexDoc& doc, Field& field, int channel, int index)
{
    int kind = -1;
    std::uint8_t* data = doc.GetFieldData(channel, index, &kind);
    if (!field.Attach(&doc, channel, index, data) || kind != field.GetKind())
        qFatal("field %d of channel %d cannot be bound", index, channel);
    return field;
}

} // namespace

class TestProgramDescription : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(LoadTestLanguage(m_manager, m_folder));
    }

    void defaultProgram_QVR_K115_ZQX()
    {
        CQuorvex_QVR_K115_ZQX_Doc doc;
        doc.ResetProgram(0);
        const QString text = DescribeProgram(doc, m_manager);
        const QList<Section> sections = Sections(text);
        QCOMPARE(sections.size(), 36);
        QCOMPARE(sections[0].title, QStringLiteral("Step Text 282"));
        QCOMPARE(sections[0].lines, (QStringList{Line(117, T(119)), Line(127, T(130))}));
        for (int index = 1; index < 36; ++index) {
            QCOMPARE(sections[index].title, QStringLiteral("Step %1").arg(index));
            switch (FieldKindAt(index)) {
            case FIELD_STATE_CHANGE:
                QCOMPARE(sections[index].lines, (QStringList{Line(132, T(133)), Line(146, T(147))}));
                break;
            case FIELD_CONDITION:
                QCOMPARE(sections[index].lines, (QStringList{Line(151, T(152)), Line(185, T(189))}));
                break;
            case FIELD_TIME:
                QCOMPARE(sections[index].lines,
                         (QStringList{Line(194, T(195)), Line(17, QStringLiteral("1.00 s")), Line(208, T(209))}));
                break;
            default:
                QFAIL("unexpected field kind");
            }
        }
        QVERIFY(!doc.IsModified());
    }

    void defaultProgram_QVS_K115_318()
    {
        CQuorvex_QVS_K115_318_Doc doc;
        doc.ResetProgram(0);
        const QList<Section> sections = Sections(DescribeProgram(doc, m_manager));
        QCOMPARE(sections.size(), 72);
        for (int channel = 0; channel < 2; ++channel) {
            for (int index = 0; index < 36; ++index) {
                const Section& section = sections[channel * 36 + index];
                QCOMPARE(section.title, QStringLiteral("Channel %1, step %2")
                                            .arg(channel + 1)
                                            .arg(index == 0 ? T(282) : QString::number(index)));
                const int lineCount = FieldKindAt(index) == FIELD_TIME ? 3 : 2;
                QCOMPARE(section.lines.size(), lineCount);
            }
        }
        // Each channel shows its own byte of the shared Start field: channel 1 sets relay 1
        // off, channel 2 sets relay 2 off; the delay is common.
        QCOMPARE(sections[0].lines, (QStringList{Line(117, T(123) + QStringLiteral(", ") + T(124)), Line(127, T(130))}));
        QCOMPARE(sections[36].lines, (QStringList{Line(117, T(121) + QStringLiteral(", ") + T(126)), Line(127, T(130))}));
        QCOMPARE(sections[1].lines, (QStringList{Line(132, T(138) + QStringLiteral(", ") + T(142)), Line(146, T(147))}));
        QCOMPARE(sections[2].lines, (QStringList{Line(151, T(164)), Line(185, T(189))}));
        QCOMPARE(sections[4].lines,
                 (QStringList{Line(194, T(195)), Line(17, QStringLiteral("1.00 s")), Line(208, T(222))}));
    }

    void jumpTargets_data()
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("value");
        QTest::newRow("Start") << 0 << "to Text 282";
        QTest::newRow("Stop") << 36 << "to Text 303";
        QTest::newRow("step") << 17 << "to 17";
        QTest::newRow("beyond Stop") << 40 << "to 40";
        QTest::newRow("no jump") << NO_JUMP << "Text 147";
    }
    void jumpTargets()
    {
        QFETCH(int, target);
        QFETCH(QString, value);
        CQuorvex_QVR_K115_ZQX_Doc doc;
        doc.ResetProgram(0);
        CQuorvex_QVR_K115_ZQX_FIELDStateChange change;
        Bound(doc, change, 0, 5).SetJump(target);
        const QList<Section> sections = Sections(DescribeProgram(doc, m_manager));
        QCOMPARE(sections.size(), 36);
        QCOMPARE(sections[5].lines.last(), Line(146, value));
    }

    void conditions_QVR_K115_ZQX_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("source");
        QTest::addColumn<QStringList>("lines");
        const QString jump = Line(185, QStringLiteral("to 9"));
        const QString alternative = Line(188, QStringLiteral("to Text 282"));
        QTest::newRow("none") << 0 << 1 << QStringList{Line(151, T(152)), jump};
        QTest::newRow("rising edge") << 3 << 1 << QStringList{Line(151, T(155)), jump};
        QTest::newRow("two-way on the input") << 6 << 1 << QStringList{Line(151, T(158)), jump, alternative};
        QTest::newRow("two-way on the relay") << 7 << 2 << QStringList{Line(151, T(161)), jump, alternative};
    }
    void conditions_QVR_K115_ZQX()
    {
        QFETCH(int, type);
        QFETCH(int, source);
        QFETCH(QStringList, lines);
        CQuorvex_QVR_K115_ZQX_Doc doc;
        doc.ResetProgram(0);
        CQuorvex_QVR_K115_ZQX_FIELDCondition condition;
        Bound(doc, condition, 0, 6);
        condition.SetConditionType(type);
        condition.SetTerm(0, 0, source, 1, 0);
        condition.SetJump(9);
        condition.SetAltJump(0);
        QCOMPARE(Sections(DescribeProgram(doc, m_manager))[6].lines, lines);
    }

    void timeWithStopCondition_QVR_K115_ZQX()
    {
        CQuorvex_QVR_K115_ZQX_Doc doc;
        doc.ResetProgram(0);
        CQuorvex_QVR_K115_ZQX_FIELDTime time;
        Bound(doc, time, 0, 8);
        time.SetFixedTime(0);
        time.SetConditionType(2);
        time.SetTerm(0, 0, 1, 1, 0);
        time.SetJump(36);
        QCOMPARE(Sections(DescribeProgram(doc, m_manager))[8].lines,
                 (QStringList{Line(194, T(196)), Line(208, T(211)), Line(18, QStringLiteral("to Text 303"))}));
    }

    void expressions_QVS_K115_318()
    {
        CQuorvex_QVS_K115_318_Doc doc;
        doc.ResetProgram(0);
        CQuorvex_QVS_K115_318_FIELDCondition condition;
        Bound(doc, condition, 1, 2);
        condition.SetConditionType(7);
        condition.SetTerm(1, TERM_OP_OR, TERM_SOURCE_OUTPUT, 2, 1); // not relay 2
        condition.SetJump(36);
        CQuorvex_QVS_K115_318_FIELDTime time;
        Bound(doc, time, 1, 4);
        time.SetConditionType(3);
        time.SetTerm(0, TERM_OP_NONE, TERM_SOURCE_INPUT, 2, 0);      // input 2
        time.SetTerm(1, TERM_OP_XOR, TERM_SOURCE_OUTPUT, 1, 0);      // relay 1
        time.SetTimeUnit(3);
        time.SetTimeValue(200);

        const QList<Section> sections = Sections(DescribeProgram(doc, m_manager));
        QCOMPARE(sections.size(), 72);
        QCOMPARE(sections[36 + 2].lines,
                 (QStringList{Line(151, T(171) + QStringLiteral("; (Text 184 = Text 176 | Text 183)")),
                              Line(185, QStringLiteral("to Text 303")), Line(188, T(189))}));
        QCOMPARE(sections[36 + 4].lines,
                 (QStringList{Line(194, T(195)), Line(17, QStringLiteral("15 min 38 s")),
                              Line(208, T(225) + QStringLiteral("; (Text 240 = Text 234 ^ Text 236)")),
                              Line(18, T(215))}));
        // Channel 1 is untouched.
        QCOMPARE(sections[2].lines, (QStringList{Line(151, T(164)), Line(185, T(189))}));
    }

    void describeExpression_data()
    {
        QTest::addColumn<int>("op1");
        QTest::addColumn<int>("op2");
        QTest::addColumn<bool>("drawing");
        QTest::addColumn<QString>("expected");
        QTest::newRow("term 0 alone") << 0 << 0 << false << "Text 184 = Text 176";
        QTest::newRow("operator 1 of 0 ends it") << 0 << int(TERM_OP_OR) << false << "Text 184 = Text 176";
        QTest::newRow("and") << int(TERM_OP_AND) << 0 << false << "Text 184 = Text 176 & Text 179";
        QTest::newRow("and, drawn") << int(TERM_OP_AND) << int(TERM_OP_XOR) << true << "Text 184 = Text 176 && Text 179 ^ Text 182";
        QTest::newRow("three terms") << int(TERM_OP_OR) << int(TERM_OP_AND) << false << "Text 184 = Text 176 | Text 179 & Text 182";
    }
    void describeExpression()
    {
        QFETCH(int, op1);
        QFETCH(int, op2);
        QFETCH(bool, drawing);
        QFETCH(QString, expected);
        CQuorvex_QVS_K115_318_Doc doc;
        doc.ResetProgram(0);
        CQuorvex_QVS_K115_318_FIELDCondition condition;
        condition.OnLanguageChanged(m_manager);
        Bound(doc, condition, 0, 2);
        condition.SetTerm(1, TERM_OP_AND, TERM_SOURCE_INPUT, 2, 1); // not input 2
        condition.SetTerm(2, TERM_OP_AND, TERM_SOURCE_OUTPUT, 2, 0); // relay 2
        condition.SetTerm(1, op1, 0, 0, 0);                          // operators only
        condition.SetTerm(2, op2, 0, 0, 0);
        QCOMPARE(condition.DescribeExpression(drawing), expected);
    }

    void longLabelsAreWrittenWhole()
    {
        CTestLanguageFolder folder;
        CLanguageManager manager;
        QVERIFY(LoadTestLanguage(manager, folder, QStringLiteral("long")));
        CQuorvex_QVR_K115_ZQX_Doc doc;
        doc.ResetProgram(0);
        const QList<Section> sections = Sections(DescribeProgram(doc, manager));
        QCOMPARE(sections.size(), 36);
        QCOMPARE(sections[0].lines.first(), QStringLiteral("   A rather long text of the test module, number 117: "
                                                           "A rather long text of the test module, number 119"));
    }

    void brokenFormatsLeaveValuesEmpty()
    {
        CTestLanguageFolder folder;
        CLanguageManager manager;
        QVERIFY(LoadTestLanguage(manager, folder, QStringLiteral("broken")));
        CQuorvex_QVS_K115_318_Doc doc;
        doc.ResetProgram(0);
        CQuorvex_QVS_K115_318_FIELDStateChange change;
        Bound(doc, change, 0, 1).SetJump(0);
        const QList<Section> sections = Sections(DescribeProgram(doc, manager));
        QCOMPARE(sections.size(), 72);
        QCOMPARE(sections[0].title, QString());
        QCOMPARE(sections[1].lines.last(), Line(146, QString()));
        QCOMPARE(sections[4].lines[1], Line(17, QString()));
    }

    void writeReportReplacesTheFileWhole()
    {
        // WriteReport uses the program's one language manager.
        CLanguageManager& global = TheLanguageManager();
        global.SetModuleFolder(m_folder.Path());
        QVERIFY(global.ScanModules() >= 1);
        QVERIFY(global.SelectLanguage(0));

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("program.txt"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(100000, 'x'));
        old.close();

        CQuorvex_QVS_K115_318_Doc doc;
        doc.ResetProgram(1);
        QCOMPARE(doc.WriteReport(path), int(RESULT_OK));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes, DescribeProgram(doc, global).toUtf8());
        QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
        QVERIFY(doc.IsModified()); // describing does not touch the document
        global.UnloadLanguage();
    }

    void failedWriteKeepsThePreviousFile()
    {
        QTemporaryDir dir;
        CQuorvex_QVR_K115_ZQX_Doc doc;
        doc.ResetProgram(0);
        QCOMPARE(WriteProgramDescription(doc, dir.filePath(QStringLiteral("missing/folder/d.txt")), m_manager),
                 int(RESULT_CANNOT_WRITE));
        QCOMPARE(WriteProgramDescription(doc, dir.path(), m_manager), int(RESULT_CANNOT_WRITE));

        // A name so long that no temporary file can be made beside it: the write fails
        // before the old file is touched (this holds even for the superuser).
        const QString path = dir.filePath(QString(250, QLatin1Char('d')));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("previous description");
        old.close();
        QCOMPARE(WriteProgramDescription(doc, path, m_manager), int(RESULT_CANNOT_WRITE));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("previous description"));
    }

private:
    CTestLanguageFolder m_folder;
    CLanguageManager m_manager;
};

QTEST_GUILESS_MAIN(TestProgramDescription)
#include "tst_program_description.moc"
