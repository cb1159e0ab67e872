#include "AssistantStandin.h"
#include "FakeToolRuntime.h"
#include "Platform/Log.h"
#include "TestMain.h"
#include "Platform/UuidText.h"
#include "Controller/session/AccessTokenProvider.h"
#include "Controller/session/ControlManager.h"
#include "Controller/session/MessageStream.h"
#include "Controller/session/Session.h"
#include "Controller/session/SessionManager.h"
#include "Controller/session/WebSocketManager.h"

#include <QJsonArray>
#include <QScopeGuard>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>
#include <ctime>
#include <memory>

namespace {
// Hands out "tok-1", "tok-2", ... so each connect shows which token it took.
class CountingTokenProvider : public AccessTokenProvider {
public:
    int calls = 0;
    void getValidAccessToken(QObject *context, Callback done) override
    {
        const QString token = QStringLiteral("tok-%1").arg(++calls);
        QTimer::singleShot(0, context, [done, token] { done(token); });
    }
};

SessionClientTool tool(const QString &name, const QString &client, std::optional<SessionToolValue> schema)
{
    return {{name, QStringLiteral("does ") + name, std::move(schema)}, client};
}

QJsonObject parse(const QString &text)
{
    return QJsonDocument::fromJson(text.toUtf8()).object();
}
}

// Connections, the opening sequence, the outgoing frames, session lifecycle and the registry,
// against the assistant stand-in over a real socket.
class SessionSocketTest : public QObject {
    Q_OBJECT
    std::unique_ptr<AssistantStandin> m_service;
    std::unique_ptr<FakeToolRuntime> m_tools;

private Q_SLOTS:
    void initTestCase() { Log::setSink([](const QString &) {}); }

    void init()
    {
        m_service = std::make_unique<AssistantStandin>();
        QVERIFY(m_service->start() > 0);
        qputenv("TAVO_ASSISTANT_SOCKET_URL", m_service->url().toString().toUtf8());
        m_tools = std::make_unique<FakeToolRuntime>();
    }

    void cleanup()
    {
        m_service.reset();
        m_tools.reset();
    }

    void socketAddressComesFromConfiguration()
    {
        QCOMPARE(WebSocketManager::serviceSocketURL(), m_service->url());
        qunsetenv("TAVO_ASSISTANT_SOCKET_URL");
        const QUrl shipped = WebSocketManager::serviceSocketURL();
        QCOMPARE(shipped.scheme(), QStringLiteral("wss"));
        QCOMPARE(shipped.path(), QStringLiteral("/ws"));
        QVERIFY(!shipped.host().isEmpty());
    }

    void openingSequence_data()
    {
        QTest::addColumn<std::optional<QString>>("token");
        QTest::addColumn<QStringList>("types");
        QTest::newRow("token first, then time") << std::optional<QString>(QStringLiteral("secret-token"))
                                                << QStringList{"<token>", "time_notification"};
        QTest::newRow("empty token is still sent") << std::optional<QString>(QString())
                                                   << QStringList{"<token>", "time_notification"};
        QTest::newRow("no token: time first") << std::optional<QString>() << QStringList{"time_notification"};
    }

    void openingSequence()
    {
        QFETCH(std::optional<QString>, token);
        QFETCH(QStringList, types);
        ControlManager control(m_tools.get());
        const QString id = control.createSession(QStringLiteral("6F9619FF-8B86-D011-B42D-00C04FC964FF"), token);
        Session *session = control.sessionManager()->session(id);
        QVERIFY(session);
        QVERIFY(!session->isInitialized()); // creation returns before the connection is set up
        QCOMPARE(session->outputText(), QStringLiteral(" Initializing...\n"));
        QTRY_VERIFY(session->isInitialized());
        QCOMPARE(session->outputText(), QStringLiteral(" Initializing...\n✅ Initialized\n"));
        QVERIFY(session->isReady());
        QCOMPARE(m_service->connectionCount(), 1);
        QCOMPARE(m_service->server().connection(0).requestUrl.path(), QStringLiteral("/ws"));
        QCOMPARE(m_service->types(0), types);
        if (token)
            QCOMPARE(m_service->texts(0).first(), *token);
        const QJsonObject time = m_service->json(0, QStringLiteral("time_notification")).first();
        QCOMPARE(time.value(QStringLiteral("session_id")).toString(), id);
    }

