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
    QMutexLocker lock(&m_mutex);
    const Token token = m_nextToken++;
    m_observers.push_back({token, name, context, std::make_shared<Callback>(std::move(callback))});
    if (!m_watchedContexts.contains(context)) {
        m_watchedContexts.append(context);
        // Direct connection: runs in the dying object's thread while it is still valid.
        connect(context, &QObject::destroyed, this, [this, context] { forgetContext(context); }, Qt::DirectConnection);
    }
    return token;
}

void NotificationCenter::removeObserver(Token token)
{
    QMutexLocker lock(&m_mutex);
    std::erase_if(m_observers, [token](const Observer &o) { return o.token == token; });
}

void NotificationCenter::removeObservers(QObject *context)
{
    QMutexLocker lock(&m_mutex);
    std::erase_if(m_observers, [context](const Observer &o) { return o.context == context || o.context.isNull(); });
}

void NotificationCenter::forgetContext(QObject *context)
{
    QMutexLocker lock(&m_mutex);
    m_watchedContexts.removeAll(context);
    std::erase_if(m_observers, [](const Observer &o) { return o.context.isNull(); });
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
    std::vector<Observer> targets;
    {
        QMutexLocker lock(&m_mutex);
        for (const auto &o : m_observers)
            if (o.name == name && !o.context.isNull())
                targets.push_back(o);
    }
    Q_EMIT posted(note);
    for (const auto &o : targets) {
        QObject *context = o.context.data();
        if (!context)
            continue;
        const Token token = o.token;
        auto stillRegistered = [this, token] {
            QMutexLocker lock(&m_mutex);
            for (const auto &x : m_observers)
                if (x.token == token)
                    return true;
            return false;
        };
        if (context->thread() == QThread::currentThread()) {
            // An earlier observer of the same post may have removed this one.
            if (stillRegistered())
                (*o.callback)(note);
        } else {
            auto cb = o.callback;
            QMetaObject::invokeMethod(context, [cb, note, stillRegistered] {
                if (stillRegistered())
                    (*cb)(note);
            }, Qt::QueuedConnection);
        }
    }
}
