#include "canvas/EnhancedCanvasView.h"
#include "canvas/CanvasConstants.h"
#include "canvas/CanvasPerformanceMonitor.h"
#include "canvas/CategoryViewHeightObserver.h"
#include "canvas/CategoryViewWrapper.h"
#include "canvas/EnhancedCanvasViewController.h"
#include "canvas/PlaceholderContent.h"
#include "canvas/ScalableSwiftUIContainer.h"
#include "canvas/WebComponentView.h"
#include "workspace/WelcomeSearchSection.h"
#include "theme/Color.h"
#include "Platform/Log.h"
#include "Platform/NotificationCenter.h"

#include <QApplication>
#include <QGraphicsScene>
#include <QGraphicsSceneWheelEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPainter>
#include <QPixmapCache>
#include <QScrollBar>
#include <QVariantAnimation>
#include <QWheelEvent>
#include <cmath>
#include <limits>

namespace {
// Far larger than any canvas, so that the transform alone places the scene.
constexpr qreal sceneExtent = 1.0e6;
// Item caches live in the application's pixmap cache; a few screens' worth keeps the
// renderings of the columns on and near the screen from pushing each other out on every frame.
constexpr int pixmapCacheKb = 64 * 1024;

QString pointText(const QPointF &p)
{
    return QStringLiteral("(%1, %2)").arg(p.x()).arg(p.y());
}

bool isModifierKey(int key)
{
    switch (key) {
    case Qt::Key_Control:
    case Qt::Key_Shift:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
    case Qt::Key_AltGr:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
        return true;
    default:
        return false;
    }
}
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
    setViewportUpdateMode(QGraphicsView::MinimalViewportUpdate);
    if (QPixmapCache::cacheLimit() < pixmapCacheKb)
        QPixmapCache::setCacheLimit(pixmapCacheKb);
    showViewport();
}

EnhancedCanvasView::~EnhancedCanvasView()
{
    qApp->removeEventFilter(this);
    stopMomentumTimer();
    // Web pages go before the profile they were made from.
    removeAllComponentViews();
}

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
    const QTransform t = m_viewport.transform();
    if (transform() != t)
        setTransform(t);
    // The scroll position would otherwise shift the scene: the transform alone places it.
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

void EnhancedCanvasView::resizeEvent(QResizeEvent *event)
{
    QGraphicsView::resizeEvent(event);
    rebuildBackground();
    showViewport();
    layoutComponentViews();
}

// Background

void EnhancedCanvasView::rebuildBackground()
{
    // A 20 × 20 tile with one faint line along its left and bottom edges, stretched (not
    // tiled) over the whole view; made once per size so that a pan only copies it.
    QImage tile(20, 20, QImage::Format_ARGB32_Premultiplied);
    tile.fill(Qt::transparent);
    {
        QPainter p(&tile);
        p.setRenderHint(QPainter::Antialiasing);
        QColor line(Qt::lightGray);
        line.setAlphaF(0.2);
        p.setPen(QPen(line, 1));
        p.drawLine(QPointF(0, 20), QPointF(0, 0));
        p.drawLine(QPointF(0, 20), QPointF(20, 20));
    }
    const QSize size = viewport()->size();
    if (size.isEmpty()) {
        m_background = QPixmap();
        return;
    }
    QImage stretched(size, QImage::Format_ARGB32_Premultiplied);
    stretched.fill(Color::appBackground());
    {
        QPainter p(&stretched);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(QRect(QPoint(0, 0), size), tile);
    }
    m_background = QPixmap::fromImage(stretched);
}

void EnhancedCanvasView::drawBackground(QPainter *painter, const QRectF &)
{
    if (m_background.isNull()) {
        QGraphicsView::drawBackground(painter, sceneRect());
        return;
    }
    painter->save();
    painter->resetTransform();
    painter->drawPixmap(0, 0, m_background);
    painter->restore();
}

// Geometry

QRectF EnhancedCanvasView::viewFrame(const NSCanvasComponent &component) const
{
    return m_viewport.viewRect(component.frame());
}

qsizetype EnhancedCanvasView::indexOf(const QUuid &id) const
{
    for (qsizetype i = 0; i < m_components.size(); ++i) {
        if (m_components[i]->id() == id)
            return i;
    }
    return -1;
}

