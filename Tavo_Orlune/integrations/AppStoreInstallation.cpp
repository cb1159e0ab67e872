// Installing, updating and uninstalling store apps, and connecting their accounts in the
// browser: the operations of AppStoreViewModel that change whether an app is usable by the
// assistant.
#include "integrations/AppStoreViewModel.h"

#include "Platform/Log.h"
#include "Platform/NotificationCenter.h"
#include "Platform/Scheduler.h"
#include "Platform/Store/ModelContext.h"
#include "Platform/UuidText.h"
#include "analytics/AnalyticsService.h"
#include "integrations/ApplicationActivation.h"
#include "integrations/PipedreamConnectService.h"
#include "mcp/MCPConfigManager.h"
#include "model/SwiftDataService.h"

#include <QFuture>
#include <QPointer>
#include <memory>

namespace {
const QString kAwaitingBrowserText =
    QStringLiteral("Please complete the account connection in your browser. We'll verify your connection automatically.");

void finish(const std::function<void()> &done)
{
    if (done)
        done();
}

// The plain textual form of a failure for log lines: a connect error's case name.
QString plainForm(const IntegrationFailure &failure)
{
    if (const auto error = failure.connectError())
        return caseName(*error);
    return failure.localizedDescription();
}

// Posted on a later main-queue turn, after the step that decided it has finished, so that the
// tool runtime's observer never runs inside the store's operation.
void postConfigChanged()
{
    MainQueue::post(&NotificationCenter::defaultCenter(),
                    [] { NotificationCenter::defaultCenter().post(QStringLiteral("MCPConfigChanged")); });
}
}

PipedreamConnectService &AppStoreViewModel::connectService() const
{
    return m_connectService ? *m_connectService : PipedreamConnectService::shared();
}

AppStoreViewModel::AppRef AppStoreViewModel::refOf(const AppStoreData &app)
{
    return AppRef{app.id(), app.name(), app.resolvedSlug(), app.category(), app.developer()};
}

AppStoreData *AppStoreViewModel::currentRow(const QUuid &id) const
{
    // A row that cannot be read is treated as gone: the operations drop such failures.
    try {
        return m_databaseService->fetchAppStoreItem(id);
    } catch (const std::exception &) {
        return nullptr;
    }
}

void AppStoreViewModel::insertInstalling(const QUuid &id)
{
    QSet<QUuid> next = m_appsCurrentlyInstalling;
    next.insert(id);
    setAppsCurrentlyInstalling(next);
}

void AppStoreViewModel::removeInstalling(const QUuid &id)
{
    QSet<QUuid> next = m_appsCurrentlyInstalling;
    next.remove(id);
    setAppsCurrentlyInstalling(next);
}

void AppStoreViewModel::removeFromInstalled(const QUuid &id)
{
    QList<AppStoreData *> next;
    for (AppStoreData *row : m_installedApps)
        if (row->id() != id)
            next.append(row);
    setInstalledApps(next);
}

void AppStoreViewModel::trackAuthentication(const AppRef &app, const QString &action)
{
    AnalyticsService::shared().trackAppAuthentication(
        app.name, UuidText::toText(app.id), action,
        {{QStringLiteral("category"), app.category}, {QStringLiteral("developer"), app.developer}});
}

QString AppStoreViewModel::mcpServerURL(const AppStoreData &app) const
{
    const PipedreamConnectService &connect = connectService();
    return connect.mcpServerURL() + QLatin1Char('/') + connect.externalUserId() + QLatin1Char('/') + app.resolvedSlug();
}

// ---- Install, update, uninstall -----------------------------------------------------------

