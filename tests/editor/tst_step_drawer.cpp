// Step boxes painted into images: widths, the colours of frame, bands and body at their
// positions, selection frames, which text is drawn where (and in which colour), stored
// values that no text stands for, the elapsed time of a running Time box, and language
// changes. The test module names every text "Text <id>"; its formats are 297 "Group %d",
// 300 "%.2f s", 301 "%d min %d s", 302 "%d h %d min".

#include "BoxCanvas.h"
#include "ChainLayout.h"
#include "Fields.h"
#include "ProgramDescription.h"
#include "QuorvexDoc.h"
#include "StepDrawer.h"
#include "TestLanguages.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSet>
#include <QSvgGenerator>
#include <QTest>

#include <clocale>
#include <cmath>

using namespace Language;

namespace {

const QColor FRAME(148, 139, 84);
const QColor HEADER(230, 230, 230);
const QColor HEADER_SELECTED(64, 64, 64);
const QColor ORANGE(228, 109, 10);
const QColor YELLOW(254, 254, 0);
const QColor PALE_YELLOW(254, 255, 192);
const QColor BLUE(85, 131, 205);
const QColor PALE_BLUE(188, 209, 238);
const QColor TWO_WAY_BLUE(135, 168, 221);
const QColor GREEN(141, 198, 69);
const QColor PALE_GREEN(199, 255, 192);
const QColor OUTSIDE(255, 0, 255); // never drawn by a box

QByteArray Hex(const char* text) { return QByteArray::fromHex(text); }

// Writes bytes into a field of the document, from its first byte on.
void SetField(CQuorvexDoc& doc, int channel, int index, const QByteArray& bytes)
{
    int kind = -1;
    std::uint8_t* data = doc.GetFieldData(channel, index, &kind);
    QVERIFY(data);
    std::copy(bytes.begin(), bytes.end(), data);
}

std::unique_ptr<CQuorvexDoc> DefaultDoc(ModelCode model)
{
    std::unique_ptr<CQuorvexDoc> doc = CreateDocument(model);
    doc->ResetProgram(0);
    return doc;
}

QImage Blank(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(OUTSIDE);
    return image;
}

QColor Pixel(const QImage& image, int x, int y) { return QColor(image.pixel(x, y)); }

} // namespace

class TestStepDrawer : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        std::setlocale(LC_NUMERIC, "C");
        QVERIFY(LoadTestLanguage(m_manager, m_folder));
        m_drawers[0].OnLanguageChanged(m_manager);
        m_drawers[1].OnLanguageChanged(m_manager);
    }

    void boxWidths_data();
    void boxWidths();
    void bandsAndColours_data();
    void bandsAndColours();
    void selectionFrames_data();
    void selectionFrames();
    void textPlacement_data();
    void textPlacement();
    void inkStaysInsideTextRectangles_data();
    void inkStaysInsideTextRectangles();
    void elapsedTimeIsBlue();
    void markInItsCorner_data();
    void markInItsCorner();
    void storedValuesWithoutTextDrawLikeTheDescription_data();
    void storedValuesWithoutTextDrawLikeTheDescription();
    void expressionShowsOneAmpersand();
    void nothingDrawnOutsideTheBox_data();
    void nothingDrawnOutsideTheBox();
    void textsOfAChainDoNotOverlap_data();
    void textsOfAChainDoNotOverlap();
    void languageChangeRereadsTexts();
    void otherModelOrFieldDrawsNothing();
    void paintsIntoAnSvgDocument();
    void twoLinesAreBalanced_data();
    void twoLinesAreBalanced();

private:
    CStepDrawer& Drawer(ModelCode model) { return m_drawers[model == MODEL_QVR_K115_ZQX ? 0 : 1]; }

    CLanguageManager m_manager;
    CTestLanguageFolder m_folder;
    CStepDrawer m_drawers[2] = {CStepDrawer(MODEL_QVR_K115_ZQX), CStepDrawer(MODEL_QVS_K115_318)};
};

// --- widths ------------------------------------------------------------------------------

void TestStepDrawer::boxWidths_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("width");

    const int R = MODEL_QVR_K115_ZQX, S = MODEL_QVS_K115_318;
    QTest::newRow("R condition 100") << R << int(FIELD_CONDITION) << 100 << 64;
    QTest::newRow("R start 100") << R << int(FIELD_START) << 100 << 34;
    QTest::newRow("R state change 100") << R << int(FIELD_STATE_CHANGE) << 100 << 52;
    QTest::newRow("R time 304") << R << int(FIELD_TIME) << 304 << 159;
    QTest::newRow("R stop 304") << R << int(FIELD_STOP) << 304 << 104;
    // 85 * 4.45 / 8.5 = 44.5 exactly: the half goes up.
    QTest::newRow("R state change half") << R << int(FIELD_STATE_CHANGE) << 85 << 45;
    QTest::newRow("S start 100") << S << int(FIELD_START) << 100 << 47;
    QTest::newRow("S state change 100") << S << int(FIELD_STATE_CHANGE) << 100 << 54;
    QTest::newRow("S time 100") << S << int(FIELD_TIME) << 100 << 64;
    QTest::newRow("S stop 100") << S << int(FIELD_STOP) << 100 << 34;
    QTest::newRow("no height") << S << int(FIELD_TIME) << 0 << 0;
}

void TestStepDrawer::boxWidths()
{
    QFETCH(int, model);
    QFETCH(int, kind);
    QFETCH(int, height);
    QFETCH(int, width);
    QCOMPARE(Drawer(ModelCode(model)).GetBoxWidth(FieldKind(kind), height), width);
}

