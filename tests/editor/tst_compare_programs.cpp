// The comparison of the PC's program with the relay's: the rows are exactly the steps that
// differ, each side in the description's words, and the buttons give the user's choice
// without changing either program.

#include "CompareProgramsDlg.h"
#include "Fields.h"
#include "LanguageManager.h"
#include "QuorvexDoc.h"
#include "TestLanguages.h"

#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include <cstring>
#include <memory>

namespace {

std::unique_ptr<CQuorvexDoc> DefaultProgram(ModelCode model)
{
    std::unique_ptr<CQuorvexDoc> doc = CreateDocument(model);
    doc->ResetProgram(0);
    return doc;
}

} // namespace

class TestComparePrograms : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(UseShippedLanguage(Language::LCID_ENGLISH)); }

    void listsTheDifferingSteps()
    {
        std::unique_ptr<CQuorvexDoc> pc = DefaultProgram(MODEL_QVS_K115_318);
        std::unique_ptr<CQuorvexDoc> relay = DefaultProgram(MODEL_QVS_K115_318);
        const auto fields = relay->CreateFieldSet();
        static_cast<CQuorvexFIELDTime*>(fields->Bind(relay.get(), 1, 8))->SetTimeValue(192);
        static_cast<CQuorvexFIELDStateChange*>(fields->Bind(relay.get(), 0, 3))->SetRelayOperation(0, RELAY_OP_ON);
        const std::vector<std::uint8_t> before(relay->GetData(), relay->GetData() + relay->GetDataSize());

        CCompareProgramsDlg dialog(*pc, *relay);
        QTableWidget* table = dialog.Table();
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("Channel 1, step 3"));
        QCOMPARE(table->item(1, 0)->text(), QStringLiteral("Channel 2, step 8"));
        QVERIFY(table->item(1, 1)->text().contains(QStringLiteral("1.00 s")));
        QVERIFY(table->item(1, 2)->text().contains(QStringLiteral("1.50 s")));
        QVERIFY(table->item(0, 2)->text().contains(QStringLiteral("Relay 1: switch on")));
        // Each line splits into its mark, label and value, which the table draws in columns of
        // their own so that the values line up.
        const ComparedLine operation = SplitComparedLine(table->item(0, 2)->text().split(QLatin1Char('\n')).at(0));
        QVERIFY(operation.differs);
        QCOMPARE(operation.label, Language::TheLanguageManager().Text(Language::TEXT_RELAY_OPERATION));
        QVERIFY(operation.value.startsWith(QStringLiteral("Relay 1: switch on")));

        dialog.show();
        QTest::mouseClick(dialog.LoadButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.GetChoice(), CCompareProgramsDlg::CHOICE_LOAD_RELAY);
        // Neither program was changed.
        QVERIFY(std::memcmp(relay->GetData(), before.data(), before.size()) == 0);
        QCOMPARE(ComparePrograms(*pc, *pc, Language::TheLanguageManager()).Equal(), true);
    }

    // A line of a side: its mark, the label before the description's padded colon, the value
    // after it (which may hold colons of its own); a note has no label.
    void splitsALine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("differs");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("value");
        QTest::newRow("marked") << QStringLiteral("\u25B8 Relay operation          : Relay 1: on, Relay 2: off")
                                << true << QStringLiteral("Relay operation") << QStringLiteral("Relay 1: on, Relay 2: off");
        QTest::newRow("unmarked") << QStringLiteral("  Jump                       : Next step") << false
                                  << QStringLiteral("Jump") << QStringLiteral("Next step");
        QTest::newRow("note") << QStringLiteral("differs only in bits that the description does not show") << false
                              << QString() << QStringLiteral("differs only in bits that the description does not show");
    }
    void splitsALine()
    {
        QFETCH(QString, line);
        QFETCH(bool, differs);
        QFETCH(QString, label);
        QFETCH(QString, value);
        const ComparedLine parts = SplitComparedLine(line);
        QCOMPARE(parts.differs, differs);
        QCOMPARE(parts.label, label);
        QCOMPARE(parts.value, value);
    }

    void equalOrOtherModel_data()
    {
        QTest::addColumn<int>("relayModel");
        QTest::addColumn<QString>("summary");
        QTest::newRow("equal") << int(MODEL_QVS_K115_318) << "The programs are equal.";
        QTest::newRow("other model") << int(MODEL_QVR_K115_ZQX)
                                     << "The programs are for different relay models: QVS_K115_318 and QVR_K115_ZQX.";
    }
    void equalOrOtherModel()
    {
        QFETCH(int, relayModel);
        QFETCH(QString, summary);
        std::unique_ptr<CQuorvexDoc> pc = DefaultProgram(MODEL_QVS_K115_318);
        std::unique_ptr<CQuorvexDoc> relay = DefaultProgram(ModelCode(relayModel));
        CCompareProgramsDlg dialog(*pc, *relay);
        QCOMPARE(dialog.Table()->rowCount(), 0);
        bool found = false;
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            found = found || label->text() == summary;
        QVERIFY2(found, qPrintable(summary));
        // Nothing to send when they are equal; a program of the other model may be sent or
        // loaded (the relay commands check the model).
        QCOMPARE(dialog.SendButton()->isEnabled(), relayModel != MODEL_QVS_K115_318);
        dialog.show();
        dialog.reject();
        QCOMPARE(dialog.GetChoice(), CCompareProgramsDlg::CHOICE_NONE);
    }
};

QTEST_MAIN(TestComparePrograms)
#include "tst_compare_programs.moc"