void AppStoreViewModel::toggleInstallation(AppStoreData *app, std::function<void()> done)
{
    if (!app)
        return finish(done);
    const QUuid id = app->id();
    insertInstalling(id);
    AppStoreData *row = currentRow(id);
    if (!row) {
        removeInstalling(id);
        return finish(done);
    }
    const QVariantMap properties{{QStringLiteral("category"), row->category()}, {QStringLiteral("developer"), row->developer()}};
    QPointer<AppStoreViewModel> self(this);
    if (row->isInstalled()) {
        AnalyticsService::shared().trackAppUninstallation(row->name(), UuidText::toText(id), properties);
        row->setIsInstalled(false);
        row->setMcpInstalled(false);
        row->setMcpConnected(false);
        QPointer<AppStoreData> kept(row);
        MCPConfigManager::shared()
            .removeServer(row->name())
            .then(this, [self, kept, id, done] {
                if (!self)
                    return;
                self->removeFromInstalled(id);
                if (kept)
                    self->replaceAppInAllLists(kept);
                self->removeInstalling(id);
                finish(done);
            })
            .onFailed(this, [self, id, done](const MCPError &e) {
                if (!self)
                    return;
                self->setErrorMessage(QStringLiteral("Failed to update app: ") + e.localizedDescription());
                self->removeInstalling(id);
                finish(done);
            });
        return;
    }
    AnalyticsService::shared().trackAppInstallation(row->name(), UuidText::toText(id), properties);
    installApp(row, [self, id, done] {
        if (!self)
            return;
        self->removeInstalling(id);
        finish(done);
    });
}

void AppStoreViewModel::installApp(AppStoreData *app, std::function<void()> done)
{
    const QUuid id = app->id();
    QPointer<AppStoreViewModel> self(this);
    QPointer<AppStoreData> row(app);
    MCPConfigManager::shared()
        .isServerInstalled(app->name())
        .then(this, [self, row, done](bool exists) {
            if (!self)
                return;
            if (!row)
                return finish(done);
            self->finishInstall(row, exists, done);
        })
        .onFailed(this, [self, id, done](const MCPError &e) {
            if (!self)
                return;
            self->setErrorMessage(QStringLiteral("Failed to install app: ") + e.localizedDescription());
            self->removeInstalling(id);
            finish(done);
        });
}

void AppStoreViewModel::finishInstall(AppStoreData *app, bool entryExists, std::function<void()> done)
{
    if (entryExists)
        app->setMcpInstalled(true);
    app->setIsInstalled(true);
    replaceAppInAllLists(app);
    const AppRef ref = refOf(*app);
    if (!currentRow(ref.id)) {
        setErrorMessage(QStringLiteral("Failed to retrieve updated app data"));
        return finish(done);
    }
    QPointer<AppStoreViewModel> self(this);
    connectService().checkConnectionStatus(ref.slug, this, [self, ref, entryExists, done](const IntegrationResult<bool> &result) {
        if (!self)
            return;
        // A check that fails counts as no connected account: the user is offered to connect.
        const bool connected = result.ok() && *result.value;
        AppStoreData *row = self->currentRow(ref.id);
        if (!row) {
            self->setErrorMessage(QStringLiteral("Failed to retrieve updated app data"));
            return finish(done);
        }
        row->setMcpConnected(connected);
        self->replaceAppInAllLists(row);
        const auto conclude = [self, ref, connected, done] {
            if (!self)
                return;
            if (connected) {
                self->setAppPendingAuth(nullptr);
                self->setErrorMessage(std::nullopt);
            } else {
                self->setShowAuthPopup(true);
                self->setAppPendingAuth(self->currentRow(ref.id));
                self->setErrorMessage(std::nullopt);
            }
            self->removeInstalling(ref.id);
            self->setupAuthObserver();
            finish(done);
        };
        // An account connected earlier (before an uninstall of the entry alone, or from another
        // machine) has no other way to get its server entry back: no check would find it
        // newly connected. It gets one as a new connection does.
        if (!connected || entryExists)
            return conclude();
        self->addServerForConnectedApp(ref, [self, conclude](const std::optional<QString> &failure) {
            if (!self)
                return;
            conclude();
            if (failure)
                self->setErrorMessage(QStringLiteral("Failed to install app: ") + *failure);
        });
    });
}

