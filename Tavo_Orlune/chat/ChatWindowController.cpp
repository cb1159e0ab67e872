#include "chat/ChatWindowController.h"
#include "chat/EmbeddedChatView.h"
#include "Platform/NotificationCenter.h"
#include "Platform/Scheduler.h"
#include "model/TaskData.h"
#include "chat/ChatCoordinator.h"

#include <QEvent>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace {
constexpr int kFrameMs = 16;
constexpr QSize kWindowSize(376, 640);
}

ChatWindowController::ChatWindowController(ChatCoordinator *mainViewModel, TaskData *task, const QString &caller,
                                           std::function<void()> onAddTask, std::function<void()> onCollapsePanel, QObject *parent)
    : QObject(parent)
    , m_task(task)
    , m_onAddTask(std::move(onAddTask))
    , m_onCollapsePanel(std::move(onCollapsePanel))
    , m_mainViewModel(mainViewModel)
    , m_caller(caller)
{
}

ChatWindowController::~ChatWindowController()
{
    if (!m_window)
        return;
    m_window->removeEventFilter(this);
    // A closing fade finishes on its own and deletes the window at its end.
    if (!m_isAnimatingOut)
        delete m_window;
}

void ChatWindowController::buildWindow()
{
    auto *window = new QWidget(nullptr, Qt::Window);
    window->setWindowTitle(QStringLiteral("Chat"));
    window->resize(kWindowSize);
    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    m_hostingView = new EmbeddedChatView(m_mainViewModel, m_task, m_caller, m_onAddTask, m_onCollapsePanel, window);
    layout->addWidget(m_hostingView);
    window->installEventFilter(this);
    m_window = window;
}

void ChatWindowController::showWindow()
{
    if (!m_window)
        buildWindow();
    m_isAnimatingOut = false;
    m_window->setWindowOpacity(0.0);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    fade(1.0, fadeInMs, true, nullptr);
}

void ChatWindowController::close()
{
    if (m_isAnimatingOut)
        return;
    m_isAnimatingOut = true;
    if (!m_window) {
        m_isAnimatingOut = false;
        return;
    }
    QPointer<ChatWindowController> self(this);
    QPointer<QWidget> window = m_window;
    fade(0.0, fadeOutMs, false, [self, window] {
        // Ordered out, not closed: no close event follows.
        if (window)
            window->hide();
        if (self)
            self->m_isAnimatingOut = false;
        else if (window)
            window->deleteLater();
        NotificationCenter::defaultCenter().post(willCloseNotification);
    });
}

void ChatWindowController::fade(qreal to, int durationMs, bool easeOut, std::function<void()> done)
{
    QWidget *window = m_window;
    const quint64 id = ++m_fadeId;
    // A newer fade of this controller supersedes the running one.
    window->setProperty("tavoChatFade", QVariant::fromValue(id));
    const qreal from = window->windowOpacity();
    Scheduler &s = Scheduler::instance();
    const qint64 start = s.monotonicMs();
    QPointer<QWidget> w = window;
    const auto stillCurrent = [w, id] { return w && w->property("tavoChatFade").toULongLong() == id; };
    const quint64 ticker = s.repeating(kFrameMs, window, [w, stillCurrent, from, to, start, durationMs, easeOut] {
        if (!stillCurrent())
            return;
        const qreal p = std::clamp(qreal(Scheduler::instance().monotonicMs() - start) / durationMs, 0.0, 1.0);
        const qreal eased = easeOut ? 1 - (1 - p) * (1 - p) : p * p;
        w->setWindowOpacity(from + (to - from) * eased);
    });
    s.singleShot(durationMs, window, [w, stillCurrent, ticker, to, done = std::move(done)] {
        Scheduler::instance().cancel(ticker);
        if (!stillCurrent())
            return;
        w->setWindowOpacity(to);
        if (done)
            done();
    });
}

bool ChatWindowController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window) {
        if (event->type() == QEvent::Close)
            windowWillClose();
        else if (event->type() == QEvent::WindowActivate)
            windowDidBecomeKey();
    }
    return QObject::eventFilter(watched, event);
}

void ChatWindowController::windowWillClose()
{
    if (!m_isAnimatingOut)
        NotificationCenter::defaultCenter().post(willCloseNotification);
}

void ChatWindowController::windowDidBecomeKey()
{
    // Above ordinary windows and on every desktop, as a floating panel.
    QWindow *handle = m_window ? m_window->windowHandle() : nullptr;
    if (handle && !(handle->flags() & Qt::WindowStaysOnTopHint))
        handle->setFlags(handle->flags() | Qt::WindowStaysOnTopHint);
}
