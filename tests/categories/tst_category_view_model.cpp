#include "ModelTestSupport.h"
#include "FakeScheduler.h"
#include "NotificationSpy.h"
#include "TestMain.h"
#include "categories/CategoryViewModel.h"
#include "model/CategoryData.h"
#include "model/CategoryModel.h"
#include "model/TaskData.h"

#include <QSignalSpy>

namespace {

TaskData *newTask(const QString &title)
{
    return new TaskData(QUuid::createUuid(), title, std::nullopt, std::nullopt, QDateTime::currentDateTimeUtc(), false, std::nullopt,
                        std::nullopt, StreamStatus::Idle, std::nullopt);
}

// A category written straight into the store, created at the scheduler's current time.
CategoryData *storedCategory(ModelContext *context, const QString &title, QPointF position = {})
{
    auto *category = new CategoryData(QUuid::createUuid(), title, Scheduler::instance().now(), position.x(), position.y());
    context->insert(category);
    context->save();
    return category;
}

CategoryModel snapshotOf(const QUuid &id)
{
    CategoryModel model;
    model.id = id;
    return model;
}

QStringList titles(const CategoryViewModel &vm)
{
    QStringList out;
    for (const CategoryData *c : vm.categories())
        out.append(c->title());
    return out;
}

// Holds the store's write lock (another writer) while alive, so that saves fail.
struct StoreLock {
    explicit StoreLock(ModelContainer *store) : connection(store) { locked = connection.exec(QStringLiteral("BEGIN IMMEDIATE")); }
    RawConnection connection;
    bool locked = false;
};

}

class TestCategoryViewModel : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<FakeScheduler> m_clock;
    std::unique_ptr<ModelContainer> m_store;

    ModelContext *context() { return m_store->mainContext(); }
    void advance() { m_clock->advance(1000); }

