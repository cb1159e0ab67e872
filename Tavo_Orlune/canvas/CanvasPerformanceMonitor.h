#pragma once
#include "Platform/Scheduler.h"

#include <QList>
#include <QObject>
#include <functional>

// How fast the canvas renders zoom steps, for diagnostics: the canvas view records every
// rendered step, the figures are published as properties, and nothing in the canvas depends
// on them. The 1 s metrics timer runs only while frames come: it stops after a tick with no
// frame recorded since the one before, and while the canvas is hidden (the figures would not
// change), so a still canvas costs no wake-ups.
class CanvasPerformanceMonitor : public QObject {
    Q_OBJECT
    Q_PROPERTY(double currentFPS READ currentFPS NOTIFY metricsChanged)
    Q_PROPERTY(double averageFPS READ averageFPS NOTIFY metricsChanged)
    Q_PROPERTY(int frameDropCount READ frameDropCount NOTIFY metricsChanged)
    Q_PROPERTY(double backgroundQueueUtilization READ backgroundQueueUtilization NOTIFY metricsChanged)
    Q_PROPERTY(double mainThreadUtilization READ mainThreadUtilization NOTIFY metricsChanged)
public:
    // Seconds on a monotonic clock.
    using Clock = std::function<double()>;

    static constexpr int maxFrameHistory = 60;
    static constexpr double targetFPS = 60.0;
    static constexpr double warningFPSThreshold = 45.0;
    static constexpr double criticalFPSThreshold = 30.0;
    static constexpr int metricsIntervalMs = 1000;

    explicit CanvasPerformanceMonitor(QObject *parent = nullptr);
    ~CanvasPerformanceMonitor() override;

    // One rendered canvas frame.
    void recordFrame();
    // The timer's tick.
    void updateMetrics();
    void stopMonitoring();
    void setCanvasVisible(bool visible);
    bool isTimerRunning() const { return m_performanceTimer != 0; }

    double currentFPS() const { return m_currentFPS; }
    double averageFPS() const { return m_averageFPS; }
    int frameDropCount() const { return m_frameDropCount; }
    double backgroundQueueUtilization() const { return m_backgroundQueueUtilization; }
    double mainThreadUtilization() const { return m_mainThreadUtilization; }
    const QList<double> &frameTimestamps() const { return m_frameTimestamps; }
    double lastFrameTime() const { return m_lastFrameTime; }

    // Tests script the frame times.
    void setClock(Clock clock) { m_clock = std::move(clock); }

Q_SIGNALS:
    void metricsChanged();

private:
    void updateAverageFPS();
    void startTimer();
    void timerTick();

    Clock m_clock;
    double m_currentFPS = 60.0;
    double m_averageFPS = 60.0;
    int m_frameDropCount = 0;
    double m_backgroundQueueUtilization = 0.0;
    double m_mainThreadUtilization = 0.0;
    QList<double> m_frameTimestamps;
    double m_lastFrameTime = 0;
    Scheduler::TimerId m_performanceTimer = 0;
    bool m_framesSinceTick = false;
    bool m_canvasVisible = true;
    int m_backgroundTaskCount = 0;
    int m_completedBackgroundTasks = 0;
    int m_mainThreadBlockingEvents = 0;
};
