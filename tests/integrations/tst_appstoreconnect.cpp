#include "BrowserHook.h"
#include "FakeScheduler.h"
#include "NotificationSpy.h"
#include "PipedreamStandin.h"
#include "Platform/Log.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"
#include "TestMain.h"
#include "integrations/AppStoreViewModel.h"
#include "integrations/ApplicationActivation.h"
#include "integrations/PipedreamAPIService.h"
#include "integrations/PipedreamConnectService.h"
#include "mcp/MCPConfigManager.h"
#include "model/AIStepTransformer.h"
#include "model/SharedModelContainer.h"
#include "model/SwiftDataService.h"

#include <QTemporaryDir>
#include <memory>

using Route = PipedreamStandin::Route;

namespace {
QString S(const char *text)
{
    return QString::fromUtf8(text);
}

QStringList &logLines()
{
    static QStringList lines;
    return lines;
}

int logCount(const QString &text)
{
    return int(std::count_if(logLines().begin(), logLines().end(), [&](const QString &line) { return line.contains(text); }));
}

const QString kUser = S("user-1");
const QString kMcpBase = S("https://mcp.tavo.invalid");
const QString kAwaiting = S("Please complete the account connection in your browser. We'll verify your connection automatically.");
const QString kNotCompleted = S("Authentication not completed yet. Please complete the process in your browser.");
const QString kConfigChanged = S("MCPConfigChanged");
}

// Installing, connecting in the browser, verifying and uninstalling an app, against the
// platform stand-in, a fake browser and virtual time for the 30 s checks.
class AppStoreConnectTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ModelContainer> m_store;
    std::unique_ptr<PipedreamStandin> m_platform;
    std::unique_ptr<FakeScheduler> m_clock;
    std::unique_ptr<PipedreamConnectService> m_connect;
    std::unique_ptr<ModelContext> m_context;
    std::unique_ptr<AppStoreViewModel> m_model;
    std::unique_ptr<BrowserHook> m_browser;
    std::unique_ptr<NotificationSpy> m_notes;
    bool m_completeInBrowser = true;
    AppStoreData *m_app = nullptr;

    PipedreamConfig config() const
    {
        PipedreamConfig c;
        c.apiHost = m_platform->baseUrl();
        c.connectPageHost = m_platform->baseUrl();
        c.clientId = m_platform->clientId();
        c.clientSecret = m_platform->clientSecret();
        c.projectId = m_platform->projectId();
        c.environment = m_platform->environment();
        c.mcpServerURL = kMcpBase;
        return c;
    }

    // Runs an operation to its end.
    template <typename Op>
    void run(Op op)
    {
        bool done = false;
        op([&] { done = true; });
        QVERIFY(QTest::qWaitFor([&] { return done; }, 20000));
    }
    // The later main-queue turns (the notification is posted on one).
    void settle()
    {
        QTest::qWait(0);
        m_clock->runPending();
    }
    std::optional<QStringList> entryArgs(const QString &name)
    {
        const auto config = MCPConfigManager::shared().loadConfig();
        if (!config.ok() || !config.value().mcpServers.contains(name))
            return std::nullopt;
        return config.value().mcpServers.value(name).args;
    }
    void install()
    {
        run([&](auto done) { m_model->toggleInstallation(m_app, done); });
    }
    void authenticate()
    {
        run([&](auto done) { m_model->authenticatePendingApp(done); });
    }
    // Waits until a started check has answered (the row is no longer being verified).
    void waitVerified()
    {
        QVERIFY(QTest::qWaitFor([&] { return !m_app->isVerifyingAuth(); }, 20000));
        settle();
    }