// Component views

ScalableSwiftUIContainer *EnhancedCanvasView::makeContainer(QWidget *content, const QRectF &frame)
{
    QObject *coordinator = m_viewController ? m_viewController->mainViewModel() : nullptr;
    auto *container = new ScalableSwiftUIContainer(content, m_realModelContext, coordinator, frame.width(), frame.height());
    container->setCanvasFrame(frame);
    return container;
}

ScalableSwiftUIContainer *EnhancedCanvasView::makeCategoryContainer(const NSCanvasComponent &component)
{
    const QRectF frame = component.frame();
    QPointer<EnhancedCanvasView> self(this);
    auto *observer = new CategoryViewHeightObserver(component.type().category().id, [self](const QUuid &categoryId, qreal height, bool) {
        // The canvas hears of it on a later turn: the report comes in the middle of a layout.
        if (!self)
            return;
        MainQueue::post(self, [self, categoryId, height] {
            if (self && self->m_viewController)
                self->m_viewController->handleCategoryHeightChange(categoryId, height);
        });
    });
    QWidget *content = nullptr;
    if (m_categoryContentFactory)
        content = m_categoryContentFactory(component);
    if (!content) {
        auto *standIn = new PlaceholderContent(component.type().category().title, QString(), frame.size().toSize());
        standIn->setMinimumSize(frame.size().toSize());
        content = standIn;
    }
    auto *wrapper = new CategoryViewWrapper(content, observer);
    wrapper->resize(frame.size().toSize());
    return makeContainer(wrapper, frame);
}

ScalableSwiftUIContainer *EnhancedCanvasView::makeWelcomeContainer(const NSCanvasComponent &component)
{
    const QRectF frame = component.frame();
    auto *welcome = new WelcomeSearchSection(m_viewController ? m_viewController->identity() : nullptr,
                                             m_viewController ? m_viewController->profileService() : nullptr);
    welcome->resize(frame.size().toSize());
    return makeContainer(welcome, frame);
}

QGraphicsItem *EnhancedCanvasView::makeComponentView(const NSCanvasComponent &component)
{
    switch (component.type().kind()) {
    case EnhancedComponentType::Kind::webView: {
        auto *web = new WebComponentView(component.type().url(), component.frame().size(), viewport());
        web->setCanvasFrame(component.frame());
        return web;
    }
    case EnhancedComponentType::Kind::categoryView:
        return makeCategoryContainer(component);
    case EnhancedComponentType::Kind::welcomeView:
        return makeWelcomeContainer(component);
    }
    return nullptr;
}

void EnhancedCanvasView::placeView(const NSCanvasComponent &component, QGraphicsItem *view)
{
    if (auto *container = qgraphicsitem_cast<ScalableSwiftUIContainer *>(view))
        container->setCanvasFrame(component.frame());
    else if (auto *web = qgraphicsitem_cast<WebComponentView *>(view)) {
        web->setCanvasFrame(component.frame());
        web->place(viewFrame(component), scale());
    } else
        view->setPos(component.frame().topLeft());
}

void EnhancedCanvasView::addComponentView(const NSCanvasComponentPtr &component)
{
    QGraphicsItem *item = makeComponentView(*component);
    if (!item)
        return;
    item->setZValue(component->zIndex());
    scene()->addItem(item);
    m_componentViews.insert(component->id(), item);
    placeView(*component, item);
    auto *container = qgraphicsitem_cast<ScalableSwiftUIContainer *>(item);
    if (container)
        container->updateScale(scale());
    selectComponent(component->id());
}

