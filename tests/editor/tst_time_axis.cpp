// The time axis of the timing diagram: pixel columns and times, the limits of zoom and scroll,
// zooming about a column, and a fit that holds until the user zooms or scrolls.

#include "TimeAxis.h"

#include <QtTest>

namespace {

constexpr RelayTime S = RELAY_TIME_PER_SECOND;
constexpr RelayTime MS = S / 1000;

// An axis 1000 pixels wide over a trace known for 100 s.
CTimeAxis Axis100s()
{
    CTimeAxis axis;
    axis.SetWidth(1000);
    axis.SetTrace(100 * S, 60 * S);
    return axis;
}

} // namespace

class TestTimeAxis : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void columnsAndTimes()
    {
        const CTimeAxis axis(-2 * S, 1e7); // 10 ms per pixel from -2 s
        QCOMPARE(axis.TimeAt(0), -2 * S);
        QCOMPARE(axis.TimeAt(250), RelayTime(500 * MS));
        QCOMPARE(axis.TimeAt(0.25), -2 * S + 2'500'000);
        QCOMPARE(axis.TimeAt(1e-8), -2 * S); // the nearest nanosecond
        QCOMPARE(axis.XOf(3 * S), 500.0);
        QCOMPARE(axis.XOf(-2 * S), 0.0);
    }

    // What the user asks for is held within the limits: from a microsecond per pixel to half
    // as much again as the trace (at least 10 s) across the width, and from a twentieth of
    // the view before 0 to as much after the trace's end.
    void limits_data()
    {
        QTest::addColumn<qint64>("offset");
        QTest::addColumn<double>("scale");
        QTest::addColumn<qint64>("expectedOffset");
        QTest::addColumn<double>("expectedScale");
        QTest::newRow("inside") << qint64(20 * S) << 1e7 << qint64(20 * S) << 1e7;
        QTest::newRow("finest") << qint64(5 * S) << 10.0 << qint64(5 * S) << 1000.0;
        QTest::newRow("widest") << qint64(0) << 1e12 << qint64(-7500 * MS) << 1.5e8;
        QTest::newRow("before 0") << qint64(-30 * S) << 1e7 << qint64(-500 * MS) << 1e7;
        QTest::newRow("after the end") << qint64(500 * S) << 1e7 << qint64(90500 * MS) << 1e7;
        QTest::newRow("no scale") << qint64(0) << 0.0 << qint64(0) << 1000.0;
    }
    void limits()
    {
        QFETCH(qint64, offset);
        QFETCH(double, scale);
        QFETCH(qint64, expectedOffset);
        QFETCH(double, expectedScale);
        CTimeAxis axis = Axis100s();
        axis.SetView(offset, scale);
        QCOMPARE(axis.Offset(), expectedOffset);
        QCOMPARE(axis.Scale(), expectedScale);
        QCOMPARE(axis.LowestOffset(), -axis.Visible() / 20);
    }

    // A short trace still lets the view widen to 15 s; the end of a longer one can be reached.
    void scrollEndFollowsTheTrace()
    {
        CTimeAxis axis;
        axis.SetWidth(1000);
        axis.SetTrace(0, 2 * S);
        axis.SetView(0, 1e12);
        QCOMPARE(axis.Scale(), 1.5e7);
        axis.SetTrace(300 * S, 400 * S);
        QCOMPARE(axis.ScrollEnd(), 400 * S);
        axis.ScrollTo(1000 * S);
        QCOMPARE(axis.VisibleEnd(), 400 * S + axis.Visible() / 20);
    }

    void zoomKeepsTheTimeUnderTheMouse_data()
    {
        QTest::addColumn<double>("factor");
        QTest::addColumn<double>("x");
        QTest::newRow("in at the left") << 2.0 << 0.0;
        QTest::newRow("in at a third") << 1.25 << 333.0;
        QTest::newRow("out in the middle") << 0.5 << 500.0;
        QTest::newRow("in at the right") << 4.0 << 1000.0;
    }
    void zoomKeepsTheTimeUnderTheMouse()
    {
        QFETCH(double, factor);
        QFETCH(double, x);
        CTimeAxis axis = Axis100s();
        axis.SetView(20 * S, 2e7);
        const RelayTime anchor = axis.TimeAt(x);
        axis.ZoomAt(factor, x);
        QCOMPARE(axis.Scale(), 2e7 / factor);
        QCOMPARE(axis.TimeAt(x), anchor);
    }

    void zoomStopsAtTheLimits()
    {
        CTimeAxis axis = Axis100s();
        axis.SetView(50 * S, 2000.0);
        axis.ZoomAt(10.0, 400);
        QCOMPARE(axis.Scale(), CTimeAxis::MIN_SCALE);
        axis.ZoomAt(0.0, 400); // no factor: nothing changes
        axis.ZoomAt(-2.0, 400);
        QCOMPARE(axis.Scale(), CTimeAxis::MIN_SCALE);
    }

    // A fit shows 0 to the end with 3 % of it before 0 and 5 % after, and follows the width
    // until the user zooms or scrolls.
    void fitHoldsUntilTheUserMoves()
    {
        CTimeAxis axis = Axis100s();
        axis.Fit(10 * S);
        QVERIFY(axis.IsFitted());
        QCOMPARE(axis.Offset(), -300 * MS);
        QCOMPARE(axis.Scale(), 1.08e7);
        QCOMPARE(axis.VisibleEnd(), 10500 * MS);

        axis.SetWidth(2000);
        QCOMPARE(axis.Offset(), -300 * MS);
        QCOMPARE(axis.Scale(), 5.4e6);

        axis.ScrollByPixels(100);
        QVERIFY(!axis.IsFitted());
        QCOMPARE(axis.Offset(), 240 * MS);
        axis.SetWidth(1000);
        QCOMPARE(axis.Scale(), 5.4e6);
        QCOMPARE(axis.Offset(), 240 * MS);
    }

    void fitStaysWithinTheTrace_data()
    {
        QTest::addColumn<qint64>("knownUntil");
        QTest::addColumn<qint64>("end");
        QTest::addColumn<qint64>("shownEnd"); // what the fit treats as the end
        QTest::newRow("within") << qint64(100 * S) << qint64(40 * S) << qint64(40 * S);
        QTest::newRow("past the known end") << qint64(20 * S) << qint64(40 * S) << qint64(20 * S);
        QTest::newRow("at least a second") << qint64(100 * S) << qint64(10 * MS) << qint64(S);
        QTest::newRow("a trace of no known end") << qint64(0) << qint64(40 * S) << qint64(40 * S);
    }
    void fitStaysWithinTheTrace()
    {
        QFETCH(qint64, knownUntil);
        QFETCH(qint64, end);
        QFETCH(qint64, shownEnd);
        CTimeAxis axis;
        axis.SetWidth(1000);
        axis.SetTrace(knownUntil, 100 * S);
        axis.Fit(end);
        QCOMPARE(axis.FitEnd(), end);
        QCOMPARE(axis.Scale(), double(shownEnd) * 1.08 / 1000);
        QCOMPARE(axis.Offset(), -RelayTime(double(shownEnd) * 0.03));
    }
};

QTEST_MAIN(TestTimeAxis)
#include "tst_time_axis.moc"
