// The text form of programs: exact round trips of any valid image, the words of every field,
// hand-written texts with defaults, and malformed texts refused with their place named.

#include "Fields.h"
#include "ProgramText.h"
#include "QuorvexDoc.h"

#include <QtTest>

#include <QRandomGenerator>

using namespace ProgramText;

namespace {

QByteArray Bytes(const std::vector<std::uint8_t>& image)
{
    return QByteArray(reinterpret_cast<const char*>(image.data()), qsizetype(image.size()));
}

QByteArray Image(const CQuorvexDoc& doc)
{
    return QByteArray(reinterpret_cast<const char*>(doc.GetData()), doc.GetDataSize());
}

std::unique_ptr<CQuorvexDoc> DefaultDoc(ModelCode model)
{
    std::unique_ptr<CQuorvexDoc> doc = CreateDocument(model);
    doc->ResetProgram(0);
    return doc;
}

// A random image of the model whose jump fields all name a step or "next step": every other
// bit, reserved bits and codes no dialog offers included, is random. The jumps are set
// through the field accessors, independently of the text form's own layout tables.
std::unique_ptr<CQuorvexDoc> RandomDoc(ModelCode model, QRandomGenerator& random)
{
    std::unique_ptr<CQuorvexDoc> doc = CreateDocument(model);
    for (int i = 0; i < doc->GetDataSize(); ++i)
        doc->GetData()[i] = std::uint8_t(random.bounded(256));
    const std::unique_ptr<CQuorvexFieldSet> fields = doc->CreateFieldSet();
    auto target = [&random]() { return random.bounded(8) == 0 ? NO_JUMP : int(random.bounded(FIELD_COUNT)); };
    for (int channel = 0; channel < doc->GetChannelCount(); ++channel) {
        for (int index = 0; index < STOP_FIELD; ++index) {
            CQuorvexFIELDBase* field = fields->Bind(doc.get(), channel, index);
            if (auto* change = dynamic_cast<CQuorvexFIELDStateChange*>(field))
                change->SetJump(target());
            if (auto* condition = dynamic_cast<CQuorvexFIELDCondition*>(field)) {
                condition->SetJump(target());
                condition->SetAltJump(target());
            }
            if (auto* time = dynamic_cast<CQuorvexFIELDTime*>(field))
                time->SetJump(target());
        }
    }
    return doc;
}

QByteArray Wrap(const QByteArray& model, const QByteArray& steps)
{
    return "{\"model\": \"" + model + "\", \"steps\": [\n" + steps + "\n]}";
}

} // namespace

class TestProgramText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void roundTripOfRandomPrograms_data();
    void roundTripOfRandomPrograms();
    void defaultProgramText();
    void handWrittenText_data();
    void handWrittenText();
    void malformedTextIsRefused_data();
    void malformedTextIsRefused();
    void jumpPastStopMakesTheRoundTrip();
    void setFields_data();
    void setFields();
    void mangledTextNeverBreaksTheReader();
};

void TestProgramText::roundTripOfRandomPrograms_data()
{
    QTest::addColumn<int>("model");
    QTest::newRow("QVR_K115_ZQX") << int(MODEL_QVR_K115_ZQX);
    QTest::newRow("QVS_K115_318") << int(MODEL_QVS_K115_318);
}

void TestProgramText::roundTripOfRandomPrograms()
{
    QFETCH(int, model);
    QRandomGenerator random(0x5eed + model);
    for (int run = 0; run < 2000; ++run) {
        const std::unique_ptr<CQuorvexDoc> doc = RandomDoc(ModelCode(model), random);
        const ExportResult exported = Export(ModelCode(model), doc->GetData(), doc->GetDataSize());
        QVERIFY(!exported.text.isEmpty());
        QVERIFY(exported.warnings.empty());
        const ImportResult imported = Import(exported.text);
        if (imported.error.IsError())
            QFAIL(qPrintable(QStringLiteral("run %1: line %2: %3 %4 %5\n%6")
                                 .arg(run).arg(imported.error.line).arg(imported.error.field, imported.error.value,
                                                                        imported.error.expected, exported.text)));
        QCOMPARE(int(imported.model), model);
        QCOMPARE(Bytes(imported.image).toHex(), Image(*doc).toHex());
        // The text is stable: the same image always gives the same text.
        QCOMPARE(Export(ModelCode(model), imported.image.data(), int(imported.image.size())).text, exported.text);
    }
}

