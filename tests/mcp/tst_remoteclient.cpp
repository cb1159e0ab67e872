#include "Platform/AppPaths.h"
#include "Platform/Log.h"
#include "Controller/mcp/MCPProcessClient.h"
#include "Controller/mcp/McpClient.h"
#include "McpTestSupport.h"
#include "Controller/mcp/RemoteMCPClient.h"
#include "TestMain.h"

#include <QMutex>
#include <QScopeGuard>
#include <QTemporaryDir>

using namespace McpTestSupport;

namespace {
QMutex g_logMutex;
QStringList g_log;
void captureLog(const QString &line)
{
    QMutexLocker lock(&g_logMutex);
    g_log << line;
}
bool logHas(const QString &text)
{
    QMutexLocker lock(&g_logMutex);
    return std::any_of(g_log.begin(), g_log.end(), [&](const QString &l) { return l.contains(text); });
}

}

// The remote client end to end: the real proxy (mcp-remote, installed by the build into
// Resources/Scripts) in front of the reference "everything" server in its SSE mode, and in
// front of a server that speaks only streamable HTTP (the proxy falls back to it), on
// 127.0.0.1.
class RemoteClientTest : public QObject {
    Q_OBJECT

    std::unique_ptr<NpmProgram> m_sse;
    quint16 m_port = 0;

    bool startSseServer()
    {
        m_sse = std::make_unique<NpmProgram>();
        m_port = freePort();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PORT"), QString::number(m_port));
        return m_sse->startProgram(node(), {serverEverything(), QStringLiteral("sse")}, env)
            && m_sse->waitForOutput(QStringLiteral("Server is running on port"));
    }

    bool startStreamableServer()
    {
        m_sse = std::make_unique<NpmProgram>();
        m_port = freePort();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PORT"), QString::number(m_port));
        return m_sse->startProgram(node(), {streamableServer()}, env)
            && m_sse->waitForOutput(QStringLiteral("listening on port"));
    }

    QStringList proxyArgs(const QString &path = QStringLiteral("/sse")) const
    {
        return {QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path), QStringLiteral("--transport"), QStringLiteral("sse-first")};
    }

