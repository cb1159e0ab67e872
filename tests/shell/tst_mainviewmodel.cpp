// The coordinator's construction, launch reset and task creation, on virtual time.
#include "categories/TaskCardBehaviours.h"
#include "chat/ChatViewModel.h"
#include "chat/EmbeddedChatView.h"
#include "model/ChatMessageData.h"
#include "CoordinatorFixture.h"
#include "FakeScheduler.h"
#include "NotificationSpy.h"
#include "TestMain.h"
#include "Platform/UuidText.h"
#include "model/AppIconData.h"
#include "model/AppStoreData.h"
#include "model/CategoryData.h"
#include "model/TaskData.h"
#include "Controller/session/Session.h"
#include "Controller/session/SessionManager.h"
#include "Controller/session/ControlManager.h"

#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>

namespace {
TaskData *addTask(ModelContext *ctx, const QString &title, StreamStatus status)
{
    auto *t = new TaskData(QUuid::createUuid(), title, std::nullopt, std::nullopt, QDateTime::currentDateTimeUtc(), false,
                           std::nullopt, std::nullopt, status, std::nullopt);
    ctx->insert(t);
    return t;
}

CategoryData *addCategory(ModelContext *ctx, const QString &title)
{
    auto *c = new CategoryData(QUuid::createUuid(), title, QDateTime::currentDateTimeUtc(), 0, 0);
    ctx->insert(c);
    return c;
}

const QRegularExpression kUpperUuid(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"));
}

class TestMainViewModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void constructionOrderAndState();
    void launchReset_data();
    void launchReset();
    void createTaskRules();
    void createTaskSharesOnePlaceholderIcon();
    void createTaskStartsTheSessionAtOnce();
    void blankInputMakesNothing();
    void submitQueryEventsAndAutoExpand();
    void submitTranscriptShowsThePanelForTheTask();
    void submitTranscriptWithTheCanvasInFront();
    void blankChatMessageIsNotSent();
    void closeAllSessionsClosesTheWholeRegistry();
    void hasInstalledAppsCountsOnlyInstalledRows();
    void taskViewDeletionStopsTheStreamThroughTheCoordinator();
    void chatsNobodyShowsAreLetGo();
};

void TestMainViewModel::constructionOrderAndState()
{
    FakeScheduler clock;
    CoordinatorFixture f;
    MainViewModel &vm = f.make();
    QCOMPARE(f.windows.log.calls, (QStringList{"factory.store", "factory.flower", "factory.panel", "factory.canvas",
                                               "canvas.createWindow"}));
    QCOMPARE(f.windows.panel->mainViewModel, &vm);
    QCOMPARE(f.windows.canvas->mainViewModel, &vm);
    QVERIFY(!f.windows.canvas->visible);
    QVERIFY(vm.isInitializing());
    QVERIFY(!vm.isCanvasVisible());
    QVERIFY(vm.chatViewModels().isEmpty());
    QVERIFY(vm.transcriptInput().isEmpty());
    QVERIFY(vm.notificationObservers().isEmpty());
    QVERIFY(vm.controlManager());
    QVERIFY(!vm.hasInstalledApps());
}

void TestMainViewModel::launchReset_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<int>("saves");
    QTest::newRow("empty store") << QStringList{} << QStringList{}
                                 << "ℹ️ [MainViewModel] No streaming tasks found on app restart" << 0;
    QTest::newRow("nothing streaming") << QStringList{"idle", "completed", "failed"} << QStringList{"idle", "completed", "failed"}
                                       << "ℹ️ [MainViewModel] No streaming tasks found on app restart" << 0;
    QTest::newRow("three streaming") << QStringList{"streaming", "idle", "streaming", "completed", "streaming", "failed"}
                                     << QStringList{"failed", "idle", "failed", "completed", "failed", "failed"}
                                     << "✅ [MainViewModel] Successfully reset 3 streaming tasks to failed status" << 1;
}

void TestMainViewModel::launchReset()
{
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    QFETCH(QString, summary);
    QFETCH(int, saves);
    FakeScheduler clock;
    CoordinatorFixture f;
    QList<TaskData *> tasks;
    for (int i = 0; i < before.size(); ++i)
        tasks << addTask(f.context(), QString("task %1").arg(i), *streamStatusFromRaw(before[i]));
    f.context()->save();
    QSignalSpy saved(f.context(), &ModelContext::didSave);
    f.make();
    QCOMPARE(saved.count(), saves);
    QStringList now;
    for (TaskData *t : tasks)
        now << rawValue(t->streamStatus());
    QCOMPARE(now, after);
    QVERIFY2(CoordinatorFixture::log().contains(summary), qPrintable(CoordinatorFixture::log().join('\n')));
    if (saves) {
        QVERIFY(CoordinatorFixture::log().contains("🔄 [MainViewModel] Found 3 streaming tasks on app restart, marking as failed"));
        QCOMPARE(CoordinatorFixture::log().filter("' from streaming to failed").size(), 3);
        QVERIFY(CoordinatorFixture::log().contains("❌ [MainViewModel] Reset task 'task 0' from streaming to failed"));
    }
}

