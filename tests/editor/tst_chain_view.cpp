// The program view's painting from box pictures: after any change (a field's bytes, the
// selection, the running time, the program check's marks, the language, the size, the channel) the view shows exactly
// what painting every box directly shows, and only the boxes whose look changed are painted
// anew.

#include "ChainView.h"
#include "Fields.h"
#include "QuorvexDoc.h"
#include "TestLanguages.h"

#include <QPainter>
#include <QtTest>

#include <functional>

namespace {

constexpr int VIEW_HEIGHT = 240;
constexpr int VIEW_WIDTH = 5000; // the whole chain of either model at this height

// A view of one channel: its layout, state and pictures, painted into an image.
struct ViewFixture {
    explicit ViewFixture(ModelCode model) : drawer(model), doc(CreateDocument(model))
    {
        drawer.OnLanguageChanged(Language::TheLanguageManager());
        doc->ResetProgram(0);
        layout.Compute(drawer, VIEW_HEIGHT);
        state.selected = 2;
        state.active = 4;
        state.progress = 0.5;
        state.elapsed = 0.5;
        state.marks[9] = StepMark::Warning;
    }

    QImage Paint(CBoxPictureCache* pictures)
    {
        QImage image(VIEW_WIDTH, height, QImage::Format_RGB32);
        image.fill(Qt::magenta);
        QPainter painter(&image);
        PaintChainView(painter, image.size(), 0, layout, drawer, doc.get(), channel, state, 1.0, pictures);
        return image;
    }

    CStepDrawer drawer;
    std::unique_ptr<CQuorvexDoc> doc;
    CChainLayout layout;
    ChainViewState state;
    CBoxPictureCache cache;
    int channel = 0;
    int height = VIEW_HEIGHT;
};

using Change = std::function<void(ViewFixture&)>;

void NoChange(ViewFixture&) {}

} // namespace

Q_DECLARE_METATYPE(Change)

