#include "shell/MainViewModel.h"
#include "model/SwiftDataService.h"
#include "categories/TaskCardBehaviours.h"
#include "analytics/AnalyticsService.h"
#include "shell/CoordinatorStartupServices.h"
#include "shell/KeyboardEventMonitor.h"
#include "Platform/Log.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"
#include "Platform/Scheduler.h"
#include "Platform/Settings.h"
#include "Platform/Store/StoreError.h"
#include "Platform/UuidText.h"
#include "chat/ChatViewModel.h"
#include "Platform/Graphemes.h"
#include "model/AppIconData.h"
#include "model/AppStoreData.h"
#include "model/CategoryData.h"
#include "model/ChatMessageData.h"
#include "model/TaskData.h"
#include "Controller/session/AccessTokenProvider.h"
#include "Controller/session/ControlManager.h"
#include "Controller/session/Session.h"
#include "Controller/session/SessionManager.h"
#include "voice/AudioManagerService.h"

namespace {
const QString kPlaceholderIcon = QStringLiteral("app_logo_placeholder_1");

QVariantMap sourceMap(const QString &caller) { return {{QStringLiteral("source"), caller}}; }

AnalyticsService &analytics() { return AnalyticsService::shared(); }

void post(const QString &name, const QVariantMap &userInfo = {})
{
    NotificationCenter::defaultCenter().post(name, QVariant(), userInfo);
}
}

// One query's own outcome, so that its end is reported truthfully: an answer that ended in
// one of the channel's error texts, or that the user stopped, is a failure.
struct MainViewModel::QueryState {
    bool sawErrorText = false;
    bool stoppedByUser = false;
};

MainViewModel::MainViewModel(ModelContainer *container, const Services &services, QObject *parent)
    : ChatCoordinator(parent)
    , m_container(container)
    , m_windows(services.windows)
    , m_startup(services.startup)
    , m_tokenProvider(services.tokenProvider)
{
    // The coordinator's own database service (its context saves itself), for its store queries.
    m_databaseService = std::make_unique<SwiftDataService>(container);
    m_audioService = services.audioService ? services.audioService : &AudioManagerService::shared();
    m_keyboardMonitor = services.makeKeyboardMonitor ? services.makeKeyboardMonitor() : new KeyboardEventMonitor;
    m_keyboardMonitor->setParent(this);
    if (services.toolRuntime) {
        m_controlManager = new ControlManager(services.toolRuntime, this);
        m_controlManager->setAccessTokenProvider(services.tokenProvider);
    } else {
        Log::line(QStringLiteral("⚠️ [MainViewModel] No tool runtime: tasks cannot reach the assistant in this build"));
    }
    if (m_windows) {
        m_appStoreManager = m_windows->makeStore(container);
        m_flowerManager = m_windows->makeFlower(m_audioService);
        m_panelManager = m_windows->makePanel(container);
        m_nsCanvasManager = m_windows->makeCanvas(container);
        if (m_nsCanvasManager)
            m_nsCanvasManager->createWindow();
        if (m_panelManager)
            m_panelManager->setMainViewModel(this);
        if (m_nsCanvasManager)
            m_nsCanvasManager->setMainViewModel(this);
    }
    resetStreamingTasksOnStartup();
    // A task view deleting a task on its own stops the task's answer through the coordinator,
    // which owns the query, so no stream writes into the deleted task.
    QPointer<MainViewModel> self(this);
    TaskCardBehaviours::setStreamStopper([self](TaskData *task) {
        if (self)
            self->stopStreaming(task);
    });
}

MainViewModel::~MainViewModel()
{
    for (NotificationCenter::Token token : std::as_const(m_notificationObservers))
        NotificationCenter::defaultCenter().removeObserver(token);
}

ModelContext *MainViewModel::mainContext() const
{
    return m_container->mainContext();
}

void MainViewModel::setTranscriptInput(const QString &text)
{
    if (m_transcriptInput == text)
        return;
    m_transcriptInput = text;
    Q_EMIT transcriptInputChanged(text);
}

void MainViewModel::setCanvasVisible(bool visible)
{
    if (m_isCanvasVisible == visible)
        return;
    m_isCanvasVisible = visible;
    Q_EMIT isCanvasVisibleChanged(visible);
}

void MainViewModel::setInitializing(bool initializing)
{
    if (m_isInitializing == initializing)
        return;
    m_isInitializing = initializing;
    Q_EMIT isInitializingChanged(initializing);
}

WindowPort *MainViewModel::transcriptManager()
{
    if (!m_transcriptManagerMade && m_windows) {
        m_transcriptManagerMade = true;
        m_transcriptManager = m_windows->makeTranscript(this, m_audioService, m_container);
    }
    return m_transcriptManager.get();
}

// ---------------------------------------------------------------------------------------------
// Launch

void MainViewModel::resetStreamingTasksOnStartup()
{
    try {
        QList<TaskData *> streaming;
        for (TaskData *task : mainContext()->fetch<TaskData>()) {
            if (task->streamStatus() == StreamStatus::Streaming)
                streaming.append(task);
        }
        if (streaming.isEmpty()) {
            Log::line(QStringLiteral("ℹ️ [MainViewModel] No streaming tasks found on app restart"));
            return;
        }
        Log::line(QStringLiteral("🔄 [MainViewModel] Found %1 streaming tasks on app restart, marking as failed")
                      .arg(streaming.size()));
        for (TaskData *task : std::as_const(streaming)) {
            task->setStreamStatus(StreamStatus::Failed);
            Log::line(QStringLiteral("❌ [MainViewModel] Reset task '") + task->title()
                      + QStringLiteral("' from streaming to failed"));
        }
        mainContext()->save();
        Log::line(QStringLiteral("✅ [MainViewModel] Successfully reset %1 streaming tasks to failed status")
                      .arg(streaming.size()));
    } catch (const StoreError &error) {
        Log::line(QStringLiteral("⚠️ [MainViewModel] Failed to reset streaming tasks on startup: ")
                  + error.localizedDescription());
    }
}

