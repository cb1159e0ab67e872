#include "TestMain.h"
#include "model/ChatMessageData.h"
#include "PanelFixture.h"
#include "chat/ChatViewModel.h"
#include "windows/FloatingPanelLayout.h"
#include "windows/PanelNotificationManager.h"

Q_DECLARE_METATYPE(std::optional<double>)

// The floating panel's content: its sizes, its task list and stack, its transitions and the
// actions of its controls, over a real store and coordinator in virtual time.
class TestFloatingPanel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void panelHeight_data()
    {
        QTest::addColumn<int>("tasks");
        QTest::addColumn<std::optional<double>>("screenHeight");
        QTest::addColumn<double>("expected");
        QTest::newRow("no tasks, no screen asked") << 0 << std::optional<double>() << 400.0;
        QTest::newRow("no tasks on a small screen") << 0 << std::optional<double>(100) << 400.0;
        QTest::newRow("no main screen") << 1 << std::optional<double>() << 500.0;
        QTest::newRow("one task") << 1 << std::optional<double>(2000) << 158.0;
        QTest::newRow("three tasks") << 3 << std::optional<double>(2000) << 434.0;
        QTest::newRow("five tasks") << 5 << std::optional<double>(2000) << 710.0;
        QTest::newRow("rows beyond five do not count") << 40 << std::optional<double>(2000) << 710.0;
        QTest::newRow("capped at 0.6 of the screen") << 7 << std::optional<double>(1000) << 600.0;
        QTest::newRow("exactly at the cap") << 5 << std::optional<double>(710 / 0.6) << 710.0;
    }
    void panelHeight()
    {
        QFETCH(int, tasks);
        QFETCH(std::optional<double>, screenHeight);
        QFETCH(double, expected);
        QCOMPARE(FloatingPanelLayout::panelHeight(tasks, screenHeight), expected);
    }

    void collapsedListHeight_data()
    {
        QTest::addColumn<bool>("collapsed");
        QTest::addColumn<int>("visible");
        QTest::addColumn<int>("tasks");
        QTest::addColumn<double>("expected");
        QTest::newRow("empty stack") << true << 0 << 0 << 248.0;
        QTest::newRow("one card") << true << 1 << 1 << 100.0;
        QTest::newRow("two cards") << true << 2 << 2 << 120.0;
        QTest::newRow("three cards of many") << true << 3 << 12 << 140.0;
        QTest::newRow("expanded counts all tasks") << false << 0 << 2 << 120.0;
        QTest::newRow("expanded, many tasks") << false << 3 << 9 << 140.0;
        QTest::newRow("expanded, no tasks") << false << 0 << 0 << 248.0;
    }
    void collapsedListHeight()
    {
        QFETCH(bool, collapsed);
        QFETCH(int, visible);
        QFETCH(int, tasks);
        QFETCH(double, expected);
        QCOMPARE(FloatingPanelLayout::collapsedListHeight(collapsed, visible, tasks), expected);
    }

    void stackPlacement_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("offset");
        QTest::addColumn<double>("scale");
        QTest::newRow("single card") << 0 << 1 << 0.0 << 1.0;
        QTest::newRow("first of two") << 0 << 2 << 80.0 << 1.0;
        QTest::newRow("second of two") << 1 << 2 << 0.0 << 0.9;
        QTest::newRow("first of three") << 0 << 3 << 170.0 << 1.0;
        QTest::newRow("second of three") << 1 << 3 << 100.0 << 0.9;
        QTest::newRow("third of three") << 2 << 3 << 8.0 << 0.8;
        QTest::newRow("beyond the count") << 2 << 2 << 0.0 << 1.0;
    }
    void stackPlacement()
    {
        QFETCH(int, position);
        QFETCH(int, count);
        QFETCH(double, offset);
        QFETCH(double, scale);
        QCOMPARE(FloatingPanelLayout::stackOffsetAndScale(position, count), (FloatingPanelLayout::StackPlacement{offset, scale}));
    }

    // The stack: the selected task on top, then the newest, then the next newest.
    void visibleTasks_data()
    {
        QTest::addColumn<int>("taskCount");
        QTest::addColumn<QString>("selected"); // a title, "deleted:<title>" for a task removed from the store
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("no tasks") << 0 << QString() << QStringList{};
        QTest::newRow("nothing selected") << 5 << QString() << QStringList{"T5", "T4", "T3"};
        QTest::newRow("selected third") << 5 << "T3" << QStringList{"T3", "T5", "T4"};
        QTest::newRow("selected newest") << 5 << "T5" << QStringList{"T5", "T4", "T3"};
        QTest::newRow("selected oldest") << 5 << "T1" << QStringList{"T1", "T5", "T4"};
        QTest::newRow("selected of two") << 2 << "T1" << QStringList{"T1", "T2"};
        QTest::newRow("selected task deleted") << 5 << "deleted:T4" << QStringList{"T5", "T3", "T2"};
    }
    void visibleTasks()
    {
        QFETCH(int, taskCount);
        QFETCH(QString, selected);
        QFETCH(QStringList, expected);
        PanelFixture f;
        QHash<QString, TaskData *> byTitle;
        for (int i = 1; i <= taskCount; ++i)
            byTitle.insert(QStringLiteral("T%1").arg(i), f.addTask(QStringLiteral("T%1").arg(i)));
        FloatingPanelView &view = f.makeView();
        if (selected.startsWith(QLatin1String("deleted:"))) {
            TaskData *gone = byTitle.value(selected.mid(8));
            view.viewState()->setSelectedTask(gone);
            f.context()->remove(gone);
            f.context()->save();
        } else if (!selected.isEmpty()) {
            view.viewState()->setSelectedTask(byTitle.value(selected));
        }
        QCOMPARE(f.titles(view.visibleTasks()), expected);
    }

    void createNewTask_data()
    {
        QTest::addColumn<bool>("withAllTasks");
        QTest::newRow("into All Tasks") << true;
        QTest::newRow("no All Tasks category") << false;
    }
    void createNewTask()
    {
        QFETCH(bool, withAllTasks);
        PanelFixture f;
        CategoryData *allTasks = withAllTasks ? f.addAllTasksCategory() : nullptr;
        f.addTask(QStringLiteral("one"));
        TaskData *two = f.addTask(QStringLiteral("two"));
        f.addTask(QStringLiteral("three"));
        FloatingPanelView &view = f.makeView();

        TaskData *task = view.createNewTask();
        QVERIFY(task);
        QCOMPARE(task->title(), QStringLiteral("New Task 4"));
        QCOMPARE(task->streamStatus(), StreamStatus::Idle);
        QCOMPARE(task->progress(), std::optional<double>(0.1));
        QCOMPARE(task->miniAppEnabled(), std::optional<bool>(false));
        QVERIFY(!task->hasChanges()); // saved
        QCOMPARE(view.tasks().first(), task);
        QCOMPARE(view.viewState()->selectedTask(), nullptr); // not selected, no chat
        const QList<Notification> created = f.spy.named(QStringLiteral("taskCreated"));
        QCOMPARE(created.size(), 1);
        const QVariant id = created[0].userInfo.value(QStringLiteral("taskId"));
        QCOMPARE(id.typeId(), int(QMetaType::QString));
        QCOMPARE(id.toString(), task->id().toString(QUuid::WithoutBraces).toUpper());
        if (withAllTasks) {
            QCOMPARE(task->category(), allTasks);
            QVERIFY(allTasks->tasks().contains(task));
            QVERIFY(f.logged(QStringLiteral("✅ Verified: Task 'New Task 4' still has category 'All Tasks' after save")));
        } else {
            QCOMPARE(task->category(), nullptr);
            QVERIFY(f.logged(QStringLiteral("⚠️ All Tasks category not found, task will be created without category")));
        }

        // The number counts the tasks there are, so it repeats after a deletion.
        view.deleteTask(two);
        QCOMPARE(view.createNewTask()->title(), QStringLiteral("New Task 4"));
    }

    void canvasButtonPostsItsPair_data()
    {
        QTest::addColumn<bool>("canvasVisible");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("canvas hidden") << false << QStringList{"toggleCanvasWindow", "togglePanelVisibilityForCanvas"};
        QTest::newRow("canvas visible") << true << QStringList{"showCanvasWindowFromPanel", "togglePanelVisibilityForCanvas"};
    }
    void canvasButtonPostsItsPair()
    {
        QFETCH(bool, canvasVisible);
        QFETCH(QStringList, expected);
        PanelFixture f;
        FloatingPanelView &view = f.makeView();
        if (canvasVisible)
            f.vm().handleCanvasWillAppear();
        QCOMPARE(f.vm().isCanvasVisible(), canvasVisible);
        f.spy.clear();
        view.handleCanvasButton();
        QCOMPARE(f.spy.names(), expected);
    }

    // Launch: the stored mode comes back when the panel first appears.
    void restoresPersistedMode_data()
    {
        QTest::addColumn<QVariant>("collapsed");
        QTest::addColumn<QVariant>("showChat");
        QTest::addColumn<QString>("storedId"); // "existing", "missing" or empty
        QTest::addColumn<bool>("expectCollapsed");
        QTest::addColumn<bool>("expectSelected");
        QTest::addColumn<bool>("expectChat");
        QTest::newRow("first launch") << QVariant() << QVariant() << QString() << false << false << false;
        QTest::newRow("collapsed with an existing task's chat") << QVariant(true) << QVariant(true) << "existing" << true << true << true;
        QTest::newRow("collapsed, stored task gone") << QVariant(true) << QVariant(true) << "missing" << true << false << false;
        QTest::newRow("collapsed, chat closed") << QVariant(true) << QVariant(false) << "existing" << true << true << false;
        QTest::newRow("expanded keeps the chat closed") << QVariant(false) << QVariant(true) << "existing" << false << true << false;
    }
    void restoresPersistedMode()
    {
        QFETCH(QVariant, collapsed);
        QFETCH(QVariant, showChat);
        QFETCH(QString, storedId);
        QFETCH(bool, expectCollapsed);
        QFETCH(bool, expectSelected);
        QFETCH(bool, expectChat);
        PanelFixture f;
        f.addTask(QStringLiteral("older"));
        TaskData *task = f.addTask(QStringLiteral("stored"));
        f.addTask(QStringLiteral("newest"));
        Settings &s = Settings::instance();
        if (collapsed.isValid())
            s.setValue(FloatingPanelView::collapsedKey, collapsed);
        if (showChat.isValid())
            s.setValue(FloatingPanelView::showChatKey, showChat);
        const QString missingId = UuidText::newText();
        if (storedId == QLatin1String("existing"))
            s.setValue(FloatingPanelView::selectedTaskIdKey, UuidText::toText(task->id()));
        else if (storedId == QLatin1String("missing"))
            s.setValue(FloatingPanelView::selectedTaskIdKey, missingId);

        FloatingPanelView &view = f.makeView(true);
        QCOMPARE(view.viewState()->isCollapsed(), expectCollapsed);
        QCOMPARE(view.viewState()->selectedTask(), expectSelected ? task : nullptr);
        QCOMPARE(view.isChatOpen(), expectChat);
        QCOMPARE(view.chatView() != nullptr, expectChat);
        QCOMPARE(view.viewState()->hideControlButton(), expectSelected && showChat.toBool());
        QVERIFY(view.viewState()->isAnimating());
        QVERIFY(view.notificationManager());
        QCOMPARE(view.notificationManager()->observers().size(), 3);
        if (expectCollapsed)
            QCOMPARE(f.titles(view.visibleTasks()).first(), expectSelected ? QStringLiteral("stored") : QStringLiteral("newest"));
        if (storedId == QLatin1String("missing"))
            QCOMPARE(PanelFixture::storedSelection(), missingId); // kept until the next selection
    }

    // "openChatForTask" for a task that is not listed yet: searched again 0.1, 0.3, 0.7, 1.3
    // and 2.1 s after the first search, then given up.
    void openChatForTaskRetries_data()
    {
        QTest::addColumn<int>("arrivesAtMs");
        QTest::addColumn<int>("opensAtMs"); // -1: never
        QTest::newRow("before the first retry") << 50 << 100;
        QTest::newRow("before the second") << 250 << 300;
        QTest::newRow("before the third") << 600 << 700;
        QTest::newRow("before the fourth") << 1000 << 1300;
        QTest::newRow("before the fifth") << 2000 << 2100;
        QTest::newRow("too late") << 2150 << -1;
    }
    void openChatForTaskRetries()
    {
        QFETCH(int, arrivesAtMs);
        QFETCH(int, opensAtMs);
        PanelFixture f;
        f.addTask(QStringLiteral("listed"));
        FloatingPanelView &view = f.makeView(true);
        const QUuid id = QUuid::createUuid();
        const QString idText = UuidText::toText(id);
        NotificationCenter::defaultCenter().post(QStringLiteral("openChatForTask"), {}, {{QStringLiteral("taskId"), idText}});
        f.clock.runPending(); // the first search runs on the next turn
        QCOMPARE(f.spy.count(QStringLiteral("panelSizeShouldUpdate")), 1);

        f.clock.advance(arrivesAtMs);
        auto *task = new TaskData(id, QStringLiteral("arriving"), std::nullopt, std::nullopt, f.clock.now(), false,
                                  std::nullopt, std::nullopt, StreamStatus::Streaming, false);
        f.context()->insert(task);
        f.context()->save();
        const int end = opensAtMs < 0 ? 3000 : opensAtMs;
        f.clock.advance(end - 1 - arrivesAtMs);
        QCOMPARE(view.viewState()->selectedTask(), nullptr);
        f.clock.advance(1);
        if (opensAtMs < 0) {
            QCOMPARE(view.viewState()->selectedTask(), nullptr);
            QVERIFY(f.logged(QStringLiteral("🔴 Failed to fetch task after 5 attempts - task ID: ") + idText));
            return;
        }
        QCOMPARE(view.viewState()->selectedTask(), task);
        QCOMPARE(PanelFixture::storedSelection(), idText);
        QVERIFY(view.viewState()->isCollapsed());
        f.clock.advance(100);
        QVERIFY(view.isChatOpen());
        QVERIFY(!f.logged(QStringLiteral("🔴")));
    }

    void openChatForTaskGivesUpOnText()
    {
        PanelFixture f;
        FloatingPanelView &view = f.makeView(true);
        view.openChatForTask(QStringLiteral("not-a-task"));
        f.clock.advance(2099);
        QVERIFY(!f.logged(QStringLiteral("🔴 Failed")));
        f.clock.advance(1);
        QVERIFY(f.logged(QStringLiteral("🔴 Failed to fetch task after 5 attempts - task ID: not-a-task")));
        QVERIFY(!f.logged(QStringLiteral("🔴 Error fetching task")));
        QCOMPARE(view.viewState()->selectedTask(), nullptr);
        // A notification without a text id is ignored.
        f.spy.clear();
        NotificationCenter::defaultCenter().post(QStringLiteral("openChatForTask"), {}, {{QStringLiteral("taskId"), QUuid::createUuid()}});
        f.clock.advance(3000);
        QCOMPARE(f.spy.count(QStringLiteral("panelSizeShouldUpdate")), 0);
    }

    // Deleting a task: an answer still streaming into it is stopped first; the selection and
    // chat go when the selected task is deleted.
    void deleteTask_data()
    {
        QTest::addColumn<StreamStatus>("status");
        QTest::addColumn<bool>("selected");
        QTest::newRow("idle, another task selected") << StreamStatus::Idle << false;
        QTest::newRow("completed, selected") << StreamStatus::Completed << true;
        QTest::newRow("failed") << StreamStatus::Failed << false;
        QTest::newRow("streaming") << StreamStatus::Streaming << false;
        QTest::newRow("streaming and selected") << StreamStatus::Streaming << true;
    }
    void deleteTask()
    {
        QFETCH(StreamStatus, status);
        QFETCH(bool, selected);
        PanelFixture f;
        TaskData *other = f.addTask(QStringLiteral("other"));
        TaskData *task = f.addTask(QStringLiteral("doomed"), status);
        const QUuid id = task->id();
        FloatingPanelView &view = f.makeView(true);
        view.viewSummary(selected ? task : other);
        f.clock.advance(1000);
        QVERIFY(view.isChatOpen());

        bool stoppedBeforeDeletion = false;
        QObject::connect(f.context(), &ModelContext::didSave, view.viewState(), [&](const ModelChanges &changes) {
            if (!changes.entities.value(TaskData::staticEntityDescription().name).deletedRows.isEmpty()) {
                ChatViewModel *chat = f.vm().chatViewModels().value(id);
                stoppedBeforeDeletion = chat && chat->isStreamingStopped();
            }
        });
        view.deleteTask(task);
        const bool streaming = status == StreamStatus::Streaming;
        QCOMPARE(stoppedBeforeDeletion, streaming);
        QCOMPARE(f.logged(QStringLiteral("🛑 [MainViewModel] Stopping streaming for task: doomed")), streaming);
        QVERIFY(f.context()->fetch<TaskData>(Predicate::equal(QStringLiteral("id"), id)).isEmpty());
        const QList<Notification> deleted = f.spy.named(QStringLiteral("taskDeleted"));
        QCOMPARE(deleted.size(), 1);
        QCOMPARE(deleted[0].userInfo.value(QStringLiteral("taskId")).toString(), UuidText::toText(id));
        QCOMPARE(f.titles(view.tasks()), QStringList{"other"});
        if (selected) {
            QCOMPARE(view.viewState()->selectedTask(), nullptr);
            QCOMPARE(PanelFixture::storedSelection(), QString());
            QVERIFY(!PanelFixture::showChatStored());
            QVERIFY(!view.isChatOpen());
        } else {
            QCOMPARE(view.viewState()->selectedTask(), other);
            QCOMPARE(PanelFixture::storedSelection(), UuidText::toText(other->id()));
            QVERIFY(view.isChatOpen());
        }
        f.clock.advance(1000);
    }

    // A status change redraws that task's row only: the list is not fetched again and every
    // row stays the same widget.
    void statusChangeKeepsTheRows()
    {
        PanelFixture f;
        QList<TaskData *> tasks;
        for (int i = 0; i < 4; ++i)
            tasks << f.addTask(QStringLiteral("T%1").arg(i));
        FloatingPanelView &view = f.makeView(true);
        const QList<QWidget *> before = view.listRows();
        QCOMPARE(before.size(), 4);
        QCOMPARE(before.first(), view.listRow(tasks.last())); // newest first
        int refetches = 0;
        QObject::connect(f.context(), &ModelContext::storeDidChange, view.viewState(), [&] { ++refetches; });
        tasks[1]->setStreamStatus(StreamStatus::Streaming);
        f.context()->save();
        f.clock.runPending();
        QVERIFY(refetches > 0);
        QCOMPARE(view.listRows(), before);
        QCOMPARE(f.titles(view.tasks()), (QStringList{"T3", "T2", "T1", "T0"}));
    }

    void collapseButton_data()
    {
        QTest::addColumn<bool>("collapsed");
        QTest::addColumn<bool>("chatOpen");
        QTest::addColumn<QString>("image");
        QTest::addColumn<QString>("event");
        QTest::addColumn<bool>("collapsedAfter");
        QTest::newRow("expanded list collapses") << false << false << "btn_collapse" << "collapse_panel" << true;
        QTest::newRow("stack expands") << true << false << "btn_expand" << "expand_panel" << false;
        QTest::newRow("chat closes, stack stays") << true << true << "btn_collapse" << "close_chat" << true;
    }
    void collapseButton()
    {
        QFETCH(bool, collapsed);
        QFETCH(bool, chatOpen);
        QFETCH(QString, image);
        QFETCH(QString, event);
        QFETCH(bool, collapsedAfter);
        PanelFixture f;
        TaskData *task = f.addTask(QStringLiteral("task"));
        FloatingPanelView &view = f.makeView(true);
        QCOMPARE(view.collapseButtonImage(), QStringLiteral("btn_collapse"));
        if (chatOpen)
            view.viewSummary(task);
        else if (collapsed)
            view.toggleCollapsed();
        f.clock.advance(1000);
        QCOMPARE(view.isChatOpen(), chatOpen);
        QCOMPARE(view.collapseButtonImage(), image);
        f.coordinator.analytics.clear();

        view.handleCollapseButton();
        f.clock.advance(1000);
        QCOMPARE(f.usageButtons(), QStringList{event});
        QCOMPARE(view.viewState()->isCollapsed(), collapsedAfter);
        QCOMPARE(Settings::instance().boolValue(FloatingPanelView::collapsedKey), collapsedAfter);
        QVERIFY(!view.isChatOpen());
        QCOMPARE(view.viewState()->selectedTask(), chatOpen ? task : nullptr); // closing the chat keeps the selection
    }

    void noCollapseButtonWithoutTasks()
    {
        PanelFixture f;
        FloatingPanelView &view = f.makeView(true);
        QCOMPARE(view.collapseButtonImage(), QString());
        QVERIFY(view.emptyStateCard());
        QVERIFY(!view.findChild<QWidget *>(QStringLiteral("FloatingPanelCollapseButton")));
        QCOMPARE(view.panelHeight(), 400.0);
        f.addTask(QStringLiteral("first"));
        QCOMPARE(view.collapseButtonImage(), QStringLiteral("btn_collapse"));
        QVERIFY(!view.emptyStateCard());
        QCOMPARE(view.panelHeight(), 158.0);
    }

    // Opening a chat from the list: selected at once, collapsed, the chat open 0.2 s later;
    // another task's open chat closes first and the new one opens 0.4 s after the tap.
    void viewSummaryOpensTheChat()
    {
        PanelFixture f;
        TaskData *first = f.addTask(QStringLiteral("first"));
        TaskData *second = f.addTask(QStringLiteral("second"));
        FloatingPanelView &view = f.makeView(true);
        view.viewSummary(first);
        QCOMPARE(view.viewState()->selectedTask(), first);
        QVERIFY(view.viewState()->isCollapsed());
        QVERIFY(!view.isChatOpen());
        f.clock.advance(199);
        QVERIFY(!view.isChatOpen());
        f.clock.advance(1);
        QVERIFY(view.isChatOpen());
        QVERIFY(view.chatView());
        QVERIFY(view.viewState()->hideControlButton());
        QCOMPARE(f.titles(view.visibleTasks()), (QStringList{"first", "second"}));
        QCOMPARE(f.usageButtons(), QStringList{"view_summary"});
        QCOMPARE(f.coordinator.analytics.lastProperties(QStringLiteral("button_tap")).value(QStringLiteral("panel_collapsed")), QVariant(false));

        view.viewSummary(second);
        QCOMPARE(view.viewState()->selectedTask(), second);
        QVERIFY(!view.isChatOpen());
        f.clock.advance(150);
        QVERIFY(view.viewState()->hideControlButton() == false);
        f.clock.advance(249);
        QVERIFY(!view.isChatOpen());
        f.clock.advance(1);
        QVERIFY(view.isChatOpen());
        QCOMPARE(PanelFixture::storedSelection(), UuidText::toText(second->id()));
    }

    // A tap on a stacked card expands the panel without selecting that card's task; when a chat
    // was open it closes and the selection is cleared.
    void tapOnStackedCardExpands()
    {
        PanelFixture f;
        TaskData *first = f.addTask(QStringLiteral("first"));
        TaskData *second = f.addTask(QStringLiteral("second"));
        FloatingPanelView &view = f.makeView(true);
        view.handleTaskTap(first);
        f.clock.advance(1000);
        QVERIFY(view.isChatOpen());
        QCOMPARE(view.stackRows().size(), 2);
        f.coordinator.analytics.clear();
        f.spy.clear();

        view.handleTaskTap(second);
        QCOMPARE(f.usageButtons(), QStringList{"select_task"});
        QCOMPARE(f.coordinator.analytics.lastProperties(QStringLiteral("button_tap")).value(QStringLiteral("panel_collapsed")), QVariant(true));
        QVERIFY(!view.viewState()->isCollapsed());
        f.clock.advance(1000);
        QCOMPARE(view.viewState()->selectedTask(), nullptr);
        QCOMPARE(PanelFixture::storedSelection(), QString());
        QVERIFY(!PanelFixture::showChatStored());
        QVERIFY(!view.chatView());
        QVERIFY(view.stackRows().isEmpty());
        QVERIFY(f.spy.count(QStringLiteral("panelSizeShouldUpdate")) >= 2);
    }

    void closeChatTimings()
    {
        PanelFixture f;
        FloatingPanelView &view = f.makeView(true);
        int completions = 0;
        view.closeChat([&] { ++completions; });
        QVERIFY(view.viewState()->chatExitingAnimation());
        f.clock.advance(150);
        QVERIFY(!view.viewState()->chatExitingAnimation());
        QCOMPARE(completions, 0);
        f.clock.advance(50);
        QCOMPARE(completions, 1);
        f.spy.clear();
        f.clock.advance(199);
        QCOMPARE(f.spy.count(QStringLiteral("panelSizeShouldUpdate")), 0);
        f.clock.advance(1);
        QCOMPARE(f.spy.count(QStringLiteral("panelSizeShouldUpdate")), 1);
    }

    void appearanceNotifications()
    {
        PanelFixture f;
        f.addTask(QStringLiteral("task"));
        FloatingPanelView &view = f.makeView(true);
        NotificationCenter &nc = NotificationCenter::defaultCenter();
        nc.post(QStringLiteral("PanelViewDidDisappear"));
        QVERIFY(!view.viewState()->isAnimating());
        Settings::instance().setValue(FloatingPanelView::collapsedKey, true);
        nc.post(QStringLiteral("PanelViewWillAppear"));
        QVERIFY(view.viewState()->isAnimating());
        QVERIFY(view.viewState()->isCollapsed());
        QCOMPARE(view.stackRows().size(), 1);
        // The stack's height follows the cards: one card is 100 high.
        QCOMPARE(view.collapsedListHeight(), 100.0);
        QCOMPARE(view.sizeHint().height(), 8 + 100 + 8 + 32);
    }
};

TAVO_TEST_MAIN(TestFloatingPanel)
#include "tst_floating_panel.moc"