// --- frame, bands, body -------------------------------------------------------------------

void TestStepDrawer::bandsAndColours_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("index");
    QTest::addColumn<QColor>("band");    // second band and accent band
    QTest::addColumn<QColor>("body");
    QTest::addColumn<bool>("accent");
    QTest::addColumn<QColor>("twoWay"); // invalid: the body colour there

    const int R = MODEL_QVR_K115_ZQX, S = MODEL_QVS_K115_318;
    QTest::newRow("R start") << R << 0 << ORANGE << ORANGE << false << QColor();
    QTest::newRow("R state change") << R << 1 << YELLOW << PALE_YELLOW << true << QColor();
    QTest::newRow("R condition") << R << 2 << BLUE << PALE_BLUE << true << TWO_WAY_BLUE;
    QTest::newRow("R time") << R << 4 << GREEN << PALE_GREEN << true << QColor();
    QTest::newRow("R stop") << R << 36 << ORANGE << ORANGE << false << QColor();
    QTest::newRow("S start") << S << 0 << ORANGE << ORANGE << false << QColor();
    QTest::newRow("S state change") << S << 35 << YELLOW << PALE_YELLOW << true << QColor();
    QTest::newRow("S condition") << S << 34 << BLUE << PALE_BLUE << true << TWO_WAY_BLUE;
    QTest::newRow("S time") << S << 32 << GREEN << PALE_GREEN << true << QColor();
    QTest::newRow("S stop") << S << 36 << ORANGE << ORANGE << false << QColor();
}

void TestStepDrawer::bandsAndColours()
{
    QFETCH(int, model);
    QFETCH(int, index);
    QFETCH(QColor, band);
    QFETCH(QColor, body);
    QFETCH(bool, accent);
    QFETCH(QColor, twoWay);

    // Box height 100 at (10, 20): P6 = 6, P12 = 12, A = 41, accent 6 rows, BC = 65, C = 18.
    const auto doc = DefaultDoc(ModelCode(model));
    CStepDrawer& drawer = Drawer(ModelCode(model));
    const int x = 10, y = 20, h = 100;
    const int w = drawer.GetBoxWidth(FieldKindAt(index), h);
    QImage image = Blank(w + 30, h + 40);
    {
        QPainter painter(&image);
        drawer.Draw(painter, *doc, model == MODEL_QVS_K115_318 ? 1 : 0, index, QRect(x, y, w, h), StepBoxState());
    }
    // Column x + 2 lies left of every text.
    const int c = x + 2;
    QCOMPARE(Pixel(image, x, y + 50), FRAME);         // left border
    QCOMPARE(Pixel(image, x + w, y + 50), FRAME);     // right border, the next box's left
    QCOMPARE(Pixel(image, x + w / 2, y), FRAME);      // top
    QCOMPARE(Pixel(image, x + w / 2, y + h - 1), FRAME); // bottom
    QCOMPARE(Pixel(image, x + w + 1, y + 50), OUTSIDE);
    QCOMPARE(Pixel(image, x + w / 2, y + h), OUTSIDE);
    QCOMPARE(Pixel(image, c, y + 6), FRAME);          // header lines at P6 and P12
    QCOMPARE(Pixel(image, c, y + 12), FRAME);
    QCOMPARE(Pixel(image, c, y + 1), HEADER);
    QCOMPARE(Pixel(image, c, y + 5), HEADER);
    QCOMPARE(Pixel(image, c, y + 7), band);
    QCOMPARE(Pixel(image, c, y + 11), band);
    QCOMPARE(Pixel(image, c, y + 13), body);
    QCOMPARE(Pixel(image, c, y + 41), body);
    QCOMPARE(Pixel(image, c, y + 42), accent ? band : body); // y + 1 + A
    QCOMPARE(Pixel(image, c, y + 47), accent ? band : body);
    QCOMPARE(Pixel(image, c, y + 48), body);
    QCOMPARE(Pixel(image, c, y + 65), body);
    QCOMPARE(Pixel(image, c, y + 66), twoWay.isValid() ? twoWay : body); // y + 1 + BC
    QCOMPARE(Pixel(image, c, y + 83), twoWay.isValid() ? twoWay : body);
    QCOMPARE(Pixel(image, c, y + 84), body);
    QCOMPARE(Pixel(image, c, y + h - 2), body);
}

// --- selection ----------------------------------------------------------------------------

void TestStepDrawer::selectionFrames_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("index");
    QTest::addColumn<QColor>("header");
    QTest::addColumn<QColor>("headerText");
    QTest::addColumn<QColor>("body");

    const int R = MODEL_QVR_K115_ZQX, S = MODEL_QVS_K115_318;
    const QColor darkText(64, 64, 64), lightText(230, 230, 230);
    QTest::newRow("R state change") << R << 3 << HEADER_SELECTED << lightText << PALE_YELLOW;
    QTest::newRow("R start") << R << 0 << HEADER_SELECTED << lightText << ORANGE;
    // The Stop box keeps its light header but shows the frames.
    QTest::newRow("R stop") << R << 36 << HEADER << darkText << ORANGE;
    QTest::newRow("S time") << S << 8 << HEADER_SELECTED << lightText << PALE_GREEN;
    QTest::newRow("S stop") << S << 36 << HEADER << darkText << ORANGE;
}

