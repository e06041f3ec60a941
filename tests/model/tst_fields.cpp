// Field accessors of both models: every setter changes only its own bits, invalid codes are
// stored as 0 or ignored, and getters decode what is stored.
//
// Each row binds an accessor to one field whose bytes are preset, runs a short script of
// accessor calls and compares the field's bytes afterwards. Script syntax, ';' separated:
//   "SetX a b ..."      call a setter
//   "GetX a ... = r"    call a getter and expect r
//   "GetTerm t = s o n g"  expect source s, operator o, number n, negated g

#include "Fields_QVR_K115_ZQX.h"
#include "Fields_QVS_K115_318.h"
#include "QuorvexDoc.h"

#include <QtTest>

namespace {

QByteArray Hex(const char* text) { return QByteArray::fromHex(text); }

class Script {
public:
    explicit Script(CQuorvexFIELDBase* field) : m_field(field) {}

    // Runs every call; returns an empty string or the first mismatch.
    QString Run(const QString& script)
    {
        for (const QString& raw : script.split(u';', Qt::SkipEmptyParts)) {
            const QString call = raw.trimmed();
            const QStringList sides = call.split(u'=');
            QStringList words = sides.first().split(u' ', Qt::SkipEmptyParts);
            const QString name = words.takeFirst();
            QList<int> a;
            for (const QString& w : words)
                a << w.toInt();
            while (a.size() < 5)
                a << 0;
            QList<int> expected;
            if (sides.size() > 1)
                for (const QString& w : sides.at(1).split(u' ', Qt::SkipEmptyParts))
                    expected << w.toInt();
            QList<int> got;
            if (!Call(name, a, &got))
                return QStringLiteral("unknown call: ") + call;
            if (sides.size() > 1 && got != expected) {
                QStringList g;
                for (int v : got)
                    g << QString::number(v);
                return call + QStringLiteral(" gave ") + g.join(u' ');
            }
        }
        return {};
    }

private:
    // Calls shared by Condition and Time: condition type, terms and the jump.
    template <typename Field>
    static bool CallConditionPart(Field* f, const QString& name, const QList<int>& a, QList<int>* got)
    {
        if (name == u"SetConditionType") f->SetConditionType(a[0]);
        else if (name == u"GetConditionType") *got << f->GetConditionType();
        else if (name == u"SetTerm") f->SetTerm(a[0], a[1], a[2], a[3], a[4]);
        else if (name == u"GetTerm") {
            int op = -1, number = -1, negated = -1;
            const int source = f->GetTerm(a[0], &op, &number, &negated);
            *got << source << op << number << negated;
        } else if (name == u"SetJump") f->SetJump(a[0]);
        else if (name == u"GetJump") *got << f->GetJump();
        else return false;
        return true;
    }

    bool Call(const QString& name, const QList<int>& a, QList<int>* got)
    {
        if (auto* f = dynamic_cast<CQuorvexFIELDStart*>(m_field)) {
            if (name == u"SetInitialState") f->SetInitialState(a[0], a[1]);
            else if (name == u"SetStartDelay") f->SetStartDelay(a[0]);
            else if (name == u"GetInitialState") *got << f->GetInitialState(a[0]);
            else if (name == u"GetStartDelay") *got << f->GetStartDelay();
            else return false;
            return true;
        }
        if (auto* f = dynamic_cast<CQuorvexFIELDStateChange*>(m_field)) {
            if (name == u"SetRelayOperation") f->SetRelayOperation(a[0], a[1]);
            else if (name == u"GetRelayOperation") *got << f->GetRelayOperation(a[0]);
            else if (name == u"SetJump") f->SetJump(a[0]);
            else if (name == u"GetJump") *got << f->GetJump();
            else return false;
            return true;
        }
        if (auto* f = dynamic_cast<CQuorvexFIELDCondition*>(m_field)) {
            if (CallConditionPart(f, name, a, got)) return true;
            if (name == u"SetAltJump") f->SetAltJump(a[0]);
            else if (name == u"GetAltJump") *got << f->GetAltJump();
            else return false;
            return true;
        }
        if (auto* f = dynamic_cast<CQuorvexFIELDTime*>(m_field)) {
            if (CallConditionPart(f, name, a, got)) return true;
            if (name == u"SetFixedTime") f->SetFixedTime(a[0]);
            else if (name == u"IsFixedTime") *got << f->IsFixedTime();
            else if (name == u"SetTimeUnit") f->SetTimeUnit(a[0]);
            else if (name == u"GetTimeUnit") *got << f->GetTimeUnit();
            else if (name == u"SetTimeValue") f->SetTimeValue(a[0]);
            else if (name == u"GetTimeValue") *got << f->GetTimeValue();
            else return false;
            return true;
        }
        return false;
    }

