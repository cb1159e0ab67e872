#include "widgets/BaseWindowManager.h"
#include "Platform/Scheduler.h"

namespace {
constexpr qint64 kFrameMs = 16;
}

BaseWindowManager::BaseWindowManager(QObject *parent)
    : QObject(parent)
{
}

BaseWindowManager::~BaseWindowManager()
{
    BaseWindowManager::cleanup();
}

void BaseWindowManager::setWindow(QWidget *window)
{
    if (m_window == window)
        return;
    if (m_window)
        m_window->deleteLater();
    m_window = window;
}

void BaseWindowManager::show()
{
    if (m_isAnimating) {
        m_pendingVisibilityState = true;
        return;
    }
    if (!m_window || m_window->isVisible())
        return;
    m_isAnimating = true;
    m_window->setWindowOpacity(0.0);
    m_window->show();
    m_window->raise();
    positionWindow();
    runFade(1.0, [this] { finishFade(); });
}

void BaseWindowManager::hide()
{
    if (m_isAnimating) {
        m_pendingVisibilityState = false;
        return;
    }
    if (!m_window || !m_window->isVisible())
        return;
    m_isAnimating = true;
    QPointer<QWidget> startedFor = m_window;
    runFade(0.0, [this, startedFor] {
        if (startedFor && startedFor == m_window)
            startedFor->hide();
        finishFade();
    });
}

void BaseWindowManager::positionWindow()
{
}

void BaseWindowManager::cleanup()
{
    if (m_window) {
        QPointer<QWidget> w = m_window;
        // Content first, then the (virtual) hide, then the window itself.
        const auto children = w->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        for (QWidget *child : children)
            child->deleteLater();
        hide();
        if (w) {
            w->hide();
            w->deleteLater();
        }
    }
    m_window = nullptr;
    m_pendingVisibilityState.reset();
    m_isAnimating = false;
    // A fade still under way belongs to the old window: it must not touch what comes next.
    ++m_fadeId;
    stopFadeTicker();
}

void BaseWindowManager::stopFadeTicker()
{
    Scheduler &s = Scheduler::instance();
    if (m_ticker)
        s.cancel(m_ticker);
    if (m_doneTimer)
        s.cancel(m_doneTimer);
    m_ticker = m_doneTimer = 0;
}

void BaseWindowManager::runFade(qreal to, std::function<void()> done)
{
    stopFadeTicker();
    const quint64 id = ++m_fadeId;
    QPointer<QWidget> w = m_window;
    const qreal from = w ? w->windowOpacity() : 0.0;
    Scheduler &s = Scheduler::instance();
    const qint64 start = s.monotonicMs();
    m_ticker = s.repeating(kFrameMs, this, [this, id, w, from, to, start] {
        if (id != m_fadeId || !w)
            return;
        const qreal p = std::clamp(qreal(Scheduler::instance().monotonicMs() - start) / fadeDurationMs, 0.0, 1.0);
        // Ease in and out, as the platform's default timing.
        const qreal eased = p < 0.5 ? 2 * p * p : 1 - 2 * (1 - p) * (1 - p);
        w->setWindowOpacity(from + (to - from) * eased);
    });
    m_doneTimer = s.singleShot(fadeDurationMs, this, [this, id, w, to, done = std::move(done)] {
        if (id != m_fadeId)
            return;
        stopFadeTicker();
        if (w)
            w->setWindowOpacity(to);
        if (done)
            done();
    });
}

void BaseWindowManager::finishFade()
{
    m_isAnimating = false;
    if (const auto pending = m_pendingVisibilityState) {
        m_pendingVisibilityState.reset();
        if (*pending)
            show();
        else
            hide();
    }
}
