#include "FakeScheduler.h"
#include "TestMain.h"
#include "canvas/CanvasThreadingManager.h"
#include "canvas/EnhancedCanvasView.h"
#include "canvas/EnhancedCanvasViewController.h"
#include "model/AIStepTransformer.h"
#include "model/AppIconData.h"
#include "model/CategoryData.h"
#include "model/SharedModelContainer.h"
#include "windows/NSCanvasWindowManager.h"
#include "Platform/Log.h"
#include "Platform/ModalPrompt.h"
#include "Platform/NotificationCenter.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QToolBar>

namespace {
std::unique_ptr<ModelContainer> memoryStore()
{
    AIStepTransformer::registerTransformer();
    ModelConfiguration configuration;
    configuration.inMemory = true;
    return std::make_unique<ModelContainer>(ModelStore::schema(), configuration);
}

void post(const char *name, const QVariantMap &userInfo = {})
{
    NotificationCenter::defaultCenter().post(QString::fromLatin1(name), {}, userInfo);
}

QAction *menuItem(QMenu *menu, const QString &title)
{
    for (QAction *a : menu->actions()) {
        if (a->text() == title)
            return a;
    }
    return nullptr;
}

QStringList silence;
void quiet(const QString &line)
{
    silence.append(line);
}
}

// A controller with its root view sized like a canvas window, set up over an in-memory store.
struct CanvasFixture {
    FakeScheduler clock;
    std::unique_ptr<ModelContainer> store = memoryStore();
    std::shared_ptr<ModelContext> context = std::make_shared<ModelContext>(store.get());
    EnhancedCanvasViewController controller;

    CanvasFixture()
    {
        controller.view()->resize(1000, 800);
        controller.view()->show(); // a hidden widget gets its resize only when shown
        controller.setup(context, nullptr);
    }
    EnhancedCanvasView *canvas() { return controller.enhancedCanvasView(); }
};

