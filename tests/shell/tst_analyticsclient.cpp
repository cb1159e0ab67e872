#include "FakeScheduler.h"
#include "Platform/Analytics/HttpAnalyticsClient.h"
#include "Platform/Log.h"
#include "StandinHttpServer.h"
#include "TestMain.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
QString S(const char *text)
{
    return QString::fromUtf8(text);
}
void quiet(const QString &) {}

QJsonObject bodyOf(const StandinHttpServer::Request &r)
{
    return QJsonDocument::fromJson(r.body).object();
}
QStringList eventNames(const StandinHttpServer::Request &r)
{
    QStringList names;
    for (const auto &e : bodyOf(r).value(S("events")).toArray())
        names << e.toObject().value(S("event")).toString();
    return names;
}
}

// The analytics client against a stand-in host: batching, retry, and silence while unconfigured.
class AnalyticsClientTest : public QObject {
    Q_OBJECT
    StandinHttpServer *m_server = nullptr;
    std::unique_ptr<FakeScheduler> m_clock;

    HttpAnalyticsClient::Options options()
    {
        HttpAnalyticsClient::Options o;
        o.flushAt = 3;
        o.flushIntervalMs = 5000;
        o.maxAttempts = 3;
        o.retryBaseMs = 1000;
        return o;
    }

private Q_SLOTS:
    void initTestCase() { Log::setSink(quiet); }
    void init()
    {
        m_clock = std::make_unique<FakeScheduler>();
        m_server = new StandinHttpServer(this);
        QVERIFY(m_server->start());
        m_server->on("POST", S("/events"), StandinHttpServer::Reply{200, "{}"});
    }
    void cleanup()
    {
        delete m_server;
        m_clock.reset();
    }

    void dropsEverythingWhileUnconfigured()
    {
        HttpAnalyticsClient client(options());
        client.capture(S("a"), {});
        client.identify(S("u1"));
        client.reset();
        client.configure(S("key"), S("not a host ::"));
        QVERIFY(!client.isConfigured());
        client.capture(S("b"), {});
        QCOMPARE(client.queuedCount(), 0);
        m_clock->advance(60000);
        QTest::qWait(50);
        QVERIFY(m_server->requests().isEmpty());
    }

    void postsEventsInBatches()
    {
        HttpAnalyticsClient client(options());
        client.configure(S("key-1"), m_server->baseUrl().toString() + u'/');
        QVERIFY(client.isConfigured());
        client.identify(S("user-7"));
        client.capture(S("app_launched"), {{S("app_version"), S("1.0.0")}, {S("timestamp"), 1.5}});
        // Fewer than three events wait for the interval.
        m_clock->advance(4999);
        QTest::qWait(20);
        QVERIFY(m_server->requests().isEmpty());
        m_clock->advance(1);
        QTRY_COMPARE(m_server->requests().size(), 1);
        const auto request = m_server->requests().first();
        QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
        const QJsonObject body = bodyOf(request);
        QCOMPARE(body.value(S("project_key")).toString(), S("key-1"));
        const QJsonArray events = body.value(S("events")).toArray();
        QCOMPARE(events.size(), 2);
        QCOMPARE(events[0].toObject().value(S("type")).toString(), S("identify"));
        const QJsonObject launched = events[1].toObject();
        QCOMPARE(launched.value(S("event")).toString(), S("app_launched"));
        QCOMPARE(launched.value(S("distinct_id")).toString(), S("user-7"));
        QCOMPARE(launched.value(S("properties")).toObject().value(S("app_version")).toString(), S("1.0.0"));
        QCOMPARE(launched.value(S("properties")).toObject().value(S("timestamp")).toDouble(), 1.5);

        // Three waiting events go at once; after a reset the user is anonymous again. (Once the
        // first batch's answer is in: a batch waits for the one in flight.)
        QTRY_VERIFY(!client.isSending());
        client.reset();
        QVERIFY(client.distinctId() != S("user-7"));
        for (const char *name : {"a", "b", "c"})
            client.capture(S(name), {});
        m_clock->runPending();
        QTRY_COMPARE(m_server->requests().size(), 2);
        QCOMPARE(eventNames(m_server->requests().at(1)), (QStringList{S("a"), S("b"), S("c")}));
        QVERIFY(bodyOf(m_server->requests().at(1)).value(S("events")).toArray()[0].toObject().value(S("distinct_id")).toString() != S("user-7"));
        QTRY_COMPARE(client.queuedCount(), 0);
    }

    void retriesServerFailuresAndDropsRefusals()
    {
        int calls = 0;
        m_server->on("POST", S("/events"), [&](const StandinHttpServer::Request &) {
            ++calls;
            return StandinHttpServer::Reply{calls == 1 ? 503 : 200, "{}"};
        });
        HttpAnalyticsClient client(options());
        client.configure(S("key"), m_server->baseUrl().toString());
        client.capture(S("first"), {});
        client.flush();
        m_clock->runPending();
        QTRY_COMPARE(calls, 1);
        QTRY_VERIFY(!client.isSending());
        QCOMPARE(client.queuedCount(), 1); // back in the queue after the 503
        m_clock->advance(999);
        QTest::qWait(20);
        QCOMPARE(calls, 1);
        m_clock->advance(1);
        QTRY_COMPARE(calls, 2);
        const auto first = bodyOf(m_server->requests().at(0)).value(S("events")).toArray()[0].toObject();
        const auto second = bodyOf(m_server->requests().at(1)).value(S("events")).toArray()[0].toObject();
        QCOMPARE(second.value(S("uuid")), first.value(S("uuid"))); // the same event, not a copy
        QTRY_COMPARE(client.queuedCount(), 0);

        // A refusal (400) is not retried.
        m_server->on("POST", S("/events"), StandinHttpServer::Reply{400, "{}"});
        client.capture(S("refused"), {});
        client.flush();
        m_clock->runPending();
        QTRY_COMPARE(m_server->requests().size(), 3);
        QTRY_VERIFY(!client.isSending());
        m_clock->advance(120000);
        QTest::qWait(20);
        QCOMPARE(m_server->requests().size(), 3);
        QCOMPARE(client.queuedCount(), 0);
    }

    void givesUpAfterTheLastAttempt()
    {
        m_server->on("POST", S("/events"), StandinHttpServer::Reply{500, "{}"});
        HttpAnalyticsClient client(options());
        client.configure(S("key"), m_server->baseUrl().toString());
        client.capture(S("doomed"), {});
        client.flush();
        for (int attempt = 1; attempt <= 3; ++attempt) {
            m_clock->runPending();
            QTRY_COMPARE(m_server->requests().size(), attempt);
            QTRY_VERIFY(!client.isSending());
            m_clock->advance(10000);
        }
        m_clock->advance(60000);
        QTest::qWait(20);
        QCOMPARE(m_server->requests().size(), 3);
        QCOMPARE(client.queuedCount(), 0);
    }
};

TAVO_TEST_MAIN(AnalyticsClientTest)
#include "tst_analyticsclient.moc"
