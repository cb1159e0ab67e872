#include "TestMain.h"
#include "PanelFixture.h"
#include "windows/PanelWindowManager.h"

Q_DECLARE_METATYPE(ScreenFrames)

// The floating panel's window: placement at the right screen edge, height fitted to the view,
// the appearance notifications around the base fades, and tear-down.
class TestPanelWindow : public QObject {
    Q_OBJECT

    static ScreenFrames screen(QRectF frame, QRectF available) { return ScreenFrames{frame, frame, available}; }

private Q_SLOTS:
    void placement_data()
    {
        QTest::addColumn<ScreenFrames>("frames");
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("dock at the bottom") << screen({0, 0, 1920, 1080}, {0, 25, 1920, 985}) << 420.0 << 300.0
                                            << QRect(1500, 710, 420, 300);
        QTest::newRow("no dock") << screen({0, 0, 1920, 1080}, {0, 0, 1920, 1080}) << 420.0 << 500.0
                                 << QRect(1500, 580, 420, 500);
        QTest::newRow("dock on the right keeps the screen edge") << screen({0, 0, 1600, 900}, {0, 0, 1500, 900}) << 420.0 << 100.0
                                                                 << QRect(1180, 800, 420, 100);
        QTest::newRow("second screen to the right") << screen({1920, 0, 1280, 1024}, {1920, 0, 1280, 990}) << 420.0 << 200.0
                                                    << QRect(2780, 790, 420, 200);
        QTest::newRow("wider than the screen") << screen({0, 0, 400, 800}, {0, 0, 400, 800}) << 420.0 << 100.0
                                               << QRect(0, 700, 420, 100);
    }
    void placement()
    {
        QFETCH(ScreenFrames, frames);
        QFETCH(double, width);
        QFETCH(double, height);
        QFETCH(QRect, expected);
        QCOMPARE(PanelWindowManager::panelFrame(frames, width, height), expected);
    }

    void showFitsAndDocksThePanel()
    {
        PanelFixture f;
        for (int i = 0; i < 3; ++i)
            f.addTask(QStringLiteral("T%1").arg(i));
        PanelWindowManager manager(f.coordinator.container.mainContext()->container());
        const ScreenFrames frames = screen({0, 0, 1920, 1200}, {0, 0, 1920, 1160});
        manager.setScreenFramesProvider([frames] { return std::optional<ScreenFrames>(frames); });
        manager.setMainViewModel(&f.vm());
        manager.show();
        QCOMPARE(f.spy.count(QStringLiteral("PanelViewWillAppear")), 1);
        QVERIFY(manager.window());
        QVERIFY(manager.window()->isVisible());
        QVERIFY(manager.hostingView());
        QVERIFY(!(manager.window()->windowFlags() & Qt::WindowDoesNotAcceptFocus));
        f.clock.advance(300);
        QCOMPARE(manager.window()->windowOpacity(), 1.0);
        // Expanded list of three tasks: 434 high, under the header.
        const int expected = 8 + 434 + 8 + 32;
        QCOMPARE(manager.window()->geometry(), QRect(1500, 1160 - expected, 420, expected));
        QCOMPARE(manager.hostingView()->geometry(), QRect(0, 0, 420, expected));

        // Collapsing re-fits the window once the view asks for it.
        manager.hostingView()->toggleCollapsed();
        f.clock.advance(350);
        const int collapsed = 8 + 140 + 8 + 32;
        QCOMPARE(manager.window()->geometry(), QRect(1500, 1160 - collapsed, 420, collapsed));

        // Shown again while visible: announced again, no new fade.
        manager.show();
        QCOMPARE(f.spy.count(QStringLiteral("PanelViewWillAppear")), 2);
        QVERIFY(!manager.isAnimating());

        manager.hide();
        QCOMPARE(f.spy.count(QStringLiteral("PanelViewDidDisappear")), 1);
        QVERIFY(!manager.hostingView()->viewState()->isAnimating());
        f.clock.advance(300);
        QVERIFY(!manager.window()->isVisible());
        manager.hide(); // already hidden: nothing fades, still announced
        QVERIFY(!manager.isAnimating());
        QCOMPARE(f.spy.count(QStringLiteral("PanelViewDidDisappear")), 2);
    }

    void withoutCoordinatorOrContent()
    {
        PanelFixture f;
        PanelWindowManager manager(f.coordinator.container.mainContext()->container());
        manager.setScreenFramesProvider([] { return std::optional<ScreenFrames>(ScreenFrames{{0, 0, 800, 600}, {0, 0, 800, 600}, {0, 0, 800, 600}}); });
        manager.show();
        QVERIFY(f.logged(QStringLiteral("PanelWindowManager: MainViewModel is not set")));
        QVERIFY(manager.window()->isVisible());
        QVERIFY(!manager.hostingView());
        QCOMPARE(manager.window()->size(), QSize(420, 100));
        CoordinatorFixture::log().clear();
        NotificationCenter::defaultCenter().post(QStringLiteral("panelSizeShouldUpdate"));
        QVERIFY(f.logged(QStringLiteral("PanelWindowManager: Hosting controller is nil")));
        QCOMPARE(manager.window()->geometry(), QRect(380, 500, 420, 100));

        // No screen: neither size nor place changes.
        manager.setScreenFramesProvider([] { return std::optional<ScreenFrames>(); });
        manager.positionWindow();
        QCOMPARE(manager.window()->geometry(), QRect(380, 500, 420, 100));
    }

    void cleanupDropsThePanelAndShowBuildsANewOne()
    {
        PanelFixture f;
        f.addTask(QStringLiteral("task"));
        PanelWindowManager manager(f.coordinator.container.mainContext()->container());
        manager.setMainViewModel(&f.vm());
        manager.show();
        f.clock.advance(300);
        QPointer<QWidget> first = manager.window();
        QPointer<FloatingPanelView> firstView = manager.hostingView();
        f.spy.clear();
        manager.cleanup();
        QVERIFY(!manager.window());
        QVERIFY(!manager.hostingView());
        QCOMPARE(f.spy.count(QStringLiteral("PanelViewDidDisappear")), 1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first);
        QVERIFY(!firstView);
        manager.cleanup(); // a second run only resets
        manager.show();
        QVERIFY(manager.window());
        QVERIFY(manager.window() != first);
        QVERIFY(manager.hostingView());
        QCOMPARE(manager.notificationObservers().size(), 1);
    }
};

TAVO_TEST_MAIN(TestPanelWindow)
#include "tst_panel_window.moc"