    CQuorvexFIELDBase* m_field;
};

} // namespace

class TestFields : public QObject {
    Q_OBJECT

private:
    static void AddBitLayoutColumns();
    static void CheckBitLayout(ModelCode model);

private Q_SLOTS:
    void bitLayout_QVR_K115_ZQX_data();
    void bitLayout_QVR_K115_ZQX() { CheckBitLayout(MODEL_QVR_K115_ZQX); }
    void bitLayout_QVS_K115_318_data();
    void bitLayout_QVS_K115_318() { CheckBitLayout(MODEL_QVS_K115_318); }
    void startFieldIsSharedBetweenChannels();
    void rememberedTypeAndSourceSurviveRebinding();
    void attachRefuses_data();
    void attachRefuses();
    void readOnlyBinding_data();
    void readOnlyBinding();
    void termExpression_data();
    void termExpression();
};

void TestFields::AddBitLayoutColumns()
{
    QTest::addColumn<int>("index");   // field index in channel 0
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QByteArray>("after");
}

void TestFields::bitLayout_QVR_K115_ZQX_data()
{
    AddBitLayoutColumns();

    // Model QVR_K115_ZQX, Start (1 byte).
    QTest::newRow("start on") << 0 << Hex("02") << "SetInitialState 0 2; GetInitialState 0 = 2" << Hex("82");
    QTest::newRow("start off keeps bits") << 0 << Hex("FF") << "SetInitialState 0 1; GetInitialState 0 = 1" << Hex("7F");
    QTest::newRow("start state 0 is off") << 0 << Hex("80") << "SetInitialState 0 0" << Hex("00");
    QTest::newRow("start relay 1 ignored") << 0 << Hex("02") << "SetInitialState 1 2; GetInitialState 1 = 1" << Hex("02");
    QTest::newRow("start delay") << 0 << Hex("7C") << "SetStartDelay 3; GetStartDelay = 3" << Hex("7F");
    QTest::newRow("start delay invalid") << 0 << Hex("FF") << "SetStartDelay 4; GetStartDelay = 0" << Hex("FC");
    // StateChange (1 byte).
    QTest::newRow("state toggle") << 1 << Hex("3F") << "SetRelayOperation 0 3; GetRelayOperation 0 = 3" << Hex("FF");
    QTest::newRow("state invalid op") << 1 << Hex("FF") << "SetRelayOperation 0 4; GetRelayOperation 0 = 0" << Hex("3F");
    QTest::newRow("state relay 1") << 1 << Hex("3F") << "SetRelayOperation 1 2; GetRelayOperation 1 = 0" << Hex("3F");
    QTest::newRow("state jump") << 3 << Hex("FF") << "SetJump 36; GetJump = 36" << Hex("E4");
    QTest::newRow("state jump 64") << 3 << Hex("BF") << "SetJump 64; GetJump = 0" << Hex("80");
    // Condition (3 bytes): code in byte 0 bits 3..0 from remembered type and source.
    QTest::newRow("cond two-way on output") << 2 << Hex("F0 3F 3F")
        << "SetConditionType 6; SetTerm 0 0 2 1 0; GetConditionType = 6; GetTerm 0 = 2 0 1 0" << Hex("F8 3F 3F");
    QTest::newRow("cond type 3 with source 2 unchanged") << 2 << Hex("00 3F 3F")
        << "SetConditionType 6; SetTerm 0 0 2 1 0; SetConditionType 3; GetConditionType = 6" << Hex("08 3F 3F");
    QTest::newRow("cond type 0 whatever the source") << 2 << Hex("A9 3F 3F")
        << "SetTerm 0 0 2 1 0; SetConditionType 0; GetConditionType = 0; GetTerm 0 = 0 0 0 0" << Hex("A0 3F 3F");
    QTest::newRow("cond on input") << 2 << Hex("00 3F 3F")
        << "SetTerm 0 0 1 1 0; SetConditionType 4; GetConditionType = 4; GetTerm 0 = 1 0 1 0" << Hex("04 3F 3F");
    QTest::newRow("cond two-way jump on input") << 2 << Hex("00 3F 3F")
        << "SetTerm 0 0 1 1 0; SetConditionType 7" << Hex("07 3F 3F");
    QTest::newRow("cond term refused") << 2 << Hex("00 3F 3F")
        << "SetConditionType 2; SetTerm 0 0 1 2 0; SetTerm 0 1 1 1 0; SetTerm 1 0 1 1 0; SetTerm 0 0 1 1 1" << Hex("00 3F 3F");
    QTest::newRow("cond code 9 reads as 7 on output") << 2 << Hex("09 3F 3F")
        << "GetConditionType = 7; GetTerm 0 = 2 0 1 0; GetTerm 1 = 0 0 0 0" << Hex("09 3F 3F");
    QTest::newRow("cond codes 10+ read as none") << 2 << Hex("0F 3F 3F")
        << "GetConditionType = 0; GetTerm 0 = 0 0 0 0" << Hex("0F 3F 3F");
    QTest::newRow("cond jumps keep high bits") << 2 << Hex("00 C0 C0")
        << "SetJump 5; SetAltJump 99; GetJump = 5; GetAltJump = 35" << Hex("00 C5 E3");
    // Time (3 bytes).
    QTest::newRow("time F0 has no stop condition") << 4 << Hex("F0 3F 80")
        << "GetConditionType = 0; GetTerm 0 = 0 0 0 0; IsFixedTime = 1" << Hex("F0 3F 80");
    QTest::newRow("time stop condition") << 4 << Hex("10 3F 80")
        << "SetTerm 0 0 1 1 0; SetConditionType 5; GetConditionType = 5; GetTerm 0 = 1 0 1 0" << Hex("B0 3F 80");
    QTest::newRow("time stop on output refused") << 4 << Hex("10 3F 80")
        << "SetTerm 0 0 2 1 0; SetConditionType 2" << Hex("10 3F 80");
    QTest::newRow("time two-way refused") << 4 << Hex("10 3F 80")
        << "SetConditionType 1; SetTerm 0 0 1 1 0; SetConditionType 6; GetConditionType = 1" << Hex("30 3F 80");
    QTest::newRow("time unit 7 stored as 0") << 4 << Hex("1D 3F 80")
        << "SetTimeUnit 7; GetTimeUnit = 0" << Hex("18 3F 80");
    QTest::newRow("time unit stored 7 reads 0") << 4 << Hex("17 3F 80") << "GetTimeUnit = 0" << Hex("17 3F 80");
    QTest::newRow("time fixed flag") << 4 << Hex("1E 3F 80")
        << "SetFixedTime 2; IsFixedTime = 0; SetTimeUnit 6; GetTimeUnit = 6" << Hex("0E 3F 80");
    QTest::newRow("time value and jump") << 4 << Hex("10 FF 80")
        << "SetTimeValue 255; SetJump 63; SetJump 12; GetJump = 12; GetTimeValue = 255" << Hex("10 CC FF");
}