void TestMainViewModel::createTaskRules()
{
    FakeScheduler clock;
    CoordinatorFixture f;
    CategoryData *work = addCategory(f.context(), "Work");
    f.context()->save();
    MainViewModel &vm = f.make();

    TaskData *task = vm.createTask("  \n Plan the trip \t\n", "Work", true);
    QVERIFY(task);
    QCOMPARE(task->title(), QString("Plan the trip"));
    QCOMPARE(task->category(), work);
    QVERIFY(work->tasks().contains(task));
    QCOMPARE(task->streamStatus(), StreamStatus::Idle);
    QCOMPARE(task->miniAppEnabled(), std::optional<bool>(true));
    QVERIFY(!task->isCompleted());
    QCOMPARE(task->createdAt(), clock.now());
    QVERIFY(!f.context()->hasChanges());
    QVERIFY(CoordinatorFixture::log().contains("✅ Verified: Task 'Plan the trip' still has category 'Work' after save"));

    // Titles match exactly, letter case included.
    CoordinatorFixture::log().clear();
    TaskData *other = vm.createTask("Other", "work", false);
    QVERIFY(other);
    QVERIFY(!other->category());
    QVERIFY(CoordinatorFixture::log().contains("⚠️ work category not found, task will be created without category"));
    QVERIFY(CoordinatorFixture::log().filter("Verified").isEmpty());
}

void TestMainViewModel::createTaskSharesOnePlaceholderIcon()
{
    FakeScheduler clock;
    CoordinatorFixture f;
    MainViewModel &vm = f.make();
    TaskData *a = vm.createTask("first", "All Tasks", false);
    TaskData *b = vm.createTask("second", "All Tasks", false);
    QCOMPARE(a->apps().size(), 1);
    QCOMPARE(b->apps().size(), 1);
    AppIconData *icon = a->apps().first();
    QCOMPARE(b->apps().first(), icon);
    QCOMPARE(icon->iconName(), QString("app_logo_placeholder_1"));
    QCOMPARE(icon->name(), QString("Default"));
    QCOMPARE(icon->colorHex(), QString("#6366F1"));
    QCOMPARE(f.context()->fetch<AppIconData>().size(), 1);
    QVERIFY(CoordinatorFixture::log().contains("✅ Created and assigned new default app icon to task"));
    QVERIFY(CoordinatorFixture::log().contains("✅ Assigned existing default app icon to task"));
}

void TestMainViewModel::createTaskStartsTheSessionAtOnce()
{
    FakeScheduler clock;
    CoordinatorFixture f;
    MainViewModel &vm = f.make();
    TaskData *task = vm.createTask("hello", "All Tasks", false);
    const QString id = UuidText::toText(task->id());
    QVERIFY(kUpperUuid.match(id).hasMatch());
    QVERIFY(vm.controlManager()->sessionManager()->session(id));
    QCOMPARE(vm.controlManager()->sessionManager()->sessions().size(), 1);
}

void TestMainViewModel::blankInputMakesNothing()
{
    FakeScheduler clock;
    CoordinatorFixture f;
    MainViewModel &vm = f.make();
    NotificationSpy spy;
    QVERIFY(!vm.createTask(" \n\t ", "All Tasks", false));
    vm.submitQuery("   \n", "All Tasks", false);
    vm.setTranscriptInput("  ");
    bool closed = false;
    vm.submitTranscript("All Tasks", [&](const QString &) { closed = true; });
    clock.advance(1000);
    QCOMPARE(f.context()->fetch<TaskData>().size(), 0);
    QCOMPARE(f.analytics.events().size(), 0);
    QCOMPARE(spy.all().size(), 0);
    QVERIFY(!closed);
    QVERIFY(vm.controlManager()->sessionManager()->sessions().isEmpty());
}