void AppStoreViewModel::addServerForConnectedApp(const AppRef &app, std::function<void(const std::optional<QString> &)> done)
{
    AppStoreData *row = currentRow(app.id);
    if (!row)
        return done(std::nullopt);
    QPointer<AppStoreViewModel> self(this);
    MCPConfigManager::shared()
        .addServer(row->name(), mcpServerURL(*row))
        .then(this, [self, app, done] {
            if (!self)
                return;
            if (AppStoreData *current = self->currentRow(app.id)) {
                current->setMcpInstalled(true);
                self->replaceAppInAllLists(current);
            }
            postConfigChanged();
            done(std::nullopt);
        })
        .onFailed(this, [self, done](const MCPError &e) {
            if (!self)
                return;
            postConfigChanged();
            done(e.localizedDescription());
        });
}

void AppStoreViewModel::updateApp(AppStoreData *app, std::function<void()> done)
{
    AppStoreData *row = app ? currentRow(app->id()) : nullptr;
    if (!row)
        return finish(done);
    AnalyticsService::shared().trackAppStoreInteraction(
        QStringLiteral("app_updated"), row->name(),
        {{QStringLiteral("app_id"), UuidText::toText(row->id())}, {QStringLiteral("category"), row->category()},
         {QStringLiteral("developer"), row->developer()}});
    row->setIsUpdatable(false);
    loadUpdatableApps();
    replaceAppInAllLists(row);
    finish(done);
}

void AppStoreViewModel::uninstallApp(AppStoreData *app, std::function<void()> done)
{
    if (!app)
        return finish(done);
    const QUuid id = app->id();
    insertInstalling(id);
    AppStoreData *row = currentRow(id);
    if (!row) {
        removeInstalling(id);
        return finish(done);
    }
    if (!row->pipedreamId() || !row->isAuthenticated()) {
        Log::line(QStringLiteral("ℹ️ Skipping Pipedream account deletion"));
        return uninstallLocally(row, std::nullopt, std::move(done));
    }
    const AppRef ref = refOf(*row);
    QPointer<AppStoreViewModel> self(this);
    // The uninstall goes on whatever the platform answers; a failure is only reported.
    auto failed = [self, ref, done](const IntegrationFailure &failure) {
        if (!self)
            return;
        Log::line(QStringLiteral("❌ Failed to delete Pipedream account for ") + ref.name + QStringLiteral(": ") + plainForm(failure));
        Log::line(QStringLiteral("Error details: ") + failure.localizedDescription());
        AppStoreData *current = self->currentRow(ref.id);
        if (!current) {
            self->removeInstalling(ref.id);
            return finish(done);
        }
        self->uninstallLocally(current, failure.localizedDescription(), done);
    };
    auto succeeded = [self, ref, done] {
        if (!self)
            return;
        AppStoreData *current = self->currentRow(ref.id);
        if (!current) {
            self->removeInstalling(ref.id);
            return finish(done);
        }
        self->uninstallLocally(current, std::nullopt, done);
    };
    PipedreamConnectService &connect = connectService();
    QPointer<PipedreamConnectService> client(&connect);
    connect.getConnectedAccount(ref.slug, this, [self, client, failed, succeeded](const IntegrationResult<std::optional<ConnectedAccount>> &r) {
        if (!self)
            return;
        if (!r.ok())
            return failed(*r.failure);
        if (!client)
            return succeeded();
        if (const std::optional<ConnectedAccount> &account = *r.value) {
            client->deleteConnectedAccount(account->id, self, [failed, succeeded](const IntegrationResult<bool> &deleted) {
                // Not found at the platform counts as deleted.
                if (!deleted.ok())
                    return failed(*deleted.failure);
                succeeded();
            });
            return;
        }
        client->getAllConnectedAccounts(self, [failed, succeeded](const IntegrationResult<QList<ConnectedAccount>> &all) {
            if (!all.ok())
                return failed(*all.failure);
            int number = 0;
            for (const ConnectedAccount &account : *all.value)
                Log::line(QStringLiteral("  %1. ID: %2, App: %3, App ID: %4").arg(++number).arg(account.id, account.app.name, account.app.id));
            succeeded();
        });
    });
}