void TestStepDrawer::selectionFrames()
{
    QFETCH(int, model);
    QFETCH(int, index);
    QFETCH(QColor, header);
    QFETCH(QColor, headerText);
    QFETCH(QColor, body);

    const auto doc = DefaultDoc(ModelCode(model));
    CStepDrawer& drawer = Drawer(ModelCode(model));
    const int x = 3, y = 4, h = 100;
    const int w = drawer.GetBoxWidth(FieldKindAt(index), h);
    StepBoxState state;
    state.selected = true;
    QImage image = Blank(w + 10, h + 10);
    {
        QPainter painter(&image);
        drawer.Draw(painter, *doc, 0, index, QRect(x, y, w, h), state);
    }
    const int midY = y + 60, midX = x + w / 2;
    for (int inset : {0, 1, 2}) {
        QCOMPARE(Pixel(image, x + inset, midY), FRAME);
        QCOMPARE(Pixel(image, x + w - inset, midY), FRAME);
        QCOMPARE(Pixel(image, midX, y + inset), FRAME);
        QCOMPARE(Pixel(image, midX, y + h - 1 - inset), FRAME);
    }
    QCOMPARE(Pixel(image, x + 3, midY), body);
    QCOMPARE(Pixel(image, x + w - 3, midY), body);
    QCOMPARE(Pixel(image, x + 3, y + 4), header);
    const std::vector<StepBoxText> texts = drawer.GetBoxTexts(*doc, 0, index, QRect(x, y, w, h), state);
    QVERIFY(!texts.empty());
    QCOMPARE(texts.front().colour, headerText);
}

// --- texts ----------------------------------------------------------------------------------

void TestStepDrawer::textPlacement_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("bytes"); // empty: the default field
    QTest::addColumn<bool>("active");
    QTest::addColumn<double>("elapsed");
    QTest::addColumn<int>("potUnit");
    // Each text as "top:text" (top of its lines below the box top) or "cM:text" (its lines
    // centred on row M). Box height 100: header 2, Time caption 8, elapsed 14, P16 16,
    // P24 24, P32 32, B 47 (centred in 18 rows: 56), B15 49, B95 57, P63 63, BC 65 (centred:
    // 74), J1 75, J2 83, J3 91.
    QTest::addColumn<QStringList>("expected");

    const int R = MODEL_QVR_K115_ZQX, S = MODEL_QVS_K115_318;
    const QByteArray def;
    const auto row = [&](const char* name, int model, int channel, int index, const QByteArray& bytes,
                         const QStringList& expected, bool active = false, double elapsed = -1.0, int potUnit = 0) {
        QTest::newRow(name) << model << channel << index << bytes << active << elapsed << potUnit << expected;
    };

    row("R start default", R, 0, 0, def, {"2:Text 282", "49:Text 119", "75:Text 283", "83:Text 130"});
    row("R start on, option 0", R, 0, 0, Hex("80"), {"2:Text 282", "49:Text 118", "75:Text 283", "83:Text 128"});
    row("R state change default", R, 0, 1, def, {"2:1", "24:Text 284", "32:Text 288", "83:Text 147"});
    row("R state change toggle, to Start", R, 0, 5, Hex("C0"),
        {"2:5", "24:Text 287", "32:Text 288", "83:Text 148", "91:Text 149"});
    row("R state change to Stop", R, 0, 33, Hex("64"),
        {"2:33", "24:Text 285", "32:Text 288", "83:Text 148", "91:Text 150"});
    row("R state change to step 20", R, 0, 35, Hex("94"),
        {"2:35", "24:Text 286", "32:Text 288", "83:Text 148", "91:20"});
    row("R state change to stored 50", R, 0, 3, Hex("32"),
        {"2:3", "24:Text 284", "32:Text 288", "83:Text 148", "91:50"});
    row("R condition waits, one jump block", R, 0, 2, Hex("03 3F 00"), {"2:2", "24:Text 155", "49:Text 189"});
    row("R condition two-way on the relay", R, 0, 6, Hex("08 05 3F"),
        {"2:6", "24:Text 160", "49:Text 190", "57:5", "c74:Text 188", "83:Text 189"});
    row("R condition two-way to Stop and Start", R, 0, 34, Hex("07 24 00"),
        {"2:34", "24:Text 159", "49:Text 190", "57:Text 192", "c74:Text 188", "83:Text 190", "91:Text 191"});
    row("R time default", R, 0, 4, def, {"2:4", "8:Group 1", "24:Text 298", "32:1.00 s", "c56:Text 209"});
    row("R time potentiometer, stop condition", R, 0, 32, Hex("40 00 80"),
        {"2:32", "8:Group 8", "24:Text 299", "c56:Text 211", "83:Text 216", "91:Text 217"});
    row("R time potentiometer running", R, 0, 4, Hex("00 3F 80"),
        {"2:4", "8:Group 1", "14:1 min 15 s", "24:Text 299", "c56:Text 209"}, true, 75.0, 2);
    row("R time potentiometer unit 7 running", R, 0, 4, Hex("00 3F 80"),
        {"2:4", "8:Group 1", "14:2 h 0 min", "24:Text 299", "c56:Text 209"}, true, 7200.0, 7);
    row("R time fixed running in its own unit", R, 0, 12, Hex("13 3F C8"),
        {"2:12", "8:Group 3", "14:0 min 30 s", "24:Text 298", "32:15 min 38 s", "c56:Text 209"}, true, 30.0, 5);
    row("R time active, no elapsed time", R, 0, 4, def,
        {"2:4", "8:Group 1", "24:Text 298", "32:1.00 s", "c56:Text 209"}, true, -1.0);
    row("R time active, elapsed not a number", R, 0, 4, def,
        {"2:4", "8:Group 1", "24:Text 298", "32:1.00 s", "c56:Text 209"}, true, qQNaN());
    row("R time elapsed while not active", R, 0, 4, def,
        {"2:4", "8:Group 1", "24:Text 298", "32:1.00 s", "c56:Text 209"}, false, 3.0);
    row("S start channel 0", S, 0, 0, def, {"2:Text 282", "49:Text 123", "57:Text 124", "75:Text 283", "83:Text 130"});
    row("S start channel 1", S, 1, 0, def, {"2:Text 282", "49:Text 121", "57:Text 126", "75:Text 283", "83:Text 130"});
    row("S start relays on", S, 1, 0, Hex("43 A0"),
        {"2:Text 282", "49:Text 122", "57:Text 125", "75:Text 283", "83:Text 131"});
    row("S state change", S, 1, 9, Hex("B0 24"), {"2:9", "24:Text 291", "32:Text 296", "83:Text 148", "91:Text 150"});
    row("S condition default", S, 0, 2, def, {"2:2", "16:Text 164", "49:Text 189"});
    row("S condition two-way with expression", S, 1, 30, Hex("0A 06 3F 00"),
        {"2:30", "16:Text 170", "32:Text 184 = Text 176 & Text 178", "49:Text 189", "c74:Text 188", "83:Text 190",
         "91:Text 191"});
    row("S time stop condition with expression", S, 0, 4, Hex("F0 E3 12 05 80"),
        {"2:4", "8:Group 1", "24:Text 298", "32:1 min 0 s", "c56:Text 225",
         "63:Text 240 = Text 239 | Text 232 ^ Text 236", "83:Text 216", "91:5"});
    row("S time potentiometer running", S, 1, 20, Hex("00 00 00 3F 80"),
        {"2:20", "8:Group 5", "14:0.75 s", "24:Text 299", "c56:Text 222"}, true, 0.75, 0);
}