void EnhancedCanvasView::removeComponent(const QUuid &idRef)
{
    // Callers often pass the component's own id, which dies with the component below.
    const QUuid id = idRef;
    const qsizetype index = indexOf(id);
    if (index < 0)
        return;
    if (QGraphicsItem *item = m_componentViews.take(id)) {
        if (auto *web = qgraphicsitem_cast<WebComponentView *>(item))
            web->hideNativeView();
        QGraphicsObject *object = item->toGraphicsObject();
        if (!object) {
            delete item;
        } else {
            // Fades to nothing while shrinking to 0.8 about its centre, then goes.
            object->setTransformOriginPoint(object->boundingRect().center());
            auto *fade = new QVariantAnimation(object);
            fade->setStartValue(0.0);
            fade->setEndValue(1.0);
            fade->setDuration(removalFadeMs);
            QObject::connect(fade, &QVariantAnimation::valueChanged, object, [object](const QVariant &v) {
                const qreal t = v.toReal();
                object->setOpacity(1.0 - t);
                object->setScale(1.0 - 0.2 * t);
            });
            fade->start(QAbstractAnimation::DeleteWhenStopped);
            m_fadingViews.append(object);
            Scheduler::instance().singleShot(removalFadeMs, object, [object] {
                if (QGraphicsScene *scene = object->scene())
                    scene->removeItem(object);
                object->deleteLater();
            });
        }
    }
    m_components.removeAt(index);
    deselectComponent(id);
}

void EnhancedCanvasView::removeAllComponentViews()
{
    for (QGraphicsItem *item : std::as_const(m_componentViews))
        delete item;
    for (const QPointer<QGraphicsObject> &fading : std::as_const(m_fadingViews))
        delete fading.data();
    m_fadingViews.clear();
    m_componentViews.clear();
    m_components.clear();
    m_computedFrames.clear();
    m_selectedComponentId.reset();
}

void EnhancedCanvasView::updateCategoryHeight(const QUuid &componentId, qreal height, qreal y)
{
    const qsizetype index = indexOf(componentId);
    QGraphicsItem *view = m_componentViews.value(componentId);
    if (index < 0 || !view)
        return;
    NSCanvasComponent &component = *m_components[index];
    QRectF frame = component.frame();
    if (std::abs(height - frame.height()) <= 10)
        return;
    frame.setHeight(height);
    frame.moveTop(y);
    component.setFrame(frame);
    placeView(component, view);
    if (auto *container = qgraphicsitem_cast<ScalableSwiftUIContainer *>(view))
        container->updateScale(scale());
}

// Selection

void EnhancedCanvasView::selectComponent(std::optional<QUuid> id)
{
    m_selectedComponentId = id;
}

void EnhancedCanvasView::deselectComponent(std::optional<QUuid> id)
{
    if (m_selectedComponentId == id)
        selectComponent(std::nullopt);
}

bool EnhancedCanvasView::isCategorySelected() const
{
    if (!m_selectedComponentId)
        return false;
    const qsizetype index = indexOf(*m_selectedComponentId);
    return index >= 0 && m_components[index]->type().isCategoryView();
}

void EnhancedCanvasView::selectComponentAt(const QPointF &point)
{
    std::optional<QUuid> best;
    int bestZ = std::numeric_limits<int>::min();
    for (const NSCanvasComponentPtr &c : std::as_const(m_components)) {
        if (!m_componentViews.contains(c->id()) || !viewFrame(*c).contains(point))
            continue;
        if (c->zIndex() >= bestZ) {
            bestZ = c->zIndex();
            best = c->id();
        }
    }
    selectComponent(best);
}

// Frames and rendering

void EnhancedCanvasView::layoutComponentViews()
{
    showViewport();
    const qreal s = scale();
    for (const NSCanvasComponentPtr &c : std::as_const(m_components)) {
        QGraphicsItem *view = m_componentViews.value(c->id());
        if (!view)
            continue;
        if (auto *container = qgraphicsitem_cast<ScalableSwiftUIContainer *>(view))
            container->updateScale(s); // free when it shows this scale already: a pan only moves
        else if (auto *web = qgraphicsitem_cast<WebComponentView *>(view))
            web->place(viewFrame(*c), s);
    }
}

void EnhancedCanvasView::updateComponentFrames(bool final, qreal s)
{
    setViewportUpdateMode(QGraphicsView::NoViewportUpdate);
    showViewport();
    const QRectF visible = QRectF(viewport()->rect()).adjusted(-cullingMargin, -cullingMargin, cullingMargin, cullingMargin);
    const bool fewViews = m_componentViews.size() < cullingViewCount;
    for (const NSCanvasComponentPtr &c : std::as_const(m_components)) {
        QGraphicsItem *view = m_componentViews.value(c->id());
        if (!view)
            continue;
        const QRectF f = viewFrame(*c);
        auto *container = qgraphicsitem_cast<ScalableSwiftUIContainer *>(view);
        if (auto *web = qgraphicsitem_cast<WebComponentView *>(view)) {
            web->place(f, s);
        } else if (container && (fewViews || f.intersects(visible))) {
            if (final) {
                container->setCanvasFrame(c->frame());
                container->updateScale(s);
            } else {
                container->applyFrameAndScale(c->frame(), s);
            }
        }
        // A container far outside keeps its last rendering; the transform still places it.
    }
    setViewportUpdateMode(QGraphicsView::MinimalViewportUpdate);
    viewport()->update();
}