bool MainViewModel::hasInstalledApps()
{
    try {
        return !m_databaseService->fetchAppStoreItems({{QStringLiteral("name"), true}},
                                                      Predicate::equal(QStringLiteral("isInstalled"), true))
                    .isEmpty();
    } catch (const DatabaseError &) {
        return false;
    }
}

// ---------------------------------------------------------------------------------------------
// Chat road

TaskData *MainViewModel::resolveTask(const PersistentIdentifier &id) const
{
    try {
        return mainContext()->model<TaskData>(id);
    } catch (const StoreError &) {
        return nullptr;
    }
}

TaskData *MainViewModel::resolveWithFallback(TaskData *task) const
{
    if (TaskData *resolved = resolveTask(task->persistentModelID()))
        return resolved;
    Log::line(QStringLiteral("⚠️ [MainViewModel] Task not found in main context, using passed task"));
    return task;
}

void MainViewModel::saveStatus(TaskData *, const QString &, const QString &successLine, const QString &failurePrefix)
{
    try {
        mainContext()->save();
        Log::line(successLine);
    } catch (const StoreError &error) {
        Log::line(failurePrefix + error.localizedDescription());
    }
}

bool MainViewModel::isChannelErrorText(const QString &text)
{
    return text.startsWith(QStringLiteral("Network Error: 💔 "))
        || text == QStringLiteral("💔 AI server is overloaded. Type 'Retry' to continue.")
        || text.startsWith(QStringLiteral("💔 Error: "))
        || text == QStringLiteral("⏹️ Task cancelled by user")
        || text == QStringLiteral("Failed to reconnect. Please check your network connection and try again.");
}

void MainViewModel::handleChatMessage(const QString &message, TaskData *task, const QString &source, bool htmlOutput)
{
    if (!task)
        return;
    // A blank message would leave the task "streaming" with nothing to answer.
    if (message.trimmed().isEmpty())
        return;
    Log::line(QStringLiteral("📝 [MainViewModel] Starting to handle chat message: ") + Log::content(message));
    analytics().trackUserChatSent(UuidText::toText(task->id()),
                                  {{QStringLiteral("message_length"), int(Graphemes::count(message))},
                                   {QStringLiteral("source"), source}});
    startQuery(message, task, htmlOutput, QueryKind::ChatMessage);
}

void MainViewModel::runTaskWithChat(const QString &message, TaskData *task, bool htmlOutput)
{
    if (!task || message.trimmed().isEmpty())
        return;
    startQuery(message, task, htmlOutput, QueryKind::FirstQuery);
}

void MainViewModel::startQuery(const QString &message, TaskData *task, bool htmlOutput, QueryKind kind)
{
    TaskData *resolved = resolveWithFallback(task);
    const QString taskId = UuidText::toText(resolved->id());
    resolved->setStreamStatus(StreamStatus::Streaming);
    Log::line(QStringLiteral("🔄 [MainViewModel] Set stream status to .streaming for task: ") + resolved->title());
    saveStatus(resolved, {}, QStringLiteral("✅ [MainViewModel] Successfully saved stream status change to .streaming"),
               QStringLiteral("[MainViewModel] Failed to save stream status change: "));

    QPointer<ChatViewModel> chat = chatViewModel(resolved);
    chat->addUserMessage(message);

    auto state = std::make_shared<QueryState>();
    m_runningQueries.insert(taskId, state);
    const PersistentIdentifier modelId = resolved->persistentModelID();
    const bool chatKind = kind == QueryKind::ChatMessage;
    QPointer<MainViewModel> self(this);

    // Each callback does its work on a later turn of the main queue; the one FIFO poster keeps
    // the pieces of an answer in the order the channel delivered them. The task's chat shows
    // one reply at a time: once a newer message to the task has taken over, what is left of
    // this query (its cancellation notice, late text) no longer reaches the chat.
    QueryCallbacks callbacks;
    callbacks.onOutput = [self, chat, taskId, state, chatKind](const QString &text) {
        if (!self || (!chatKind && text.isEmpty()))
            return;
        MainQueue::post(self, [self, chat, taskId, state, text] {
            if (!self || !self->isCurrentQuery(taskId, state))
                return;
            if (MainViewModel::isChannelErrorText(text))
                state->sawErrorText = true;
            if (chat)
                chat->processStreamChunk(text);
            analytics().trackAIOutputStreamed(taskId, {{QStringLiteral("output_length"), int(Graphemes::count(text))}});
        });
    };
    callbacks.onThinking = [self, chat, taskId, state](const QString &text) {
        if (!self || text.isEmpty())
            return;
        MainQueue::post(self, [self, chat, taskId, state, text] {
            if (self && self->isCurrentQuery(taskId, state) && chat)
                chat->appendThinkingChunk(text);
        });
    };
    callbacks.onThinkingComplete = [self, chat, taskId, state] {
        if (!self)
            return;
        MainQueue::post(self, [self, chat, taskId, state] {
            if (self && self->isCurrentQuery(taskId, state) && chat && chat->thinkingMessage())
                chat->thinkingMessage()->setAiActionTitle(QStringLiteral("Thinking Completed"));
        });
    };
    callbacks.onStreamEnd = [self, chat, taskId, state, modelId, chatKind] {
        if (!self)
            return;
        MainQueue::post(self, [self, chat, taskId, state, modelId, chatKind] {
            if (!self)
                return;
            if (chatKind)
                Log::line(QStringLiteral("[MainViewModel] Stream ended"));
            self->streamEnded(modelId, taskId, chat, state);
        });
    };
    const QString operation = chatKind ? QStringLiteral("handleChatMessage") : QStringLiteral("runTaskWithChat");
    auto onError = [self, chat, taskId, modelId, operation, state](const QString &error) {
        if (self)
            self->queryFailed(modelId, taskId, chat, error, operation, state);
    };

    MainQueue::post(this, [self, taskId, message, htmlOutput, callbacks, onError] {
        if (self)
            self->runTaskWithSession(taskId, message, htmlOutput, callbacks, onError);
    });
}

