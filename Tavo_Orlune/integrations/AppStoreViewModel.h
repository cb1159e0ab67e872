#pragma once
#include "integrations/AppStoreModel.h"
#include "model/AppStoreData.h"

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <functional>
#include <memory>
#include <optional>

class ModelContext;
class Predicate;
class PipedreamAPIService;
class PipedreamConnectService;
class SwiftDataService;

// The state behind the integration store of one surface (the store window, the canvas
// overlay): the catalog mirrored into store rows, the featured and per-category lists, the
// installed and updatable lists and the progress of the first load. Each surface makes its own;
// two are never shared. Main thread only.
//
// Lists hold the row objects of the data service's context, so a row changed through one list
// is changed in all of them. A list's change signal fires only when its sequence of rows
// changed; views keep the list they drew and diff it by row id (AppListDiff), so a page that
// adds rows inserts cards instead of rebuilding them all.
//
// The first load starts on the next turn after construction: stored rows first, then the
// catalog page by page. A store with rows shows them at once and refreshes the catalog in the
// background.
//
// Installing, connecting and uninstalling an app are its operations too (the cards and the
// authorization popup call them through AppStoreModel): an install asks the platform whether
// the user's account is connected and raises the popup when it is not; a connection started in
// the browser is checked about 30 s and 60 s later and whenever the application becomes
// active, and a newly connected app gets its remote MCP server entry, after which
// "MCPConfigChanged" is posted for the tool runtime.
class AppStoreViewModel : public AppStoreModel {
    Q_OBJECT
    Q_PROPERTY(QList<AppStoreData *> featuredApps READ featuredApps WRITE setFeaturedApps NOTIFY featuredAppsChanged)
    Q_PROPERTY(QList<AppStoreData *> productivityApps READ productivityApps WRITE setProductivityApps NOTIFY productivityAppsChanged)
    Q_PROPERTY(QList<AppStoreData *> utilitiesApps READ utilitiesApps WRITE setUtilitiesApps NOTIFY utilitiesAppsChanged)
    Q_PROPERTY(QList<AppStoreData *> installedApps READ installedApps WRITE setInstalledApps NOTIFY installedAppsChanged)
    Q_PROPERTY(QList<AppStoreData *> updatableApps READ updatableApps WRITE setUpdatableApps NOTIFY updatableAppsChanged)
    Q_PROPERTY(QList<AppStoreData *> allApps READ allApps WRITE setAllApps NOTIFY allAppsChanged)
    Q_PROPERTY(bool isLoading READ isLoading WRITE setIsLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(std::optional<QString> errorMessage READ errorMessage WRITE setErrorMessage NOTIFY errorMessageChanged)
    Q_PROPERTY(QList<AppStoreData *> aiApps READ aiApps WRITE setAiApps NOTIFY aiAppsChanged)
    Q_PROPERTY(QList<AppStoreData *> businessApps READ businessApps WRITE setBusinessApps NOTIFY businessAppsChanged)
    Q_PROPERTY(QList<AppStoreData *> crmApps READ crmApps WRITE setCrmApps NOTIFY crmAppsChanged)
    Q_PROPERTY(QList<AppStoreData *> communicationApps READ communicationApps WRITE setCommunicationApps NOTIFY communicationAppsChanged)
    Q_PROPERTY(QList<AppStoreData *> developmentApps READ developmentApps WRITE setDevelopmentApps NOTIFY developmentAppsChanged)
    Q_PROPERTY(bool isInitialLoadComplete READ isInitialLoadComplete WRITE setIsInitialLoadComplete NOTIFY isInitialLoadCompleteChanged)
    Q_PROPERTY(double loadingProgress READ loadingProgress WRITE setLoadingProgress NOTIFY loadingProgressChanged)
    Q_PROPERTY(QString loadingStatus READ loadingStatus WRITE setLoadingStatus NOTIFY loadingStatusChanged)
    Q_PROPERTY(int batchesLoaded READ batchesLoaded WRITE setBatchesLoaded NOTIFY batchesLoadedChanged)
    Q_PROPERTY(int totalBatches READ totalBatches WRITE setTotalBatches NOTIFY totalBatchesChanged)
    Q_PROPERTY(bool isFreshInstall READ isFreshInstall WRITE setIsFreshInstall NOTIFY isFreshInstallChanged)
    Q_PROPERTY(bool showAuthPopup READ showAuthPopup WRITE setShowAuthPopup NOTIFY showAuthPopupChanged)
    Q_PROPERTY(AppStoreData *appPendingAuth READ appPendingAuth WRITE setAppPendingAuth NOTIFY appPendingAuthChanged)
    Q_PROPERTY(QSet<QUuid> appsCurrentlyInstalling READ appsCurrentlyInstalling WRITE setAppsCurrentlyInstalling NOTIFY appsCurrentlyInstallingChanged)
public:
    // The catalog id of the hosted MCP server the application adds by itself at sign-in.
    static inline const QString kPerplexityCatalogId = QStringLiteral("app_7Lho0v");
    static constexpr int kPageSize = 100;
    // The number of pages the status line counts to; the catalog may hold more.
    static constexpr int kStatusBatchCount = 30;
    static constexpr int kPagePauseMs = 50;

    // The wanted names of the featured list, in the order they are searched for.
    static const QStringList &featuredAppNames();

    // Without a data service the view model builds its own over a new, autosaving context on
    // modelContext's container. A given service is not owned. catalog: tests and benchmarks
    // point it at a stand-in; by default it is the configured catalog client. A catalog client
    // without a parent becomes the view model's child.
    explicit AppStoreViewModel(ModelContext *modelContext, SwiftDataService *databaseService = nullptr,
                               PipedreamAPIService *catalog = nullptr, QObject *parent = nullptr);
    ~AppStoreViewModel() override;

    ModelContext *modelContext() const { return m_modelContext; }
    SwiftDataService *databaseService() const { return m_databaseService; }
    PipedreamAPIService *pipedreamService() const { return m_pipedreamService; }

    QList<AppStoreData *> featuredApps() const override { return m_featuredApps; }
    QList<AppStoreData *> productivityApps() const override { return m_productivityApps; }
    QList<AppStoreData *> utilitiesApps() const { return m_utilitiesApps; }
    QList<AppStoreData *> installedApps() const override { return m_installedApps; }
    QList<AppStoreData *> updatableApps() const override { return m_updatableApps; }
    QList<AppStoreData *> allApps() const override { return m_allApps; }
    bool isLoading() const override { return m_isLoading; }
    std::optional<QString> errorMessage() const { return m_errorMessage; }
    QList<AppStoreData *> aiApps() const override { return m_aiApps; }
    QList<AppStoreData *> businessApps() const { return m_businessApps; }
    QList<AppStoreData *> crmApps() const { return m_crmApps; }
    QList<AppStoreData *> communicationApps() const { return m_communicationApps; }
    QList<AppStoreData *> developmentApps() const { return m_developmentApps; }
    bool isInitialLoadComplete() const override { return m_isInitialLoadComplete; }
    double loadingProgress() const override { return m_loadingProgress; }
    QString loadingStatus() const { return m_loadingStatus; }
    int batchesLoaded() const { return m_batchesLoaded; }
    int totalBatches() const { return m_totalBatches; }
    bool isFreshInstall() const override { return m_isFreshInstall; }
    bool showAuthPopup() const override { return m_showAuthPopup; }
    AppStoreData *appPendingAuth() const override { return m_appPendingAuth; }
    QSet<QUuid> appsCurrentlyInstalling() const override { return m_appsCurrentlyInstalling; }
    QSet<QUuid> appsAwaitingAuth() const { return m_appsAwaitingAuth; }
    bool isProcessingAuth() const { return m_isProcessingAuth; }

    void setFeaturedApps(const QList<AppStoreData *> &value);
    void setProductivityApps(const QList<AppStoreData *> &value);
    void setUtilitiesApps(const QList<AppStoreData *> &value);
    void setInstalledApps(const QList<AppStoreData *> &value);
    void setUpdatableApps(const QList<AppStoreData *> &value);
    void setAllApps(const QList<AppStoreData *> &value);
    void setIsLoading(bool value);
    void setErrorMessage(const std::optional<QString> &value);
    void setAiApps(const QList<AppStoreData *> &value);
    void setBusinessApps(const QList<AppStoreData *> &value);
    void setCrmApps(const QList<AppStoreData *> &value);
    void setCommunicationApps(const QList<AppStoreData *> &value);
    void setDevelopmentApps(const QList<AppStoreData *> &value);
    void setIsInitialLoadComplete(bool value);
    void setLoadingProgress(double value);
    void setLoadingStatus(const QString &value);
    void setBatchesLoaded(int value);
    void setTotalBatches(int value);
    void setIsFreshInstall(bool value);
    void setShowAuthPopup(bool value);
    void setAppPendingAuth(AppStoreData *value);
    void setAppsCurrentlyInstalling(const QSet<QUuid> &value);
    void setAppsAwaitingAuth(const QSet<QUuid> &value) { m_appsAwaitingAuth = value; }
    void setIsProcessingAuth(bool value) { m_isProcessingAuth = value; }

    // The first load; construction starts it once. done runs when the load is complete (a
    // background refresh may still be running then).
    void loadApps(std::function<void()> done = {});
    // Pages the whole catalog into rows, matching catalog apps to existingApps (then to the
    // store) by catalog id, and sets allApps after every page. done gets the description of the
    // first failure (a page request, or the store), or nothing when the catalog was read to its
    // end. Nothing runs after the view model is gone.
    void loadAppsInBatches(const QList<AppStoreData *> &existingApps, std::function<void(const std::optional<QString> &failure)> done);
    // Rebuild the featured and category lists from allApps, reload the installed and updatable
    // lists and tidy them. The two are the same step under the names the load uses.
    void refreshCategories();
    void categorizeApps();
    // Installed and updatable lists: one entry per id, in plain name order.
    void removeDuplicates();
    // Installed (updatable) rows from the store in localized standard name order.
    void loadInstalledApps();
    void loadUpdatableApps();
    // Swaps app into every display list in place of the entry with its id, and moves it into or
    // out of the installed and updatable lists as its flags say.
    void replaceAppInAllLists(AppStoreData *app);
    // Marks the stored catalog row of the default hosted server installed and connected.
    void markPerplexityPreinstalled();

    // ---- Installing and connecting ----
    // The connect client: the process-wide one unless a test set its own (not owned).
    PipedreamConnectService &connectService() const;
    void setConnectService(PipedreamConnectService *service) { m_connectService = service; }

    // The operations of AppStoreModel; each form with `done` runs it once the operation has
    // ended (nothing runs after the view model is gone).
    void toggleInstallation(AppStoreData *app) override { toggleInstallation(app, {}); }
    void toggleInstallation(AppStoreData *app, std::function<void()> done);
    void updateApp(AppStoreData *app) override { updateApp(app, {}); }
    void updateApp(AppStoreData *app, std::function<void()> done);
    void uninstallApp(AppStoreData *app) override { uninstallApp(app, {}); }
    void uninstallApp(AppStoreData *app, std::function<void()> done);
    void connectInstalledApp(AppStoreData *app) override { connectInstalledApp(app, {}); }
    void connectInstalledApp(AppStoreData *app, std::function<void()> done);
    void authenticatePendingApp() override { authenticatePendingApp({}); }
    void authenticatePendingApp(std::function<void()> done);
    void cancelAuthentication() override;
    // Marks app installed, notes whether its MCP entry exists and whether its account is
    // connected, and raises the popup when it is not. Only toggleInstallation calls it.
    void installApp(AppStoreData *app, std::function<void()> done);

    // Checks app's connection about 30 s after now and, while still unconnected, 30 s after
    // that answer (scheduler time).
    void scheduleAuthVerification(AppStoreData *app);
    // Follows application activations (once) while connections are awaited.
    void setupAuthObserver();
    bool hasAuthObserver() const { return bool(m_authObserver); }
    // Verifies every app awaiting its connection that is not connected yet, one after another.
    void checkPendingAuthentications(std::function<void()> done = {});
    // Asks the platform whether app's account is connected; a newly connected app gets its
    // MCP server entry and "MCPConfigChanged" is posted.
    void verifyAuthentication(AppStoreData *app, std::function<void()> done = {});
    // The remote MCP server of app for the signed-in user: base, external user id, slug.
    QString mcpServerURL(const AppStoreData &app) const;

    static constexpr qint64 kVerificationDelayMs = 30000;

    // Catalog rows of the fetched pages first (first occurrence of each catalog id), then the
    // stored rows they did not match, then stored rows without a catalog id.
    static QList<AppStoreData *> mergeApps(const QList<AppStoreData *> &existingApps, const QList<AppStoreData *> &accumulated);
    // At most one pick per wanted name, in wanted-name order; at most 13 rows.
    static QList<AppStoreData *> selectFeaturedApps(const QList<AppStoreData *> &apps);
    static bool matchesSearchQuery(const AppStoreData *app, const QString &query);

Q_SIGNALS:
    void utilitiesAppsChanged();
    void errorMessageChanged();
    void businessAppsChanged();
    void crmAppsChanged();
    void communicationAppsChanged();
    void developmentAppsChanged();
    void loadingStatusChanged();
    void batchesLoadedChanged();
    void totalBatchesChanged();
    // The catalog refresh that follows a load from stored rows has ended, read to its end or not.
    void backgroundRefreshFinished();

private:
    struct BatchRun;
    // What a running operation keeps of a row: rows are read again by id at each step.
    struct AppRef {
        QUuid id;
        QString name;
        QString slug;
        QString category;
        QString developer;
    };
    static AppRef refOf(const AppStoreData &app);
    AppStoreData *currentRow(const QUuid &id) const;
    void insertInstalling(const QUuid &id);
    void removeInstalling(const QUuid &id);
    void removeFromInstalled(const QUuid &id);
    void trackAuthentication(const AppRef &app, const QString &action);
    void finishInstall(AppStoreData *app, bool entryExists, std::function<void()> done);
    void addServerForConnectedApp(const AppRef &app, std::function<void(const std::optional<QString> &failure)> done);
    void verify(const AppRef &app, std::function<void()> done);
    void verifyFailed(const AppRef &app, const QString &description, std::function<void()> done);
    void handOverToBrowser(const AppRef &app, bool opened);
    void scheduleVerification(const AppRef &app);
    struct PendingPass {
        QList<QUuid> ids;
        std::function<void()> done;
    };
    void checkNextPending(std::shared_ptr<PendingPass> pass);
    void uninstallLocally(AppStoreData *row, const std::optional<QString> &remoteError, std::function<void()> done);

    void continueLoad(std::function<void()> done);
    void finishLoad();
    void requestNextPage(std::shared_ptr<BatchRun> run);
    void organise();
    QList<AppStoreData *> fetchLocalizedStandard(const Predicate &predicate);
    void setList(QList<AppStoreData *> &member, const QList<AppStoreData *> &value, void (AppStoreViewModel::*changed)());

    ModelContext *m_modelContext;
    std::unique_ptr<SwiftDataService> m_ownedDatabaseService;
    SwiftDataService *m_databaseService;
    PipedreamAPIService *m_pipedreamService;
    QList<AppStoreData *> m_featuredApps;
    QList<AppStoreData *> m_productivityApps;
    QList<AppStoreData *> m_utilitiesApps;
    QList<AppStoreData *> m_installedApps;
    QList<AppStoreData *> m_updatableApps;
    QList<AppStoreData *> m_allApps;
    bool m_isLoading = false;
    std::optional<QString> m_errorMessage;
    QList<AppStoreData *> m_aiApps;
    QList<AppStoreData *> m_businessApps;
    QList<AppStoreData *> m_crmApps;
    QList<AppStoreData *> m_communicationApps;
    QList<AppStoreData *> m_developmentApps;
    bool m_isInitialLoadComplete = false;
    double m_loadingProgress = 0.0;
    QString m_loadingStatus = QStringLiteral("Initializing...");
    int m_batchesLoaded = 0;
    int m_totalBatches = 0;
    bool m_isFreshInstall = false;
    bool m_showAuthPopup = false;
    AppStoreData *m_appPendingAuth = nullptr;
    QSet<QUuid> m_appsCurrentlyInstalling;
    QSet<QUuid> m_appsAwaitingAuth;
    bool m_isProcessingAuth = false;
    PipedreamConnectService *m_connectService = nullptr;
    QMetaObject::Connection m_authObserver;
};