private Q_SLOTS:
    void initTestCase()
    {
        Log::setSink([](const QString &line) { logLines().append(line); });
        AIStepTransformer::registerTransformer();
    }
    void init()
    {
        logLines().clear();
        QFile::remove(MCPConfigManager::shared().configFilePath());
        m_dir = std::make_unique<QTemporaryDir>();
        ModelConfiguration configuration;
        configuration.filePath = m_dir->filePath(S("default.store"));
        m_store = std::make_unique<ModelContainer>(ModelStore::schema(), configuration);
        m_platform = std::make_unique<PipedreamStandin>();
        QVERIFY(m_platform->start());
        m_platform->setCatalogSize(0);
        m_clock = std::make_unique<FakeScheduler>();
        m_connect = std::make_unique<PipedreamConnectService>(config(), [] { return kUser; });
        m_context = std::make_unique<ModelContext>(m_store.get());
        m_model = std::make_unique<AppStoreViewModel>(
            m_context.get(), nullptr, new PipedreamAPIService(m_platform->baseUrl() + S("/v1/apps"), m_platform->catalogKey()));
        m_model->setConnectService(m_connect.get());
        m_clock->runPending();
        QVERIFY(QTest::qWaitFor([&] { return m_model->isInitialLoadComplete(); }, 20000));

        m_app = new AppStoreData(QUuid::createUuid(), S("app_slack"), S("Slack"), S("Slack Technologies"), S("Team chat"), QString(),
                                 std::nullopt, S("Free"), 4.0, AppCategory::Communication, false, false,
                                 QDateTime::currentDateTimeUtc(), 0, std::nullopt, false, false, false, false, std::nullopt);
        m_model->databaseService()->context()->insert(m_app);

        m_completeInBrowser = true;
        m_browser = std::make_unique<BrowserHook>();
        m_browser->onPage = [this](const QUrl &url, const QByteArray &body) {
            if (m_completeInBrowser && url.path() == QLatin1String("/_static/connect.html"))
                m_browser->submitForm(m_platform->completionUrl(), PipedreamStandin::completionForm(body));
        };
        m_notes = std::make_unique<NotificationSpy>();
    }
    void cleanup()
    {
        m_notes.reset();
        m_browser.reset();
        m_model.reset();
        m_context.reset();
        m_connect.reset();
        m_clock.reset();
        m_platform.reset();
        m_store.reset();
        m_dir.reset();
    }

    // The road of a new connection: the popup, the browser, the return to the application.
    void installAndConnectInTheBrowser()
    {
        install();
        QVERIFY(m_app->isInstalled() && !m_app->mcpConnected() && !m_app->mcpInstalled());
        QVERIFY(m_model->showAuthPopup());
        QCOMPARE(m_model->appPendingAuth(), m_app);
        QVERIFY(m_model->hasAuthObserver());
        QVERIFY(m_model->appsCurrentlyInstalling().isEmpty());
        QCOMPARE(m_model->installedApps(), QList<AppStoreData *>{m_app});
        QCOMPARE(logCount(S("App installation tracked: Slack")), 1);

        authenticate();
        QVERIFY(!m_model->showAuthPopup());
        QCOMPARE(m_model->appPendingAuth(), nullptr);
        QVERIFY(!m_model->isProcessingAuth());
        QCOMPARE(m_model->appsAwaitingAuth(), QSet<QUuid>{m_app->id()});
        QCOMPARE(m_model->errorMessage(), kAwaiting);
        QCOMPARE(m_browser->opened().size(), 1);
        QVERIFY(QTest::qWaitFor([&] { return m_platform->isConnected(kUser, S("slack")); }, 20000));
        // A second press after the popup closed finds no pending app.
        authenticate();
        QCOMPARE(m_browser->opened().size(), 1);
        QCOMPARE(logCount(S("App authentication tracked: Slack - action: started ")), 1);

        ApplicationActivation::instance().announce();
        settle();
        QVERIFY(QTest::qWaitFor([&] { return m_app->mcpInstalled(); }, 20000));
        settle();
        QVERIFY(m_app->isAuthenticated() && m_app->mcpConnected() && !m_app->isVerifyingAuth());
        QCOMPARE(m_model->errorMessage(), S("Slack has been successfully authenticated!"));
        QVERIFY(m_model->appsAwaitingAuth().isEmpty());
        QVERIFY(!m_model->hasAuthObserver());
        QCOMPARE(entryArgs(S("Slack")), (QStringList{kMcpBase + S("/user-1/slack"), S("--transport"), S("sse-first")}));
        QCOMPARE(m_notes->count(kConfigChanged), 1);
        QCOMPARE(logCount(S("App authentication tracked: Slack - action: success")), 1);

        // The timed checks find the app connected before: nothing more happens.
        const int checks = m_platform->count(Route::Accounts);
        m_clock->advance(AppStoreViewModel::kVerificationDelayMs);
        waitVerified();
        QCOMPARE(m_platform->count(Route::Accounts), checks + 1);
        m_clock->advance(AppStoreViewModel::kVerificationDelayMs);
        settle();
        QCOMPARE(m_platform->count(Route::Accounts), checks + 1);
        QCOMPARE(m_notes->count(kConfigChanged), 1);
        QCOMPARE(logCount(S("action: success")), 1);
        QCOMPARE(m_model->errorMessage(), S("Slack has been successfully authenticated!"));

        // Uninstalling removes the account, the flags and the entry, and tells no one.
        run([&](auto done) { m_model->uninstallApp(m_app, done); });
        QVERIFY(!m_app->isInstalled() && !m_app->mcpInstalled() && !m_app->mcpConnected() && !m_app->isAuthenticated());
        QCOMPARE(entryArgs(S("Slack")), std::nullopt);
        QVERIFY(!m_platform->isConnected(kUser, S("slack")));
        QVERIFY(m_model->installedApps().isEmpty());
        QCOMPARE(m_model->errorMessage(), std::nullopt);
        settle();
        QCOMPARE(m_notes->count(kConfigChanged), 1);
    }

    // A user who has not finished in the browser is told so at 30 s and at 60 s; a later
    // activation finds the connection.
    void timedChecksWhileTheBrowserIsNotDone()
    {
        m_completeInBrowser = false;
        install();
        authenticate();
        const int checks = m_platform->count(Route::Accounts);
        m_clock->advance(AppStoreViewModel::kVerificationDelayMs - 1);
        settle();
        QCOMPARE(m_platform->count(Route::Accounts), checks);
        m_clock->advance(1);
        waitVerified();
        QCOMPARE(m_platform->count(Route::Accounts), checks + 1);
        QCOMPARE(m_model->errorMessage(), kNotCompleted);
        m_model->setErrorMessage(std::nullopt);
        m_clock->advance(AppStoreViewModel::kVerificationDelayMs);
        waitVerified();
        QCOMPARE(m_platform->count(Route::Accounts), checks + 2);
        QCOMPARE(m_model->errorMessage(), kNotCompleted);
        QCOMPARE(m_model->appsAwaitingAuth(), QSet<QUuid>{m_app->id()});
        // The timed checks are over.
        m_platform->addAccount(kUser, S("slack"), S("Slack"));
        m_clock->advance(10 * AppStoreViewModel::kVerificationDelayMs);
        settle();
        QCOMPARE(m_platform->count(Route::Accounts), checks + 2);
        QVERIFY(!m_app->isAuthenticated());
        QCOMPARE(m_notes->count(kConfigChanged), 0);

        ApplicationActivation::instance().announce();
        settle();
        QVERIFY(QTest::qWaitFor([&] { return m_app->mcpInstalled(); }, 20000));
        settle();
        QVERIFY(m_app->isAuthenticated());
        QVERIFY(entryArgs(S("Slack")).has_value());
        QCOMPARE(m_notes->count(kConfigChanged), 1);
        // Activations after the last awaited app was found check nothing.
        ApplicationActivation::instance().announce();
        settle();
        QCOMPARE(m_platform->count(Route::Accounts), checks + 3);
    }

    // A configuration that cannot be written after a verified connection: the app is
    // connected without its entry, no longer awaited, and the tool runtime is told anyway.
    void entryThatCannotBeWritten()
    {
        install();
        authenticate();
        QVERIFY(QTest::qWaitFor([&] { return m_platform->isConnected(kUser, S("slack")); }, 20000));
        const QString path = MCPConfigManager::shared().configFilePath();
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkpath(path)); // a folder where the file belongs
        ApplicationActivation::instance().announce();
        settle();
        QVERIFY(QTest::qWaitFor([&] { return m_model->appsAwaitingAuth().isEmpty(); }, 20000));
        settle();
        QVERIFY(QDir().rmdir(path));
        QVERIFY(m_app->isAuthenticated() && m_app->mcpConnected() && !m_app->mcpInstalled());
        QVERIFY2(m_model->errorMessage().value_or(QString()).startsWith(S("Authentication successful but failed to add MCP server: ")),
                 qPrintable(m_model->errorMessage().value_or(QString())));
        QCOMPARE(m_notes->count(kConfigChanged), 1);
    }

    // A connect link that cannot be made opens nothing: the store says why and waits for no
    // connection, so no "not completed" text follows.
    void connectLinkThatCannotBeMade_data()
    {
        QTest::addColumn<bool>("fromCard");
        QTest::newRow("popup") << false;
        QTest::newRow("card") << true;
    }
    void connectLinkThatCannotBeMade()
    {
        QFETCH(bool, fromCard);
        install();
        m_platform->queueReply(Route::ConnectToken, PipedreamStandin::reply(500, "{}"));
        if (fromCard) {
            m_model->cancelAuthentication();
            run([&](auto done) { m_model->connectInstalledApp(m_app, done); });
        } else {
            authenticate();
        }
        const QString failure = m_connect->errorMessage().value_or(QString());
        QVERIFY2(failure.startsWith(S("Failed to generate connect link: ")), qPrintable(failure));
        QCOMPARE(m_model->errorMessage(), failure);
        QVERIFY(m_browser->opened().isEmpty());
        QVERIFY(m_model->appsAwaitingAuth().isEmpty());
        QVERIFY(!m_model->isProcessingAuth());
        QVERIFY(m_model->appsCurrentlyInstalling().isEmpty());
        const int checks = m_platform->count(Route::Accounts);
        m_clock->advance(3 * AppStoreViewModel::kVerificationDelayMs);
        ApplicationActivation::instance().announce();
        settle();
        QTest::qWait(50);
        QCOMPARE(m_platform->count(Route::Accounts), checks);
        QCOMPARE(m_model->errorMessage(), failure);
    }

    // An account connected before the install (or kept through an uninstall of the entry
    // alone) gets its server entry from the install; an entry that is there stays untouched.
    void installOfAConnectedAppWritesAMissingEntry()
    {
        m_platform->addAccount(kUser, S("slack"), S("Slack"));
        install();
        QVERIFY(m_app->isInstalled() && m_app->mcpConnected() && m_app->mcpInstalled());
        QVERIFY(!m_model->showAuthPopup());
        QCOMPARE(m_model->errorMessage(), std::nullopt);
        QCOMPARE(entryArgs(S("Slack")), (QStringList{kMcpBase + S("/user-1/slack"), S("--transport"), S("sse-first")}));
        settle();
        QCOMPARE(m_notes->count(kConfigChanged), 1);

        // A second click uninstalls the entry only; the next install puts it back.
        install();
        QVERIFY(!m_app->isInstalled() && !m_app->mcpInstalled());
        QCOMPARE(entryArgs(S("Slack")), std::nullopt);
        install();
        QVERIFY(m_app->isInstalled() && m_app->mcpInstalled());
        QVERIFY(entryArgs(S("Slack")).has_value());
        settle();
        QCOMPARE(m_notes->count(kConfigChanged), 2);

        // With the entry in place nothing is written and no one is told.
        m_app->setIsInstalled(false);
        QVERIFY(MCPConfigManager::shared().addServerNow(S("Slack"), S("https://elsewhere.invalid/x")).ok());
        install();
        QCOMPARE(entryArgs(S("Slack")).value().first(), S("https://elsewhere.invalid/x"));
        settle();
        QCOMPARE(m_notes->count(kConfigChanged), 2);
    }
};

TAVO_TEST_MAIN(AppStoreConnectTest)
#include "tst_appstoreconnect.moc"