void MainViewModel::withAccessToken(std::function<void(const std::optional<QString> &)> then)
{
    if (!m_tokenProvider) {
        then(std::nullopt);
        return;
    }
    m_tokenProvider->getValidAccessToken(this, std::move(then));
}

void MainViewModel::ensureSession(const QString &taskId, std::function<void()> then)
{
    if (m_controlManager->sessionManager()->session(taskId)) {
        then();
        return;
    }
    Log::line(QStringLiteral("[MainViewModel] Session not found for task ") + taskId
              + QStringLiteral(", creating new session..."));
    QPointer<MainViewModel> self(this);
    withAccessToken([self, taskId, then](const std::optional<QString> &token) {
        if (!self)
            return;
        // The registry answers the existing session for a known id, so a session started when
        // the task was made is never doubled.
        self->m_controlManager->createSession(taskId, token);
        Log::line(QStringLiteral("[MainViewModel] Created session for task ") + taskId);
        then();
    });
}

void MainViewModel::runTaskWithSession(const QString &taskId, const QString &message, bool htmlOutput,
                                       const QueryCallbacks &callbacks, std::function<void(const QString &)> onError)
{
    if (!m_controlManager) {
        const QString error = QStringLiteral("No assistant session channel in this build");
        Log::line(QStringLiteral("[MainViewModel] Failed to run task: ") + error);
        onError(error);
        markFailedById(taskId);
        return;
    }
    QPointer<MainViewModel> self(this);
    ensureSession(taskId, [self, taskId, message, htmlOutput, callbacks] {
        if (self)
            self->m_controlManager->processCommand(message, taskId, htmlOutput, callbacks);
    });
}

void MainViewModel::streamEnded(const PersistentIdentifier &taskModelId, const QString &taskId,
                                QPointer<ChatViewModel> chat, const std::shared_ptr<QueryState> &state)
{
    // A newer message to the same task has taken over; its own end decides the status.
    const bool current = m_runningQueries.value(taskId) == state;
    if (current)
        m_runningQueries.remove(taskId);
    if (TaskData *task = resolveTask(taskModelId); task && current) {
        if (state->stoppedByUser || state->sawErrorText) {
            task->setStreamStatus(StreamStatus::Failed);
            Log::line(QStringLiteral("🔄 [MainViewModel] Set stream status to .failed for task: ") + task->title());
            saveStatus(task, {}, QStringLiteral("✅ [MainViewModel] Successfully saved stream status change to .failed"),
                       QStringLiteral("[MainViewModel] Failed to save stream status change to .failed: "));
        } else {
            task->setStreamStatus(StreamStatus::Completed);
            Log::line(QStringLiteral("🔄 [MainViewModel] Set stream status to .completed for task: ") + task->title());
            saveStatus(task, {}, QStringLiteral("✅ [MainViewModel] Successfully saved stream status change to .completed"),
                       QStringLiteral("[MainViewModel] Failed to save stream status change to .completed: "));
        }
    }
    // The reply open now belongs to the newer query when this one was replaced.
    if (chat && current)
        chat->endStreamingResponse();
    if (const std::optional<QUuid> uuid = UuidText::parse(taskId); uuid && current)
        scheduleChatRelease(*uuid);
    analytics().trackStreamEnded(taskId, {});
}

bool MainViewModel::isCurrentQuery(const QString &taskId, const std::shared_ptr<QueryState> &state) const
{
    return m_runningQueries.value(taskId) == state;
}

void MainViewModel::queryFailed(const PersistentIdentifier &taskModelId, const QString &taskId,
                                QPointer<ChatViewModel> chat, const QString &error, const QString &operation,
                                const std::shared_ptr<QueryState> &state)
{
    const bool current = isCurrentQuery(taskId, state);
    if (current)
        m_runningQueries.remove(taskId);
    if (TaskData *task = resolveTask(taskModelId); task && current) {
        task->setStreamStatus(StreamStatus::Failed);
        Log::line(QStringLiteral("🔄 [MainViewModel] Set stream status to .failed for task: ") + task->title());
        saveStatus(task, {}, QStringLiteral("✅ [MainViewModel] Successfully saved stream status change to .failed"),
                   QStringLiteral("[MainViewModel] Failed to save stream status change to .failed: "));
    }
    if (chat && current)
        chat->endStreamingResponse();
    if (const std::optional<QUuid> uuid = UuidText::parse(taskId); uuid && current)
        scheduleChatRelease(*uuid);
    analytics().trackError(QStringLiteral("MainViewModelError"), error, QStringLiteral("MainViewModel"),
                           {{QStringLiteral("operation"), operation}});
}

