#include "Platform/AppInfo.h"
#include "ModelTestSupport.h"
#include "Platform/Settings.h"
#include "TestMain.h"
#include "model/AppIconData.h"
#include "model/AppStoreData.h"
#include "model/CategoryData.h"
#include "model/CategoryModel.h"
#include "model/CategoryService.h"
#include "model/ChatMessageData.h"
#include "model/MigrationService.h"
#include "model/SwiftDataService.h"
#include "model/TaskData.h"

#include <QSignalSpy>

namespace {

TaskData *newTask(const QString &title)
{
    return new TaskData(QUuid::createUuid(), title, std::nullopt, std::nullopt, QDateTime::currentDateTimeUtc(), false, std::nullopt,
                        std::nullopt, StreamStatus::Idle, std::nullopt);
}

AppStoreData *newRow(const QString &name, bool installed = false)
{
    return new AppStoreData(QUuid::createUuid(), std::nullopt, name, QStringLiteral("dev"), QStringLiteral("d"), QStringLiteral("i"),
                            std::nullopt, QStringLiteral("Free"), 4, AppCategory::Crm, installed, false, QDateTime::currentDateTimeUtc(), 0,
                            std::nullopt, false, false, false, false, std::nullopt);
}

} // namespace

class ServicesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void reservedNameCannotBeCreated_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("refused");
        QTest::newRow("exact") << QStringLiteral("All Tasks") << true;
        QTest::newRow("lower") << QStringLiteral("all tasks") << true;
        QTest::newRow("mixed") << QStringLiteral("aLL tASKS") << true;
        QTest::newRow("leading space") << QStringLiteral(" All Tasks") << false;
        QTest::newRow("trailing space") << QStringLiteral("All Tasks ") << false;
        QTest::newRow("other") << QStringLiteral("Work") << false;
    }
    void reservedNameCannotBeCreated()
    {
        QFETCH(QString, name);
        QFETCH(bool, refused);
        auto store = makeMemoryStore();
        CategoryService service(store->mainContext());
        try {
            CategoryData *created = service.createCategory(name, 12, 34);
            QVERIFY(!refused);
            QCOMPARE(created->title(), name);
            QCOMPARE(created->position(), QPointF(12, 34));
            QVERIFY(!store->mainContext()->hasChanges());
        } catch (const CategoryServiceError &e) {
            QVERIFY(refused);
            QCOMPARE(e.kind(), CategoryServiceError::Kind::ReservedName);
            QCOMPARE(e.localizedDescription(), QStringLiteral("'All Tasks' is a reserved category name and cannot be created"));
            QVERIFY(!store->mainContext()->hasChanges());
        }
        QCOMPARE(service.fetchCategories().size(), refused ? 0 : 1);
    }

    void deleteKeepsTheReservedCategoryAndClearsOthers()
    {
        auto store = makeMemoryStore();
        ModelContext *ctx = store->mainContext();
        CategoryService service(ctx);
        auto *reserved = new CategoryData(QUuid::createUuid(), QStringLiteral("ALL TASKS"), QDateTime::currentDateTimeUtc(), 0, 0);
        ctx->insert(reserved);
        CategoryData *work = service.createCategory(QStringLiteral("Work"), 0, 0);
        CategoryData *twin = service.createCategory(QStringLiteral("Work"), 5, 5); // titles are not unique
        QVERIFY(twin != work);
        TaskData *a = newTask(QStringLiteral("A"));
        TaskData *b = newTask(QStringLiteral("B"));
        service.moveTask(a, work);
        service.moveTask(b, work);
        auto *app = new AppIconData(QUuid::createUuid(), QStringLiteral("Gmail"), QStringLiteral("#EA4335"), QStringLiteral("gmail_logo"), std::nullopt);
        a->appendApp(app);
        b->appendApp(app);
        ChatMessageData::withUserTextMessage(QStringLiteral("user"), QStringLiteral("hi"), QDateTime::currentDateTimeUtc(), a);
        ctx->save();

        try {
            service.deleteCategory(reserved);
            QFAIL("the reserved category was deleted");
        } catch (const CategoryServiceError &e) {
            QCOMPARE(e.localizedDescription(), QStringLiteral("'All Tasks' is a reserved category and cannot be deleted"));
        }
        QVERIFY(!ctx->hasChanges());

        service.deleteCategory(work);
        ModelContext other(store.get());
        QCOMPARE(other.fetch<CategoryData>().size(), 2);
        QCOMPARE(other.fetch<TaskData>().size(), 0);
        QCOMPARE(other.fetch<ChatMessageData>().size(), 0);
        QCOMPARE(other.fetch<AppIconData>().size(), 1);
        QVERIFY(other.fetch<AppIconData>().first()->tasks().isEmpty());
        QCOMPARE(service.fetchCategory(twin->id()), twin);
        QCOMPARE(service.fetchCategory(QUuid::createUuid()), nullptr);
    }

    void moveTaskLogsAndKeepsOneLink()
    {
        auto store = makeMemoryStore();
        CategoryService service(store->mainContext());
        CategoryData *home = service.createCategory(QStringLiteral("Home"), 0, 0);
        CategoryData *work = service.createCategory(QStringLiteral("Work"), 0, 0);
        TaskData *task = newTask(QStringLiteral("Report"));
        {
            LogCapture log;
            service.moveTask(task, home);
            QCOMPARE(log.lines(), QStringList{QStringLiteral("✅ Task 'Report' moved to category 'Home' with bidirectional relationship")});
        }
        {
            LogCapture log;
            service.moveTask(task, home);
            QCOMPARE(log.lines(), (QStringList{QStringLiteral("🔄 Removed task 'Report' from category 'Home'"),
                                              QStringLiteral("✅ Task 'Report' moved to category 'Home' with bidirectional relationship")}));
            QCOMPARE(home->tasks(), QList<TaskData *>{task});
        }
        service.moveTask(task, work);
        QVERIFY(home->tasks().isEmpty());
        QCOMPARE(work->tasks(), QList<TaskData *>{task});
        ModelContext other(store.get());
        QCOMPARE(other.model<TaskData>(task->persistentModelID())->category()->title(), QStringLiteral("Work"));

        LogCapture log;
        service.updateCategoryPosition(home, 100, 200);
        QCOMPARE(log.lines(), (QStringList{QStringLiteral("✅ [CategoryService] All 0 task relationships preserved during position update"),
                                          QStringLiteral("✅ [CategoryService] Category position updated safely with relationship preservation")}));
        QCOMPARE(other.model<CategoryData>(home->persistentModelID())->position(), QPointF(100, 200));
    }

    void failedSaveThrowsAndKeepsTheChange()
    {
        QTemporaryDir dir;
        auto store = makeFileStore(dir);
        CategoryService service(store->mainContext());
        CategoryData *created = nullptr;
        {
            RawConnection other(store.get());
            QVERIFY(other.exec(QStringLiteral("BEGIN IMMEDIATE")));
            try {
                service.createCategory(QStringLiteral("Work"), 1, 2);
                QFAIL("the save should have failed while the store is locked");
            } catch (const StoreError &e) {
                QCOMPARE(e.kind(), StoreError::Kind::SaveFailed);
            }
            QVERIFY(store->mainContext()->hasChanges());
            created = service.fetchCategories().value(0);
            QVERIFY(created);
        }
        service.updateCategoryPosition(created, 7, 8); // its save writes the earlier insert too
        ModelContext other(store.get());
        QCOMPARE(other.fetch<CategoryData>().size(), 1);
        QCOMPARE(other.fetch<CategoryData>().first()->position(), QPointF(7, 8));
    }

    void databaseServiceReadsRowsOfEveryContext()
    {
        QTemporaryDir dir;
        auto store = makeFileStore(dir);
        ModelContext writer(store.get());
        writer.insert(newRow(QStringLiteral("Zeta"), true));
        writer.insert(newRow(QStringLiteral("Alpha")));
        writer.insert(newRow(QStringLiteral("Mid")));
        writer.save();
        SwiftDataService service(store.get());
        QVERIFY(service.context()->autosaveEnabled());
        QStringList names;
        for (AppStoreData *row : service.fetchAppStoreItems({{QStringLiteral("name"), true}}))
            names << row->name();
        QCOMPARE(names, (QStringList{QStringLiteral("Alpha"), QStringLiteral("Mid"), QStringLiteral("Zeta")}));
        QCOMPARE(service.fetchAppStoreItems({}, Predicate::equal(QStringLiteral("isInstalled"), true)).size(), 1);
        AppStoreData *alpha = service.fetchAppStoreItems({{QStringLiteral("name"), true}}).first();
        QCOMPARE(service.fetchAppStoreItem(alpha->id()), alpha);
        QCOMPARE(service.fetchAppStoreItem(QUuid::createUuid()), nullptr);

        RawConnection damage(store.get());
        QVERIFY(damage.exec(QStringLiteral("DROP TABLE AppStoreData")));
        try {
            service.fetchAppStoreItems({});
            QFAIL("the fetch should have failed");
        } catch (const DatabaseError &e) {
            QCOMPARE(e.kind(), DatabaseError::Kind::FetchFailed);
            QVERIFY(e.underlying());
            QCOMPARE(e.underlying()->kind(), StoreError::Kind::FetchFailed);
        }
    }

    void snapshotsCompareEveryField()
    {
        auto store = makeMemoryStore();
        ModelContext *ctx = store->mainContext();
        auto *category = new CategoryData(QUuid::createUuid(), QStringLiteral("Work"), QDateTime::currentDateTimeUtc(), 0.0, 5);
        ctx->insert(category);
        QCOMPARE(CategoryModel(category).cards.size(), 0);
        TaskData *a = newTask(QStringLiteral("Same"));
        TaskData *b = newTask(QStringLiteral("Same"));
        a->setCategory(category);
        b->setCategory(category);
        const CategoryModel first(category);
        QCOMPARE(first.cards.first().summary, QString());
        QCOMPARE(first.cards.first().timeRemaining, QStringLiteral("00:00:00"));
        QVERIFY(first.cards[0] != first.cards[1]); // identical texts, different tasks
        const CategoryModel again(category);
        QCOMPARE(again, first);
        QCOMPARE(qHash(again), qHash(first));
        CategoryModel negativeZero = first;
        negativeZero.position.setX(-0.0);
        QCOMPARE(qHash(negativeZero), qHash(first));

        category->setPosition(QPointF(1, 5));
        QVERIFY(CategoryModel(category) != first);
        category->setPosition(QPointF(0, 5));
        a->appendApp(new AppIconData(QUuid::createUuid(), QStringLiteral("Gmail"), QStringLiteral("#EA4335"), QStringLiteral("gmail_logo"), std::nullopt));
        QVERIFY(CategoryModel(category) != first);
        QCOMPARE(categoryColumnWidth(), 1630.0);
    }

    void migrationRunsOncePerVersion()
    {
        auto store = makeMemoryStore();
        ModelContext *ctx = store->mainContext();
        QTemporaryDir dir;
        Settings::instance().reopen(dir.filePath(QStringLiteral("prefs.conf")));
        AppInfo::instance().setDictionary({{QStringLiteral("CFBundleShortVersionString"), QStringLiteral("1.9.0")}});
        QCOMPARE(MigrationService::currentAppVersion(), QStringLiteral("1.9.0"));
        const QDateTime t0 = QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);
        auto *older = new CategoryData(QUuid::createUuid(), QStringLiteral("Old"), t0, 9, 9);
        auto *newer = new CategoryData(QUuid::createUuid(), QStringLiteral("New"), t0.addSecs(5), 9, 9);
        ctx->insert(newer);
        ctx->insert(older);
        TaskData *unset = newTask(QStringLiteral("unset"));
        TaskData *on = newTask(QStringLiteral("on"));
        on->setMiniAppEnabled(true);
        ctx->insert(unset);
        ctx->insert(on);
        ctx->save();
        Settings::instance().setValue(QStringLiteral("LastMigratedAppVersion"), QStringLiteral("2.0.0"));

        MigrationService migration(Settings::instance(), QStringLiteral("LastMigratedAppVersion"));
        {
            LogCapture log;
            migration.runMigrationsIfNeeded(ctx);
            QCOMPARE(log.lines(), (QStringList{QStringLiteral("🔄 [MigrationService] Starting mini app toggle migration..."),
                                              QStringLiteral("✅ [MigrationService] Mini app toggle migration completed. Migrated 1 tasks.")}));
        }
        QCOMPARE(unset->miniAppEnabled(), std::optional<bool>(false));
        QCOMPARE(on->miniAppEnabled(), std::optional<bool>(true));
        QCOMPARE(older->position(), QPointF(60, 1540));
        QCOMPARE(newer->position(), QPointF(2240, 1540));
        QVERIFY(!ctx->hasChanges());
        QCOMPARE(Settings::instance().stringValue(QStringLiteral("LastMigratedAppVersion")), QStringLiteral("1.9.0"));
        {
            LogCapture log;
            older->setPosition(QPointF(1, 1));
            ctx->save();
            migration.runMigrationsIfNeeded(ctx);
            QVERIFY(log.lines().isEmpty());
            QCOMPARE(older->position(), QPointF(1, 1));
        }

        // A failing step leaves the version unwritten, so the next load runs it again.
        AppInfo::instance().setDictionary({});
        QCOMPARE(MigrationService::currentAppVersion(), QStringLiteral("1.0.0"));
        RawConnection damage(store.get());
        QVERIFY(damage.exec(QStringLiteral("DROP TABLE TaskData")));
        QVERIFY_THROWS_EXCEPTION(StoreError, migration.runMigrationsIfNeeded(ctx));
        QCOMPARE(Settings::instance().stringValue(QStringLiteral("LastMigratedAppVersion")), QStringLiteral("1.9.0"));
        QCOMPARE(older->position(), QPointF(60, 1540)); // the position step still ran
    }
};

TAVO_TEST_MAIN(ServicesTest)
#include "tst_services.moc"
