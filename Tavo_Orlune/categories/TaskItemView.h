#pragma once
#include "theme/Gradients.h"
#include "categories/TaskCardBehaviours.h"

#include <QWidget>
#include <functional>

class AppIconData;
class ModelContext;
class QLabel;
class QVariantAnimation;
class StreamProgressBar;
class TaskData;
class TaskThumbnailView;
class TintedImageButton;
class ViewSummaryButton;

// One row of the floating panel's task list: the thumbnail with the task's app icons, the
// title, a progress bar while the answer streams or "View Summary" otherwise, and a delete
// button. The row follows its task's signals: a change of the task's status, title or apps
// redraws this row alone. It fades and grows in when it first appears (after a short random
// delay) and lifts slightly under the pointer while the panel is expanded.
//
// The row draws the task as re-read from modelContext by id. With onDeleteTap the confirmed
// delete is the parent's; without it the row stops a running answer, deletes and saves.
class TaskItemView : public QWidget {
    Q_OBJECT
public:
    static constexpr int rowHeight = 88;
    static constexpr int maxContentWidth = 376;
    static constexpr int outerPadding = 12;

    TaskItemView(TaskData *task, int gradientIndex, bool isPanelCollapsed, ModelContext *modelContext, QWidget *parent = nullptr);
    ~TaskItemView() override;

    TaskData *task() const { return m_behaviours->task(); }
    int gradientIndex() const { return m_gradientIndex; }
    const LinearGradient &thumbnailGradient() const { return m_thumbnailGradient; }
    bool isPanelCollapsed() const { return m_isPanelCollapsed; }
    void setIsPanelCollapsed(bool collapsed);

    void setOnThumbnailTap(std::function<void()> callback);
    void setOnDeleteTap(std::function<void(TaskData *)> callback) { m_behaviours->setOnDeleteTap(std::move(callback)); }
    void setOnSummaryTap(std::function<void(TaskData *)> callback) { m_behaviours->setOnSummaryTap(std::move(callback)); }

    // State.
    bool isAnimating() const { return m_isAnimating; }
    bool isHovering() const { return m_isHovering; }
    bool isItemVisible() const { return m_isItemVisible; }
    bool showDeleteConfirmation() const { return m_behaviours->showDeleteConfirmation(); }
    TaskData *cachedCurrentTask() const { return m_behaviours->cachedCurrentTask(); }
    TaskData *currentTask() const { return m_behaviours->currentTask(); }
    StreamStatus currentStreamStatus() const { return m_behaviours->currentStreamStatus(); }
    QList<AppIconData *> displayedApps() const { return m_behaviours->displayedApps(); }
    // The hover lift: 1.03 while the panel is expanded and the pointer is over the row.
    qreal hoverScaleTarget() const { return !m_isPanelCollapsed && m_isHovering ? 1.03 : 1.0; }
    // Seconds the appear animation waits, drawn from 0.1 ... 0.3 at each appearance.
    double appearDelay() const { return m_appearDelay; }

    static TaskCardBehaviours::IconMetrics iconMetrics(int count) { return TaskCardBehaviours::iconMetrics(count); }

    // Actions of the row's controls.
    void refreshCurrentTask() { m_behaviours->refreshCurrentTask(); }
    void summaryTap() { m_behaviours->summaryAction(); }
    void requestDelete();
    void deleteTask() { m_behaviours->deleteTask(); }

    // Parts, for hosts and tests.
    TaskThumbnailView *thumbnail() const { return m_thumbnail; }
    QLabel *titleLabel() const { return m_title; }
    StreamProgressBar *progressBar() const { return m_progress; }
    ViewSummaryButton *summaryButton() const { return m_summary; }
    TintedImageButton *deleteButton() const { return m_delete; }
    QWidget *card() const { return m_card; }
    TaskCardBehaviours *behaviours() const { return m_behaviours; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool event(QEvent *event) override;

private:
    void appear();
    void startAppearAnimation();
    void setHovering(bool hovering);
    void animateHover();
    void refreshDisplay();
    void layoutContent();
    QRect cardRect() const;
    void transitionIn(QWidget *widget);

    TaskCardBehaviours *m_behaviours;
    int m_gradientIndex;
    bool m_isPanelCollapsed;
    bool m_isAnimating = false;
    bool m_isHovering = false;
    bool m_isItemVisible = false;
    bool m_appearScheduled = false;
    double m_appearDelay = 0;
    LinearGradient m_thumbnailGradient;
    std::function<void()> m_onThumbnailTap;

    QWidget *m_card;
    TaskThumbnailView *m_thumbnail;
    QLabel *m_title;
    StreamProgressBar *m_progress;
    ViewSummaryButton *m_summary;
    TintedImageButton *m_delete;
    QVariantAnimation *m_hoverAnimation;
    qreal m_hoverScale = 1.0;
    QString m_shownStatus;
    QList<AppIconData *> m_shownApps;
};
