#include "FakeScheduler.h"
#include "NotificationSpy.h"
#include "TestMain.h"
#include "WindowFakes.h"
#include "windows/NSCanvasWindowManager.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

// A controller that records what the window asks of it.
class FakeCanvasController : public CanvasControllerInterface {
public:
    FakeCanvasController()
        : m_view(new QWidget)
        , m_canvas(new QWidget(m_view))
    {
    }
    ~FakeCanvasController() override { delete m_view; }
    QWidget *view() override { return m_view; }
    QWidget *canvasView() override { return m_canvas; }
    void setup(std::shared_ptr<QObject> context, QObject *coordinator) override
    {
        setups.append({context, coordinator});
    }
    qreal scale() const override { return m_scale; }
    void setScale(qreal s) override { m_scale = s; }
    void setIsFullscreen(bool f) override { fullscreen = f; }
    void updateZoomLevelLabel() override { calls << QStringLiteral("label"); }
    void adjustOffsetForZoom(qreal o, qreal n) override { calls << QStringLiteral("offset %1 %2").arg(o).arg(n); }
    void applyTransform() override { calls << QStringLiteral("transform"); }
    void resetView() override { calls << QStringLiteral("reset"); }
    QMenu *makeAddComponentMenu() override { return nullptr; }
    void showAddComponentMenu(QMenu *) override { calls << QStringLiteral("menu"); }

    struct Setup {
        std::shared_ptr<QObject> context;
        QObject *coordinator;
    };
    QList<Setup> setups;
    QStringList calls;
    bool fullscreen = false;
    qreal m_scale = 0.75;

private:
    QPointer<QWidget> m_view;
    QPointer<QWidget> m_canvas;
};

class TestCanvasWindow : public QObject {
    Q_OBJECT

    FakeCanvasController *m_controller = nullptr;
    int m_contexts = 0;

    std::unique_ptr<NSCanvasWindowManager> makeManager()
    {
        m_contexts = 0;
        return std::make_unique<NSCanvasWindowManager>(
            [this] {
                ++m_contexts;
                return std::make_shared<QObject>();
            },
            [this] {
                auto c = std::make_unique<FakeCanvasController>();
                m_controller = c.get();
                return c;
            });
    }

private Q_SLOTS:
    void buildsItsWindowAndSetsUpTheController()
    {
        FakeScheduler clock;
        auto canvas = makeManager();
        QVERIFY(canvas->window());
        QCOMPARE(canvas->window()->windowTitle(), QStringLiteral("Orlune Canvas"));
        QCOMPARE(canvas->window()->minimumSize(), QSize(1300, 760));
        QVERIFY(canvas->window()->width() >= 1300);
        QCOMPARE(m_controller->view()->parentWidget(), canvas->window());
        QVERIFY(m_controller->setups.isEmpty());

        QObject coordinator;
        clock.runPending(); // the model context arrives on the next turn
        QCOMPARE(m_controller->setups.size(), 1);
        QVERIFY(m_controller->setups[0].context);
        QCOMPARE(m_controller->setups[0].coordinator, nullptr);
        canvas->setMainViewModel(&coordinator);
        clock.runPending();
        QCOMPARE(m_controller->setups.size(), 2);
        QCOMPARE(m_controller->setups[1].coordinator, &coordinator);
        QVERIFY(m_controller->setups[1].context != m_controller->setups[0].context);
        QCOMPARE(m_contexts, 2);
    }

    void showGoesFullScreenAndHideLeavesIt()
    {
        FakeScheduler clock;
        NotificationSpy spy;
        auto canvas = makeManager();
        clock.runPending();
        canvas->show();
        QCOMPARE(spy.count("EnhancedCanvasViewWillAppear"), 1);
        QVERIFY(canvas->window()->isVisible());
        clock.advance(499);
        QVERIFY(!canvas->window()->isFullScreen());
        clock.advance(1);
        QVERIFY(canvas->window()->isFullScreen());
        QVERIFY(m_controller->fullscreen);
        QCOMPARE(spy.count("canvasWindowDidEnterFullScreen"), 1);
        QCOMPARE(m_controller->canvasView()->geometry(), m_controller->view()->rect());

        // Shown again while visible: no fade, no full-screen change.
        canvas->show();
        QCOMPARE(spy.count("EnhancedCanvasViewWillAppear"), 2);
        QVERIFY(!canvas->isAnimating());

        canvas->hide();
        QVERIFY(!canvas->window()->isFullScreen());
        QVERIFY(!m_controller->fullscreen);
        clock.advance(299);
        QVERIFY(!canvas->isAnimating());
        QCOMPARE(spy.count("EnhancedCanvasViewDidDisappear"), 0);
        clock.advance(1);
        QVERIFY(canvas->isAnimating());
        QCOMPARE(spy.count("EnhancedCanvasViewDidDisappear"), 1);
        clock.advance(300);
        QVERIFY(!canvas->window()->isVisible());

        // Hiding a hidden window still says so, 0.3 s later.
        canvas->hide();
        clock.advance(300);
        QCOMPARE(spy.count("EnhancedCanvasViewDidDisappear"), 2);
        QCOMPARE(spy.count("canvasWindowDidEnterFullScreen"), 1);
    }