void AppStoreViewModel::uninstallLocally(AppStoreData *row, const std::optional<QString> &remoteError, std::function<void()> done)
{
    const QUuid id = row->id();
    row->setIsInstalled(false);
    row->setMcpInstalled(false);
    row->setMcpConnected(false);
    row->setIsAuthenticated(false);
    QPointer<AppStoreViewModel> self(this);
    QPointer<AppStoreData> kept(row);
    MCPConfigManager::shared()
        .removeServer(row->name())
        .then(this, [self, kept, id, remoteError, done] {
            if (!self)
                return;
            self->removeFromInstalled(id);
            if (kept)
                self->replaceAppInAllLists(kept);
            if (remoteError)
                self->setErrorMessage(QStringLiteral("App uninstalled locally, but failed to remove remote connection: ") + *remoteError);
            else
                self->setErrorMessage(std::nullopt);
            self->removeInstalling(id);
            finish(done);
        })
        .onFailed(this, [self, id, done](const MCPError &e) {
            if (!self)
                return;
            self->setErrorMessage(QStringLiteral("Failed to uninstall app: ") + e.localizedDescription());
            self->removeInstalling(id);
            finish(done);
        });
}

// ---- Browser connection -------------------------------------------------------------------

void AppStoreViewModel::handOverToBrowser(const AppRef &app, bool opened)
{
    if (!opened) {
        // Nothing reached the browser: waiting for a connection the user cannot make would end
        // in "not completed" texts. The connect client says what went wrong.
        setErrorMessage(connectService().errorMessage().value_or(QStringLiteral("Failed to open the connect page in your browser")));
        return;
    }
    m_appsAwaitingAuth.insert(app.id);
    setErrorMessage(kAwaitingBrowserText);
    scheduleVerification(app);
}

void AppStoreViewModel::authenticatePendingApp(std::function<void()> done)
{
    if (!m_appPendingAuth || m_isProcessingAuth)
        return finish(done);
    m_isProcessingAuth = true;
    const AppRef app = refOf(*m_appPendingAuth);
    trackAuthentication(app, QStringLiteral("started"));
    setShowAuthPopup(false);
    setAppPendingAuth(nullptr);
    QPointer<AppStoreViewModel> self(this);
    connectService().openConnectLink(app.slug, this, [self, app, done](bool opened) {
        if (!self)
            return;
        self->handOverToBrowser(app, opened);
        self->m_isProcessingAuth = false;
        finish(done);
    });
}

void AppStoreViewModel::cancelAuthentication()
{
    if (m_appPendingAuth)
        trackAuthentication(refOf(*m_appPendingAuth), QStringLiteral("cancelled"));
    setShowAuthPopup(false);
    setAppPendingAuth(nullptr);
    setErrorMessage(std::nullopt);
    m_isProcessingAuth = false;
}

void AppStoreViewModel::connectInstalledApp(AppStoreData *app, std::function<void()> done)
{
    if (!app)
        return finish(done);
    const QUuid id = app->id();
    insertInstalling(id);
    trackAuthentication(refOf(*app), QStringLiteral("started_installed"));
    AppStoreData *row = currentRow(id);
    if (!row) {
        removeInstalling(id);
        return finish(done);
    }
    const AppRef ref = refOf(*row);
    QPointer<AppStoreViewModel> self(this);
    connectService().openConnectLink(ref.slug, this, [self, ref, done](bool opened) {
        if (!self)
            return;
        self->handOverToBrowser(ref, opened);
        if (opened)
            self->setupAuthObserver();
        self->removeInstalling(ref.id);
        finish(done);
    });
}

void AppStoreViewModel::scheduleAuthVerification(AppStoreData *app)
{
    scheduleVerification(refOf(*app));
}

void AppStoreViewModel::scheduleVerification(const AppRef &ref)
{
    QPointer<AppStoreViewModel> self(this);
    Scheduler::instance().singleShot(kVerificationDelayMs, this, [self, ref] {
        if (!self)
            return;
        self->verify(ref, [self, ref] {
            if (!self)
                return;
            Scheduler::instance().singleShot(kVerificationDelayMs, self.data(), [self, ref] {
                if (!self)
                    return;
                const AppStoreData *row = self->currentRow(ref.id);
                if (row && !row->isAuthenticated())
                    self->verify(ref, {});
            });
        });
    });
}