void EnhancedCanvasView::renderAtScale(EnhancedCanvasViewController *controller, qreal s, const QPointF &offset)
{
    setZoomStarted(true);
    updateComponentFrames(false, s);
    if (controller && controller->performanceMonitor())
        controller->performanceMonitor()->recordFrame();
    if (m_components.size() <= CanvasConstants::offMainComponentThreshold || !controller || !controller->threadingManager())
        return;
    QList<ThreadSafeComponentData> snapshots;
    snapshots.reserve(m_components.size());
    for (const NSCanvasComponentPtr &c : std::as_const(m_components))
        snapshots.append({c->id(), c->frame(), c->zIndex()});
    QPointer<EnhancedCanvasView> self(this);
    controller->threadingManager()->scheduleComponentUpdate(snapshots, s, offset, [self, s](const CanvasThreadingManager::Frames &frames) {
        if (self)
            self->applyComputedFrames(frames, s);
    });
}

void EnhancedCanvasView::applyComputedFrames(const CanvasThreadingManager::Frames &frames, qreal s)
{
    // The items already follow the transform; the exact rectangles are kept for what is
    // placed in view points and for culling. A visible container whose shown scale lags
    // behind takes the cheap zoom step (its rendering is kept).
    const QRectF visible = QRectF(viewport()->rect()).adjusted(-cullingMargin, -cullingMargin, cullingMargin, cullingMargin);
    const bool manyViews = m_componentViews.size() > 9;
    for (auto it = frames.cbegin(); it != frames.cend(); ++it) {
        QGraphicsItem *view = m_componentViews.value(it.key());
        if (!view)
            continue;
        m_computedFrames.insert(it.key(), it.value());
        auto *container = qgraphicsitem_cast<ScalableSwiftUIContainer *>(view);
        if (!container || (manyViews && !it.value().intersects(visible)))
            continue;
        if (std::abs(s - container->currentScale()) > 0.01)
            container->showAtScale(s);
    }
}

// Pointer input

bool EnhancedCanvasView::inputAllowed() const
{
    return m_viewController && !m_viewController->isCreatingCategory();
}

bool EnhancedCanvasView::canvasTakesPointer(Qt::KeyboardModifiers modifiers) const
{
    return (modifiers & Qt::AltModifier) || m_isActiveDragging || m_isPanningCanvas;
}

bool EnhancedCanvasView::anyViewContains(const QPointF &point) const
{
    for (const NSCanvasComponentPtr &c : std::as_const(m_components)) {
        if (m_componentViews.contains(c->id()) && viewFrame(*c).contains(point))
            return true;
    }
    return false;
}

NSCanvasComponent *EnhancedCanvasView::componentUnder(const QPointF &point) const
{
    QGraphicsItem *item = itemAt(point.toPoint());
    if (!item)
        return nullptr;
    item = item->topLevelItem();
    for (auto it = m_componentViews.cbegin(); it != m_componentViews.cend(); ++it) {
        if (it.value() == item) {
            const qsizetype index = indexOf(it.key());
            return index >= 0 ? m_components[index].get() : nullptr;
        }
    }
    return nullptr;
}

bool EnhancedCanvasView::startsColumnDrag(const NSCanvasComponent &component, const QPointF &point, Qt::KeyboardModifiers modifiers) const
{
    if (!component.type().isCategoryView() || !m_viewController || !m_viewController->componentDragEnabled())
        return false;
    if (modifiers & Qt::MetaModifier)
        return true;
    // Points from the column's top edge as drawn, undoing a gesture's kept-rendering scale.
    qreal y = point.y() - viewFrame(component).top();
    if (auto *container = qgraphicsitem_cast<ScalableSwiftUIContainer *>(m_componentViews.value(component.id()))) {
        if (container->displayScale() != 0)
            y /= container->displayScale();
    }
    return y <= CanvasConstants::categoryDragHandleHeight;
}