    void showSoonAfterHideEndsShown()
    {
        FakeScheduler clock;
        auto canvas = makeManager();
        canvas->show();
        clock.advance(1000);
        canvas->hide();
        clock.advance(100);
        canvas->show(); // before the delayed hide step
        clock.advance(2000);
        QVERIFY(canvas->window()->isVisible());
        QCOMPARE(canvas->window()->windowOpacity(), 1.0);

        canvas->hide();
        clock.advance(400); // now fading out
        QVERIFY(canvas->isAnimating());
        canvas->show();
        clock.advance(2000);
        QVERIFY(canvas->window()->isVisible());
        QVERIFY(canvas->window()->isFullScreen());
    }

    void hideBeforeTheFullScreenSwitchCancelsIt()
    {
        FakeScheduler clock;
        auto canvas = makeManager();
        canvas->show();
        clock.advance(100);
        canvas->hide();
        clock.advance(2000);
        QVERIFY(!canvas->window()->isVisible());
        QVERIFY(!canvas->window()->isFullScreen());
    }

    void zoomClamps_data()
    {
        QTest::addColumn<double>("start");
        QTest::addColumn<bool>("in");
        QTest::addColumn<double>("result");
        QTest::newRow("in from 0.75") << 0.75 << true << 0.825;
        QTest::newRow("in at the top") << 1.0 << true << 1.0;
        QTest::newRow("in near the top") << 0.95 << true << 1.0;
        QTest::newRow("out from 0.75") << 0.75 << false << 0.75 / 1.1;
        QTest::newRow("out at the bottom") << 0.2 << false << 0.2;
        QTest::newRow("out near the bottom") << 0.21 << false << 0.2;
    }
    void zoomClamps()
    {
        QFETCH(double, start);
        QFETCH(bool, in);
        QFETCH(double, result);
        FakeScheduler clock;
        auto canvas = makeManager();
        m_controller->m_scale = start;
        in ? canvas->zoomIn() : canvas->zoomOut();
        QVERIFY(qAbs(m_controller->scale() - result) < 1e-12);
        // The three updates run in order, also when the scale stays.
        QCOMPARE(m_controller->calls.size(), 3);
        QCOMPARE(m_controller->calls[0], QStringLiteral("label"));
        QCOMPARE(m_controller->calls[1], QStringLiteral("offset %1 %2").arg(start).arg(m_controller->scale()));
        QCOMPARE(m_controller->calls[2], QStringLiteral("transform"));
    }

    void closeButtonHidesAndTheWindowSurvives()
    {
        FakeScheduler clock;
        RecordingUsageEvents usage;
        auto canvas = makeManager();
        canvas->show();
        clock.advance(1000);
        QPointer<QWidget> w = canvas->window();
        w->close();
        QCOMPARE(usage.events().size(), 1);
        QCOMPARE(usage.events()[0].event, QStringLiteral("canvas_interaction"));
        QCOMPARE(usage.events()[0].properties.value("action").toString(), QStringLiteral("close"));
        QCOMPARE(usage.events()[0].properties.value("source").toString(), QStringLiteral("close_button"));
        clock.advance(1000);
        QVERIFY(w);
        QVERIFY(!w->isVisible());
        canvas->show();
        clock.advance(300);
        QVERIFY(w->isVisible());
    }

    void cleanupAndRebuild()
    {
        FakeScheduler clock;
        NotificationSpy spy;
        RecordingUsageEvents usage;
        auto canvas = makeManager();
        canvas->show();
        clock.advance(1000);
        canvas->cleanup();
        QVERIFY(!canvas->window());
        clock.advance(1000);
        QCOMPARE(spy.count("EnhancedCanvasViewDidDisappear"), 1);
        QVERIFY(usage.events().isEmpty()); // no "close" of a button nobody pressed
        canvas->show();
        QVERIFY(canvas->window());
        clock.advance(1000);
        QVERIFY(canvas->window()->isVisible());
    }

    void toolbarVocabulary()
    {
        FakeScheduler clock;
        auto canvas = makeManager();
        QCOMPARE(NSCanvasWindowManager::toolbarDefaultItemIdentifiers().size(), 8);
        QCOMPARE(NSCanvasWindowManager::toolbarAllowedItemIdentifiers().first(), QStringLiteral("add.component"));
        QObject owner;
        QAction *zoomIn = canvas->toolbarItem(QStringLiteral("zoom.in"), &owner);
        QVERIFY(zoomIn);
        QCOMPARE(zoomIn->text(), QStringLiteral("Zoom In"));
        QCOMPARE(zoomIn->toolTip(), QStringLiteral("Zoom In Canvas"));
        zoomIn->trigger();
        QCOMPARE(m_controller->calls.first(), QStringLiteral("label"));
        QVERIFY(canvas->toolbarItem(QStringLiteral("zoom.level"), &owner));
        QVERIFY(!canvas->toolbarItem(QStringLiteral("nope"), &owner));
    }
};

TAVO_TEST_MAIN(TestCanvasWindow)
#include "tst_canvas_window.moc"
