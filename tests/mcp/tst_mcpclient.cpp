#include "Platform/ManagedProcess.h"
#include "Controller/mcp/McpClient.h"
#include "McpTestSupport.h"
#include "Controller/mcp/StandardMCPClient.h"
#include "Controller/mcp/StdioTransport.h"
#include "Controller/mcp/TcpTransport.h"
#include "TestMain.h"

#include <QJsonDocument>
#include <QScopeGuard>

using namespace McpTestSupport;

namespace {

QString textOf(const mcp::CallToolResult &r)
{
    QStringList parts;
    for (const auto &c : r.content)
        if (c.kind == mcp::Content::Kind::Text)
            parts << c.text;
    return parts.join(u'|');
}
}

// The MCP client against real servers: the reference "everything" server over standard
// input/output and over TCP (through socat on 127.0.0.1:4000), and a scripted server that
// misbehaves on purpose.
class McpClientTest : public QObject {
    Q_OBJECT

    // A server started over pipes with a connected client.
    struct StdioServer {
        ManagedProcess process;
        McpClient client{QStringLiteral("tst"), QStringLiteral("1.0")};
        McpResult<QJsonObject> handshake = MCPError(QString());
    };

    std::unique_ptr<StdioServer> startStdio(const QStringList &args, const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
    {
        auto s = std::make_unique<StdioServer>();
        s->process.setEnvironment(env);
        s->process.start(node(), args);
        if (!s->process.waitForStarted())
            return s;
        auto *transport = new StdioTransport(s->process.process());
        s->handshake = step<QJsonObject>([&](McpCallback<QJsonObject> cb) { s->client.connectTransport(transport, cb); });
        return s;
    }

private Q_SLOTS:

    void init()
    {
        TAVO_REQUIRE(QFileInfo::exists(serverEverything()), QStringLiteral("the npm test programs (run the test command)"));
    }

    void everythingOverStdio()
    {
        auto s = startStdio({serverEverything(), QStringLiteral("stdio")});
        QVERIFY2(s->handshake.ok(), qPrintable(s->handshake.errorMessage()));
        QVERIFY(s->handshake.value().value(QLatin1String("serverInfo")).isObject());
        QVERIFY(McpClient::supportedProtocolVersions().contains(s->client.serverProtocolVersion()));

        auto tools = step<mcp::ListToolsResult>([&](auto cb) { s->client.listTools(std::nullopt, cb); });
        QVERIFY(tools.ok());
        QStringList names;
        for (const auto &t : tools.value().tools)
            names << t.name;
        QVERIFY2(names.contains(QStringLiteral("echo")) && names.contains(QStringLiteral("get-tiny-image")), qPrintable(names.join(u',')));
        const auto echoTool = std::find_if(tools.value().tools.begin(), tools.value().tools.end(),
                                           [](const mcp::Tool &t) { return t.name == QLatin1String("echo"); });
        QVERIFY(echoTool->inputSchema.isObject());
        QVERIFY(!echoTool->description.isEmpty());

        auto echo = step<mcp::CallToolResult>([&](auto cb) {
            s->client.callTool(QStringLiteral("echo"), QJsonObject{{QStringLiteral("message"), QStringLiteral("héllo / wörld")}}, cb);
        });
        QVERIFY(echo.ok());
        QCOMPARE(textOf(echo.value()), QStringLiteral("Echo: héllo / wörld"));
        QVERIFY(!echo.value().isError.value_or(false));

        auto image = step<mcp::CallToolResult>([&](auto cb) { s->client.callTool(QStringLiteral("get-tiny-image"), QJsonObject{}, cb); });
        QVERIFY(image.ok());
        int images = 0, texts = 0;
        for (const auto &c : image.value().content) {
            if (c.kind == mcp::Content::Kind::Image) {
                ++images;
                QCOMPARE(c.mimeType, QStringLiteral("image/png"));
                QVERIFY(!QByteArray::fromBase64(c.data).isEmpty());
            } else if (c.kind == mcp::Content::Kind::Text) {
                ++texts;
            }
        }
        QCOMPARE(images, 1);
        QVERIFY(texts >= 1);

        // Invalid arguments: the server answers with a result marked as an error, not a failure.
        auto marked = step<mcp::CallToolResult>([&](auto cb) { s->client.callTool(QStringLiteral("echo"), QJsonObject{}, cb); });
        QVERIFY(marked.ok());
        QCOMPARE(marked.value().isError, std::optional<bool>(true));
        QVERIFY(textOf(marked.value()).contains(QStringLiteral("message")));

        // Many requests in flight at once, each answered with its own result.
        QHash<int, QString> answers;
        for (int i = 0; i < 25; ++i) {
            s->client.callTool(QStringLiteral("echo"), QJsonObject{{QStringLiteral("message"), QString::number(i)}},
                               [&answers, i](McpResult<mcp::CallToolResult> r) { answers[i] = r.ok() ? textOf(r.value()) : r.error().message(); });
        }
        QTRY_COMPARE_WITH_TIMEOUT(answers.size(), 25, 20000);
        for (int i = 0; i < 25; ++i)
            QCOMPARE(answers[i], QStringLiteral("Echo: %1").arg(i));

        s->client.disconnect();
        QVERIFY(s->process.stopAndWait(2000));
    }

    void misbehavingServer()
    {
        auto s = startStdio({scriptedServer()});
        // Junk lines, a notification and a request of the server's came before the answer.
        QVERIFY2(s->handshake.ok(), qPrintable(s->handshake.errorMessage()));

        // Only the first page of tools counts; the cursor is handed back.
        auto tools = step<mcp::ListToolsResult>([&](auto cb) { s->client.listTools(std::nullopt, cb); });
        QVERIFY(tools.ok());
        QCOMPARE(tools.value().tools.size(), 1);
        QCOMPARE(tools.value().nextCursor, std::optional<QString>(QStringLiteral("page-2")));

        // The server's own request was answered "method not found".
        auto reply = step<mcp::CallToolResult>([&](auto cb) { s->client.callTool(QStringLiteral("reply"), std::nullopt, cb); });
        QVERIFY(reply.ok());
        const QJsonObject answer = QJsonDocument::fromJson(textOf(reply.value()).toUtf8()).object();
        QCOMPARE(answer.value(QLatin1String("id")).toString(), QStringLiteral("srv-1"));
        QCOMPARE(answer.value(QLatin1String("error")).toObject().value(QLatin1String("code")).toInt(), -32601);

        // Answers out of order reach the right callers.
        QStringList order;
        s->client.callTool(QStringLiteral("slow"), std::nullopt, [&](auto r) { order << (r.ok() ? textOf(r.value()) : QStringLiteral("error")); });
        s->client.callTool(QStringLiteral("fast"), std::nullopt, [&](auto r) { order << (r.ok() ? textOf(r.value()) : QStringLiteral("error")); });
        QTRY_COMPARE(order.size(), 2);
        QCOMPARE(order, (QStringList{QStringLiteral("fast"), QStringLiteral("slow")}));

        // A JSON-RPC error is a failure with the server's message.
        auto unknown = step<mcp::CallToolResult>([&](auto cb) { s->client.callTool(QStringLiteral("nope"), std::nullopt, cb); });
        QVERIFY(!unknown.ok());
        QVERIFY(unknown.error().message().contains(QStringLiteral("Unknown tool: nope")));

        // The server's ping was answered with an empty result.
        auto ping = step<mcp::CallToolResult>([&](auto cb) { s->client.callTool(QStringLiteral("ping-reply"), std::nullopt, cb); });
        QVERIFY(ping.ok());
        const QJsonObject pong = QJsonDocument::fromJson(textOf(ping.value()).toUtf8()).object();
        QCOMPARE(pong.value(QLatin1String("id")).toString(), QStringLiteral("srv-ping"));
        QVERIFY2(pong.value(QLatin1String("result")).isObject() && !pong.contains(QLatin1String("error")), qPrintable(textOf(ping.value())));

        // Only an answer with the request's id, of the same type and value, is its answer.
        auto ids = step<mcp::CallToolResult>([&](auto cb) { s->client.callTool(QStringLiteral("wrong-ids"), std::nullopt, cb); });
        QVERIFY(ids.ok());
        QCOMPARE(textOf(ids.value()), QStringLiteral("right"));

        // An answer over the size cap fails its own request at once; another one goes on.
        std::optional<McpResult<mcp::CallToolResult>> slow;
        s->client.callTool(QStringLiteral("slow"), std::nullopt, [&](auto r) { slow.emplace(r); });
        auto huge = step<mcp::CallToolResult>([&](auto cb) { s->client.callTool(QStringLiteral("huge"), std::nullopt, cb); }, 20000);
        QVERIFY(!huge.ok());
        QVERIFY2(huge.error().message().contains(QStringLiteral("message too large")), qPrintable(huge.errorMessage()));
        QTRY_VERIFY(slow.has_value());
        QVERIFY(slow->ok());
        QCOMPARE(textOf(slow->value()), QStringLiteral("slow"));

        // The server dies during a call: that call and the one still pending fail at once, and
        // so does every later request.
        QElapsedTimer timer;
        timer.start();
        std::optional<McpResult<mcp::CallToolResult>> hung;
        s->client.callTool(QStringLiteral("hang"), std::nullopt, [&](auto r) { hung.emplace(r); });
        auto died = step<mcp::CallToolResult>([&](auto cb) { s->client.callTool(QStringLiteral("exit"), std::nullopt, cb); });
        QVERIFY(!died.ok());
        QVERIFY2(died.error().message().startsWith(QStringLiteral("Connection closed")), qPrintable(died.errorMessage()));
        QTRY_VERIFY(hung.has_value());
        QVERIFY(!hung->ok());
        auto later = step<mcp::CallToolResult>([&](auto cb) { s->client.callTool(QStringLiteral("fast"), std::nullopt, cb); });
        QVERIFY(!later.ok());
        QVERIFY(timer.elapsed() < 5000);
    }

    // A tool list that never comes is bounded like a tool call.
    void toolListIsBounded()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SCRIPTED_HANG_LIST"), QStringLiteral("1"));
        auto s = startStdio({scriptedServer()}, env);
        QVERIFY(s->handshake.ok());
        McpClient::setToolCallTimeoutMs(1000);
        auto restore = qScopeGuard([] { McpClient::setToolCallTimeoutMs(60000); });
        auto tools = step<mcp::ListToolsResult>([&](auto cb) { s->client.listTools(std::nullopt, cb); }, 10000);
        QVERIFY(!tools.ok());
        QCOMPARE(tools.error().code(), McpClient::kTimeoutCode);
    }

