#include "FakeScheduler.h"
#include "TestMain.h"
#include "canvas/CanvasThreadingManager.h"
#include "canvas/FrameDeliveryRule.h"

#include <QThread>
#include <deque>
#include <stdexcept>

// Runs the manager's background jobs when the test says so, with scripted durations.
struct ManualPool {
    std::deque<std::function<void()>> jobs;
    std::deque<double> durations; // seconds each computation takes, in start order
    double now = 0;

    void attach(CanvasThreadingManager &manager)
    {
        manager.setBackgroundRunner([this](std::function<void()> job) { jobs.push_back(std::move(job)); });
        // The computation reads the clock twice: before and after.
        manager.setComputationClock([this, first = std::make_shared<bool>(true)]() mutable {
            if (*first) {
                *first = false;
                return now;
            }
            *first = true;
            const double d = durations.empty() ? 0.001 : durations.front();
            if (!durations.empty())
                durations.pop_front();
            now += d;
            return now;
        });
    }
    // Runs job i (0 = oldest waiting) and delivers its result to the main thread.
    void run(size_t i = 0)
    {
        auto job = std::move(jobs[i]);
        jobs.erase(jobs.begin() + qsizetype(i));
        job();
        QCoreApplication::sendPostedEvents();
    }
};

QList<ThreadSafeComponentData> snapshotAt(qreal x)
{
    return {{QUuid::fromString(QStringLiteral("{00000000-0000-0000-0000-000000000001}")), QRectF(x, 0, 100, 100), 0}};
}

