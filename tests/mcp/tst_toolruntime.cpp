#include "Controller/mcp/MCPClientManager.h"
#include "Controller/mcp/McpClient.h"
#include "Controller/session/McpSessionToolRuntime.h"
#include "Controller/session/WebSocketManager.h"
#include "McpTestSupport.h"
#include "Platform/Log.h"
#include "Platform/NotificationCenter.h"
#include "TestMain.h"
#include "Controller/mcp/ToolRepository.h"
#include "Controller/mcp/ToolRuntime.h"
#include "Platform/UuidText.h"
#include "mcp/MCPConfigManager.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QMutex>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTcpSocket>

using namespace McpTestSupport;

namespace {
QMutex g_logMutex;
QStringList g_log;
void captureLog(const QString &line)
{
    QMutexLocker lock(&g_logMutex);
    g_log << line;
}
QString takeLog()
{
    QMutexLocker lock(&g_logMutex);
    return std::exchange(g_log, {}).join(QLatin1Char('\n'));
}
}

// The client manager and the tool repository against real servers: server-everything as a
// local server behind socat on 127.0.0.1:4000, a scripted server the same way, and
// server-everything in its SSE mode behind the real mcp-remote proxy.
class ToolRuntimeTest : public QObject {
    Q_OBJECT

    QList<Notification> m_notes;
    MCPClientManager &manager() { return MCPClientManager::shared(); }
    ToolRepository &repository() { return ToolRepository::shared(); }

    static QJsonObject localEntry(const QString &script, const QStringList &scriptArgs = {})
    {
        const QString exec = QStringLiteral("EXEC:%1 %2 %3").arg(node(), script, scriptArgs.join(u' ')).trimmed();
        return QJsonObject{{QStringLiteral("command"), QStandardPaths::findExecutable(QStringLiteral("socat"))},
                           {QStringLiteral("args"), QJsonArray{QStringLiteral("TCP-LISTEN:4000,bind=127.0.0.1,reuseaddr"), exec}}};
    }

    void writeConfig(const QJsonObject &servers)
    {
        const QString path = McpConfigLocation::configFilePath();
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QJsonDocument(QJsonObject{{QStringLiteral("McpServers"), servers}}).toJson());
    }

    QJsonObject standardServers()
    {
        return QJsonObject{
            {QStringLiteral("everything"), localEntry(serverEverything(), {QStringLiteral("stdio")})},
            {QStringLiteral("scripted"), localEntry(scriptedServer())},
            {QStringLiteral("broken"), QJsonObject{{QStringLiteral("command"), QStringLiteral("/bin/false")}, {QStringLiteral("args"), QJsonArray()}}},
        };
    }

    ToolResponse request(const QVariantMap &call, int timeoutMs = 40000) { return await(manager().handleToolRequest(call), timeoutMs); }

    static QVariantMap call(const QString &key, const QVariant &args = {}, const QVariant &id = QStringLiteral("call-1"))
    {
        QVariantMap m{{QStringLiteral("id"), id}, {QStringLiteral("name"), key}};
        if (args.isValid())
            m.insert(QStringLiteral("args"), args);
        return m;
    }

    QStringList events(const QString &name, const QString &client)
    {
        QStringList out;
        for (const auto &n : m_notes)
            if (n.name == name && n.userInfo.value(QStringLiteral("client_name")) == client)
                out << n.userInfo.value(QStringLiteral("event")).toString();
        return out;
    }

