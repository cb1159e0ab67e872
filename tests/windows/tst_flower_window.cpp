#include "FakeScheduler.h"
#include "NotificationSpy.h"
#include "Platform/Settings.h"
#include "TestMain.h"
#include "WindowFakes.h"
#include "widgets/FlowerAnimationView.h"
#include "windows/FlowerWindowManager.h"
#include "windows/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace {
// A 1920 × 1080 primary screen with a 40 pt bar at the bottom.
ScreenFrames screen()
{
    return ScreenFrames{QRectF(0, 0, 1920, 1080), QRectF(0, 0, 1920, 1080), QRectF(0, 0, 1920, 1040)};
}
}

class TestFlowerWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        Settings::instance().remove(FlowerWindowManager::originKey);
    }

    void placement_data()
    {
        QTest::addColumn<bool>("visible");
        QTest::addColumn<double>("intendedX"); // NaN: none
        QTest::addColumn<QPointF>("saved");    // NaN x: none
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("centre");
        const double none = std::nan("");
        const QPointF noSaved(none, 0);
        QTest::newRow("nothing saved: centred") << false << none << noSaved << 840.0 << 960.0;
        QTest::newRow("saved x kept") << false << none << QPointF(100, 900) << 100.0 << 220.0;
        QTest::newRow("saved x beyond the right edge clamped") << false << none << QPointF(5000, 3) << 1680.0 << 5120.0;
        QTest::newRow("saved x left of the screen clamped") << false << none << QPointF(-300, 3) << 0.0 << -180.0;
        QTest::newRow("visible keeps its centre") << true << 500.0 << QPointF(100, 0) << 380.0 << 500.0;
        QTest::newRow("hidden ignores the centre") << false << 500.0 << QPointF(100, 0) << 100.0 << 220.0;
        QTest::newRow("visible centre clamped") << true << 1900.0 << noSaved << 1680.0 << 1900.0;
    }
    void placement()
    {
        QFETCH(bool, visible);
        QFETCH(double, intendedX);
        QFETCH(QPointF, saved);
        QFETCH(double, x);
        QFETCH(double, centre);
        const QRectF vf(0, 40, 1920, 1040); // design coordinates: the bar at the bottom
        const auto p = WindowPlacement::flowerFrame(vf, visible, std::isnan(intendedX) ? std::nullopt : std::optional<qreal>(intendedX),
                                                    std::isnan(saved.x()) ? std::nullopt : std::optional<QPointF>(saved));
        QCOMPARE(p.frame.x(), x);
        QCOMPARE(p.frame.y(), 76.0); // 36 above the visible frame's bottom; the saved y never counts
        QCOMPARE(p.frame.size(), QSizeF(240, 240));
        QCOMPARE(p.intendedCenterX, centre);
    }

    void coordinatesTurnOver()
    {
        const QRectF primary(0, 0, 1920, 1080);
        const QRectF qt(840, 764, 240, 240);
        const QRectF design = WindowPlacement::toDesign(qt, primary);
        QCOMPARE(design, QRectF(840, 76, 240, 240));
        QCOMPARE(WindowPlacement::toQt(design, primary), qt);
        QCOMPARE(WindowPlacement::dockHeightFallback(primary, QRectF(0, 0, 1920, 1040)), 40.0);
        // The Dock height is always the fallback, from the real primary screen: its frame's
        // height minus its available frame's.
        const QScreen *real = QGuiApplication::primaryScreen();
        QVERIFY(real);
        QCOMPARE(DockHeightManager::getDockHeight(), qreal(real->geometry().height() - real->availableGeometry().height()));
    }

    void savedOrigin_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("valid");
        QTest::newRow("numbers") << QVariant(QVariantMap{{"x", 12.0}, {"y", 3}}) << true;
        QTest::newRow("not a map") << QVariant(QStringLiteral("12,3")) << false;
        QTest::newRow("x is text") << QVariant(QVariantMap{{"x", "12"}, {"y", 3}}) << false;
        QTest::newRow("no y") << QVariant(QVariantMap{{"x", 12}}) << false;
        QTest::newRow("another entry not a number") << QVariant(QVariantMap{{"x", 1}, {"y", 2}, {"z", "a"}}) << false;
    }
    void savedOrigin()
    {
        QFETCH(QVariant, stored);
        QFETCH(bool, valid);
        Settings::instance().setValue(FlowerWindowManager::originKey, stored);
        const auto origin = FlowerWindowManager::loadSavedOrigin();
        QCOMPARE(origin.has_value(), valid);

        FakeScheduler clock;
        FlowerWindowManager flower(nullptr);
        flower.setScreenFramesProvider([] { return screen(); });
        flower.showFlowerWindow();
        clock.runPending();
        const QRect g = flower.window()->geometry();
        QCOMPARE(g.x(), valid ? 12 : 840);
        QCOMPARE(g.y(), 764);
        QCOMPARE(g.size(), QSize(240, 240));
    }

    void movesAreSavedOnlyAfterTheQuietPeriod()
    {
        FakeScheduler clock;
        FlowerWindowManager flower(nullptr);
        flower.setScreenFramesProvider([] { return screen(); });
        flower.showFlowerWindow();
        clock.runPending();
        QCoreApplication::processEvents();
        QVERIFY(flower.isProgrammaticallyResizing());

        flower.window()->move(300, 500);
        QCoreApplication::processEvents();
        QVERIFY(!FlowerWindowManager::loadSavedOrigin());

        clock.advance(399);
        QVERIFY(flower.isProgrammaticallyResizing());
        clock.advance(1);
        QVERIFY(!flower.isProgrammaticallyResizing());
        flower.window()->move(200, 600);
        QTRY_VERIFY(FlowerWindowManager::loadSavedOrigin().has_value());
        const QPointF saved = *FlowerWindowManager::loadSavedOrigin();
        QCOMPARE(saved.x(), 200.0);
        QCOMPARE(saved.y(), 1080.0 - 600 - 240); // the design's y, counted from the bottom
        QCOMPARE(flower.intendedCenterX(), std::optional<qreal>(320));

        // The next placement keeps the dropped centre and goes back to the bottom.
        flower.positionWindow();
        QCOMPARE(flower.window()->geometry(), QRect(200, 764, 240, 240));
    }

    void tapsStartAndStopARecording()
    {
        FakeScheduler clock;
        NotificationSpy spy;
        ScriptedRecorder audio;
        RecordingUsageEvents usage;
        FlowerWindowManager flower(&audio);
        flower.setScreenFramesProvider([] { return screen(); });
        flower.showFlowerWindow();
        clock.runPending();

        flower.handleFlowerTap();
        QCOMPARE(audio.starts, QStringList{"flower"});
        QVERIFY(flower.isRecording());
        QVERIFY(flower.isExpanded());
        QVERIFY(!flower.flowerView()->options().isCompact);
        QCOMPARE(spy.count("FlowerViewWillAppear"), 1);
        QVERIFY(usage.events().isEmpty()); // reported after the recording step
        clock.runPending();
        QCOMPARE(usage.events().size(), 1);
        QCOMPARE(usage.events()[0].event, QStringLiteral("voice_recording"));
        QVariantMap props = usage.events()[0].properties;
        QCOMPARE(props.value("action").toString(), QStringLiteral("start"));
        QCOMPARE(props.value("source").toString(), QStringLiteral("flower"));
        QVERIFY(!props.contains("duration_seconds"));
        QCOMPARE(flower.flowerView()->labelText(), QStringLiteral("Listening... Tap to Finish"));

        flower.handleFlowerTap();
        QCOMPARE(audio.stops, QStringList{"FlowerWindow"});
        QVERIFY(!flower.isRecording());
        clock.runPending();
        QCOMPARE(usage.events().size(), 2);
        props = usage.events()[1].properties;
        QCOMPARE(props.value("action").toString(), QStringLiteral("stop"));
        QCOMPARE(props.value("source").toString(), QStringLiteral("flower"));
        // The flower collapses only once the transcription has ended.
        QVERIFY(flower.isExpanded());
        QCOMPARE(spy.count("FlowerRecordingDidEnd"), 0);
        audio.finishTranscription();
        clock.runPending();
        QVERIFY(!flower.isExpanded());
        QVERIFY(flower.flowerView()->options().isCompact);
        QCOMPARE(spy.count("FlowerRecordingDidEnd"), 1);
    }

    // A refused recording: the flower says why and goes back to rest, no dots left running.
    void refusedRecordingReturnsTheFlowerToRest()
    {
        FakeScheduler clock;
        NotificationSpy spy;
        ScriptedRecorder audio;
        FlowerWindowManager flower(&audio);
        flower.setScreenFramesProvider([] { return screen(); });
        flower.showFlowerWindow();
        clock.runPending();

        NotificationCenter::defaultCenter().post("startFlowerRecording");
        QVERIFY(flower.isRecording());
        audio.refuseStart("Microphone permission denied.");
        clock.runPending();
        QVERIFY(!flower.isRecording());
        QVERIFY(!flower.isExpanded());
        QVERIFY(flower.flowerView()->options().isCompact);
        QCOMPARE(flower.message(), QString("Microphone permission denied."));
        QCOMPARE(flower.flowerView()->labelText(), QString("Microphone permission denied."));
        QCOMPARE(spy.count("FlowerRecordingDidEnd"), 1);
        // A recording of another part (the chat's microphone) is that part's to report.
        audio.beginForeignRecording("chat");
        audio.refuseStart("Microphone permission denied.");
        QCOMPARE(spy.count("FlowerRecordingDidEnd"), 1);
        // The message goes after a while; the next recording starts clean.
        clock.advance(FlowerWindowManager::messageMs);
        clock.runPending();
        QCOMPARE(flower.message(), QString());
        QCOMPARE(flower.flowerView()->labelText(), QString("Talk to Tavo"));
    }

    void coordinatorNotificationsAndForeignRecordings()
    {
        FakeScheduler clock;
        NotificationSpy spy;
        ScriptedRecorder audio;
        FlowerWindowManager flower(&audio);
        flower.setScreenFramesProvider([] { return screen(); });
        flower.showFlowerWindow();
        clock.runPending();

        // Someone else records: the flower expands but starts nothing; its stop stops that one.
        audio.beginForeignRecording(QStringLiteral("chat"));
        QVERIFY(!flower.flowerView()->shouldExpand());
        QCOMPARE(flower.flowerView()->labelText(), QStringLiteral("Talk to Tavo"));
        NotificationCenter::defaultCenter().post(QStringLiteral("startFlowerRecording"));
        QVERIFY(flower.isRecording());
        QVERIFY(audio.starts.isEmpty());
        QCOMPARE(spy.count("FlowerViewWillAppear"), 1);
        NotificationCenter::defaultCenter().post(QStringLiteral("stopFlowerRecording"));
        QCOMPARE(audio.stops, QStringList{"FlowerWindow"});
        audio.finishTranscription();
        clock.runPending();
        QCOMPARE(spy.count("FlowerRecordingDidEnd"), 1);
        // A stop while nothing records does nothing.
        NotificationCenter::defaultCenter().post(QStringLiteral("stopFlowerRecording"));
        QCOMPARE(audio.stops.size(), 1);
    }

    void hidingStopsTheRecordingAndShowingAgainWins()
    {
        FakeScheduler clock;
        ScriptedRecorder audio;
        FlowerWindowManager flower(&audio);
        flower.setScreenFramesProvider([] { return screen(); });
        flower.showFlowerWindow();
        clock.advance(300);
        flower.startRecording();
        flower.hide();
        QVERIFY(!flower.isVisible());
        QCOMPARE(audio.stops, QStringList{"FlowerWindow"});
        QVERIFY(flower.isAnimating());
        // Shown again during the fade-out: the flower ends on screen.
        flower.show();
        QVERIFY(flower.isVisible());
        clock.advance(1000);
        QVERIFY(flower.window()->isVisible());
        QCOMPARE(flower.window()->windowOpacity(), 1.0);
    }

    void flowerWindowFlags()
    {
        FakeScheduler clock;
        FlowerWindowManager flower(nullptr);
        flower.showFlowerWindow();
        const Qt::WindowFlags f = flower.window()->windowFlags();
        QVERIFY(f.testFlag(Qt::Tool));
        QVERIFY(f.testFlag(Qt::FramelessWindowHint));
        QVERIFY(f.testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(f.testFlag(Qt::WindowDoesNotAcceptFocus));
    }

    void petalTargets_data()
    {
        QTest::addColumn<int>("k");
        QTest::addColumn<double>("scale");
        QTest::addColumn<double>("opacity");
        QTest::addColumn<double>("dx");
        QTest::addColumn<double>("dy");
        QTest::newRow("0") << 0 << 0.73 << 0.82 << 2.1 << 0.0;
        QTest::newRow("3") << 3 << 0.8236401229 << 0.8824267486 << 0.0 << 2.7205924340;
        QTest::newRow("12") << 12 << 0.82 << 0.91 << 1.47 << 0.0;
        QTest::newRow("17") << 17 << 0.8564289234 << 0.9282144617 << -1.8833935462 << 1.0873777709;
    }
    void petalTargets()
    {
        QFETCH(int, k);
        QFETCH(double, scale);
        QFETCH(double, opacity);
        QFETCH(double, dx);
        QFETCH(double, dy);
        const auto g = FlowerAnimationView::makePetalGeometry();
        const auto p = FlowerAnimationView::petalTarget(g, k, 0, 0, 0, 0);
        QVERIFY(qAbs(p.scale - scale) < 1e-9);
        QVERIFY(qAbs(p.opacity - opacity) < 1e-9);
        QVERIFY(qAbs(p.dx - dx) < 1e-9);
        QVERIFY(qAbs(p.dy - dy) < 1e-9);
        QCOMPARE(g.petalAngles[13], 40.0);
        QCOMPARE(g.petalAngles[11], 330.0);
        // With moving waves too.
        const auto q = FlowerAnimationView::petalTarget(g, 5, 10.0, 2.0, std::sin(4.0) * 0.5, std::sin(1.0) * 0.4);
        QVERIFY(qAbs(q.scale - 0.6098255759074653) < 1e-9);
        QVERIFY(qAbs(q.dx + 1.1807002565058267) < 1e-9);
    }

    void restStateAndTheTick()
    {
        FakeScheduler clock;
        ScriptedRecorder audio;
        FlowerAnimationView::Options options;
        options.isCompact = true;
        FlowerAnimationView view(&audio, options);
        QCOMPARE(view.petalScales()[0], 0.0); // invisible until the first rest animation
        view.show();
        QVERIFY(!view.isTimerRunning());
        clock.advance(FlowerAnimationView::resetMs + 16);
        for (int k = 0; k < 24; ++k) {
            QCOMPARE(view.petalScales()[size_t(k)], k < 12 ? 0.8 : 0.9);
            QCOMPARE(view.petalOpacities()[size_t(k)], k < 12 ? 0.85 : 0.9);
            QCOMPARE(view.petalOffsets()[size_t(k)], QPointF());
        }

        // Expanded: the 1/30 s tick runs; the phase grows 0.2 per second at silence.
        view.setHovered(true);
        QVERIFY(view.isTimerRunning());
        clock.advance(33 * 30);
        QVERIFY(qAbs(view.phaseAccumulator() - 30 * 0.2 / 30) < 1e-9);
        // At full level the phase runs 126 times faster.
        Q_EMIT audio.audioLevel(1.0f);
        const double before = view.phaseAccumulator();
        clock.advance(33);
        QVERIFY(qAbs(view.phaseAccumulator() - before - 25.2 / 30) < 1e-9);
        Q_EMIT audio.audioLevel(0.0f);

        // Collapsed: the tick stops, the phase stays for the next start.
        view.setHovered(false);
        QVERIFY(!view.isTimerRunning());
        const double kept = view.phaseAccumulator();
        view.setHovered(true);
        clock.advance(33);
        QVERIFY(view.phaseAccumulator() > kept);

        // Off screen: no tick, however expanded.
        view.hide();
        QVERIFY(!view.isTimerRunning());
        view.updateAnimationState();
        QVERIFY(!view.isTimerRunning());
        view.show();
        QVERIFY(view.isTimerRunning());
        // "FlowerViewDidDisappear" freezes the petals where they are.
        NotificationCenter::defaultCenter().post(QStringLiteral("FlowerViewDidDisappear"));
        QVERIFY(!view.isTimerRunning());
    }

    void tapsOnTheDiscAndTheLabel()
    {
        FakeScheduler clock;
        int taps = 0;
        FlowerAnimationView::Options options;
        options.showButtons = false;
        options.alwaysExpanded = true;
        options.onTap = [&] { ++taps; };
        FlowerAnimationView view(nullptr, options);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QPoint disc = view.discRect().center().toPoint();
        QTest::mouseClick(&view, Qt::LeftButton, {}, disc);
        QCOMPARE(taps, 1);
        QVERIFY(view.isTapped());
        // A drag of the disc is no tap.
        QTest::mousePress(&view, Qt::LeftButton, {}, disc);
        QMouseEvent move(QEvent::MouseMove, QPointF(disc + QPoint(10, 0)), view.mapToGlobal(QPointF(disc + QPoint(10, 0))), Qt::NoButton, Qt::LeftButton, {});
        QCoreApplication::sendEvent(&view, &move);
        QVERIFY(view.isDragging());
        QTest::mouseRelease(&view, Qt::LeftButton, {}, disc + QPoint(10, 0));
        QCOMPARE(taps, 1);
        // The label always taps.
        QTest::mouseClick(&view, Qt::LeftButton, {}, view.flowerLabelRect().center().toPoint());
        QCOMPARE(taps, 2);
        // The temporary expansion ends 5 s after the last tap's own follow-up.
        clock.advance(5000);
        QVERIFY(!view.isTapped());
    }

    void temporaryExpansion()
    {
        FakeScheduler clock;
        ScriptedRecorder audio;
        FlowerAnimationView view(&audio, FlowerAnimationView::Options{});
        view.show();
        view.handleTap();
        QVERIFY(view.shouldExpand());
        clock.advance(3000);
        view.handleTap();
        clock.advance(2000); // the first follow-up clears the flag
        QVERIFY(!view.isTapped());
        QVERIFY(!view.shouldExpand());

        // While recording for its own source the flag stays until the source changes.
        view.handleTap();
        audio.startRecording(QStringLiteral("flower"));
        QVERIFY(!view.isTapped()); // the source became its own: flags cleared
        view.handleTap();
        clock.advance(5000);
        QVERIFY(view.isTapped());
        QVERIFY(view.shouldExpand());
        audio.stopRecording({}, QStringLiteral("flower"));
        audio.finishTranscription(); // source back to unknown
        QVERIFY(!view.isTapped());
        QVERIFY(!view.shouldExpand());

        NotificationCenter::defaultCenter().post(QStringLiteral("FlowerKeyDoubleTap"));
        QVERIFY(view.isFnKeyTriggered());
        QVERIFY(!view.shouldExpand());
        clock.advance(5000);
        QVERIFY(!view.isFnKeyTriggered());
    }
};

TAVO_TEST_MAIN(TestFlowerWindow)
#include "tst_flower_window.moc"
