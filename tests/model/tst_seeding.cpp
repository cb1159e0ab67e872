#include "ModelTestSupport.h"
#include "TestMain.h"
#include "model/AppIconData.h"
#include "model/CategoryData.h"
#include "model/DummyData.h"
#include "model/TaskData.h"

#include <QSignalSpy>
#include <QThread>

namespace {

QStringList iconNames(ModelContext *ctx)
{
    QStringList names;
    for (AppIconData *icon : ctx->fetch<AppIconData>())
        names << icon->name();
    return names;
}

// The seeded flag lives for the process; cleaning an empty store clears it.
void resetSeededFlag()
{
    auto scratch = makeMemoryStore();
    LogCapture quiet;
    cleanDatabase(scratch->mainContext());
}

} // namespace

class SeedingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { resetSeededFlag(); }

    void firstSeedThenRefreshAddsOnlyThePlaceholder()
    {
        auto store = makeMemoryStore();
        ModelContext *ctx = store->mainContext();
        seedDummyData(ctx);
        QVERIFY(!ctx->hasChanges());
        const QStringList seeded = iconNames(ctx);
        QCOMPARE(seeded.size(), 28);
        QCOMPARE(seeded.first(), QStringLiteral("Gmail"));
        QCOMPARE(seeded.at(2), QStringLiteral("Slack"));
        QCOMPARE(seeded.at(21), QStringLiteral("Perplexity"));
        QCOMPARE(seeded.last(), QStringLiteral("X"));
        QVERIFY(!seeded.contains(QStringLiteral("Default")));
        const QList<CategoryData *> categories = ctx->fetch<CategoryData>();
        QCOMPARE(categories.size(), 1);
        QCOMPARE(categories.first()->title(), QStringLiteral("All Tasks"));
        QCOMPARE(categories.first()->position(), QPointF(2240, 1540));

        LogCapture log;
        refreshPredefinedAppIcons(ctx);
        QCOMPARE(log.lines(), (QStringList{QStringLiteral("➕ Added missing app: Default"), QStringLiteral("✅ Successfully added 1 missing app icons")}));
        QCOMPARE(iconNames(ctx).size(), 29);
        QCOMPARE(ctx->fetch<AppIconData>(Predicate::equal(QStringLiteral("name"), QStringLiteral("Default"))).first()->id(),
                 AppIconData::defaultAppIcons().last()->id());
        LogCapture again;
        refreshPredefinedAppIcons(ctx);
        QCOMPARE(again.lines(), QStringList{QStringLiteral("✅ All predefined app icons already exist")});
    }

    void aStoreWithCategoriesIsNotSeededAndNamesCompareExactly()
    {
        auto store = makeMemoryStore();
        ModelContext *ctx = store->mainContext();
        ctx->insert(new CategoryData(QUuid::createUuid(), QStringLiteral("Mine"), QDateTime::currentDateTimeUtc(), 0, 0));
        ctx->insert(new AppIconData(QUuid::createUuid(), QStringLiteral("gmail"), QStringLiteral("#EA4335"), QStringLiteral("gmail_logo"), std::nullopt));
        ctx->save();
        seedDummyData(ctx);
        QCOMPARE(ctx->fetch<CategoryData>().size(), 1);
        QCOMPARE(iconNames(ctx).size(), 1);
        LogCapture quiet;
        refreshPredefinedAppIcons(ctx);
        QCOMPARE(iconNames(ctx).size(), 30); // "Gmail" is added beside "gmail"
    }

    void aFailedReadNeverSeeds()
    {
        QTemporaryDir dir;
        auto store = makeFileStore(dir);
        ModelContext *ctx = store->mainContext();
        {
            RawConnection damage(store.get());
            QVERIFY(damage.exec(QStringLiteral("DROP TABLE CategoryData")));
        }
        LogCapture log;
        seedDummyData(ctx);
        QVERIFY(!ctx->hasChanges()); // nothing inserted, nothing pending
        QCOMPARE(log.lines().size(), 1);
        QVERIFY(log.lines().first().startsWith(QStringLiteral("❌ [DummyData] Error reading categories before seeding: ")));
        // The flag stayed false: a readable store is still seeded in this process.
        auto healthy = makeMemoryStore();
        seedDummyData(healthy->mainContext());
        QCOMPARE(healthy->mainContext()->fetch<CategoryData>().size(), 1);
    }

    void secondSeedReturnsAtOnceUntilCleaned()
    {
        auto store = makeMemoryStore();
        ModelContext *ctx = store->mainContext();
        seedDummyData(ctx);
        TaskData *task = new TaskData(QUuid::createUuid(), QStringLiteral("T"), std::nullopt, std::nullopt, QDateTime::currentDateTimeUtc(), false,
                                      std::nullopt, std::nullopt, StreamStatus::Idle, false);
        task->setCategory(ctx->fetch<CategoryData>().first());
        task->appendApp(ctx->fetch<AppIconData>().first());
        ctx->save();

        auto other = makeMemoryStore(); // empty, but this process has seeded already
        seedDummyData(other->mainContext());
        QCOMPARE(other->mainContext()->fetch<CategoryData>().size(), 0);

        {
            LogCapture log;
            cleanDatabase(ctx);
            QCOMPARE(log.lines(), QStringList{QStringLiteral("Successfully cleaned database")});
        }
        QCOMPARE(ctx->fetch<CategoryData>().size(), 0);
        QCOMPARE(ctx->fetch<AppIconData>().size(), 0);
        QCOMPARE(ctx->fetch<TaskData>(), QList<TaskData *>{task});
        QCOMPARE(task->category(), nullptr);
        QVERIFY(task->apps().isEmpty());
        seedDummyData(ctx);
        QCOMPARE(ctx->fetch<CategoryData>().size(), 1);
        QCOMPARE(ctx->fetch<AppIconData>().size(), 28);
    }

    void resetLaysCategoriesOutOldestFirst()
    {
        auto store = makeMemoryStore();
        ModelContext *ctx = store->mainContext();
        QSignalSpy saved(ctx, &ModelContext::didSave);
        resetCategoryPositions(ctx);
        QCOMPARE(saved.count(), 0); // nothing to lay out, nothing saved
        const QDateTime t1(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);
        QList<CategoryData *> made;
        for (int i : {2, 0, 1}) {
            made << new CategoryData(QUuid::createUuid(), QString::number(i), t1.addSecs(i), -5, -5);
            ctx->insert(made.last());
        }
        resetCategoryPositions(ctx);
        QCOMPARE(saved.count(), 1);
        QCOMPARE(made[1]->position(), QPointF(60, 1540));
        QCOMPARE(made[2]->position(), QPointF(2240, 1540));
        QCOMPARE(made[0]->position(), QPointF(4420, 1540));
    }

    void seedingFromAWorkerThread()
    {
        QTemporaryDir dir;
        auto store = makeFileStore(dir, 5000);
        ModelContext *main = store->mainContext();
        QThread *worker = QThread::create([&] {
            ModelContext ctx(store.get());
            seedDummyData(&ctx);
        });
        worker->start();
        seedDummyData(main); // waits for the worker's seeding, then finds its category
        QVERIFY(worker->wait(10000));
        delete worker;
        QCOMPARE(main->fetch<CategoryData>().size(), 1);
        QCOMPARE(main->fetch<AppIconData>().size(), 28);
    }
};

TAVO_TEST_MAIN(SeedingTest)
#include "tst_seeding.moc"