void TestProgramText::defaultProgramText()
{
    const std::unique_ptr<CQuorvexDoc> zqx = DefaultDoc(MODEL_QVR_K115_ZQX);
    const QByteArray text = Export(MODEL_QVR_K115_ZQX, zqx->GetData(), zqx->GetDataSize()).text;
    const QList<QByteArray> lines = text.split('\n');
    // One step per line, fields in the order of the step dialogs, values as words.
    QCOMPARE(lines.size(), 5 + 37 + 3);
    QCOMPARE(lines[0], QByteArray("{"));
    QCOMPARE(lines[1], QByteArray("  \"format\": \"quorvex-program\","));
    QCOMPARE(lines[2], QByteArray("  \"version\": 1,"));
    QCOMPARE(lines[3], QByteArray("  \"model\": \"QVR_K115_ZQX\","));
    QCOMPARE(lines[5], QByteArray("    {\"step\": 0, \"kind\": \"start\", \"power-on state\": \"off\", \"start delay\": "
                                  "\"option 2\"},"));
    QCOMPARE(lines[6], QByteArray("    {\"step\": 1, \"kind\": \"state change\", \"relay operation\": \"unchanged\", "
                                  "\"jump\": \"next step\"},"));
    QCOMPARE(lines[7], QByteArray("    {\"step\": 2, \"kind\": \"condition\", \"condition\": \"unconditional\", \"jump\": "
                                  "\"next step\", \"otherwise\": \"next step\"},"));
    QCOMPARE(lines[9], QByteArray("    {\"step\": 4, \"kind\": \"time\", \"time\": \"fixed 1 s\", \"range\": \"1 s\", "
                                  "\"interrupt condition\": \"none\", \"jump\": \"next step\"},"));
    QCOMPARE(lines[41], QByteArray("    {\"step\": 36, \"kind\": \"stop\"}"));
    QCOMPARE(lines[43], QByteArray("}"));

    const std::unique_ptr<CQuorvexDoc> qvs = DefaultDoc(MODEL_QVS_K115_318);
    const QList<QByteArray> two = Export(MODEL_QVS_K115_318, qvs->GetData(), qvs->GetDataSize()).text.split('\n');
    QCOMPARE(two.size(), 5 + 2 * 37 + 3);
    QCOMPARE(two[5], QByteArray("    {\"channel\": 1, \"step\": 0, \"kind\": \"start\", \"relay 1 at power-on\": \"off\", "
                                "\"relay 2 at power-on\": \"unchanged\", \"start delay\": \"option 2\"},"));
    QCOMPARE(two[42], QByteArray("    {\"channel\": 2, \"step\": 0, \"kind\": \"start\", \"relay 1 at power-on\": "
                                 "\"unchanged\", \"relay 2 at power-on\": \"off\"},"));
    QCOMPARE(two[7], QByteArray("    {\"channel\": 1, \"step\": 2, \"kind\": \"condition\", \"condition\": "
                                "\"unconditional\", \"signal\": \"input 1\", \"jump\": \"next step\", \"otherwise\": "
                                "\"next step\"},"));
}

