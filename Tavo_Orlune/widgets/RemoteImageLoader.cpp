#include "widgets/RemoteImageLoader.h"
#include "Platform/AppPaths.h"
#include "Platform/OutsideAddress.h"
#include "Platform/Scheduler.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>
#include <QNetworkAccessManager>
#include <QNetworkDiskCache>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStandardPaths>
#include <memory>

namespace {
constexpr qint64 kCacheBytes = 64 * 1024 * 1024;
constexpr int kMaxRedirects = 5;

// The picture in the body, or null when it is none, too large, or cannot be decoded.
QImage decoded(const QByteArray &body)
{
    if (body.isEmpty())
        return {};
    QBuffer buffer;
    buffer.setData(body);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > RemoteImageLoader::kMaxSide || size.height() > RemoteImageLoader::kMaxSide))
        return {};
    QImage image = reader.read();
    if (image.width() > RemoteImageLoader::kMaxSide || image.height() > RemoteImageLoader::kMaxSide)
        return {};
    return image;
}
} // namespace

RemoteImageLoader &RemoteImageLoader::shared()
{
    // Owned by the application object, so the network layer goes before Qt itself does.
    static QPointer<RemoteImageLoader> instance;
    if (!instance) {
        const QString dir = QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/images");
        instance = new RemoteImageLoader(dir, QCoreApplication::instance());
    }
    return *instance;
}

RemoteImageLoader::RemoteImageLoader(const QString &cacheDir, QObject *parent)
    : QObject(parent)
    , m_network(new QNetworkAccessManager(this))
    , m_cache(new QNetworkDiskCache(this))
{
    AppPaths::ensurePrivateDir(cacheDir);
    m_cache->setCacheDirectory(cacheDir);
    m_cache->setMaximumCacheSize(kCacheBytes);
    m_network->setCache(m_cache);
}

RemoteImageLoader::~RemoteImageLoader() = default;

void RemoteImageLoader::load(const QString &address, QObject *context, Done done)
{
    const QUrl url(address.trimmed(), QUrl::StrictMode);
    const bool webScheme = url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http");
    if (!url.isValid() || !webScheme || url.host().isEmpty() || !OutsideAddress::isAllowed(url)) {
        Scheduler::instance().nextTurn(context, [done = std::move(done)] { done(QImage()); });
        return;
    }

    // A picture once fetched is used whatever its age: logos hardly change, and the network
    // is asked only for what the cache lacks.
    if (std::unique_ptr<QIODevice> cached{m_cache->data(url)}) {
        const QImage image = decoded(cached->read(kMaxBytes + 1));
        if (!image.isNull()) {
            Scheduler::instance().nextTurn(context, [done = std::move(done), image] { done(image); });
            return;
        }
        m_cache->remove(url);
    }

    auto pending = m_pending.find(url);
    if (pending != m_pending.end()) {
        pending->append({context, std::move(done)});
        return;
    }
    m_pending.insert(url, {{context, std::move(done)}});

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    request.setTransferTimeout(int(kTimeoutMs));
    QNetworkReply *reply = m_network->get(request);
    ++m_requestCount;

    struct State {
        bool tooBig = false;
        bool timedOut = false;
    };
    auto state = std::make_shared<State>();
    // A redirect may not lead where a first address could not go.
    connect(reply, &QNetworkReply::redirected, reply, [reply](const QUrl &target) {
        if (OutsideAddress::isAllowed(target))
            Q_EMIT reply->redirectAllowed();
        else
            reply->abort();
    });
    auto checkSize = [reply, state](qint64 size) {
        if (size > kMaxBytes && !state->tooBig && !state->timedOut) {
            state->tooBig = true;
            reply->abort();
        }
    };
    connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, checkSize] {
        bool ok = false;
        const qint64 announced = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&ok);
        if (ok)
            checkSize(announced);
    });
    connect(reply, &QNetworkReply::downloadProgress, reply, [checkSize](qint64 received, qint64) { checkSize(received); });
    const Scheduler::TimerId deadline = Scheduler::instance().singleShot(kTimeoutMs, reply, [reply, state] {
        if (!state->tooBig) {
            state->timedOut = true;
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, url, state, deadline] {
        Scheduler::instance().cancel(deadline);
        reply->deleteLater();
        QImage image;
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (!state->tooBig && !state->timedOut && reply->error() == QNetworkReply::NoError && status >= 200 && status < 300)
            image = decoded(reply->readAll());
        // A failed answer must not stand in for the picture the next time.
        if (image.isNull())
            m_cache->remove(url);
        deliver(m_pending.take(url), image);
    });
}

void RemoteImageLoader::deliver(const QList<Waiter> &waiters, const QImage &image)
{
    for (const Waiter &waiter : waiters)
        if (waiter.context)
            waiter.done(image);
}
