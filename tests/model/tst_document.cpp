// Program documents: default programs, field addressing and the simulation values.

#include "QuorvexDoc.h"

#include <QtTest>

namespace {
QByteArray Image(const CQuorvexDoc& doc)
{
    return QByteArray(reinterpret_cast<const char*>(doc.GetData()), doc.GetDataSize());
}
} // namespace

class TestDocument : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void defaultProgram_data();
    void defaultProgram();
    void fieldAddresses_data();
    void fieldAddresses();
    void simulationValues_data();
    void simulationValues();
};

void TestDocument::defaultProgram_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QByteArray>("image");

    const QByteArray groupR = QByteArray::fromHex("3F 00 3F 3F 3F 10 3F 80");
    QTest::newRow("QVR_K115_ZQX") << int(MODEL_QVR_K115_ZQX)
        << QByteArray::fromHex("02") + groupR.repeated(8) + QByteArray::fromHex("3F 00 3F 3F 3F");
    const QByteArray groupS = QByteArray::fromHex("00 3F 00 00 3F 3F 00 3F 00 00 10 3F 80");
    const QByteArray channelS = groupS.repeated(8) + QByteArray::fromHex("00 3F 00 00 3F 3F 00 3F");
    QTest::newRow("QVS_K115_318") << int(MODEL_QVS_K115_318) << QByteArray::fromHex("42 10") + channelS + channelS;
}

void TestDocument::defaultProgram()
{
    QFETCH(int, model);
    QFETCH(QByteArray, image);

    std::unique_ptr<CQuorvexDoc> doc = CreateDocument(ModelCode(model));
    QCOMPARE(doc->GetModelCode(), ModelCode(model));
    QCOMPARE(doc->IsModified(), 0);
    std::fill_n(doc->GetData(), doc->GetDataSize(), 0xA5); // reset must overwrite everything
    doc->ResetProgram(0);
    QCOMPARE(Image(*doc), image);
    QCOMPARE(doc->IsModified(), 0);
    doc->ResetProgram(1);
    QCOMPARE(Image(*doc), image);
    QCOMPARE(doc->IsModified(), 1);
    QCOMPARE(doc->GetData(), doc->GetFieldData(0, 0, nullptr));
}

void TestDocument::fieldAddresses_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("offset");  // -1: null
    QTest::addColumn<int>("kind");    // -1: left unwritten

    const int R = MODEL_QVR_K115_ZQX, S = MODEL_QVS_K115_318;
    QTest::newRow("R start") << R << 0 << 0 << 0 << int(FIELD_START);
    QTest::newRow("R negative index is start") << R << 0 << -5 << 0 << int(FIELD_START);
    QTest::newRow("R group 0 condition") << R << 0 << 2 << 2 << int(FIELD_CONDITION);
    QTest::newRow("R group 0 second state") << R << 0 << 3 << 5 << int(FIELD_STATE_CHANGE);
    QTest::newRow("R group 7 time") << R << 0 << 32 << 62 << int(FIELD_TIME);
    QTest::newRow("R closing state") << R << 0 << 33 << 65 << int(FIELD_STATE_CHANGE);
    QTest::newRow("R closing condition") << R << 0 << 34 << 66 << int(FIELD_CONDITION);
    QTest::newRow("R last state") << R << 0 << 35 << 69 << int(FIELD_STATE_CHANGE);
    QTest::newRow("R stop") << R << 0 << 36 << 70 << int(FIELD_STOP);
    QTest::newRow("R jump target 50") << R << 0 << 50 << 70 << -1;
    QTest::newRow("R channel 1") << R << 1 << 1 << -1 << -1;
    QTest::newRow("S start channel 1") << S << 1 << 0 << 0 << int(FIELD_START);
    QTest::newRow("S channel 1 first state") << S << 1 << 1 << 114 << int(FIELD_STATE_CHANGE);
    QTest::newRow("S group 1 time") << S << 0 << 8 << 2 + 13 + 8 << int(FIELD_TIME);
    QTest::newRow("S closing condition ch 1") << S << 1 << 34 << 114 + 104 + 2 << int(FIELD_CONDITION);
    QTest::newRow("S stop channel 0") << S << 0 << 36 << 114 << int(FIELD_STOP);
    QTest::newRow("S stop channel 1") << S << 1 << 36 << 226 << int(FIELD_STOP);
    QTest::newRow("S jump target 62 ch 1") << S << 1 << 62 << 226 << -1;
    QTest::newRow("S channel 2") << S << 2 << 1 << -1 << -1;
    QTest::newRow("S negative channel") << S << -1 << 1 << -1 << -1;
}

void TestDocument::fieldAddresses()
{
    QFETCH(int, model);
    QFETCH(int, channel);
    QFETCH(int, index);
    QFETCH(int, offset);
    QFETCH(int, kind);

    std::unique_ptr<CQuorvexDoc> doc = CreateDocument(ModelCode(model));
    int gotKind = -1;
    const std::uint8_t* data = doc->GetFieldData(channel, index, &gotKind);
    QCOMPARE(data ? int(data - doc->GetData()) : -1, offset);
    QCOMPARE(gotKind, kind);
    // A const document gives the same address and kind, for reading.
    const CQuorvexDoc& constDoc = *doc;
    int constKind = -1;
    QCOMPARE(constDoc.GetFieldData(channel, index, &constKind), data);
    QCOMPARE(constKind, kind);
    if (kind >= 0)
        QCOMPARE(FieldKindAt(index), FieldKind(kind));
}

void TestDocument::simulationValues_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("number");
    QTest::addColumn<bool>("valid");

    QTest::newRow("R 0") << int(MODEL_QVR_K115_ZQX) << 0 << true;
    QTest::newRow("R 1") << int(MODEL_QVR_K115_ZQX) << 1 << false;
    QTest::newRow("S 1") << int(MODEL_QVS_K115_318) << 1 << true;
    QTest::newRow("S 2") << int(MODEL_QVS_K115_318) << 2 << false;
    QTest::newRow("S -1") << int(MODEL_QVS_K115_318) << -1 << false;
}

void TestDocument::simulationValues()
{
    QFETCH(int, model);
    QFETCH(int, number);
    QFETCH(bool, valid);

    std::unique_ptr<CQuorvexDoc> doc = CreateDocument(ModelCode(model));
    QCOMPARE(doc->GetPotUnit(), 0);
    QCOMPARE(doc->GetPotValue(), 128);
    doc->SetButtonSMode(number, 1);
    doc->SetButtonSState(number, 1);
    doc->SetOutputState(number, 1);
    QCOMPARE(doc->GetButtonSMode(number), valid ? 1 : -1);
    QCOMPARE(doc->GetButtonSState(number), valid ? 1 : -1);
    QCOMPARE(doc->GetOutputState(number), valid ? 1 : -1);
    // The values are not part of the program.
    doc->SetPotUnit(4);
    doc->SetPotValue(7);
    doc->ResetProgram(1);
    QCOMPARE(doc->GetPotUnit(), 4);
    QCOMPARE(doc->GetPotValue(), 7);
    if (valid)
        QCOMPARE(doc->GetButtonSState(number), 1);
}

QTEST_APPLESS_MAIN(TestDocument)
#include "tst_document.moc"
