#pragma once
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <functional>
#include <vector>

struct Notification {
    QString name;
    QVariant object;      // usually null; some notifications carry a value here (a prompt text)
    QVariantMap userInfo; // values keep their types: a QUuid stays a QUuid
};

// Process-wide publish/subscribe by name. Delivery is synchronous when posted on the
// observer's own thread and queued to the observer's thread otherwise. Observers are tied
// to a context object and vanish with it.
class NotificationCenter : public QObject {
    Q_OBJECT
public:
    using Callback = std::function<void(const Notification &)>;
    using Token = quint64;

    static NotificationCenter &defaultCenter();

    Token addObserver(const QString &name, QObject *context, Callback callback);
    void removeObserver(Token token);
    void removeObservers(QObject *context);
    void post(const QString &name, const QVariant &object = {}, const QVariantMap &userInfo = {});
    int observerCount(const QString &name) const;

Q_SIGNALS:
    // Emitted for every post, on the posting thread; tests use it to record traffic.
    void posted(const Notification &notification);

private:
    struct Observer {
        Token token;
        QString name;
        QPointer<QObject> context;
        std::shared_ptr<Callback> callback;
        // Ours, in the context's thread, alive while the entry is: posts from other threads
        // are queued to it, never to the context, which that thread may delete at any time.
        QObject *relay = nullptr;
    };
    void forgetContext(QObject *context);
    bool isRegistered(Token token) const;
    template <typename Pred>
    void eraseObservers(Pred pred);

    mutable QMutex m_mutex;
    std::vector<Observer> m_observers;
    QList<QObject *> m_watchedContexts;
    Token m_nextToken = 1;
};

Q_DECLARE_METATYPE(Notification)
