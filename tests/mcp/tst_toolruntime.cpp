#include "MCPClientManager.h"
#include "McpClient.h"
#include "McpSessionToolRuntime.h"
#include "McpTestSupport.h"
#include "NotificationCenter.h"
#include "TestMain.h"
#include "ToolRepository.h"
#include "ToolRuntime.h"
#include "UuidText.h"
#include "mcp/MCPConfigManager.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QScopeGuard>

using namespace McpTestSupport;

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
        // A server that dies fails its call at once, and the next ones too.
        timer.restart();
        QVERIFY(request(call(QStringLiteral("exit-_-scripted"))).content.startsWith(QStringLiteral("Error: ")));
        QVERIFY(request(call(QStringLiteral("fast-_-scripted"))).content.startsWith(QStringLiteral("Error: ")));
        QVERIFY(timer.elapsed() < 1400);
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
