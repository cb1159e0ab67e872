#pragma once
#include "Controller/mcp/MCPError.h"

#include <QFuture>
#include <QFutureWatcher>
#include <QMetaObject>
#include <QPointer>
#include <QThread>
#include <exception>
#include <functional>
#include <type_traits>

// Hands a tool runtime's answer to a caller on the caller's thread. QFuture::then(context, ...)
// looks at the context on the runtime's thread and then queues to it by raw pointer, while the
// caller's thread may delete it in between. Here a watcher owned by the context receives the
// answer: when the context goes, the watcher goes with it and nothing is delivered.
namespace FutureDelivery {

template <typename T>
struct ValueCallbackOf {
    using type = std::function<void(const T &)>;
};
template <>
struct ValueCallbackOf<void> {
    using type = std::function<void()>;
};
template <typename T>
using ValueCallback = typename ValueCallbackOf<T>::type;

// Calls onValue with the result, or onError with the failure's message, on context's thread,
// and neither once context has been deleted. Call it on context's thread.
template <typename T>
void deliver(QObject *context, QFuture<T> future, ValueCallback<T> onValue, std::function<void(const QString &)> onError = {})
{
    if (!context)
        return;
    if (context->thread() != QThread::currentThread()) {
        // Start over on the context's own thread; the queued call dies with the context.
        QMetaObject::invokeMethod(
            context, [context, future, onValue, onError] { deliver<T>(context, future, onValue, onError); },
            Qt::QueuedConnection);
        return;
    }
    auto *watcher = new QFutureWatcher<T>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, watcher, [watcher, onValue, onError] {
        watcher->deleteLater();
        QFuture<T> done = watcher->future();
        QString error;
        try {
            done.waitForFinished(); // rethrows the runtime's failure
            if constexpr (std::is_void_v<T>) {
                if (!done.isCanceled()) {
                    if (onValue)
                        onValue();
                    return;
                }
                error = QStringLiteral("The tool runtime gave no answer");
            } else {
                // Abandoned without an answer (the runtime shutting down).
                if (done.resultCount() > 0) {
                    const T value = done.result();
                    if (onValue)
                        onValue(value);
                    return;
                }
                error = QStringLiteral("The tool runtime gave no answer");
            }
        } catch (const MCPError &e) {
            error = e.message();
        } catch (const std::exception &e) {
            error = QString::fromUtf8(e.what());
        } catch (...) {
            error = QStringLiteral("Unknown error");
        }
        if (onError)
            onError(error);
    });
    watcher->setFuture(future);
}

}