class TestCanvasController : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        silence.clear();
        Log::setSink(&quiet);
    }
    void cleanup()
    {
        ModalPrompt::setResponder({});
        Log::setSink(nullptr);
    }

    void setupShowsTheWelcomeComponentAtTheDefaultViewport()
    {
        CanvasFixture f;
        QCOMPARE(f.canvas()->components().size(), 1);
        const NSCanvasComponentPtr welcome = f.canvas()->components().first();
        QCOMPARE(welcome->type().kind(), EnhancedComponentType::Kind::welcomeView);
        QCOMPARE(welcome->frame(), QRectF(2330, 540, 1500, 1000));
        QCOMPARE(welcome->zIndex(), 0);
        QCOMPARE(welcome->rotation(), 0.0);
        QVERIFY(f.controller.components().isEmpty());
        QVERIFY(f.canvas()->componentView(welcome->id()));
        QCOMPARE(f.controller.scale(), 0.75);
        QCOMPARE(f.controller.offset(), EnhancedCanvasViewController::defaultOffset());
        QCOMPARE(f.canvas()->canvasViewport(), f.controller.viewport());
        QCOMPARE(f.controller.notificationObserverCount(), 7);
        QCOMPARE(f.controller.realModelContext(), std::static_pointer_cast<QObject>(f.context));
        // The scene is shown through the viewport alone.
        const QRectF expected = f.canvas()->viewFrame(*welcome);
        for (const auto &[scene, view] : {std::pair{welcome->frame().topLeft(), expected.topLeft()},
                                          std::pair{welcome->frame().bottomRight(), expected.bottomRight()}}) {
            const QPointF drawn = f.canvas()->mapFromScene(scene);
            QVERIFY(qAbs(drawn.x() - view.x()) <= 1 && qAbs(drawn.y() - view.y()) <= 1);
        }
    }

    // A second setup replaces the observers instead of adding a second set beside them.
    void secondSetupReplacesTheObservers()
    {
        CanvasFixture f;
        f.controller.setup(f.context, nullptr);
        QCOMPARE(f.controller.notificationObserverCount(), 7);
        QCOMPARE(NotificationCenter::defaultCenter().observerCount(QStringLiteral("canvasScrollDelta")), 1);
        QCOMPARE(f.canvas()->components().size(), 1);
        const QPointF before = f.controller.offset();
        post("canvasScrollDelta", {{"dx", 10}, {"dy", 5.5}});
        QCOMPARE(f.controller.offset(), before + QPointF(10, 5.5));
        QCOMPARE(f.canvas()->offset(), f.controller.offset());
    }

    void scrollNotifications_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariantMap>("userInfo");
        QTest::addColumn<bool>("moves");
        QTest::addColumn<QPointF>("offset");
        // Scale 0.5 in a 1000 x 800 view.
        QTest::newRow("category, integers") << "canvasScrollToCategory" << QVariantMap{{"x", 100}, {"y", 200}, {"dy", 250}} << true
                                            << QPointF(450, 425);
        QTest::newRow("category, reals") << "canvasScrollToCategory" << QVariantMap{{"x", 100.0}, {"y", 200.0}, {"dy", 250.0}} << true
                                         << QPointF(450, 425);
        QTest::newRow("category, string x") << "canvasScrollToCategory" << QVariantMap{{"x", QStringLiteral("100")}, {"y", 200}}
                                            << false << QPointF();
        QTest::newRow("delta, integers") << "canvasScrollDelta" << QVariantMap{{"dx", 10}, {"dy", -20}} << true << QPointF(10, -20);
        QTest::newRow("delta, only dx") << "canvasScrollDelta" << QVariantMap{{"dx", 10}} << false << QPointF();
        QTest::newRow("delta, string dy") << "canvasScrollDelta" << QVariantMap{{"dx", 10}, {"dy", QStringLiteral("1")}} << false
                                          << QPointF();
    }
    void scrollNotifications()
    {
        QFETCH(QString, name);
        QFETCH(QVariantMap, userInfo);
        QFETCH(bool, moves);
        QFETCH(QPointF, offset);
        CanvasFixture f;
        f.controller.setScale(0.5);
        f.controller.setOffset(QPointF(0, 0));
        NotificationCenter::defaultCenter().post(name, {}, userInfo);
        QCOMPARE(f.controller.offset(), moves ? offset : QPointF(0, 0));
        QCOMPARE(f.controller.scale(), 0.5);
        if (moves)
            QCOMPARE(f.canvas()->canvasViewport(), f.controller.viewport());
    }

    void zoomToDetail()
    {
        CanvasFixture f;
        f.controller.setScale(0.80005);
        const QPointF start = f.controller.offset();
        post("canvasZoomToDetail");
        QCOMPARE(f.controller.scale(), 0.80005);
        QCOMPARE(f.controller.offset(), start);

        f.controller.setScale(0.75);
        const QPointF centre(500, 400);
        const QPointF under = f.controller.viewport().toCanvas(centre);
        post("canvasZoomToDetail");
        QCOMPARE(f.controller.scale(), 0.8);
        QVERIFY((f.controller.viewport().toView(under) - centre).manhattanLength() < 1e-9);
        QCOMPARE(f.canvas()->canvasViewport(), f.controller.viewport());
    }

    void addComponentMenu()
    {
        CanvasFixture f;
        std::unique_ptr<QMenu> menu(f.controller.makeAddComponentMenu());
        QCOMPARE(menu->title(), QStringLiteral("Add Component"));
        QStringList titles;
        for (QAction *a : menu->actions())
            titles << (a->isSeparator() ? QStringLiteral("-") : a->text());
        QCOMPARE(titles, (QStringList{"WebView", "Category View", "Welcome View", "-", "Use Control+Drag to move categories", "-",
                                      "🧹 Clear All Databases"}));
        QVERIFY(!menuItem(menu.get(), QStringLiteral("Use Control+Drag to move categories"))->isEnabled());

        // Two web components at the same point, the canvas view's centre.
        menuItem(menu.get(), QStringLiteral("WebView"))->trigger();
        menuItem(menu.get(), QStringLiteral("WebView"))->trigger();
        QCOMPARE(f.controller.components().size(), 2);
        const QRectF expected(QPointF(500, 400), QSizeF(500, 400));
        for (const NSCanvasComponentPtr &c : f.controller.components()) {
            QCOMPARE(c->type().kind(), EnhancedComponentType::Kind::webView);
            QCOMPARE(c->frame(), expected);
        }
        QCOMPARE(f.canvas()->selectedComponentId(), f.controller.components().last()->id());

        // A second welcome component goes on the canvas, not into the controller's list.
        menuItem(menu.get(), QStringLiteral("Welcome View"))->trigger();
        QCOMPARE(f.canvas()->components().size(), 4);
        QCOMPARE(f.controller.components().size(), 2);

        // With a column on the canvas, "Category View" does nothing.
        CategoryModel column;
        column.id = QUuid::createUuid();
        column.title = QStringLiteral("Research");
        column.position = QPointF(60, 1540);
        f.controller.addCategoryComponent(column, nullptr);
        menuItem(menu.get(), QStringLiteral("Category View"))->trigger();
        QCOMPARE(f.controller.components().size(), 3);
        QCOMPARE(f.controller.nextCategoryPosition(), QPointF(2240, 1540));

        // Deleting the category removes its column; a UUID as text does not.
        post("categoryDeleted", {{"categoryId", column.id.toString()}});
        QCOMPARE(f.controller.components().size(), 3);
        post("categoryDeleted", {{"categoryId", column.id}});
        QCOMPARE(f.controller.components().size(), 2);
        QCOMPARE(f.canvas()->components().size(), 4);
    }

    // The window's toolbar items drive the controller: zoom steps keep the centre in place and
    // write the label; reset returns to the start.
    void toolbarZoomsAndResets()
    {
        FakeScheduler clock;
        std::unique_ptr<ModelContainer> store = memoryStore();
        EnhancedCanvasViewController *controller = nullptr;
        NSCanvasWindowManager manager([&store] { return std::make_shared<ModelContext>(store.get()); },
                                      [&controller] {
                                          auto c = std::make_unique<EnhancedCanvasViewController>();
                                          controller = c.get();
                                          return c;
                                      });
        clock.runPending();
        QVERIFY(controller);
        QCOMPARE(controller->enhancedCanvasView()->components().size(), 1);
        auto *toolbar = new QToolBar(manager.window());
        for (const char *id : {"zoom.out", "zoom.level", "zoom.in", "reset.view"})
            toolbar->addAction(manager.toolbarItem(QString::fromLatin1(id), toolbar));
        auto *label = manager.window()->findChild<QLineEdit *>(QStringLiteral("zoomLevelField"));
        QVERIFY(label);
        auto item = [toolbar](const char *id) { return toolbar->findChild<QAction *>(QString::fromLatin1(id)); };

        const QSizeF viewSize = controller->view()->size();
        const QPointF centre(viewSize.width() / 2, viewSize.height() / 2);
        const QPointF under = controller->viewport().toCanvas(centre);
        const QStringList labels{"82%", "90%", "99%", "100%", "100%"};
        for (const QString &expected : labels) {
            item("zoom.in")->trigger();
            QCOMPARE(label->text(), expected);
            QVERIFY((controller->viewport().toView(under) - centre).manhattanLength() < 1e-6);
            QCOMPARE(controller->enhancedCanvasView()->canvasViewport(), controller->viewport());
        }
        item("zoom.out")->trigger();
        QCOMPARE(label->text(), QStringLiteral("90%"));

        // What is drawn follows the viewport.
        const NSCanvasComponentPtr welcome = controller->enhancedCanvasView()->components().first();
        const QPointF drawn = controller->enhancedCanvasView()->mapFromScene(welcome->frame().bottomRight());
        const QRectF frame = controller->enhancedCanvasView()->viewFrame(*welcome);
        QVERIFY(qAbs(drawn.x() - frame.right()) <= 1 && qAbs(drawn.y() - frame.bottom()) <= 1);

        item("reset.view")->trigger();
        QCOMPARE(controller->scale(), 0.75);
        QCOMPARE(controller->offset(), EnhancedCanvasViewController::defaultOffset());
        QCOMPARE(label->text(), QStringLiteral("75%"));
        QCOMPARE(controller->enhancedCanvasView()->canvasViewport(), controller->viewport());
    }

    // Above 20 controller components a viewport change also asks for the exact frames off the
    // main thread; the welcome component does not count.
    void largeCanvasComputesFramesOffMain_data()
    {
        QTest::addColumn<int>("columns");
        QTest::addColumn<bool>("scheduled");
        QTest::newRow("20") << 20 << false;
        QTest::newRow("21") << 21 << true;
    }
    void largeCanvasComputesFramesOffMain()
    {
        QFETCH(int, columns);
        QFETCH(bool, scheduled);
        CanvasFixture f;
        f.controller.view()->hide();
        for (int i = 0; i < columns; ++i) {
            CategoryModel column;
            column.id = QUuid::createUuid();
            column.title = QStringLiteral("Column %1").arg(i);
            column.position = QPointF(60 + 2180 * i, 1540);
            f.controller.addCategoryComponent(column, nullptr);
        }
        // The columns' height reports land first: the frames compared below are of settled columns.
        for (int turn = 0; turn < 3; ++turn) {
            QCoreApplication::sendPostedEvents();
            f.clock.advance(0);
        }
        f.controller.zoomStep(true);
        QCOMPARE(f.controller.threadingManager()->hasPendingUpdate(), scheduled);
        // The canvas is hidden: its timing loop does not run.
        QVERIFY(!f.controller.threadingManager()->isTimingMonitorRunning());
        f.clock.advance(CanvasThreadingManager::debounceMs);
        if (scheduled) {
            QTRY_COMPARE(f.canvas()->computedFrames().size(), columns);
            const NSCanvasComponentPtr first = f.controller.components().first();
            QCOMPARE(f.canvas()->computedFrames().value(first->id()), f.canvas()->viewFrame(*first));
        } else {
            QTest::qWait(10);
            QVERIFY(f.canvas()->computedFrames().isEmpty());
        }
    }

    // The timing loop runs only while the canvas window is on screen.
    void timingLoopFollowsTheWindow()
    {
        FakeScheduler clock;
        std::unique_ptr<ModelContainer> store = memoryStore();
        EnhancedCanvasViewController *controller = nullptr;
        NSCanvasWindowManager manager([&store] { return std::make_shared<ModelContext>(store.get()); },
                                      [&controller] {
                                          auto c = std::make_unique<EnhancedCanvasViewController>();
                                          controller = c.get();
                                          return c;
                                      });
        clock.runPending();
        for (int i = 0; i < 21; ++i) {
            CategoryModel column;
            column.id = QUuid::createUuid();
            column.position = QPointF(60 + 2180 * i, 1540);
            controller->addCategoryComponent(column, nullptr);
        }
        CanvasThreadingManager *threading = controller->threadingManager();
        controller->zoomStep(true);
        QVERIFY(!threading->isTimingMonitorRunning());
        manager.window()->show();
        controller->zoomStep(true);
        QVERIFY(threading->isTimingMonitorRunning());
        manager.window()->hide();
        QVERIFY(!threading->isTimingMonitorRunning());
    }

    void resetCommand_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("cancel") << 1;
        QTest::newRow("reset") << 0;
    }
    void resetCommand()
    {
        QFETCH(int, answer);
        CanvasFixture f;
        f.context->insert(new CategoryData(QUuid::createUuid(), QStringLiteral("Research"), QDateTime::currentDateTimeUtc(), 60, 1540));
        f.context->save();
        f.controller.addWebView();
        QStringList titles;
        ModalPrompt::setResponder([&](const PromptRequest &r) {
            titles << r.title << r.text << r.buttons;
            return answer;
        });
        std::unique_ptr<QMenu> menu(f.controller.makeAddComponentMenu());
        menuItem(menu.get(), QStringLiteral("🧹 Clear All Databases"))->trigger();
        QCOMPARE(titles, (QStringList{"Reset Canvas & Database?",
                                      "This will remove all data and reset the canvas. This action cannot be undone.", "Reset",
                                      "Cancel"}));
        f.clock.runPending();

        const QList<CategoryData *> categories = f.context->fetch<CategoryData>();
        if (answer == 1) {
            QCOMPARE(categories.size(), 1);
            QCOMPARE(categories.first()->title(), QStringLiteral("Research"));
            QCOMPARE(f.controller.components().size(), 1);
            QCOMPARE(f.canvas()->components().size(), 2);
            return;
        }
        QCOMPARE(categories.size(), 1);
        QCOMPARE(categories.first()->title(), QStringLiteral("All Tasks"));
        QCOMPARE(f.context->fetch<AppIconData>().size(), 28);
        QVERIFY(f.controller.components().isEmpty());
        QCOMPARE(f.canvas()->components().size(), 1);
        QCOMPARE(f.canvas()->components().first()->type().kind(), EnhancedComponentType::Kind::welcomeView);
        QVERIFY(silence.contains(QStringLiteral("Successfully reset database and canvas")));
    }

    void overlaysOpenOnceAndCloseOnAPress()
    {
        CanvasFixture f;
        post("showCanvasAppStoreOverlay");
        post("showCanvasAppStoreOverlay");
        QVERIFY(f.controller.isAppStoreOverlayVisible());
        QWidget *store = f.controller.appStoreOverlayView();
        QVERIFY(store);
        QCOMPARE(store->geometry(), f.controller.view()->rect());
        QCOMPARE(f.controller.view()->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly).last(), store);
        QTest::mouseClick(store, Qt::LeftButton);
        QVERIFY(!f.controller.isAppStoreOverlayVisible());
        f.clock.advance(EnhancedCanvasViewController::overlayFadeOutMs); // it fades out first
        QVERIFY(!f.controller.appStoreOverlayView());

        post("showCanvasProfileOverlay");
        post("showTutorialOverlay");
        QVERIFY(f.controller.isProfileOverlayVisible());
        QVERIFY(f.controller.isTutorialOverlayVisible());
    }
};

TAVO_TEST_MAIN(TestCanvasController)
#include "tst_canvas_controller.moc"