void MainViewModel::markFailedById(const QString &taskId)
{
    QPointer<MainViewModel> self(this);
    MainQueue::post(this, [self, taskId] {
        if (!self)
            return;
        const std::optional<QUuid> uuid = UuidText::parse(taskId);
        if (!uuid)
            return;
        try {
            const QList<TaskData *> found = self->mainContext()->fetch<TaskData>(Predicate::equal(QStringLiteral("id"), *uuid));
            if (found.isEmpty())
                return;
            TaskData *task = found.first();
            task->setStreamStatus(StreamStatus::Failed);
            Log::line(QStringLiteral("🔄 [MainViewModel] Set stream status to .failed for task: ") + task->title()
                      + QStringLiteral(" (from runTaskWithSession error)"));
            self->mainContext()->save();
            Log::line(QStringLiteral("✅ [MainViewModel] Successfully saved stream status change to .failed (from runTaskWithSession error)"));
        } catch (const StoreError &error) {
            Log::line(QStringLiteral("[MainViewModel] Failed to find or save task for stream status update: ")
                      + error.localizedDescription());
        }
    });
}

void MainViewModel::stopStreaming(TaskData *task)
{
    if (!task)
        return;
    Log::line(QStringLiteral("🛑 [MainViewModel] Stopping streaming for task: ") + task->title());
    TaskData *resolved = resolveWithFallback(task);
    const QString taskId = UuidText::toText(resolved->id());
    resolved->setStreamStatus(StreamStatus::Failed);
    Log::line(QStringLiteral("🔄 [MainViewModel] Set stream status to .failed for task: ") + resolved->title());
    saveStatus(resolved, {}, QStringLiteral("✅ [MainViewModel] Successfully saved stream status change to .failed"),
               QStringLiteral("[MainViewModel] Failed to save stream status change: "));
    // The cancelled query still ends through its own end callback; that must not turn the stop
    // into a success.
    if (const std::shared_ptr<QueryState> state = m_runningQueries.value(taskId))
        state->stoppedByUser = true;
    chatViewModel(resolved)->stopStreaming();
    QPointer<MainViewModel> self(this);
    MainQueue::post(this, [self, taskId] {
        if (!self || !self->m_controlManager)
            return;
        if (Session *session = self->m_controlManager->sessionManager()->session(taskId)) {
            session->cancel();
            Log::line(QStringLiteral("🛑 [MainViewModel] Cancelled current task for session: ") + taskId);
            Log::line(QStringLiteral("✅ [MainViewModel] Session kept alive for future commands"));
        }
    });
}

void MainViewModel::closeAllSessions(std::function<void()> done)
{
    QStringList ids;
    for (auto it = m_chatViewModels.cbegin(); it != m_chatViewModels.cend(); ++it)
        ids.append(UuidText::toText(it.key()));
    // Sessions made for tasks whose chat was never opened (a task just made, a chat closed
    // before) belong to the registry as well and must not outlive a sign-out.
    if (m_controlManager) {
        for (Session *session : m_controlManager->sessionManager()->sessions()) {
            if (!ids.contains(session->id()))
                ids.append(session->id());
        }
    }
    QPointer<MainViewModel> self(this);
    closeSessionsInOrder(ids, [self, done] {
        if (self) {
            const QHash<QUuid, ChatViewModel *> chats = std::exchange(self->m_chatViewModels, {});
            for (ChatViewModel *chat : chats)
                chat->deleteLater();
            Q_EMIT self->chatViewModelsChanged();
            Log::line(QStringLiteral("✅ [MainViewModel] All sessions closed and chat view models cleared"));
        }
        if (done)
            done();
    });
}

void MainViewModel::closeSessionsInOrder(QStringList ids, std::function<void()> done)
{
    if (ids.isEmpty() || !m_controlManager) {
        done();
        return;
    }
    const QString id = ids.takeFirst();
    QPointer<MainViewModel> self(this);
    m_controlManager->closeSession(id, [self, id, ids, done] {
        Log::line(QStringLiteral("🔌 [MainViewModel] Closed session for task: ") + id);
        if (self)
            self->closeSessionsInOrder(ids, done);
        else
            done();
    });
}

ChatViewModel *MainViewModel::chatViewModel(TaskData *task)
{
    const QUuid id = task->id();
    if (ChatViewModel *existing = m_chatViewModels.value(id))
        return existing;
    auto *chat = new ChatViewModel(mainContext(), task, this);
    m_chatViewModels.insert(id, chat);
    // A chat nobody shows is let go once nothing is in progress in it (its messages leave the
    // store's memory with it); it is made again, from the store, when it is shown next.
    connect(chat, &ChatViewModel::viewsChanged, this, [this, id] { scheduleChatRelease(id); });
    connect(chat, &ChatViewModel::streamingCompleted, this, [this, id] { scheduleChatRelease(id); });
    Q_EMIT chatViewModelsChanged();
    return chat;
}