void TestFields::bitLayout_QVS_K115_318_data()
{
    AddBitLayoutColumns();
    // Start through channel 0 (bytes 0 and 1 of the shared field).
    QTest::newRow("start relay 2 on") << 0 << Hex("42 10")
        << "SetInitialState 1 2; GetInitialState 1 = 2; GetInitialState 0 = 1" << Hex("62 10");
    QTest::newRow("start invalid state") << 0 << Hex("FF 00")
        << "SetInitialState 0 3; GetInitialState 0 = 0; GetInitialState 1 = 1; GetInitialState 2 = 1" << Hex("3F 00");
    QTest::newRow("start delay") << 0 << Hex("42 10") << "SetStartDelay 1; GetStartDelay = 1" << Hex("41 10");
    // StateChange (2 bytes).
    QTest::newRow("state both relays") << 1 << Hex("0F 3F")
        << "SetRelayOperation 0 2; SetRelayOperation 1 3; SetRelayOperation 2 1; GetRelayOperation 1 = 3; GetRelayOperation 2 = 0"
        << Hex("BF 3F");
    QTest::newRow("state invalid op clears") << 1 << Hex("FF 3F") << "SetRelayOperation 1 -1" << Hex("CF 3F");
    QTest::newRow("state jump") << 1 << Hex("00 FF") << "SetJump 0; GetJump = 0" << Hex("00 C0");
    // Condition (4 bytes).
    QTest::newRow("cond term 1 OR not relay 2") << 2 << Hex("00 00 3F 3F")
        << "SetTerm 1 2 2 2 1; GetTerm 1 = 2 2 2 1" << Hex("17 00 3F 3F");
    QTest::newRow("cond term 1 op 0 keeps code") << 2 << Hex("17 00 3F 3F")
        << "SetTerm 1 0 1 1 0; GetTerm 1 = 2 0 2 1" << Hex("07 00 3F 3F");
    QTest::newRow("cond term 0 with operator ignored") << 2 << Hex("00 00 3F 3F")
        << "SetTerm 0 1 2 2 1" << Hex("00 00 3F 3F");
    QTest::newRow("cond term 0") << 2 << Hex("00 00 3F 3F")
        << "SetTerm 0 0 2 1 1; GetTerm 0 = 2 0 1 1" << Hex("A0 00 3F 3F");
    QTest::newRow("cond term 2 XOR input 2") << 2 << Hex("00 07 3F 3F")
        << "SetTerm 2 3 1 2 0; GetTerm 2 = 1 3 2 0; GetConditionType = 7" << Hex("00 D7 3F 3F");
    QTest::newRow("cond bad operator ignored") << 2 << Hex("00 00 3F 3F") << "SetTerm 2 4 1 2 0" << Hex("00 00 3F 3F");
    QTest::newRow("cond bad source keeps code, writes operator") << 2 << Hex("00 28 3F 3F")
        << "SetTerm 2 1 3 1 0" << Hex("00 68 3F 3F");
    QTest::newRow("cond other term index") << 2 << Hex("00 00 3F 3F")
        << "SetTerm 3 1 1 1 0; GetTerm 3 = 0 0 0 0" << Hex("00 00 3F 3F");
    QTest::newRow("cond type") << 2 << Hex("FF F8 3F 3F")
        << "SetConditionType 7; GetConditionType = 7; SetConditionType 8; GetConditionType = 0" << Hex("FF F8 3F 3F");
    QTest::newRow("cond jumps") << 2 << Hex("00 00 FF FF")
        << "SetJump 1; SetAltJump 36; GetJump = 1; GetAltJump = 36" << Hex("00 00 C1 E4");
    // Time (5 bytes).
    QTest::newRow("time stop type limited to 5") << 4 << Hex("00 00 10 3F 80")
        << "SetConditionType 5; GetConditionType = 5; SetConditionType 6; GetConditionType = 0" << Hex("00 00 10 3F 80");
    QTest::newRow("time stored 6 reads none") << 4 << Hex("00 06 10 3F 80") << "GetConditionType = 0" << Hex("00 06 10 3F 80");
    QTest::newRow("time terms") << 4 << Hex("00 00 10 3F 80")
        << "SetTerm 0 0 1 2 0; SetTerm 1 1 2 1 0; SetConditionType 2" << Hex("4C 02 10 3F 80");
    QTest::newRow("time fields keep bits") << 4 << Hex("00 00 E8 C0 00")
        << "SetFixedTime 1; SetTimeUnit 5; SetJump 20; SetTimeValue 300; GetTimeUnit = 5; GetTimeValue = 44"
        << Hex("00 00 FD D4 2C");
}

