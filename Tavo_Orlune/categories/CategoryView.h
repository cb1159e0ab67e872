#pragma once
#include "model/CategoryModel.h"
#include "Platform/ModalPrompt.h"
#include "Platform/NotificationCenter.h"

#include <QHash>
#include <QPointer>
#include <QRectF>
#include <QSet>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class CanvasTaskItemView;
class CardDropDelegate;
class CategoryColumnActions;
class CategoryControlsComponent;
class CircleButton;
class EmptyTaskCardView;
class FetchedResults;
class ModelContext;
class QKeyEvent;
class QLabel;
class QLineEdit;
class TaskCardView;
class TaskData;
class TaskWebContentView;

// One category column on the canvas: the title (retitled in place by a double click) beside the
// header bar, the category's tasks as cards in a grid of six 224-point columns followed by the
// add-task card, and below, while tasks are open, the detail area: each opened task as the wide
// card with a close button over its web content, the newest on top. A plain-text drop of a
// task's id on the grid moves the task here.
//
// The task list is a live query of the category's tasks, oldest first. It refetches only when a
// task joins or leaves a category or a task's creation date changes, and the column redraws once
// per event-loop turn at most, so an answer streaming into one task leaves other columns alone.
//
// The column talks to the canvas only through notifications: "canvasScrollToCategory",
// "canvasScrollDelta", "canvasZoomToDetail" and "focusCanvasAIOverlayWithCategory" out,
// "autoExpandTask" in. Main thread only.
class CategoryView : public QWidget {
    Q_OBJECT
public:
    static inline const QString allTasksTitle = QStringLiteral("All Tasks");
    static constexpr int maxOpenTasks = 10;
    static constexpr int detailDelayMs = 300;
    static constexpr int zoomDelayMs = 50;
    static constexpr int fadeOutMs = 400;
    static constexpr int closeSettleMs = 100;
    static constexpr int scrollDy = 250;
    static constexpr qreal detailCentreDrop = 24;

    // The column keeps its own copy of the category for as long as it lives. modelContext: the
    // canvas's context, for the task query and task deletion.
    CategoryView(const CategoryModel &category, std::shared_ptr<CategoryColumnActions> actions, ModelContext *modelContext,
                 QWidget *parent = nullptr);
    ~CategoryView() override;

    const CategoryModel &category() const { return m_category; }
    QPointF currentPosition() const { return m_currentPosition; }
    ModelContext *modelContext() const { return m_modelContext; }

    // Tasks.
    QList<TaskData *> categoryTasks() const;
    QList<TaskData *> filteredTasks() const;
    // Blank (after trimming) text keeps every task; otherwise the untrimmed, lower-cased text
    // must be in the lower-cased title or summary.
    static QList<TaskData *> filterTasks(const QList<TaskData *> &tasks, const QString &searchText);
    bool hasRunningTasks() const;
    int runningTasksCount() const;
    bool isAllTasksCategory() const { return m_category.title == allTasksTitle; }

    // Search.
    QString searchText() const { return m_searchText; }
    void setSearchText(const QString &text);

    // Title editing.
    bool isEditingTitle() const { return m_isEditingTitle; }
    QString editingTitle() const { return m_editingTitle; }
    void setEditingTitle(const QString &text);
    bool titleFieldFocused() const { return m_titleFieldFocused; }
    void startTitleEdit();
    void commitTitleEdit();
    void cancelTitleEdit();
    // True: the press was Escape and cancelled the edit.
    bool handleTitleKeyPress(QKeyEvent *event);

    // Category and task actions.
    void requestDeleteCategory();
    void confirmDeleteCategory();
    bool showDeleteConfirmation() const { return m_showDeleteConfirmation; }
    static PromptRequest deleteCategoryAlert(const QString &title, bool hasRunningTasks, int runningTasksCount, int taskCount);
    void notificationTapped();
    void addNewTask();
    void deleteTask(TaskData *task);

    // Detail mode.
    void handleTaskTap(TaskData *task);
    void openTaskDetail(TaskData *task);
    void closeTaskDetail(TaskData *task);
    void removeFromDetail(TaskData *task);
    void detailRowAppeared(const QRectF &globalFrame, TaskData *task);
    void detailFrameChanged(const QRectF &globalFrame, TaskData *task);
    void postZoomToDetail();
    void handleAutoExpandTask(const Notification &notification);
    void setupNotificationObservers();
    void removeNotificationObservers();
    void pruneDetailFrames();