void EnhancedCanvasView::mousePressEvent(QMouseEvent *event)
{
    if (!inputAllowed()) {
        QGraphicsView::mousePressEvent(event);
        return;
    }
    const QPointF p = event->position();
    const bool canvasTakes = canvasTakesPointer(event->modifiers());
    if (event->button() == Qt::RightButton) {
        if (canvasTakes ? anyViewContains(p) : (componentUnder(p) || anyViewContains(p))) {
            QGraphicsView::mousePressEvent(event);
            return;
        }
        m_viewController->hideCategoryCreationPopup();
        m_viewController->showCategoryCreationPopup(p);
        event->accept();
        return;
    }
    if (event->button() != Qt::LeftButton) {
        QGraphicsView::mousePressEvent(event);
        return;
    }
    if (!canvasTakes) {
        if (NSCanvasComponent *component = componentUnder(p)) {
            if (startsColumnDrag(*component, p, event->modifiers())) {
                // Held back: a drag moves the column, a click without travel reaches the content.
                m_pendingColumnDrag.emplace(PendingColumnDrag{component->id(), p, std::unique_ptr<QMouseEvent>(event->clone())});
                event->accept();
                return;
            }
            QGraphicsView::mousePressEvent(event);
            return;
        }
    }
    if (anyViewContains(p)) {
        selectComponentAt(p);
    } else {
        selectComponent(std::nullopt);
        NotificationCenter::defaultCenter().post(QStringLiteral("canvasGeneralClick"));
        beginCanvasPan(p);
    }
    event->accept();
}

void EnhancedCanvasView::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF p = event->position();
    if (m_pendingColumnDrag) {
        const QPointF travel = p - m_pendingColumnDrag->pressPoint;
        if (!m_isDraggingComponent && travel.manhattanLength() >= QApplication::startDragDistance()) {
            const qsizetype index = indexOf(m_pendingColumnDrag->componentId);
            if (index >= 0)
                beginComponentDrag(*m_components[index]);
        }
        if (m_isDraggingComponent) {
            const qsizetype index = indexOf(m_pendingColumnDrag->componentId);
            if (index >= 0)
                continueComponentDrag(travel, index);
        }
        event->accept();
        return;
    }
    if (inputAllowed() && m_isDraggingCanvas && !m_isDraggingComponent) {
        // Point for point: the canvas follows the pointer.
        setOffsetAndCopy(offset() + (p - m_lastMouseLocation));
        layoutComponentViews();
        m_lastMouseLocation = p;
        event->accept();
        return;
    }
    QGraphicsView::mouseMoveEvent(event);
}

void EnhancedCanvasView::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_pendingColumnDrag) {
        PendingColumnDrag pending = std::move(*m_pendingColumnDrag);
        m_pendingColumnDrag.reset();
        if (m_isDraggingComponent) {
            endComponentDrag();
        } else if (pending.press) {
            // No travel: the content gets its click after all.
            QGraphicsView::mousePressEvent(pending.press.get());
            QGraphicsView::mouseReleaseEvent(event);
        }
    } else {
        QGraphicsView::mouseReleaseEvent(event);
    }
    m_isDraggingCanvas = false;
    m_isPanningCanvas = false;
    m_isActiveDragging = false;
    m_isDraggingComponent = false;
}

void EnhancedCanvasView::wheelEvent(QWheelEvent *event)
{
    // Never the scroll area's own scrolling: the transform alone places the scene.
    if (!inputAllowed()) {
        deliverWheelToScene(event);
        event->accept();
        return;
    }
    if (event->modifiers() & Qt::ControlModifier) {
        zoomWithScrollWheel(event);
    } else {
        // Content that scrolls (a list in a column) keeps its wheel; everything else pans.
        const bool contentTook = !canvasTakesPointer(event->modifiers()) && componentUnder(event->position())
                                 && deliverWheelToScene(event);
        if (!contentTook)
            scrollCanvas(event);
    }
    event->accept();
}