void TestProgramText::handWrittenText_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("offset");       // first changed byte of the image
    QTest::addColumn<QByteArray>("bytes"); // its bytes after reading

    // Fields and steps left out keep the default program's values.
    QTest::newRow("model only") << QByteArray("{\"model\": \"QVR_K115_ZQX\"}") << int(MODEL_QVR_K115_ZQX) << 0
                                << QByteArray::fromHex("02");
    QTest::newRow("model name in any case, words in any case")
        << Wrap("qvr_k115_zqx", "{\"step\": 0, \"Power-On State\": \"ON\"}") << int(MODEL_QVR_K115_ZQX) << 0
        << QByteArray::fromHex("82");
    QTest::newRow("condition on the relay, jumps as words and numbers")
        << Wrap("QVR_K115_ZQX", "{\"step\": 2, \"condition\": \"branch if on relay 1\", \"jump\": \"stop\", "
                                "\"otherwise\": 5}")
        << int(MODEL_QVR_K115_ZQX) << 2 << QByteArray::fromHex("092405");
    QTest::newRow("a code no dialog offers") << Wrap("QVR_K115_ZQX", "{\"step\": 2, \"condition\": \"code 12\"}")
                                             << int(MODEL_QVR_K115_ZQX) << 2 << QByteArray::fromHex("0C3F3F");
    QTest::newRow("time without range takes the finest range that holds it")
        << Wrap("QVR_K115_ZQX", "{\"step\": 4, \"time\": \"fixed 1.5 s\"}") << int(MODEL_QVR_K115_ZQX) << 6
        << QByteArray::fromHex("103FC0");
    QTest::newRow("30 s fits only from range 1 min on")
        << Wrap("QVR_K115_ZQX", "{\"step\": 4, \"time\": \"fixed 30 s\"}") << int(MODEL_QVR_K115_ZQX) << 6
        << QByteArray::fromHex("123F40");
    QTest::newRow("time in another notation than its range's")
        << Wrap("QVR_K115_ZQX", "{\"step\": 4, \"time\": \"fixed 90 s\", \"range\": \"1 min\"}")
        << int(MODEL_QVR_K115_ZQX) << 6 << QByteArray::fromHex("123FC0");
    QTest::newRow("a time written as a sum")
        << Wrap("QVR_K115_ZQX", "{\"step\": 4, \"time\": \"fixed 2 min 30 s\"}") << int(MODEL_QVR_K115_ZQX) << 6
        << QByteArray::fromHex("133F20");
    QTest::newRow("potentiometer keeps a stored time")
        << Wrap("QVR_K115_ZQX", "{\"step\": 4, \"time\": \"potentiometer (1 min)\", \"interrupt condition\": "
                                "\"rising input 1\", \"jump\": \"step 9\"}")
        << int(MODEL_QVR_K115_ZQX) << 6 << QByteArray::fromHex("620980");
    QTest::newRow("range code 7 with a mantissa")
        << Wrap("QVR_K115_ZQX", "{\"step\": 4, \"time\": \"fixed mantissa 7\", \"range\": \"code 7\"}")
        << int(MODEL_QVR_K115_ZQX) << 6 << QByteArray::fromHex("173F07");
    QTest::newRow("reserved bits") << Wrap("QVR_K115_ZQX", "{\"step\": 2, \"reserved bits\": \"f0 c0 40\"}")
                                   << int(MODEL_QVR_K115_ZQX) << 2 << QByteArray::fromHex("F0FF7F");
    QTest::newRow("two relays, signal of three terms, left to right")
        << Wrap("QVS_K115_318", "{\"channel\": 1, \"step\": 2, \"condition\": \"rising\", \"signal\": "
                                "\"not input 2 and relay 1 xor not relay 2\"}")
        << int(MODEL_QVS_K115_318) << 2 + 2 << QByteArray::fromHex("6CFB3F3F");
    QTest::newRow("terms after \"none\" are kept")
        << Wrap("QVS_K115_318", "{\"channel\": 1, \"step\": 2, \"signal\": \"input 1 none relay 2 or input 2\"}")
        << int(MODEL_QVS_K115_318) << 2 + 2 << QByteArray::fromHex("0690");
    QTest::newRow("channel 2 state change")
        << Wrap("QVS_K115_318", "{\"channel\": 2, \"step\": 1, \"kind\": \"state change\", \"relay 1 operation\": "
                                "\"toggle\", \"relay 2 operation\": \"on\", \"jump\": \"start\"}")
        << int(MODEL_QVS_K115_318) << 2 + 112 << QByteArray::fromHex("E000");
    QTest::newRow("channel 2 start owns byte 1")
        << Wrap("QVS_K115_318", "{\"channel\": 2, \"step\": 0, \"relay 1 at power-on\": \"on\", \"relay 2 at "
                                "power-on\": \"code 3\"}")
        << int(MODEL_QVS_K115_318) << 0 << QByteArray::fromHex("42B0");
}

