#pragma once
#include "canvas/CanvasThreadingManager.h"
#include "canvas/CanvasViewport.h"
#include "canvas/NSCanvasComponent.h"
#include "Platform/Scheduler.h"

#include <QGraphicsView>
#include <QHash>
#include <QPixmap>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

class EnhancedCanvasViewController;
class QGraphicsItem;
class QGraphicsObject;
class QMouseEvent;
class QNativeGestureEvent;
class QWebEngineProfile;
class QWheelEvent;
class ScalableSwiftUIContainer;

// The infinite canvas surface: one graphics scene in canvas units, shown through the viewport
// as the view's transform (offset + point × scale), with one item per component (web pages are
// native views placed over their item). The view keeps its own copy of the viewport and copies
// every change it makes to the controller.
//
// Pointer input follows the canvas's own rules, not the graphics view's drag modes: a press on
// empty canvas deselects and pans, a right press there asks for the category creation popup,
// a wheel pans (×1.5), Ctrl + wheel and a pinch zoom about the pointer, and a press in the top
// 50 points of a column (or with Meta held) drags the column and stores where it ends. A press
// over a component goes to its content unless Alt is held or a pan is under way.
class EnhancedCanvasView : public QGraphicsView {
    Q_OBJECT
public:
    // Builds the content of a category column (the column's own widget; a stand-in until then).
    using CategoryContentFactory = std::function<QWidget *(const NSCanvasComponent &)>;

    static constexpr qreal scrollSensitivity = 1.5;
    static constexpr qreal scrollDecayRate = 0.92;
    static constexpr qreal momentumThreshold = 0.1;
    static constexpr int momentumTickMs = 16;
    static constexpr int removalFadeMs = 300;
    // Views farther than this outside the visible bounds keep their rendering during zoom passes.
    static constexpr qreal cullingMargin = 500;
    static constexpr int cullingViewCount = 20;

    explicit EnhancedCanvasView(QWidget *parent = nullptr);
    ~EnhancedCanvasView() override;

    void setViewController(EnhancedCanvasViewController *controller);
    EnhancedCanvasViewController *viewController() const { return m_viewController; }
    void setThreadingManager(CanvasThreadingManager *manager) { m_threadingManager = manager; }
    CanvasThreadingManager *threadingManager() const { return m_threadingManager; }
    void setRealModelContext(std::shared_ptr<QObject> context) { m_realModelContext = std::move(context); }
    std::shared_ptr<QObject> realModelContext() const { return m_realModelContext; }
    void setCategoryContentFactory(CategoryContentFactory factory) { m_categoryContentFactory = std::move(factory); }
    // The profile the web components load from.

    const QList<NSCanvasComponentPtr> &components() const { return m_components; }
    void appendComponent(const NSCanvasComponentPtr &component) { m_components.append(component); }
    const QHash<QUuid, QGraphicsItem *> &componentViews() const { return m_componentViews; }
    QGraphicsItem *componentView(const QUuid &id) const { return m_componentViews.value(id); }
    std::optional<QUuid> selectedComponentId() const { return m_selectedComponentId; }
    bool isCategorySelected() const;

    qreal scale() const { return m_viewport.scale(); }
    QPointF offset() const { return m_viewport.offset(); }
    const CanvasViewport &canvasViewport() const { return m_viewport; }
    // Copies a viewport in and shows it.
    void setViewport(const CanvasViewport &viewport);

    // Pointer state.
    bool isDraggingCanvas() const { return m_isDraggingCanvas; }
    bool isPanningCanvas() const { return m_isPanningCanvas; }
    bool isActiveDragging() const { return m_isActiveDragging; }
    bool isDraggingComponent() const { return m_isDraggingComponent; }
    bool hasZoomStarted() const { return m_hasZoomStarted; }
    QPointF scrollMomentum() const { return m_scrollMomentum; }
    bool isMomentumRunning() const { return m_scrollDecayTimer != 0; }

    // A component's rectangle in view points, from this view's scale and offset.
    QRectF viewFrame(const NSCanvasComponent &component) const;

