#pragma once
#include "Controller/mcp/McpResult.h"

#include <QFuture>
#include <QObject>
#include <QPromise>
#include <QThread>
#include <memory>

class ManagedProcess;

// The one worker thread of the tool runtime. MCPClientManager, ToolRepository, every MCP
// client and every child process they start live on it, so their tables are only ever touched
// there (one at a time, like an actor). Public operations post their work here and answer with
// a QFuture; a caller attaches its continuation with future.then(context, ...) and
// future.onFailed(context, ...) to have the answer delivered on the context's thread (the
// main thread for the user interface). Failures arrive as MCPError.
class ToolRuntime {
public:
    static ToolRuntime &instance();

    QThread *thread() const { return m_thread; }
    // A long-lived object on the runtime's thread: the context of its timers and observers.
    QObject *context() const { return m_context; }
    bool isCurrentThread() const { return QThread::currentThread() == m_thread; }
    // Runs fn on the runtime's thread: at once when called there, else on its next turn.
    void post(std::function<void()> fn);

    // Child processes started by the runtime; all of them are stopped at quit.
    void track(ManagedProcess *process);
    // Stops every tracked process (SIGINT, SIGTERM, SIGKILL with short bounds), then the
    // thread. Runs at application quit; safe to call more than once.
    void shutdown();

private:
    ToolRuntime();
    QThread *m_thread;
    QObject *m_context;
    bool m_shutDown = false;
};

// Runs op on the runtime's thread and answers through a future.
template <typename T>
QFuture<T> runOnToolRuntime(std::function<void(McpCallback<T>)> op)
{
    auto promise = std::make_shared<QPromise<T>>();
    promise->start();
    QFuture<T> future = promise->future();
    ToolRuntime::instance().post([promise, op = std::move(op)] {
        auto done = std::make_shared<bool>(false);
        op([promise, done](McpResult<T> r) {
            if (*done)
                return;
            *done = true;
            if (!r.ok()) {
                promise->setException(std::make_exception_ptr(r.error()));
            } else {
                if constexpr (!std::is_void_v<T>)
                    promise->addResult(r.value());
            }
            promise->finish();
        });
    });
    return future;
}