    void initializationFailureLeavesSessionForReconnect()
    {
        m_tools->initializeError = QStringLiteral("MCP config not found at /x/config.json");
        ControlManager control(m_tools.get());
        Session *session = control.sessionManager()->session(control.createSession());
        QTRY_VERIFY(session->needsReconnection());
        QCOMPARE(session->outputText(), QStringLiteral(" Initializing...\nInitialization failed: MCP config not found at /x/config.json\n"));
        QVERIFY(!session->isInitialized());
        QCOMPARE(m_service->connectionCount(), 0);
    }

    void timeFields_data()
    {
        QTest::addColumn<QTimeZone>("zone");
        QTest::addColumn<int>("hours");
        QTest::addColumn<QString>("localTime");
        QTest::addColumn<QString>("zoneId");
        // 2026-01-15 12:34:56.789 UTC, winter in the north.
        QTest::newRow("+5:30") << QTimeZone("Asia/Kolkata") << 5 << "Thursday, 15 Jan 2026 18:04:56 UTC+0530" << "Asia/Kolkata";
        QTest::newRow("+5:45") << QTimeZone("Asia/Kathmandu") << 5 << "Thursday, 15 Jan 2026 18:19:56 UTC+0545" << "Asia/Kathmandu";
        QTest::newRow("-3:30") << QTimeZone("America/St_Johns") << -3 << "Thursday, 15 Jan 2026 09:04:56 UTC-0330" << "America/St_Johns";
        QTest::newRow("-8") << QTimeZone("America/Los_Angeles") << -8 << "Thursday, 15 Jan 2026 04:34:56 UTC-0800" << "America/Los_Angeles";
        QTest::newRow("UTC") << QTimeZone("UTC") << 0 << "Thursday, 15 Jan 2026 12:34:56 UTC+0000" << "UTC";
        QTest::newRow("-0:30 keeps its sign") << QTimeZone(-1800) << 0 << "Thursday, 15 Jan 2026 12:04:56 UTC-0030" << "UTC-00:30";
        QTest::newRow("+14 crosses the date") << QTimeZone("Pacific/Kiritimati") << 14 << "Friday, 16 Jan 2026 02:34:56 UTC+1400"
                                              << "Pacific/Kiritimati";
    }

    void timeFields()
    {
        QFETCH(QTimeZone, zone);
        QFETCH(int, hours);
        QFETCH(QString, localTime);
        QFETCH(QString, zoneId);
        QVERIFY(zone.isValid());
        const QDateTime now(QDate(2026, 1, 15), QTime(12, 34, 56, 789), Qt::UTC);
        const QJsonObject f = WebSocketManager::timeNotification(QStringLiteral("S"), now, zone, QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(f.value(QStringLiteral("msgtype")).toString(), QStringLiteral("time_notification"));
        QCOMPARE(f.value(QStringLiteral("time")).toString(), QStringLiteral("2026-01-15T12:34:56.789Z"));
        QCOMPARE(f.value(QStringLiteral("local_time")).toString(), localTime);
        QCOMPARE(f.value(QStringLiteral("timezone")).toString(), zoneId);
        QVERIFY(f.value(QStringLiteral("timezone_offset")).isDouble());
        QCOMPARE(f.value(QStringLiteral("timezone_offset")).toInt(), hours);
        QCOMPARE(f.value(QStringLiteral("session_id")).toString(), QStringLiteral("S"));
    }

    void offsetText_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("+5:30") << 19800 << "UTC+0530";
        QTest::newRow("-3:30") << -12600 << "UTC-0330";
        QTest::newRow("0") << 0 << "UTC+0000";
        QTest::newRow("-0:30") << -1800 << "UTC-0030";
        QTest::newRow("-0:45") << -2700 << "UTC-0045";
        QTest::newRow("-1") << -3600 << "UTC-0100";
        QTest::newRow("+12:45") << 45900 << "UTC+1245";
    }

