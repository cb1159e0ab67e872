#pragma once
#include "categories/TaskCardBehaviours.h"
#include "theme/Gradients.h"

#include <QStringList>
#include <QWidget>
#include <functional>

class AppIconData;
class AppIconRow;
class ModelContext;
class PaintedAnimation;
class TaskData;

// The wide card at the head of a task opened in a category column: a 500 x 88 strip with the
// thumbnail of the task's app icons on the left, the title above a progress bar (while the answer
// streams) or "View Summary" in the middle, and a delete button on the right, all over a blurred
// copy of the last app's icon under a tinted, outlined rounded rectangle. It grows from 95 % and
// fades in when it appears and lifts slightly under the pointer.
//
// The card paints everything itself (lifts, fades and entrances included): it lives inside canvas
// proxies, where graphics effects draw nothing. The widget is the card grown by `margin` on every
// side, room for the lift and the shadows; place it with setCardGeometry().
//
// With onDeleteTap the confirmed delete is the parent's; without it the card stops a running
// answer, deletes and saves. A click outside the thumbnail and the buttons emits tapped().
class CanvasTaskItemView : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize cardSize{500, 88};
    static constexpr int margin = 12;
    static constexpr int cornerRadius = 26;
    static constexpr qreal hoverScale = 1.03;

    CanvasTaskItemView(TaskData *task, int gradientIndex, bool isPanelCollapsed, ModelContext *modelContext, QWidget *parent = nullptr);
    ~CanvasTaskItemView() override;

    TaskData *task() const { return m_behaviours->task(); }
    int gradientIndex() const { return m_gradientIndex; }
    bool isPanelCollapsed() const { return m_isPanelCollapsed; }
    const LinearGradient &thumbnailGradient() const { return m_thumbnailGradient; }
    void setOnThumbnailTap(std::function<void()> callback) { m_onThumbnailTap = std::move(callback); }
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
    QString lastBackgroundIconName() const { return m_behaviours->lastBackgroundIconName(); }
    // The lift: 1.03 while the pointer is over the card, unless it ignores the pointer.
    qreal hoverScaleTarget() const { return !m_isPanelCollapsed && m_isHovering ? hoverScale : 1.0; }
    qreal currentScale() const;
    qreal currentOpacity() const;

    // What the card draws now.
    QString titleText() const;
    bool showsPlaceholder() const;
    // The icon of the thumbnail's blurred backdrop (the last app's), empty when the gradient shows.
    QString thumbnailBackdropIconName() const;
    bool showsProgressBar() const;
    bool showsSummaryButton() const { return !showsProgressBar(); }
    bool showsDeleteButton() const { return !showsProgressBar(); }
    bool isTicking() const { return m_ticker != 0; }

    // Geometry in widget coordinates.
    QRect cardRect() const;
    // The fill and its edge: the card less 12 at each side.
    QRect fillRect() const;
    QRect thumbnailRect() const;
    QRect titleRect() const;
    QRect progressBarRect() const;
    QRect summaryPillRect() const;
    // Clicks count 5 beyond the pill.
    QRect summaryHitRect() const;
    QRect deleteButtonRect() const;
    // Clicks count 8 beyond the image.
    QRect deleteHitRect() const;
    void setCardGeometry(const QRect &frame);
    AppIconRow *iconRow() const { return m_iconRow; }
    TaskCardBehaviours *behaviours() const { return m_behaviours; }

    // Actions of the card's controls.
    void summaryTap() { m_behaviours->summaryAction(); }
    void requestDelete();
    void deleteTask() { m_behaviours->deleteTask(); }

    QSize sizeHint() const override;

Q_SIGNALS:
    // A click on the card outside the thumbnail and the buttons.
    void tapped();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool event(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    enum class Control { None, Card, Thumbnail, Summary, Delete };
    void appear();
    void refreshDisplay();
    void setHovering(bool hovering);
    void setHoveredControl(Control control);
    void updateTicking();
    QPointF toCard(const QPointF &widgetPoint) const;
    Control controlAt(const QPointF &widgetPoint) const;
    void paintThumbnail(QPainter &p);
    void paintTextColumn(QPainter &p);
    static void scaleAbout(QPainter &p, const QPointF &centre, qreal scale);

    TaskCardBehaviours *m_behaviours;
    int m_gradientIndex;
    bool m_isPanelCollapsed;
    LinearGradient m_thumbnailGradient;
    std::function<void()> m_onThumbnailTap;
    AppIconRow *m_iconRow;
    bool m_isAnimating = false;
    bool m_isHovering = false;
    bool m_isItemVisible = false;
    bool m_appearScheduled = false;
    QString m_shownStatus;
    Control m_hoveredControl = Control::None;
    Control m_pressed = Control::None;
    PaintedAnimation *m_appear;
    PaintedAnimation *m_hover;
    PaintedAnimation *m_thumbnailHover;
    PaintedAnimation *m_summaryHover;
    PaintedAnimation *m_deleteHover;
    PaintedAnimation *m_statusEntrance;
    PaintedAnimation *m_appsFade;
    QStringList m_shownIconNames;
    quint64 m_ticker = 0;
};