void MainViewModel::scheduleChatRelease(const QUuid &id)
{
    // On a later turn, so that a host swapping one view for another keeps the chat.
    QPointer<MainViewModel> self(this);
    MainQueue::post(this, [self, id] {
        if (self)
            self->releaseChatIfUnused(id);
    });
}

void MainViewModel::releaseChatIfUnused(const QUuid &id)
{
    ChatViewModel *chat = m_chatViewModels.value(id);
    if (!chat || chat->viewCount() > 0 || !chat->isIdle() || m_runningQueries.contains(UuidText::toText(id)))
        return;
    m_chatViewModels.remove(id);
    delete chat;
    Q_EMIT chatViewModelsChanged();
}

// ---------------------------------------------------------------------------------------------
// Task creation

TaskData *MainViewModel::createTask(const QString &text, const QString &categoryTitle, bool miniAppEnabled)
{
    const QString title = text.trimmed();
    if (title.isEmpty())
        return nullptr;
    const QUuid uuid = QUuid::createUuid();
    const QString idText = UuidText::toText(uuid);

    // The task's session starts in the background while the task is stored.
    if (m_controlManager) {
        QPointer<MainViewModel> self(this);
        withAccessToken([self, idText](const std::optional<QString> &token) {
            if (self && self->m_controlManager)
                self->m_controlManager->createSession(idText, token);
        });
    }

    ModelContext *context = mainContext();
    auto *task = new TaskData(UuidText::parse(idText).value_or(QUuid::createUuid()), title, std::nullopt, std::nullopt,
                              Scheduler::instance().now(), false, std::nullopt, std::nullopt, StreamStatus::Idle,
                              miniAppEnabled);
    context->insert(task);

    CategoryData *category = nullptr;
    try {
        const QList<CategoryData *> found = context->fetch<CategoryData>(Predicate::equal(QStringLiteral("title"), categoryTitle));
        if (found.isEmpty())
            Log::line(QStringLiteral("⚠️ ") + categoryTitle + QStringLiteral(" category not found, task will be created without category"));
        else
            category = found.first();
    } catch (const StoreError &error) {
        Log::line(QStringLiteral("Error finding ") + categoryTitle + QStringLiteral(" category: ") + error.localizedDescription());
    }
    if (category)
        task->setCategory(category); // also lists the task in the category's tasks

    if (task->apps().isEmpty()) {
        auto makeDefaultIcon = [context] {
            auto *icon = new AppIconData(QUuid::createUuid(), QStringLiteral("Default"), QStringLiteral("#6366F1"),
                                         kPlaceholderIcon, std::nullopt);
            context->insert(icon);
            return icon;
        };
        try {
            const QList<AppIconData *> icons = context->fetch<AppIconData>(Predicate::equal(QStringLiteral("iconName"), kPlaceholderIcon));
            if (!icons.isEmpty()) {
                task->setApps({icons.first()});
                Log::line(QStringLiteral("✅ Assigned existing default app icon to task"));
            } else {
                task->setApps({makeDefaultIcon()});
                Log::line(QStringLiteral("✅ Created and assigned new default app icon to task"));
            }
        } catch (const StoreError &error) {
            Log::line(QStringLiteral("Error finding default app icon: ") + error.localizedDescription());
            task->setApps({makeDefaultIcon()});
            Log::line(QStringLiteral("✅ Created fallback default app icon for task"));
        }
    }

    try {
        context->save();
    } catch (const StoreError &error) {
        Log::line(QStringLiteral("Failed to save task: ") + error.localizedDescription());
        // Nobody will hear of this task: it must not turn up with a later save either.
        context->remove(task);
        return nullptr;
    }
    if (category) {
        if (CategoryData *kept = task->category())
            Log::line(QStringLiteral("✅ Verified: Task '") + task->title() + QStringLiteral("' still has category '")
                      + kept->title() + QStringLiteral("' after save"));
        else
            Log::line(QStringLiteral("❌ ERROR: Task category became null after save - relationship corruption detected"));
    }
    return task;
}

void MainViewModel::submitQuery(const QString &query, const QString &categoryTitle, bool miniAppEnabled)
{
    TaskData *task = createTask(query, categoryTitle, miniAppEnabled);
    if (!task)
        return;
    const QString taskId = UuidText::toText(task->id());
    analytics().trackUserQuerySubmitted(categoryTitle, {{QStringLiteral("task_id"), taskId},
                                                        {QStringLiteral("query_length"), int(Graphemes::count(query))},
                                                        {QStringLiteral("source"), QStringLiteral("canvas")}});
    runTaskWithChat(query, task, miniAppEnabled);
    QPointer<MainViewModel> self(this);
    Scheduler::instance().singleShot(100, this, [self, taskId, categoryTitle] {
        if (self)
            self->postAutoExpandTask(taskId, categoryTitle);
    });
}

void MainViewModel::submitTranscript(const QString &categoryTitle, std::function<void(const QString &)> onClose)
{
    const QString input = m_transcriptInput;
    TaskData *task = createTask(input, categoryTitle, false);
    if (!task)
        return;
    const QString taskId = UuidText::toText(task->id());
    analytics().trackUserQuerySubmitted(categoryTitle, {{QStringLiteral("task_id"), taskId},
                                                        {QStringLiteral("input_length"), int(Graphemes::count(input))},
                                                        {QStringLiteral("source"), QStringLiteral("transcript")}});
    runTaskWithChat(input, task, false);
    setTranscriptInput(input.trimmed());
    const bool canvasInFront = m_nsCanvasManager && m_nsCanvasManager->isInFront();
    if (!canvasInFront) {
        if (m_panelManager)
            m_panelManager->show();
        QPointer<MainViewModel> self(this);
        Scheduler::instance().singleShot(100, this, [self, taskId] {
            if (self)
                self->showPanelForTask(taskId);
        });
    }
    if (onClose)
        onClose(QStringLiteral("auto"));
}