    void offsetText()
    {
        QFETCH(int, seconds);
        QFETCH(QString, text);
        QCOMPARE(WebSocketManager::offsetText(seconds), text);
    }

    void timeFrameFollowsTheProcessZone_data()
    {
        QTest::addColumn<QByteArray>("tz");
        QTest::addColumn<QString>("zoneId");
        QTest::newRow("Kolkata") << QByteArray("Asia/Kolkata") << "Asia/Kolkata";
        QTest::newRow("New York") << QByteArray("America/New_York") << "America/New_York";
        QTest::newRow("Kathmandu") << QByteArray("Asia/Kathmandu") << "Asia/Kathmandu";
    }

    void timeFrameFollowsTheProcessZone()
    {
        QFETCH(QByteArray, tz);
        QFETCH(QString, zoneId);
        const QByteArray old = qgetenv("TZ");
        qputenv("TZ", tz);
        tzset();
        ControlManager control(m_tools.get());
        Session *session = control.sessionManager()->session(control.createSession());
        QTRY_VERIFY(session->isInitialized());
        const QJsonObject f = m_service->json(0, QStringLiteral("time_notification")).first();
        if (old.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", old);
        tzset();
        QCOMPARE(f.value(QStringLiteral("timezone")).toString(), zoneId);
        const QDateTime sent = QDateTime::fromString(f.value(QStringLiteral("time")).toString(), Qt::ISODateWithMs);
        QVERIFY(f.value(QStringLiteral("time")).toString().endsWith(u'Z'));
        QVERIFY(qAbs(sent.secsTo(QDateTime::currentDateTimeUtc())) < 30);
        const int offset = QTimeZone(zoneId.toUtf8()).offsetFromUtc(sent);
        QCOMPARE(f.value(QStringLiteral("timezone_offset")).toInt(), offset / 3600);
        QVERIFY2(f.value(QStringLiteral("local_time")).toString().endsWith(WebSocketManager::offsetText(offset)),
                 qPrintable(f.value(QStringLiteral("local_time")).toString()));
    }

    void toolKeys_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QString>("client");
        QTest::addColumn<QString>("key");
        QTest::newRow("spaces and points") << "search" << "My Server 2.0" << "search-_-My_Server_2_0";
        QTest::newRow("kept as is") << "get_item" << "abc-XYZ_09" << "get_item-_-abc-XYZ_09";
        QTest::newRow("accented letter") << "t" << "Café" << "t-_-Caf_";
        QTest::newRow("CJK") << "t" << "日本" << "t-_-__";
        QTest::newRow("emoji is one code point") << "t" << "🚀 Rocket" << "t-_-__Rocket";
        QTest::newRow("emoji sequence, one _ per code point") << "t" << "👩‍💻" << "t-_-___";
        QTest::newRow("tool name unchanged") << "a.b c" << "x" << "a.b c-_-x";
        QTest::newRow("empty client") << "t" << "" << "t-_-";
    }

    void toolKeys()
    {
        QFETCH(QString, tool);
        QFETCH(QString, client);
        QFETCH(QString, key);
        QCOMPARE(WebSocketManager::toolKey(tool, client), key);
    }