void TestStepDrawer::textPlacement()
{
    QFETCH(int, model);
    QFETCH(int, channel);
    QFETCH(int, index);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, active);
    QFETCH(double, elapsed);
    QFETCH(int, potUnit);
    QFETCH(QStringList, expected);

    const auto doc = DefaultDoc(ModelCode(model));
    if (!bytes.isEmpty())
        SetField(*doc, channel, index, bytes);
    CStepDrawer& drawer = Drawer(ModelCode(model));
    StepBoxState state;
    state.active = active;
    state.elapsed = elapsed;
    state.potUnit = potUnit;
    const int top = 30;
    const QRect box(200, top, drawer.GetBoxWidth(FieldKindAt(index), 100), 100);
    const std::vector<StepBoxText> texts = drawer.GetBoxTexts(*doc, channel, index, box, state);

    QStringList got;
    for (const StepBoxText& text : texts)
        got << QStringLiteral("%1:%2").arg(text.rect.top() - top).arg(text.text);
    QCOMPARE(int(texts.size()), int(expected.size()));
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const QString& want = expected[qsizetype(i)];
        const qsizetype colon = want.indexOf(QLatin1Char(':'));
        const StepBoxText& text = texts[i];
        QCOMPARE(text.text, want.mid(colon + 1));
        if (want.startsWith(QLatin1Char('c'))) {
            const int centre = want.mid(1, colon - 1).toInt();
            const double gotCentre = text.rect.top() - top + (text.rect.height() - 1) / 2.0;
            QVERIFY2(std::abs(gotCentre - centre) <= 1.0, qPrintable(got.join(QStringLiteral(", "))));
        } else {
            QCOMPARE(text.rect.top() - top, want.left(colon).toInt());
        }
        QCOMPARE(text.rect.left(), box.left() + 4);
        QCOMPARE(text.rect.right(), box.left() + box.width() - 4 - 1);
    }
}

// Drawn with the texts and without them (a drawer that has read no language): every pixel
// that differs lies in the rectangle of a text, and every text left its ink in its own.
void TestStepDrawer::inkStaysInsideTextRectangles_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("bytes");

    const int R = MODEL_QVR_K115_ZQX, S = MODEL_QVS_K115_318;
    QTest::newRow("R start") << R << 0 << QByteArray();
    QTest::newRow("R state change") << R << 1 << Hex("C0");
    QTest::newRow("R condition two-way") << R << 2 << Hex("09 00 24");
    QTest::newRow("R time") << R << 4 << Hex("33 07 C8");
    QTest::newRow("S start") << S << 0 << Hex("43 A0");
    QTest::newRow("S condition") << S << 2 << Hex("0A 06 3F 00");
    QTest::newRow("S time") << S << 4 << Hex("F0 E3 12 05 80");
}

