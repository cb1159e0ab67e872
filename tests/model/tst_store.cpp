#include "FakeScheduler.h"
#include "Platform/Store/FetchedResults.h"
#include "Platform/Store/ModelHold.h"
#include "ModelTestSupport.h"
#include "TestMain.h"
#include "model/AppIconData.h"
#include "model/CategoryData.h"
#include "model/ChatMessageData.h"
#include "model/TaskData.h"
#include "model/TranscriptData.h"

#include <QPointer>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

namespace {

TaskData *newTask(const QString &title, const QDateTime &createdAt = QDateTime(QDate(2026, 1, 1), QTime(9, 0), Qt::UTC))
{
    return new TaskData(QUuid::createUuid(), title, std::nullopt, std::nullopt, createdAt, false, std::nullopt, std::nullopt,
                        StreamStatus::Idle, false);
}

CategoryData *newCategory(const QString &title)
{
    return new CategoryData(QUuid::createUuid(), title, QDateTime(QDate(2026, 1, 1), QTime(8, 0), Qt::UTC), 10, 20);
}

AppIconData *newApp(const QString &name, const QUuid &id = QUuid::createUuid())
{
    return new AppIconData(id, name, QStringLiteral("#000000"), QStringLiteral("x_logo"), std::nullopt);
}

} // namespace

class StoreTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void savedModelsAreFoundByOtherContextsWithOneObjectPerRow()
    {
        auto store = makeMemoryStore();
        ModelContext *main = store->mainContext();
        TaskData *task = newTask(QStringLiteral("Plan the trip"));
        QVERIFY(task->persistentModelID().isTemporary());
        main->insert(task);
        QCOMPARE(main->fetch<TaskData>(), QList<TaskData *>{task}); // a pending insert is seen
        main->save();
        QVERIFY(!task->persistentModelID().isTemporary());

        ModelContext other(store.get());
        const QList<TaskData *> found = other.fetch<TaskData>(Predicate::equal(QStringLiteral("id"), task->id()));
        QCOMPARE(found.size(), 1);
        QVERIFY(found.first() != task);
        QCOMPARE(found.first()->persistentModelID(), task->persistentModelID());
        QCOMPARE(found.first()->title(), QStringLiteral("Plan the trip"));
        QCOMPARE(found.first()->miniAppEnabled(), std::optional<bool>(false));
        QCOMPARE(found.first()->createdAt(), task->createdAt());
        // The identity map: one object per row, whichever way it is reached.
        QCOMPARE(other.fetch<TaskData>().first(), found.first());
        QCOMPARE(other.model<TaskData>(task->persistentModelID()), found.first());
        QCOMPARE(other.model<CategoryData>(task->persistentModelID()), nullptr);
    }

    void fetchFiltersSortsAndLimitsOverSavedAndPendingChanges()
    {
        auto store = makeMemoryStore();
        ModelContext *ctx = store->mainContext();
        const QDateTime t0(QDate(2026, 3, 1), QTime(10, 0), Qt::UTC);
        QList<TaskData *> tasks;
        for (int i = 0; i < 4; ++i) {
            tasks << newTask(QStringLiteral("Task %1").arg(i), t0.addSecs(i * 60));
            ctx->insert(tasks.last());
        }
        tasks[1]->setStreamStatus(StreamStatus::Streaming);
        ctx->save();

        const QList<SortDescriptor> newestFirst{{QStringLiteral("createdAt"), false}};
        QCOMPARE(ctx->fetch<TaskData>({}, newestFirst, 2), (QList<TaskData *>{tasks[3], tasks[2]}));
        QCOMPARE(ctx->fetch<TaskData>(Predicate::equal(QStringLiteral("streamStatus"), QStringLiteral("streaming"))), QList<TaskData *>{tasks[1]});
        QCOMPARE(ctx->fetch<TaskData>(Predicate::compare(QStringLiteral("createdAt"), Predicate::Op::Less, t0.addSecs(90)), newestFirst),
                 (QList<TaskData *>{tasks[1], tasks[0]}));

        // Unsaved edits decide: a pending delete is gone, an edited row matches by its new value,
        // a pending insert sorts in, and the limit applies to the merged result.
        ctx->remove(tasks[3]);
        tasks[0]->setCreatedAt(t0.addSecs(3600));
        tasks[2]->setStreamStatus(StreamStatus::Streaming);
        TaskData *fresh = newTask(QStringLiteral("Fresh"), t0.addSecs(1800));
        ctx->insert(fresh);
        QCOMPARE(ctx->fetch<TaskData>({}, newestFirst, 2), (QList<TaskData *>{tasks[0], fresh}));
        QCOMPARE(ctx->fetch<TaskData>(Predicate::equal(QStringLiteral("streamStatus"), QStringLiteral("streaming")), newestFirst),
                 (QList<TaskData *>{tasks[2], tasks[1]}));
        QVERIFY(!ctx->fetch<TaskData>().contains(tasks[3]));
        QVERIFY(tasks[3]->isDeleted());
        ctx->save();
        ModelContext other(store.get());
        QCOMPARE(other.fetch<TaskData>().size(), 4);
    }

    void relationshipSettersKeepBothEndsInSync()
    {
        auto store = makeMemoryStore();
        ModelContext *ctx = store->mainContext();
        CategoryData *work = newCategory(QStringLiteral("Work"));
        CategoryData *home = newCategory(QStringLiteral("Home"));
        ctx->insert(work);
        ctx->insert(home);
        TaskData *task = newTask(QStringLiteral("Report"));
        QVERIFY(task->chatMessages().isEmpty());
        QVERIFY(task->apps().isEmpty());
        QCOMPARE(task->category(), nullptr);

        QSignalSpy workTasks(work, &CategoryData::tasksChanged);
        task->setCategory(work); // linking a new task to a stored category inserts it too
        QCOMPARE(task->modelContext(), ctx);
        QCOMPARE(work->tasks(), QList<TaskData *>{task});
        QCOMPARE(workTasks.count(), 1);
        home->appendTask(task); // the other end moves the task
        QCOMPARE(task->category(), home);
        QVERIFY(work->tasks().isEmpty());

        AppIconData *gmail = newApp(QStringLiteral("Gmail"));
        AppIconData *slack = newApp(QStringLiteral("Slack"));
        task->appendApp(gmail);
        slack->appendTask(task);
        QCOMPARE(task->apps(), (QList<AppIconData *>{gmail, slack}));
        QCOMPARE(gmail->tasks(), QList<TaskData *>{task});
        task->setApps({slack});
        QVERIFY(gmail->tasks().isEmpty());
        ctx->save();

        // Both ends read back the same way in a fresh context.
        ModelContext other(store.get());
        TaskData *stored = other.model<TaskData>(task->persistentModelID());
        QVERIFY(stored);
        QCOMPARE(stored->category()->title(), QStringLiteral("Home"));
        QCOMPARE(stored->apps().size(), 1);
        QCOMPARE(stored->apps().first()->name(), QStringLiteral("Slack"));
        QCOMPARE(stored->apps().first()->tasks(), QList<TaskData *>{stored});
        QCOMPARE(other.model<CategoryData>(work->persistentModelID())->tasks().size(), 0);
    }

    void settingAnEmptiedToManyEmptyChangesNothing()
    {
        // A list emptied by removals keeps its storage, the new empty list has none: they are
        // still equal, so nothing is marked changed or announced.
        auto store = makeMemoryStore();
        TaskData *task = newTask(QStringLiteral("Report"));
        store->mainContext()->insert(task);
        AppIconData *gmail = newApp(QStringLiteral("Gmail"));
        task->appendApp(gmail);
        task->removeApp(gmail);
        store->mainContext()->save();
        QSignalSpy apps(task, &TaskData::appsChanged);
        task->setApps({});
        QCOMPARE(apps.count(), 0);
        QVERIFY(!store->mainContext()->hasChanges());
    }

    void deleteRulesNullifyAndCascade()
    {
        auto store = makeMemoryStore();
        ModelContext *ctx = store->mainContext();
        CategoryData *category = newCategory(QStringLiteral("Work"));
        ctx->insert(category);
        TaskData *a = newTask(QStringLiteral("A"));
        TaskData *b = newTask(QStringLiteral("B"));
        a->setCategory(category);
        b->setCategory(category);
        AppIconData *app = newApp(QStringLiteral("Gmail"));
        a->appendApp(app);
        b->appendApp(app);
        const QDateTime now = QDateTime::currentDateTimeUtc();
        ChatMessageData::withUserTextMessage(QStringLiteral("user"), QStringLiteral("hi"), now, a);
        ChatMessageData::withAiActionTitle(QStringLiteral("ai"), QStringLiteral("Thinking..."), AIReplyStatus::InProgress, std::nullopt, now, a);
        ctx->save();
        // A transcript linked to the task (nothing in the product makes one) goes with it.
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
            db.setDatabaseName(store->databaseName());
            db.setConnectOptions(store->connectOptions());
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("INSERT INTO TranscriptData (text, createdAt, task_pk) VALUES ('x', 0, %1)").arg(a->persistentModelID().rowId)));
            QVERIFY(q.exec(QStringLiteral("UPDATE TaskData SET transcript_pk = (SELECT max(pk) FROM TranscriptData) WHERE pk = %1").arg(a->persistentModelID().rowId)));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("raw"));
        ModelContext fresh(store.get());
        QCOMPARE(fresh.fetch<TranscriptData>().size(), 1);

        // Deleting the task: messages and transcript cascade, category and app let go of it.
        TaskData *storedA = fresh.model<TaskData>(a->persistentModelID());
        fresh.remove(storedA);
        QCOMPARE(fresh.fetch<ChatMessageData>().size(), 0);
        QCOMPARE(fresh.fetch<AppIconData>().first()->tasks().size(), 1);
        fresh.save();
        ModelContext after(store.get());
        QCOMPARE(after.fetch<TaskData>().size(), 1);
        QCOMPARE(after.fetch<ChatMessageData>().size(), 0);
        QCOMPARE(after.fetch<TranscriptData>().size(), 0);
        QCOMPARE(after.fetch<AppIconData>().first()->tasks().size(), 1);
        QCOMPARE(after.fetch<CategoryData>().first()->tasks().size(), 1);

        // Deleting the category leaves its task without one; deleting the app unlinks it.
        after.remove(after.fetch<CategoryData>().first());
        after.remove(after.fetch<AppIconData>().first());
        after.save();
        ModelContext last(store.get());
        const QList<TaskData *> left = last.fetch<TaskData>();
        QCOMPARE(left.size(), 1);
        QCOMPARE(left.first()->title(), QStringLiteral("B"));
        QCOMPARE(left.first()->category(), nullptr);
        QVERIFY(left.first()->apps().isEmpty());
    }

    void failedSaveKeepsEveryPendingChangeForTheNextSave()
    {
        auto store = makeMemoryStore();
        ModelContext *ctx = store->mainContext();
        TaskData *kept = newTask(QStringLiteral("Kept"));
        TaskData *doomed = newTask(QStringLiteral("Doomed"));
        ctx->insert(kept);
        ctx->insert(doomed);
        ctx->save();

        kept->setTitle(QStringLiteral("Renamed"));
        ctx->remove(doomed);
        const QUuid shared = QUuid::createUuid();
        AppIconData *first = newApp(QStringLiteral("First"), shared);
        AppIconData *second = newApp(QStringLiteral("Second"), shared); // same unique id: the save must fail
        ctx->insert(first);
        ctx->insert(second);
        kept->appendApp(first);
        try {
            ctx->save();
            QFAIL("the save should have failed");
        } catch (const StoreError &e) {
            QCOMPARE(e.kind(), StoreError::Kind::SaveFailed);
            QVERIFY(!e.localizedDescription().isEmpty());
        }
        QVERIFY(ctx->hasChanges());
        QVERIFY(first->persistentModelID().isTemporary());
        {
            ModelContext other(store.get());
            QCOMPARE(other.fetch<TaskData>().size(), 2);
            QCOMPARE(other.fetch<TaskData>(Predicate::equal(QStringLiteral("title"), QStringLiteral("Kept"))).size(), 1);
            QCOMPARE(other.fetch<AppIconData>().size(), 0);
        }

        second->setId(QUuid::createUuid());
        ctx->save();
        QVERIFY(!ctx->hasChanges());
        ModelContext other(store.get());
        const QList<TaskData *> tasks = other.fetch<TaskData>();
        QCOMPARE(tasks.size(), 1);
        QCOMPARE(tasks.first()->title(), QStringLiteral("Renamed"));
        QCOMPARE(tasks.first()->apps().size(), 1);
        QCOMPARE(tasks.first()->apps().first()->name(), QStringLiteral("First"));
        QCOMPARE(other.fetch<AppIconData>().size(), 2);
    }

    void saveWritesOnlyChangedRowsAndAnnouncesThem()
    {
        auto store = makeMemoryStore();
        ModelContext *ctx = store->mainContext();
        QList<TaskData *> tasks;
        for (int i = 0; i < 3; ++i) {
            tasks << newTask(QStringLiteral("T%1").arg(i));
            ctx->insert(tasks.last());
        }
        ctx->save();
        QSignalSpy saved(ctx, &ModelContext::didSave);
        tasks[1]->setTitle(QStringLiteral("Changed"));
        tasks[1]->setTitle(QStringLiteral("Changed")); // no change, no new dirt
        ctx->save();
        QCOMPARE(saved.count(), 1);
        const ModelChanges changes = saved.first().first().value<ModelChanges>();
        const EntityChanges tasksChanged = changes.entities.value(QStringLiteral("TaskData"));
        QCOMPARE(tasksChanged.updatedRows, QSet<qint64>{tasks[1]->persistentModelID().rowId});
        QCOMPARE(tasksChanged.keys, QSet<QString>{QStringLiteral("title")});
        QVERIFY(!tasksChanged.membershipChanged);
        ctx->save(); // nothing pending: nothing written
        QCOMPARE(saved.count(), 1);
    }

    void modelsSignalEachChangedProperty()
    {
        auto store = makeMemoryStore();
        CategoryData *category = newCategory(QStringLiteral("Work"));
        store->mainContext()->insert(category);
        QSignalSpy title(category, &CategoryData::titleChanged);
        QSignalSpy x(category, &CategoryData::positionXChanged);
        QSignalSpy y(category, &CategoryData::positionYChanged);
        QSignalSpy any(category, &PersistentModel::changed);
        category->setTitle(QStringLiteral("Work"));
        QCOMPARE(title.count(), 0);
        category->setTitle(QStringLiteral("Play"));
        category->setPosition(QPointF(5, 7));
        QCOMPARE(title.count(), 1);
        QCOMPARE(x.count(), 1);
        QCOMPARE(y.count(), 1);
        QCOMPARE(category->positionX(), 5.0);
        QCOMPARE(category->positionY(), 7.0);
        QCOMPARE(category->property("title").toString(), QStringLiteral("Play"));
        QCOMPARE(any.count(), 3);
    }

    void autosaveCoalescesEditsIntoOneSaveOnALaterTurn()
    {
        FakeScheduler clock;
        auto store = makeMemoryStore();
        ModelContext ctx(store.get());
        ctx.setAutosaveEnabled(true);
        QSignalSpy saved(&ctx, &ModelContext::didSave);
        TaskData *task = newTask(QStringLiteral("One"));
        ctx.insert(task);
        task->setTitle(QStringLiteral("Two"));
        task->setStreamStatus(StreamStatus::Streaming);
        QCOMPARE(saved.count(), 0);
        clock.runPending();
        QCOMPARE(saved.count(), 1);
        QVERIFY(!ctx.hasChanges());
        task->setTitle(QStringLiteral("Three"));
        clock.runPending();
        QCOMPARE(saved.count(), 2);
        ModelContext other(store.get());
        QCOMPARE(other.fetch<TaskData>().first()->title(), QStringLiteral("Three"));
    }

    void otherContextsSavesReachLoadedModelsAndLiveQueries()
    {
        FakeScheduler clock;
        auto store = makeMemoryStore();
        ModelContext *main = store->mainContext();
        TaskData *task = newTask(QStringLiteral("Draft"));
        main->insert(task);
        main->save();

        FetchedResults streaming(main, FetchDescriptor::of<TaskData>(Predicate::equal(QStringLiteral("streamStatus"), QStringLiteral("streaming")),
                                                                    {{QStringLiteral("createdAt"), false}}));
        FetchedResults all(main, FetchDescriptor::of<TaskData>({}, {{QStringLiteral("createdAt"), false}}));
        QSignalSpy streamingChanged(&streaming, &FetchedResults::resultsChanged);
        QSignalSpy allChanged(&all, &FetchedResults::resultsChanged);
        QSignalSpy titleChanged(task, &TaskData::titleChanged);
        QCOMPARE(all.results<TaskData>(), QList<TaskData *>{task});

        ModelContext worker(store.get());
        TaskData *same = worker.model<TaskData>(task->persistentModelID());
        same->setTitle(QStringLiteral("Final"));
        same->setStreamStatus(StreamStatus::Streaming);
        worker.insert(newTask(QStringLiteral("Second"), QDateTime(QDate(2027, 1, 1), QTime(0, 0), Qt::UTC)));
        worker.save();
        QCOMPARE(task->title(), QStringLiteral("Final"));
        QCOMPARE(titleChanged.count(), 1);
        QCOMPARE(streaming.results<TaskData>(), QList<TaskData *>{task});
        QCOMPARE(all.models().size(), 2);
        QCOMPARE(all.results<TaskData>().last(), task);
        QCOMPARE(streamingChanged.count(), 1);
        QCOMPARE(allChanged.count(), 1);

        // Unsaved edits of the query's own context show after the turn ends.
        task->setStreamStatus(StreamStatus::Completed);
        QCOMPARE(streaming.models().size(), 1);
        clock.runPending();
        QVERIFY(streaming.models().isEmpty());
        // A change of a key the query does not read leaves it alone.
        const int before = allChanged.count();
        task->setTitle(QStringLiteral("Retitled"));
        clock.runPending();
        QCOMPARE(allChanged.count(), before);
    }

    void workerThreadContextsWorkAndStayOnTheirThread()
    {
        QTemporaryDir dir;
        AIStepTransformer::registerTransformer();
        ModelConfiguration configuration;
        configuration.filePath = dir.filePath(QStringLiteral("worker.store"));
        ModelContainer store(ModelStore::schema(), configuration);
        ModelContext *main = store.mainContext();
        CategoryData *mainCategory = newCategory(QStringLiteral("Main"));
        main->insert(mainCategory);
        main->save();
        QThread *deliveredOn = nullptr;
        connect(main, &ModelContext::storeDidChange, this, [&](const ModelChanges &changes) {
            if (changes.entities.value(QStringLiteral("CategoryData")).insertedRows.size() == 1)
                deliveredOn = QThread::currentThread();
        });

        QStringList seen;
        QString wrongThreadError;
        QThread *worker = QThread::create([&] {
            ModelContext ctx(&store);
            for (CategoryData *c : ctx.fetch<CategoryData>())
                seen << c->title();
            ctx.insert(newCategory(QStringLiteral("Worker")));
            ctx.save();
            try {
                main->fetch<CategoryData>();
            } catch (const StoreError &e) {
                wrongThreadError = e.localizedDescription();
            }
        });
        worker->start();
        QVERIFY(worker->wait(10000));
        delete worker;
        QCOMPARE(seen, QStringList{QStringLiteral("Main")});
        QVERIFY(!wrongThreadError.isEmpty());
        QTRY_COMPARE(deliveredOn, QThread::currentThread()); // the worker's save reaches the main context on its thread
        QCOMPARE(main->fetch<CategoryData>({}, {{QStringLiteral("title"), true}}).size(), 2);
    }

    // Rows reached through holds live while held, one object per row; once the last hold is
    // gone the store lets go of them, and a later fetch reads the row afresh.
    void heldRowsKeepOneObjectAndAreLetGoAfterTheLastHold()
    {
        FakeScheduler clock;
        auto store = makeMemoryStore();
        ModelContext writer(store.get());
        TaskData *task = newTask(QStringLiteral("Chat"));
        writer.insert(task);
        const QDateTime t0(QDate(2026, 1, 1), QTime(10, 0), Qt::UTC);
        for (int i = 0; i < 3; ++i)
            ChatMessageData::withUserTextMessage(QStringLiteral("user"), QStringLiteral("m%1").arg(i), t0.addSecs(i), task);
        writer.save();

        ModelContext ctx(store.get());
        const QList<SortDescriptor> byTime{{QStringLiteral("timestamp"), true}};
        QList<ModelHold<ChatMessageData>> held = ctx.fetchHeld<ChatMessageData>({}, byTime);
        QCOMPARE(held.size(), 3);
        QPointer<ChatMessageData> first = held.first().get();
        clock.runPending();
        QVERIFY(first);
        QCOMPARE(ctx.fetchHeld<ChatMessageData>({}, byTime).first().get(), first.data());
        ModelHold<ChatMessageData> copy = held.first();
        held.clear();
        clock.runPending();
        QVERIFY(first); // a copy still holds it
        QCOMPARE(ctx.fetchHeld<ChatMessageData>({}, byTime).first().get(), first.data());
        copy.reset();
        clock.runPending();
        QVERIFY(!first);

        // Saved elsewhere while nobody here held the row: the fresh object has the saved text.
        writer.fetch<ChatMessageData>({}, byTime).first()->setUserTextMessage(QStringLiteral("edited"));
        writer.save();
        clock.runPending();
        held = ctx.fetchHeld<ChatMessageData>({}, byTime);
        QCOMPARE(held.first()->userTextMessage(), std::optional<QString>(QStringLiteral("edited")));
        QCOMPARE(held.first()->task(), ctx.fetch<TaskData>().first());
        held.clear();

        // Rows handed out plainly stay for the context's life, as they always did.
        ChatMessageData *plain = ctx.fetch<ChatMessageData>({}, byTime).last();
        QPointer<ChatMessageData> plainRow = plain;
        held = ctx.fetchHeld<ChatMessageData>({}, byTime);
        held.clear();
        clock.runPending();
        QVERIFY(plainRow);
        QCOMPARE(plain->userTextMessage(), std::optional<QString>(QStringLiteral("m2")));
    }

    // Letting go never loses work: a changed, inserted or deleted row stays until it is saved,
    // and lists of other rows that pointed at a row let go are read again.
    void rowsLetGoKeepTheirUnsavedChangesUntilSaved()
    {
        FakeScheduler clock;
        auto store = makeMemoryStore();
        ModelContext ctx(store.get());
        TaskData *task = newTask(QStringLiteral("Chat"));
        ctx.insert(task);
        const QDateTime t0(QDate(2026, 1, 1), QTime(10, 0), Qt::UTC);
        for (int i = 0; i < 3; ++i)
            ChatMessageData::withUserTextMessage(QStringLiteral("user"), QStringLiteral("m%1").arg(i), t0.addSecs(i), task);
        ctx.save();
        ModelContext reader(store.get());
        TaskData *readerTask = reader.fetch<TaskData>().first();
        const QList<SortDescriptor> byTime{{QStringLiteral("timestamp"), true}};

        QList<ModelHold<ChatMessageData>> held = reader.fetchHeld<ChatMessageData>({}, byTime);
        QPointer<ChatMessageData> edited = held[0].get();
        QPointer<ChatMessageData> deleted = held[1].get();
        edited->setUserTextMessage(QStringLiteral("draft"));
        reader.remove(deleted);
        QPointer<ChatMessageData> added;
        {
            // Held before it joins the store: it lives by its holds, not for good.
            ModelHold<ChatMessageData> fresh(ChatMessageData::withUserTextMessage(QStringLiteral("user"), QStringLiteral("new"), t0.addSecs(9), nullptr));
            fresh->setTask(readerTask); // reads the task's message list, pointing at every row
            added = fresh.get();
        }
        held.clear();
        clock.runPending();
        QVERIFY(edited);
        QVERIFY(deleted);
        QVERIFY(added);
        QCOMPARE(reader.fetchHeld<ChatMessageData>({}, byTime).first().get(), edited.data());
        QVERIFY(reader.hasChanges());

        reader.save();
        clock.runPending();
        QVERIFY(!edited);
        QVERIFY(!deleted);
        QVERIFY(!added);
        QStringList texts;
        for (ChatMessageData *m : readerTask->chatMessages())
            texts << m->userTextMessage().value_or(QString());
        texts.sort();
        QCOMPARE(texts, (QStringList{QStringLiteral("draft"), QStringLiteral("m2"), QStringLiteral("new")}));
        QCOMPARE(ctx.fetch<ChatMessageData>().size(), 3);
    }
};

TAVO_TEST_MAIN(StoreTest)
#include "tst_store.moc"