    void registrationFrame()
    {
        WebSocketManager manager;
        manager.connect(QStringLiteral("S1"), m_service->url());
        SessionToolValue::Object nested{
            {QStringLiteral("type"), SessionToolValue::string(QStringLiteral("object"))},
            {QStringLiteral("n"), SessionToolValue::integer(7)},
            {QStringLiteral("d"), SessionToolValue::number(1.5)},
            {QStringLiteral("b"), SessionToolValue::boolean(true)},
            {QStringLiteral("z"), SessionToolValue::null()},
            {QStringLiteral("icon"), SessionToolValue::binary("\x89PNG", QStringLiteral("image/png"))},
            {QStringLiteral("blob"), SessionToolValue::binary("xyz", std::nullopt)},
            {QStringLiteral("list"), SessionToolValue::list({SessionToolValue::integer(1), SessionToolValue::string(QStringLiteral("two"))})},
        };
        manager.registerClientTools({tool(QStringLiteral("plain"), QStringLiteral("My Server 2.0"), std::nullopt),
                                     tool(QStringLiteral("nullschema"), QStringLiteral("srv"), SessionToolValue::null()),
                                     tool(QStringLiteral("rich"), QStringLiteral("srv"), SessionToolValue::object(nested)),
                                     tool(QStringLiteral("dup"), QStringLiteral("srv"), std::nullopt),
                                     {{QStringLiteral("dup"), QStringLiteral("later one"), SessionToolValue::null()}, QStringLiteral("srv")}},
                                    QStringLiteral("S1"));
        manager.registerClientTools({}, QStringLiteral("S1"));
        QTRY_COMPARE(m_service->json(0, QStringLiteral("registertool")).size(), 2);
        const QJsonObject frame = m_service->json(0, QStringLiteral("registertool")).first();
        QCOMPARE(frame.value(QStringLiteral("session_id")).toString(), QStringLiteral("S1"));
        const QJsonObject tools = frame.value(QStringLiteral("available_tools")).toObject();
        QCOMPARE(tools.keys(), (QStringList{"dup-_-srv", "nullschema-_-srv", "plain-_-My_Server_2_0", "rich-_-srv"}));
        QCOMPARE(tools.value(QStringLiteral("plain-_-My_Server_2_0")).toObject(),
                 (QJsonObject{{"Description", "does plain"}, {"JsonSchema", WebSocketManager::defaultInputSchema()}}));
        QCOMPARE(WebSocketManager::defaultInputSchema(),
                 parse(QStringLiteral("{\"type\":\"object\",\"properties\":{},\"required\":[],\"additionalProperties\":false,"
                                      "\"$schema\":\"http://json-schema.org/draft-07/schema#\"}")));
        QVERIFY(tools.value(QStringLiteral("nullschema-_-srv")).toObject().value(QStringLiteral("JsonSchema")).isNull());
        QCOMPARE(tools.value(QStringLiteral("dup-_-srv")).toObject().value(QStringLiteral("Description")).toString(), QStringLiteral("later one"));
        QCOMPARE(tools.value(QStringLiteral("rich-_-srv")).toObject().value(QStringLiteral("JsonSchema")).toObject(),
                 parse(QStringLiteral("{\"type\":\"object\",\"n\":7,\"d\":1.5,\"b\":true,\"z\":null,"
                                      "\"icon\":{\"mimeType\":\"image/png\",\"data\":\"<binary data>\"},"
                                      "\"blob\":{\"mimeType\":null,\"data\":\"<binary data>\"},\"list\":[1,\"two\"]}")));
        const QJsonObject empty = m_service->json(0, QStringLiteral("registertool")).at(1);
        QVERIFY(empty.value(QStringLiteral("available_tools")).isObject());
        QVERIFY(empty.value(QStringLiteral("available_tools")).toObject().isEmpty());
    }

