#include "FakeScheduler.h"
#include "TestMain.h"
#include "widgets/BaseWindowManager.h"

// A manager whose window exists from the start, counting the calls the base dispatches.
class CountingManager : public BaseWindowManager {
public:
    CountingManager() { buildWindow(); }
    ~CountingManager() override { cleanup(); }
    void buildWindow()
    {
        auto *w = new QWidget;
        w->resize(100, 80);
        setWindow(w);
    }
    void show() override
    {
        ++shows;
        BaseWindowManager::show();
    }
    void hide() override
    {
        ++hides;
        BaseWindowManager::hide();
    }
    void positionWindow() override { ++positions; }
    int shows = 0, hides = 0, positions = 0;
};

class TestBaseWindowManager : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fadesInAndOut()
    {
        FakeScheduler clock;
        CountingManager m;
        m.show();
        QVERIFY(m.isAnimating());
        QVERIFY(m.window()->isVisible());
        QCOMPARE(m.positions, 1);
        QCOMPARE(m.window()->windowOpacity(), 0.0);
        clock.advance(150);
        QVERIFY(m.window()->windowOpacity() > 0.3 && m.window()->windowOpacity() < 0.7);
        clock.advance(150);
        QVERIFY(!m.isAnimating());
        QCOMPARE(m.window()->windowOpacity(), 1.0);

        m.hide();
        QVERIFY(m.isAnimating());
        QVERIFY(m.window()->isVisible());
        clock.advance(300);
        QVERIFY(!m.isAnimating());
        QVERIFY(!m.window()->isVisible());
        QCOMPARE(m.window()->windowOpacity(), 0.0);
    }

    void requestsDuringAFade_data()
    {
        QTest::addColumn<bool>("startShown");
        QTest::addColumn<QString>("during"); // s = show, h = hide, in order
        QTest::addColumn<bool>("endsShown");
        QTest::addColumn<int>("extraShows"); // show() calls replayed
        QTest::newRow("hide during fade-in ends hidden") << false << "h" << false << 0;
        QTest::newRow("hide then show during fade-in ends shown") << false << "hs" << true << 1;
        QTest::newRow("show during fade-out fades in again") << true << "s" << true << 1;
        QTest::newRow("show then hide during fade-out ends hidden") << true << "sh" << false << 0;
    }
    void requestsDuringAFade()
    {
        QFETCH(bool, startShown);
        QFETCH(QString, during);
        QFETCH(bool, endsShown);
        QFETCH(int, extraShows);
        FakeScheduler clock;
        CountingManager m;
        if (startShown) {
            m.show();
            clock.advance(300);
            m.hide();
        } else {
            m.show();
        }
        const int showsBefore = m.shows;
        for (QChar c : during) {
            if (c == u's')
                m.show();
            else
                m.hide();
        }
        QCOMPARE(m.pendingVisibilityState(), std::optional<bool>(during.endsWith(u's')));
        clock.advance(2000);
        QVERIFY(!m.isAnimating());
        QVERIFY(!m.pendingVisibilityState());
        QCOMPARE(m.window()->isVisible(), endsShown);
        QCOMPARE(m.window()->windowOpacity(), endsShown ? 1.0 : 0.0);
        // The replay goes through the virtual show(): an override's steps run again.
        QCOMPARE(m.shows - showsBefore - int(during.count(u's')), extraShows);
    }

    void idleRequestsLeaveTheQueueAlone()
    {
        FakeScheduler clock;
        CountingManager m;
        m.hide(); // hidden already
        QVERIFY(!m.isAnimating());
        m.show();
        clock.advance(300);
        m.show(); // visible already
        QVERIFY(!m.isAnimating());
        QCOMPARE(m.positions, 1);
    }

    void noWindowNoEffect()
    {
        FakeScheduler clock;
        CountingManager m;
        m.cleanup();
        QVERIFY(!m.window());
        m.show();
        QVERIFY(!m.isAnimating());
        QVERIFY(!m.pendingVisibilityState());
        QCOMPARE(m.positions, 0);
    }

    void lateCompletionAfterCleanupDoesNothing()
    {
        FakeScheduler clock;
        CountingManager m;
        m.show();
        clock.advance(100);
        m.hide(); // queued
        m.cleanup();
        QVERIFY(!m.window());
        QVERIFY(!m.isAnimating());
        QVERIFY(!m.pendingVisibilityState());

        // A new window and a new fade start before the old fade would have ended.
        m.buildWindow();
        m.show();
        QPointer<QWidget> fresh = m.window();
        const int hidesBefore = m.hides;
        clock.advance(250); // the old fade's end passes here
        QVERIFY(m.isAnimating());
        QVERIFY(fresh->isVisible());
        clock.advance(50);
        QVERIFY(!m.isAnimating());
        QVERIFY(fresh->isVisible());
        QCOMPARE(fresh->windowOpacity(), 1.0);
        QCOMPARE(m.hides, hidesBefore);
    }

    void releaseDuringAFade()
    {
        FakeScheduler clock;
        QPointer<QWidget> window;
        {
            CountingManager m;
            m.show();
            window = m.window();
            clock.advance(100);
        }
        clock.advance(1000); // nothing runs on the released manager
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!window);
    }
};

TAVO_TEST_MAIN(TestBaseWindowManager)
#include "tst_base_window_manager.moc"