void MainViewModel::showPanelForTask(const QString &taskId)
{
    post(QStringLiteral("panelSizeShouldUpdate"));
    post(QStringLiteral("showFloatingPanel"));
    QPointer<MainViewModel> self(this);
    Scheduler::instance().singleShot(100, this, [self, taskId] {
        if (self)
            self->postOpenChatForTask(taskId);
    });
}

void MainViewModel::postOpenChatForTask(const QString &taskId)
{
    post(QStringLiteral("openChatForTask"), {{QStringLiteral("taskId"), taskId}});
}

void MainViewModel::postAutoExpandTask(const QString &taskId, const QString &categoryTitle)
{
    post(QStringLiteral("autoExpandTask"), {{QStringLiteral("taskId"), taskId}, {QStringLiteral("categoryTitle"), categoryTitle}});
}

// ---------------------------------------------------------------------------------------------
// Window and hot-key routing

bool MainViewModel::panelVisible() const
{
    return m_panelManager && m_panelManager->isWindowVisible();
}

bool MainViewModel::flowerWindowVisible() const
{
    return m_flowerManager && m_flowerManager->isWindowVisible();
}

bool MainViewModel::transcriptVisible()
{
    WindowPort *transcript = transcriptManager();
    return transcript && transcript->isWindowVisible();
}

void MainViewModel::togglePanel(const QString &caller)
{
    if (panelVisible())
        hidePanel(caller);
    else
        showPanel(caller);
}

void MainViewModel::showPanel(const QString &caller)
{
    analytics().trackPanelInteraction(QStringLiteral("open"), sourceMap(caller));
    if (m_panelManager)
        m_panelManager->show();
}

void MainViewModel::hidePanel(const QString &caller)
{
    analytics().trackPanelInteraction(QStringLiteral("close"), sourceMap(caller));
    if (m_panelManager)
        m_panelManager->baseHide();
    post(QStringLiteral("PanelViewDidDisappear"));
}

void MainViewModel::toggleFlower(const QString &caller)
{
    if (flowerWindowVisible())
        hideFlower(caller);
    else
        showFlower(caller);
}

void MainViewModel::showFlower(const QString &caller)
{
    analytics().trackFlowerInteraction(QStringLiteral("open"), sourceMap(caller));
    if (m_flowerManager && !m_flowerManager->isVisible())
        m_flowerManager->showFlowerWindow();
}

void MainViewModel::hideFlower(const QString &caller)
{
    analytics().trackFlowerInteraction(QStringLiteral("close"), sourceMap(caller));
    if (!m_flowerManager || !m_flowerManager->isVisible())
        return;
    m_flowerManager->setIsVisible(false);
    if (m_flowerManager->isRecording())
        m_flowerManager->stopRecording();
    m_flowerManager->baseHide();
}

void MainViewModel::toggleVoiceMode(const QString &caller)
{
    if (m_flowerManager && m_flowerManager->isRecording()) {
        analytics().trackVoiceRecording(QStringLiteral("stop"), std::nullopt, sourceMap(caller));
        post(QStringLiteral("stopFlowerRecording"));
        return;
    }
    analytics().trackVoiceRecording(QStringLiteral("start"), std::nullopt, sourceMap(caller));
    if (m_flowerManager && !m_flowerManager->isVisible())
        m_flowerManager->showFlowerWindow();
    Scheduler::instance().singleShot(100, this, [] { post(QStringLiteral("startFlowerRecording")); });
}

void MainViewModel::transcriptAction(const QString &caller, bool open)
{
    analytics().trackTranscriptionInteraction(open ? QStringLiteral("open") : QStringLiteral("close"), std::nullopt,
                                              sourceMap(caller));
    if (WindowPort *transcript = transcriptManager()) {
        if (open)
            transcript->show();
        else
            transcript->hide();
    }
}

void MainViewModel::toggleTranscript(const QString &caller)
{
    setTranscriptInput(QString());
    transcriptAction(caller, !transcriptVisible());
}

void MainViewModel::showTranscript(const QString &caller)
{
    transcriptAction(caller, true);
}

void MainViewModel::hideTranscript(const QString &caller)
{
    transcriptAction(caller, false);
}

void MainViewModel::storeAction(const QString &caller, bool open)
{
    analytics().trackAppStoreInteraction(open ? QStringLiteral("open") : QStringLiteral("close"), std::nullopt,
                                         sourceMap(caller));
    if (!m_appStoreManager)
        return;
    m_appStoreManager->createWindow();
    if (open)
        m_appStoreManager->show();
    else
        m_appStoreManager->baseHide();
}

void MainViewModel::openAppStore(const QString &caller)
{
    storeAction(caller, true);
}

void MainViewModel::toggleCanvas(const QString &caller)
{
    if (m_nsCanvasManager && m_nsCanvasManager->isWindowVisible()) {
        analytics().trackCanvasInteraction(QStringLiteral("close"), sourceMap(caller));
        m_nsCanvasManager->hide();
    } else {
        analytics().trackCanvasInteraction(QStringLiteral("open"), sourceMap(caller));
        if (m_nsCanvasManager)
            m_nsCanvasManager->show();
    }
}