bool EnhancedCanvasView::deliverWheelToScene(QWheelEvent *event)
{
    const QPoint angle = event->angleDelta();
    const bool horizontal = std::abs(angle.x()) > std::abs(angle.y());
    QGraphicsSceneWheelEvent sceneEvent(QEvent::GraphicsSceneWheel);
    sceneEvent.setWidget(viewport());
    sceneEvent.setScenePos(mapToScene(event->position().toPoint()));
    sceneEvent.setScreenPos(event->globalPosition().toPoint());
    sceneEvent.setButtons(event->buttons());
    sceneEvent.setModifiers(event->modifiers());
    sceneEvent.setDelta(horizontal ? angle.x() : angle.y());
    sceneEvent.setPixelDelta(event->pixelDelta());
    sceneEvent.setPhase(event->phase());
    sceneEvent.setInverted(event->isInverted());
    sceneEvent.setOrientation(horizontal ? Qt::Horizontal : Qt::Vertical);
    sceneEvent.setAccepted(false);
    QCoreApplication::sendEvent(scene(), &sceneEvent);
    return sceneEvent.isAccepted();
}

bool EnhancedCanvasView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::NativeGesture) {
        handleMagnification(static_cast<QNativeGestureEvent *>(event));
        event->accept();
        return true;
    }
    return QGraphicsView::viewportEvent(event);
}

void EnhancedCanvasView::setOffsetAndCopy(const QPointF &offset)
{
    m_viewport.setOffset(offset);
    if (m_viewController)
        m_viewController->setOffset(offset);
}

void EnhancedCanvasView::beginCanvasPan(const QPointF &point)
{
    m_isDraggingCanvas = true;
    m_isPanningCanvas = true;
    m_isActiveDragging = true;
    m_lastMouseLocation = point;
    stopMomentumTimer();
    m_scrollMomentum = QPointF();
}

void EnhancedCanvasView::zoomAbout(const QPointF &p, qreal newScale)
{
    const qreal s = scale();
    const qreal clamped = CanvasViewport::clampScale(newScale);
    m_viewport.setOffset(CanvasViewport::anchoredOffset(offset(), p, s, clamped));
    m_viewport.setScale(clamped);
    m_viewController->setScale(clamped);
    m_viewController->updateZoomLevelLabel();
    m_viewController->setOffset(offset());
    renderAtScale(m_viewController, clamped, offset());
}

void EnhancedCanvasView::zoomWithScrollWheel(QWheelEvent *event)
{
    if (!m_viewController)
        return;
    const qreal deltaY = event->angleDelta().y() / 120.0;
    const qreal d = deltaY * 0.01;
    if (std::abs(d) <= 0.0005)
        return;
    zoomAbout(event->position(), scale() * (1 + d));
}

void EnhancedCanvasView::handleMagnification(QNativeGestureEvent *event)
{
    if (!m_viewController)
        return;
    switch (event->gestureType()) {
    case Qt::EndNativeGesture:
        updateComponentFrames(true, scale());
        break;
    case Qt::ZoomNativeGesture:
        // Each event carries the step since the last one.
        zoomAbout(event->position(), scale() * (1 + event->value()));
        break;
    default:
        break;
    }
}

void EnhancedCanvasView::scrollCanvas(QWheelEvent *event)
{
    const Qt::ScrollPhase phase = event->phase();
    if (phase == Qt::ScrollBegin) {
        m_isPanningCanvas = true;
        stopMomentumTimer();
        m_scrollMomentum = QPointF();
    }
    const QPointF raw = !event->pixelDelta().isNull() ? QPointF(event->pixelDelta()) : QPointF(event->angleDelta()) / 8.0;
    const QPointF delta = raw * scrollSensitivity;
    setOffsetAndCopy(offset() + delta);
    m_scrollMomentum = delta;
    layoutComponentViews();
    if (phase == Qt::ScrollEnd) {
        m_isPanningCanvas = false;
        startMomentum();
    }
}