    void outgoingFrames()
    {
        WebSocketManager manager;
        const QString id = QStringLiteral("S2");
        manager.sendStop(id); // no connection: nothing is sent, nothing breaks
        manager.connect(id, m_service->url());
        manager.sendUserMessage(QStringLiteral("hi \"you\""), id, true);
        manager.sendToolResponses({{QStringLiteral("c1"), QStringLiteral("ok"), QStringLiteral("extra")},
                                   {QStringLiteral("c2"), QStringLiteral("failed"), std::nullopt}},
                                  id);
        manager.sendToolResponses({}, id);
        manager.sendStop(id);
        QTRY_COMPARE(m_service->texts(0).size(), 4);
        QCOMPARE(m_service->json(0).at(0), (QJsonObject{{"msgtype", "user"}, {"message", "hi \"you\""}, {"session_id", id}, {"html_output", true}}));
        QCOMPARE(m_service->json(0).at(1),
                 parse(QStringLiteral("{\"msgtype\":\"tool\",\"session_id\":\"S2\",\"toolcall_responses\":["
                                      "{\"id\":\"c1\",\"content\":\"ok\",\"data\":\"extra\"},{\"id\":\"c2\",\"content\":\"failed\",\"data\":null}]}")));
        QCOMPARE(m_service->json(0).at(2).value(QStringLiteral("toolcall_responses")).toArray().size(), 0);
        QCOMPARE(m_service->json(0).at(3), (QJsonObject{{"msgtype", "stop"}, {"session_id", id}}));
    }

    void receivedFramesBecomeChunks()
    {
        WebSocketManager manager;
        const QString id = QStringLiteral("S3");
        QVERIFY(!manager.messageStream(id));
        QVERIFY(!manager.isConnected(id));
        QVERIFY(!manager.isInitialized(id));
        manager.connect(id, m_service->url());
        QTRY_COMPARE(m_service->connectionCount(), 1);
        const auto stream = manager.messageStream(id);
        QVERIFY(stream);
        m_service->play(0, {AssistantStandin::text(QStringLiteral("one")),
                            AssistantStandin::binary(QStringLiteral("héllo ✓").toUtf8()),
                            AssistantStandin::binary(QByteArray("\xff\xfe bad", 6)),
                            AssistantStandin::binary(QByteArray("ok \xc3", 4)), // cut inside a character
                            AssistantStandin::text(QString()),
                            AssistantStandin::text(QStringLiteral("last"))});
        QStringList got;
        QTRY_VERIFY(([&] {
            while (stream->hasChunk())
                got << stream->take();
            return got.size() >= 4;
        }()));
        QCOMPARE(got, (QStringList{"one", "héllo ✓", "", "last"}));

        // The service drops the connection: queued text still comes, then the end; the id
        // stays connected in the tables, but no longer usable.
        m_service->play(0, {AssistantStandin::text(QStringLiteral("tail"))});
        QTRY_VERIFY(stream->hasChunk());
        m_service->server().close(0);
        QTRY_VERIFY(stream->isFinished());
        QVERIFY(!stream->atEnd());
        QCOMPARE(stream->take(), QStringLiteral("tail"));
        QVERIFY(stream->atEnd());
        QVERIFY(manager.isConnected(id));
        QVERIFY(!manager.isUsable(id));
        manager.disconnect(id);
        QVERIFY(!manager.isConnected(id));
        QVERIFY(!manager.messageStream(id));
    }

    void replacedConnectionIsClosed()
    {
        WebSocketManager manager;
        const QString id = QStringLiteral("S4");
        // A frame that reached the service shows the client's end is open too: one still opening
        // is aborted, which sends no close code.
        auto openBothEnds = [&](int connection) {
            manager.connect(id, m_service->url());
            manager.sendStop(id);
            QTRY_COMPARE(m_service->texts(connection).size(), 1);
        };
        openBothEnds(0);
        const auto first = manager.messageStream(id);
        openBothEnds(1);
        QVERIFY(first->isFinished());
        QVERIFY(manager.messageStream(id) != first);
        QTRY_VERIFY(m_service->closed(0));
        QCOMPARE(m_service->closeCode(0), int(QWebSocketProtocol::CloseCodeGoingAway));
        QVERIFY(!m_service->closed(1));
        manager.disconnect(id);
        QTRY_VERIFY(m_service->closed(1));
        QCOMPARE(m_service->closeCode(1), int(QWebSocketProtocol::CloseCodeGoingAway));
    }