    void addComponentView(const NSCanvasComponentPtr &component);
    // Deselects the component and drops it from both tables at once; its view fades out over
    // 0.3 s and then goes.
    void removeComponent(const QUuid &id);
    void removeAllComponentViews();
    void selectComponent(std::optional<QUuid> id);
    void deselectComponent(std::optional<QUuid> id);
    // Selects the component of highest z-index whose view contains the view point (the last
    // added on a tie, which is the one drawn on top), or nothing.
    void selectComponentAt(const QPointF &point);
    // A column's content asked for another height: taken when it differs by more than 10
    // points; the top edge stays at y.
    void updateCategoryHeight(const QUuid &componentId, qreal height, qreal y);

    // After a pan step: moves everything; containers draw at the current scale, which costs
    // nothing when they show it already.
    void layoutComponentViews();
    // Places every component view for the current viewport; a final pass draws the visible
    // containers afresh at the scale, a gesture step keeps their renderings.
    void updateComponentFrames(bool final, qreal scale);
    // One zoom step.
    void renderAtScale(EnhancedCanvasViewController *controller, qreal scale, const QPointF &offset);
    // Exact view rectangles computed off the main thread (an empty map changes nothing).
    void applyComputedFrames(const CanvasThreadingManager::Frames &frames, qreal scale);
    const CanvasThreadingManager::Frames &computedFrames() const { return m_computedFrames; }

    void beginCanvasPan(const QPointF &point);
    void zoomWithScrollWheel(QWheelEvent *event);
    void scrollCanvas(QWheelEvent *event);
    void startMomentum();
    void momentumTick();
    void handleMagnification(QNativeGestureEvent *event);

    void beginComponentDrag(const NSCanvasComponent &component);
    // t: the pointer's travel in view points since the drag began.
    void continueComponentDrag(const QPointF &translation, qsizetype index);
    void endComponentDrag();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void drawBackground(QPainter *painter, const QRectF &rect) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct PendingColumnDrag {
        QUuid componentId;
        QPointF pressPoint;
        std::unique_ptr<QMouseEvent> press;
    };

    QGraphicsItem *makeComponentView(const NSCanvasComponent &component);
    ScalableSwiftUIContainer *makeCategoryContainer(const NSCanvasComponent &component);
    ScalableSwiftUIContainer *makeWelcomeContainer(const NSCanvasComponent &component);
    ScalableSwiftUIContainer *makeContainer(QWidget *content, const QRectF &frame);
    void showViewport();
    void placeView(const NSCanvasComponent &component, QGraphicsItem *view);
    void setOffsetAndCopy(const QPointF &offset);
    void zoomAbout(const QPointF &point, qreal newScale);
    bool inputAllowed() const;
    bool canvasTakesPointer(Qt::KeyboardModifiers modifiers) const;
    bool anyViewContains(const QPointF &point) const;
    // The component whose view the scene item under the view point belongs to.
    NSCanvasComponent *componentUnder(const QPointF &point) const;
    qsizetype indexOf(const QUuid &id) const;
    bool startsColumnDrag(const NSCanvasComponent &component, const QPointF &point, Qt::KeyboardModifiers modifiers) const;
    bool deliverWheelToScene(QWheelEvent *event);
    void stopMomentumTimer();
    void setZoomStarted(bool started);
    void rebuildBackground();

    QPointer<EnhancedCanvasViewController> m_viewController;
    QPointer<CanvasThreadingManager> m_threadingManager;
    std::shared_ptr<QObject> m_realModelContext;
    QList<NSCanvasComponentPtr> m_components;
    QHash<QUuid, QGraphicsItem *> m_componentViews;
    QList<QPointer<QGraphicsObject>> m_fadingViews;
    CanvasThreadingManager::Frames m_computedFrames;
    CanvasViewport m_viewport;
    std::optional<QUuid> m_selectedComponentId;
    CategoryContentFactory m_categoryContentFactory;
    QPixmap m_background;

    bool m_isDraggingCanvas = false;
    QPointF m_lastMouseLocation;
    bool m_isDraggingComponent = false;
    QRectF m_initialComponentFrame;
    bool m_hasZoomStarted = false;
    bool m_isPanningCanvas = false;
    bool m_isActiveDragging = false;
    QPointF m_scrollMomentum;
    Scheduler::TimerId m_scrollDecayTimer = 0;
    std::optional<PendingColumnDrag> m_pendingColumnDrag;
};