void EnhancedCanvasView::startMomentum()
{
    if (std::abs(m_scrollMomentum.x()) <= momentumThreshold && std::abs(m_scrollMomentum.y()) <= momentumThreshold)
        return;
    stopMomentumTimer();
    // The glide comes from the input device's own momentum events; this only settles the
    // views once more.
    m_scrollMomentum = QPointF();
    if (m_viewController && m_viewController->threadingManager())
        m_viewController->threadingManager()->cancelPendingUpdate();
    QPointer<EnhancedCanvasView> self(this);
    m_scrollDecayTimer = Scheduler::instance().repeating(momentumTickMs, this, [self] {
        if (self)
            self->momentumTick();
    });
}

void EnhancedCanvasView::momentumTick()
{
    setOffsetAndCopy(offset() + m_scrollMomentum);
    m_scrollMomentum *= scrollDecayRate;
    layoutComponentViews();
    if (std::abs(m_scrollMomentum.x()) < momentumThreshold && std::abs(m_scrollMomentum.y()) < momentumThreshold) {
        stopMomentumTimer();
        m_scrollMomentum = QPointF();
    }
}

void EnhancedCanvasView::stopMomentumTimer()
{
    if (m_scrollDecayTimer)
        Scheduler::instance().cancel(m_scrollDecayTimer);
    m_scrollDecayTimer = 0;
}

void EnhancedCanvasView::setZoomStarted(bool started)
{
    m_hasZoomStarted = started;
    // While a zoom runs, the kept renderings are scaled without filtering: a step then costs a
    // plain copy per visible container; the final pass draws them sharp at the new scale.
    setRenderHint(QPainter::SmoothPixmapTransform, !started);
    // Modifier changes are watched application-wide only while a final pass is due: the key
    // may be released while a text field of a column has the focus.
    if (started)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool EnhancedCanvasView::eventFilter(QObject *watched, QEvent *event)
{
    if (m_hasZoomStarted && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (isModifierKey(key->key()) && !key->isAutoRepeat()) {
            const bool releasedCtrl = event->type() == QEvent::KeyRelease && key->key() == Qt::Key_Control;
            const bool ctrlHeld = !releasedCtrl && (key->modifiers() & Qt::ControlModifier);
            if (!ctrlHeld) {
                setZoomStarted(false);
                updateComponentFrames(true, scale());
            }
        }
    }
    return QGraphicsView::eventFilter(watched, event);
}

// Column drag

void EnhancedCanvasView::beginComponentDrag(const NSCanvasComponent &component)
{
    m_initialComponentFrame = component.frame();
    m_isDraggingComponent = true;
    m_isDraggingCanvas = false;
    selectComponent(component.id());
    if (component.type().isCategoryView())
        Log::line(QStringLiteral("dragging category '%1' from position: %2")
                      .arg(component.type().category().title, pointText(component.frame().topLeft())));
    else
        Log::line(QStringLiteral("dragging component from position: ") + pointText(component.frame().topLeft()));
}

void EnhancedCanvasView::continueComponentDrag(const QPointF &translation, qsizetype index)
{
    NSCanvasComponent &component = *m_components[index];
    QRectF frame = component.frame();
    frame.moveTopLeft(m_initialComponentFrame.topLeft() + translation / scale());
    component.setFrame(frame);
    if (QGraphicsItem *view = m_componentViews.value(component.id())) {
        placeView(component, view);
        if (auto *container = qgraphicsitem_cast<ScalableSwiftUIContainer *>(view))
            container->updateScale(scale());
    }
}

void EnhancedCanvasView::endComponentDrag()
{
    m_isDraggingComponent = false;
    if (!m_selectedComponentId)
        return;
    const qsizetype index = indexOf(*m_selectedComponentId);
    if (index < 0)
        return;
    const NSCanvasComponent &component = *m_components[index];
    const QPointF origin = component.frame().topLeft();
    if (!component.type().isCategoryView()) {
        Log::line(QStringLiteral("Finished Control+dragging component to position: ") + pointText(origin));
        return;
    }
    // Only category positions are stored, through the column's list view model.
    QObject *viewModel = component.type().categoryViewModel();
    if (!viewModel)
        return;
    const bool called = QMetaObject::invokeMethod(viewModel, "updateCategoryPosition", Q_ARG(CategoryModel, component.type().category()),
                                                  Q_ARG(double, origin.x()), Q_ARG(double, origin.y()));
    if (!called)
        Log::line(QStringLiteral("Category position not stored: the view model cannot update positions"));
}
