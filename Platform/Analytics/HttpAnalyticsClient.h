#pragma once
#include "Platform/Analytics/AnalyticsClient.h"
#include "Platform/Scheduler.h"

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

// The analytics client: queues events and posts them in the background, in batches, as JSON
// to <host>/events:
//   {"project_key": "...", "sent_at": "<ISO 8601>", "events": [
//     {"type": "capture"|"identify", "event": "...", "distinct_id": "...",
//      "uuid": "...", "timestamp": "<ISO 8601>", "properties": {...}}]}
// A batch is sent when flushAt events are waiting or flushIntervalMs after the first one; a
// failed batch (transport error, 408, 429 or 5xx) is retried with a growing delay, and
// dropped after maxAttempts or when the server refuses it (other 4xx). The queue is bounded:
// the oldest events go first. Lives on the thread that made it.
class HttpAnalyticsClient : public QObject, public AnalyticsClient {
    Q_OBJECT
public:
    struct Options {
        int flushAt = 20;
        qint64 flushIntervalMs = 10000;
        int maxBatch = 100;
        int maxQueue = 1000;
        int maxAttempts = 5;
        qint64 retryBaseMs = 2000;
        qint64 retryMaxMs = 60000;
        int requestTimeoutMs = 30000;
    };

    explicit HttpAnalyticsClient(QObject *parent = nullptr);
    HttpAnalyticsClient(const Options &options, QObject *parent = nullptr);
    ~HttpAnalyticsClient() override;

    void configure(const QString &projectKey, const QString &host) override;
    bool isConfigured() const override { return m_endpoint.isValid() && !m_projectKey.isEmpty(); }
    void capture(const QString &event, const QVariantMap &properties) override;
    void identify(const QString &distinctId) override;
    void reset() override;

    // Sends what is waiting now (the application calls it before it quits).
    void flush();
    int queuedCount() const { return int(m_queue.size()); }
    bool isSending() const { return !m_reply.isNull(); }
    QString distinctId() const { return m_distinctId; }

private:
    void enqueue(QJsonObject entry);
    void scheduleFlush(qint64 ms);
    void sendBatch();
    void finishBatch(QNetworkReply *reply);

    Options m_options;
    QString m_projectKey;
    QUrl m_endpoint;
    QString m_distinctId;
    QList<QJsonObject> m_queue;
    QList<QJsonObject> m_inFlight;
    QNetworkAccessManager *m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    Scheduler::TimerId m_timer = 0;
    int m_attempts = 0;
};
