#include "AssistantStandin.h"
#include "BrowserHook.h"
#include "McpEndpointStandin.h"
#include "McpTestSupport.h"
#include "NpmProgram.h"
#include "PipedreamStandin.h"
#include "Platform/Log.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"
#include "QueryRecorder.h"
#include "TestMain.h"
#include "Controller/mcp/MCPClientManager.h"
#include "Controller/mcp/ToolRepository.h"
#include "Controller/session/ControlManager.h"
#include "Controller/session/Session.h"
#include "Controller/session/SessionManager.h"
#include "integrations/AppStoreViewModel.h"
#include "integrations/ApplicationActivation.h"
#include "integrations/PipedreamAPIService.h"
#include "integrations/PipedreamConnectService.h"
#include "mcp/MCPConfigManager.h"
#include "model/AIStepTransformer.h"
#include "model/SharedModelContainer.h"
#include "model/SwiftDataService.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

using namespace McpTestSupport;

// A user connects an app in the store and the assistant uses its tools: the store's install
// and browser connection against the platform stand-in, the server entry it writes, the tool
// runtime's reload, and a query whose tool call runs through the real mcp-remote proxy to
// server-everything (SSE mode) behind the stand-in of the per-user MCP endpoints.
class AppConnectEndToEndTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { Log::setSink([](const QString &) {}); }

    void connectedAppServesTheAssistant()
    {
        TAVO_REQUIRE(QFile::exists(serverEverything()), QStringLiteral("the npm test programs (run the test command)"));
        AIStepTransformer::registerTransformer();

        // The app's MCP server, reached only through the endpoint of a connected account.
        PipedreamStandin platform;
        QVERIFY(platform.start());
        NpmProgram sse;
        const quint16 ssePort = freePort();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PORT"), QString::number(ssePort));
        QVERIFY(sse.startProgram(node(), {serverEverything(), QStringLiteral("sse")}, env));
        QVERIFY(sse.waitForOutput(QStringLiteral("Server is running on port")));
        McpEndpointStandin endpoints(ssePort, [&](const QString &user, const QString &slug) { return platform.isConnected(user, slug); });
        QVERIFY(endpoints.start());

        // Start-up of the tool runtime with no servers yet.
        QVERIFY(QDir().mkpath(QFileInfo(MCPConfigManager::shared().configFilePath()).path()));
        QFile config(MCPConfigManager::shared().configFilePath());
        QVERIFY(config.open(QIODevice::WriteOnly | QIODevice::Truncate));
        config.write("{\"McpServers\": {}}");
        config.close();
        await(ToolRepository::shared().initialize());

        // The store with one catalog app.
        platform.setCatalogSize(1);
        platform.setCatalogEntry(0, QJsonObject{{QStringLiteral("id"), QStringLiteral("app_evry")}, {QStringLiteral("name_slug"), QStringLiteral("everything")},
                                                {QStringLiteral("name"), QStringLiteral("Everything")}, {QStringLiteral("auth_type"), QStringLiteral("oauth")},
                                                {QStringLiteral("description"), QStringLiteral("Every MCP feature.")},
                                                {QStringLiteral("img_src"), QStringLiteral("https://assets.invalid/everything.png")},
                                                {QStringLiteral("custom_fields_json"), QStringLiteral("[]")},
                                                {QStringLiteral("categories"), QJsonArray{QStringLiteral("Developer Tools")}},
                                                {QStringLiteral("featured_weight"), 0}});
        QTemporaryDir dir;
        ModelConfiguration configuration;
        configuration.filePath = dir.filePath(QStringLiteral("default.store"));
        ModelContainer store(ModelStore::schema(), configuration);
        ModelContext context(&store);
        PipedreamConfig c;
        c.apiHost = c.connectPageHost = platform.baseUrl();
        c.clientId = platform.clientId();
        c.clientSecret = platform.clientSecret();
        c.projectId = platform.projectId();
        c.environment = platform.environment();
        c.mcpServerURL = endpoints.baseUrl();
        PipedreamConnectService connect(c, [] { return QStringLiteral("user-7"); });
        auto model = std::make_unique<AppStoreViewModel>(
            &context, nullptr, new PipedreamAPIService(platform.baseUrl() + QStringLiteral("/v1/apps"), platform.catalogKey()));
        model->setConnectService(&connect);
        QTRY_VERIFY_WITH_TIMEOUT(model->isInitialLoadComplete(), 20000);
        QCOMPARE(model->allApps().size(), 1);
        AppStoreData *app = model->allApps().first();

        // Install, "Authenticate", the browser, back to the application.
        BrowserHook browser;
        browser.onPage = [&](const QUrl &url, const QByteArray &body) {
            if (url.path() == QLatin1String("/_static/connect.html"))
                browser.submitForm(platform.completionUrl(), PipedreamStandin::completionForm(body));
        };
        model->toggleInstallation(app);
        QTRY_VERIFY_WITH_TIMEOUT(model->showAuthPopup(), 20000);
        model->authenticatePendingApp();
        QTRY_VERIFY_WITH_TIMEOUT(platform.isConnected(QStringLiteral("user-7"), QStringLiteral("everything")), 20000);
        ApplicationActivation::instance().announce();
        QTRY_VERIFY_WITH_TIMEOUT(app->mcpInstalled(), 20000);
        QCOMPARE(model->errorMessage(), QStringLiteral("Everything has been successfully authenticated!"));
        QTRY_VERIFY_WITH_TIMEOUT(await(ToolRepository::shared().availableClientNames()).contains(QStringLiteral("Everything")), 20000);

        // The assistant asks for the app's tools and calls one.
        AssistantStandin service;
        QVERIFY(service.start() > 0);
        qputenv("TAVO_ASSISTANT_SOCKET_URL", service.url().toString().toUtf8());
        {
            ControlManager control;
            const QString id = control.createSession(std::nullopt, QStringLiteral("tok"));
            Session *session = control.sessionManager()->session(id);
            QTRY_VERIFY_WITH_TIMEOUT(session->isReady(), 10000);
            service.queueReply({AssistantStandin::text(QStringLiteral("MCP_REQUEST:{\"output\":\"trivial\",\"selected_clients\":[\"Everything\"]}")),
                                AssistantStandin::text(QStringLiteral("[{\"toolcall\":[{\"id\":\"C1\",\"name\":\"echo-_-Everything\",\"args\":{\"message\":\"from the store\"}}]}]")),
                                AssistantStandin::text(QStringLiteral("END_OF_MESSAGE"))});
            service.queueReply({AssistantStandin::text(QStringLiteral("[{\"a\":\"ST_OF_MSG_STRdoneED_OF_MSG_STR\"},{\"x\":0}]")),
                                AssistantStandin::text(QStringLiteral("END_OF_MESSAGE"))});
            QueryRecorder rec;
            control.processCommand(QStringLiteral("use the app"), id, false, rec.callbacks(), rec.onFinished());
            QTRY_COMPARE_WITH_TIMEOUT(rec.finished, 1, 90000);
            QCOMPARE(rec.events, (QStringList{"out:TOOL_CALL_START:echo-_-Everything", "out:done", "end"}));
            const QJsonObject tools = service.json(0, QStringLiteral("registertool")).first().value(QStringLiteral("available_tools")).toObject();
            QVERIFY2(tools.contains(QStringLiteral("echo-_-Everything")), qPrintable(QJsonDocument(tools).toJson()));
            const QJsonArray responses = service.json(0, QStringLiteral("tool")).first().value(QStringLiteral("toolcall_responses")).toArray();
            QCOMPARE(responses.size(), 1);
            QCOMPARE(responses.at(0).toObject().value(QStringLiteral("content")).toString(), QStringLiteral("Echo: from the store"));
            QVERIFY(endpoints.endpointRequests().contains(QStringLiteral("user-7/everything")));

            bool closed = false;
            control.closeSession(id, [&] { closed = true; });
            QTRY_VERIFY_WITH_TIMEOUT(closed, 10000);
        }
        model.reset();
        await(MCPClientManager::shared().closeAllClients());
        sse.stop();
    }
};

TAVO_TEST_MAIN(AppConnectEndToEndTest)
#include "tst_appconnect_e2e.moc"
