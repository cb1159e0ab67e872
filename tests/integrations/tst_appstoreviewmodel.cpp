#include "PipedreamStandin.h"
#include "Platform/Log.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"
#include "TestMain.h"
#include "integrations/AppListDiff.h"
#include "integrations/AppStoreViewModel.h"
#include "integrations/CatalogMirror.h"
#include "integrations/IntegrationFailure.h"
#include "integrations/PipedreamAPIService.h"
#include "model/AIStepTransformer.h"
#include "model/AppNameOrder.h"
#include "model/SharedModelContainer.h"
#include "model/SwiftDataService.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
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

void captureLog(const QString &line)
{
    logLines().append(line);
}

QStringList names(const QList<AppStoreData *> &rows)
{
    QStringList out;
    for (const AppStoreData *row : rows)
        out << row->name();
    return out;
}

QStringList catalogIds(const QList<AppStoreData *> &rows)
{
    QStringList out;
    for (const AppStoreData *row : rows)
        out << row->pipedreamId().value_or(QString());
    return out;
}

QStringList expectedCatalogIds(int count)
{
    QStringList out;
    for (int i = 0; i < count; ++i)
        out << QStringLiteral("app_%1").arg(i, 5, 10, QLatin1Char('0'));
    return out;
}

AppStoreData *row(const QString &name, const QString &category = S("Productivity"), qint64 weight = 0,
                  const std::optional<QString> &catalogId = std::nullopt)
{
    return new AppStoreData(QUuid::createUuid(), catalogId, name, S("Dev"), S("About"), QString(), std::nullopt, S("Free"), 4.0,
                            appCategoryFromRaw(category).value_or(AppCategory::Productivity), false, false,
                            QDateTime::currentDateTimeUtc(), weight, std::nullopt, false, false, false, false, std::nullopt);
}

QJsonObject perplexityEntry()
{
    return QJsonObject{{S("id"), AppStoreViewModel::kPerplexityCatalogId}, {S("name_slug"), S("perplexity")},
                       {S("name"), S("Perplexity")}, {S("auth_type"), S("keys")},
                       {S("description"), S("Search the web with cited answers.")},
                       {S("img_src"), S("https://assets.invalid/apps/perplexity.png")}, {S("custom_fields_json"), S("[]")},
                       {S("categories"), QJsonArray{S("Artificial Intelligence (AI)")}}, {S("featured_weight"), 5000}};
}

// A data service whose reads fail, as a store that cannot be read does.
class UnreadableDataService : public SwiftDataService {
public:
    using SwiftDataService::SwiftDataService;
    QList<AppStoreData *> fetchAppStoreItems(const QList<SortDescriptor> &, const Predicate & = {}) override
    {
        throw DatabaseError(DatabaseError::Kind::FetchFailed, StoreError(StoreError::Kind::FetchFailed, S("disk I/O error")));
    }
};
}

// The store's view model against the platform stand-in and a store file of its own.
class AppStoreViewModelTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ModelContainer> m_store;
    std::unique_ptr<PipedreamStandin> m_platform;
    QList<ModelContext *> m_contexts;
    QList<AppStoreViewModel *> m_models;
    QList<AppStoreData *> m_looseRows;

    PipedreamAPIService *catalog() const
    {
        return new PipedreamAPIService(m_platform->baseUrl() + S("/v1/apps"), m_platform->catalogKey());
    }
    ModelContext *newContext()
    {
        auto *context = new ModelContext(m_store.get());
        m_contexts << context;
        return context;
    }
    AppStoreViewModel *make(SwiftDataService *service = nullptr)
    {
        auto *model = new AppStoreViewModel(newContext(), service, catalog());
        m_models << model;
        return model;
    }
    AppStoreViewModel *loaded(SwiftDataService *service = nullptr)
    {
        AppStoreViewModel *model = make(service);
        if (!QTest::qWaitFor([&] { return model->isInitialLoadComplete(); }, 20000))
            qFatal("the load did not complete");
        return model;
    }
    // A view model whose own load is over (an empty catalog), for the list operations.
    AppStoreViewModel *idle()
    {
        const int size = m_platform->catalogSize();
        m_platform->setCatalogSize(0);
        AppStoreViewModel *model = loaded();
        m_platform->setCatalogSize(size);
        return model;
    }
    QList<AppStoreData *> loose(const QList<AppStoreData *> &rows)
    {
        m_looseRows << rows;
        return rows;
    }
    // Every stored row, read through a context of the test's own.
    QList<AppStoreData *> storedRows()
    {
        return newContext()->fetch<AppStoreData>();
    }
    static void waitForRefresh(QSignalSpy &finished)
    {
        if (finished.isEmpty() && !finished.wait(20000))
            qFatal("the background refresh did not end");
    }

