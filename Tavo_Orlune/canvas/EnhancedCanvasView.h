#pragma once
#include "canvas/CanvasThreadingManager.h"
#include "canvas/CanvasViewport.h"
#include "canvas/NSCanvasComponent.h"

#include <QGraphicsView>
#include <QHash>
#include <QPointer>
#include <memory>
#include <optional>

class EnhancedCanvasViewController;
class QGraphicsItem;
class ScalableContainer;

// The infinite canvas surface: one graphics scene in canvas units, shown through the viewport
// as the view's transform (offset + point × scale), with one item per component. The view
// keeps its own copy of the viewport; the controller copies its own into it before asking for
// new frames.
class EnhancedCanvasView : public QGraphicsView {
    Q_OBJECT
public:
    explicit EnhancedCanvasView(QWidget *parent = nullptr);
    ~EnhancedCanvasView() override;

    void setViewController(EnhancedCanvasViewController *controller);
    EnhancedCanvasViewController *viewController() const { return m_viewController; }
    void setThreadingManager(CanvasThreadingManager *manager) { m_threadingManager = manager; }
    CanvasThreadingManager *threadingManager() const { return m_threadingManager; }
    void setRealModelContext(std::shared_ptr<QObject> context) { m_realModelContext = std::move(context); }
    std::shared_ptr<QObject> realModelContext() const { return m_realModelContext; }

    const QList<NSCanvasComponentPtr> &components() const { return m_components; }
    void appendComponent(const NSCanvasComponentPtr &component) { m_components.append(component); }
    const QHash<QUuid, QGraphicsItem *> &componentViews() const { return m_componentViews; }
    QGraphicsItem *componentView(const QUuid &id) const { return m_componentViews.value(id); }
    std::optional<QUuid> selectedComponentId() const { return m_selectedComponentId; }

    qreal scale() const { return m_viewport.scale(); }
    QPointF offset() const { return m_viewport.offset(); }
    const CanvasViewport &canvasViewport() const { return m_viewport; }
    // Copies a viewport in and shows it.
    void setViewport(const CanvasViewport &viewport);

    // A component's rectangle in view points, from this view's scale and offset.
    QRectF viewFrame(const NSCanvasComponent &component) const;

    void addComponentView(const NSCanvasComponentPtr &component);
    void removeComponent(const QUuid &id);
    void removeAllComponentViews();
    void selectComponent(std::optional<QUuid> id);
    void deselectComponent(std::optional<QUuid> id);

    // Places every component view for the current viewport; a final pass also draws hosted
    // content afresh at the scale.
    void updateComponentFrames(bool final, qreal scale);
    // Exact view rectangles computed off the main thread (an empty map changes nothing).
    void applyComputedFrames(const CanvasThreadingManager::Frames &frames, qreal scale);
    const CanvasThreadingManager::Frames &computedFrames() const { return m_computedFrames; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QGraphicsItem *makeComponentView(const NSCanvasComponent &component);
    ScalableContainer *makeContainer(QWidget *content, const QRectF &frame);
    void showViewport();

    QPointer<EnhancedCanvasViewController> m_viewController;
    QPointer<CanvasThreadingManager> m_threadingManager;
    std::shared_ptr<QObject> m_realModelContext;
    QList<NSCanvasComponentPtr> m_components;
    QHash<QUuid, QGraphicsItem *> m_componentViews;
    CanvasThreadingManager::Frames m_computedFrames;
    CanvasViewport m_viewport;
    std::optional<QUuid> m_selectedComponentId;
};
