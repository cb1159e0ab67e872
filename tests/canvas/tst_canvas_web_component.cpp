#include "StandinHttpServer.h"
#include "TestMain.h"
#include "canvas/EnhancedCanvasView.h"
#include "canvas/EnhancedCanvasViewController.h"
#include "canvas/WebComponentView.h"
#include "model/AIStepTransformer.h"
#include "model/SharedModelContainer.h"
#include "Platform/Log.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"

#include <QDir>
#include <QNativeGestureEvent>
#include <QSignalSpy>
#include <QWebEngineView>
#include <QWheelEvent>

namespace {
// WebEngine wants to share its GL contexts with the widgets; set before the application exists.
[[maybe_unused]] const bool sharedContexts = [] {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return true;
}();

const QColor pageColour(0x2a, 0x7a, 0xe2);

bool near(const QColor &a, const QColor &b)
{
    return qAbs(a.red() - b.red()) <= 24 && qAbs(a.green() - b.green()) <= 24 && qAbs(a.blue() - b.blue()) <= 24;
}

// The colour at a view point of the canvas window as it is on screen, after saving the picture
// beside the test program.
QColor shownColour(QWidget *window, const QPoint &at, const QString &name)
{
    const QImage shot = window->grab().toImage();
    shot.save(QDir(QCoreApplication::applicationDirPath()).filePath(name));
    return shot.pixelColor(at * shot.devicePixelRatio());
}
}

// A web component from a local page, shown at two scales: at 0.75 the native page sits on the
// component's view frame with the content zoomed to the scale; below the engine's smallest zoom
// (0.25) the canvas shows a snapshot of it in its place instead.
class TestCanvasWebComponent : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pageFollowsTheCanvasAtTwoScales()
    {
        Log::setSink([](const QString &) {});
        StandinHttpServer server;
        StandinHttpServer::Reply page;
        page.contentType = "text/html";
        page.body = "<!doctype html><html><body style=\"margin:0;background:#2a7ae2\">"
                    "<h1 style=\"color:white;font:48px sans-serif\">Canvas page</h1></body></html>";
        server.on("GET", QStringLiteral("/page"), page);
        QVERIFY(server.start());
        QUrl url = server.baseUrl();
        url.setPath(QStringLiteral("/page"));

        AIStepTransformer::registerTransformer();
        ModelConfiguration configuration;
        configuration.inMemory = true;
        ModelContainer store(ModelStore::schema(), configuration);
        auto context = std::make_shared<ModelContext>(&store);
        EnhancedCanvasViewController controller;
        QWidget *window = controller.view();
        window->resize(1000, 800);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        controller.setup(context, nullptr);
        EnhancedCanvasView *canvas = controller.enhancedCanvasView();
        canvas->removeAllComponentViews();
        controller.setScale(0.75);
        controller.setOffset(QPointF(50, 40));
        canvas->setViewport(controller.viewport());

        controller.addComponent(EnhancedComponentType::webView(url), QPointF(100, 100));
        const NSCanvasComponentPtr component = canvas->components().last();
        auto *web = qgraphicsitem_cast<WebComponentView *>(canvas->componentView(component->id()));
        QVERIFY(web && web->webView());
        QSignalSpy loaded(web->webView(), &QWebEngineView::loadFinished);
        QVERIFY(loaded.wait(60000));
        QVERIFY(loaded.first().first().toBool());
        QCOMPARE(server.requestsTo(QStringLiteral("/page")).size(), 1);

        // A pan moves the page with the canvas.
        QWidget *surface = canvas->viewport();
        QWheelEvent pan(QPointF(900, 700), surface->mapToGlobal(QPointF(900, 700)), QPoint(20, 10), QPoint(), Qt::NoButton,
                        Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(surface, &pan);
        QCOMPARE(canvas->offset(), QPointF(80, 55));
        QRect frame = canvas->viewFrame(*component).toAlignedRect();
        QCOMPARE(frame, QRect(155, 130, 375, 300));
        QCOMPARE(web->webView()->geometry(), frame);
        QCOMPARE(web->webView()->zoomFactor(), 0.75);
        QVERIFY(web->webView()->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(near(shownColour(window, frame.center(), QStringLiteral("canvas_web_scale_075.png")), pageColour), 20000);

        // A pinch about the view origin down to 0.2: the snapshot stands in for the page.
        QNativeGestureEvent pinch(Qt::ZoomNativeGesture, QPointingDevice::primaryPointingDevice(), 2, QPointF(), QPointF(),
                                  surface->mapToGlobal(QPointF()), 0.2 / 0.75 - 1, QPointF());
        QCoreApplication::sendEvent(surface, &pinch);
        QVERIFY(qAbs(canvas->scale() - 0.2) < 1e-9);
        QVERIFY(web->isShowingSnapshot());
        QVERIFY(!web->snapshot().isNull());
        QVERIFY(!web->webView()->isVisible());
        frame = canvas->viewFrame(*component).toAlignedRect();
        QTRY_VERIFY_WITH_TIMEOUT(near(shownColour(window, frame.center(), QStringLiteral("canvas_web_scale_020.png")), pageColour), 5000);

        // Back above the engine's limit the page itself returns, at the new zoom.
        QNativeGestureEvent back(Qt::ZoomNativeGesture, QPointingDevice::primaryPointingDevice(), 2, QPointF(), QPointF(),
                                 surface->mapToGlobal(QPointF()), 1.5, QPointF());
        QCoreApplication::sendEvent(surface, &back);
        QVERIFY(qAbs(canvas->scale() - 0.5) < 1e-9);
        QVERIFY(!web->isShowingSnapshot());
        QVERIFY(web->webView()->isVisible());
        QCOMPARE(web->webView()->zoomFactor(), 0.5);
        QCOMPARE(web->webView()->geometry(), canvas->viewFrame(*component).toAlignedRect());
        Log::setSink(nullptr);
    }
};

TAVO_TEST_MAIN(TestCanvasWebComponent)
#include "tst_canvas_web_component.moc"