void TestStepDrawer::inkStaysInsideTextRectangles()
{
    QFETCH(int, model);
    QFETCH(int, index);
    QFETCH(QByteArray, bytes);

    const auto doc = DefaultDoc(ModelCode(model));
    if (!bytes.isEmpty())
        SetField(*doc, 0, index, bytes);
    CStepDrawer& drawer = Drawer(ModelCode(model));
    CStepDrawer silent{ModelCode(model)};
    const int h = 300;
    const QRect box(6, 6, drawer.GetBoxWidth(FieldKindAt(index), h), h);
    QImage withTexts = Blank(box.width() + 12, h + 12), withoutTexts = withTexts;
    {
        QPainter painter(&withTexts);
        drawer.Draw(painter, *doc, 0, index, box, StepBoxState());
    }
    {
        QPainter painter(&withoutTexts);
        silent.Draw(painter, *doc, 0, index, box, StepBoxState());
    }
    const std::vector<StepBoxText> texts = drawer.GetBoxTexts(*doc, 0, index, box, StepBoxState());
    std::vector<int> inkInRect(texts.size(), 0);
    for (int y = 0; y < withTexts.height(); ++y) {
        for (int x = 0; x < withTexts.width(); ++x) {
            if (withTexts.pixel(x, y) == withoutTexts.pixel(x, y))
                continue;
            bool inside = false;
            for (std::size_t i = 0; i < texts.size(); ++i) {
                if (texts[i].rect.adjusted(-1, -1, 1, 1).contains(x, y)) {
                    ++inkInRect[i];
                    inside = true;
                }
            }
            QVERIFY2(inside, qPrintable(QStringLiteral("ink at %1, %2 outside every text").arg(x).arg(y)));
        }
    }
    const QRegularExpression number(QStringLiteral("^\\d+$")); // drawn without a language too
    for (std::size_t i = 0; i < texts.size(); ++i)
        if (!number.match(texts[i].text).hasMatch())
            QVERIFY2(inkInRect[i] > 0, qPrintable(texts[i].text));
}

void TestStepDrawer::markInItsCorner_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("mark");
    QTest::newRow("Start, error") << int(MODEL_QVR_K115_ZQX) << 0 << 240 << int(StepMark::Error);
    QTest::newRow("state change, warning") << int(MODEL_QVR_K115_ZQX) << 1 << 240 << int(StepMark::Warning);
    QTest::newRow("condition, error, low box") << int(MODEL_QVS_K115_318) << 2 << 150 << int(StepMark::Error);
    QTest::newRow("time, warning, tall box") << int(MODEL_QVS_K115_318) << 4 << 600 << int(StepMark::Warning);
}

// A box's mark changes only the pixels of its corner, covers none of the box's texts, and has
// the colour of its severity (red for an error, amber for a warning).
void TestStepDrawer::markInItsCorner()
{
    QFETCH(int, model);
    QFETCH(int, field);
    QFETCH(int, height);
    QFETCH(int, mark);
    const auto doc = DefaultDoc(ModelCode(model));
    CStepDrawer& drawer = Drawer(ModelCode(model));
    const QRect box(0, 0, drawer.GetBoxWidth(FieldKindAt(field), height), height);
    StepBoxState marked;
    marked.mark = StepMark(mark);
    QImage plain = Blank(box.width() + 1, height);
    QImage shown = plain;
    {
        QPainter painter(&plain);
        drawer.Draw(painter, *doc, 0, field, box, StepBoxState());
    }
    {
        QPainter painter(&shown);
        drawer.Draw(painter, *doc, 0, field, box, marked);
    }
    const QRect corner = CStepDrawer::MarkRect(box, FieldKindAt(field));
    QVERIFY(box.contains(corner));
    // Under the mark the box shows bands only (at most the header's, the band's and the line
    // between them, or the Start box's body): no text's ink.
    QSet<QRgb> under;
    for (int y = corner.top(); y <= corner.bottom(); ++y)
        for (int x = corner.left(); x <= corner.right(); ++x)
            under.insert(plain.pixel(x, y));
    QVERIFY2(under.size() <= 3, qPrintable(QString::number(under.size())));
    int coloured = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            if (shown.pixel(x, y) == plain.pixel(x, y))
                continue;
            QVERIFY2(corner.adjusted(-1, -1, 1, 1).contains(x, y), "the mark painted outside its corner");
            const QColor c = Pixel(shown, x, y);
            if (StepMark(mark) == StepMark::Error ? c.red() > 180 && c.green() < 80 && c.blue() < 80
                                                   : c.red() > 220 && c.green() > 150 && c.blue() < 80)
                ++coloured;
        }
    QVERIFY2(coloured > corner.width() * corner.height() / 5, qPrintable(QString::number(coloured)));
}

void TestStepDrawer::elapsedTimeIsBlue()
{
    const auto doc = DefaultDoc(MODEL_QVR_K115_ZQX);
    SetField(*doc, 0, 8, Hex("00 3F 80")); // potentiometer time
    CStepDrawer& drawer = Drawer(MODEL_QVR_K115_ZQX);
    const int h = 300;
    const QRect box(0, 0, drawer.GetBoxWidth(FIELD_TIME, h), h);
    StepBoxState state;
    state.active = true;
    state.elapsed = 42.0;
    QImage image = Blank(box.width() + 1, h);
    {
        QPainter painter(&image);
        drawer.Draw(painter, *doc, 0, 8, box, state);
    }
    const std::vector<StepBoxText> texts = drawer.GetBoxTexts(*doc, 0, 8, box, state);
    const auto elapsed = std::find_if(texts.begin(), texts.end(),
                                      [](const StepBoxText& text) { return text.text == QLatin1String("42.00 s"); });
    QVERIFY(elapsed != texts.end());
    QCOMPARE(elapsed->colour, QColor(0, 0, 255));
    int blueInside = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = Pixel(image, x, y);
            if (c.blue() > 180 && c.red() < 120 && c.green() < 120) {
                QVERIFY2(elapsed->rect.adjusted(-1, -1, 1, 1).contains(x, y), "blue ink outside the elapsed time");
                ++blueInside;
            }
        }
    QVERIFY(blueInside > 20);
}