    void protocolVersions_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("2024-11-05") << "2024-11-05" << true;
        QTest::newRow("2025-03-26") << "2025-03-26" << true;
        QTest::newRow("2025-06-18") << "2025-06-18" << true;
        QTest::newRow("2025-11-25") << "2025-11-25" << true;
        QTest::newRow("unknown") << "1999-01-01" << false;
    }

    void protocolVersions()
    {
        QFETCH(QString, version);
        QFETCH(bool, accepted);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SCRIPTED_PROTOCOL_VERSION"), version);
        auto s = startStdio({scriptedServer()}, env);
        QCOMPARE(s->handshake.ok(), accepted);
        if (!accepted)
            QVERIFY(s->handshake.error().message().contains(version));
    }

    void connectingGivesUpInTime()
    {
        // Nothing listens: the attempts end after the bound with a clear reason.
        const quint16 port = freePort();
        TcpTransport transport(QStringLiteral("127.0.0.1"), port, 800);
        QString failure;
        connect(&transport, &McpTransport::openFailed, this, [&](const QString &r) { failure = r; });
        QElapsedTimer timer;
        timer.start();
        transport.open();
        QTRY_VERIFY_WITH_TIMEOUT(!failure.isEmpty(), 5000);
        QVERIFY(timer.elapsed() >= 600);
        QVERIFY2(failure.contains(QString::number(port)), qPrintable(failure));

        // A server process that has died ends the attempts at once.
        TcpTransport early(QStringLiteral("127.0.0.1"), port, 20000);
        early.setAbortCheck([] { return QStringLiteral("the server process exited with code 1"); });
        failure.clear();
        connect(&early, &McpTransport::openFailed, this, [&](const QString &r) { failure = r; });
        timer.restart();
        early.open();
        QTRY_VERIFY_WITH_TIMEOUT(!failure.isEmpty(), 5000);
        QCOMPARE(failure, QStringLiteral("the server process exited with code 1"));
        QVERIFY(timer.elapsed() < 3000);
    }

    void localServerOverTcp()
    {
        TAVO_REQUIRE(Prerequisite::hasProgram(QStringLiteral("socat")), QStringLiteral("socat"));
        QVERIFY(waitForFreePort(4000));
        auto *process = new ManagedProcess;
        process->start(QStringLiteral("socat"), {QStringLiteral("TCP-LISTEN:4000,bind=127.0.0.1,reuseaddr"),
                                                 QStringLiteral("EXEC:%1 %2 stdio").arg(node(), serverEverything())});
        QVERIFY(process->waitForStarted());
        auto client = StandardMCPClient::create(QStringLiteral("everything"), QStringLiteral("1.0.0"),
                                                QStringLiteral("127.0.0.1"), 4000, process);
        auto init = step<void>([&](auto cb) { client->initialize(QStringLiteral("ignored"), QStringLiteral("9"), cb); });
        QVERIFY2(init.ok(), qPrintable(init.errorMessage()));
        auto tools = step<QList<mcp::Tool>>([&](auto cb) { client->listTools(cb); });
        QVERIFY(tools.ok());
        QVERIFY(std::any_of(tools.value().begin(), tools.value().end(), [](const mcp::Tool &t) { return t.name == QLatin1String("echo"); }));
        auto echo = step<mcp::CallToolResult>([&](auto cb) {
            client->callTool(QStringLiteral("echo"), QJsonObject{{QStringLiteral("message"), QStringLiteral("tcp")}}, cb);
        });
        QVERIFY(echo.ok());
        QCOMPARE(textOf(echo.value()), QStringLiteral("Echo: tcp"));

        // The client owns its server: disconnecting stops it, and nothing is left behind.
        bool disconnected = false;
        client->disconnect([&] { disconnected = true; });
        QTRY_VERIFY_WITH_TIMEOUT(disconnected, 10000);
        QVERIFY2(noChildLeft(), qPrintable(QStringLiteral("left: %1").arg(descendants().size())));
    }

    void cleanupTestCase()
    {
        QVERIFY(noChildLeft());
    }
};

TAVO_TEST_MAIN(McpClientTest)
#include "tst_mcpclient.moc"