private Q_SLOTS:
    void initTestCase()
    {
        Log::setSink(captureLog);
        TAVO_REQUIRE(QFileInfo::exists(serverEverything()), QStringLiteral("the npm test programs (run the test command)"));
        QVERIFY2(QFileInfo::exists(MCPProcessClient::proxyPath()), qPrintable(MCPProcessClient::proxyPath()));
        QVERIFY(QFileInfo(MCPProcessClient::nodePath()).isExecutable());
    }

    void cleanup()
    {
        m_sse.reset();
        QVERIFY2(noChildLeft(), "a child process was left behind");
    }

    void endToEnd_data()
    {
        QTest::addColumn<bool>("streamableOnly");
        QTest::newRow("SSE server") << false;
        QTest::newRow("streamable HTTP only server") << true;
    }

    void endToEnd()
    {
        QFETCH(bool, streamableOnly);
        QVERIFY(streamableOnly ? startStreamableServer() : startSseServer());
        auto created = step<std::shared_ptr<RemoteMCPClient>>([&](auto cb) {
            RemoteMCPClient::create(QStringLiteral("mcp-remote"), proxyArgs(streamableOnly ? QStringLiteral("/mcp") : QStringLiteral("/sse")),
                                    std::nullopt, cb);
        }, 60000);
        QVERIFY2(created.ok(), qPrintable(created.errorMessage()));
        auto client = created.value();
        QCOMPARE(client->name(), RemoteMCPClient::kClientName);
        QCOMPARE(client->version(), QStringLiteral("0.1.0"));
        // The proxy is introduced with the application's name and version.
        QVERIFY(logHas(QStringLiteral("[MCP_DEBUG] 📱 Creating MCP client with name: 'Tavo Orlune', version: '")));

        auto tools = step<QList<mcp::Tool>>([&](auto cb) { client->listTools(cb); });
        QVERIFY2(tools.ok(), qPrintable(tools.errorMessage()));
        QVERIFY(std::any_of(tools.value().begin(), tools.value().end(), [](const mcp::Tool &t) { return t.name == QLatin1String("echo"); }));
        auto echo = step<mcp::CallToolResult>([&](auto cb) {
            client->callTool(QStringLiteral("echo"), QJsonObject{{QStringLiteral("message"), QStringLiteral("through the proxy")}}, cb);
        });
        QVERIFY2(echo.ok(), qPrintable(echo.errorMessage()));
        QCOMPARE(echo.value().content.value(0).text, QStringLiteral("Echo: through the proxy"));

        // The proxy keeps its tokens in a private folder of the application.
        QCOMPARE(QFileInfo(MCPProcessClient::proxyConfigDir()).permissions() & 0x0077, QFileDevice::Permissions());

        auto done = step<void>([&](McpCallback<void> cb) { client->disconnect([cb] { cb({}); }); });
        QVERIFY(done.ok());
        QVERIFY(logHas(QStringLiteral("[MCP_DEBUG] ✅ MCP process client shutdown complete")));
        // A second shutdown only logs.
        auto again = step<void>([&](McpCallback<void> cb) { client->disconnect([cb] { cb({}); }); });
        QVERIFY(again.ok());
    }

    void serverDiesMidCall()
    {
        // The proxy does not notice a dead server behind it, so the call's time bound is what
        // ends the wait; it is shortened here from its 60 s.
        McpClient::setToolCallTimeoutMs(4000);
        auto restore = qScopeGuard([] { McpClient::setToolCallTimeoutMs(60000); });
        QVERIFY(startSseServer());
        auto created = step<std::shared_ptr<RemoteMCPClient>>([&](auto cb) {
            RemoteMCPClient::create(QStringLiteral("mcp-remote"), proxyArgs(), std::nullopt, cb);
        });
        QVERIFY2(created.ok(), qPrintable(created.errorMessage()));
        auto client = created.value();
        std::optional<McpResult<mcp::CallToolResult>> call;
        client->callTool(QStringLiteral("trigger-long-running-operation"),
                         QJsonObject{{QStringLiteral("duration"), 60}, {QStringLiteral("steps"), 5}},
                         [&](McpResult<mcp::CallToolResult> r) { call.emplace(std::move(r)); });
        QTest::qWait(1000);
        QVERIFY(!call.has_value());
        QElapsedTimer timer;
        timer.start();
        m_sse->stop();
        QTRY_VERIFY_WITH_TIMEOUT(call.has_value(), 20000);
        QVERIFY(!call->ok());
        QCOMPARE(call->error().code(), McpClient::kTimeoutCode);
        QVERIFY(timer.elapsed() < 10000);
        auto done = step<void>([&](McpCallback<void> cb) { client->disconnect([cb] { cb({}); }); });
        QVERIFY(done.ok());
    }

    void missingResourcesFailCleanly()
    {
        QTemporaryDir empty;
        qputenv("TAVO_RESOURCE_DIR", empty.path().toUtf8());
        auto created = step<std::shared_ptr<RemoteMCPClient>>([&](auto cb) {
            RemoteMCPClient::create(QStringLiteral("mcp-remote"), {QStringLiteral("https://example.invalid/sse")}, std::nullopt, cb);
        });
        qunsetenv("TAVO_RESOURCE_DIR");
        QVERIFY(!created.ok());
        QCOMPARE(created.error().message(), QStringLiteral("Missing Node.js binary or proxy.js"));
    }

    void failedHandshakeStopsTheProxy()
    {
        // Nothing listens at the address: the proxy cannot connect, and it is not left running.
        m_port = freePort();
        auto created = step<std::shared_ptr<RemoteMCPClient>>([&](auto cb) {
            RemoteMCPClient::create(QStringLiteral("mcp-remote"), proxyArgs(), std::nullopt, cb);
        }, 60000);
        QVERIFY(!created.ok());
    }
};

TAVO_TEST_MAIN(RemoteClientTest)
#include "tst_remoteclient.moc"