void TestFields::CheckBitLayout(ModelCode model)
{
    QFETCH(int, index);
    QFETCH(QByteArray, before);
    QFETCH(QString, script);
    QFETCH(QByteArray, after);

    std::unique_ptr<CQuorvexDoc> doc = CreateDocument(model);
    doc->ResetProgram(0);
    const std::unique_ptr<CQuorvexFieldSet> fields = doc->CreateFieldSet();
    CQuorvexFIELDBase* field = fields->Bind(doc.get(), 0, index);
    QVERIFY(field);
    int kind = -1;
    std::uint8_t* data = doc->GetFieldData(0, index, &kind);
    std::copy(before.begin(), before.end(), data);
    const QByteArray image = QByteArray(reinterpret_cast<const char*>(doc->GetData()), doc->GetDataSize());

    const QString mismatch = Script(field).Run(script);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(data), after.size()), after);
    // Nothing outside the field changed.
    QByteArray expectedImage = image;
    expectedImage.replace(int(data - doc->GetData()), after.size(), after);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(doc->GetData()), doc->GetDataSize()), expectedImage);
}

void TestFields::startFieldIsSharedBetweenChannels()
{
    CQuorvex_QVS_K115_318_Doc doc;
    doc.ResetProgram(0);
    CQuorvex_QVS_K115_318_FieldSet fields;
    auto* start = dynamic_cast<CQuorvexFIELDStart*>(fields.Bind(&doc, 1, 0));
    QVERIFY(start);
    start->SetInitialState(0, RELAY_STATE_ON);
    QCOMPARE(doc.GetData()[1], std::uint8_t(0x90));
    QCOMPARE(doc.GetData()[0], std::uint8_t(0x42));
    start->SetStartDelay(3);
    QCOMPARE(doc.GetData()[0], std::uint8_t(0x43));
    QCOMPARE(start->GetInitialState(0), int(RELAY_STATE_ON));
    QCOMPARE(start->GetInitialState(1), int(RELAY_STATE_OFF));
    // Channel 0's view of the same field sees its own byte.
    auto* start0 = dynamic_cast<CQuorvexFIELDStart*>(fields.Bind(&doc, 0, 0));
    QCOMPARE(start0->GetInitialState(0), int(RELAY_STATE_OFF));
    QCOMPARE(start0->GetInitialState(1), int(RELAY_STATE_NOT_SET));
    QCOMPARE(start0->GetStartDelay(), 3);
}