private Q_SLOTS:
    void initTestCase()
    {
        TAVO_REQUIRE(QFileInfo::exists(serverEverything()), QStringLiteral("the npm test programs (run the test command)"));
        TAVO_REQUIRE(Prerequisite::hasProgram(QStringLiteral("socat")), QStringLiteral("socat"));
        for (const char *name : {"MCPClientInitEvent", "MCPConfigReloadEvent", "MCPClientToolsDiscovered"})
            NotificationCenter::defaultCenter().addObserver(QString::fromLatin1(name), this, [this](const Notification &n) { m_notes << n; });
    }

    void init()
    {
        await(manager().closeAllClients());
        writeConfig(standardServers());
        await(manager().reloadConfiguration());
        QVERIFY(waitForFreePort(MCPClientManager::kLocalPort));
        QTest::qWait(50); // notifications of the previous test are delivered
        m_notes.clear();
    }

    void cleanup()
    {
        McpClient::setToolCallTimeoutMs(60000);
        if (!ToolRuntime::instance().thread()->isRunning())
            return;
        await(manager().closeAllClients());
        QVERIFY2(noChildLeft(), "a child process was left behind");
    }

    void sanitizedNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("sanitized");
        QTest::newRow("plain") << "everything" << "everything";
        QTest::newRow("space and dot") << "My Server.beta" << "My_Server_beta";
        QTest::newRow("kept") << "a_b-C9" << "a_b-C9";
        QTest::newRow("accent") << "Café" << "Caf_";
        // One "_" per code point, also outside the basic plane.
        QTest::newRow("emoji") << QStringLiteral("go \U0001F680!") << "go___";
    }

    void sanitizedNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, sanitized);
        QCOMPARE(MCPClientManager::sanitizedClientName(name), sanitized);
        QCOMPARE(MCPClientManager::toolKey(QStringLiteral("t"), name), QStringLiteral("t-_-") + sanitized);
    }

    void resultAssembly()
    {
        mcp::CallToolResult result;
        result.content << mcp::Content::makeText(QStringLiteral("  first"));
        result.content << mcp::Content::fromJson(QJsonObject{{QStringLiteral("type"), QStringLiteral("image")}, {QStringLiteral("data"), QStringLiteral("AAAA")}, {QStringLiteral("mimeType"), QStringLiteral("image/png")}});
        result.content << mcp::Content::fromJson(QJsonObject{{QStringLiteral("type"), QStringLiteral("resource")},
                                                             {QStringLiteral("resource"), QJsonObject{{QStringLiteral("uri"), QStringLiteral("file:///a.txt")}, {QStringLiteral("mimeType"), QStringLiteral("text/plain")}, {QStringLiteral("text"), QStringLiteral("body")}}}});
        result.content << mcp::Content::fromJson(QJsonObject{{QStringLiteral("type"), QStringLiteral("audio")}});
        result.content << mcp::Content::fromJson(QJsonObject{{QStringLiteral("type"), QStringLiteral("image")}, {QStringLiteral("mimeType"), QStringLiteral("image/jpeg")}});
        result.content << mcp::Content::makeText(QStringLiteral("last\n"));
        result.isError = true; // answered like a success
        const ToolResponse r = MCPClientManager::assembleResponse(QStringLiteral("x"), result);
        QCOMPARE(r.id, QStringLiteral("x"));
        QCOMPARE(r.content, QStringLiteral("first\nresource file:///a.txt (text/plain)\n[unknown content type]\nlast"));
        QCOMPARE(r.data, std::optional<QString>(QStringLiteral("[image image/png]\n[image image/jpeg]")));
        QCOMPARE(MCPClientManager::resultText(result),
                 QStringLiteral("  first\n[image image/png]\nresource file:///a.txt (text/plain):body\n[unknown content type]\n[image image/jpeg]\nlast\n"));
        QCOMPARE(MCPClientManager::assembleResponse(QStringLiteral("y"), {}).data, std::nullopt);
    }

    void lazyStartAndDiscovery()
    {
        await(repository().initialize());
        QVERIFY2(descendants().isEmpty(), "a server was started before it was used");
        const auto tools = await(manager().getTools({QStringLiteral("everything")}));
        QCOMPARE(tools.keys(), QStringList{QStringLiteral("everything")});
        QVERIFY(std::any_of(tools.first().begin(), tools.first().end(), [](const mcp::Tool &t) { return t.name == QLatin1String("echo"); }));
        QTRY_COMPARE(m_notes.size(), 3);
        QCOMPARE(m_notes[0].name, QStringLiteral("MCPClientInitEvent"));
        QCOMPARE(m_notes[0].userInfo.value(QStringLiteral("event")).toString(), QStringLiteral("attempted"));
        QCOMPARE(m_notes[1].userInfo.value(QStringLiteral("event")).toString(), QStringLiteral("succeeded"));
        QVERIFY(!m_notes[1].userInfo.contains(QStringLiteral("error_message")));
        QCOMPARE(m_notes[2].name, QStringLiteral("MCPClientToolsDiscovered"));
        QCOMPARE(m_notes[2].userInfo.value(QStringLiteral("clientName")).toString(), QStringLiteral("everything"));

        // The repository follows: the tools are listed under their server.
        QTRY_COMPARE(await(repository().clientName(QStringLiteral("echo"))), std::optional<QString>(QStringLiteral("everything")));
        const auto clientTools = await(repository().getClientTools({QStringLiteral("everything"), QStringLiteral("Everything")}));
        QCOMPARE(clientTools.size(), tools.first().size());
        QCOMPARE(clientTools.first().clientName, QStringLiteral("everything"));
        QCOMPARE(await(repository().clientName(QStringLiteral("echo-_-everything"))), std::nullopt);
        QCOMPARE(await(repository().availableClientNames()),
                 (QStringList{QStringLiteral("broken"), QStringLiteral("everything"), QStringLiteral("scripted")}));
        // A second start request finds it running.
        await(manager().getTools({QStringLiteral("everything")}));
        QCOMPARE(events(QStringLiteral("MCPClientInitEvent"), QStringLiteral("everything")).size(), 2);
    }

    void toolRequests()
    {
        ToolResponse r = request(call(QStringLiteral("echo-_-everything"), QVariantMap{{QStringLiteral("message"), QStringLiteral("hi")}}));
        QCOMPARE(r.id, QStringLiteral("call-1"));
        QCOMPARE(r.content, QStringLiteral("Echo: hi"));
        QCOMPARE(r.data, std::nullopt);

        r = request(call(QStringLiteral("get-tiny-image-_-everything"), QVariantMap{}));
        QCOMPARE(r.data, std::optional<QString>(QStringLiteral("[image image/png]")));
        QVERIFY(!r.content.isEmpty());

        // The client part matched without regard to case.
        r = request(call(QStringLiteral("echo-_-EVERYTHING"), QVariantMap{{QStringLiteral("message"), QStringLiteral("case")}}));
        QCOMPARE(r.content, QStringLiteral("Echo: case"));

        // A plain tool name goes to the server the repository names for it.
        QTRY_COMPARE(await(repository().clientName(QStringLiteral("echo"))), std::optional<QString>(QStringLiteral("everything")));
        r = request(call(QStringLiteral("echo"), QVariantMap{{QStringLiteral("message"), QStringLiteral("plain")}}));
        QCOMPARE(r.content, QStringLiteral("Echo: plain"));

        // Arguments that are not an object: the tool is called without any, and the server's
        // error-marked answer comes back as text.
        r = request(call(QStringLiteral("echo-_-everything"), QVariantList{1, 2}));
        QVERIFY2(r.content.contains(QStringLiteral("message")), qPrintable(r.content));
        QCOMPARE(r.data, std::nullopt);

        r = request(QVariantMap{});
        QCOMPARE(r.content, QStringLiteral("Missing tool name"));
        QVERIFY(UuidText::parse(r.id).has_value());
        r = request(QVariantMap{{QStringLiteral("id"), 7}, {QStringLiteral("name"), 42}});
        QCOMPARE(r.content, QStringLiteral("Missing tool name"));
        QVERIFY(UuidText::parse(r.id).has_value());

        QCOMPARE(request(call(QStringLiteral("nope-_-ghost"))).content, QStringLiteral("Tool \"nope\" not found"));
        QCOMPARE(request(call(QStringLiteral("a-_-b-_-c"))).content, QStringLiteral("Tool \"a-_-b-_-c\" not found"));
        QCOMPARE(request(call(QStringLiteral("unknown-plain-tool"))).content, QStringLiteral("Tool \"unknown-plain-tool\" not found"));

        // A server that cannot start: a clear answer, soon, naming the server.
        QElapsedTimer timer;
        timer.start();
        r = request(call(QStringLiteral("x-_-broken")));
        QVERIFY2(r.content.startsWith(QStringLiteral("Failed to initialize client: ")) && r.content.contains(QStringLiteral("'broken'")), qPrintable(r.content));
        QVERIFY(timer.elapsed() < 9000);
        QCOMPARE(events(QStringLiteral("MCPClientInitEvent"), QStringLiteral("broken")), (QStringList{QStringLiteral("attempted"), QStringLiteral("failed")}));

        // A direct call by plain name answers text; an unknown tool fails.
        QCOMPARE(await(manager().callTool(QStringLiteral("echo"), QJsonObject{{QStringLiteral("message"), QStringLiteral("direct")}})), QStringLiteral("Echo: direct"));
        QCOMPARE(failureOf(manager().callTool(QStringLiteral("nope"), std::nullopt)), QStringLiteral("No client found for tool: nope"));
    }

    // Content reaches the log only with debug logging on; an "env" value never does.
    void privateContentStaysOutOfTheLog()
    {
        Log::setSink(captureLog);
        auto restore = qScopeGuard([] {
            Log::setSink(nullptr);
            Log::setDebugEnabled(false);
        });
        QJsonObject servers = standardServers();
        QJsonObject entry = localEntry(scriptedServer());
        entry.insert(QStringLiteral("env"), QJsonObject{{QStringLiteral("API_TOKEN"), QStringLiteral("env-secret-7f3a")}});
        servers.insert(QStringLiteral("scripted"), entry);
        for (const bool debug : {false, true}) {
            Log::setDebugEnabled(debug);
            writeConfig(servers);
            takeLog();
            // Saving the configuration logs it.
            await(MCPConfigManager::shared().addServer(QStringLiteral("Far"), QStringLiteral("https://far.example/sse?key=address-secret-91")));
            await(manager().reloadConfiguration());
            const ToolResponse r = request(call(QStringLiteral("echo-_-everything"), QVariantMap{{QStringLiteral("message"), QStringLiteral("result-secret-c2d4")}}));
            QCOMPARE(r.content, QStringLiteral("Echo: result-secret-c2d4"));
            WebSocketManager sockets;
            sockets.sendToolResponses({SessionToolResponse{r.id, r.content, r.data}}, QStringLiteral("SESSION"));
            QCOMPARE(request(call(QStringLiteral("fast-_-scripted"))).content, QStringLiteral("fast"));
            const QString log = takeLog();
            QVERIFY(log.contains(QStringLiteral("Config has")));
            QVERIFY2(!log.contains(QStringLiteral("env-secret-7f3a")), qPrintable(log));
            QCOMPARE(log.contains(QStringLiteral("result-secret-c2d4")), debug);
            QCOMPARE(log.contains(QStringLiteral("address-secret-91")), debug);
            await(manager().closeAllClients());
            QVERIFY(noChildLeft());
        }
    }

    // A server gets the user's environment and its entry's "env", never the application's own
    // keys and settings.
    void childEnvironment()
    {
        qputenv("GROQ_API_KEY", "groq-key-secret");
        qputenv("TAVO_TEST_SETTING", "tavo-setting");
        auto restore = qScopeGuard([] {
            qunsetenv("GROQ_API_KEY");
            qunsetenv("TAVO_TEST_SETTING");
        });
        QJsonObject servers = standardServers();
        QJsonObject entry = localEntry(scriptedServer());
        entry.insert(QStringLiteral("env"), QJsonObject{{QStringLiteral("ENTRY_VALUE"), QStringLiteral("from the entry")}});
        servers.insert(QStringLiteral("scripted"), entry);
        writeConfig(servers);
        await(manager().reloadConfiguration());
        const ToolResponse r = request(call(QStringLiteral("env-_-scripted")));
        const QJsonObject env = QJsonDocument::fromJson(r.content.toUtf8()).object();
        QVERIFY2(!env.isEmpty(), qPrintable(r.content));
        QCOMPARE(env.value(QLatin1String("ENTRY_VALUE")).toString(), QStringLiteral("from the entry"));
        QVERIFY(env.contains(QLatin1String("PATH")));
        for (const QString &name : env.keys())
            QVERIFY2(name != QLatin1String("GROQ_API_KEY") && !name.startsWith(QLatin1String("TAVO_")), qPrintable(name));
    }

    // Another program on the local port never gets a tool call.
    void squatterOnThePort()
    {
        // It listens already: no server is started, and the answer says why.
        QTcpServer squatter;
        QVERIFY(squatter.listen(QHostAddress(QStringLiteral("127.0.0.1")), MCPClientManager::kLocalPort));
        ToolResponse r = request(call(QStringLiteral("echo-_-everything"), QVariantMap{{QStringLiteral("message"), QStringLiteral("x")}}));
        QVERIFY2(r.content.contains(QStringLiteral("port 4000 is in use by another program")), qPrintable(r.content));
        QVERIFY(descendants().isEmpty());
        squatter.close();

        // It takes the port after the server started and forges the handshake: refused.
        QJsonObject servers = standardServers();
        servers.insert(QStringLiteral("sleeper"), QJsonObject{{QStringLiteral("command"), QStringLiteral("/bin/sleep")},
                                                              {QStringLiteral("args"), QJsonArray{QStringLiteral("30")}}});
        writeConfig(servers);
        await(manager().reloadConfiguration());
        QStringList methods;
        QList<QTcpSocket *> peers;
        connect(&squatter, &QTcpServer::newConnection, this, [&] {
            QTcpSocket *peer = squatter.nextPendingConnection();
            peers << peer;
            connect(peer, &QTcpSocket::readyRead, this, [peer, &methods] {
                while (peer->canReadLine()) {
                    const QJsonObject m = QJsonDocument::fromJson(peer->readLine()).object();
                    methods << m.value(QLatin1String("method")).toString();
                    if (m.value(QLatin1String("method")) == QLatin1String("initialize"))
                        peer->write(QJsonDocument(QJsonObject{
                            {QStringLiteral("jsonrpc"), QStringLiteral("2.0")}, {QStringLiteral("id"), m.value(QLatin1String("id"))},
                            {QStringLiteral("result"), QJsonObject{{QStringLiteral("protocolVersion"), QStringLiteral("2025-06-18")},
                                                                   {QStringLiteral("capabilities"), QJsonObject()},
                                                                   {QStringLiteral("serverInfo"), QJsonObject{{QStringLiteral("name"), QStringLiteral("forged")}}}}}})
                                        .toJson(QJsonDocument::Compact) + '\n');
                }
            });
        });
        auto pending = manager().handleToolRequest(call(QStringLiteral("echo-_-sleeper"), QVariantMap{}));
        QTRY_VERIFY(!descendants().isEmpty());
        QVERIFY(squatter.listen(QHostAddress(QStringLiteral("127.0.0.1")), MCPClientManager::kLocalPort));
        r = await(pending, 40000);
        QVERIFY2(r.content.contains(QStringLiteral("the program answering on port 4000 is not the started server")), qPrintable(r.content));
        QVERIFY(methods.contains(QStringLiteral("initialize")));
        QVERIFY2(!methods.contains(QStringLiteral("tools/list")) && !methods.contains(QStringLiteral("tools/call")), qPrintable(methods.join(u',')));
        QVERIFY2(noChildLeft(), "the started server was left running");
        qDeleteAll(peers);
    }

    void concurrentStartsLaunchOneServer()
    {
        QList<QFuture<ToolResponse>> calls;
        for (int i = 0; i < 3; ++i)
            calls << manager().handleToolRequest(call(QStringLiteral("echo-_-everything"), QVariantMap{{QStringLiteral("message"), QString::number(i)}}));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(await(calls[i], 40000).content, QStringLiteral("Echo: %1").arg(i));
        QTest::qWait(50);
        QCOMPARE(events(QStringLiteral("MCPClientInitEvent"), QStringLiteral("everything")), (QStringList{QStringLiteral("attempted"), QStringLiteral("succeeded")}));
    }

    void validKeyAfterCloseAll()
    {
        QCOMPARE(request(call(QStringLiteral("echo-_-everything"), QVariantMap{{QStringLiteral("message"), QStringLiteral("1")}})).content, QStringLiteral("Echo: 1"));
        await(manager().closeAllClients());
        QVERIFY(noChildLeft());
        QCOMPARE(request(call(QStringLiteral("echo-_-everything"), QVariantMap{{QStringLiteral("message"), QStringLiteral("2")}})).content, QStringLiteral("Echo: 2"));
    }

    void boundedToolCall()
    {
        McpClient::setToolCallTimeoutMs(1500);
        QElapsedTimer timer;
        timer.start();
        const ToolResponse hung = request(call(QStringLiteral("hang-_-scripted")));
        QVERIFY2(hung.content.startsWith(QStringLiteral("Error: Tool 'hang' on server 'scripted' gave no answer")), qPrintable(hung.content));
        // The server stays usable for the next call.
        QCOMPARE(request(call(QStringLiteral("fast-_-scripted"))).content, QStringLiteral("fast"));
        // A server that dies fails its call at once; its next use starts it again.
        timer.restart();
        QVERIFY(request(call(QStringLiteral("exit-_-scripted"))).content.startsWith(QStringLiteral("Error: ")));
        QVERIFY(timer.elapsed() < 1400);
        QCOMPARE(request(call(QStringLiteral("fast-_-scripted"))).content, QStringLiteral("fast"));
        QTest::qWait(50);
        QCOMPARE(events(QStringLiteral("MCPClientInitEvent"), QStringLiteral("scripted")),
                 (QStringList{QStringLiteral("attempted"), QStringLiteral("succeeded"), QStringLiteral("attempted"), QStringLiteral("succeeded")}));
    }

    void remoteServerThroughProxy()
    {
        NpmProgram sse;
        const quint16 port = freePort();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PORT"), QString::number(port));
        QVERIFY(sse.startProgram(node(), {serverEverything(), QStringLiteral("sse")}, env));
        QVERIFY(sse.waitForOutput(QStringLiteral("Server is running on port")));
        QJsonObject servers = standardServers();
        servers.insert(QStringLiteral("Remote Apps"), QJsonObject{{QStringLiteral("command"), QStringLiteral("mcp-remote")},
                                                                  {QStringLiteral("args"), QJsonArray{QStringLiteral("http://127.0.0.1:%1/sse").arg(port), QStringLiteral("--transport"), QStringLiteral("sse-first")}}});
        writeConfig(servers);
        const ToolResponse r = request(call(QStringLiteral("echo-_-Remote_Apps"), QVariantMap{{QStringLiteral("message"), QStringLiteral("far")}}), 60000);
        QCOMPARE(r.content, QStringLiteral("Echo: far"));
        QCOMPARE(events(QStringLiteral("MCPConfigReloadEvent"), QStringLiteral("Remote Apps")), QStringList());
        await(manager().closeAllClients());
        sse.stop();
    }

    void unlistedServerReloads()
    {
        await(manager().closeAllClients());
        QCOMPARE(failureOf(manager().ensureClientInitialized(QStringLiteral("ghost"))), QStringLiteral("No configuration found for client: ghost"));
        QTest::qWait(50);
        QCOMPARE(events(QStringLiteral("MCPClientInitEvent"), QStringLiteral("ghost")), QStringList{QStringLiteral("attempted")});
        QCOMPARE(events(QStringLiteral("MCPConfigReloadEvent"), QStringLiteral("ghost")), (QStringList{QStringLiteral("attempted"), QStringLiteral("succeeded")}));
    }

    void sessionChannelView()
    {
        await(repository().initialize());
        McpSessionToolRuntime runtime;
        QString initError = QStringLiteral("pending");
        runtime.initialize(this, [&](const QString &e) { initError = e; });
        QTRY_COMPARE(initError, QString());

        QList<SessionClientTool> tools;
        QString error = QStringLiteral("pending");
        runtime.getTools({QStringLiteral("everything")}, this, [&](const QList<SessionClientTool> &t, const QString &e) {
            tools = t;
            error = e;
        });
        QTRY_VERIFY_WITH_TIMEOUT(error != QLatin1String("pending"), 40000);
        QCOMPARE(error, QString());
        const auto echo = std::find_if(tools.begin(), tools.end(), [](const SessionClientTool &t) { return t.tool.name == QLatin1String("echo"); });
        QVERIFY(echo != tools.end());
        QCOMPARE(echo->clientName, QStringLiteral("everything"));
        QVERIFY(echo->tool.inputSchema.has_value());
        const QJsonValue schema = McpSessionToolRuntime::toJson(*echo->tool.inputSchema);
        QCOMPARE(schema.toObject().value(QLatin1String("type")).toString(), QStringLiteral("object"));

        std::optional<SessionToolResponse> response;
        runtime.handleToolRequest(call(QStringLiteral("echo-_-everything"), QVariantMap{{QStringLiteral("message"), QStringLiteral("s")}}), this,
                                  [&](const SessionToolResponse &r) { response = r; });
        QTRY_VERIFY_WITH_TIMEOUT(response.has_value(), 20000);
        QCOMPARE(response->content, QStringLiteral("Echo: s"));

        QString result, callError = QStringLiteral("pending");
        QTRY_COMPARE(await(repository().clientName(QStringLiteral("get-sum"))), std::optional<QString>(QStringLiteral("everything")));
        runtime.callTool(QStringLiteral("get-sum"), {{QStringLiteral("a"), SessionToolValue::integer(2)}, {QStringLiteral("b"), SessionToolValue::number(0.5)}}, this,
                         [&](const QString &r, const QString &e) { result = r; callError = e; });
        QTRY_VERIFY_WITH_TIMEOUT(callError != QLatin1String("pending"), 20000);
        QCOMPARE(callError, QString());
        QVERIFY2(result.contains(QStringLiteral("2.5")), qPrintable(result));

        bool closed = false;
        runtime.closeAllClients(this, [&] { closed = true; });
        QTRY_VERIFY_WITH_TIMEOUT(closed, 20000);
        QVERIFY(noChildLeft());
    }

    // A caller (a session, the coordinator) deleted while its tool call still runs on a slow
    // server gets nothing, on whichever side of the answer the deletion falls.
    void deletedCallerGetsNothing()
    {
        McpSessionToolRuntime runtime;
        QCOMPARE(request(call(QStringLiteral("fast-_-scripted"))).content, QStringLiteral("fast")); // the server is up
        int late = 0;
        for (int delayMs : {0, 100, 250, 290, 300, 310, 350}) {
            auto *caller = new QObject;
            auto alive = std::make_shared<bool>(true);
            runtime.handleToolRequest(call(QStringLiteral("slow-_-scripted")), caller, [&late, alive](const SessionToolResponse &) {
                if (!*alive)
                    ++late;
            });
            runtime.getTools({QStringLiteral("scripted")}, caller, [&late, alive](const QList<SessionClientTool> &, const QString &) {
                if (!*alive)
                    ++late;
            });
            if (delayMs)
                QTest::qWait(delayMs);
            delete caller;
            *alive = false;
        }
        QTest::qWait(600);
        QCOMPARE(late, 0);

        // A caller that stays gets its answer.
        QObject kept;
        std::optional<SessionToolResponse> response;
        runtime.handleToolRequest(call(QStringLiteral("slow-_-scripted")), &kept, [&](const SessionToolResponse &r) { response = r; });
        QTRY_VERIFY_WITH_TIMEOUT(response.has_value(), 10000);
        QCOMPARE(response->content, QStringLiteral("slow"));
    }

    void repositoryFollowsConfigChanges()
    {
        await(repository().initialize());
        await(manager().getTools({QStringLiteral("everything")}));
        QTRY_COMPARE(await(repository().clientName(QStringLiteral("echo"))), std::optional<QString>(QStringLiteral("everything")));

        await(MCPConfigManager::shared().addServer(QStringLiteral("Added"), QStringLiteral("https://apps.example/added")));
        NotificationCenter::defaultCenter().post(QStringLiteral("MCPConfigChanged"));
        QTRY_VERIFY(await(manager().getClientNames()).contains(QStringLiteral("Added")));
        QVERIFY(await(repository().availableClientNames()).contains(QStringLiteral("Added")));

        await(MCPConfigManager::shared().removeServer(QStringLiteral("everything")));
        NotificationCenter::defaultCenter().post(QStringLiteral("MCPConfigChanged"));
        QTRY_COMPARE(await(repository().clientName(QStringLiteral("echo"))), std::nullopt);
        QVERIFY(!await(repository().availableClientNames()).contains(QStringLiteral("everything")));
    }
    // Last: it ends the runtime's thread, as the application's quit does.
    void quitStopsEveryServer()
    {
        await(manager().getTools({QStringLiteral("everything")}));
        QVERIFY(!descendants().isEmpty());
        ToolRuntime::instance().shutdown();
        QVERIFY(!ToolRuntime::instance().thread()->isRunning());
        QVERIFY2(noChildLeft(), "a server outlived the quit");
    }
};

TAVO_TEST_MAIN(ToolRuntimeTest)
#include "tst_toolruntime.moc"