void TestProgramText::handWrittenText()
{
    QFETCH(QByteArray, text);
    QFETCH(int, model);
    QFETCH(int, offset);
    QFETCH(QByteArray, bytes);
    const ImportResult result = Import(text);
    QVERIFY2(!result.error.IsError(), qPrintable(result.error.field + u' ' + result.error.value + u' '
                                                 + result.error.expected));
    QCOMPARE(int(result.model), model);
    QByteArray expected = Image(*DefaultDoc(ModelCode(model)));
    expected.replace(offset, bytes.size(), bytes);
    QCOMPARE(Bytes(result.image).toHex(' '), expected.toHex(' '));
}

void TestProgramText::malformedTextIsRefused_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("field");

    const QByteArray zqx = "{\"model\": \"QVR_K115_ZQX\", \"steps\": [\n";
    const QByteArray qvs = "{\"model\": \"QVS_K115_318\", \"steps\": [\n";
    auto row = [](const char* name) -> QTestData& { return QTest::newRow(name); };
    row("empty") << QByteArray() << int(ErrorKind::Syntax) << 1 << 1 << -1 << QString();
    row("not UTF-8") << QByteArray("{\"model\": \"\xC3\x28\"}") << int(ErrorKind::InvalidUtf8) << 1 << 12 << -1 << QString();
    row("trailing comma") << zqx + "{\"step\": 1},\n]}" << int(ErrorKind::Syntax) << 3 << 1 << -1 << QString();
    row("missing colon, column counts characters")
        << QByteArray("{\"mödel\" \"x\"}") << int(ErrorKind::Syntax) << 1 << 10 << -1 << QString();
    row("unterminated text") << QByteArray("{\"model\": \"QVR") << int(ErrorKind::Syntax) << 1 << 15 << -1 << QString();
    row("nested too deep") << QByteArray(40, '[') << int(ErrorKind::TooLarge) << 1 << 33 << -1 << QString();
    row("top level not an object") << QByteArray("[]") << int(ErrorKind::ExpectedObject) << 1 << 1 << -1 << QString();
    row("model missing") << QByteArray("{\"steps\": []}") << int(ErrorKind::MissingField) << 1 << 1 << -1 << "model";
    row("unknown model") << QByteArray("{\"model\": \"FOO\"}") << int(ErrorKind::UnknownValue) << 1 << 11 << -1 << "model";
    row("unknown top-level field") << QByteArray("{\"model\": \"QVR_K115_ZQX\", \"colour\": 1}")
                                   << int(ErrorKind::UnknownField) << 1 << 27 << -1 << "colour";
    row("another format version") << QByteArray("{\"version\": 2, \"model\": \"QVR_K115_ZQX\"}")
                                  << int(ErrorKind::UnsupportedFormat) << 1 << 13 << -1 << "version";
    row("steps not a list") << QByteArray("{\"model\": \"QVR_K115_ZQX\", \"steps\": {}}")
                            << int(ErrorKind::ExpectedList) << 1 << 36 << -1 << "steps";
    row("step number missing") << zqx + "{\"kind\": \"start\"}]}" << int(ErrorKind::MissingField) << 2 << 1 << -1 << "step";
    row("step number out of range") << zqx + "{\"step\": 37}]}" << int(ErrorKind::OutOfRange) << 2 << 10 << -1 << "step";
    row("step number not whole") << zqx + "{\"step\": 1.5}]}" << int(ErrorKind::ExpectedWholeNumber) << 2 << 10 << -1
                                 << "step";
    row("channel missing on two channels") << qvs + "{\"step\": 1}]}" << int(ErrorKind::MissingField) << 2 << 1 << -1
                                           << "channel";
    row("channel 2 on one channel") << zqx + "{\"channel\": 2, \"step\": 1}]}" << int(ErrorKind::OutOfRange) << 2 << 13
                                    << -1 << "channel";
    row("step given twice") << zqx + "{\"step\": 1},\n{\"step\": 1}]}" << int(ErrorKind::DuplicateStep) << 3 << 10 << 1
                            << QString();
    row("field given twice") << zqx + "{\"step\": 1, \"jump\": \"stop\", \"Jump\": \"start\"}]}"
                             << int(ErrorKind::DuplicateField) << 2 << 29 << -1 << "Jump";
    row("wrong kind") << zqx + "{\"step\": 3, \"kind\": \"time\"}]}" << int(ErrorKind::WrongKind) << 2 << 21 << 3 << "kind";
    row("unknown field, placed at its name") << zqx + "{\"step\": 1, \"colour\": \"red\"}]}"
                                             << int(ErrorKind::UnknownField) << 2 << 13 << 1 << "colour";
    row("field of another kind") << zqx + "{\"step\": 1, \"time\": \"fixed 1 s\"}]}" << int(ErrorKind::UnknownField)
                                 << 2 << 13 << 1 << "time";
    row("unknown word") << zqx + "{\"step\": 1, \"relay operation\": \"flip\"}]}" << int(ErrorKind::UnknownValue) << 2
                        << 32 << 1 << "relay operation";
    row("code out of range") << zqx + "{\"step\": 2, \"condition\": \"code 16\"}]}" << int(ErrorKind::OutOfRange) << 2
                             << 26 << 2 << "condition";
    row("input 2 on a one-input relay") << zqx + "{\"step\": 2, \"condition\": \"rising input 2\"}]}"
                                        << int(ErrorKind::UnknownValue) << 2 << 26 << 2 << "condition";
    row("jump target beyond the field") << zqx + "{\"step\": 5, \"jump\": \"step 63\"}]}" << int(ErrorKind::OutOfRange)
                                        << 2 << 21 << 5 << "jump";
    row("jump target beyond the field as a number") << qvs + "{\"channel\": 2, \"step\": 2, \"otherwise\": 99}]}"
                                                    << int(ErrorKind::OutOfRange) << 2 << 40 << 2 << "otherwise";
    row("time between two mantissas") << zqx + "{\"step\": 4, \"time\": \"fixed 20 s\"}]}"
                                      << int(ErrorKind::TimeNotExact) << 2 << 21 << 4 << "time";
    row("time not exact in the given range") << zqx + "{\"step\": 4, \"time\": \"fixed 1.5 s\", \"range\": \"1 min\"}]}"
                                             << int(ErrorKind::TimeNotExact) << 2 << 21 << 4 << "time";
    row("time longer than its range") << zqx + "{\"step\": 4, \"time\": \"fixed 3 s\", \"range\": \"1 s\"}]}"
                                      << int(ErrorKind::OutOfRange) << 2 << 21 << 4 << "time";
    row("time longer than any range") << zqx + "{\"step\": 4, \"time\": \"fixed 200 h\"}]}"
                                      << int(ErrorKind::OutOfRange) << 2 << 21 << 4 << "time";
    row("time without a unit") << zqx + "{\"step\": 4, \"time\": \"fixed 5\"}]}" << int(ErrorKind::UnknownValue) << 2
                               << 21 << 4 << "time";
    row("signal on a one-channel relay") << zqx + "{\"step\": 2, \"signal\": \"input 1\"}]}"
                                         << int(ErrorKind::UnknownField) << 2 << 13 << 2 << "signal";
    row("signal of four terms") << qvs + "{\"channel\": 1, \"step\": 2, \"signal\": \"input 1 and input 2 and relay 1 "
                                         "and relay 2\"}]}"
                                << int(ErrorKind::UnknownValue) << 2 << 37 << 2 << "signal";
    row("start delay in channel 2") << qvs + "{\"channel\": 2, \"step\": 0, \"start delay\": \"option 1\"}]}"
                                    << int(ErrorKind::StartDelayChannel) << 2 << 42 << 0 << "start delay";
    row("bits that are not reserved") << zqx + "{\"step\": 2, \"reserved bits\": \"01 00 00\"}]}"
                                      << int(ErrorKind::ReservedBits) << 2 << 30 << 2 << "reserved bits";
    row("a field on the Stop step") << zqx + "{\"step\": 36, \"jump\": \"start\"}]}" << int(ErrorKind::NoFields) << 2
                                    << 14 << 36 << "jump";
    row("a list where a word belongs") << zqx + "{\"step\": 1, \"jump\": [1]}]}" << int(ErrorKind::ExpectedString) << 2
                                       << 21 << 1 << "jump";
}