void MainViewModel::resetMicrophoneMode(const QString &caller)
{
    if (m_audioService->isRecording()) {
        analytics().trackVoiceRecording(QStringLiteral("stop"), std::nullopt, sourceMap(caller));
        m_audioService->cancelRecording(RecordingSource::unknown);
    }
    m_audioService->clearTranscription();
    post(QStringLiteral("resetMicrophoneMode"));
}

void MainViewModel::handleTranscriptionCompleted(const Notification &notification)
{
    const QVariant value = notification.userInfo.value(QStringLiteral("source"));
    const QString source = value.typeId() == QMetaType::QString ? value.toString() : QStringLiteral("unknown");
    if (source == QLatin1String("FlowerWindow")) {
        QString text = m_audioService->transcription().trimmed();
        if (!text.isEmpty()) {
            const qsizetype first = Graphemes::firstLength(text);
            text = text.left(first).toUpper() + text.mid(first);
        }
        setTranscriptInput(text);
        transcriptAction(QStringLiteral("auto"), true);
    }
    recordingEndHiding(source);
}

void MainViewModel::recordingEndHiding(const QString &source)
{
    if (!m_isCanvasVisible)
        return;
    if (source == QLatin1String("FlowerWindow") && flowerWindowVisible()) {
        hideFlower(QStringLiteral("auto"));
        m_flowerHiddenDueToRecordingCompletion = true;
    } else if ((m_audioService->currentRecordingSource() == RecordingSource::panel
                || m_audioService->currentRecordingSource() == RecordingSource::chat)
               && panelVisible()) {
        hidePanel(QStringLiteral("auto"));
        m_panelHiddenDueToRecordingCompletion = true;
    }
}

void MainViewModel::flowerRecordingEnded()
{
    if (m_isCanvasVisible && flowerWindowVisible() && !m_audioService->isRecording()) {
        hideFlower(QStringLiteral("auto"));
        m_flowerHiddenDueToRecordingCompletion = true;
    }
}

void MainViewModel::handleCanvasWillAppear()
{
    const bool panelWasVisible = panelVisible();
    const bool flowerWasVisible = flowerWindowVisible();
    const RecordingSource source = m_audioService->currentRecordingSource();
    const bool panelStays = m_audioService->isRecording() && (source == RecordingSource::panel || source == RecordingSource::chat);
    const bool flowerStays = m_flowerManager && m_flowerManager->isRecording();
    m_panelVisibleBeforeCanvas = panelWasVisible;
    if (panelWasVisible && !panelStays)
        hidePanel(QStringLiteral("auto"));
    m_flowerVisibleBeforeCanvas = flowerWasVisible;
    if (flowerWasVisible && !flowerStays)
        hideFlower(QStringLiteral("auto"));
    m_flowerHiddenDueToRecordingCompletion = false;
    m_panelHiddenDueToRecordingCompletion = false;
    setCanvasVisible(true);
}

void MainViewModel::handleCanvasDidDisappear()
{
    if (m_panelVisibleBeforeCanvas || m_panelHiddenDueToRecordingCompletion) {
        analytics().trackPanelInteraction(QStringLiteral("open"), sourceMap(QStringLiteral("auto")));
        if (m_panelManager)
            m_panelManager->show();
    }
    if (m_flowerVisibleBeforeCanvas || m_flowerHiddenDueToRecordingCompletion) {
        analytics().trackFlowerInteraction(QStringLiteral("open"), sourceMap(QStringLiteral("auto")));
        if (m_flowerManager && !m_flowerManager->isVisible())
            m_flowerManager->showFlowerWindow();
    }
    m_panelVisibleBeforeCanvas = false;
    m_flowerVisibleBeforeCanvas = false;
    m_panelHiddenDueToRecordingCompletion = false;
    m_flowerHiddenDueToRecordingCompletion = false;
    setCanvasVisible(false);
}

void MainViewModel::addObserver(const QString &name, std::function<void(MainViewModel *, const Notification &)> action)
{
    QPointer<MainViewModel> self(this);
    m_notificationObservers.append(NotificationCenter::defaultCenter().addObserver(
        name, this, [self, action](const Notification &n) {
            // The work runs after the posting code has returned.
            MainQueue::post(self, [self, action, n] {
                if (self)
                    action(self, n);
            });
        }));
}