void TestFields::rememberedTypeAndSourceSurviveRebinding()
{
    CQuorvex_QVR_K115_ZQX_Doc doc;
    doc.ResetProgram(0);
    CQuorvex_QVR_K115_ZQX_FieldSet fields;
    auto* cond = dynamic_cast<CQuorvexFIELDCondition*>(fields.Bind(&doc, 0, 2));
    cond->SetConditionType(CONDITION_BRANCH_ON_JUMP);
    cond->SetTerm(0, TERM_OP_NONE, TERM_SOURCE_OUTPUT, 1, 0);
    QCOMPARE(doc.GetData()[2], std::uint8_t(9));
    // Bound to another condition, the accessor still remembers type 7 and source 2.
    QCOMPARE(fields.Bind(&doc, 0, 6), &fields.Condition());
    cond->SetTerm(0, TERM_OP_NONE, TERM_SOURCE_OUTPUT, 1, 0);
    QCOMPARE(doc.GetFieldData(0, 6, nullptr)[0], std::uint8_t(9));
}

void TestFields::attachRefuses_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("nullData");
    QTest::addColumn<int>("expected");

    QTest::newRow("QVR_K115_ZQX index 37") << int(MODEL_QVR_K115_ZQX) << 0 << 37 << false << 0;
    QTest::newRow("QVR_K115_ZQX channel 1") << int(MODEL_QVR_K115_ZQX) << 1 << 1 << false << 0;
    QTest::newRow("QVR_K115_ZQX negative index") << int(MODEL_QVR_K115_ZQX) << 0 << -1 << false << 0;
    QTest::newRow("QVR_K115_ZQX null address") << int(MODEL_QVR_K115_ZQX) << 0 << 1 << true << 0;
    QTest::newRow("QVR_K115_ZQX stop") << int(MODEL_QVR_K115_ZQX) << 0 << 36 << false << 1;
    QTest::newRow("QVS_K115_318 channel 1") << int(MODEL_QVS_K115_318) << 1 << 35 << false << 1;
    QTest::newRow("QVS_K115_318 channel 2") << int(MODEL_QVS_K115_318) << 2 << 1 << false << 0;
    QTest::newRow("QVS_K115_318 negative channel") << int(MODEL_QVS_K115_318) << -1 << 1 << false << 0;
}

