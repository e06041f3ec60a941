// The program's pictures, compiled in by resource ID: each is a square SVG; the relay
// pictures leave their top fifth clear for the caption drawn over them; the active-step
// marker is transparent around its arrowhead; the two states of a picture differ.

#include "Resources.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTest>

namespace {

QImage Render(int id, int side)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(ResourcePath(id));
    QPainter painter(&image);
    renderer.render(&painter, QRectF(0, 0, side, side));
    return image;
}

bool RowsClear(const QImage& image, int from, int to)
{
    for (int y = from; y < to; ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0)
                return false;
    return true;
}

} // namespace

class TestPictures : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pictures_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("otherState"); // the picture of the other state, 0 for none
        QTest::newRow("relay off") << 251 << 252;
        QTest::newRow("relay on") << 252 << 251;
        QTest::newRow("active-step marker") << 257 << 0;
        QTest::newRow("input button released") << 258 << 259;
        QTest::newRow("input button pressed") << 259 << 258;
    }

    void pictures()
    {
        QFETCH(int, id);
        QFETCH(int, otherState);

        QSvgRenderer renderer(ResourcePath(id));
        QVERIFY(renderer.isValid());
        QCOMPARE(renderer.defaultSize().width(), renderer.defaultSize().height());
        for (int side : {16, 48, 200}) {
            const QImage image = Render(id, side);
            QVERIFY(!RowsClear(image, 0, side)); // something is drawn
            if (otherState)
                QVERIFY(image != Render(otherState, side));
        }
        const QImage large = Render(id, 200);
        if (id == 251 || id == 252)
            QVERIFY(RowsClear(large, 0, 40)); // the caption's rows
        if (id == 257) {
            // Clear beside the tip, opaque at the tip on the bottom edge.
            QCOMPARE(qAlpha(large.pixel(2, 195)), 0);
            QCOMPARE(qAlpha(large.pixel(197, 195)), 0);
            QCOMPARE(qAlpha(large.pixel(100, 188)), 255);
        }
    }
};

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
