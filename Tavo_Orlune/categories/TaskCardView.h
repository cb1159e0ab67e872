#pragma once
#include "categories/TaskCardBehaviours.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class AppIconData;
class AppIconRow;
class ModelContext;
class PaintedAnimation;
class TaskData;

// The card a category column shows for each of its tasks on the canvas: a 224 x 290 tile with
// the overlapping icons of the task's apps over a blurred copy of the last one, the title, the
// time the task saved, and a bottom panel with a progress bar while the answer streams or
// "View Summary" otherwise. Under the pointer it lifts slightly and shows a delete button in its
// top trailing corner; it fades in when it first appears.
//
// The card paints everything itself (lift, fade and entrances included): it lives inside canvas
// proxies, where graphics effects draw nothing. The widget is the card grown by `margin` on every
// side, room for the lift and the shadow; place it with setCardGeometry().
//
// With onDeleteTap the confirmed delete is the parent's; without it the card stops a running
// answer, deletes and saves. A click outside the buttons emits tapped().
class TaskCardView : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize cardSize{224, 290};
    static constexpr int margin = 12;
    static constexpr int cornerRadius = 34;
    static constexpr int iconSpacing = -12;
    static constexpr qreal hoverScale = 1.02;

    TaskCardView(TaskData *task, ModelContext *modelContext, QWidget *parent = nullptr);
    ~TaskCardView() override;

    TaskData *task() const { return m_behaviours->task(); }
    void setOnSummaryTap(std::function<void(TaskData *)> callback) { m_behaviours->setOnSummaryTap(std::move(callback)); }
    void setOnDeleteTap(std::function<void(TaskData *)> callback) { m_behaviours->setOnDeleteTap(std::move(callback)); }

    // State.
    bool isHovered() const { return m_isHovered; }
    bool hasAppeared() const { return m_hasAppeared; }
    bool showDeleteConfirmation() const { return m_behaviours->showDeleteConfirmation(); }
    TaskData *cachedCurrentTask() const { return m_behaviours->cachedCurrentTask(); }
    TaskData *currentTask() const { return m_behaviours->currentTask(); }
    StreamStatus currentStreamStatus() const { return m_behaviours->currentStreamStatus(); }
    QList<AppIconData *> cachedAppIcons() const;
    QString lastBackgroundIconName() const { return m_behaviours->lastBackgroundIconName(); }
    // The current task's apps, else the last non-empty list seen.
    QList<AppIconData *> displayedApps();

    // What the card draws now.
    // "You Saved " and the time, "00:00:00" when the task has none.
    static QString savedTimeText(const std::optional<QString> &timeRemaining);
    QString savedTime() const;
    // The title as drawn: at most two lines, the second cut with "…" when more is left.
    QStringList titleLines() const;
    static QStringList wrapTitle(const QString &title, const QFont &font, qreal width, int maxLines);
    bool showsProgressBar() const;
    bool showsSummaryButton() const { return !showsProgressBar(); }
    // The delete button is there only while the pointer is over the card and nothing streams.
    bool showsDeleteButton() const;
    bool isTicking() const { return m_ticker != 0; }
    // The lift the card is heading for: 1.02 while the pointer is over it.
    qreal hoverScaleTarget() const { return m_isHovered ? hoverScale : 1.0; }
    qreal currentHoverScale() const;
    qreal currentOpacity() const;

    // Geometry in widget coordinates.
    QRect cardRect() const;
    QRect iconRowRect() const;
    QRect bottomPanelRect() const;
    QRect progressBarRect() const;
    QRect summaryButtonRect() const;
    QRect deleteButtonRect() const;
    // Moves and sizes the widget so that its card fills frame (parent coordinates).
    void setCardGeometry(const QRect &frame);
    AppIconRow *iconRow() const { return m_iconRow; }
    TaskCardBehaviours *behaviours() const { return m_behaviours; }

    // Actions of the card's controls.
    void summaryTap() { m_behaviours->summaryAction(); }
    void requestDelete();
    void deleteTask() { m_behaviours->deleteTask(); }

    QSize sizeHint() const override;

Q_SIGNALS:
    // A click on the card outside its buttons.
    void tapped();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool event(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    enum class Control { None, Card, Summary, Delete };
    void appear();
    void refreshDisplay();
    void setHovered(bool hovered);
    void updateTicking();
    QPointF toCard(const QPointF &widgetPoint) const;
    Control controlAt(const QPointF &widgetPoint) const;
    void paintCard(QPainter &p);
    void paintBottomPanel(QPainter &p);

    TaskCardBehaviours *m_behaviours;
    AppIconRow *m_iconRow;
    bool m_isHovered = false;
    bool m_hasAppeared = false;
    bool m_appearScheduled = false;
    QList<QPointer<AppIconData>> m_cachedAppIcons;
    QString m_shownStatus;
    PaintedAnimation *m_fade;
    PaintedAnimation *m_hover;
    PaintedAnimation *m_hoverControls;
    PaintedAnimation *m_statusEntrance;
    quint64 m_ticker = 0;
    Control m_pressed = Control::None;
};