void TestFields::attachRefuses()
{
    QFETCH(int, model);
    QFETCH(int, channel);
    QFETCH(int, index);
    QFETCH(bool, nullData);
    QFETCH(int, expected);

    std::unique_ptr<CQuorvexDoc> doc = CreateDocument(ModelCode(model));
    const std::unique_ptr<CQuorvexFieldSet> fields = doc->CreateFieldSet();
    CQuorvexFIELDStateChange& field = fields->StateChange();
    QCOMPARE(field.Attach(doc.get(), channel, index, nullData ? nullptr : doc->GetData()), expected);
    QCOMPARE(field.IsAttached(), expected == 1);
}

void TestFields::readOnlyBinding_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("kind"); // -1: not bound

    const int R = MODEL_QVR_K115_ZQX, S = MODEL_QVS_K115_318;
    QTest::newRow("R time") << R << 0 << 8 << int(FIELD_TIME);
    QTest::newRow("R stop") << R << 0 << 36 << int(FIELD_STOP);
    QTest::newRow("R index 37") << R << 0 << 37 << -1;
    QTest::newRow("R channel 1") << R << 1 << 1 << -1;
    QTest::newRow("S start channel 1") << S << 1 << 0 << int(FIELD_START);
    QTest::newRow("S condition channel 1") << S << 1 << 34 << int(FIELD_CONDITION);
    QTest::newRow("S channel 2") << S << 2 << 1 << -1;
}