class TestChainView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(UseShippedLanguage(Language::LCID_ENGLISH)); }
    void cleanup() { Language::TheLanguageManager().SelectLanguageByLcid(Language::LCID_ENGLISH); }

    void changes_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("channel");
        QTest::addColumn<Change>("change");
        QTest::addColumn<int>("painted"); // box pictures painted anew on the next paint
        const int zqx = MODEL_QVR_K115_ZQX;
        const int qvs = MODEL_QVS_K115_318;

        QTest::newRow("nothing") << zqx << 0 << Change(NoChange) << 0;
        QTest::newRow("a step edited") << zqx << 0 << Change([](ViewFixture& f) {
            const auto fields = f.doc->CreateFieldSet();
            static_cast<CQuorvexFIELDStateChange*>(fields->Bind(f.doc.get(), 0, 5))->SetJump(12);
        }) << 1;
        // The start delay lives in channel 1's byte of the shared Start field: channel 2's
        // Start box shows it too.
        QTest::newRow("the start delay, channel 2") << qvs << 1 << Change([](ViewFixture& f) {
            const auto fields = f.doc->CreateFieldSet();
            static_cast<CQuorvexFIELDStart*>(fields->Bind(f.doc.get(), 0, 0))->SetStartDelay(3);
        }) << 1;
        QTest::newRow("another channel") << qvs << 0 << Change([](ViewFixture& f) { f.channel = 1; }) << FIELD_COUNT;
        QTest::newRow("another program, the same bytes") << zqx << 0 << Change([](ViewFixture& f) {
            auto other = CreateDocument(MODEL_QVR_K115_ZQX);
            other->ResetProgram(0);
            f.doc = std::move(other);
        }) << 0;
        QTest::newRow("another selection") << qvs << 0 << Change([](ViewFixture& f) { f.state.selected = 7; }) << 2;
        QTest::newRow("the running time") << zqx << 0 << Change([](ViewFixture& f) { f.state.elapsed = 0.75; }) << 1;
        QTest::newRow("the marker only") << zqx << 0 << Change([](ViewFixture& f) { f.state.progress = 0.9; }) << 0;
        QTest::newRow("the potentiometer of a fixed step") << zqx << 0 << Change([](ViewFixture& f) {
            f.state.potUnit = 3;
        }) << 1; // the active box's look may depend on it: it is painted again, the rest not
        // The program check's marks: a box whose mark came, went or changed is painted anew.
        QTest::newRow("a mark comes") << zqx << 0 << Change([](ViewFixture& f) {
            f.state.marks[5] = StepMark::Error;
        }) << 1;
        QTest::newRow("a mark goes") << qvs << 1 << Change([](ViewFixture& f) {
            f.state.marks[9] = StepMark::None;
        }) << 1;
        QTest::newRow("a warning becomes an error") << zqx << 0 << Change([](ViewFixture& f) {
            f.state.marks[9] = StepMark::Error;
        }) << 1;
        QTest::newRow("another active step") << qvs << 0 << Change([](ViewFixture& f) { f.state.active = 8; }) << 2;
        QTest::newRow("another language") << zqx << 0 << Change([](ViewFixture& f) {
            QCOMPARE(Language::TheLanguageManager().SelectLanguageByLcid(1045), qint64(1045));
            f.drawer.OnLanguageChanged(Language::TheLanguageManager());
        }) << FIELD_COUNT;
        QTest::newRow("a lower view") << qvs << 0 << Change([](ViewFixture& f) {
            f.height = VIEW_HEIGHT - 40;
            f.layout.Compute(f.drawer, f.height);
        }) << FIELD_COUNT;
    }

    void changes()
    {
        QFETCH(int, model);
        QFETCH(int, channel);
        QFETCH(Change, change);
        QFETCH(int, painted);
        ViewFixture f{ModelCode(model)};
        f.channel = channel;
        f.Paint(&f.cache);
        QCOMPARE(f.cache.PaintedCount(), std::uint64_t(FIELD_COUNT));
        change(f);
        const QImage cached = f.Paint(&f.cache);
        QCOMPARE(f.cache.PaintedCount(), std::uint64_t(FIELD_COUNT + painted));
        QCOMPARE(cached, f.Paint(nullptr));
    }

    // A picture starts white; a box covers every pixel of its picture, so that no white shows
    // where painting it directly would leave what was there before.
    void boxesCoverTheirPictures()
    {
        for (const ModelCode model : {MODEL_QVR_K115_ZQX, MODEL_QVS_K115_318}) {
            ViewFixture f(model);
            f.state.active = 8;
            const QImage onMagenta = f.Paint(nullptr);
            QImage onWhite(onMagenta.size(), QImage::Format_RGB32);
            onWhite.fill(Qt::white);
            QPainter painter(&onWhite);
            PaintChainView(painter, onWhite.size(), 0, f.layout, f.drawer, f.doc.get(), 0, f.state, 1.0, nullptr);
            painter.end();
            const QRect row(0, f.layout.TopBand(), f.layout.TotalWidth() + 1, f.layout.RowHeight());
            QCOMPARE(onMagenta.copy(row), onWhite.copy(row));
        }
    }

    // Pictures for a screen of twice the pixels are painted at that density.
    void pixelRatio()
    {
        ViewFixture f(MODEL_QVS_K115_318);
        QImage cached(VIEW_WIDTH * 2, VIEW_HEIGHT * 2, QImage::Format_RGB32);
        cached.setDevicePixelRatio(2);
        QImage direct = cached;
        for (QImage* image : {&cached, &direct}) {
            QPainter painter(image);
            PaintChainView(painter, QSize(VIEW_WIDTH, VIEW_HEIGHT), 0, f.layout, f.drawer, f.doc.get(), 0, f.state, 2.0,
                           image == &cached ? &f.cache : nullptr);
        }
        QCOMPARE(f.cache.PaintedCount(), std::uint64_t(FIELD_COUNT));
        QCOMPARE(cached, direct);
    }
};

QTEST_MAIN(TestChainView)
#include "tst_chain_view.moc"