void MainViewModel::setupNotificationObservers()
{
    for (NotificationCenter::Token token : std::as_const(m_notificationObservers))
        NotificationCenter::defaultCenter().removeObserver(token);
    m_notificationObservers.clear();

    const QString kb = QStringLiteral("kb");
    const QString autoCaller = QStringLiteral("auto");
    const QString panel = QStringLiteral("panel");
    const QString flower = QStringLiteral("flower");
    addObserver(QStringLiteral("FlowerKeyDoubleTap"), [kb](MainViewModel *m, const Notification &) { m->toggleVoiceMode(kb); });
    addObserver(QStringLiteral("PanelKeyDoubleTap"), [kb](MainViewModel *m, const Notification &) { m->togglePanel(kb); });
    addObserver(QStringLiteral("TranscriptKeyDoubleTap"), [kb](MainViewModel *m, const Notification &) { m->toggleTranscript(kb); });
    addObserver(QStringLiteral("togglePanelVisibilityForCanvas"),
                [autoCaller](MainViewModel *m, const Notification &) { m->togglePanel(autoCaller); });
    addObserver(QStringLiteral("togglePanelVisibility"), [panel](MainViewModel *m, const Notification &) { m->togglePanel(panel); });
    addObserver(QStringLiteral("TranscriptionCompleted"),
                [](MainViewModel *m, const Notification &n) { m->handleTranscriptionCompleted(n); });
    addObserver(QStringLiteral("showFloatingPanel"), [autoCaller](MainViewModel *m, const Notification &) {
        analytics().trackPanelInteraction(QStringLiteral("open"), sourceMap(autoCaller));
        if (m->m_panelManager)
            m->m_panelManager->show();
    });
    addObserver(QStringLiteral("toggleTranscriptWindowFromFlower"),
                [flower](MainViewModel *m, const Notification &) { m->toggleTranscript(flower); });
    addObserver(QStringLiteral("toggleTranscriptWindow"), [panel](MainViewModel *m, const Notification &) { m->toggleTranscript(panel); });
    addObserver(QStringLiteral("toggleCanvasWindow"), [panel](MainViewModel *m, const Notification &) { m->toggleCanvas(panel); });
    addObserver(QStringLiteral("showCanvasWindowFromPanel"), [panel](MainViewModel *m, const Notification &) {
        analytics().trackCanvasInteraction(QStringLiteral("open"), sourceMap(panel));
        if (m->m_nsCanvasManager)
            m->m_nsCanvasManager->show();
    });
    addObserver(QStringLiteral("showCanvasWindow"), [flower](MainViewModel *m, const Notification &) {
        analytics().trackCanvasInteraction(QStringLiteral("open"), sourceMap(flower));
        if (m->m_nsCanvasManager)
            m->m_nsCanvasManager->show();
    });
    addObserver(QStringLiteral("PanelViewDidDisappear"), [kb](MainViewModel *m, const Notification &) {
        if (!m->m_isCanvasVisible)
            m->resetMicrophoneMode(kb);
    });
    addObserver(QStringLiteral("FlowerRecordingDidEnd"), [](MainViewModel *m, const Notification &) { m->flowerRecordingEnded(); });
    addObserver(QStringLiteral("EnhancedCanvasViewWillAppear"), [](MainViewModel *m, const Notification &) { m->handleCanvasWillAppear(); });
    addObserver(QStringLiteral("EnhancedCanvasViewDidDisappear"),
                [](MainViewModel *m, const Notification &) { m->handleCanvasDidDisappear(); });
}

void MainViewModel::teardownWindows()
{
    for (NotificationCenter::Token token : std::as_const(m_notificationObservers))
        NotificationCenter::defaultCenter().removeObserver(token);
    m_notificationObservers.clear();
    if (m_panelManager) {
        m_panelManager->releaseContent();
        m_panelManager->cleanup();
    }
    if (m_flowerManager)
        m_flowerManager->cleanup();
    if (WindowPort *transcript = transcriptManager())
        transcript->cleanup();
    if (m_appStoreManager)
        m_appStoreManager->cleanup();
    if (m_nsCanvasManager)
        m_nsCanvasManager->cleanup();
}

void MainViewModel::initializeServices(std::function<void(const QString &)> done)
{
    if (!m_startup) {
        setInitializing(false);
        if (done)
            done({});
        return;
    }
    QPointer<MainViewModel> self(this);
    m_startup->addPerplexityServerIfNeeded(this, [self, done](const QString &error) {
        if (!self)
            return;
        if (!error.isEmpty())
            Log::line(QStringLiteral("Failed to add default Perplexity server: ") + error);
        self->m_startup->initializeToolRepository(self, [self, done](const QString &error) {
            if (!self)
                return;
            if (error.isEmpty())
                self->setInitializing(false);
            if (done)
                done(error);
        });
    });
}

// ---------------------------------------------------------------------------------------------
// Sign-out

void MainViewModel::signOut()
{
    if (m_signOutAction)
        m_signOutAction();
    else
        Log::line(QStringLiteral("⚠️ [MainViewModel] Sign-out asked for, but this build has no sign-in"));
}

void MainViewModel::logoutCleanup(std::function<void()> done)
{
    if (m_audioService->isRecording())
        m_audioService->cancelRecording(RecordingSource::unknown);
    m_audioService->clearTranscription();
    QPointer<MainViewModel> self(this);
    closeAllSessions([self, done] {
        if (self) {
            MainViewModel *m = self;
            const QHash<QUuid, ChatViewModel *> chats = std::exchange(m->m_chatViewModels, {});
            for (ChatViewModel *chat : chats)
                chat->deleteLater();
            const QString autoCaller = QStringLiteral("auto");
            m->hidePanel(autoCaller);
            m->hideFlower(autoCaller);
            analytics().trackCanvasInteraction(QStringLiteral("close"), sourceMap(autoCaller));
            if (m->m_nsCanvasManager)
                m->m_nsCanvasManager->hide();
            m->storeAction(autoCaller, false);
            m->transcriptAction(autoCaller, false);
            Settings::instance().setValue(QStringLiteral("pipedreamExternalUserId"), QString());
            m->teardownWindows();
            m->setTranscriptInput(QString());
            m->setCanvasVisible(false);
            m->setInitializing(true);
            Log::line(QStringLiteral("✅ [MainViewModel] Logout cleanup completed - all windows closed, sessions terminated, and services reset"));
        }
        if (done)
            done();
    });
}
