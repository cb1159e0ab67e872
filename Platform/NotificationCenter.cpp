#include "Platform/NotificationCenter.h"

#include <QMetaObject>
#include <QThread>

NotificationCenter &NotificationCenter::defaultCenter()
{
    static NotificationCenter *center = [] {
        qRegisterMetaType<Notification>();
        return new NotificationCenter;
    }();
    return *center;
}

NotificationCenter::Token NotificationCenter::addObserver(const QString &name, QObject *context, Callback callback)
{
    Q_ASSERT(context);
    auto *relay = new QObject;
    if (relay->thread() != context->thread())
        relay->moveToThread(context->thread());
    QMutexLocker lock(&m_mutex);
    const Token token = m_nextToken++;
    m_observers.push_back({token, name, context, std::make_shared<Callback>(std::move(callback)), relay});
    if (!m_watchedContexts.contains(context)) {
        m_watchedContexts.append(context);
        // Direct connection: runs in the dying object's thread while it is still valid.
        connect(context, &QObject::destroyed, this, [this, context] { forgetContext(context); }, Qt::DirectConnection);
    }
    return token;
}

template <typename Pred>
void NotificationCenter::eraseObservers(Pred pred)
{
    // Called with m_mutex held. A relay goes on its own thread's next turn, after whatever
    // was already queued to it (which finds its entry gone and does nothing).
    std::erase_if(m_observers, [&pred](const Observer &o) {
        if (!pred(o))
            return false;
        if (o.relay)
            o.relay->deleteLater();
        return true;
    });
}

void NotificationCenter::removeObserver(Token token)
{
    QMutexLocker lock(&m_mutex);
    eraseObservers([token](const Observer &o) { return o.token == token; });
}

void NotificationCenter::removeObservers(QObject *context)
{
    QMutexLocker lock(&m_mutex);
    eraseObservers([context](const Observer &o) { return o.context == context || o.context.isNull(); });
}

void NotificationCenter::forgetContext(QObject *context)
{
    QMutexLocker lock(&m_mutex);
    m_watchedContexts.removeAll(context);
    eraseObservers([](const Observer &o) { return o.context.isNull(); });
    // QPointer is already cleared while destroyed() runs, so the erase above removes this context's entries.
}

int NotificationCenter::observerCount(const QString &name) const
{
    QMutexLocker lock(&m_mutex);
    int n = 0;
    for (const auto &o : m_observers)
        if (o.name == name && !o.context.isNull())
            ++n;
    return n;
}

void NotificationCenter::post(const QString &name, const QVariant &object, const QVariantMap &userInfo)
{
    const Notification note{name, object, userInfo};
    QThread *const here = QThread::currentThread();
    std::vector<Observer> local;
    {
        QMutexLocker lock(&m_mutex);
        for (const auto &o : m_observers) {
            if (o.name != name)
                continue;
            if (o.relay->thread() == here) {
                local.push_back(o);
                continue;
            }
            // Another thread's observer: its context is checked there, on its own thread, and
            // the event goes to our relay, which cannot be deleted while the lock is held.
            const Token token = o.token;
            auto deliver = [this, token, guard = o.context, cb = o.callback, note] {
                if (guard && isRegistered(token))
                    (*cb)(note);
            };
            QMetaObject::invokeMethod(o.relay, std::move(deliver), Qt::QueuedConnection);
        }
    }
    Q_EMIT posted(note);
    for (const auto &o : local) {
        // An earlier observer of the same post may have removed this one or its context.
        if (o.context && isRegistered(o.token))
            (*o.callback)(note);
    }
}

bool NotificationCenter::isRegistered(Token token) const
{
    QMutexLocker lock(&m_mutex);
    for (const auto &x : m_observers)
        if (x.token == token)
            return true;
    return false;
}
