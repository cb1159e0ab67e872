#include "canvas/CanvasPerformanceMonitor.h"

#include <algorithm>
#include <chrono>

CanvasPerformanceMonitor::CanvasPerformanceMonitor(QObject *parent)
    : QObject(parent)
    , m_clock([] { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); })
{
}

CanvasPerformanceMonitor::~CanvasPerformanceMonitor()
{
    stopMonitoring();
}

void CanvasPerformanceMonitor::recordFrame()
{
    const double now = m_clock();
    if (m_lastFrameTime > 0) {
        const double fps = 1.0 / (now - m_lastFrameTime);
        m_currentFPS = fps;
        if (m_frameTimestamps.size() >= maxFrameHistory)
            m_frameTimestamps.removeFirst();
        m_frameTimestamps.append(now);
        updateAverageFPS();
        if (fps < warningFPSThreshold)
            ++m_frameDropCount;
        Q_EMIT metricsChanged();
    }
    m_lastFrameTime = now;
    m_framesSinceTick = true;
    if (m_canvasVisible && !m_performanceTimer)
        startTimer();
}

void CanvasPerformanceMonitor::updateAverageFPS()
{
    const qsizetype n = m_frameTimestamps.size();
    if (n < 2)
        return;
    const double span = m_frameTimestamps.last() - m_frameTimestamps.first();
    if (span > 0)
        m_averageFPS = double(n - 1) / span;
}

void CanvasPerformanceMonitor::updateMetrics()
{
    const double fromRate = std::max(0.0, 1.0 - m_currentFPS / targetFPS);
    const double fromBlocking = std::min(m_mainThreadBlockingEvents / 10.0, 1.0);
    m_mainThreadUtilization = std::max(fromRate, fromBlocking);
    if (m_completedBackgroundTasks > 100) {
        m_backgroundTaskCount = std::max(0, m_backgroundTaskCount - m_completedBackgroundTasks);
        m_completedBackgroundTasks = 0;
    }
    if (m_mainThreadBlockingEvents > 20)
        m_mainThreadBlockingEvents -= 10;
    Q_EMIT metricsChanged();
}

void CanvasPerformanceMonitor::startTimer()
{
    m_performanceTimer = Scheduler::instance().repeating(metricsIntervalMs, this, [this] { timerTick(); });
}

void CanvasPerformanceMonitor::timerTick()
{
    updateMetrics();
    // Without new frames every further tick would compute the same figures.
    if (!m_framesSinceTick)
        stopMonitoring();
    m_framesSinceTick = false;
}

void CanvasPerformanceMonitor::setCanvasVisible(bool visible)
{
    m_canvasVisible = visible;
    if (!visible && m_performanceTimer) {
        // The figures of the frames since the last tick are brought up to date first.
        updateMetrics();
        stopMonitoring();
    }
}

void CanvasPerformanceMonitor::stopMonitoring()
{
    if (m_performanceTimer)
        Scheduler::instance().cancel(m_performanceTimer);
    m_performanceTimer = 0;
}
