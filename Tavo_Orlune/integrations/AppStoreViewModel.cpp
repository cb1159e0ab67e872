#include "integrations/AppStoreViewModel.h"

#include "Platform/Log.h"
#include "Platform/Scheduler.h"
#include "Platform/Store/ModelContext.h"
#include "Platform/Store/StoreError.h"
#include "integrations/CatalogMirror.h"
#include "integrations/PipedreamAPIService.h"
#include "mcp/MCPConfigManager.h"
#include "model/AppNameOrder.h"
#include "model/SwiftDataService.h"

#include <QFuture>
#include <QPointer>
#include <algorithm>

namespace {
QString completeStatus(qsizetype count)
{
    return QStringLiteral("Complete! %1 apps loaded").arg(count);
}

bool sameRows(const QList<AppStoreData *> &a, const QList<AppStoreData *> &b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

bool containsId(const QList<AppStoreData *> &rows, const QUuid &id)
{
    return std::any_of(rows.begin(), rows.end(), [&](const AppStoreData *row) { return row->id() == id; });
}

// Rows whose category text names no store category are shown under Productivity.
AppCategory resolvedCategory(const AppStoreData *row)
{
    return appCategoryFromRaw(row->category()).value_or(AppCategory::Productivity);
}

QList<AppStoreData *> dedupedById(const QList<AppStoreData *> &rows)
{
    QSet<QUuid> seen;
    QList<AppStoreData *> out;
    out.reserve(rows.size());
    for (AppStoreData *row : rows) {
        const QUuid id = row->id();
        if (seen.contains(id))
            continue;
        seen.insert(id);
        out.append(row);
    }
    return out;
}

// Both sides already lower-cased.
bool matchesLowered(const QString &name, const QString &wanted)
{
    if (name == wanted)
        return true;
    // Two wanted names are matched loosely: the platform lists them under longer names.
    if (wanted == QLatin1String("google calendar"))
        return name.contains(QLatin1String("calendar")) && name.contains(QLatin1String("google"));
    if (wanted == QLatin1String("gmail"))
        return name.contains(QLatin1String("google")) && name.contains(QLatin1String("mail"));
    return name.contains(wanted);
}

QString describe(const std::exception &e)
{
    if (const auto *db = dynamic_cast<const DatabaseError *>(&e))
        return db->localizedDescription();
    if (const auto *store = dynamic_cast<const StoreError *>(&e))
        return store->localizedDescription();
    return QString::fromUtf8(e.what());
}
}

struct AppStoreViewModel::BatchRun {
    QList<AppStoreData *> existingApps;
    QHash<QString, AppStoreData *> index;
    QList<AppStoreData *> accumulated;
    int page = 1;
    std::function<void(const std::optional<QString> &)> done;
};

const QStringList &AppStoreViewModel::featuredAppNames()
{
    static const QStringList names{
        QStringLiteral("Google Calendar"), QStringLiteral("Google Sheets"), QStringLiteral("Google Docs"),
        QStringLiteral("Google Drive"), QStringLiteral("Gmail"), QStringLiteral("LinkedIn"), QStringLiteral("Slack"),
        QStringLiteral("Notion"), QStringLiteral("Asana"), QStringLiteral("Jira"), QStringLiteral("Perplexity"),
        QStringLiteral("Hubspot"), QStringLiteral("GitHub"),
    };
    return names;
}

AppStoreViewModel::AppStoreViewModel(ModelContext *modelContext, SwiftDataService *databaseService, PipedreamAPIService *catalog,
                                     QObject *parent)
    : AppStoreModel(parent)
    , m_modelContext(modelContext)
    , m_databaseService(databaseService)
    , m_pipedreamService(catalog ? catalog : new PipedreamAPIService(this))
{
    if (!m_pipedreamService->parent())
        m_pipedreamService->setParent(this);
    if (!m_databaseService) {
        // Its own context, so the store's rows are not tied to the caller's context.
        m_ownedDatabaseService = std::make_unique<SwiftDataService>(modelContext->container());
        m_databaseService = m_ownedDatabaseService.get();
    }
    QPointer<AppStoreViewModel> self(this);
    MainQueue::post(this, [self] {
        if (self)
            self->loadApps();
    });
}

AppStoreViewModel::~AppStoreViewModel() = default;

// ---- Published state ----------------------------------------------------------------------

void AppStoreViewModel::setList(QList<AppStoreData *> &member, const QList<AppStoreData *> &value, void (AppStoreViewModel::*changed)())
{
    // Views diff by id against the list they drew; an unchanged list announces nothing.
    if (sameRows(member, value))
        return;
    member = value;
    Q_EMIT(this->*changed)();
}

void AppStoreViewModel::setFeaturedApps(const QList<AppStoreData *> &value) { setList(m_featuredApps, value, &AppStoreViewModel::featuredAppsChanged); }
void AppStoreViewModel::setProductivityApps(const QList<AppStoreData *> &value) { setList(m_productivityApps, value, &AppStoreViewModel::productivityAppsChanged); }
void AppStoreViewModel::setUtilitiesApps(const QList<AppStoreData *> &value) { setList(m_utilitiesApps, value, &AppStoreViewModel::utilitiesAppsChanged); }
void AppStoreViewModel::setInstalledApps(const QList<AppStoreData *> &value) { setList(m_installedApps, value, &AppStoreViewModel::installedAppsChanged); }
void AppStoreViewModel::setUpdatableApps(const QList<AppStoreData *> &value) { setList(m_updatableApps, value, &AppStoreViewModel::updatableAppsChanged); }
void AppStoreViewModel::setAllApps(const QList<AppStoreData *> &value) { setList(m_allApps, value, &AppStoreViewModel::allAppsChanged); }
void AppStoreViewModel::setAiApps(const QList<AppStoreData *> &value) { setList(m_aiApps, value, &AppStoreViewModel::aiAppsChanged); }
void AppStoreViewModel::setBusinessApps(const QList<AppStoreData *> &value) { setList(m_businessApps, value, &AppStoreViewModel::businessAppsChanged); }
void AppStoreViewModel::setCrmApps(const QList<AppStoreData *> &value) { setList(m_crmApps, value, &AppStoreViewModel::crmAppsChanged); }
void AppStoreViewModel::setCommunicationApps(const QList<AppStoreData *> &value) { setList(m_communicationApps, value, &AppStoreViewModel::communicationAppsChanged); }
void AppStoreViewModel::setDevelopmentApps(const QList<AppStoreData *> &value) { setList(m_developmentApps, value, &AppStoreViewModel::developmentAppsChanged); }

void AppStoreViewModel::setIsLoading(bool value)
{
    if (m_isLoading == value)
        return;
    m_isLoading = value;
    Q_EMIT isLoadingChanged();
}

void AppStoreViewModel::setErrorMessage(const std::optional<QString> &value)
{
    if (m_errorMessage == value)
        return;
    m_errorMessage = value;
    Q_EMIT errorMessageChanged();
}

void AppStoreViewModel::setIsInitialLoadComplete(bool value)
{
    if (m_isInitialLoadComplete == value)
        return;
    m_isInitialLoadComplete = value;
    Q_EMIT isInitialLoadCompleteChanged();
}

void AppStoreViewModel::setLoadingProgress(double value)
{
    if (m_loadingProgress == value)
        return;
    m_loadingProgress = value;
    Q_EMIT loadingProgressChanged();
}

void AppStoreViewModel::setLoadingStatus(const QString &value)
{
    if (m_loadingStatus == value)
        return;
    m_loadingStatus = value;
    Q_EMIT loadingStatusChanged();
}

void AppStoreViewModel::setBatchesLoaded(int value)
{
    if (m_batchesLoaded == value)
        return;
    m_batchesLoaded = value;
    Q_EMIT batchesLoadedChanged();
}

void AppStoreViewModel::setTotalBatches(int value)
{
    if (m_totalBatches == value)
        return;
    m_totalBatches = value;
    Q_EMIT totalBatchesChanged();
}

void AppStoreViewModel::setIsFreshInstall(bool value)
{
    if (m_isFreshInstall == value)
        return;
    m_isFreshInstall = value;
    Q_EMIT isFreshInstallChanged();
}

void AppStoreViewModel::setShowAuthPopup(bool value)
{
    if (m_showAuthPopup == value)
        return;
    m_showAuthPopup = value;
    Q_EMIT showAuthPopupChanged();
}

void AppStoreViewModel::setAppPendingAuth(AppStoreData *value)
{
    if (m_appPendingAuth == value)
        return;
    m_appPendingAuth = value;
    Q_EMIT appPendingAuthChanged();
}

void AppStoreViewModel::setAppsCurrentlyInstalling(const QSet<QUuid> &value)
{
    if (m_appsCurrentlyInstalling == value)
        return;
    m_appsCurrentlyInstalling = value;
    Q_EMIT appsCurrentlyInstallingChanged();
}

// ---- Loading ------------------------------------------------------------------------------

void AppStoreViewModel::loadApps(std::function<void()> done)
{
    setIsLoading(true);
    setIsInitialLoadComplete(false);
    setLoadingProgress(0.0);
    setLoadingStatus(QStringLiteral("Initializing..."));
    setErrorMessage(std::nullopt);
    setBatchesLoaded(0);
    setTotalBatches(17);

    // Printing the configuration also creates the file from the default one when it is missing.
    QPointer<AppStoreViewModel> self(this);
    MCPConfigManager::shared()
        .printConfig()
        .then(this, [self, done] {
            if (self)
                self->continueLoad(done);
        })
        .onFailed(this, [self, done] {
            if (self)
                self->continueLoad(done);
        });
}

void AppStoreViewModel::continueLoad(std::function<void()> done)
{
    setLoadingStatus(QStringLiteral("Loading local data..."));
    setLoadingProgress(0.05);

    QList<AppStoreData *> local;
    try {
        local = fetchLocalizedStandard({});
    } catch (const DatabaseError &e) {
        // A store that cannot be read is not an empty one: mirroring now would insert every
        // catalog app a second time beside the rows already stored.
        setErrorMessage(QStringLiteral("Failed to load apps: ") + e.localizedDescription());
        finishLoad();
        if (done)
            done();
        return;
    }

    if (!local.isEmpty()) {
        setIsFreshInstall(false);
        setAllApps(local);
        categorizeApps();
        markPerplexityPreinstalled();
        setIsInitialLoadComplete(true);
        setIsLoading(false);
        setLoadingProgress(1.0);
        setLoadingStatus(completeStatus(m_allApps.size()));
        QPointer<AppStoreViewModel> self(this);
        loadAppsInBatches(local, [self](const std::optional<QString> &failure) {
            if (!self)
                return;
            if (failure) {
                Log::line(QStringLiteral("Background update failed: ") + *failure);
            } else {
                self->removeDuplicates();
                self->markPerplexityPreinstalled();
            }
            Q_EMIT self->backgroundRefreshFinished();
        });
        if (done)
            done();
        return;
    }

    setIsFreshInstall(true);
    setLoadingStatus(QStringLiteral("No local data found, fetching from API..."));
    setLoadingProgress(0.1);
    QPointer<AppStoreViewModel> self(this);
    loadAppsInBatches(local, [self, done](const std::optional<QString> &failure) {
        if (!self)
            return;
        if (failure) {
            self->setErrorMessage(QStringLiteral("Failed to load apps: ") + *failure);
            self->removeDuplicates();
        } else {
            self->markPerplexityPreinstalled();
            self->removeDuplicates();
        }
        self->finishLoad();
        if (done)
            done();
    });
}

void AppStoreViewModel::finishLoad()
{
    setIsLoading(false);
    setIsInitialLoadComplete(true);
    setLoadingProgress(1.0);
    setLoadingStatus(completeStatus(m_allApps.size()));
}

void AppStoreViewModel::loadAppsInBatches(const QList<AppStoreData *> &existingApps,
                                          std::function<void(const std::optional<QString> &)> done)
{
    auto run = std::make_shared<BatchRun>();
    run->existingApps = existingApps;
    for (AppStoreData *row : existingApps)
        if (const auto catalogId = row->pipedreamId())
            run->index.insert(*catalogId, row); // a later row with the same catalog id wins
    run->done = std::move(done);
    m_pipedreamService->resetPagination();
    setTotalBatches(kStatusBatchCount);
    requestNextPage(run);
}

void AppStoreViewModel::requestNextPage(std::shared_ptr<BatchRun> run)
{
    if (!m_pipedreamService->hasMoreData()) {
        run->done(std::nullopt);
        return;
    }
    QPointer<AppStoreViewModel> self(this);
    m_pipedreamService->fetchNextPage(kPageSize, this, [self, run](const IntegrationResult<QList<PipedreamApp>> &result) {
        if (!self)
            return;
        if (!result.ok()) {
            run->done(result.failure->localizedDescription());
            return;
        }
        if (result.value->isEmpty()) {
            run->done(std::nullopt);
            return;
        }
        QList<AppStoreData *> pageRows;
        try {
            pageRows = CatalogMirror::mirrorPage(*self->m_databaseService, *result.value, run->index);
        } catch (const std::exception &e) {
            run->done(describe(e));
            return;
        }
        run->accumulated.append(pageRows);
        self->setAllApps(mergeApps(run->existingApps, run->accumulated));
        self->refreshCategories();
        const int b = run->page;
        self->setBatchesLoaded(b);
        self->setLoadingProgress(std::min(0.9, b * 0.8 / kStatusBatchCount + 0.1));
        self->setLoadingStatus(QStringLiteral("Loaded %1 apps (batch %2 of %3 complete)")
                                   .arg(self->m_allApps.size())
                                   .arg(b)
                                   .arg(kStatusBatchCount));
        ++run->page;
        Scheduler::instance().singleShot(kPagePauseMs, self.data(), [self, run] {
            if (self)
                self->requestNextPage(run);
        });
    });
}

QList<AppStoreData *> AppStoreViewModel::mergeApps(const QList<AppStoreData *> &existingApps, const QList<AppStoreData *> &accumulated)
{
    QList<AppStoreData *> result;
    result.reserve(accumulated.size() + existingApps.size());
    QSet<QString> catalogIds;
    QSet<QUuid> ids;
    catalogIds.reserve(accumulated.size() + existingApps.size());
    ids.reserve(accumulated.size() + existingApps.size());
    const auto take = [&](AppStoreData *row) {
        if (const auto catalogId = row->pipedreamId()) {
            if (catalogIds.contains(*catalogId))
                return;
            catalogIds.insert(*catalogId);
            ids.insert(row->id());
            result.append(row);
            return;
        }
        const QUuid id = row->id();
        if (ids.contains(id))
            return;
        ids.insert(id);
        result.append(row);
    };
    for (AppStoreData *row : accumulated)
        take(row);
    for (AppStoreData *row : existingApps)
        take(row);
    return result;
}

// ---- Organisation -------------------------------------------------------------------------

void AppStoreViewModel::refreshCategories()
{
    organise();
}

void AppStoreViewModel::categorizeApps()
{
    organise();
}

void AppStoreViewModel::organise()
{
    const QList<AppStoreData *> apps = m_allApps;

    QList<AppStoreData *> featured = selectFeaturedApps(apps);
    if (featured.size() < 10) {
        for (AppStoreData *row : apps) {
            if (featured.size() >= 10)
                break;
            if (row->featuredWeight() > 0 && !containsId(featured, row->id()))
                featured.append(row);
        }
    }
    if (featured.size() < 6) {
        for (AppStoreData *row : apps) {
            if (featured.size() >= 6)
                break;
            if (!containsId(featured, row->id()))
                featured.append(row);
        }
    }
    setFeaturedApps(featured);

    QList<AppStoreData *> productivity, ai, business, crm, communication, development;
    for (AppStoreData *row : apps) {
        switch (resolvedCategory(row)) {
        case AppCategory::Productivity: productivity.append(row); break;
        case AppCategory::ArtificialIntelligence: ai.append(row); break;
        case AppCategory::BusinessManagement: business.append(row); break;
        case AppCategory::Crm: crm.append(row); break;
        case AppCategory::Communication: communication.append(row); break;
        case AppCategory::DeveloperTools:
        case AppCategory::WebAppDevelopment: development.append(row); break;
        default: break;
        }
    }
    setProductivityApps(productivity);
    setAiApps(ai);
    setBusinessApps(business);
    setCrmApps(crm);
    setCommunicationApps(communication);
    setDevelopmentApps(development);

    loadInstalledApps();
    loadUpdatableApps();
    removeDuplicates();
}

QList<AppStoreData *> AppStoreViewModel::selectFeaturedApps(const QList<AppStoreData *> &apps)
{
    // Lower-case every name once rather than once per wanted name.
    QStringList lowered;
    lowered.reserve(apps.size());
    for (const AppStoreData *row : apps)
        lowered.append(row->name().toLower());

    QList<AppStoreData *> result;
    for (const QString &wanted : featuredAppNames()) {
        const QString query = wanted.toLower();
        for (qsizetype i = 0; i < apps.size(); ++i) {
            const bool match = matchesLowered(lowered.at(i), query);
            if (match) {
                result.append(apps.at(i));
                break;
            }
        }
        if (result.size() >= 13)
            break;
    }
    return result;
}

bool AppStoreViewModel::matchesSearchQuery(const AppStoreData *app, const QString &query)
{
    return matchesLowered(app->name().toLower(), query.toLower());
}

void AppStoreViewModel::removeDuplicates()
{
    QList<AppStoreData *> installed = dedupedById(m_installedApps);
    AppNameOrder::sortPlain(installed);
    setInstalledApps(installed);
    QList<AppStoreData *> updatable = dedupedById(m_updatableApps);
    AppNameOrder::sortPlain(updatable);
    setUpdatableApps(updatable);
}

QList<AppStoreData *> AppStoreViewModel::fetchLocalizedStandard(const Predicate &predicate)
{
    // The store sorts names by code unit; the user expects dictionary order.
    QList<AppStoreData *> rows = m_databaseService->fetchAppStoreItems({}, predicate);
    AppNameOrder::sortLocalizedStandard(rows);
    return rows;
}

void AppStoreViewModel::loadInstalledApps()
{
    try {
        setInstalledApps(fetchLocalizedStandard(Predicate::equal(QStringLiteral("isInstalled"), true)));
    } catch (const DatabaseError &e) {
        setErrorMessage(QStringLiteral("Failed to load installed apps: ") + e.localizedDescription());
    }
}

void AppStoreViewModel::loadUpdatableApps()
{
    try {
        setUpdatableApps(fetchLocalizedStandard(Predicate::equal(QStringLiteral("isUpdatable"), true)));
    } catch (const DatabaseError &e) {
        setErrorMessage(QStringLiteral("Failed to load updatable apps: ") + e.localizedDescription());
    }
}

// ---- Single rows --------------------------------------------------------------------------

void AppStoreViewModel::replaceAppInAllLists(AppStoreData *app)
{
    const QUuid id = app->id();
    const auto replaceIn = [&](QList<AppStoreData *> &member, void (AppStoreViewModel::*changed)()) {
        for (qsizetype i = 0; i < member.size(); ++i) {
            if (member.at(i)->id() != id)
                continue;
            if (member.at(i) != app) {
                member[i] = app;
                Q_EMIT(this->*changed)();
            }
            return;
        }
    };
    replaceIn(m_featuredApps, &AppStoreViewModel::featuredAppsChanged);
    replaceIn(m_productivityApps, &AppStoreViewModel::productivityAppsChanged);
    replaceIn(m_utilitiesApps, &AppStoreViewModel::utilitiesAppsChanged);
    replaceIn(m_allApps, &AppStoreViewModel::allAppsChanged);
    replaceIn(m_aiApps, &AppStoreViewModel::aiAppsChanged);
    replaceIn(m_businessApps, &AppStoreViewModel::businessAppsChanged);
    replaceIn(m_crmApps, &AppStoreViewModel::crmAppsChanged);
    replaceIn(m_communicationApps, &AppStoreViewModel::communicationAppsChanged);
    replaceIn(m_developmentApps, &AppStoreViewModel::developmentAppsChanged);

    const auto follow = [&](const QList<AppStoreData *> &current, bool member) {
        QList<AppStoreData *> next;
        next.reserve(current.size() + 1);
        for (AppStoreData *row : current)
            if (row->id() != id)
                next.append(row);
        if (member) {
            next.append(app);
            AppNameOrder::sortPlain(next);
        }
        return next;
    };
    setInstalledApps(follow(m_installedApps, app->isInstalled()));
    setUpdatableApps(follow(m_updatableApps, app->isUpdatable()));
}

void AppStoreViewModel::markPerplexityPreinstalled()
{
    AppStoreData *row = nullptr;
    try {
        row = m_databaseService->findAppByCatalogId(kPerplexityCatalogId);
    } catch (const DatabaseError &e) {
        Log::line(QStringLiteral("❌ Failed to mark Perplexity as pre-installed: ") + e.localizedDescription());
        return;
    }
    if (!row) {
        Log::line(QStringLiteral("⚠️ Perplexity app not found in database yet"));
        return;
    }
    row->setIsInstalled(true);
    row->setIsAuthenticated(true);
    row->setMcpConnected(true);
    row->setMcpInstalled(true);
    replaceAppInAllLists(row);
}
