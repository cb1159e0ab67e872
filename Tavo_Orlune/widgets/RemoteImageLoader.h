#pragma once
#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <functional>

class QNetworkAccessManager;
class QNetworkDiskCache;

// Pictures from the network (app logos, the user's picture): fetched over https, or plain http
// to a loopback host only, through one disk cache shared by every screen. A cached picture is
// used whatever its age; the network is asked only when nothing is cached. Every fetch has a
// deadline and a size cap, and the answer is the decoded picture or, on any failure (bad
// address, transport error, time-out, error status, a body that is not a picture), a null
// image: the caller shows its placeholder. Concurrent loads of one address share one request.
//
// Main thread only. The answer always comes on a later turn, never inside load(), and never
// after the context object is gone.
class RemoteImageLoader : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kTimeoutMs = 10000;
    static constexpr qint64 kMaxBytes = 4 * 1024 * 1024;
    // Larger pictures are refused before they are decoded.
    static constexpr int kMaxSide = 4096;

    using Done = std::function<void(const QImage &image)>;

    // The application's loader, its cache in the user's cache folder.
    static RemoteImageLoader &shared();
    explicit RemoteImageLoader(const QString &cacheDir, QObject *parent = nullptr);
    ~RemoteImageLoader() override;

    void load(const QString &address, QObject *context, Done done);

    // Requests handed to the network layer so far (a load that joins a running one, or that
    // fails before any request, counts none).
    int requestCount() const { return m_requestCount; }

private:
    struct Waiter {
        QPointer<QObject> context;
        Done done;
    };
    static void deliver(const QList<Waiter> &waiters, const QImage &image);

    QNetworkAccessManager *m_network;
    QNetworkDiskCache *m_cache;
    QHash<QUrl, QList<Waiter>> m_pending;
    int m_requestCount = 0;
};