// --- stored values that no text stands for ----------------------------------------------------

void TestStepDrawer::storedValuesWithoutTextDrawLikeTheDescription_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QByteArray>("shownAs"); // the valid field the box and the description show

    const int R = MODEL_QVR_K115_ZQX, S = MODEL_QVS_K115_318;
    QTest::newRow("R condition code 12") << R << 0 << 2 << Hex("0C 05 3F") << Hex("00 05 3F");
    QTest::newRow("R condition code 15, kept bits set") << R << 0 << 34 << Hex("FF 05 07") << Hex("F0 05 07");
    QTest::newRow("R time stop type 6") << R << 0 << 4 << Hex("D0 05 80") << Hex("10 05 80");
    QTest::newRow("R time stop type 7, unit 7") << R << 0 << 8 << Hex("F7 05 80") << Hex("10 05 80");
    QTest::newRow("S time stop type 7") << S << 1 << 4 << Hex("00 07 10 3F 80") << Hex("00 00 10 3F 80");
    QTest::newRow("S time unit 7") << S << 0 << 32 << Hex("00 00 17 3F 40") << Hex("00 00 10 3F 40");
    QTest::newRow("S start relay states 3") << S << 0 << 0 << Hex("F2 10") << Hex("52 10");
}

void TestStepDrawer::storedValuesWithoutTextDrawLikeTheDescription()
{
    QFETCH(int, model);
    QFETCH(int, channel);
    QFETCH(int, index);
    QFETCH(QByteArray, stored);
    QFETCH(QByteArray, shownAs);

    CStepDrawer& drawer = Drawer(ModelCode(model));
    const int h = 200;
    const QRect box(0, 0, drawer.GetBoxWidth(FieldKindAt(index), h), h);
    QImage images[2];
    std::vector<StepBoxText> texts[2];
    QString descriptions[2];
    const QByteArray* bytes[2] = {&stored, &shownAs};
    for (int i = 0; i < 2; ++i) {
        const auto doc = DefaultDoc(ModelCode(model));
        SetField(*doc, channel, index, *bytes[i]);
        images[i] = Blank(box.width() + 1, h);
        QPainter painter(&images[i]);
        drawer.Draw(painter, *doc, channel, index, box, StepBoxState());
        texts[i] = drawer.GetBoxTexts(*doc, channel, index, box, StepBoxState());
        descriptions[i] = DescribeProgram(*doc, m_manager);
    }
    QCOMPARE(descriptions[0], descriptions[1]);
    QCOMPARE(texts[0].size(), texts[1].size());
    for (std::size_t i = 0; i < texts[0].size(); ++i) {
        QCOMPARE(texts[0][i].text, texts[1][i].text);
        QCOMPARE(texts[0][i].rect, texts[1][i].rect);
    }
    QVERIFY(images[0] == images[1]);
}

// The drawing text of an AND is a single ampersand: nothing interprets it as a mnemonic.
void TestStepDrawer::expressionShowsOneAmpersand()
{
    const auto doc = DefaultDoc(MODEL_QVS_K115_318);
    SetField(*doc, 0, 2, Hex("0B 71 3F 3F")); // input 1 AND NOT input 2 AND relay 2, type 1
    SetField(*doc, 0, 4, Hex("0B 71 10 3F 80"));
    CStepDrawer& drawer = Drawer(MODEL_QVS_K115_318);
    const int h = 400;
    for (const int index : {2, 4}) {
        const QRect box(0, 0, drawer.GetBoxWidth(FieldKindAt(index), h), h);
        const std::vector<StepBoxText> texts = drawer.GetBoxTexts(*doc, 0, index, box, StepBoxState());
        const auto expression = std::find_if(texts.begin(), texts.end(), [](const StepBoxText& text) {
            return text.text.contains(QLatin1String(" = "));
        });
        QVERIFY(expression != texts.end());
        const QString label = index == 2 ? QStringLiteral("Text 184") : QStringLiteral("Text 240");
        const int term = index == 2 ? 176 : 232;
        QCOMPARE(expression->text,
                 QStringLiteral("%1 = Text %2 & Text %3 & Text %4").arg(label).arg(term).arg(term + 3).arg(term + 6));
        // Wrapped into its two lines, nothing cut off.
        QCOMPARE(expression->lines.join(QLatin1Char(' ')), expression->text);
    }
}

// --- bounds ---------------------------------------------------------------------------------

void TestStepDrawer::nothingDrawnOutsideTheBox_data()
{
    QTest::addColumn<int>("height");
    for (int height : {1, 2, 5, 9, 13, 40, 304})
        QTest::newRow(qPrintable(QStringLiteral("height %1").arg(height))) << height;
}

