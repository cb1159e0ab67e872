#include "FakeScheduler.h"
#include "NotificationSpy.h"
#include "TestMain.h"
#include "canvas/CanvasThreadingManager.h"
#include "canvas/CategoryViewHeightObserver.h"
#include "canvas/CategoryViewWrapper.h"
#include "canvas/EnhancedCanvasView.h"
#include "canvas/EnhancedCanvasViewController.h"
#include "canvas/ScalableSwiftUIContainer.h"
#include "model/AIStepTransformer.h"
#include "model/SharedModelContainer.h"
#include "Platform/Log.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"

#include <QKeyEvent>
#include <QNativeGestureEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QWheelEvent>

namespace {
std::unique_ptr<ModelContainer> memoryStore()
{
    AIStepTransformer::registerTransformer();
    ModelConfiguration configuration;
    configuration.inMemory = true;
    return std::make_unique<ModelContainer>(ModelStore::schema(), configuration);
}

QStringList logLines;
void keepLog(const QString &line)
{
    logLines.append(line);
}

// Column content whose layout height the test sets; counts its paints and presses.
class ColumnContent : public QWidget {
public:
    explicit ColumnContent(int height) : m_hint(1680, height) { setMinimumWidth(1680); }
    QSize sizeHint() const override { return m_hint; }
    void setLayoutHeight(int h)
    {
        m_hint.setHeight(h);
        updateGeometry();
    }
    int paints = 0;
    int presses = 0;

protected:
    void paintEvent(QPaintEvent *) override
    {
        ++paints;
        QPainter(this).fillRect(rect(), Qt::white);
    }
    void mousePressEvent(QMouseEvent *e) override
    {
        ++presses;
        e->accept();
    }

private:
    QSize m_hint;
};

// Records the position a column drag stores.
class PositionRecorder : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE void updateCategoryPosition(const CategoryModel &category, double x, double y)
    {
        calls.append({category.id, QPointF(x, y)});
    }
    QList<std::pair<QUuid, QPointF>> calls;
};
}

// A controller whose canvas is 1000 × 800, emptied, at a chosen viewport; columns get content
// the test controls.
struct ViewFixture {
    FakeScheduler clock;
    std::unique_ptr<ModelContainer> store = memoryStore();
    std::shared_ptr<ModelContext> context = std::make_shared<ModelContext>(store.get());
    EnhancedCanvasViewController controller;
    QHash<QUuid, ColumnContent *> contents; // by category id
    PositionRecorder positions;

    explicit ViewFixture(qreal scale = 1.0, QPointF offset = {})
    {
        controller.view()->resize(1000, 800);
        controller.view()->show();
        controller.setup(context, nullptr);
        canvas()->removeAllComponentViews();
        canvas()->setCategoryContentFactory([this](const NSCanvasComponent &c) {
            auto *content = new ColumnContent(int(c.frame().height()));
            contents.insert(c.type().category().id, content);
            return content;
        });
        setViewport(scale, offset);
    }
    EnhancedCanvasView *canvas() { return controller.enhancedCanvasView(); }
    QWidget *surface() { return canvas()->viewport(); }
    void setViewport(qreal scale, QPointF offset)
    {
        controller.setScale(scale);
        controller.setOffset(offset);
        canvas()->setViewport(controller.viewport());
    }
    NSCanvasComponentPtr addColumn(QPointF position, const QString &title = QStringLiteral("Work"))
    {
        CategoryModel category;
        category.id = QUuid::createUuid();
        category.title = title;
        category.position = position;
        controller.addCategoryComponent(category, &positions);
        return canvas()->components().last();
    }
    ScalableSwiftUIContainer *container(const NSCanvasComponentPtr &c)
    {
        return qgraphicsitem_cast<ScalableSwiftUIContainer *>(canvas()->componentView(c->id()));
    }
    void wheel(QPointF at, QPoint pixel, QPoint angle, Qt::KeyboardModifiers mods = Qt::NoModifier, Qt::ScrollPhase phase = Qt::NoScrollPhase)
    {
        QWheelEvent e(at, surface()->mapToGlobal(at), pixel, angle, Qt::NoButton, mods, phase, false);
        QCoreApplication::sendEvent(surface(), &e);
    }
    void pinch(Qt::NativeGestureType type, QPointF at, qreal value)
    {
        QNativeGestureEvent e(type, QPointingDevice::primaryPointingDevice(), 2, at, at, surface()->mapToGlobal(at), value, QPointF());
        QCoreApplication::sendEvent(surface(), &e);
    }
    void mouse(QEvent::Type type, QPointF at, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent e(type, at, surface()->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : button, buttons, mods);
        QCoreApplication::sendEvent(surface(), &e);
    }
    void key(QEvent::Type type, int key, Qt::KeyboardModifiers mods)
    {
        QKeyEvent e(type, key, mods);
        QCoreApplication::sendEvent(canvas(), &e);
    }
};

