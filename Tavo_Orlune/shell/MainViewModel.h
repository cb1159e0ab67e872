#pragma once
#include "shell/CoordinatorWindows.h"
#include "Platform/NotificationCenter.h"
#include "Platform/Store/PersistentModel.h"
#include "Controller/session/QueryCallbacks.h"
#include "chat/ChatCoordinator.h"
#include "onboarding/ProfileCoordinator.h"
#include "windows/CanvasCoordinator.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUuid>
#include <functional>
#include <memory>
#include <optional>

class AccessTokenProvider;
class AudioManagerService;
class ChatViewModel;
class ControlManager;
class CoordinatorStartupServices;
class KeyboardEventMonitor;
class ModelContainer;
class ModelContext;
class SessionToolRuntime;
class SwiftDataService;
class TaskData;

// The application-wide coordinator: owns the window managers, the audio service, the keyboard
// monitor, the session facade and one chat state per open task chat, and is the road from
// every screen's request to the window or session that serves it. One instance, made at
// launch and kept for the life of the process; everything runs on the main thread.
class MainViewModel : public ChatCoordinator, public CanvasCoordinator, public ProfileCoordinator {
    Q_OBJECT
public:
    // What the coordinator is built with besides the model container.
    struct Services {
        AudioManagerService *audioService = nullptr;            // none: the shared recorder
        SessionToolRuntime *toolRuntime = nullptr;             // the sessions' tool runtime
        AccessTokenProvider *tokenProvider = nullptr;          // none: sessions get no token
        CoordinatorWindowFactory *windows = nullptr;           // none: no windows
        CoordinatorStartupServices *startup = nullptr;         // none: nothing to start
        std::function<KeyboardEventMonitor *()> makeKeyboardMonitor; // none: the real monitor
    };

    MainViewModel(ModelContainer *container, const Services &services, QObject *parent = nullptr);
    ~MainViewModel() override;

    // State the screens read.
    bool isCanvasVisible() const override { return m_isCanvasVisible; }
    bool isInitializing() const override { return m_isInitializing; }
    QString transcriptInput() const override { return m_transcriptInput; }
    void setTranscriptInput(const QString &text) override;
    const QHash<QUuid, ChatViewModel *> &chatViewModels() const { return m_chatViewModels; }

    ModelContainer *modelContainer() const { return m_container; }
    ControlManager *controlManager() const { return m_controlManager; }
    AudioManagerService *audioService() const override { return m_audioService; }
    KeyboardEventMonitor *keyboardMonitor() const { return m_keyboardMonitor; }
    PanelWindowPort *panelManager() const { return m_panelManager.get(); }
    FlowerWindowPort *flowerManager() const { return m_flowerManager.get(); }
    CanvasWindowPort *nsCanvasManager() const { return m_nsCanvasManager.get(); }
    StoreWindowPort *appStoreManager() const { return m_appStoreManager.get(); }
    // Made on first use.
    WindowPort *transcriptManager();
    const QList<NotificationCenter::Token> &notificationObservers() const { return m_notificationObservers; }

    bool hasInstalledApps() override;

    // Chat road.
    void handleChatMessage(const QString &message, TaskData *task, const QString &source, bool htmlOutput) override;
    void runTaskWithChat(const QString &message, TaskData *task, bool htmlOutput);
    void stopStreaming(TaskData *task) override;
    // Closes the session of every open chat and every other session of the registry, then
    // drops the chat states; done runs when all are closed.
    void closeAllSessions(std::function<void()> done = {});
    ChatViewModel *chatViewModel(TaskData *task) override;

    // Task creation.
    TaskData *createTask(const QString &text, const QString &categoryTitle, bool miniAppEnabled);
    void submitQuery(const QString &query, const QString &categoryTitle, bool miniAppEnabled) override;
    void submitTranscript(const QString &categoryTitle, std::function<void(const QString &)> onClose) override;

    // Window and hot-key routing; caller is the "source" of each usage event.
    void togglePanel(const QString &caller);
    void showPanel(const QString &caller);
    void hidePanel(const QString &caller);
    void toggleFlower(const QString &caller);
    void showFlower(const QString &caller);
    void hideFlower(const QString &caller);
    void toggleVoiceMode(const QString &caller);
    void toggleTranscript(const QString &caller);
    void showTranscript(const QString &caller);
    void hideTranscript(const QString &caller);
    void openAppStore(const QString &caller);
    void toggleCanvas(const QString &caller);
    void resetMicrophoneMode(const QString &caller);
    void handleTranscriptionCompleted(const Notification &notification);
    void handleCanvasWillAppear();
    void handleCanvasDidDisappear();
    void setupNotificationObservers();
    void teardownWindows();
    // The start-up services after sign-in; done gets an empty error on success.
    void initializeServices(std::function<void(const QString &error)> done = {});