    void everyConnectTakesAFreshToken()
    {
        CountingTokenProvider tokens;
        ControlManager control(m_tools.get());
        control.setAccessTokenProvider(&tokens);
        // The token handed over at creation is old by the time the session connects again.
        Session *session = control.sessionManager()->session(control.createSession(std::nullopt, QStringLiteral("stale")));
        QTRY_VERIFY(session->isInitialized());
        QCOMPARE(m_service->texts(0).first(), QStringLiteral("tok-1"));
        bool reconnected = false;
        session->forceReconnect([&](bool ok) { reconnected = ok; });
        QTRY_VERIFY(reconnected);
        QVERIFY(session->outputText().endsWith(QStringLiteral("🔄 Reconnecting...\n✅ Reconnected successfully\n")));
        QVERIFY(!session->isBusy());
        QCOMPARE(m_service->connectionCount(), 2);
        QTRY_VERIFY(m_service->closed(0));
        QCOMPARE(m_service->closeCode(0), int(QWebSocketProtocol::CloseCodeGoingAway));
        QCOMPARE(m_service->types(1), (QStringList{"<token>", "time_notification"}));
        QCOMPARE(m_service->texts(1).first(), QStringLiteral("tok-2"));
    }

    void cancelStopsClosesAndNextMessageReconnects()
    {
        m_tools->clientNames = {QStringLiteral("srv")};
        ControlManager control(m_tools.get());
        const QString id = control.createSession(std::nullopt, QStringLiteral("t"));
        Session *session = control.sessionManager()->session(id);
        QTRY_VERIFY(session->isReady());

        m_service->queueReply({AssistantStandin::text(QStringLiteral("[{\"a\":\"ST_OF_MSG_STR Hel")), AssistantStandin::pause()});
        QStringList events;
        bool finished = false;
        QueryCallbacks cb{[&](const QString &t) { events << "out:" + t; }, [&](const QString &t) { events << "think:" + t; },
                          [&] { events << "thinkDone"; }, [&] { events << "end"; }};
        control.processCommand(QStringLiteral("hello"), id, false, cb, [&] { finished = true; });
        QTRY_COMPARE(events, QStringList{"out: Hel"});
        QVERIFY(session->isBusy());
        session->cancel();
        QTRY_VERIFY(m_service->closed(0));
        QTRY_VERIFY(finished);
        QTRY_VERIFY(!session->isBusy());
        QCOMPARE(m_service->closeCode(0), int(QWebSocketProtocol::CloseCodeGoingAway));
        QCOMPARE(m_service->types(0), (QStringList{"<token>", "time_notification", "user", "stop"}));
        QCOMPARE(m_service->json(0, QStringLiteral("stop")).first().value(QStringLiteral("session_id")).toString(), id);
        QCOMPARE(events, (QStringList{"out: Hel", "end"})); // one end, from the cancel
        QVERIFY(session->needsReconnection());
        QVERIFY(!session->isReady());
        QCOMPARE(m_tools->closeAllCount, 1);
        QCOMPARE(control.sessionManager()->sessions().size(), 1); // the session stays

        // The next message reconnects first and is answered on the new connection.
        events.clear();
        finished = false;
        m_service->queueReply({AssistantStandin::text(QStringLiteral("[{\"a\":\"ST_OF_MSG_STR again ED_OF_MSG_STR\"}")),
                               AssistantStandin::text(QStringLiteral(",{\"done\":1}]")),
                               AssistantStandin::text(QStringLiteral("END_OF_MESSAGE"))});
        control.processCommand(QStringLiteral("next"), id, false, cb, [&] { finished = true; });
        QTRY_VERIFY(finished);
        QCOMPARE(events, (QStringList{"out: again ", "end"}));
        QCOMPARE(m_service->connectionCount(), 2);
        QCOMPARE(m_service->types(1), (QStringList{"<token>", "time_notification", "user"}));
        QVERIFY(session->isReady());
    }

    void cancelWithoutQuery()
    {
        ControlManager control(m_tools.get());
        Session *session = control.sessionManager()->session(control.createSession());
        QTRY_VERIFY(session->isReady());
        session->cancel();
        QTRY_VERIFY(m_service->closed(0));
        QCOMPARE(m_service->types(0).last(), QStringLiteral("stop"));
        QVERIFY(session->needsReconnection());
        QVERIFY(!session->isBusy());
    }