void TestMainViewModel::submitQueryEventsAndAutoExpand()
{
    FakeScheduler clock;
    CoordinatorFixture f;
    addCategory(f.context(), "Research");
    f.context()->save();
    MainViewModel &vm = f.make();
    NotificationSpy spy;
    vm.submitQuery("  Find flights  ", "Research", true);
    const QList<TaskData *> tasks = f.context()->fetch<TaskData>();
    QCOMPARE(tasks.size(), 1);
    TaskData *task = tasks.first();
    const QString id = UuidText::toText(task->id());
    QCOMPARE(task->title(), QString("Find flights"));
    QCOMPARE(task->miniAppEnabled(), std::optional<bool>(true));
    QCOMPARE(task->streamStatus(), StreamStatus::Streaming);
    QVERIFY(vm.chatViewModels().contains(task->id()));

    const QVariantMap props = f.analytics.lastProperties("user_query_submitted");
    QCOMPARE(props.value("task_id").toString(), id);
    QCOMPARE(props.value("query_length").toInt(), 16); // before trimming
    QCOMPARE(props.value("source").toString(), QString("canvas"));
    QCOMPARE(props.value("category_title").toString(), QString("Research"));
    QCOMPARE(f.analytics.count("user_chat_sent"), 0);

    clock.advance(99);
    QCOMPARE(spy.count("autoExpandTask"), 0);
    clock.advance(1);
    QCOMPARE(spy.count("autoExpandTask"), 1);
    const Notification n = spy.named("autoExpandTask").first();
    QCOMPARE(n.userInfo.value("taskId").toString(), id);
    QVERIFY(kUpperUuid.match(id).hasMatch());
    QCOMPARE(n.userInfo.value("categoryTitle").toString(), QString("Research"));
}

void TestMainViewModel::submitTranscriptShowsThePanelForTheTask()
{
    FakeScheduler clock;
    CoordinatorFixture f;
    MainViewModel &vm = f.make();
    NotificationSpy spy;
    vm.setTranscriptInput("  book a table \n");
    QStringList closes;
    vm.submitTranscript("All Tasks", [&](const QString &how) { closes << how; });
    QCOMPARE(closes, QStringList{"auto"});
    QCOMPARE(vm.transcriptInput(), QString("book a table"));
    QVERIFY(f.windows.log.calls.contains("panel.show"));
    TaskData *task = f.context()->fetch<TaskData>().first();
    QCOMPARE(task->miniAppEnabled(), std::optional<bool>(false));
    const QVariantMap props = f.analytics.lastProperties("user_query_submitted");
    QCOMPARE(props.value("input_length").toInt(), 16); // before trimming
    QCOMPARE(props.value("source").toString(), QString("transcript"));

    clock.advance(100);
    QCOMPARE(spy.names().filter(QRegularExpression("panelSizeShouldUpdate|showFloatingPanel|openChatForTask")),
             (QStringList{"panelSizeShouldUpdate", "showFloatingPanel"}));
    clock.advance(100);
    QCOMPARE(spy.count("openChatForTask"), 1);
    QCOMPARE(spy.named("openChatForTask").first().userInfo.value("taskId").toString(), UuidText::toText(task->id()));
}

void TestMainViewModel::submitTranscriptWithTheCanvasInFront()
{
    FakeScheduler clock;
    CoordinatorFixture f;
    MainViewModel &vm = f.make();
    f.windows.canvas->inFront = true;
    NotificationSpy spy;
    vm.setTranscriptInput("call mum");
    QStringList closes;
    vm.submitTranscript("All Tasks", [&](const QString &how) { closes << how; });
    clock.advance(500);
    QCOMPARE(closes, QStringList{"auto"});
    QVERIFY(!f.windows.log.calls.contains("panel.show"));
    QCOMPARE(spy.count("openChatForTask"), 0);
    QCOMPARE(spy.count("showFloatingPanel"), 0);
}

void TestMainViewModel::blankChatMessageIsNotSent()
{
    FakeScheduler clock;
    CoordinatorFixture f;
    TaskData *task = addTask(f.context(), "quiet", StreamStatus::Completed);
    f.context()->save();
    MainViewModel &vm = f.make();
    vm.handleChatMessage(" \n ", task, "chat", false);
    clock.advance(1000);
    QCOMPARE(task->streamStatus(), StreamStatus::Completed);
    QCOMPARE(f.analytics.count("user_chat_sent"), 0);
    QVERIFY(vm.controlManager()->sessionManager()->sessions().isEmpty());
}

void TestMainViewModel::closeAllSessionsClosesTheWholeRegistry()
{
    FakeScheduler clock;
    CoordinatorFixture f;
    MainViewModel &vm = f.make();
    TaskData *withChat = vm.createTask("one", "All Tasks", false);
    vm.createTask("two", "All Tasks", false); // its session exists, its chat was never opened
    vm.chatViewModel(withChat);
    QCOMPARE(vm.controlManager()->sessionManager()->sessions().size(), 2);
    bool done = false;
    vm.closeAllSessions([&] { done = true; });
    QTRY_VERIFY(done);
    QVERIFY(vm.controlManager()->sessionManager()->sessions().isEmpty());
    QVERIFY(vm.chatViewModels().isEmpty());
    QCOMPARE(CoordinatorFixture::log().filter("🔌 [MainViewModel] Closed session for task: ").size(), 2);
    QVERIFY(CoordinatorFixture::log().contains("✅ [MainViewModel] All sessions closed and chat view models cleared"));
    // A new chat state is made afresh afterwards.
    QVERIFY(vm.chatViewModel(withChat));
}