    // Sign-out.
    void logoutCleanup(std::function<void()> done = {});
    // The profile screen's Logout: runs what the application gave (its own sign-out road).
    void signOut() override;
    void setSignOutAction(std::function<void()> action) { m_signOutAction = std::move(action); }

    // The texts with which the session channel reports a failed or cancelled answer.
    static bool isChannelErrorText(const QString &text);

Q_SIGNALS:
    void chatViewModelsChanged();

private:
    enum class QueryKind { ChatMessage, FirstQuery };
    struct QueryState;

    ModelContext *mainContext() const;
    void resetStreamingTasksOnStartup();
    TaskData *resolveTask(const PersistentIdentifier &id) const;
    TaskData *resolveWithFallback(TaskData *task) const;
    void saveStatus(TaskData *task, const QString &statusName, const QString &successLine, const QString &failurePrefix);
    void startQuery(const QString &message, TaskData *task, bool htmlOutput, QueryKind kind);
    void runTaskWithSession(const QString &taskId, const QString &message, bool htmlOutput, const QueryCallbacks &callbacks,
                            std::function<void(const QString &)> onError);
    void ensureSession(const QString &taskId, std::function<void()> then);
    void withAccessToken(std::function<void(const std::optional<QString> &)> then);
    void streamEnded(const PersistentIdentifier &taskModelId, const QString &taskId, QPointer<ChatViewModel> chat,
                     const std::shared_ptr<QueryState> &state);
    void queryFailed(const PersistentIdentifier &taskModelId, const QString &taskId, QPointer<ChatViewModel> chat,
                     const QString &error, const QString &operation, const std::shared_ptr<QueryState> &state);
    // Whether the query is the task's newest (the one whose reply the chat shows).
    bool isCurrentQuery(const QString &taskId, const std::shared_ptr<QueryState> &state) const;
    void scheduleChatRelease(const QUuid &id);
    void releaseChatIfUnused(const QUuid &id);
    void markFailedById(const QString &taskId);
    void closeSessionsInOrder(QStringList ids, std::function<void()> done);
    void showPanelForTask(const QString &taskId);
    void postOpenChatForTask(const QString &taskId);
    void postAutoExpandTask(const QString &taskId, const QString &categoryTitle);
    void transcriptAction(const QString &caller, bool open);
    void storeAction(const QString &caller, bool open);
    void recordingEndHiding(const QString &source);
    void flowerRecordingEnded();
    bool panelVisible() const;
    bool flowerWindowVisible() const;
    bool transcriptVisible();
    void setCanvasVisible(bool visible);
    void setInitializing(bool initializing);
    void addObserver(const QString &name, std::function<void(MainViewModel *, const Notification &)> action);

    // In construction order.
    ModelContainer *m_container;
    // The coordinator's own database service (its context saves itself).
    std::unique_ptr<SwiftDataService> m_databaseService;
    AudioManagerService *m_audioService;
    KeyboardEventMonitor *m_keyboardMonitor = nullptr;
    ControlManager *m_controlManager = nullptr;
    std::unique_ptr<StoreWindowPort> m_appStoreManager;
    std::unique_ptr<FlowerWindowPort> m_flowerManager;
    std::unique_ptr<PanelWindowPort> m_panelManager;
    std::unique_ptr<CanvasWindowPort> m_nsCanvasManager;
    std::unique_ptr<WindowPort> m_transcriptManager;
    bool m_transcriptManagerMade = false;

    CoordinatorWindowFactory *m_windows;
    CoordinatorStartupServices *m_startup;
    AccessTokenProvider *m_tokenProvider;

    QList<NotificationCenter::Token> m_notificationObservers;
    QHash<QUuid, ChatViewModel *> m_chatViewModels;
    QHash<QString, std::shared_ptr<QueryState>> m_runningQueries;
    bool m_isCanvasVisible = false;
    bool m_isInitializing = true;
    bool m_panelVisibleBeforeCanvas = false;
    bool m_flowerVisibleBeforeCanvas = false;
    bool m_flowerHiddenDueToRecordingCompletion = false;
    bool m_panelHiddenDueToRecordingCompletion = false;
    QString m_transcriptInput;
    std::function<void()> m_signOutAction;
};
