#include "canvas/EnhancedCanvasView.h"
#include "canvas/CanvasConstants.h"
#include "canvas/EnhancedCanvasViewController.h"
#include "canvas/PlaceholderContent.h"
#include "canvas/ScalableContainer.h"
#include "theme/Color.h"

#include <QGraphicsScene>
#include <QScrollBar>

namespace {
// Far larger than any canvas, so that the transform alone places the scene.
constexpr qreal sceneExtent = 1.0e6;
}

EnhancedCanvasView::EnhancedCanvasView(QWidget *parent)
    : QGraphicsView(parent)
    , m_viewport(CanvasViewport::defaultScale, CanvasViewport::defaultOffset(CanvasViewport::primaryScreenSize()))
{
    auto *scene = new QGraphicsScene(this);
    scene->setSceneRect(-sceneExtent, -sceneExtent, 2 * sceneExtent, 2 * sceneExtent);
    scene->setItemIndexMethod(QGraphicsScene::NoIndex);
    setScene(scene);
    setObjectName(QStringLiteral("canvasView"));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTransformationAnchor(QGraphicsView::NoAnchor);
    setResizeAnchor(QGraphicsView::NoAnchor);
    setDragMode(QGraphicsView::NoDrag);
    setBackgroundBrush(Color::appBackground());
    setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    showViewport();
}

EnhancedCanvasView::~EnhancedCanvasView() = default;

void EnhancedCanvasView::setViewController(EnhancedCanvasViewController *controller)
{
    m_viewController = controller;
}

void EnhancedCanvasView::setViewport(const CanvasViewport &viewport)
{
    m_viewport = viewport;
    showViewport();
}

void EnhancedCanvasView::showViewport()
{
    setTransform(m_viewport.transform());
    // The scroll position would otherwise shift the scene: the transform alone places it.
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

void EnhancedCanvasView::resizeEvent(QResizeEvent *event)
{
    QGraphicsView::resizeEvent(event);
    showViewport();
}

QRectF EnhancedCanvasView::viewFrame(const NSCanvasComponent &component) const
{
    return m_viewport.viewRect(component.frame());
}

ScalableContainer *EnhancedCanvasView::makeContainer(QWidget *content, const QRectF &frame)
{
    QObject *coordinator = m_viewController ? m_viewController->mainViewModel() : nullptr;
    auto *container = new ScalableContainer(content, m_realModelContext, coordinator, frame.width(), frame.height());
    container->setCanvasFrame(frame);
    return container;
}

QGraphicsItem *EnhancedCanvasView::makeComponentView(const NSCanvasComponent &component)
{
    const QRectF frame = component.frame();
    const QSize size = frame.size().toSize();
    const EnhancedComponentType &type = component.type();
    switch (type.kind()) {
    case EnhancedComponentType::Kind::webView:
        return makeContainer(new PlaceholderContent(QStringLiteral("Web page"), type.url().toString(), size), frame);
    case EnhancedComponentType::Kind::categoryView:
        return makeContainer(new PlaceholderContent(type.category().title, QString(), size), frame);
    case EnhancedComponentType::Kind::welcomeView:
        return makeContainer(new PlaceholderContent(QStringLiteral("Welcome"), QStringLiteral("What can I do for you today?"), size),
                             frame);
    }
    return nullptr;
}

void EnhancedCanvasView::addComponentView(const NSCanvasComponentPtr &component)
{
    QGraphicsItem *item = makeComponentView(*component);
    if (!item)
        return;
    item->setZValue(component->zIndex());
    scene()->addItem(item);
    m_componentViews.insert(component->id(), item);
    if (auto *container = dynamic_cast<ScalableContainer *>(item))
        container->updateScale(scale());
    selectComponent(component->id());
}

void EnhancedCanvasView::removeComponent(const QUuid &idRef)
{
    // Callers often pass the component's own id, which dies with the component below.
    const QUuid id = idRef;
    qsizetype index = -1;
    for (qsizetype i = 0; i < m_components.size(); ++i) {
        if (m_components[i]->id() == id) {
            index = i;
            break;
        }
    }
    if (index < 0)
        return;
    if (QGraphicsItem *item = m_componentViews.take(id))
        delete item;
    m_components.removeAt(index);
    deselectComponent(id);
}

void EnhancedCanvasView::removeAllComponentViews()
{
    for (QGraphicsItem *item : std::as_const(m_componentViews))
        delete item;
    m_componentViews.clear();
    m_components.clear();
    m_computedFrames.clear();
    m_selectedComponentId.reset();
}

void EnhancedCanvasView::selectComponent(std::optional<QUuid> id)
{
    m_selectedComponentId = id;
}

void EnhancedCanvasView::deselectComponent(std::optional<QUuid> id)
{
    if (m_selectedComponentId == id)
        m_selectedComponentId.reset();
}

void EnhancedCanvasView::updateComponentFrames(bool final, qreal s)
{
    setViewportUpdateMode(QGraphicsView::NoViewportUpdate);
    showViewport();
    QHash<QUuid, const NSCanvasComponent *> byId;
    for (const NSCanvasComponentPtr &c : std::as_const(m_components))
        byId.insert(c->id(), c.get());
    for (auto it = m_componentViews.cbegin(); it != m_componentViews.cend(); ++it) {
        const NSCanvasComponent *component = byId.value(it.key());
        if (!component)
            continue;
        if (auto *container = dynamic_cast<ScalableContainer *>(it.value())) {
            container->setCanvasFrame(component->frame());
            if (final)
                container->updateScale(s);
        } else {
            it.value()->setPos(component->frame().topLeft());
        }
    }
    setViewportUpdateMode(QGraphicsView::MinimalViewportUpdate);
    viewport()->update();
}

void EnhancedCanvasView::applyComputedFrames(const CanvasThreadingManager::Frames &frames, qreal)
{
    // The items already follow the transform; the exact rectangles are kept for what is
    // placed in view points (native web pages) and for culling.
    for (auto it = frames.cbegin(); it != frames.cend(); ++it) {
        if (m_componentViews.contains(it.key()))
            m_computedFrames.insert(it.key(), it.value());
    }
}