void TestMainViewModel::hasInstalledAppsCountsOnlyInstalledRows()
{
    CoordinatorFixture f;
    MainViewModel &vm = f.make();
    auto row = [&](const QString &name, bool installed) {
        f.context()->insert(new AppStoreData(QUuid::createUuid(), std::nullopt, name, "dev", "d", "i", std::nullopt, "Free", 4,
                                             AppCategory::Crm, installed, false, QDateTime::currentDateTimeUtc(), 0,
                                             std::nullopt, false, false, false, false, std::nullopt));
        f.context()->save();
    };
    row("Notes", false);
    QVERIFY(!vm.hasInstalledApps());
    row("Mail", true);
    QVERIFY(vm.hasInstalledApps());
}

void TestMainViewModel::taskViewDeletionStopsTheStreamThroughTheCoordinator()
{
    CoordinatorFixture f;
    MainViewModel &vm = f.make();
    TaskData *task = vm.createTask("streaming", "All Tasks", false);
    task->setStreamStatus(StreamStatus::Streaming);
    f.context()->save();
    ChatViewModel *chat = vm.chatViewModel(task);
    chat->addUserMessage("hello");
    chat->processStreamChunk("partial");
    {
        // A view with no delete handler of its own deletes the task itself.
        TaskCardBehaviours card(task, f.context(), {"TaskItemView", "TaskItemView", false});
        card.deleteTask();
    }
    QVERIFY(CoordinatorFixture::log().contains(QStringLiteral("🛑 [MainViewModel] Stopping streaming for task: streaming")));
    QVERIFY(chat->isStreamingStopped());
    QVERIFY(f.context()->fetch<TaskData>().isEmpty());
}

// A chat whose last view closed is let go with its messages once nothing is in progress in
// it; the chat on screen and a chat still writing an answer stay.
void TestMainViewModel::chatsNobodyShowsAreLetGo()
{
    FakeScheduler clock;
    CoordinatorFixture f;
    MainViewModel &vm = f.make();
    TaskData *shown = vm.createTask("shown", "All Tasks", false);
    TaskData *closed = vm.createTask("closed", "All Tasks", false);
    TaskData *busy = vm.createTask("busy", "All Tasks", false);
    f.context()->save();
    {
        // Stored earlier (another launch, another context): the chat is the first to read them.
        ModelContext earlier(&f.container);
        TaskData *stored = earlier.model<TaskData>(closed->persistentModelID());
        const QDateTime t0 = QDateTime::currentDateTimeUtc();
        for (int i = 0; i < 3; ++i)
            ChatMessageData::withUserTextMessage("user", QString("message %1").arg(i), t0.addSecs(i), stored);
        earlier.save();
    }

    EmbeddedChatView onScreen(&vm, shown, "panel", {}, {});
    auto *closedView = new EmbeddedChatView(&vm, closed, "panel", {}, {});
    auto *busyView = new EmbeddedChatView(&vm, busy, "canvas", {}, {});
    QPointer<ChatViewModel> closedChat = closedView->viewModel();
    QPointer<ChatViewModel> busyChat = busyView->viewModel();
    QCOMPARE(closedChat->messages().size(), 3);
    QPointer<ChatMessageData> message = closedChat->messages().first();
    busyChat->addUserMessage("hello");
    busyChat->processStreamChunk("partial answer");
    clock.runPending();
    QCOMPARE(vm.chatViewModels().size(), 3);

    delete closedView;
    delete busyView;
    clock.runPending();
    QVERIFY(!closedChat);
    QVERIFY(!message); // the store let go of its rows too
    QVERIFY(!vm.chatViewModels().contains(closed->id()));
    QVERIFY(busyChat); // still writing its answer
    QVERIFY(vm.chatViewModels().contains(shown->id()));

    busyChat->endStreamingResponse();
    clock.runPending();
    QVERIFY(!busyChat);
    QCOMPARE(vm.chatViewModels().keys(), QList<QUuid>{shown->id()});

    // Shown again, the chat is read afresh from the store.
    EmbeddedChatView again(&vm, closed, "panel", {}, {});
    QCOMPARE(again.viewModel()->messages().size(), 3);
    QCOMPARE(again.viewModel()->messages().last()->userTextMessage(), std::optional<QString>("message 2"));
    QCOMPARE(f.context()->fetch<ChatMessageData>(Predicate::equal("task", busy)).size(), 2);
}

TAVO_TEST_MAIN(TestMainViewModel)
#include "tst_mainviewmodel.moc"