void TestProgramText::malformedTextIsRefused()
{
    QFETCH(QByteArray, text);
    QFETCH(int, kind);
    QFETCH(int, line);
    QFETCH(int, column);
    QFETCH(int, step);
    QFETCH(QString, field);
    const ImportResult result = Import(text);
    QCOMPARE(int(result.error.kind), kind);
    QCOMPARE(result.error.line, line);
    QCOMPARE(result.error.column, column);
    QCOMPARE(result.error.step, step);
    QCOMPARE(result.error.field, field);
    QVERIFY(result.image.empty());
}

// A jump past the Stop step (a relay or a program file may hold one) goes into the text and
// comes back from it with the same warning; setting one by hand is refused.
void TestProgramText::jumpPastStopMakesTheRoundTrip()
{
    const std::unique_ptr<CQuorvexDoc> doc = DefaultDoc(MODEL_QVS_K115_318);
    const std::unique_ptr<CQuorvexFieldSet> fields = doc->CreateFieldSet();
    static_cast<CQuorvexFIELDCondition*>(fields->Bind(doc.get(), 1, 6))->SetAltJump(50);
    const ExportResult result = Export(MODEL_QVS_K115_318, doc->GetData(), doc->GetDataSize());
    QCOMPARE(int(result.warnings.size()), 1);
    QCOMPARE(result.warnings[0].channel, 2);
    QCOMPARE(result.warnings[0].step, 6);
    QCOMPARE(result.warnings[0].field, QStringLiteral("otherwise"));
    QVERIFY(result.text.contains("\"otherwise\": \"step 50\""));
    QCOMPARE(result.warnings[0].value, QStringLiteral("step 50"));
    const ImportResult back = Import(result.text);
    QCOMPARE(int(back.error.kind), int(ErrorKind::None));
    QCOMPARE(Bytes(back.image).toHex(), Image(*doc).toHex());
    QCOMPARE(int(back.warnings.size()), 1);
    QCOMPARE(int(back.warnings[0].kind), int(ErrorKind::JumpPastStop));
    QCOMPARE(back.warnings[0].channel, 2);
    QCOMPARE(back.warnings[0].step, 6);
    QCOMPARE(back.warnings[0].field, QStringLiteral("otherwise"));
    QCOMPARE(back.warnings[0].value, QStringLiteral("step 50"));
    QVERIFY(back.warnings[0].line > 0 && back.warnings[0].column > 0);
    // The largest target the field holds, written by hand as a number, reads the same way.
    const ImportResult bare = Import("{\"model\": \"QVR_K115_ZQX\", \"steps\": [{\"step\": 5, \"jump\": 62}]}");
    QCOMPARE(int(bare.error.kind), int(ErrorKind::None));
    QCOMPARE(int(bare.warnings.size()), 1);
    QCOMPARE(bare.warnings[0].line, 1);
    // quorvexctl set (SetFields) refuses one: no dialog offers it.
    std::vector<std::uint8_t> image(doc->GetData(), doc->GetData() + doc->GetDataSize());
    QCOMPARE(int(SetFields(MODEL_QVS_K115_318, &image, 2, 6, {{QStringLiteral("otherwise"), QStringLiteral("step 40")}}).kind),
             int(ErrorKind::JumpPastStop));
}