    QList<TaskData *> selectedTasks() const;
    const QSet<QUuid> &preparingForDetail() const { return m_preparingForDetail; }
    const QSet<QUuid> &preparingForClose() const { return m_preparingForClose; }
    const QSet<QUuid> &fadingOutTasks() const { return m_fadingOutTasks; }
    const QHash<QUuid, QRectF> &detailFrames() const { return m_detailFrames; }
    bool showsDetailArea() const { return !m_selectedTasks.isEmpty() || !m_preparingForClose.isEmpty(); }
    int notificationObserverCount() const { return int(m_notificationObservers.size()); }

    // Drops on the grid.
    bool performDrop(const class QMimeData *data);

    // Where the detail rows are measured: a rectangle's frame in the coordinates of the window
    // that shows the canvas, and that window's frame (none without one). Tests replace them.
    using FrameOfWidget = std::function<QRectF(const QWidget *column, const QRectF &localRect)>;
    using WindowFrame = std::function<std::optional<QRectF>()>;
    void setGeometryResolvers(FrameOfWidget frameOf, WindowFrame windowFrame);

    // A text colour for child views: a colour that is unset or fully transparent falls back to
    // the primary text colour, so nothing is ever drawn in a clear colour.
    static QColor textColour(const QColor &requested);

    // Widgets, for hosts and tests.
    QLabel *titleLabel() const { return m_titleLabel; }
    QLineEdit *titleEditor() const { return m_titleEditor; }
    CategoryControlsComponent *controls() const { return m_controls; }
    QList<TaskCardView *> cardViews() const;
    EmptyTaskCardView *emptyCard() const { return m_emptyCard; }
    CanvasTaskItemView *detailCard(const QUuid &taskId) const;
    TaskWebContentView *webContent(const QUuid &taskId) const;
    CircleButton *closeButton(const QUuid &taskId) const;
    QRect gridRect() const;

    // Applies what changed in the store now rather than on the next turn.
    void refreshNow();
    // How often the column brought its cards up to date (for measuring).
    int refreshCount() const { return m_refreshCount; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    struct DetailRow;
    void scheduleRefresh();
    void refresh();
    void syncCards();
    void syncDetailRows();
    void updateHeader();
    void relayout();
    void setEditing(bool editing);
    void applyTitle();
    void adoptStoredTitle();
    void watchTask(TaskData *task);
    void measureDetailRows();
    int headerHeight() const;
    std::optional<QRectF> windowFrame() const;
    void postScrollToCategory();
    static QVariantMap deltaPayload(const QRectF &window, const QRectF &row);

    CategoryModel m_category;
    std::shared_ptr<CategoryColumnActions> m_actions;
    QPointer<ModelContext> m_modelContext;
    FetchedResults *m_categoryTasks = nullptr;
    QList<QPointer<TaskData>> m_selectedTasks;
    QPointF m_currentPosition;
    QSet<QUuid> m_preparingForDetail;
    QSet<QUuid> m_preparingForClose;
    QSet<QUuid> m_fadingOutTasks;
    QString m_searchText;
    QList<NotificationCenter::Token> m_notificationObservers;
    bool m_isEditingTitle = false;
    QString m_editingTitle;
    bool m_titleFieldFocused = false;
    bool m_showDeleteConfirmation = false;
    QHash<QUuid, QRectF> m_detailFrames;

    std::unique_ptr<CardDropDelegate> m_dropDelegate;
    FrameOfWidget m_frameOf;
    WindowFrame m_windowFrame;
    bool m_refreshPending = false;
    int m_refreshCount = 0;
    bool m_tapPressed = false;
    QSet<TaskData *> m_watchedTasks;

    QLabel *m_titleLabel;
    QLineEdit *m_titleEditor;
    CategoryControlsComponent *m_controls;
    QHash<QUuid, QPointer<TaskCardView>> m_cards;
    QList<QPointer<TaskCardView>> m_cardOrder;
    EmptyTaskCardView *m_emptyCard;
    QHash<QUuid, std::shared_ptr<DetailRow>> m_detailRows;
    QSet<QUuid> m_unmeasuredRows;
};
