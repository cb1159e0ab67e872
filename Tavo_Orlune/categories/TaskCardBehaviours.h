#pragma once
#include "Platform/Store/ModelContext.h"
#include "categories/BlurredIconCache.h"
#include "categories/TaskAppAssociationService.h"
#include "model/StreamStatus.h"

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>
#include <QImage>

#include "model/AppIconData.h"
class QWidget;
#include "model/TaskData.h"

// What every view of a single task does around its task (the panel row and the canvas cards):
// it draws the task re-read from the store by id, shows its apps, shows a progress bar while the
// answer streams and "View Summary" otherwise, and deletes the task after a confirmation, either
// through its parent's handler or by itself. Each view owns one and names its console tags.
// Main thread only.
class TaskCardBehaviours : public QObject {
    Q_OBJECT
public:
    struct Tags {
        QString lookup;                 // "TaskItemView" or "TaskCardView"
        QString saveFailure;            // tag of the save-failure line
        bool reportsAppChanges = true;  // writes the "Apps updated" line
        bool cutsAlertTitle = true;     // the alert shows at most 60 characters of the title
    };
    struct IconMetrics {
        int edge;
        int spacing;
        bool operator==(const IconMetrics &) const = default;
    };

    TaskCardBehaviours(TaskData *task, ModelContext *modelContext, const Tags &tags, QObject *parent = nullptr);
    ~TaskCardBehaviours() override;

    // The task as the parent handed it over; a new one is looked up again.
    TaskData *task() const { return m_task; }
    void setTask(TaskData *task);
    ModelContext *modelContext() const { return m_modelContext; }
    // None until the first look-up; from then on the fetched object or task().
    TaskData *cachedCurrentTask() const { return m_cachedCurrentTask; }
    TaskData *currentTask() const;
    StreamStatus currentStreamStatus() const;
    bool isStreaming() const;

    // Looks the task up by id in the model context; a failed fetch or a vanished task keeps
    // the handed-over object.
    void refreshCurrentTask();
    // The appear work after the view's own appear steps: look-up, then the appear line; between
    // them runs afterLookUp when given.
    void appear(const std::function<void()> &afterLookUp = {});

    // The current task's apps (empty when it has none). Writes the "Apps updated" line while
    // their count differs from the handed-over task's.
    QList<AppIconData *> displayedApps() const;

    void setOnSummaryTap(std::function<void(TaskData *)> callback) { m_onSummaryTap = std::move(callback); }
    void setOnDeleteTap(std::function<void(TaskData *)> callback) { m_onDeleteTap = std::move(callback); }
    bool hasOnDeleteTap() const { return bool(m_onDeleteTap); }

    // "View Summary": the parent's handler with the current task, else a console line.
    void summaryAction();
    bool showDeleteConfirmation() const { return m_showDeleteConfirmation; }
    // The delete button: asks "Delete Task" and runs deleteTask when confirmed.
    void requestDelete(QWidget *alertParent);
    // The alert's "Delete": the parent's handler with the current task; without one, stops a
    // running answer, deletes the task and saves.
    void deleteTask();

    // Index of the icon drawn on top among count icons.
    static int mainIconIndex(int count);
    // Icon edge and spacing by count, for the row and the expanded canvas card.
    static IconMetrics iconMetrics(int count);
    // "Are you sure you want to delete '<first 60 characters>…'?..." (the ellipsis only when cut);
    // with cut false the whole title.
    static QString deleteAlertMessage(const QString &title, bool cut = true);

    // The blurred picture of the last app's icon behind the canvas cards, framed to frame. It
    // is built (through the process-wide cache) only when the last icon's name differs from the
    // one last kept; the kept picture is written on a later turn, never while a view paints.
    // Null when apps is empty (the kept picture stays).
    QImage blurredBackground(const QList<AppIconData *> &apps, const QSize &frame, BlurredIconCache::Edges edges, qreal devicePixelRatio);
    QString lastBackgroundIconName() const { return m_lastBackgroundIconName; }
    bool hasCachedBlurredBackground() const { return m_cachedBlurredBackground.has_value(); }
    static constexpr qreal backgroundBlurRadius = 30;
    static constexpr QLatin1String placeholderIconName = TaskAppAssociationService::placeholderIconName;

    // Stops a task's running answer before the task is deleted by a view without a delete
    // handler. The coordinator installs its own stop (which cancels the task's query); without
    // one the shared session console is asked to close the task's session.
    static void setStreamStopper(std::function<void(TaskData *)> stopper);
    // Stops the task's running answer through the installed stop (else the session console).
    static void stopStream(TaskData *task);

Q_SIGNALS:
    // Something the view draws changed: the current task, its title, status or apps.
    void changed();
    void showDeleteConfirmationChanged(bool shown);

private:
    void setCachedCurrentTask(TaskData *task);
    void observeTask();
    void setShowDeleteConfirmation(bool shown);

    QPointer<TaskData> m_task;
    QPointer<ModelContext> m_modelContext;
    Tags m_tags;
    QPointer<TaskData> m_cachedCurrentTask;
    bool m_hasCachedTask = false;
    bool m_showDeleteConfirmation = false;
    std::function<void(TaskData *)> m_onSummaryTap;
    std::function<void(TaskData *)> m_onDeleteTap;
    QString m_lastBackgroundIconName;
    std::optional<QImage> m_cachedBlurredBackground;
    QList<QMetaObject::Connection> m_taskConnections;
    QList<QMetaObject::Connection> m_currentConnections;
};