void AppStoreViewModel::setupAuthObserver()
{
    if (m_authObserver)
        return;
    QPointer<AppStoreViewModel> self(this);
    m_authObserver = connect(&ApplicationActivation::instance(), &ApplicationActivation::becameActive, this, [self] {
        MainQueue::post(self.data(), [self] {
            if (self)
                self->checkPendingAuthentications();
        });
    });
}

void AppStoreViewModel::checkPendingAuthentications(std::function<void()> done)
{
    // The set as it is now; apps that start or stop waiting meanwhile do not change this pass.
    auto pass = std::make_shared<PendingPass>();
    pass->ids = m_appsAwaitingAuth.values();
    pass->done = std::move(done);
    checkNextPending(pass);
}

void AppStoreViewModel::checkNextPending(std::shared_ptr<PendingPass> pass)
{
    while (!pass->ids.isEmpty()) {
        const QUuid id = pass->ids.takeFirst();
        AppStoreData *row = nullptr;
        try {
            const QList<AppStoreData *> rows =
                m_databaseService->context()->fetch<AppStoreData>(Predicate::equal(QStringLiteral("id"), id), {}, 1);
            row = rows.isEmpty() ? nullptr : rows.first();
        } catch (const std::exception &) {
            row = nullptr;
        }
        if (!row || row->isAuthenticated())
            continue;
        QPointer<AppStoreViewModel> self(this);
        verify(refOf(*row), [self, pass] {
            if (self)
                self->checkNextPending(pass);
        });
        return;
    }
    finish(pass->done);
}

void AppStoreViewModel::verifyAuthentication(AppStoreData *app, std::function<void()> done)
{
    if (!app)
        return finish(done);
    verify(refOf(*app), std::move(done));
}

void AppStoreViewModel::verify(const AppRef &app, std::function<void()> done)
{
    if (AppStoreData *row = currentRow(app.id)) {
        row->setIsVerifyingAuth(true);
        replaceAppInAllLists(row);
    }
    QPointer<AppStoreViewModel> self(this);
    connectService().checkConnectionStatus(app.slug, this, [self, app, done](const IntegrationResult<bool> &result) {
        if (!self)
            return;
        if (!result.ok())
            return self->verifyFailed(app, result.failure->localizedDescription(), done);
        const bool connected = *result.value;
        AppStoreData *row = self->currentRow(app.id);
        if (!row)
            return finish(done);
        const bool wasConnected = row->isAuthenticated();
        row->setMcpConnected(connected);
        row->setIsAuthenticated(connected);
        row->setIsVerifyingAuth(false);
        self->replaceAppInAllLists(row);
        if (!connected) {
            self->setErrorMessage(QStringLiteral("Authentication not completed yet. Please complete the process in your browser."));
            return finish(done);
        }
        if (wasConnected)
            return finish(done);

        self->trackAuthentication(app, QStringLiteral("success"));
        const auto concluded = [self, app, done] {
            if (!self)
                return;
            self->m_appsAwaitingAuth.remove(app.id);
            if (self->m_appsAwaitingAuth.isEmpty() && self->m_authObserver) {
                QObject::disconnect(self->m_authObserver);
                self->m_authObserver = {};
            }
            finish(done);
        };
        if (row->mcpInstalled()) {
            self->setErrorMessage(app.name + QStringLiteral(" has been successfully authenticated!"));
            postConfigChanged();
            return concluded();
        }
        self->addServerForConnectedApp(app, [self, app, concluded](const std::optional<QString> &failure) {
            if (!self)
                return;
            if (failure)
                self->setErrorMessage(QStringLiteral("Authentication successful but failed to add MCP server: ") + *failure);
            else
                self->setErrorMessage(app.name + QStringLiteral(" has been successfully authenticated!"));
            concluded();
        });
    });
}

void AppStoreViewModel::verifyFailed(const AppRef &app, const QString &description, std::function<void()> done)
{
    if (AppStoreData *row = currentRow(app.id)) {
        row->setIsVerifyingAuth(false);
        replaceAppInAllLists(row);
    }
    setErrorMessage(QStringLiteral("Failed to verify authentication status: ") + description);
    finish(done);
}