void TestStepDrawer::nothingDrawnOutsideTheBox()
{
    QFETCH(int, height);

    // Long texts: every one of them is wider than a box.
    CLanguageManager manager;
    CTestLanguageFolder folder;
    QVERIFY(LoadTestLanguage(manager, folder, QStringLiteral("long")));
    for (const ModelCode model : {MODEL_QVR_K115_ZQX, MODEL_QVS_K115_318}) {
        CStepDrawer drawer(model);
        drawer.OnLanguageChanged(manager);
        const auto doc = DefaultDoc(model);
        SetField(*doc, 0, 2, model == MODEL_QVR_K115_ZQX ? Hex("07 05 24") : Hex("FF F7 05 24"));
        SetField(*doc, 0, 4, model == MODEL_QVR_K115_ZQX ? Hex("A3 05 FF") : Hex("FF FD 16 05 FF"));
        for (int index = 0; index < FIELD_COUNT; ++index) {
            const int w = drawer.GetBoxWidth(FieldKindAt(index), height);
            const QRect box(5, 5, w, height);
            StepBoxState state;
            state.selected = state.active = true;
            state.elapsed = 1e9;
            state.potUnit = 7;
            QImage image = Blank(w + 11, height + 10);
            {
                QPainter painter(&image);
                drawer.Draw(painter, *doc, 0, index, box, state);
            }
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x) {
                    const bool inBox =
                        x >= box.left() && x <= box.left() + w && y >= box.top() && y < box.top() + height;
                    if (!inBox && Pixel(image, x, y) != OUTSIDE)
                        QFAIL(qPrintable(QStringLiteral("model %1 step %2: pixel %3, %4 outside the box")
                                             .arg(model).arg(index).arg(x).arg(y)));
                }
        }
    }
}

// The texts of every box of a busy chain stay inside the box's frame and apart from each
// other, at the default view height and at the one of a 4K-wide chain, in short and long
// texts. Two line boxes may share a row where positions round towards each other: the
// descent of one and the ascent of the next leave that row free of ink.
void TestStepDrawer::textsOfAChainDoNotOverlap_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("viewHeight");
    QTest::addColumn<QString>("mode");

    for (const ModelCode model : {MODEL_QVR_K115_ZQX, MODEL_QVS_K115_318})
        for (const int viewHeight : {330, 196})
            for (const char* mode : {"ok", "long"})
                QTest::newRow(qPrintable(QStringLiteral("%1 %2 %3").arg(model, 0, 16).arg(viewHeight).arg(mode)))
                    << int(model) << viewHeight << QString::fromLatin1(mode);
}

void TestStepDrawer::textsOfAChainDoNotOverlap()
{
    QFETCH(int, model);
    QFETCH(int, viewHeight);
    QFETCH(QString, mode);

    CLanguageManager manager;
    CTestLanguageFolder folder;
    QVERIFY(LoadTestLanguage(manager, folder, mode));
    CStepDrawer drawer{ModelCode(model)};
    drawer.OnLanguageChanged(manager);
    CChainLayout layout;
    layout.Compute(drawer, viewHeight);
    const auto doc = DefaultDoc(ModelCode(model));
    const bool qvr = model == MODEL_QVR_K115_ZQX;
    for (int group = 0; group < GROUP_COUNT; ++group) {
        const int base = 1 + 4 * group;
        SetField(*doc, 0, base, qvr ? Hex("C0") : Hex("F0 00"));
        SetField(*doc, 0, base + 1, qvr ? Hex("06 05 24") : Hex("FF F6 05 24"));
        SetField(*doc, 0, base + 3, qvr ? Hex("A3 05 FF") : Hex("FF FD 16 05 FF"));
    }
    StepBoxState state;
    state.active = true;
    state.elapsed = 12345.0;
    for (int index = 0; index < FIELD_COUNT; ++index) {
        const QRect box(layout.BoxLeft(index), layout.TopBand(), layout.BoxWidth(index), layout.RowHeight());
        const QRect inside(box.left() + 1, box.top() + 1, box.width() - 1, box.height() - 2);
        const std::vector<StepBoxText> texts = drawer.GetBoxTexts(*doc, 0, index, box, state);
        for (std::size_t i = 0; i < texts.size(); ++i) {
            QVERIFY2(inside.contains(texts[i].rect), qPrintable(texts[i].text));
            for (std::size_t j = i + 1; j < texts.size(); ++j)
                QVERIFY2(texts[i].rect.intersected(texts[j].rect).height() <= 1,
                         qPrintable(QStringLiteral("step %1: %2 / %3").arg(index).arg(texts[i].text, texts[j].text)));
        }
    }
}

// --- language -------------------------------------------------------------------------------

void TestStepDrawer::languageChangeRereadsTexts()
{
    CLanguageManager longTexts, brokenFormats;
    CTestLanguageFolder longFolder, brokenFolder;
    QVERIFY(LoadTestLanguage(longTexts, longFolder, QStringLiteral("long")));
    QVERIFY(LoadTestLanguage(brokenFormats, brokenFolder, QStringLiteral("broken")));

    const auto doc = DefaultDoc(MODEL_QVS_K115_318);
    CStepDrawer drawer(MODEL_QVS_K115_318);
    const int h = 304;
    const QRect start(0, 0, drawer.GetBoxWidth(FIELD_START, h), h);
    const QRect time(0, 0, drawer.GetBoxWidth(FIELD_TIME, h), h);
    const auto texts = [&](const QRect& box, int index) {
        QStringList result;
        for (const StepBoxText& text : drawer.GetBoxTexts(*doc, 0, index, box, StepBoxState()))
            result << text.lines.join(QLatin1Char('/'));
        return result;
    };

    QCOMPARE(texts(start, 0), QStringList()); // no language read yet
    drawer.OnLanguageChanged(m_manager);
    QCOMPARE(texts(start, 0).value(0), QStringLiteral("Text 282"));
    QCOMPARE(texts(time, 4), QStringList({"4", "Group 1", "Text 298", "1.00 s", "Text 222"}));

    drawer.OnLanguageChanged(longTexts);
    const QString header = texts(start, 0).value(0);
    QVERIFY2(header.startsWith(QLatin1String("A rather")) && header.endsWith(QChar(0x2026)), qPrintable(header));

    // Formats that do not fit their arguments show nothing: the old time texts are gone.
    drawer.OnLanguageChanged(brokenFormats);
    QCOMPARE(texts(time, 4), QStringList({"4", "Text 298", "Text 222"}));

    drawer.OnLanguageChanged(m_manager);
    QCOMPARE(texts(start, 0).value(0), QStringLiteral("Text 282"));
    QCOMPARE(texts(time, 4), QStringList({"4", "Group 1", "Text 298", "1.00 s", "Text 222"}));
}