void TestProgramText::setFields_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("step");
    QTest::addColumn<QStringList>("assignments");  // FIELD=VALUE
    QTest::addColumn<int>("kind");                 // ErrorKind; None: applied
    QTest::addColumn<int>("offset");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("two fields of one step") << int(MODEL_QVR_K115_ZQX) << 1 << 4
                                            << QStringList{"time=fixed 1.5 s", "jump=step 7"} << int(ErrorKind::None) << 6
                                            << QByteArray::fromHex("1007C0");
    QTest::newRow("range alone keeps the mantissa") << int(MODEL_QVR_K115_ZQX) << 1 << 4 << QStringList{"range=10 h"}
                                                    << int(ErrorKind::None) << 6 << QByteArray::fromHex("153F80");
    QTest::newRow("potentiometer alone keeps the stored time")
        << int(MODEL_QVR_K115_ZQX) << 1 << 4 << QStringList{"time=potentiometer"} << int(ErrorKind::None) << 6
        << QByteArray::fromHex("003F80");
    QTest::newRow("channel 2 of the two-channel model")
        << int(MODEL_QVS_K115_318) << 2 << 35 << QStringList{"relay 2 operation=toggle"} << int(ErrorKind::None)
        << 2 + 112 + 110 << QByteArray::fromHex("303F");
    QTest::newRow("an error changes nothing") << int(MODEL_QVR_K115_ZQX) << 1 << 4
                                              << QStringList{"jump=step 7", "time=fixed 1.3 s"}
                                              << int(ErrorKind::TimeNotExact) << 6 << QByteArray::fromHex("103F80");
    QTest::newRow("the step number cannot be set") << int(MODEL_QVR_K115_ZQX) << 1 << 4 << QStringList{"step=5"}
                                                   << int(ErrorKind::UnknownField) << 0 << QByteArray();
    QTest::newRow("a field twice") << int(MODEL_QVR_K115_ZQX) << 1 << 1 << QStringList{"jump=stop", "jump=start"}
                                   << int(ErrorKind::DuplicateField) << 0 << QByteArray();
    QTest::newRow("no step 37") << int(MODEL_QVR_K115_ZQX) << 1 << 37 << QStringList{"jump=stop"}
                                << int(ErrorKind::OutOfRange) << 0 << QByteArray();
}

