// The Problems panel and its model: the program check's findings of a program as rows (in
// the language chosen), the marks and tool tip notes of the step boxes, the row kept across a
// new check, and activation by keyboard and mouse.

#include "FaultyPrograms.h"
#include "LanguageManager.h"
#include "ProblemsPanel.h"
#include "ProgramText.h"
#include "QuorvexDoc.h"
#include "TestLanguages.h"

#include <QHeaderView>
#include <QLabel>
#include <QSignalSpy>
#include <QTreeView>
#include <QtTest>

namespace {

QString Cell(const CProblemsModel& model, int row, int column)
{
    return model.index(row, column).data().toString();
}

} // namespace

class TestProblemsPanel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(UseShippedLanguage(Language::LCID_ENGLISH)); }
    void cleanup() { Language::TheLanguageManager().SelectLanguageByLcid(Language::LCID_ENGLISH); }

    void rowsMarksAndNotes()
    {
        const std::unique_ptr<CQuorvexDoc> doc = DocumentOfText(FAULTY);
        QVERIFY(doc);
        CProblemsModel model;
        QSignalSpy changed(&model, &CProblemsModel::findingsChanged);
        model.Refresh(doc.get());
        QCOMPARE(changed.count(), 1);
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.Counts().errors, 1);
        QCOMPARE(model.Counts().warnings, 2);
        QCOMPARE(Cell(model, 0, CProblemsModel::COLUMN_SEVERITY), QStringLiteral("Error"));
        QCOMPARE(Cell(model, 0, CProblemsModel::COLUMN_STEP), QStringLiteral("1"));
        QCOMPARE(Cell(model, 1, CProblemsModel::COLUMN_STEP), QStringLiteral("4"));
        QCOMPARE(Cell(model, 2, CProblemsModel::COLUMN_SEVERITY), QStringLiteral("Warning"));
        QVERIFY(!model.index(0, CProblemsModel::COLUMN_SEVERITY).data(Qt::DecorationRole).value<QIcon>().isNull());
        QVERIFY(Cell(model, 0, CProblemsModel::COLUMN_TEXT).startsWith(QStringLiteral("Loop without time")));

        // Every step a finding names is marked; the error wins where both name a step.
        const std::array<StepMark, FIELD_COUNT> marks = model.Marks(0);
        for (int step = 0; step < FIELD_COUNT; ++step) {
            const StepMark expected = step >= 1 && step <= 5 ? StepMark::Error
                                      : step == 7            ? StepMark::Warning
                                                             : StepMark::None;
            QCOMPARE(int(marks[std::size_t(step)]), int(expected));
        }
        const std::array<QString, FIELD_COUNT> notes = model.Notes(0);
        QCOMPARE(notes[4].split(u'\n').size(), 2);
        QVERIFY(notes[4].startsWith(QStringLiteral("Error: ")));
        QVERIFY(notes[4].contains(QStringLiteral("\nWarning: ")));
        QVERIFY(notes[6].isEmpty());

        // No program: no findings, no marks.
        model.Refresh(nullptr);
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(int(model.Marks(0)[1]), int(StepMark::None));
    }

    // Channels count from 1 in the list, from 0 in the marks; the channel column shows only
    // for a two-channel program.
    void twoChannels()
    {
        const std::unique_ptr<CQuorvexDoc> doc = DocumentOfText(FAULTY_TWO);
        CProblemsPanel panel;
        panel.Model().Refresh(doc.get());
        const CProblemsModel& model = panel.Model();
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(Cell(model, 0, CProblemsModel::COLUMN_CHANNEL), QStringLiteral("1"));
        QCOMPARE(Cell(model, 1, CProblemsModel::COLUMN_CHANNEL), QStringLiteral("2"));
        QCOMPARE(int(model.Marks(0)[2]), int(StepMark::Warning));
        QCOMPARE(int(model.Marks(1)[2]), int(StepMark::Error));
        QCOMPARE(int(model.Marks(1)[3]), int(StepMark::Error));
        QCOMPARE(int(model.Marks(0)[3]), int(StepMark::None));
        QVERIFY(!panel.List()->isColumnHidden(CProblemsModel::COLUMN_CHANNEL));
        const std::unique_ptr<CQuorvexDoc> one = DocumentOfText(FAULTY);
        panel.Model().Refresh(one.get());
        QVERIFY(panel.List()->isColumnHidden(CProblemsModel::COLUMN_CHANNEL));
    }

    // A switch of language words the findings, the headers and the severities anew.
    void languageSwitch()
    {
        const std::unique_ptr<CQuorvexDoc> doc = DocumentOfText(FAULTY);
        CProblemsPanel panel;
        panel.Model().Refresh(doc.get());
        const QString english = Cell(panel.Model(), 1, CProblemsModel::COLUMN_TEXT);
        Language::CLanguageManager& manager = Language::TheLanguageManager();
        QCOMPARE(manager.SelectLanguageByLcid(1045), qint64(1045));
        panel.OnLanguageChanged(manager);
        QCOMPARE(Cell(panel.Model(), 0, CProblemsModel::COLUMN_SEVERITY), QStringLiteral("Błąd"));
        QCOMPARE(panel.Model().headerData(CProblemsModel::COLUMN_STEP, Qt::Horizontal).toString(), QStringLiteral("Krok"));
        const QString polish = Cell(panel.Model(), 1, CProblemsModel::COLUMN_TEXT);
        QVERIFY(!polish.isEmpty() && polish != english);
        QVERIFY(panel.Model().Notes(0)[4].startsWith(QStringLiteral("Błąd: ")));
    }

    // Enter on the current row and a double click on a row ask for that finding's step; the
    // current finding stays current when the program is checked again.
    void activation()
    {
        const std::unique_ptr<CQuorvexDoc> doc = DocumentOfText(FAULTY_TWO);
        CProblemsPanel panel;
        panel.resize(600, 200);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        panel.Model().Refresh(doc.get());
        QSignalSpy activated(&panel, &CProblemsPanel::stepActivated);
        QTreeView* list = panel.List();
        panel.TakeFocus();
        QTRY_VERIFY(list->hasFocus());
        QCOMPARE(list->currentIndex().row(), 0);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(activated.count(), 1);
        QCOMPARE(activated.at(0), (QList<QVariant>{1, 2}));

        panel.Model().Refresh(doc.get());
        QCOMPARE(list->currentIndex().row(), 1);

        const QRect first = list->visualRect(panel.Model().index(0, CProblemsModel::COLUMN_TEXT));
        // A double click as the window system delivers it: a click, then the second press.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, first.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, first.center());
        QCOMPARE(activated.count(), 2);
        QCOMPARE(activated.at(1), (QList<QVariant>{0, 2}));
    }

    // A program without findings shows a note instead of an empty list, and the note takes
    // the focus.
    void noProblems()
    {
        std::unique_ptr<CQuorvexDoc> doc = CreateDocument(MODEL_QVR_K115_ZQX);
        doc->ResetProgram(0);
        CProblemsPanel panel;
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        panel.Model().Refresh(doc.get());
        auto* note = panel.findChild<QLabel*>(QStringLiteral("problemsNone"));
        QVERIFY(note && note->isVisible() && !panel.List()->isVisible());
        QCOMPARE(note->text(), QStringLiteral("The program check finds no problem in this program."));
        panel.TakeFocus();
        QTRY_VERIFY(note->hasFocus());
        const std::unique_ptr<CQuorvexDoc> faulty = DocumentOfText(FAULTY);
        panel.Model().Refresh(faulty.get());
        QVERIFY(panel.List()->isVisible() && panel.List()->hasFocus());
    }
};

QTEST_MAIN(TestProblemsPanel)
#include "tst_problems_panel.moc"