    void registryIdRules()
    {
        ControlManager control(m_tools.get());
        SessionManager *registry = control.sessionManager();
        QSignalSpy changes(registry, &SessionManager::sessionsChanged);
        const QString a = control.createSession();
        const QString b = control.createSession();
        QVERIFY(UuidText::parse(a));
        QCOMPARE(a, a.toUpper());
        QVERIFY(a != b);
        QCOMPARE(registry->sessions().size(), 2);

        // One session per task: the same id gives the same session back.
        Session *first = registry->session(a);
        QCOMPARE(control.createSession(a, QStringLiteral("other")), a);
        QCOMPARE(registry->sessions().size(), 2);
        QCOMPARE(registry->session(a), first);
        QCOMPARE(changes.size(), 2);

        registry->removeSession(QStringLiteral("NOT-THERE"));
        QCOMPARE(registry->sessions().size(), 2);
        QCOMPARE(changes.size(), 2);

        bool closed = false;
        control.closeSession(a, [&] { closed = true; });
        QTRY_VERIFY(closed);
        QCOMPARE(registry->sessions().size(), 1);
        QCOMPARE(registry->sessions().first()->id(), b);
        QVERIFY(!registry->session(a));

        bool unknownClosed = false;
        control.closeSession(QStringLiteral("NOT-THERE"), [&] { unknownClosed = true; });
        QVERIFY(unknownClosed);
        QCOMPARE(registry->sessions().size(), 1);

        // Sessions of one facade are unknown to another.
        ControlManager other(m_tools.get());
        bool done = false;
        QStringList events;
        other.processCommand(QStringLiteral("x"), b, false, {[&](const QString &t) { events << t; }, {}, {}, [&] { events << "end"; }},
                             [&] { done = true; });
        QVERIFY(done);
        QVERIFY(events.isEmpty());
    }

    void closeDisconnectsAndResets()
    {
        ControlManager control(m_tools.get());
        const QString id = control.createSession();
        Session *session = control.sessionManager()->session(id);
        QTRY_VERIFY(session->isReady());
        bool closed = false;
        session->close([&] { closed = true; });
        QTRY_VERIFY(closed);
        QVERIFY(!session->isInitialized());
        QVERIFY(!session->needsReconnection());
        QTRY_VERIFY(m_service->closed(0));
        QCOMPARE(m_service->closeCode(0), int(QWebSocketProtocol::CloseCodeGoingAway));
        QCOMPARE(m_tools->closeAllCount, 1);
    }

    // The first message is the access token: plain ws goes only to a loopback host, and a
    // refused address is never opened.
    void plainSocketOnlyToLoopback()
    {
        static QStringList lines;
        lines.clear();
        Log::setSink([](const QString &l) { lines << l; });
        auto restore = qScopeGuard([] { Log::setSink([](const QString &) {}); });
        WebSocketManager sockets;
        sockets.connect(QStringLiteral("FAR"), QUrl(QStringLiteral("ws://192.0.2.7:9/ws")));
        QVERIFY(sockets.isConnected(QStringLiteral("FAR")));
        QVERIFY(!sockets.isUsable(QStringLiteral("FAR")));
        QVERIFY(sockets.messageStream(QStringLiteral("FAR"))->isEnded());
        QVERIFY(std::any_of(lines.begin(), lines.end(), [](const QString &l) {
            return l.contains(QStringLiteral("Refused the assistant socket address ws://192.0.2.7"));
        }));
        bool sent = true;
        sockets.sendAccessToken(QStringLiteral("secret-token"), QStringLiteral("FAR"), [&] { sent = false; });
        QTRY_VERIFY(!sent);
        sockets.connect(QStringLiteral("NEAR"), m_service->url());
        QVERIFY(sockets.isUsable(QStringLiteral("NEAR")));
    }
};

TAVO_TEST_MAIN(SessionSocketTest)
#include "tst_session_socket.moc"
