#include "Platform/Analytics/HttpAnalyticsClient.h"
#include "Platform/Log.h"
#include "Platform/UuidText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include "Platform/OutsideAddress.h"
#include <algorithm>

namespace {
constexpr qint64 kMaxReplyBytes = 64 * 1024;
}

namespace {
QString isoNow()
{
    return Scheduler::instance().now().toString(Qt::ISODateWithMs);
}
}

HttpAnalyticsClient::HttpAnalyticsClient(QObject *parent)
    : HttpAnalyticsClient(Options{}, parent)
{
}

HttpAnalyticsClient::HttpAnalyticsClient(const Options &options, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_distinctId(UuidText::newText())
    , m_network(new QNetworkAccessManager(this))
{
}

HttpAnalyticsClient::~HttpAnalyticsClient()
{
    if (m_reply)
        m_reply->abort();
}

void HttpAnalyticsClient::configure(const QString &projectKey, const QString &host)
{
    QString text = host.trimmed();
    if (!text.isEmpty() && !text.contains(QStringLiteral("://")))
        text.prepend(QStringLiteral("https://"));
    while (text.endsWith(u'/'))
        text.chop(1);
    const QUrl endpoint(text + QStringLiteral("/events"), QUrl::StrictMode);
    const bool usable = OutsideAddress::check(endpoint, QStringLiteral("analytics"));
    if (!usable || projectKey.isEmpty()) {
        m_endpoint = QUrl();
        m_projectKey.clear();
        Log::line(QStringLiteral("⚠️ [AnalyticsClient] Unusable host or project key; events are dropped"));
        return;
    }
    m_projectKey = projectKey;
    m_endpoint = endpoint;
}

void HttpAnalyticsClient::capture(const QString &event, const QVariantMap &properties)
{
    if (!isConfigured())
        return;
    QJsonObject entry;
    entry.insert(QStringLiteral("type"), QStringLiteral("capture"));
    entry.insert(QStringLiteral("event"), event);
    entry.insert(QStringLiteral("properties"), QJsonObject::fromVariantMap(properties));
    enqueue(std::move(entry));
}

void HttpAnalyticsClient::identify(const QString &distinctId)
{
    m_distinctId = distinctId;
    if (!isConfigured())
        return;
    QJsonObject entry;
    entry.insert(QStringLiteral("type"), QStringLiteral("identify"));
    entry.insert(QStringLiteral("properties"), QJsonObject());
    enqueue(std::move(entry));
}

void HttpAnalyticsClient::reset()
{
    // Events already queued keep the id they were captured under.
    m_distinctId = UuidText::newText();
}

void HttpAnalyticsClient::flush()
{
    scheduleFlush(0);
}

void HttpAnalyticsClient::enqueue(QJsonObject entry)
{
    entry.insert(QStringLiteral("distinct_id"), m_distinctId);
    entry.insert(QStringLiteral("uuid"), UuidText::newText());
    entry.insert(QStringLiteral("timestamp"), isoNow());
    m_queue.append(std::move(entry));
    while (m_queue.size() > m_options.maxQueue)
        m_queue.removeFirst();
    if (m_queue.size() >= m_options.flushAt && m_attempts == 0) // a retry keeps its delay
        scheduleFlush(0);
    else if (!m_timer)
        scheduleFlush(m_options.flushIntervalMs);
}

void HttpAnalyticsClient::scheduleFlush(qint64 ms)
{
    if (m_reply)
        return; // the reply's end schedules the next batch
    if (m_timer) {
        if (ms > 0)
            return;
        Scheduler::instance().cancel(m_timer);
    }
    m_timer = Scheduler::instance().singleShot(ms, this, [this] {
        m_timer = 0;
        sendBatch();
    });
}

void HttpAnalyticsClient::sendBatch()
{
    if (m_reply || m_queue.isEmpty() || !isConfigured())
        return;
    const int n = std::min<int>(m_options.maxBatch, int(m_queue.size()));
    m_inFlight = m_queue.mid(0, n);
    m_queue.remove(0, n);

    QJsonArray events;
    for (const auto &e : std::as_const(m_inFlight))
        events.append(e);
    QJsonObject body;
    body.insert(QStringLiteral("project_key"), m_projectKey);
    body.insert(QStringLiteral("sent_at"), isoNow());
    body.insert(QStringLiteral("events"), events);

    QNetworkRequest request(m_endpoint);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    request.setTransferTimeout(m_options.requestTimeoutMs);
    // The body carries the project key.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    m_reply = m_network->post(request, QJsonDocument(body).toJson(QJsonDocument::Compact));
    QNetworkReply *reply = m_reply;
    // Only the status is read; a long body is not waited for.
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > kMaxReplyBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finishBatch(reply); });
}

void HttpAnalyticsClient::finishBatch(QNetworkReply *reply)
{
    reply->deleteLater();
    m_reply = nullptr;
    const QVariant statusValue = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const int status = statusValue.isValid() ? statusValue.toInt() : 0;
    const bool sent = status >= 200 && status < 300;
    const bool retryable = status == 0 || status == 408 || status == 429 || status >= 500;

    if (sent || !retryable) {
        if (!sent)
            Log::line(QStringLiteral("⚠️ [AnalyticsClient] Batch of %1 events refused with status %2; dropped")
                          .arg(m_inFlight.size()).arg(status));
        m_inFlight.clear();
        m_attempts = 0;
        if (!m_queue.isEmpty())
            scheduleFlush(m_queue.size() >= m_options.flushAt ? 0 : m_options.flushIntervalMs);
        return;
    }

    ++m_attempts;
    if (m_attempts >= m_options.maxAttempts) {
        Log::line(QStringLiteral("⚠️ [AnalyticsClient] Batch of %1 events dropped after %2 attempts")
                      .arg(m_inFlight.size()).arg(m_attempts));
        m_inFlight.clear();
        m_attempts = 0;
        if (!m_queue.isEmpty())
            scheduleFlush(m_options.flushIntervalMs);
        return;
    }
    // Put the batch back in front, keeping the newest events when the queue is full.
    m_queue = m_inFlight + m_queue;
    m_inFlight.clear();
    while (m_queue.size() > m_options.maxQueue)
        m_queue.removeFirst();
    const qint64 delay = std::min(m_options.retryMaxMs, m_options.retryBaseMs << std::min(m_attempts - 1, 20));
    scheduleFlush(delay);
}
