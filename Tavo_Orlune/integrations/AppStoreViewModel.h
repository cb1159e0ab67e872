#pragma once
#include "model/AppStoreData.h"

#include <QList>
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
class AppStoreViewModel : public QObject {
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

    QList<AppStoreData *> featuredApps() const { return m_featuredApps; }
    QList<AppStoreData *> productivityApps() const { return m_productivityApps; }
    QList<AppStoreData *> utilitiesApps() const { return m_utilitiesApps; }
    QList<AppStoreData *> installedApps() const { return m_installedApps; }
    QList<AppStoreData *> updatableApps() const { return m_updatableApps; }
    QList<AppStoreData *> allApps() const { return m_allApps; }
    bool isLoading() const { return m_isLoading; }
    std::optional<QString> errorMessage() const { return m_errorMessage; }
    QList<AppStoreData *> aiApps() const { return m_aiApps; }
    QList<AppStoreData *> businessApps() const { return m_businessApps; }
    QList<AppStoreData *> crmApps() const { return m_crmApps; }
    QList<AppStoreData *> communicationApps() const { return m_communicationApps; }
    QList<AppStoreData *> developmentApps() const { return m_developmentApps; }
    bool isInitialLoadComplete() const { return m_isInitialLoadComplete; }
    double loadingProgress() const { return m_loadingProgress; }
    QString loadingStatus() const { return m_loadingStatus; }
    int batchesLoaded() const { return m_batchesLoaded; }
    int totalBatches() const { return m_totalBatches; }
    bool isFreshInstall() const { return m_isFreshInstall; }
    bool showAuthPopup() const { return m_showAuthPopup; }
    AppStoreData *appPendingAuth() const { return m_appPendingAuth; }
    QSet<QUuid> appsCurrentlyInstalling() const { return m_appsCurrentlyInstalling; }
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

    // Catalog rows of the fetched pages first (first occurrence of each catalog id), then the
    // stored rows they did not match, then stored rows without a catalog id.
    static QList<AppStoreData *> mergeApps(const QList<AppStoreData *> &existingApps, const QList<AppStoreData *> &accumulated);
    // At most one pick per wanted name, in wanted-name order; at most 13 rows.
    static QList<AppStoreData *> selectFeaturedApps(const QList<AppStoreData *> &apps);
    static bool matchesSearchQuery(const AppStoreData *app, const QString &query);

Q_SIGNALS:
    void featuredAppsChanged();
    void productivityAppsChanged();
    void utilitiesAppsChanged();
    void installedAppsChanged();
    void updatableAppsChanged();
    void allAppsChanged();
    void isLoadingChanged();
    void errorMessageChanged();
    void aiAppsChanged();
    void businessAppsChanged();
    void crmAppsChanged();
    void communicationAppsChanged();
    void developmentAppsChanged();
    void isInitialLoadCompleteChanged();
    void loadingProgressChanged();
    void loadingStatusChanged();
    void batchesLoadedChanged();
    void totalBatchesChanged();
    void isFreshInstallChanged();
    void showAuthPopupChanged();
    void appPendingAuthChanged();
    void appsCurrentlyInstallingChanged();
    // The catalog refresh that follows a load from stored rows has ended, read to its end or not.
    void backgroundRefreshFinished();

private:
    struct BatchRun;
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
};