class TestCanvasThreading : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void deliveryRule_data()
    {
        QTest::addColumn<double>("elapsed");
        QTest::addColumn<int>("counter");
        QTest::addColumn<bool>("delivered");
        QTest::addColumn<int>("counterAfter");
        QTest::newRow("quick") << 0.01 << 0 << true << 0;
        QTest::newRow("quick keeps the counter") << 0.01 << 2 << true << 2;
        QTest::newRow("budget is slow") << 0.016 << 0 << false << 1;
        QTest::newRow("second slow withheld") << 0.02 << 1 << false << 2;
        QTest::newRow("third slow goes through") << 0.02 << 2 << true << 0;
    }
    void deliveryRule()
    {
        QFETCH(double, elapsed);
        QFETCH(int, counter);
        QFETCH(bool, delivered);
        QFETCH(int, counterAfter);
        const auto outcome = FrameDeliveryRule::deliver(elapsed, counter);
        QCOMPARE(outcome.deliverFrames, delivered);
        QCOMPARE(outcome.frameDropCounter, counterAfter);
    }

    void monitorTick_data()
    {
        QTest::addColumn<double>("since");
        QTest::addColumn<int>("counter");
        QTest::addColumn<int>("counterAfter");
        QTest::newRow("timely tick offsets one") << 0.016 << 2 << 1;
        QTest::newRow("never below zero") << 0.016 << 0 << 0;
        QTest::newRow("late tick") << 0.02 << 2 << 2;
        QTest::newRow("first tick") << 1000.0 << 1 << 1;
    }
    void monitorTick()
    {
        QFETCH(double, since);
        QFETCH(int, counter);
        QFETCH(int, counterAfter);
        QCOMPARE(FrameDeliveryRule::tick(since, counter), counterAfter);
    }

    void computesViewRectangles()
    {
        const QUuid a = QUuid::createUuid();
        const QUuid b = QUuid::createUuid();
        const auto frames = CanvasThreadingManager::computeFrames(
            {{a, QRectF(100, 200, 1680, 500), 0}, {b, QRectF(0, 0, 10, 10), 3}, {a, QRectF(0, 0, 2, 2), 0}}, 0.5,
            QPointF(-1350, -315));
        QCOMPARE(frames.size(), 2);
        QCOMPARE(frames.value(a), QRectF(-1350, -315, 1, 1)); // a later equal id wins
        QCOMPARE(frames.value(b), QRectF(-1350, -315, 5, 5));
        QVERIFY(CanvasThreadingManager::computeFrames({}, 0.5, QPointF()).isEmpty());
        QCOMPARE(CanvasThreadingManager::computeFrames({{a, QRectF(100, 200, 1680, 500), 0}}, 0.5, QPointF(-1350, -315)).value(a),
                 QRectF(-1300, -215, 840, 250));
    }

    // Requests 5 ms apart: only the third is computed, 8 ms after it.
    void debounceKeepsTheLastRequest()
    {
        FakeScheduler clock;
        CanvasThreadingManager manager;
        ManualPool pool;
        pool.attach(manager);
        QList<CanvasThreadingManager::Frames> delivered;
        auto record = [&](const CanvasThreadingManager::Frames &f) { delivered.append(f); };
        manager.scheduleComponentUpdate(snapshotAt(1), 1, QPointF(), record);
        clock.advance(5);
        manager.scheduleComponentUpdate(snapshotAt(2), 1, QPointF(), record);
        clock.advance(5);
        manager.scheduleComponentUpdate(snapshotAt(3), 1, QPointF(), record);
        clock.advance(7);
        QVERIFY(pool.jobs.empty());
        clock.advance(1);
        QCOMPARE(pool.jobs.size(), size_t(1));
        pool.run();
        QCOMPARE(delivered.size(), 1);
        QCOMPARE(delivered[0].begin().value().x(), 3.0);

        // A pending request can be dropped (a momentum scroll starts).
        manager.scheduleComponentUpdate(snapshotAt(4), 1, QPointF(), record);
        QVERIFY(manager.hasPendingUpdate());
        manager.cancelPendingUpdate();
        clock.advance(20);
        QVERIFY(pool.jobs.empty());
    }

    // Slow computations with no timely monitor tick between them: withheld, withheld, through.
    // With timely ticks between them every slow one is withheld.
    void slowResults_data()
    {
        QTest::addColumn<int>("ticksBetween");
        QTest::addColumn<QList<bool>>("delivered");
        QTest::addColumn<QList<int>>("counters");
        QTest::newRow("no ticks") << 0 << QList<bool>{false, false, true, false} << QList<int>{1, 2, 0, 1};
        QTest::newRow("timely ticks") << 1 << QList<bool>{false, false, false, false} << QList<int>{1, 1, 1, 1};
    }
    void slowResults()
    {
        QFETCH(int, ticksBetween);
        QFETCH(QList<bool>, delivered);
        QFETCH(QList<int>, counters);
        FakeScheduler clock;
        CanvasThreadingManager manager;
        manager.setCanvasVisible(true);
        ManualPool pool;
        pool.attach(manager);
        QList<bool> got;
        QList<int> seen;
        for (int i = 0; i < delivered.size(); ++i) {
            pool.durations.push_back(0.02);
            manager.processComponents(snapshotAt(i), 1, QPointF(), [&](const CanvasThreadingManager::Frames &f) { got.append(!f.isEmpty()); });
            pool.run();
            seen.append(manager.frameDropCounter());
            if (ticksBetween) {
                clock.advance(CanvasThreadingManager::timingTickMs); // the loop ticks on time
            }
        }
        QCOMPARE(got, delivered);
        if (ticksBetween)
            QCOMPARE(manager.frameDropCounter(), 0);
        else
            QCOMPARE(seen, counters);
    }

    void quickResultIsDelivered()
    {
        FakeScheduler clock;
        CanvasThreadingManager manager;
        ManualPool pool;
        pool.attach(manager);
        pool.durations = {0.01};
        CanvasThreadingManager::Frames got;
        manager.processComponents(snapshotAt(5), 2, QPointF(1, 1), [&](const CanvasThreadingManager::Frames &f) { got = f; });
        pool.run();
        QCOMPARE(got.size(), 1);
        QCOMPARE(got.begin().value(), QRectF(11, 1, 200, 200));
    }

    // A result that finishes after a newer one is dropped, so stale rectangles never return.
    void outOfOrderResultsAreDropped()
    {
        FakeScheduler clock;
        CanvasThreadingManager manager;
        ManualPool pool;
        pool.attach(manager);
        QList<qreal> got;
        auto record = [&](const CanvasThreadingManager::Frames &f) { got.append(f.begin().value().x()); };
        manager.processComponents(snapshotAt(1), 1, QPointF(), record);
        manager.processComponents(snapshotAt(2), 1, QPointF(), record);
        manager.processComponents(snapshotAt(3), 1, QPointF(), record);
        pool.run(1); // the second finishes first
        pool.run(0); // then the first: stale
        pool.run(0); // then the third: newer
        QCOMPARE(got, (QList<qreal>{2, 3}));
    }

    void resultsReturnOnTheMainThreadFromThePool()
    {
        CanvasThreadingManager manager;
        QThread *thread = nullptr;
        CanvasThreadingManager::Frames got;
        manager.processComponents(snapshotAt(7), 1, QPointF(), [&](const CanvasThreadingManager::Frames &f) {
            thread = QThread::currentThread();
            got = f;
        });
        QTRY_VERIFY(thread);
        QCOMPARE(thread, QThread::currentThread());
        QCOMPARE(got.size(), 1);
    }

    void performInBackground()
    {
        CanvasThreadingManager manager;
        int calls = 0;
        QThread *worker = nullptr;
        QThread *completionThread = nullptr;
        QString error;
        manager.performInBackground<int>(
            [&worker]() -> int {
                worker = QThread::currentThread();
                throw std::runtime_error("fetch failed");
            },
            [&](std::variant<int, std::exception_ptr> result) {
                ++calls;
                completionThread = QThread::currentThread();
                try {
                    std::rethrow_exception(std::get<std::exception_ptr>(result));
                } catch (const std::runtime_error &e) {
                    error = QString::fromUtf8(e.what());
                }
            });
        QTRY_COMPARE(calls, 1);
        QCOMPARE(completionThread, QThread::currentThread());
        QVERIFY(worker != QThread::currentThread());
        QCOMPARE(error, QStringLiteral("fetch failed"));

        int value = 0;
        manager.performInBackground<int>([] { return 42; }, [&](std::variant<int, std::exception_ptr> r) { value = std::get<int>(r); });
        QTRY_COMPARE(value, 42);
        QTest::qWait(20);
        QCOMPARE(calls, 1);
    }

    // The 16 ms loop runs only while requests come to a shown canvas.
    void timingLoopRestsWhenIdleOrHidden()
    {
        FakeScheduler clock;
        CanvasThreadingManager manager;
        ManualPool pool;
        pool.attach(manager);
        manager.setCanvasVisible(true);
        clock.advance(100);
        QVERIFY(!manager.isTimingMonitorRunning());
        QCOMPARE(clock.pendingCount(), 0);

        manager.scheduleComponentUpdate(snapshotAt(1), 1, QPointF(), {});
        QVERIFY(manager.isTimingMonitorRunning());
        clock.advance(CanvasThreadingManager::idleAfterMs - 20);
        QVERIFY(manager.isTimingMonitorRunning());
        clock.advance(40);
        QVERIFY(!manager.isTimingMonitorRunning());
        QCOMPARE(clock.pendingCount(), 0);

        // Hidden: it stops at once and a request does not start it.
        manager.scheduleComponentUpdate(snapshotAt(2), 1, QPointF(), {});
        QVERIFY(manager.isTimingMonitorRunning());
        manager.setCanvasVisible(false);
        QVERIFY(!manager.isTimingMonitorRunning());
        clock.advance(20);
        manager.scheduleComponentUpdate(snapshotAt(3), 1, QPointF(), {});
        clock.advance(20);
        QVERIFY(!manager.isTimingMonitorRunning());

        // Hidden and shown again before the first tick ran: still one loop.
        manager.setCanvasVisible(true);
        manager.scheduleComponentUpdate(snapshotAt(4), 1, QPointF(), {});
        manager.setCanvasVisible(false);
        manager.setCanvasVisible(true);
        manager.scheduleComponentUpdate(snapshotAt(5), 1, QPointF(), {});
        clock.runPending();
        QCOMPARE(clock.pendingCount(), 2); // one tick and one debounce
    }
};

TAVO_TEST_MAIN(TestCanvasThreading)
#include "tst_canvas_threading.moc"
