#include "canvas/CanvasThreadingManager.h"
#include "canvas/FrameDeliveryRule.h"

#include <QThreadPool>
#include <chrono>

namespace {
double steadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
}

CanvasThreadingManager::CanvasThreadingManager(QObject *parent)
    : QObject(parent)
    , m_runner([](std::function<void()> job) { QThreadPool::globalInstance()->start(std::move(job)); })
    , m_clock(steadySeconds)
{
}

CanvasThreadingManager::~CanvasThreadingManager()
{
    cleanup();
}

void CanvasThreadingManager::setBackgroundRunner(BackgroundRunner runner)
{
    m_runner = std::move(runner);
}

void CanvasThreadingManager::setComputationClock(ComputationClock clock)
{
    m_clock = std::move(clock);
}

void CanvasThreadingManager::scheduleComponentUpdate(const QList<ThreadSafeComponentData> &components, qreal scale,
                                                     const QPointF &offset, Completion completion)
{
    cancelPendingUpdate();
    noteActivity();
    m_updateDebouncer = Scheduler::instance().singleShot(debounceMs, this, [this, components, scale, offset, completion] {
        m_updateDebouncer = 0;
        processComponents(components, scale, offset, completion);
    });
}

void CanvasThreadingManager::cancelPendingUpdate()
{
    if (m_updateDebouncer) {
        Scheduler::instance().cancel(m_updateDebouncer);
        m_updateDebouncer = 0;
    }
}

CanvasThreadingManager::Frames CanvasThreadingManager::computeFrames(const QList<ThreadSafeComponentData> &components,
                                                                     qreal scale, const QPointF &offset)
{
    Frames frames;
    frames.reserve(components.size());
    for (const ThreadSafeComponentData &c : components) {
        frames.insert(c.id, QRectF(c.frame.x() * scale + offset.x(), c.frame.y() * scale + offset.y(), c.frame.width() * scale,
                                   c.frame.height() * scale));
    }
    return frames;
}

void CanvasThreadingManager::processComponents(const QList<ThreadSafeComponentData> &components, qreal scale,
                                               const QPointF &offset, Completion completion)
{
    const quint64 request = m_nextRequest++;
    QPointer<CanvasThreadingManager> self(this);
    // Only values cross to the pool: the snapshots, the viewport, the clock and the completion
    // (which runs back on the main thread).
    m_runner([self, request, components, scale, offset, completion = std::move(completion), clock = m_clock]() mutable {
        const double t0 = clock();
        Frames frames = computeFrames(components, scale, offset);
        const double elapsed = clock() - t0;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, request, elapsed, frames = std::move(frames), completion = std::move(completion)] {
                if (self)
                    self->deliverComputedFrames(request, elapsed, frames, completion);
            },
            Qt::QueuedConnection);
    });
}

void CanvasThreadingManager::deliverComputedFrames(quint64 request, double elapsed, const Frames &frames,
                                                   const Completion &completion)
{
    // Computations overlap on the pool and may finish out of order: a result older than one
    // already handed back would put stale rectangles over newer ones.
    if (request <= m_lastDeliveredRequest)
        return;
    m_lastDeliveredRequest = request;
    noteActivity();
    const FrameDeliveryRule::Outcome outcome = FrameDeliveryRule::deliver(elapsed, m_frameDropCounter);
    m_frameDropCounter = outcome.frameDropCounter;
    if (completion)
        completion(outcome.deliverFrames ? frames : Frames());
}

void CanvasThreadingManager::setCanvasVisible(bool visible)
{
    m_canvasVisible = visible;
    if (!visible && m_timingRunning) {
        stopTimingMonitor();
        // While the loop rests, the main thread is idle: timely ticks would have offset every
        // slow computation by now.
        m_frameDropCounter = 0;
    }
}

void CanvasThreadingManager::noteActivity()
{
    m_lastActivityMs = Scheduler::instance().monotonicMs();
    if (m_canvasVisible && !m_timingRunning)
        startTimingMonitor();
}

void CanvasThreadingManager::startTimingMonitor()
{
    m_timingRunning = true;
    const quint64 generation = ++m_timingGeneration;
    MainQueue::post(this, [this, generation] { timingTick(generation); });
}

void CanvasThreadingManager::stopTimingMonitor()
{
    if (m_timingTimer)
        Scheduler::instance().cancel(m_timingTimer);
    m_timingTimer = 0;
    m_timingRunning = false;
    ++m_timingGeneration; // a first tick still queued from the last start stays idle
}

void CanvasThreadingManager::timingTick(quint64 generation)
{
    if (!m_timingRunning || generation != m_timingGeneration)
        return;
    Scheduler &s = Scheduler::instance();
    const qint64 nowMs = s.monotonicMs();
    const double now = nowMs / 1000.0;
    m_frameDropCounter = FrameDeliveryRule::tick(now - m_lastUpdateTime, m_frameDropCounter);
    m_lastUpdateTime = now;
    if (!m_canvasVisible || nowMs - m_lastActivityMs >= idleAfterMs) {
        m_timingTimer = 0;
        stopTimingMonitor();
        m_frameDropCounter = 0;
        return;
    }
    m_timingTimer = s.singleShot(timingTickMs, this, [this, generation] { timingTick(generation); });
}

void CanvasThreadingManager::cleanup()
{
    cancelPendingUpdate();
    stopTimingMonitor();
}
