#pragma once
#include "canvas/ThreadSafeComponentData.h"
#include "Platform/Scheduler.h"

#include <QCoreApplication>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QPointF>
#include <exception>
#include <functional>
#include <variant>

// Keeps work that needs no widget off the main thread.
//
// Frame computation: on a large canvas every viewport change asks for the exact view rectangle
// of every component. Requests less than 8 ms apart collapse into the last one; it is computed
// on the thread pool from value copies and handed back on the main thread. Each request is
// numbered, and a result older than one already handed back is dropped, so a slow computation
// can never re-apply stale rectangles over newer ones. A computation slower than one frame is
// withheld by FrameDeliveryRule; a 16 ms timing loop on the main thread offsets withheld ones
// while the main thread keeps up. The loop runs only while requests come and the canvas is
// shown: it stops a second after the last request (or at once when the canvas is hidden), so
// a still canvas costs no wake-ups.
//
// performInBackground runs an operation on the thread pool and returns its value or its error
// on the main thread.
//
// Everything but the computation runs on the main thread.
class CanvasThreadingManager : public QObject {
    Q_OBJECT
public:
    using Frames = QHash<QUuid, QRectF>;
    using Completion = std::function<void(const Frames &)>;
    // Runs a job off the main thread.
    using BackgroundRunner = std::function<void(std::function<void()>)>;
    // Seconds on a monotonic clock; called on the computing thread.
    using ComputationClock = std::function<double()>;

    static constexpr int debounceMs = 8;
    static constexpr int timingTickMs = 16;
    static constexpr int idleAfterMs = 1000;

    explicit CanvasThreadingManager(QObject *parent = nullptr);
    ~CanvasThreadingManager() override;

    // Debounced: only the last of a burst of requests is computed.
    void scheduleComponentUpdate(const QList<ThreadSafeComponentData> &components, qreal scale, const QPointF &offset,
                                 Completion completion);
    void processComponents(const QList<ThreadSafeComponentData> &components, qreal scale, const QPointF &offset,
                           Completion completion);
    // Drops a request still waiting for its debounce (a momentum scroll starts).
    void cancelPendingUpdate();
    bool hasPendingUpdate() const { return m_updateDebouncer != 0; }

    // The computation itself: view rectangle = offset + frame × scale per component; a later
    // equal id replaces an earlier one.
    static Frames computeFrames(const QList<ThreadSafeComponentData> &components, qreal scale, const QPointF &offset);

    template<class T>
    void performInBackground(std::function<T()> operation, std::function<void(std::variant<T, std::exception_ptr>)> completion)
    {
        QPointer<CanvasThreadingManager> self(this);
        m_runner([self, operation = std::move(operation), completion = std::move(completion)]() mutable {
            std::variant<T, std::exception_ptr> result;
            try {
                result = operation();
            } catch (...) {
                result = std::current_exception();
            }
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [self, completion = std::move(completion), result = std::move(result)]() mutable {
                    if (self)
                        completion(std::move(result));
                },
                Qt::QueuedConnection);
        });
    }

    // Shown or hidden canvas: the timing loop runs only while the canvas is shown.
    void setCanvasVisible(bool visible);
    bool isTimingMonitorRunning() const { return m_timingRunning; }
    int frameDropCounter() const { return m_frameDropCounter; }
    // Stops the timers; runs when the manager is destroyed.
    void cleanup();

    // Tests run the jobs themselves and script the computation's duration.
    void setBackgroundRunner(BackgroundRunner runner);
    void setComputationClock(ComputationClock clock);

private:
    void deliverComputedFrames(quint64 request, double elapsed, const Frames &frames, const Completion &completion);
    void noteActivity();
    void startTimingMonitor();
    void stopTimingMonitor();
    void timingTick(quint64 generation);

    BackgroundRunner m_runner;
    ComputationClock m_clock;
    Scheduler::TimerId m_updateDebouncer = 0;
    Scheduler::TimerId m_timingTimer = 0;
    bool m_timingRunning = false;
    quint64 m_timingGeneration = 0;
    bool m_canvasVisible = true;
    qint64 m_lastActivityMs = 0;
    double m_lastUpdateTime = -1.0e9; // the first tick is never a timely one
    int m_frameDropCounter = 0;
    quint64 m_nextRequest = 1;
    quint64 m_lastDeliveredRequest = 0;
};