private Q_SLOTS:
    void init()
    {
        m_clock = std::make_unique<FakeScheduler>();
        m_store = makeFileStore(m_dir);
    }
    void cleanup()
    {
        m_store.reset();
        m_clock.reset();
    }

    void loadsOldestFirstOnALaterTurn()
    {
        storedCategory(context(), QStringLiteral("First"));
        advance();
        storedCategory(context(), QStringLiteral("Second"));
        CategoryViewModel vm(context());
        QVERIFY(vm.categories().isEmpty());
        QVERIFY(!vm.hasLoaded());
        QSignalSpy changed(&vm, &CategoryViewModel::categoriesChanged);
        m_clock->runPending();
        QCOMPARE(titles(vm), QStringList({QStringLiteral("First"), QStringLiteral("Second")}));
        QCOMPARE(changed.size(), 1);
        QVERIFY(!vm.error());
    }

    void callsBeforeTheFirstLoad()
    {
        CategoryData *stored = storedCategory(context(), QStringLiteral("Work"), {10, 20});
        NotificationSpy notes;
        CategoryViewModel vm(context());
        // Rename and delete of an id not (yet) in the list do nothing.
        vm.renameCategory(stored->id(), QStringLiteral("Renamed"));
        vm.deleteCategory(stored->id());
        // A column drag that ends now is kept and stored once the list is there.
        vm.updateCategoryPosition(snapshotOf(stored->id()), 100, 200);
        vm.updateCategoryPosition(snapshotOf(stored->id()), 300, 400);
        m_clock->runPending();
        ModelContext fresh(m_store.get());
        const QList<CategoryData *> inStore = fresh.fetch<CategoryData>();
        QCOMPARE(inStore.size(), 1);
        QCOMPARE(inStore.first()->title(), QStringLiteral("Work"));
        QCOMPARE(inStore.first()->position(), QPointF(300, 400));
        QCOMPARE(notes.count(QStringLiteral("categoryDeleted")), 0);
        QVERIFY(!vm.error());
    }

    void create_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("created");
        QTest::newRow("plain") << QStringLiteral("Work") << true;
        QTest::newRow("reserved") << QStringLiteral("All Tasks") << false;
        QTest::newRow("reserved lower case") << QStringLiteral("all tasks") << false;
        QTest::newRow("reserved upper case") << QStringLiteral("ALL TASKS") << false;
        // The view model applies no trimming: the service sees the spaces and lets it pass.
        QTest::newRow("spaces around") << QStringLiteral(" All Tasks ") << true;
    }
    void create()
    {
        QFETCH(QString, name);
        QFETCH(bool, created);
        storedCategory(context(), QStringLiteral("Existing"));
        CategoryViewModel vm(context());
        m_clock->runPending();
        QList<CategoryData *> done;
        connect(&vm, &CategoryViewModel::categoryCreated, this, [&done](CategoryData *c) { done.append(c); });
        QSignalSpy failed(&vm, &CategoryViewModel::categoryCreationFailed);
        LogCapture log;
        vm.createCategory(name, 2240, 1540);
        QCOMPARE(vm.categories().size(), 1); // nothing happens before the step runs
        m_clock->runPending();
        if (created) {
            QCOMPARE(titles(vm), QStringList({QStringLiteral("Existing"), name}));
            QVERIFY(log.contains(QStringLiteral("✅ Category created: '%1' at position (2240.0, 1540.0)").arg(name)));
            QCOMPARE(done.size(), 1);
            QCOMPARE(done.first(), vm.categories().last());
            QVERIFY(!vm.error());
        } else {
            QCOMPARE(titles(vm), QStringList({QStringLiteral("Existing")}));
            const QString message = QStringLiteral("'All Tasks' is a reserved category name and cannot be created");
            QVERIFY(log.contains(QStringLiteral("❌ Failed to create category '%1': %2").arg(name, message)));
            QCOMPARE(vm.error(), std::optional<QString>(message));
            QCOMPARE(failed.size(), 1);
            QCOMPARE(failed.first().first().toString(), name);
        }
    }

    void pointDescription_data()
    {
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << QPointF(2240, 1540) << QStringLiteral("(2240.0, 1540.0)");
        QTest::newRow("fraction") << QPointF(2080, 1870.0 / 3) << QStringLiteral("(2080.0, 623.3333333333334)");
        QTest::newRow("negative") << QPointF(-0.5, 0) << QStringLiteral("(-0.5, 0.0)");
    }
    void pointDescription()
    {
        QFETCH(QPointF, point);
        QFETCH(QString, text);
        QCOMPARE(CategoryViewModel::pointDescription(point), text);
    }

    void positionStoresAndLogsFailures()
    {
        CategoryData *stored = storedCategory(context(), QStringLiteral("Work"));
        CategoryViewModel vm(context());
        m_clock->runPending();
        vm.updateCategoryPosition(snapshotOf(stored->id()), 5, 6);
        m_clock->runPending();
        QCOMPARE(ModelContext(m_store.get()).fetch<CategoryData>().first()->position(), QPointF(5, 6));

        LogCapture log;
        {
            StoreLock lock(m_store.get());
            QVERIFY(lock.locked);
            vm.updateCategoryPosition(snapshotOf(stored->id()), 7, 8);
            m_clock->runPending();
        }
        QVERIFY(vm.error());
        QVERIFY(log.lines().last().startsWith(QStringLiteral("❌ Failed to update category position: ")));
        // An id this instance does not hold: nothing happens, not even a log.
        log.lines().clear();
        vm.updateCategoryPosition(snapshotOf(QUuid::createUuid()), 1, 1);
        m_clock->runPending();
        QVERIFY(log.lines().isEmpty());
    }

    void failedRenameRestoresTheOldTitle()
    {
        CategoryData *stored = storedCategory(context(), QStringLiteral("Work"));
        CategoryViewModel vm(context());
        m_clock->runPending();
        QSignalSpy titleChanges(stored, &CategoryData::titleChanged);
        {
            StoreLock lock(m_store.get());
            QVERIFY(lock.locked);
            vm.renameCategory(stored->id(), QStringLiteral("Home"));
            m_clock->runPending();
        }
        QVERIFY(vm.error());
        QCOMPARE(stored->title(), QStringLiteral("Work"));
        QCOMPARE(titleChanges.size(), 2); // to the new title and back: the column follows
        // What the store holds agrees with what is shown, now and after the next save.
        context()->save();
        QCOMPARE(ModelContext(m_store.get()).fetch<CategoryData>().first()->title(), QStringLiteral("Work"));

        vm.renameCategory(stored->id(), QStringLiteral("Home"));
        m_clock->runPending();
        QCOMPARE(ModelContext(m_store.get()).fetch<CategoryData>().first()->title(), QStringLiteral("Home"));
        QVERIFY(vm.error()); // sticky: a later success does not clear it
    }

    void deleteAnnouncesOnceAfterTheListChanged()
    {
        storedCategory(context(), QStringLiteral("All Tasks"));
        CategoryData *work = storedCategory(context(), QStringLiteral("Work"));
        const QUuid id = work->id();
        CategoryViewModel vm(context());
        m_clock->runPending();
        QStringList listAtNotice;
        NotificationSpy notes;
        NotificationCenter::defaultCenter().addObserver(QStringLiteral("categoryDeleted"), this,
                                                        [&](const Notification &) { listAtNotice = titles(vm); });
        vm.deleteCategory(id);
        m_clock->runPending();
        QCOMPARE(notes.count(QStringLiteral("categoryDeleted")), 1);
        const QVariant posted = notes.named(QStringLiteral("categoryDeleted")).first().userInfo.value(QStringLiteral("categoryId"));
        QCOMPARE(posted.typeId(), int(QMetaType::QUuid));
        QCOMPARE(posted.toUuid(), id);
        QCOMPARE(listAtNotice, QStringList({QStringLiteral("All Tasks")}));
        QVERIFY(ModelContext(m_store.get()).fetch<CategoryData>(Predicate::equal(QStringLiteral("id"), id)).isEmpty());
        NotificationCenter::defaultCenter().removeObservers(this);

        // The reserved category stays, and nothing is announced.
        notes.clear();
        vm.deleteCategory(vm.categories().first()->id());
        m_clock->runPending();
        QCOMPARE(titles(vm), QStringList({QStringLiteral("All Tasks")}));
        QCOMPARE(notes.count(QStringLiteral("categoryDeleted")), 0);
        QCOMPARE(vm.error(), std::optional<QString>(QStringLiteral("'All Tasks' is a reserved category and cannot be deleted")));
    }

    void moveTaskReloadsOrChangesNothing()
    {
        CategoryData *from = storedCategory(context(), QStringLiteral("From"));
        advance();
        CategoryData *to = storedCategory(context(), QStringLiteral("To"));
        TaskData *task = newTask(QStringLiteral("Task"));
        context()->insert(task);
        task->setCategory(from);
        context()->save();
        CategoryViewModel vm(context());
        m_clock->runPending();

        // Unknown target or unknown task: nothing changes, no error.
        vm.moveTask(task->id(), QUuid::createUuid());
        vm.moveTask(QUuid::createUuid(), to->id());
        m_clock->runPending();
        QCOMPARE(task->category(), from);
        QVERIFY(!vm.error());

        // A category created through another instance shows up with the reload.
        advance();
        CategoryViewModel other(context());
        other.createCategory(QStringLiteral("Elsewhere"), 0, 0);
        m_clock->runPending();
        QCOMPARE(vm.categories().size(), 2);
        vm.moveTask(task->id(), to->id());
        m_clock->runPending();
        QCOMPARE(task->category(), to);
        QCOMPARE(titles(vm), QStringList({QStringLiteral("From"), QStringLiteral("To"), QStringLiteral("Elsewhere")}));
        QVERIFY(!vm.error());
    }
};

TAVO_TEST_MAIN(TestCategoryViewModel)
#include "tst_category_view_model.moc"