void TestProgramText::setFields()
{
    QFETCH(int, model);
    QFETCH(int, channel);
    QFETCH(int, step);
    QFETCH(QStringList, assignments);
    QFETCH(int, kind);
    QFETCH(int, offset);
    QFETCH(QByteArray, bytes);
    const std::unique_ptr<CQuorvexDoc> doc = DefaultDoc(ModelCode(model));
    std::vector<std::uint8_t> image(doc->GetData(), doc->GetData() + doc->GetDataSize());
    std::vector<Assignment> list;
    for (const QString& assignment : assignments)
        list.emplace_back(assignment.section(u'=', 0, 0), assignment.section(u'=', 1));
    const Error error = SetFields(ModelCode(model), &image, channel, step, list);
    QCOMPARE(int(error.kind), kind);
    QCOMPARE(error.line, 0);
    QByteArray expected = Image(*doc);
    expected.replace(offset, bytes.size(), bytes);
    QCOMPARE(Bytes(image).toHex(' '), expected.toHex(' '));
}

void TestProgramText::mangledTextNeverBreaksTheReader()
{
    // Cut and damaged copies of a real text: each is read or refused with a place in it.
    QRandomGenerator random(77);
    const std::unique_ptr<CQuorvexDoc> doc = RandomDoc(MODEL_QVS_K115_318, random);
    const QByteArray text = Export(MODEL_QVS_K115_318, doc->GetData(), doc->GetDataSize()).text;
    for (int run = 0; run < 3000; ++run) {
        QByteArray mangled = text;
        const int edits = 1 + int(random.bounded(4));
        for (int e = 0; e < edits; ++e) {
            const int at = int(random.bounded(mangled.size() + 1));
            switch (random.bounded(3)) {
            case 0: mangled.truncate(at); break;
            case 1: mangled.insert(at, char(random.bounded(256))); break;
            default:
                if (at < mangled.size())
                    mangled[at] = char(random.bounded(256));
                break;
            }
        }
        const ImportResult result = Import(mangled);
        if (result.error.IsError()) {
            QVERIFY(result.error.line >= 1);
            QVERIFY(result.error.column >= 1);
            QVERIFY(result.image.empty());
        } else {
            QCOMPARE(int(result.image.size()), doc->GetDataSize());
        }
    }
}

QTEST_GUILESS_MAIN(TestProgramText)
#include "tst_program_text.moc"
