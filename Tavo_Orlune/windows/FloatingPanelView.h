#pragma once
#include "windows/FloatingPanelLayout.h"
#include "Platform/SpringEasing.h"

#include <QHash>
#include <QPointer>
#include <QUuid>
#include <QWidget>
#include <functional>
#include <optional>

class FetchedResults;
class FloatingPanelState;
class ChatCoordinator;
class ModelContext;
class PanelNotificationManager;
class QScrollArea;
class QVariantAnimation;
class QVBoxLayout;
class TaskData;

// The content of the floating task panel: a header with two button groups, the embedded chat
// of the selected task, and the list area: the scrolling list of all tasks (newest first, a live
// query of the store), the collapsed stack of at most three cards, or the empty-state card.
//
// Modes: expanded list (not collapsed); collapsed stack; collapsed stack with the chat of the
// selected task (collapsed, a task selected and "showChatPersisted" true). The collapsed flag,
// the chat flag and the selected task's id survive launches under "isFloatingPanelCollapsed",
// "showChatPersisted" and "selectedTaskIdPersisted" (the id in upper case).
//
// The window and the view talk through notifications only: the window posts
// "PanelViewWillAppear" / "PanelViewDidDisappear"; the view posts "panelSizeShouldUpdate"
// after every collapse, expansion, chat opening or closing, and the window re-fits to
// sizeHint(). Timed steps run on Scheduler time and are never cancelled: overlapping
// transitions run their steps in time order, each on the state as it is when it runs.
class FloatingPanelView : public QWidget {
    Q_OBJECT
public:
    static inline const QString collapsedKey = QStringLiteral("isFloatingPanelCollapsed");
    static inline const QString showChatKey = QStringLiteral("showChatPersisted");
    static inline const QString selectedTaskIdKey = QStringLiteral("selectedTaskIdPersisted");
    static constexpr double rowHeight = FloatingPanelLayout::rowHeight;
    static const Spring &panelSpring();    // response 0.3 s, damping fraction 0.8
    static const Spring &chatExitSpring(); // response 0.25 s, damping fraction 0.85
    static constexpr int openChatAttempts = 5;

    // The main screen's visible height, or none without a screen; tests inject their own.
    using ScreenHeightProvider = std::function<std::optional<double>()>;

    FloatingPanelView(ModelContext *modelContext, ChatCoordinator *mainViewModel, QWidget *parent = nullptr);
    ~FloatingPanelView() override;

    void setScreenHeightProvider(ScreenHeightProvider provider);

    FloatingPanelState *viewState() const { return m_viewState; }
    PanelNotificationManager *notificationManager() const { return m_notificationManager; }
    ChatCoordinator *mainViewModel() const;

    // All tasks, newest first, as the live query holds them.
    QList<TaskData *> tasks() const;
    QList<TaskData *> visibleTasks() const;
    double panelHeight() const;
    double collapsedListHeight() const;
    // The chat is open: collapsed, a task selected and "showChatPersisted" true.
    bool isChatOpen() const;
    // The right header button's image, or empty while the task list is empty (no button).
    QString collapseButtonImage() const;

    // State and transitions.
    void restorePersistedState();
    void setupNotifications();
    void toggleCollapsed();
    void expandFromCollapsed();
    void openChat(double delaySeconds);
    void showChat();
    void closeChat(std::function<void()> completion = {});
    void clearSelection();
    void clearSelectionAndChat();
    void selectTaskAndOpenChat(TaskData *task);
    void reopenChat(TaskData *task);
    void openChatForTask(const QString &taskId);
    void postPanelSizeUpdate();

    // The task list's actions.
    TaskData *createNewTask();
    void deleteTask(TaskData *task);
    void viewSummary(TaskData *task);
    void handleTaskTap(TaskData *task);
    void openTaskFromList(TaskData *task);
    void handleCollapseButton();
    void handleCanvasButton();
    void requestTranscriptWindow();

    // What is on screen (for the window and for tests).
    QWidget *chatView() const { return m_chatView; }
    QWidget *listRow(TaskData *task) const;
    QList<QWidget *> listRows() const;
    QList<QWidget *> stackRows() const { return m_stackOrder; }
    QWidget *emptyStateCard() const { return m_emptyCard; }
    QWidget *listArea() const { return m_listArea; }

    QSize sizeHint() const override;

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct RowParams {
        double offset = 0;
        double scale = 1;
        double opacity = 1;
    };
    struct LayoutParams {
        double listHeight = 0;
        double backdropHeight = 0;
        QHash<QWidget *, RowParams> rows;
    };

    // Runs fn as one animated transaction: layout changes it causes follow the spring.
    void animated(const Spring &spring, const std::function<void()> &fn);
    void after(double seconds, std::function<void()> fn);
    void retryOpenChat(const QString &taskId, std::shared_ptr<int> attempts);
    TaskData *findListedTask(const QString &taskId) const;
    void selectTask(TaskData *task);
    void openChatAnimated(double delaySeconds);

    void buildHeader();
    void syncHeader();
    void syncRows();
    void syncStack();
    void syncChat();
    void syncEmptyCard();
    QWidget *makeRow(TaskData *task, int gradientIndex, bool collapsed, QWidget *parent);
    void releaseRow(QWidget *row);
    LayoutParams targetLayout() const;
    void requestLayout();
    void applyLayout();
    void layoutListArea();
    void runEntrance(bool visible);
    void handleCollapsedChange(bool wasCollapsed, bool isCollapsed);
    bool persistedShowChat() const;

    QPointer<ModelContext> m_modelContext;
    QPointer<ChatCoordinator> m_mainViewModel;
    FetchedResults *m_tasks;
    FloatingPanelState *m_viewState;
    PanelNotificationManager *m_notificationManager = nullptr;
    ScreenHeightProvider m_screenHeight;
    bool m_appeared = false;
    bool m_lastCollapsed = false;
    const Spring *m_transaction = nullptr;

    QWidget *m_header = nullptr;
    QWidget *m_rightGroup = nullptr;
    QPointer<QWidget> m_collapseButton;
    QString m_collapseImage;
    QPointer<QWidget> m_chatView;
    QPointer<TaskData> m_chatTask;
    QWidget *m_listArea = nullptr;
    QScrollArea *m_scroll = nullptr;
    QWidget *m_listContent = nullptr;
    QVBoxLayout *m_listLayout = nullptr;
    QPointer<QWidget> m_emptyCard;
    QHash<QUuid, QWidget *> m_listRows;
    QHash<QUuid, int> m_listRowGradients;
    QHash<QWidget *, QPointer<TaskData>> m_rowTasks;
    QList<QWidget *> m_stackOrder;
    QHash<QUuid, QWidget *> m_stackRows;
    QPointer<QWidget> m_pressedRow;

    LayoutParams m_current, m_from, m_to;
    QVariantAnimation *m_layoutAnimation;
    QVariantAnimation *m_entrance;
    double m_entranceValue = 0;
};