// --- nothing to draw --------------------------------------------------------------------------

void TestStepDrawer::otherModelOrFieldDrawsNothing()
{
    const auto qvr = DefaultDoc(MODEL_QVR_K115_ZQX);
    const auto qvs = DefaultDoc(MODEL_QVS_K115_318);
    CStepDrawer& drawer = Drawer(MODEL_QVR_K115_ZQX);
    const QRect box(0, 0, 60, 100);
    QImage image = Blank(80, 110);
    const QImage blank = image;
    QPainter painter(&image);
    const QFont font(QStringLiteral("Courier"), 31);
    const QPen pen(QColor(1, 2, 3), 7);
    painter.setFont(font);
    painter.setPen(pen);
    drawer.Draw(painter, *qvs, 0, 1, box, StepBoxState());  // another model
    drawer.Draw(painter, *qvr, 1, 1, box, StepBoxState());  // no such channel
    drawer.Draw(painter, *qvr, 0, 37, box, StepBoxState()); // no such step
    drawer.Draw(painter, *qvr, 0, 1, QRect(0, 0, 60, 0), StepBoxState());
    QVERIFY(drawer.GetBoxTexts(*qvs, 0, 1, box, StepBoxState()).empty());
    QCOMPARE(image, blank);
    // A box that is drawn leaves the painter's font and pen as they were.
    drawer.Draw(painter, *qvr, 0, 2, box, StepBoxState());
    QCOMPARE(painter.font(), font);
    QCOMPARE(painter.pen(), pen);
    painter.end();
    QVERIFY(image != blank);
}

// The same painting serves a picture export: the texts reach an SVG document as text.
void TestStepDrawer::paintsIntoAnSvgDocument()
{
    const auto doc = DefaultDoc(MODEL_QVS_K115_318);
    SetField(*doc, 1, 6, Hex("0A 06 3F 00"));
    CStepDrawer& drawer = Drawer(MODEL_QVS_K115_318);
    const int h = 300;
    QBuffer buffer;
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(QSize(400, h));
    {
        QPainter painter(&svg);
        drawer.Draw(painter, *doc, 1, 0, QRect(0, 0, drawer.GetBoxWidth(FIELD_START, h), h), StepBoxState());
        drawer.Draw(painter, *doc, 1, 6, QRect(150, 0, drawer.GetBoxWidth(FIELD_CONDITION, h), h), StepBoxState());
    }
    const QString text = QString::fromUtf8(buffer.data());
    for (const char* expected :
         {"Text 282", "Text 121", "Text 170", "Text 184 = Text 176 &amp;", "Text 178", "Text 188"})
        QVERIFY2(text.contains(QLatin1String(expected)), expected);
    QVERIFY(!text.contains(QLatin1String("&amp;&amp;")));
}

// --- line breaks ------------------------------------------------------------------------

// A text on two lines breaks where the lines come out most even, not where the first line is
// full: "Wait for input / on" leaves a word alone, "Wait for / input on" does not.
void TestStepDrawer::twoLinesAreBalanced_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("widthOf"); // the box is just wide enough for this
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("one word would be alone") << QStringLiteral("Wait for input on") << QStringLiteral("Wait for input")
                                             << QStringList{QStringLiteral("Wait for"), QStringLiteral("input on")};
    QTest::newRow("after a slash") << QStringLiteral("Input on/off now") << QStringLiteral("Input on/off")
                                   << QStringList{QStringLiteral("Input on/"), QStringLiteral("off now")};
    QTest::newRow("one line fits") << QStringLiteral("Next step") << QStringLiteral("Next step")
                                   << QStringList{QStringLiteral("Next step")};
    QTest::newRow("a number stays with its word") << QStringLiteral("Switch relay 1 on") << QStringLiteral("Switch relay 1")
                                                  << QStringList{QStringLiteral("Switch"), QStringLiteral("relay 1 on")};
    QTest::newRow("no word alone: as laid") << QStringLiteral("S1 = input 1 & input 2") << QStringLiteral("S1 = input 1 &")
                                            << QStringList{QStringLiteral("S1 = input 1 &"), QStringLiteral("input 2")};
}

void TestStepDrawer::twoLinesAreBalanced()
{
    QFETCH(QString, text);
    QFETCH(QString, widthOf);
    QFETCH(QStringList, lines);
    StepDrawing::CHeightCache cache(200);
    const QFontMetricsF metrics(cache.metrics.font[StepDrawing::BODY_FONT]);
    const int width = int(std::ceil(metrics.horizontalAdvance(widthOf))) + 1;
    const StepDrawing::LaidText& laid = cache.Lay(StepDrawing::BODY_FONT, text, width, 2);
    QVERIFY(laid.complete);
    QCOMPARE(laid.lines, lines);
}

QTEST_MAIN(TestStepDrawer)
#include "tst_step_drawer.moc"