private Q_SLOTS:
    void initTestCase()
    {
        Log::setSink(&captureLog);
        AIStepTransformer::registerTransformer();
    }
    void init()
    {
        logLines().clear();
        m_dir = std::make_unique<QTemporaryDir>();
        ModelConfiguration configuration;
        configuration.filePath = m_dir->filePath(S("default.store"));
        m_store = std::make_unique<ModelContainer>(ModelStore::schema(), configuration);
        m_platform = std::make_unique<PipedreamStandin>();
        QVERIFY(m_platform->start());
        m_platform->setCatalogSize(250);
        m_platform->setCatalogEntry(7, perplexityEntry());
    }
    void cleanup()
    {
        qDeleteAll(m_models);
        m_models.clear();
        qDeleteAll(m_looseRows);
        m_looseRows.clear();
        qDeleteAll(m_contexts);
        m_contexts.clear();
        m_platform.reset();
        m_store.reset();
        m_dir.reset();
    }

    // ---- Loading and mirroring ---------------------------------------------------------------

    void firstLoadMirrorsTheWholeCatalog()
    {
        AppStoreViewModel *model = make();
        QCOMPARE(model->loadingStatus(), S("Initializing..."));
        QCOMPARE(model->totalBatches(), 0);
        QStringList statuses{model->loadingStatus()};
        QList<double> progress;
        connect(model, &AppStoreViewModel::loadingStatusChanged, this, [&] { statuses << model->loadingStatus(); });
        connect(model, &AppStoreViewModel::loadingProgressChanged, this, [&] { progress << model->loadingProgress(); });
        QVERIFY(QTest::qWaitFor([&] { return model->isInitialLoadComplete(); }, 20000));

        QCOMPARE(statuses, (QStringList{S("Initializing..."), S("Loading local data..."), S("No local data found, fetching from API..."),
                                        S("Loaded 100 apps (batch 1 of 30 complete)"), S("Loaded 200 apps (batch 2 of 30 complete)"),
                                        S("Loaded 250 apps (batch 3 of 30 complete)"), S("Complete! 250 apps loaded")}));
        QCOMPARE(progress.size(), 6);
        const QList<double> expected{0.05, 0.1, 1 * 0.8 / 30 + 0.1, 2 * 0.8 / 30 + 0.1, 3 * 0.8 / 30 + 0.1, 1.0};
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(progress.at(i), expected.at(i));
        QVERIFY(model->isFreshInstall());
        QVERIFY(!model->isLoading());
        QCOMPARE(model->batchesLoaded(), 3);
        QCOMPARE(model->totalBatches(), 30);
        QCOMPARE(model->errorMessage(), std::nullopt);

        QStringList wanted = expectedCatalogIds(250);
        wanted[7] = AppStoreViewModel::kPerplexityCatalogId;
        QCOMPARE(catalogIds(model->allApps()), wanted);
        QStringList stored = catalogIds(storedRows());
        stored.sort();
        wanted.sort();
        QCOMPARE(stored, wanted);

        // The lists are filled and the hosted server's row is installed and connected.
        QCOMPARE(model->aiApps().size(), 13); // every 22nd app, and Perplexity
        QVERIFY(!model->featuredApps().isEmpty());
        QCOMPARE(names(model->featuredApps()).first(), S("Perplexity"));
        QCOMPARE(names(model->installedApps()), QStringList{S("Perplexity")});
        AppStoreData *perplexity = model->installedApps().first();
        QVERIFY(perplexity->isInstalled() && perplexity->isAuthenticated() && perplexity->mcpConnected() && perplexity->mcpInstalled());
        QVERIFY(model->utilitiesApps().isEmpty());
    }

    void secondLoadUpdatesWithoutInserting()
    {
        loaded();
        // A stored row keeps what it holds even when the catalog says otherwise, and a row
        // without a catalog id stays listed after the catalog rows.
        ModelContext *editor = newContext();
        AppStoreData *renamed = editor->fetch<AppStoreData>(Predicate::equal(S("pipedreamId"), S("app_00003"))).first();
        renamed->setName(S("Renamed by hand"));
        editor->insert(row(S("Local only")));
        editor->save();
        const int requestsBefore = m_platform->count(Route::Catalog);

        AppStoreViewModel *model = make();
        QSignalSpy refreshed(model, &AppStoreViewModel::backgroundRefreshFinished);
        QVERIFY(QTest::qWaitFor([&] { return model->isInitialLoadComplete(); }, 20000));
        QVERIFY(!model->isFreshInstall());
        QCOMPARE(model->loadingStatus(), S("Complete! 251 apps loaded"));
        // Stored rows come first in dictionary order: digit runs by value.
        QCOMPARE(names(model->allApps()).mid(0, 4), (QStringList{S("App 0"), S("App 1"), S("App 2"), S("App 4")}));

        waitForRefresh(refreshed);
        QCOMPARE(m_platform->count(Route::Catalog), requestsBefore + 3);
        QCOMPARE(storedRows().size(), 251);
        QStringList wanted = expectedCatalogIds(250);
        wanted[7] = AppStoreViewModel::kPerplexityCatalogId;
        wanted << QString();
        QCOMPARE(catalogIds(model->allApps()), wanted);
        QCOMPARE(model->allApps().at(3)->name(), S("Renamed by hand"));
        QCOMPARE(model->allApps().last()->name(), S("Local only"));
        QCOMPARE(model->loadingStatus(), S("Loaded 251 apps (batch 3 of 30 complete)"));
        QCOMPARE(model->errorMessage(), std::nullopt);
    }

    void mirroringReusesStoredRowsTheIndexDoesNotKnow()
    {
        AppStoreViewModel *model = loaded();
        const QList<AppStoreData *> before = model->allApps();
        std::optional<std::optional<QString>> outcome;
        // An empty index: every catalog id has to be found in the store instead.
        model->loadAppsInBatches({}, [&](const std::optional<QString> &failure) { outcome = failure; });
        QVERIFY(QTest::qWaitFor([&] { return outcome.has_value(); }, 20000));
        QCOMPARE(*outcome, std::nullopt);
        QCOMPARE(storedRows().size(), 250);
        QCOMPARE(model->allApps(), before);
    }

    void failedLocalFetchMirrorsNothing()
    {
        loaded();
        const int requestsBefore = m_platform->count(Route::Catalog);
        UnreadableDataService unreadable(m_store.get());
        AppStoreViewModel *model = loaded(&unreadable);
        QCOMPARE(model->errorMessage(), S("Failed to load apps: ") + DatabaseError(DatabaseError::Kind::FetchFailed).localizedDescription());
        QVERIFY(!model->isFreshInstall());
        QVERIFY(!model->isLoading());
        QCOMPARE(model->loadingProgress(), 1.0);
        QCOMPARE(model->loadingStatus(), S("Complete! 0 apps loaded"));
        QTest::qWait(200);
        QCOMPARE(m_platform->count(Route::Catalog), requestsBefore);
        QCOMPARE(storedRows().size(), 250);
        delete m_models.takeLast(); // before the service it uses
    }

    void twoViewModelsLoadingTogetherLeaveOneRowPerCatalogId()
    {
        AppStoreViewModel *window = make();
        AppStoreViewModel *overlay = make();
        QVERIFY(QTest::qWaitFor([&] { return window->isInitialLoadComplete() && overlay->isInitialLoadComplete(); }, 30000));
        QCOMPARE(m_platform->count(Route::Catalog), 6);
        QStringList stored = catalogIds(storedRows());
        QCOMPARE(stored.size(), 250);
        QCOMPARE(QSet<QString>(stored.begin(), stored.end()).size(), 250);
        // Both surfaces list the same rows, each through its own context.
        QStringList windowIds, overlayIds;
        for (AppStoreData *r : window->allApps())
            windowIds << r->id().toString();
        for (AppStoreData *r : overlay->allApps())
            overlayIds << r->id().toString();
        QCOMPARE(windowIds, overlayIds);
        QCOMPARE(window->allApps().size(), 250);
    }

    void twoContextsMirroringOnePageInOneTurnStoreItOnce()
    {
        // No event-loop turn between the two, so no autosave either: the first context's rows
        // must be in the store by the time the second one looks.
        QList<PipedreamApp> page;
        for (int i = 0; i < 10; ++i)
            page << PipedreamApp::fromJson(m_platform->catalogApp(i).toObject());
        SwiftDataService window(m_store.get()), overlay(m_store.get());
        const QList<AppStoreData *> first = CatalogMirror::mirrorPage(window, page, {});
        const QList<AppStoreData *> second = CatalogMirror::mirrorPage(overlay, page, {});
        QCOMPARE(storedRows().size(), 10);
        for (int i = 0; i < 10; ++i)
            QCOMPARE(second.at(i)->id(), first.at(i)->id());
    }

    void failedPageKeepsEarlierPages()
    {
        // Page 1 as the platform would serve it, page 2 fails.
        QJsonArray data;
        for (int i = 0; i < 100; ++i)
            data.append(m_platform->catalogApp(i));
        const QJsonObject info{{S("total_count"), 250}, {S("count"), 100}, {S("end_cursor"), PipedreamStandin::cursorFor(100)}};
        m_platform->queueReply(Route::Catalog, PipedreamStandin::reply(200, QJsonDocument(QJsonObject{{S("page_info"), info}, {S("data"), data}}).toJson()));
        m_platform->queueReply(Route::Catalog, PipedreamStandin::reply(503, "{}"));

        AppStoreViewModel *model = loaded();
        const QString reason = IntegrationFailure::api(PipedreamAPIError::httpError(503)).localizedDescription();
        QCOMPARE(model->errorMessage(), S("Failed to load apps: ") + reason);
        QCOMPARE(model->allApps().size(), 100);
        QCOMPARE(model->loadingStatus(), S("Complete! 100 apps loaded"));
        QCOMPARE(model->loadingProgress(), 1.0);
        QCOMPARE(storedRows().size(), 100);
    }

    void failedBackgroundRefreshOnlyLogs()
    {
        loaded();
        m_platform->queueReply(Route::Catalog, PipedreamStandin::reply(500, "{}"));
        AppStoreViewModel *model = make();
        QSignalSpy refreshed(model, &AppStoreViewModel::backgroundRefreshFinished);
        QVERIFY(QTest::qWaitFor([&] { return model->isInitialLoadComplete(); }, 20000));
        waitForRefresh(refreshed);
        const QString reason = IntegrationFailure::api(PipedreamAPIError::httpError(500)).localizedDescription();
        QVERIFY(logLines().contains(S("Background update failed: ") + reason));
        QCOMPARE(model->errorMessage(), std::nullopt);
        QCOMPARE(model->loadingStatus(), S("Complete! 250 apps loaded"));
        QCOMPARE(model->allApps().size(), 250);
    }

    // ---- Organisation --------------------------------------------------------------------------

    void featuredSelection_data()
    {
        QTest::addColumn<QStringList>("rowNames");
        QTest::addColumn<QList<int>>("weights"); // missing entries weigh 0
        QTest::addColumn<QStringList>("featured");

        QTest::newRow("nothing") << QStringList{} << QList<int>{} << QStringList{};
        QTest::newRow("weighted first, then the rest") << QStringList{S("A"), S("B"), S("C"), S("D")} << QList<int>{0, 5, 0, 3}
                                                       << QStringList{S("B"), S("D"), S("A"), S("C")};
        QStringList many;
        for (int i = 0; i < 20; ++i)
            many << QStringLiteral("Tool %1").arg(i);
        many.insert(10, S("Slack"));
        many.insert(3, S("Gmail"));
        QTest::newRow("picks in wish order, topped up to six")
            << many << QList<int>{} << QStringList{S("Gmail"), S("Slack"), S("Tool 0"), S("Tool 1"), S("Tool 2"), S("Tool 3")};
        QTest::newRow("gmail needs google and mail") << QStringList{S("My gmail tool"), S("Google Mail")} << QList<int>{}
                                                     << QStringList{S("Google Mail"), S("My gmail tool")};
        QTest::newRow("calendar in any order") << QStringList{S("Calendly"), S("Calendar by GOOGLE")} << QList<int>{}
                                               << QStringList{S("Calendar by GOOGLE"), S("Calendly")};
        QTest::newRow("first containing row wins") << QStringList{S("Jira Service Desk"), S("Jira")} << QList<int>{}
                                                   << QStringList{S("Jira Service Desk"), S("Jira")};
        QStringList weighted;
        for (int i = 0; i < 12; ++i)
            weighted << QStringLiteral("W%1").arg(i);
        QTest::newRow("weights top up to ten") << weighted << QList<int>(12, 1)
                                               << QStringList{S("W0"), S("W1"), S("W2"), S("W3"), S("W4"), S("W5"), S("W6"), S("W7"), S("W8"), S("W9")};
        QStringList all = AppStoreViewModel::featuredAppNames();
        all << S("Hubspot CRM") << S("Extra");
        QTest::newRow("at most thirteen") << all << QList<int>(15, 1) << AppStoreViewModel::featuredAppNames();
    }
    void featuredSelection()
    {
        QFETCH(QStringList, rowNames);
        QFETCH(QList<int>, weights);
        QFETCH(QStringList, featured);
        AppStoreViewModel *model = idle();
        QList<AppStoreData *> rows;
        for (int i = 0; i < rowNames.size(); ++i)
            rows << row(rowNames.at(i), S("Travel"), i < weights.size() ? weights.at(i) : 0);
        model->setAllApps(loose(rows));
        model->refreshCategories();
        QCOMPARE(names(model->featuredApps()), featured);
    }

    void categoryLists_data()
    {
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("list");
        QTest::newRow("productivity") << S("Productivity") << S("productivity");
        QTest::newRow("unknown text") << S("Gardening") << S("productivity");
        QTest::newRow("case differs") << S("crm") << S("productivity");
        QTest::newRow("ai") << S("Artificial Intelligence (AI)") << S("ai");
        QTest::newRow("business") << S("Business Management") << S("business");
        QTest::newRow("crm") << S("CRM") << S("crm");
        QTest::newRow("communication") << S("Communication") << S("communication");
        QTest::newRow("developer tools") << S("Developer Tools") << S("development");
        QTest::newRow("web development") << S("Web & App Development") << S("development");
        QTest::newRow("no list of its own") << S("Travel") << QString();
    }
    void categoryLists()
    {
        QFETCH(QString, category);
        QFETCH(QString, list);
        AppStoreViewModel *model = idle();
        AppStoreData *subject = row(S("Subject"));
        subject->setCategory(category);
        model->setAllApps(loose({row(S("Before"), S("Travel")), subject}));
        model->categorizeApps();
        const QMap<QString, QList<AppStoreData *>> lists{
            {S("productivity"), model->productivityApps()}, {S("ai"), model->aiApps()}, {S("business"), model->businessApps()},
            {S("crm"), model->crmApps()}, {S("communication"), model->communicationApps()}, {S("development"), model->developmentApps()}};
        for (auto it = lists.begin(); it != lists.end(); ++it)
            QCOMPARE(names(it.value()), it.key() == list ? QStringList{S("Subject")} : QStringList{});
        QVERIFY(model->utilitiesApps().isEmpty());

        model->setAllApps({});
        model->categorizeApps();
        for (const auto &l : {model->productivityApps(), model->developmentApps(), model->featuredApps()})
            QVERIFY(l.isEmpty());
    }

    void nameOrders_data()
    {
        QTest::addColumn<QStringList>("input");
        QTest::addColumn<QStringList>("plain");
        QTest::addColumn<QStringList>("localized");
        QTest::newRow("case") << QStringList{S("airtable"), S("Zoom")} << QStringList{S("Zoom"), S("airtable")}
                              << QStringList{S("airtable"), S("Zoom")};
        QTest::newRow("digit runs") << QStringList{S("App 10"), S("App 9")} << QStringList{S("App 10"), S("App 9")}
                                    << QStringList{S("App 9"), S("App 10")};
        QTest::newRow("accents") << QStringList{S("Émail"), S("Eagle"), S("éclair")} << QStringList{S("Eagle"), S("Émail"), S("éclair")}
                                 << QStringList{S("Eagle"), S("éclair"), S("Émail")};
        // Plain order compares composed text: a decomposed É is U+00C9, after F.
        QTest::newRow("canonical composition") << QStringList{S("E\u0301mail"), S("Fox")} << QStringList{S("Fox"), S("E\u0301mail")}
                                               << QStringList{S("E\u0301mail"), S("Fox")};
        // Scalar values, not UTF-16 units: U+1F600 comes after U+FF21.
        QTest::newRow("beyond the basic plane") << QStringList{S("\U0001F600 Smile"), S("\uFF21pp")}
                                                << QStringList{S("\uFF21pp"), S("\U0001F600 Smile")}
                                                << QStringList{S("\U0001F600 Smile"), S("\uFF21pp")};
        QTest::newRow("equal names keep their order") << QStringList{S("Same"), S("Same"), S("Alpha")}
                                                      << QStringList{S("Alpha"), S("Same"), S("Same")}
                                                      << QStringList{S("Alpha"), S("Same"), S("Same")};
    }
    void nameOrders()
    {
        QFETCH(QStringList, input);
        QFETCH(QStringList, plain);
        QFETCH(QStringList, localized);
        QList<AppStoreData *> rows;
        for (const QString &name : input)
            rows << row(name);
        loose(rows);
        QList<AppStoreData *> byPlain = rows, byLocalized = rows;
        AppNameOrder::sortPlain(byPlain);
        AppNameOrder::sortLocalizedStandard(byLocalized);
        QCOMPARE(names(byPlain), plain);
        QCOMPARE(names(byLocalized), localized);
        // Stable: rows of equal names keep their relative order.
        if (input.count(S("Same")) == 2) {
            QCOMPARE(byPlain.at(1), rows.at(0));
            QCOMPARE(byLocalized.at(1), rows.at(0));
        }
    }

    void installedListsFollowBothOrders()
    {
        AppStoreViewModel *model = idle();
        ModelContext *context = model->databaseService()->context();
        for (const QString &name : {S("airtable"), S("Zoom"), S("App 10"), S("App 9")}) {
            AppStoreData *r = row(name);
            r->setIsInstalled(true);
            context->insert(r);
        }
        model->loadInstalledApps();
        QCOMPARE(names(model->installedApps()), (QStringList{S("airtable"), S("App 9"), S("App 10"), S("Zoom")}));
        model->removeDuplicates();
        QCOMPARE(names(model->installedApps()), (QStringList{S("App 10"), S("App 9"), S("Zoom"), S("airtable")}));
    }

    // ---- Single rows -----------------------------------------------------------------------------

    void replaceAppInAllListsKeepsEveryListsOrder()
    {
        AppStoreViewModel *model = idle();
        QList<AppStoreData *> rows = loose({row(S("Zoom"), S("CRM"), 1), row(S("airtable"), S("CRM"), 1), row(S("Basecamp"), S("CRM"), 1),
                                            row(S("Close"), S("Communication"), 1)});
        model->setAllApps(rows);
        model->refreshCategories();
        model->setInstalledApps({rows.at(1), rows.at(0)});
        QSignalSpy allChanged(model, &AppStoreViewModel::allAppsChanged);
        QSignalSpy featuredChanged(model, &AppStoreViewModel::featuredAppsChanged);

        // The same object again: no list changes, so no view redraws.
        rows.at(2)->setIsInstalled(true);
        model->replaceAppInAllLists(rows.at(2));
        QCOMPARE(allChanged.size(), 0);
        QCOMPARE(featuredChanged.size(), 0);
        QCOMPARE(names(model->installedApps()), (QStringList{S("Basecamp"), S("Zoom"), S("airtable")}));

        // Another object for the same id takes the old one's place in every list.
        AppStoreData *copy = loose({row(S("Basecamp 2"), S("CRM"))}).first();
        copy->setId(rows.at(2)->id());
        copy->setIsUpdatable(true);
        model->setInstalledApps({rows.at(2), rows.at(1), rows.at(2)});
        model->replaceAppInAllLists(copy);
        QCOMPARE(names(model->allApps()), (QStringList{S("Zoom"), S("airtable"), S("Basecamp 2"), S("Close")}));
        QCOMPARE(names(model->featuredApps()), (QStringList{S("Zoom"), S("airtable"), S("Basecamp 2"), S("Close")}));
        QCOMPARE(names(model->crmApps()), (QStringList{S("Zoom"), S("airtable"), S("Basecamp 2")}));
        QCOMPARE(names(model->communicationApps()), QStringList{S("Close")});
        QCOMPARE(names(model->installedApps()), (QStringList{S("airtable")}));
        QCOMPARE(names(model->updatableApps()), QStringList{S("Basecamp 2")});

        copy->setIsUpdatable(false);
        copy->setIsInstalled(true);
        model->replaceAppInAllLists(copy);
        QCOMPARE(names(model->installedApps()), (QStringList{S("Basecamp 2"), S("airtable")}));
        QVERIFY(model->updatableApps().isEmpty());

        // A row in none of the display lists is never added to them.
        AppStoreData *stranger = loose({row(S("Stranger"))}).first();
        const QList<AppStoreData *> before = model->allApps();
        model->replaceAppInAllLists(stranger);
        QCOMPARE(model->allApps(), before);
        QCOMPARE(names(model->crmApps()), (QStringList{S("Zoom"), S("airtable"), S("Basecamp 2")}));
    }

    void perplexityIsMarkedPreinstalled()
    {
        AppStoreViewModel *model = idle();
        logLines().clear();
        model->markPerplexityPreinstalled();
        QVERIFY(logLines().contains(S("⚠️ Perplexity app not found in database yet")));
        QVERIFY(model->installedApps().isEmpty());

        ModelContext *context = model->databaseService()->context();
        AppStoreData *other = row(S("zapier"));
        other->setIsInstalled(true);
        context->insert(other);
        AppStoreData *perplexity = row(S("Perplexity"), S("Artificial Intelligence (AI)"), 0, AppStoreViewModel::kPerplexityCatalogId);
        context->insert(perplexity);
        model->setAllApps({other, perplexity});
        model->refreshCategories();
        QCOMPARE(model->databaseService()->findAppByCatalogId(AppStoreViewModel::kPerplexityCatalogId), perplexity);
        QCOMPARE(model->databaseService()->findAppByCatalogId(S("app_nobody")), nullptr);

        model->markPerplexityPreinstalled();
        QVERIFY(perplexity->isInstalled() && perplexity->isAuthenticated() && perplexity->mcpConnected() && perplexity->mcpInstalled());
        QCOMPARE(names(model->installedApps()), (QStringList{S("Perplexity"), S("zapier")}));

        QSignalSpy installedChanged(model, &AppStoreViewModel::installedAppsChanged);
        QSignalSpy allChanged(model, &AppStoreViewModel::allAppsChanged);
        model->markPerplexityPreinstalled();
        QCOMPARE(installedChanged.size(), 0);
        QCOMPARE(allChanged.size(), 0);
    }

    void mergeKeepsCatalogOrderThenStoredRows()
    {
        const QList<AppStoreData *> stored = loose({row(S("s1"), S("CRM"), 0, S("c1")), row(S("s2"), S("CRM"), 0, S("c2")),
                                                    row(S("local"), S("CRM")), row(S("s3"), S("CRM"), 0, S("c3"))});
        AppStoreData *fresh = loose({row(S("new"), S("CRM"), 0, S("c9"))}).first();
        // The catalog lists c2 twice; a row without a catalog id is stored twice.
        const QList<AppStoreData *> merged =
            AppStoreViewModel::mergeApps(QList<AppStoreData *>(stored) << stored.at(2), {stored.at(1), fresh, stored.at(1)});
        QCOMPARE(names(merged), (QStringList{S("s2"), S("new"), S("s1"), S("local"), S("s3")}));
    }

    // ---- Diffs for views -------------------------------------------------------------------------

    void listDiff_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QList<qsizetype>>("removed");
        QTest::addColumn<QList<qsizetype>>("inserted");
        // Each letter is a row; the same letter is the same row.
        QTest::newRow("unchanged") << S("abc") << S("abc") << QList<qsizetype>{} << QList<qsizetype>{};
        QTest::newRow("page appended") << S("abc") << S("abcde") << QList<qsizetype>{} << QList<qsizetype>{3, 4};
        QTest::newRow("page inserted before stored rows") << S("xyz") << S("abxyz") << QList<qsizetype>{} << QList<qsizetype>{0, 1};
        QTest::newRow("row dropped") << S("abcd") << S("abd") << QList<qsizetype>{2} << QList<qsizetype>{};
        QTest::newRow("row moved to the front") << S("abcd") << S("dabc") << QList<qsizetype>{3} << QList<qsizetype>{0};
        QTest::newRow("stored order to catalog order") << S("abcd") << S("cadb") << QList<qsizetype>{3, 2} << QList<qsizetype>{0, 2};
        QTest::newRow("everything new") << S("ab") << S("cd") << QList<qsizetype>{1, 0} << QList<qsizetype>{0, 1};
        QTest::newRow("emptied") << S("ab") << QString() << QList<qsizetype>{1, 0} << QList<qsizetype>{};
    }
    void listDiff()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(QList<qsizetype>, removed);
        QFETCH(QList<qsizetype>, inserted);
        QHash<QChar, AppStoreData *> byLetter;
        const auto rowsOf = [&](const QString &letters) {
            QList<AppStoreData *> out;
            for (QChar c : letters) {
                if (!byLetter.contains(c))
                    byLetter.insert(c, loose({row(QString(c))}).first());
                out << byLetter.value(c);
            }
            return out;
        };
        const QList<AppStoreData *> old = rowsOf(before), now = rowsOf(after);
        const AppListDiff diff = AppListDiff::between(old, now);
        QCOMPARE(diff.removed, removed);
        QCOMPARE(diff.inserted, inserted);
        QVERIFY(diff.replaced.isEmpty());

        // Applying the diff to the old list gives the new one.
        QList<AppStoreData *> applied = old;
        for (qsizetype i : diff.removed)
            applied.removeAt(i);
        for (qsizetype i : diff.inserted)
            applied.insert(i, now.at(i));
        QCOMPARE(applied, now);
    }

    void listDiffNamesReplacedRows()
    {
        QList<AppStoreData *> old = loose({row(S("a")), row(S("b")), row(S("c"))});
        AppStoreData *copy = loose({row(S("b again"))}).first();
        copy->setId(old.at(1)->id());
        const AppListDiff diff = AppListDiff::between(old, {old.at(0), copy, old.at(2)});
        QVERIFY(diff.removed.isEmpty() && diff.inserted.isEmpty());
        QCOMPARE(diff.replaced, QList<qsizetype>{1});
        QVERIFY(AppListDiff::between(old, old).isEmpty());
    }
};

TAVO_TEST_MAIN(AppStoreViewModelTest)
#include "tst_appstoreviewmodel.moc"