// A const document binds for reading: the accessor of the field's kind, reading the same
// bytes as a writable binding.
void TestFields::readOnlyBinding()
{
    QFETCH(int, model);
    QFETCH(int, channel);
    QFETCH(int, index);
    QFETCH(int, kind);

    std::unique_ptr<CQuorvexDoc> doc = CreateDocument(ModelCode(model));
    doc->ResetProgram(0);
    const std::unique_ptr<CQuorvexFieldSet> writer = doc->CreateFieldSet();
    if (auto* time = dynamic_cast<CQuorvexFIELDTime*>(writer->Bind(doc.get(), channel, index)))
        time->SetTimeValue(77);
    if (auto* start = dynamic_cast<CQuorvexFIELDStart*>(writer->Bind(doc.get(), channel, index)))
        start->SetInitialState(1, RELAY_STATE_ON);

    const CQuorvexDoc& constDoc = *doc;
    const std::unique_ptr<CQuorvexFieldSet> reader = doc->CreateFieldSet();
    const CQuorvexFIELDBase* field = reader->BindReadOnly(&constDoc, channel, index);
    QCOMPARE(field ? int(field->GetKind()) : -1, kind);
    if (!field)
        return;
    QCOMPARE(field->GetChannel(), channel);
    QCOMPARE(field->GetFieldIndex(), index);
    QCOMPARE(field->GetDoc(), &constDoc);
    if (auto* time = dynamic_cast<const CQuorvexFIELDTime*>(field))
        QCOMPARE(time->GetTimeValue(), 77);
    if (auto* start = dynamic_cast<const CQuorvexFIELDStart*>(field))
        QCOMPARE(start->GetInitialState(1), int(RELAY_STATE_ON));
}

void TestFields::termExpression_data()
{
    QTest::addColumn<QString>("terms");  // SetTerm calls as "term op source number negated"
    QTest::addColumn<int>("in1");
    QTest::addColumn<int>("in2");
    QTest::addColumn<int>("rel1");
    QTest::addColumn<bool>("expected");

    // input 1 OR input 2 AND relay 1 is (input 1 OR input 2) AND relay 1.
    const QString leftToRight = QStringLiteral("0 0 1 1 0; 1 2 1 2 0; 2 1 2 1 0");
    QTest::newRow("no precedence, relay off") << leftToRight << 1 << 0 << 0 << false;
    QTest::newRow("no precedence, relay on") << leftToRight << 1 << 0 << 1 << true;
    QTest::newRow("no precedence, inputs off") << leftToRight << 0 << 0 << 1 << false;
    QTest::newRow("input 1 alone") << QStringLiteral("0 0 1 1 0") << 1 << 0 << 0 << true;
    QTest::newRow("negated input 1") << QStringLiteral("0 0 1 1 1") << 1 << 0 << 0 << false;
    QTest::newRow("operator 1 of 0 ends it") << QStringLiteral("0 0 1 1 0; 2 1 1 2 0") << 1 << 0 << 0 << true;
    QTest::newRow("xor") << QStringLiteral("0 0 1 1 0; 1 3 1 2 0") << 1 << 1 << 0 << false;
}

void TestFields::termExpression()
{
    QFETCH(QString, terms);
    QFETCH(int, in1);
    QFETCH(int, in2);
    QFETCH(int, rel1);
    QFETCH(bool, expected);

    CQuorvex_QVS_K115_318_Doc doc;
    doc.ResetProgram(0);
    CQuorvex_QVS_K115_318_FieldSet fields;
    auto* cond = dynamic_cast<CQuorvexFIELDCondition*>(fields.Bind(&doc, 0, 2));
    auto* time = dynamic_cast<CQuorvexFIELDTime*>(fields.Bind(&doc, 0, 4));
    for (const QString& call : terms.split(u';')) {
        const QStringList a = call.split(u' ', Qt::SkipEmptyParts);
        cond->SetTerm(a[0].toInt(), a[1].toInt(), a[2].toInt(), a[3].toInt(), a[4].toInt());
        time->SetTerm(a[0].toInt(), a[1].toInt(), a[2].toInt(), a[3].toInt(), a[4].toInt());
    }
    const int inputs[2] = {in1, in2};
    const int outputs[2] = {rel1, 0};
    QCOMPARE(EvaluateTermExpression(*cond, inputs, outputs), expected);
    QCOMPARE(EvaluateTermExpression(*time, inputs, outputs), expected);
}

QTEST_APPLESS_MAIN(TestFields)
#include "tst_fields.moc"
