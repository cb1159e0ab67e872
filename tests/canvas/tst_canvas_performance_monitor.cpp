#include "FakeScheduler.h"
#include "TestMain.h"
#include "canvas/CanvasPerformanceMonitor.h"

// Feeds a monitor frames at scripted times (seconds).
struct ScriptedFrames {
    double now = 1000.0;
    void attach(CanvasPerformanceMonitor &monitor)
    {
        monitor.setClock([this] { return now; });
    }
    void frameAfter(CanvasPerformanceMonitor &monitor, double seconds)
    {
        now += seconds;
        monitor.recordFrame();
    }
};

class TestCanvasPerformanceMonitor : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void figuresFromFrameTimes_data()
    {
        QTest::addColumn<QList<double>>("gaps"); // seconds before each frame; the first frame starts the clock
        QTest::addColumn<double>("currentFPS");
        QTest::addColumn<double>("averageFPS");
        QTest::addColumn<int>("drops");
        QTest::addColumn<int>("history");
        QTest::newRow("one frame records no rate") << QList<double>{0} << 60.0 << 60.0 << 0 << 0;
        QTest::newRow("30 fps is a drop") << QList<double>{0, 1.0 / 30} << 30.0 << 60.0 << 1 << 1;
        QTest::newRow("50 fps is not") << QList<double>{0, 1.0 / 50} << 50.0 << 60.0 << 0 << 1;
        QTest::newRow("44 fps is a drop") << QList<double>{0, 1.0 / 44} << 44.0 << 60.0 << 1 << 1;
        QTest::newRow("46 fps is not") << QList<double>{0, 1.0 / 46} << 46.0 << 60.0 << 0 << 1;
        QTest::newRow("average over three") << QList<double>{0, 0.01, 0.03} << 1.0 / 0.03 << 1.0 / 0.03 << 1 << 2;
        QTest::newRow("two drops") << QList<double>{0, 0.05, 0.05, 0.01} << 100.0 << 2 / 0.06 << 2 << 3;
    }
    void figuresFromFrameTimes()
    {
        QFETCH(QList<double>, gaps);
        QFETCH(double, currentFPS);
        QFETCH(double, averageFPS);
        QFETCH(int, drops);
        QFETCH(int, history);
        FakeScheduler clock;
        CanvasPerformanceMonitor monitor;
        ScriptedFrames frames;
        frames.attach(monitor);
        for (double gap : gaps)
            frames.frameAfter(monitor, gap);
        QVERIFY(qAbs(monitor.currentFPS() - currentFPS) < 1e-6);
        QVERIFY(qAbs(monitor.averageFPS() - averageFPS) < 1e-6);
        QCOMPARE(monitor.frameDropCount(), drops);
        QCOMPARE(monitor.frameTimestamps().size(), history);
        QCOMPARE(monitor.lastFrameTime(), frames.now);
    }

    void keepsTheLastSixtyTimestamps()
    {
        FakeScheduler clock;
        CanvasPerformanceMonitor monitor;
        ScriptedFrames frames;
        frames.attach(monitor);
        for (int i = 0; i < 100; ++i)
            frames.frameAfter(monitor, i % 2 ? 0.01 : 0.02);
        const QList<double> &kept = monitor.frameTimestamps();
        QCOMPARE(kept.size(), 60);
        QCOMPARE(kept.last(), frames.now);
        const double span = kept.last() - kept.first();
        QVERIFY(qAbs(monitor.averageFPS() - 59 / span) < 1e-9);
    }

    void utilisationAtTheNextTick_data()
    {
        QTest::addColumn<double>("gap");
        QTest::addColumn<double>("utilisation");
        QTest::newRow("30 fps") << 1.0 / 30 << 0.5;
        QTest::newRow("60 fps") << 1.0 / 60 << 0.0;
        QTest::newRow("above 60") << 1.0 / 120 << 0.0;
        QTest::newRow("15 fps") << 1.0 / 15 << 0.75;
    }
    void utilisationAtTheNextTick()
    {
        QFETCH(double, gap);
        QFETCH(double, utilisation);
        FakeScheduler clock;
        CanvasPerformanceMonitor monitor;
        ScriptedFrames frames;
        frames.attach(monitor);
        frames.frameAfter(monitor, 0);
        frames.frameAfter(monitor, gap);
        QCOMPARE(monitor.mainThreadUtilization(), 0.0);
        clock.advance(CanvasPerformanceMonitor::metricsIntervalMs);
        QVERIFY(qAbs(monitor.mainThreadUtilization() - utilisation) < 1e-9);
    }

    // The 1 s timer runs only while frames come and the canvas is shown.
    void timerRestsWithoutFrames()
    {
        FakeScheduler clock;
        CanvasPerformanceMonitor monitor;
        ScriptedFrames frames;
        frames.attach(monitor);
        QVERIFY(!monitor.isTimerRunning());
        frames.frameAfter(monitor, 0);
        QVERIFY(monitor.isTimerRunning());
        clock.advance(1000);
        QVERIFY(monitor.isTimerRunning()); // a frame came since the start
        clock.advance(1000);
        QVERIFY(!monitor.isTimerRunning()); // a whole second without one
        QCOMPARE(clock.pendingCount(), 0);

        frames.frameAfter(monitor, 5);
        frames.frameAfter(monitor, 1.0 / 30);
        QVERIFY(monitor.isTimerRunning());
        monitor.setCanvasVisible(false);
        QVERIFY(!monitor.isTimerRunning());
        QVERIFY(qAbs(monitor.mainThreadUtilization() - 0.5) < 1e-9); // brought up to date first
        frames.frameAfter(monitor, 1.0 / 30);
        QVERIFY(!monitor.isTimerRunning());
        monitor.setCanvasVisible(true);
        frames.frameAfter(monitor, 1.0 / 30);
        QVERIFY(monitor.isTimerRunning());
    }
};

TAVO_TEST_MAIN(TestCanvasPerformanceMonitor)
#include "tst_canvas_performance_monitor.moc"