class TestCanvasView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        logLines.clear();
        Log::setSink(&keepLog);
    }
    void cleanup() { Log::setSink(nullptr); }

    // A press on empty canvas deselects, tells the prompt bar and pans point for point; the
    // controller follows every step.
    void pressOnEmptyCanvasPans()
    {
        ViewFixture f(0.5, QPointF(10, 20));
        const NSCanvasComponentPtr column = f.addColumn(QPointF(0, 0));
        QCOMPARE(f.canvas()->selectedComponentId(), column->id());
        NotificationSpy spy;
        f.mouse(QEvent::MouseButtonPress, QPointF(900, 700));
        QCOMPARE(f.canvas()->selectedComponentId(), std::nullopt);
        QCOMPARE(spy.count(QStringLiteral("canvasGeneralClick")), 1);
        QVERIFY(f.canvas()->isDraggingCanvas() && f.canvas()->isPanningCanvas() && f.canvas()->isActiveDragging());
        f.mouse(QEvent::MouseMove, QPointF(880, 730));
        f.mouse(QEvent::MouseMove, QPointF(870, 735));
        QCOMPARE(f.canvas()->offset(), QPointF(-20, 55));
        QCOMPARE(f.controller.offset(), f.canvas()->offset());
        // While the pan runs, the canvas takes the pointer even over a column.
        f.mouse(QEvent::MouseMove, QPointF(100, 100));
        QCOMPARE(f.canvas()->offset(), QPointF(-790, -580));
        f.mouse(QEvent::MouseButtonRelease, QPointF(100, 100));
        QVERIFY(!f.canvas()->isDraggingCanvas() && !f.canvas()->isPanningCanvas() && !f.canvas()->isActiveDragging());
        QCOMPARE(f.contents.value(column->type().category().id)->presses, 0);
    }

    // Alt + click selects the topmost component under the pointer (highest z-index, then the
    // last added) and starts no pan; a plain click there reaches the column's content.
    void altClickSelectsTheTopmostComponent()
    {
        ViewFixture f;
        const NSCanvasComponentPtr low = f.addColumn(QPointF(0, 0), QStringLiteral("Low"));
        const NSCanvasComponentPtr high = f.addColumn(QPointF(100, 100), QStringLiteral("High"));
        const NSCanvasComponentPtr later = f.addColumn(QPointF(200, 200), QStringLiteral("Later"));
        high->setZIndex(2);
        later->setZIndex(2);
        NotificationSpy spy;
        f.canvas()->selectComponent(std::nullopt);
        f.mouse(QEvent::MouseButtonPress, QPointF(300, 300), Qt::LeftButton, Qt::AltModifier);
        QCOMPARE(f.canvas()->selectedComponentId(), later->id());
        f.mouse(QEvent::MouseButtonRelease, QPointF(300, 300), Qt::LeftButton, Qt::AltModifier);
        f.mouse(QEvent::MouseButtonPress, QPointF(150, 150), Qt::LeftButton, Qt::AltModifier);
        QCOMPARE(f.canvas()->selectedComponentId(), high->id());
        QVERIFY(!f.canvas()->isDraggingCanvas());
        QCOMPARE(spy.count(QStringLiteral("canvasGeneralClick")), 0);
        f.mouse(QEvent::MouseButtonRelease, QPointF(150, 150));
        QVERIFY(f.canvas()->isCategorySelected());

        // Below the drag handle, without Alt: the content gets the press and the canvas stays.
        const QPointF before = f.canvas()->offset();
        f.mouse(QEvent::MouseButtonPress, QPointF(900, 600));
        f.mouse(QEvent::MouseMove, QPointF(950, 650));
        f.mouse(QEvent::MouseButtonRelease, QPointF(950, 650));
        QCOMPARE(f.contents.value(later->type().category().id)->presses, 1);
        QCOMPARE(f.canvas()->offset(), before);
        QCOMPARE(spy.count(QStringLiteral("canvasGeneralClick")), 0);

        // Alt + click on empty canvas deselects, posts the click and pans.
        f.mouse(QEvent::MouseButtonPress, QPointF(500, 750), Qt::LeftButton, Qt::AltModifier);
        QCOMPARE(f.canvas()->selectedComponentId(), std::nullopt);
        QCOMPARE(spy.count(QStringLiteral("canvasGeneralClick")), 1);
        QVERIFY(f.canvas()->isDraggingCanvas());
        f.mouse(QEvent::MouseButtonRelease, QPointF(500, 750));
    }

    void wheelPans_data()
    {
        QTest::addColumn<QPoint>("pixel");
        QTest::addColumn<QPoint>("angle");
        QTest::addColumn<QPointF>("moved");
        QTest::newRow("pixel deltas") << QPoint(10, 0) << QPoint(0, 0) << QPointF(15, 0);
        QTest::newRow("pixel deltas win over angles") << QPoint(-4, 6) << QPoint(0, 120) << QPointF(-6, 9);
        QTest::newRow("one wheel notch") << QPoint(0, 0) << QPoint(0, -120) << QPointF(0, -22.5);
    }
    void wheelPans()
    {
        QFETCH(QPoint, pixel);
        QFETCH(QPoint, angle);
        QFETCH(QPointF, moved);
        ViewFixture f(0.5, QPointF(100, 100));
        f.addColumn(QPointF(0, 0));
        // Over a column too: its content does not take wheels, so the canvas pans.
        f.wheel(QPointF(200, 150), pixel, angle);
        QCOMPARE(f.canvas()->offset(), QPointF(100, 100) + moved);
        QCOMPARE(f.controller.offset(), f.canvas()->offset());
        QCOMPARE(f.canvas()->scale(), 0.5);
        QVERIFY(!f.canvas()->hasZoomStarted());
    }

    // A trackpad scroll takes the pointer from its first phase to its end; its end settles the
    // views once on a timer and adds no glide of its own.
    void scrollGestureEndsWithoutGlide()
    {
        ViewFixture f(0.5, QPointF());
        f.wheel(QPointF(500, 400), QPoint(), QPoint(), Qt::NoModifier, Qt::ScrollBegin);
        QVERIFY(f.canvas()->isPanningCanvas());
        f.wheel(QPointF(500, 400), QPoint(20, 0), QPoint(), Qt::NoModifier, Qt::ScrollUpdate);
        f.wheel(QPointF(500, 400), QPoint(8, 0), QPoint(), Qt::NoModifier, Qt::ScrollEnd);
        QVERIFY(!f.canvas()->isPanningCanvas());
        QCOMPARE(f.canvas()->offset(), QPointF(42, 0));
        QVERIFY(f.canvas()->isMomentumRunning());
        f.clock.advance(EnhancedCanvasView::momentumTickMs * 3);
        QVERIFY(!f.canvas()->isMomentumRunning());
        QCOMPARE(f.canvas()->offset(), QPointF(42, 0));
    }

    void ctrlWheelZoomsAtThePointer_data()
    {
        QTest::addColumn<qreal>("scale");
        QTest::addColumn<int>("angleY");
        QTest::addColumn<qreal>("expected");
        QTest::addColumn<bool>("started");
        QTest::newRow("in") << 0.5 << 1200 << 0.55 << true;
        QTest::newRow("out") << 0.5 << -2400 << 0.4 << true;
        QTest::newRow("too small a step") << 0.5 << 5 << 0.5 << false;
        QTest::newRow("in at the top") << 1.0 << 1200 << 1.0 << true;
        QTest::newRow("out at the bottom") << 0.2 << -1200 << 0.2 << true;
    }
    void ctrlWheelZoomsAtThePointer()
    {
        QFETCH(qreal, scale);
        QFETCH(int, angleY);
        QFETCH(qreal, expected);
        QFETCH(bool, started);
        ViewFixture f(scale, QPointF(30, -40));
        const NSCanvasComponentPtr column = f.addColumn(QPointF(0, 0));
        const QPointF pointer(400, 300);
        const QPointF canvasPoint = f.canvas()->canvasViewport().toCanvas(pointer);
        f.wheel(pointer, QPoint(), QPoint(0, angleY), Qt::ControlModifier);
        QVERIFY(qAbs(f.canvas()->scale() - expected) < 1e-9);
        QCOMPARE(f.controller.scale(), f.canvas()->scale());
        QCOMPARE(f.controller.offset(), f.canvas()->offset());
        const QPointF still = f.canvas()->canvasViewport().toView(canvasPoint);
        QVERIFY(qAbs(still.x() - pointer.x()) < 1e-6 && qAbs(still.y() - pointer.y()) < 1e-6);
        QCOMPARE(f.canvas()->hasZoomStarted(), started);
        if (!started)
            return;
        // Holding Ctrl and pressing Shift makes no final pass; releasing Ctrl does.
        ScalableSwiftUIContainer *c = f.container(column);
        const int renders = c->renderCount();
        f.key(QEvent::KeyPress, Qt::Key_Shift, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(f.canvas()->hasZoomStarted());
        f.key(QEvent::KeyRelease, Qt::Key_Control, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!f.canvas()->hasZoomStarted());
        QCOMPARE(c->uiDrawScale(), expected);
        QCOMPARE(c->displayScale(), 1.0);
        QCOMPARE(c->renderCount(), renders + (scale == expected ? 0 : 1));
    }

    // A pinch zooms about its point step by step; its end draws the visible containers afresh.
    void pinchZoomsAndEndsWithAFinalPass()
    {
        ViewFixture f(0.75, QPointF());
        const NSCanvasComponentPtr column = f.addColumn(QPointF(100, 100));
        ScalableSwiftUIContainer *c = f.container(column);
        const QPointF at(300, 200);
        const QPointF canvasPoint = f.canvas()->canvasViewport().toCanvas(at);
        f.pinch(Qt::BeginNativeGesture, at, 0);
        f.pinch(Qt::ZoomNativeGesture, at, -0.2);
        f.pinch(Qt::ZoomNativeGesture, at, -0.5);
        QVERIFY(qAbs(f.canvas()->scale() - 0.3) < 1e-9);
        const QPointF still = f.canvas()->canvasViewport().toView(canvasPoint);
        QVERIFY(qAbs(still.x() - at.x()) < 1e-6 && qAbs(still.y() - at.y()) < 1e-6);
        // During the gesture the rendering of 0.75 is kept and shown at 0.4 of its size.
        QCOMPARE(c->uiDrawScale(), 0.75);
        QVERIFY(qAbs(c->displayScale() - 0.4) < 1e-9);
        QCOMPARE(c->cacheMode(), QGraphicsItem::ItemCoordinateCache);
        f.pinch(Qt::EndNativeGesture, at, 0);
        QVERIFY(qAbs(c->uiDrawScale() - 0.3) < 1e-9);
        QCOMPARE(c->displayScale(), 1.0);
        QCOMPARE(c->cacheMode(), QGraphicsItem::DeviceCoordinateCache);
    }

    // While the category popup is up the canvas ignores presses, right presses and scrolls.
    void popupLocksTheInput()
    {
        ViewFixture f(0.5, QPointF());
        f.addColumn(QPointF(0, 0));
        QSignalSpy requests(&f.controller, &EnhancedCanvasViewController::categoryCreationPopupRequested);
        f.mouse(QEvent::MouseButtonPress, QPointF(200, 100), Qt::RightButton);
        QCOMPARE(requests.count(), 0); // over a column
        f.mouse(QEvent::MouseButtonPress, QPointF(900, 700), Qt::RightButton);
        QCOMPARE(requests.count(), 1);
        QCOMPARE(requests.first().first().toPointF(), QPointF(900, 700));

        f.controller.setCreatingCategory(true);
        f.mouse(QEvent::MouseButtonPress, QPointF(900, 700), Qt::RightButton);
        QCOMPARE(requests.count(), 1);
        f.wheel(QPointF(900, 700), QPoint(10, 10), QPoint());
        f.wheel(QPointF(900, 700), QPoint(), QPoint(0, 1200), Qt::ControlModifier);
        f.mouse(QEvent::MouseButtonPress, QPointF(900, 700));
        f.mouse(QEvent::MouseMove, QPointF(800, 600));
        f.mouse(QEvent::MouseButtonRelease, QPointF(800, 600));
        QCOMPARE(f.canvas()->offset(), QPointF());
        QCOMPARE(f.canvas()->scale(), 0.5);
        f.controller.setCreatingCategory(false);
        f.wheel(QPointF(900, 700), QPoint(10, 10), QPoint());
        QCOMPARE(f.canvas()->offset(), QPointF(15, 15));
    }

    void columnDragThresholds_data()
    {
        QTest::addColumn<qreal>("scale");
        QTest::addColumn<qreal>("below");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("drags");
        QTest::newRow("40 below the top") << 1.0 << 40.0 << int(Qt::NoModifier) << true;
        QTest::newRow("60 below the top") << 1.0 << 60.0 << int(Qt::NoModifier) << false;
        QTest::newRow("60 below with Control") << 1.0 << 60.0 << int(Qt::MetaModifier) << true;
        QTest::newRow("view points, not canvas units") << 0.5 << 45.0 << int(Qt::NoModifier) << true;
        QTest::newRow("55 view points at half scale") << 0.5 << 55.0 << int(Qt::NoModifier) << false;
        QTest::newRow("with Alt the canvas takes it") << 1.0 << 10.0 << int(Qt::AltModifier) << false;
    }
    // A column drag starts in the column's top 50 points or with Control (Meta) held; the
    // column follows the pointer in canvas units and its origin is stored on release.
    void columnDragThresholds()
    {
        QFETCH(qreal, scale);
        QFETCH(qreal, below);
        QFETCH(int, modifiers);
        QFETCH(bool, drags);
        ViewFixture f(scale, QPointF(20, 30));
        const NSCanvasComponentPtr column = f.addColumn(QPointF(100, 200));
        const QPointF top = f.canvas()->viewFrame(*column).topLeft();
        const QPointF press = top + QPointF(40, below);
        const auto mods = Qt::KeyboardModifiers(modifiers);
        f.mouse(QEvent::MouseButtonPress, press, Qt::LeftButton, mods);
        f.mouse(QEvent::MouseMove, press + QPointF(50, 20), Qt::LeftButton, mods);
        f.mouse(QEvent::MouseMove, press + QPointF(100, 40), Qt::LeftButton, mods);
        QCOMPARE(f.canvas()->isDraggingComponent(), drags);
        f.mouse(QEvent::MouseButtonRelease, press + QPointF(100, 40), Qt::LeftButton, mods);
        QVERIFY(!f.canvas()->isDraggingComponent());
        if (!drags) {
            QCOMPARE(column->frame().topLeft(), QPointF(100, 200));
            QVERIFY(f.positions.calls.isEmpty());
            return;
        }
        const QPointF expected = QPointF(100, 200) + QPointF(100, 40) / scale;
        QCOMPARE(column->frame().topLeft(), expected);
        QCOMPARE(f.positions.calls.size(), 1);
        QCOMPARE(f.positions.calls.first().first, column->type().category().id);
        QCOMPARE(f.positions.calls.first().second, expected);
        QVERIFY(logLines.contains(QStringLiteral("dragging category 'Work' from position: (100, 200)")));
        QCOMPARE(f.contents.value(column->type().category().id)->presses, 0);
    }

    // A press in the handle that does not travel is an ordinary click of the content.
    void clickInTheHandleReachesTheContent()
    {
        ViewFixture f;
        const NSCanvasComponentPtr column = f.addColumn(QPointF(100, 100));
        f.mouse(QEvent::MouseButtonPress, QPointF(300, 120));
        f.mouse(QEvent::MouseButtonRelease, QPointF(300, 120));
        QCOMPARE(f.contents.value(column->type().category().id)->presses, 1);
        QCOMPARE(column->frame().topLeft(), QPointF(100, 100));
        QVERIFY(f.positions.calls.isEmpty());
    }

    void heightFilters_data()
    {
        QTest::addColumn<QList<int>>("layoutHeights");
        QTest::addColumn<qreal>("published");
        QTest::addColumn<qreal>("frameHeight");
        // The column starts at 500; the observer drops changes of 5 or less, the canvas of 10
        // or less (against the column's frame).
        QTest::newRow("grows by 8") << QList<int>{508} << 508.0 << 500.0;
        QTest::newRow("grows by 12") << QList<int>{512} << 512.0 << 512.0;
        QTest::newRow("grows by 4 twice") << QList<int>{504, 508} << 508.0 << 500.0;
        QTest::newRow("grows by 4, then by 8 more") << QList<int>{504, 512} << 512.0 << 512.0;
        QTest::newRow("shrinks by 150") << QList<int>{350} << 350.0 << 350.0;
    }
    void heightFilters()
    {
        QFETCH(QList<int>, layoutHeights);
        QFETCH(qreal, published);
        QFETCH(qreal, frameHeight);
        ViewFixture f(0.5, QPointF());
        const NSCanvasComponentPtr column = f.addColumn(QPointF(40, 60));
        ColumnContent *content = f.contents.value(column->type().category().id);
        auto *wrapper = qobject_cast<CategoryViewWrapper *>(f.container(column)->content());
        QVERIFY(wrapper);
        QCoreApplication::processEvents();
        f.clock.runPending();
        QCOMPARE(wrapper->heightObserver()->height(), 500.0);
        QVERIFY(!wrapper->heightObserver()->isInitialLoad());
        for (int h : layoutHeights) {
            content->setLayoutHeight(h);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        }
        QCOMPARE(wrapper->heightObserver()->height(), published);
        // The canvas hears of it on a later turn.
        QCOMPARE(column->frame().height(), 500.0);
        f.clock.runPending();
        QCOMPARE(column->frame(), QRectF(40, 60, 1680, frameHeight));
        QCOMPARE(f.container(column)->size().height(), frameHeight);
    }

    // A report for a column that left the canvas, or after the canvas went, is dropped.
    void lateHeightReportIsDropped()
    {
        auto f = std::make_unique<ViewFixture>();
        const NSCanvasComponentPtr column = f->addColumn(QPointF(0, 0));
        QCoreApplication::processEvents();
        f->clock.runPending();
        f->contents.value(column->type().category().id)->setLayoutHeight(700);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        f->canvas()->removeComponent(column->id());
        f->clock.runPending();
        QCOMPARE(column->frame().height(), 500.0);
        f->controller.handleCategoryHeightChange(column->type().category().id, 900);
        QCOMPARE(column->frame().height(), 500.0);
    }

    void containerScaleStates_data()
    {
        QTest::addColumn<qreal>("drawn");
        QTest::addColumn<qreal>("step");
        QTest::addColumn<qreal>("drawnAfterStep");
        QTest::addColumn<qreal>("displayAfterStep");
        QTest::addColumn<int>("cacheAfterStep");
        QTest::addColumn<int>("rendersOfStep");
        const int item = QGraphicsItem::ItemCoordinateCache;
        const int device = QGraphicsItem::DeviceCoordinateCache;
        QTest::newRow("0.75 to 0.3 keeps the rendering") << 0.75 << 0.3 << 0.75 << 0.4 << item << 0;
        QTest::newRow("0.2 to 0.85 draws afresh") << 0.2 << 0.85 << 0.85 << 1.0 << device << 1;
        QTest::newRow("0.2 to 0.75 keeps it") << 0.2 << 0.75 << 0.2 << 3.75 << item << 0;
        QTest::newRow("same scale") << 0.5 << 0.5 << 0.5 << 1.0 << device << 0;
    }
    // The drawn scale and its cache during a zoom step and after the final pass.
    void containerScaleStates()
    {
        QFETCH(qreal, drawn);
        QFETCH(qreal, step);
        QFETCH(qreal, drawnAfterStep);
        QFETCH(qreal, displayAfterStep);
        QFETCH(int, cacheAfterStep);
        QFETCH(int, rendersOfStep);
        ScalableSwiftUIContainer c(new QWidget, nullptr, nullptr, 400, 300);
        c.setBackingScaleFactor(2);
        c.updateScale(drawn);
        QCOMPARE(c.renderCount(), 1);
        QCOMPARE(c.cacheMode(), QGraphicsItem::DeviceCoordinateCache);
        c.applyFrameAndScale(QRectF(10, 20, 400, 300), step);
        QVERIFY(qAbs(c.uiDrawScale() - drawnAfterStep) < 1e-9);
        QVERIFY(qAbs(c.displayScale() - displayAfterStep) < 1e-9);
        QCOMPARE(c.currentScale(), step);
        QCOMPARE(int(c.cacheMode()), cacheAfterStep);
        QCOMPARE(c.renderCount(), 1 + rendersOfStep);
        QCOMPARE(c.pos(), QPointF(10, 20));
        QCOMPARE(c.size(), QSizeF(400, 300)); // nothing laid out during a gesture
        c.updateScale(step); // the final pass
        QCOMPARE(c.uiDrawScale(), step);
        QCOMPARE(c.displayScale(), 1.0);
        QCOMPARE(c.cacheMode(), QGraphicsItem::DeviceCoordinateCache);
        const int renders = c.renderCount();
        c.updateScale(step); // a pan at that scale
        QCOMPARE(c.renderCount(), renders);
    }

    void contentsScaleTiers_data()
    {
        QTest::addColumn<qreal>("x");
        QTest::addColumn<qreal>("target");
        QTest::newRow("0.5") << 0.5 << 1.0;
        QTest::newRow("0.75") << 0.75 << 2.0;
        QTest::newRow("1.5") << 1.5 << 3.0;
        QTest::newRow("3") << 3.0 << 4.0;
        QTest::newRow("0.2") << 0.2 << 1.0;
        QTest::newRow("2") << 2.0 << 3.0;
    }
    // On a 2× screen; the first call on a new container always applies, a second in the same
    // tier changes nothing.
    void contentsScaleTiers()
    {
        QFETCH(qreal, x);
        QFETCH(qreal, target);
        ScalableSwiftUIContainer c(new QWidget, nullptr, nullptr, 400, 300);
        c.setBackingScaleFactor(2);
        QCOMPARE(c.lastContentScale(), 0.0);
        QVERIFY(c.updateContentsScale(x));
        QCOMPARE(c.lastContentScale(), target);
        QVERIFY(!c.updateContentsScale(x));
        QCOMPARE(ScalableSwiftUIContainer::contentsScaleTarget(x, 2), target);
    }

    // The kept rendering is an item cache of the tier's size: it changes only with the tier.
    void itemCacheFollowsTheTier()
    {
        ScalableSwiftUIContainer c(new QWidget, nullptr, nullptr, 400, 300);
        c.setBackingScaleFactor(1);
        c.updateScale(0.75);
        c.applyFrameAndScale(QRectF(0, 0, 400, 300), 0.8); // ratio 1.07: tier 1.5
        QCOMPARE(c.lastContentScale(), 1.5);
        QVERIFY(!c.updateContentsScale(1.9));
        QVERIFY(c.updateContentsScale(0.9));
        QCOMPARE(c.lastContentScale(), 1.0);
    }

    // A pan moves the canvas and draws nothing afresh: the containers show the scale already.
    void panDrawsNothingAfresh()
    {
        ViewFixture f(0.25, QPointF(100, 100));
        const NSCanvasComponentPtr column = f.addColumn(QPointF(0, 0));
        ColumnContent *content = f.contents.value(column->type().category().id);
        ScalableSwiftUIContainer *c = f.container(column);
        f.canvas()->viewport()->repaint();
        QCoreApplication::processEvents();
        QVERIFY(content->paints > 0);
        const int paints = content->paints;
        const int renders = c->renderCount();
        for (int i = 0; i < 10; ++i) {
            f.wheel(QPointF(900, 700), QPoint(3, 2), QPoint());
            f.canvas()->viewport()->repaint();
        }
        QCOMPARE(f.canvas()->offset(), QPointF(145, 130));
        QCOMPARE(c->renderCount(), renders);
        QCOMPARE(content->paints, paints);
    }

    void cullingDuringZoomPasses_data()
    {
        QTest::addColumn<int>("columns");
        QTest::addColumn<bool>("farOneDrawn");
        QTest::addColumn<bool>("batched");
        QTest::newRow("19 views") << 19 << true << false;
        QTest::newRow("20 views") << 20 << false << false;
        QTest::newRow("21 views") << 21 << false << true;
        QTest::newRow("25 views") << 25 << false << true;
    }
    // With 20 or more views, a container more than 500 points outside the visible bounds keeps
    // its rendering during zoom passes; with more than 20 components a zoom step also asks for
    // the exact frames off the main thread.
    void cullingDuringZoomPasses()
    {
        QFETCH(int, columns);
        QFETCH(bool, farOneDrawn);
        QFETCH(bool, batched);
        ViewFixture f(0.5, QPointF(700, 0));
        // After the zoom to 0.4 the offset is (560, 0): a column at canvas x -6000 spans view x
        // -1840 to -1168, beyond the 500-point margin; the first near one is on screen.
        const NSCanvasComponentPtr far = f.addColumn(QPointF(-6000, 0));
        QList<NSCanvasComponentPtr> near;
        for (int i = 1; i < columns; ++i)
            near.append(f.addColumn(QPointF(0, 600.0 * i)));
        QCOMPARE(f.canvas()->componentViews().size(), columns);
        f.pinch(Qt::ZoomNativeGesture, QPointF(0, 0), -0.2); // to 0.4, about the view origin
        QCOMPARE(f.container(near.first())->currentScale(), f.canvas()->scale());
        QCOMPARE(f.controller.threadingManager()->hasPendingUpdate(), batched);
        f.pinch(Qt::EndNativeGesture, QPointF(0, 0), 0);
        QVERIFY(qAbs(f.container(near.first())->uiDrawScale() - 0.4) < 1e-9);
        QCOMPARE(qAbs(f.container(far)->uiDrawScale() - 0.4) < 1e-9, farOneDrawn);
        if (!farOneDrawn)
            QCOMPARE(f.container(far)->uiDrawScale(), 0.5);
        // Its item still sits where the viewport puts it.
        const QPointF drawn = f.canvas()->mapFromScene(far->frame().topLeft());
        const QPointF placed = f.canvas()->viewFrame(*far).topLeft();
        QVERIFY(qAbs(drawn.x() - placed.x()) <= 1 && qAbs(drawn.y() - placed.y()) <= 1);
    }

    // Removal deselects and drops the component from both tables at once; its view fades for
    // 0.3 s and then leaves the scene.
    void removalFadesForAThirdOfASecond()
    {
        ViewFixture f;
        const NSCanvasComponentPtr keep = f.addColumn(QPointF(0, 0));
        const NSCanvasComponentPtr gone = f.addColumn(QPointF(0, 600));
        QGraphicsItem *item = f.canvas()->componentView(gone->id());
        QCOMPARE(f.canvas()->selectedComponentId(), gone->id());
        const QUuid id = gone->id();
        f.canvas()->removeComponent(id);
        QCOMPARE(f.canvas()->selectedComponentId(), std::nullopt);
        QVERIFY(!f.canvas()->componentViews().contains(id));
        QCOMPARE(f.canvas()->components().size(), 1);
        QCOMPARE(f.canvas()->components().first(), keep);
        QVERIFY(f.canvas()->scene()->items().contains(item));
        f.clock.advance(EnhancedCanvasView::removalFadeMs - 1);
        QVERIFY(f.canvas()->scene()->items().contains(item));
        f.clock.advance(1);
        QVERIFY(!f.canvas()->scene()->items().contains(item));
        // Removing another component keeps the selection of a third.
        f.canvas()->selectComponent(keep->id());
        f.canvas()->removeComponent(QUuid::createUuid());
        QCOMPARE(f.canvas()->selectedComponentId(), keep->id());
    }
};

TAVO_TEST_MAIN(TestCanvasView)
#include "tst_canvas_view.moc"
