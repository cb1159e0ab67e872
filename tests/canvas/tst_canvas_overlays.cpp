// What sits over the canvas: the store, profile and tutorial overlays with their flags and
// fades, the tutorial's first-run gate, the prompt bar and help button, and the key commands,
// which belong to the canvas window alone.
#include "FakeCanvasCoordinator.h"
#include "FakeScheduler.h"
#include "NotificationSpy.h"
#include "RecordingAnalyticsClient.h"
#include "TestMain.h"
#include "analytics/AnalyticsService.h"
#include "canvas/CanvasAIOverlayView.h"
#include "canvas/CanvasKeyCommand.h"
#include "canvas/CanvasOverlayFade.h"
#include "canvas/CanvasSearchFieldView.h"
#include "canvas/EnhancedCanvasViewController.h"
#include "canvas/EventBlockingContainer.h"
#include "model/AIStepTransformer.h"
#include "model/SharedModelContainer.h"
#include "Platform/Log.h"
#include "Platform/ModalPrompt.h"
#include "Platform/NotificationCenter.h"
#include "Platform/Settings.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <QWindow>

namespace {
void post(const char *name)
{
    NotificationCenter::defaultCenter().post(QString::fromLatin1(name));
}

std::unique_ptr<ModelContainer> memoryStore()
{
    AIStepTransformer::registerTransformer();
    ModelConfiguration configuration;
    configuration.inMemory = true;
    return std::make_unique<ModelContainer>(ModelStore::schema(), configuration);
}

QStringList logLines;

// Counts the key presses that reach a widget, leaving out the modifier keys themselves.
class KeyCounter : public QObject {
public:
    QList<int> keys;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key != Qt::Key_Control && key != Qt::Key_Shift && key != Qt::Key_Alt && key != Qt::Key_Meta)
            keys << key;
        return false;
    }
};
}

// The canvas controller in a window of its own, set up over an in-memory store and a recording
// coordinator, in virtual time, with recorded analytics and answered alerts.
struct OverlayFixture {
    FakeScheduler clock;
    RecordingAnalyticsClient analytics;
    std::unique_ptr<ModelContainer> store = memoryStore();
    std::shared_ptr<ModelContext> context = std::make_shared<ModelContext>(store.get());
    FakeCanvasCoordinator coordinator;
    QWidget window;
    EnhancedCanvasViewController controller;
    int alerts = 0;

    // Unless a test asks for the first run, the tutorial has been seen and stays away.
    explicit OverlayFixture(bool tutorialShownBefore = true, bool installedApps = false)
    {
        if (tutorialShownBefore)
            Settings::instance().setValue(EnhancedCanvasViewController::kHasShownCanvasTutorial, true);
        AnalyticsService::shared().setClient(&analytics);
        ModalPrompt::setResponder([this](const PromptRequest &) {
            ++alerts;
            return 1; // Cancel
        });
        coordinator.installedApps = installedApps;
        auto *layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(controller.view());
        window.resize(1200, 800);
        window.show();
        controller.setup(context, &coordinator);
        clock.runPending();
    }
    ~OverlayFixture()
    {
        ModalPrompt::setResponder({});
        AnalyticsService::shared().setClient(nullptr);
    }
    bool activate(QWidget *w)
    {
        w->activateWindow();
        return QTest::qWaitForWindowActive(w);
    }
    void key(QWidget *w, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(w->windowHandle(), key, modifiers);
    }
    QList<QWidget *> layers()
    {
        QList<QWidget *> out;
        for (QWidget *child : controller.view()->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
            if (qobject_cast<EventBlockingContainer *>(child) && !child->isHidden())
                out << child;
        }
        return out;
    }
    QStringList storeEvents() const
    {
        QStringList out;
        for (const auto &call : analytics.events(QStringLiteral("app_store_interaction")))
            out << call.properties.value("action").toString() + ":" + call.properties.value("source").toString();
        return out;
    }
    void fade() { clock.advance(EnhancedCanvasViewController::overlayFadeInMs); }
};

class TestCanvasOverlays : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        logLines.clear();
        Log::setSink([](const QString &line) { logLines << line; });
        Settings::instance().remove(EnhancedCanvasViewController::kHasShownCanvasTutorial);
    }
    void cleanup() { Log::setSink(nullptr); }

    void keyCommandTable_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind");
        using K = CanvasKeyCommand::Kind;
        const int ctrl = Qt::ControlModifier;
        QTest::newRow("Escape") << int(Qt::Key_Escape) << 0 << "" << int(K::escape);
        QTest::newRow("Escape with Shift") << int(Qt::Key_Escape) << int(Qt::ShiftModifier) << "" << int(K::escape);
        QTest::newRow("=") << int(Qt::Key_Equal) << ctrl << "=" << int(K::zoomIn);
        QTest::newRow("Shift = gives +") << int(Qt::Key_Plus) << ctrl + int(Qt::ShiftModifier) << "+" << int(K::zoomIn);
        QTest::newRow("-") << int(Qt::Key_Minus) << ctrl << "-" << int(K::zoomOut);
        QTest::newRow("_") << int(Qt::Key_Underscore) << ctrl + int(Qt::ShiftModifier) << "_" << int(K::zoomOut);
        QTest::newRow("0") << int(Qt::Key_0) << ctrl << "0" << int(K::resetView);
        QTest::newRow("Shift d, as a control character") << int(Qt::Key_D) << ctrl + int(Qt::ShiftModifier) << "\x04" << int(K::consume);
        QTest::newRow("D with Option") << int(Qt::Key_D) << ctrl + int(Qt::AltModifier) << "D" << int(K::consume);
        QTest::newRow("r") << int(Qt::Key_R) << ctrl << "\x12" << int(K::resetAlert);
        QTest::newRow("n") << int(Qt::Key_N) << ctrl << "n" << int(K::focusPrompt);
        QTest::newRow("h with Control") << int(Qt::Key_H) << ctrl + int(Qt::MetaModifier) << "h" << int(K::help);
        QTest::newRow("x is passed on") << int(Qt::Key_X) << ctrl << "x" << int(K::none);
        QTest::newRow("Shift 0 is ) and passed on") << int(Qt::Key_ParenRight) << ctrl + int(Qt::ShiftModifier) << ")" << int(K::none);
        QTest::newRow("n without Command") << int(Qt::Key_N) << 0 << "n" << int(K::none);
    }
    void keyCommandTable()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, text);
        QFETCH(int, kind);
        QCOMPARE(int(CanvasKeyCommand::of(key, Qt::KeyboardModifiers(modifiers), text)), kind);
    }

    // Each row: a key press in the active canvas window while the prompt bar's editor has the
    // focus; whether the editor still receives it and what the canvas did.
    void commandKeysInTheCanvasWindow_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("reachesEditor");
        QTest::addColumn<QString>("effect");
        const int ctrl = Qt::ControlModifier;
        QTest::newRow("zoom in") << int(Qt::Key_Equal) << ctrl << false << "scale:0.825";
        QTest::newRow("zoom out") << int(Qt::Key_Minus) << ctrl << false << "scale:0.681818";
        QTest::newRow("reset view") << int(Qt::Key_0) << ctrl << false << "scale:0.75";
        QTest::newRow("d does nothing") << int(Qt::Key_D) << ctrl + int(Qt::ShiftModifier) << false << "scale:0.75";
        QTest::newRow("reset alert") << int(Qt::Key_R) << ctrl << false << "alert";
        QTest::newRow("focus the bar") << int(Qt::Key_N) << ctrl << false << "focusCanvasAIOverlay";
        QTest::newRow("help") << int(Qt::Key_H) << ctrl << false << "triggerHelpButtonBounce";
        QTest::newRow("other Command keys pass") << int(Qt::Key_X) << ctrl << true << "scale:0.75";
        QTest::newRow("typing passes") << int(Qt::Key_A) << 0 << true << "scale:0.75";
    }
    void commandKeysInTheCanvasWindow()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, reachesEditor);
        QFETCH(QString, effect);
        OverlayFixture f;
        QVERIFY(f.activate(&f.window));
        QPlainTextEdit *editor = f.controller.canvasAIOverlayView()->searchField()->editor();
        editor->setFocus();
        KeyCounter counter;
        editor->installEventFilter(&counter);
        if (key == Qt::Key_0)
            f.controller.zoomStep(true);
        NotificationSpy spy;
        f.key(&f.window, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(!counter.keys.isEmpty(), reachesEditor);
        if (effect.startsWith("scale:"))
            QCOMPARE(qRound(f.controller.scale() * 1e6), qRound(effect.mid(6).toDouble() * 1e6));
        else if (effect == "alert")
            QCOMPARE(f.alerts, 1);
        else
            QCOMPARE(spy.count(effect), 1);
        if (effect == "triggerHelpButtonBounce") {
            QVERIFY(f.controller.isTutorialOverlayVisible());
            QWidget *tutorial = f.controller.tutorialOverlayView();
            // Again while the tutorial is up: only the bounce.
            f.key(&f.window, Qt::Key_H, Qt::ControlModifier);
            QCOMPARE(spy.count(effect), 2);
            QCOMPARE(f.controller.tutorialOverlayView(), tutorial);
            QCOMPARE(f.layers().size(), 1);
        }
        QVERIFY(!f.window.isMinimized());
    }

    // The key monitor used to act on every window's presses: Escape in another window
    // minimised the canvas, Ctrl+R opened the reset alert, Ctrl+= was swallowed.
    void otherWindowsKeepTheirKeys()
    {
        OverlayFixture f;
        QWidget other;
        auto *field = new QLineEdit(&other);
        other.resize(300, 100);
        other.show();
        QVERIFY(f.activate(&other));
        field->setFocus();
        KeyCounter counter;
        field->installEventFilter(&counter);
        const qreal scale = f.controller.scale();
        for (const auto &[key, modifiers] : QList<QPair<Qt::Key, Qt::KeyboardModifiers>>{
                 {Qt::Key_Escape, {}}, {Qt::Key_R, Qt::ControlModifier}, {Qt::Key_Equal, Qt::ControlModifier},
                 {Qt::Key_N, Qt::ControlModifier}, {Qt::Key_H, Qt::ControlModifier}, {Qt::Key_D, Qt::ControlModifier}})
            f.key(&other, key, modifiers);
        QCOMPARE(counter.keys.size(), 6);
        QVERIFY(!f.window.isMinimized());
        QCOMPARE(f.alerts, 0);
        QCOMPARE(f.controller.scale(), scale);
        QVERIFY(!f.controller.isTutorialOverlayVisible());
        QVERIFY(f.analytics.events(QStringLiteral("canvas_interaction")).isEmpty());

        // An overlay up on the canvas is not closed by another window's Escape either.
        post("showCanvasAppStoreOverlay");
        f.key(&other, Qt::Key_Escape);
        QVERIFY(f.controller.isAppStoreOverlayVisible());
    }

    void escapeClosesTheTopmostLayerFirst()
    {
        OverlayFixture f;
        Settings::instance().remove(EnhancedCanvasViewController::kHasShownCanvasTutorial);
        QVERIFY(f.activate(&f.window));
        post("showTutorialOverlay");
        post("showCanvasAppStoreOverlay");
        post("showCanvasProfileOverlay");
        f.fade();
        QCOMPARE(f.layers().size(), 3);

        f.key(&f.window, Qt::Key_Escape);
        QVERIFY(!f.controller.isProfileOverlayVisible());
        QVERIFY(f.controller.isAppStoreOverlayVisible());
        QVERIFY(f.storeEvents() == QStringList{"open:canvas"});
        // While the profile fades out, Escape is still its own (a repeated dismissal).
        f.key(&f.window, Qt::Key_Escape);
        QVERIFY(f.controller.isAppStoreOverlayVisible());
        f.clock.advance(EnhancedCanvasViewController::overlayFadeOutMs);
        f.key(&f.window, Qt::Key_Escape);
        QVERIFY(!f.controller.isAppStoreOverlayVisible());
        QCOMPARE(f.storeEvents(), (QStringList{"open:canvas", "close:canvas"}));
        QVERIFY(f.controller.isTutorialOverlayVisible());
        f.key(&f.window, Qt::Key_Escape, Qt::ShiftModifier);
        QVERIFY(!f.controller.isTutorialOverlayVisible());
        QVERIFY(Settings::instance().boolValue(EnhancedCanvasViewController::kHasShownCanvasTutorial));
        QVERIFY(!f.window.isMinimized());
        QVERIFY(f.analytics.events(QStringLiteral("canvas_interaction")).isEmpty());
        f.clock.advance(EnhancedCanvasViewController::overlayFadeOutMs);
        QVERIFY(f.layers().isEmpty());

        f.key(&f.window, Qt::Key_Escape);
        QVERIFY(f.window.isMinimized());
        QCOMPARE(f.analytics.lastProperties(QStringLiteral("canvas_interaction")).value("action").toString(), QStringLiteral("close"));
        QCOMPARE(f.analytics.lastProperties(QStringLiteral("canvas_interaction")).value("source").toString(), QStringLiteral("esc_key"));
        QCOMPARE(f.analytics.lastProperties(QStringLiteral("canvas_interaction")).value("action_type").toString(), QStringLiteral("minimize"));
    }

    void overlaysFadeInAndOut()
    {
        OverlayFixture f;
        post("showCanvasAppStoreOverlay");
        QWidget *store = f.controller.appStoreOverlayView();
        QVERIFY(store);
        QCOMPARE(CanvasOverlayFade::opacity(store), 0.0);
        f.clock.advance(150);
        QVERIFY(CanvasOverlayFade::opacity(store) > 0.0 && CanvasOverlayFade::opacity(store) < 1.0);
        f.clock.advance(150);
        QCOMPARE(CanvasOverlayFade::opacity(store), 1.0);
        QVERIFY(!store->graphicsEffect());
        // Above the prompt bar and the help button.
        QCOMPARE(f.controller.view()->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly).last(), store);

        f.controller.hideAppStoreOverlay();
        f.clock.advance(EnhancedCanvasViewController::overlayFadeOutMs - 1);
        QCOMPARE(f.controller.appStoreOverlayView(), store);
        f.clock.advance(1);
        QVERIFY(!f.controller.appStoreOverlayView());
    }

    // The hide's completion used to empty the field that by then held a newly shown overlay,
    // which then could never be hidden.
    void reshownDuringItsFadeOutStaysReachable()
    {
        OverlayFixture f;
        QVERIFY(f.activate(&f.window));
        post("showCanvasAppStoreOverlay");
        f.fade();
        f.key(&f.window, Qt::Key_Escape);
        f.clock.advance(100);
        post("showCanvasAppStoreOverlay");
        QWidget *second = f.controller.appStoreOverlayView();
        f.clock.advance(EnhancedCanvasViewController::overlayFadeOutMs);
        QCOMPARE(f.controller.appStoreOverlayView(), second);
        QCOMPARE(f.layers(), QList<QWidget *>{second});
        f.key(&f.window, Qt::Key_Escape);
        f.clock.advance(EnhancedCanvasViewController::overlayFadeOutMs);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!f.controller.appStoreOverlayView());
        QVERIFY(f.layers().isEmpty());
        QCOMPARE(f.storeEvents(), (QStringList{"open:canvas", "close:canvas", "open:canvas", "close:canvas"}));
    }

    void storeOpensOnceAndTheTutorialLeadsToIt()
    {
        OverlayFixture f;
        post("showCanvasAppStoreOverlay");
        post("showCanvasAppStoreOverlay");
        QCOMPARE(f.storeEvents(), QStringList{"open:canvas"});
        QCOMPARE(f.layers().size(), 1);
        QTest::mouseClick(f.controller.appStoreOverlayView(), Qt::LeftButton);
        QCOMPARE(f.storeEvents(), (QStringList{"open:canvas", "close:canvas"}));
        f.clock.advance(EnhancedCanvasViewController::overlayFadeOutMs);

        Settings::instance().remove(EnhancedCanvasViewController::kHasShownCanvasTutorial);
        post("showTutorialOverlay");
        NotificationSpy spy;
        f.controller.browseAppsFromTutorial();
        QVERIFY(!f.controller.isTutorialOverlayVisible());
        QVERIFY(Settings::instance().boolValue(EnhancedCanvasViewController::kHasShownCanvasTutorial));
        f.clock.advance(EnhancedCanvasViewController::afterTutorialMs - 1);
        QVERIFY(!f.controller.isAppStoreOverlayVisible());
        QCOMPARE(spy.count("focusCanvasAIOverlay"), 0);
        f.clock.advance(1);
        QVERIFY(f.controller.isAppStoreOverlayVisible());
        QCOMPARE(spy.count("focusCanvasAIOverlay"), 1);
        QCOMPARE(f.storeEvents(), (QStringList{"open:canvas", "close:canvas", "open:canvas"}));
    }

    void storeWithoutAContextOnlyKeepsItsFlag()
    {
        FakeScheduler clock;
        RecordingAnalyticsClient analytics;
        AnalyticsService::shared().setClient(&analytics);
        EnhancedCanvasViewController controller;
        controller.view()->resize(800, 600);
        controller.setup(nullptr, nullptr);
        post("showCanvasAppStoreOverlay");
        QVERIFY(controller.isAppStoreOverlayVisible());
        QVERIFY(!controller.appStoreOverlayView());
        QCOMPARE(analytics.count("app_store_interaction"), 1);
        // No coordinator: no prompt bar and no tutorial of its own.
        QVERIFY(!controller.canvasAIOverlayView());
        clock.advance(5000);
        QVERIFY(!controller.isTutorialOverlayVisible());
        AnalyticsService::shared().setClient(nullptr);
    }

    void tutorialGate_data()
    {
        QTest::addColumn<bool>("shownBefore");
        QTest::addColumn<bool>("installedApps");
        QTest::addColumn<bool>("opens");
        QTest::newRow("first run without apps") << false << false << true;
        QTest::newRow("an installed app") << false << true << false;
        QTest::newRow("dismissed before") << true << false << false;
    }
    void tutorialGate()
    {
        QFETCH(bool, shownBefore);
        QFETCH(bool, installedApps);
        QFETCH(bool, opens);
        OverlayFixture f(shownBefore, installedApps);
        QCOMPARE(f.coordinator.installedChecks, shownBefore ? 0 : 1);
        f.clock.advance(EnhancedCanvasViewController::tutorialDelayMs - 1);
        QVERIFY(!f.controller.isTutorialOverlayVisible());
        f.clock.advance(1);
        QCOMPARE(f.controller.isTutorialOverlayVisible(), opens);
        QCOMPARE(f.layers().size(), opens ? 1 : 0);
        if (!opens)
            return;
        NotificationSpy spy;
        f.controller.dismissTutorialOverlay();
        QVERIFY(Settings::instance().boolValue(EnhancedCanvasViewController::kHasShownCanvasTutorial));
        f.clock.advance(EnhancedCanvasViewController::afterTutorialMs - 1);
        QCOMPARE(spy.count("focusCanvasAIOverlay"), 0);
        f.clock.advance(1);
        QCOMPARE(spy.count("focusCanvasAIOverlay"), 1);
    }

    void promptBarAndHelpButtonSitAtTheBottom()
    {
        OverlayFixture f;
        CanvasAIOverlayView *bar = f.controller.canvasAIOverlayView();
        QVERIFY(bar);
        QWidget *help = f.controller.canvasHelpButtonView();
        QVERIFY(help);
        const QRect root = f.controller.view()->rect();
        QCOMPARE(help->geometry(), QRect(root.width() - 100, root.height() - 100, 100, 100));
        QCOMPARE(bar->x() + bar->width() / 2, root.width() / 2);
        // The canvas view lies under both.
        const QList<QWidget *> children = f.controller.view()->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
        QVERIFY(children.indexOf(bar) > children.indexOf(f.controller.canvasView()));
        // Hosted once: a second setup keeps them.
        f.controller.setup(f.context, &f.coordinator);
        QCOMPARE(f.controller.canvasAIOverlayView(), bar);
        QCOMPARE(f.controller.canvasHelpButtonView(), help);
        // The help button opens the tutorial.
        NotificationSpy spy;
        QTest::mouseClick(help->findChild<QAbstractButton *>(), Qt::LeftButton);
        QCOMPARE(spy.count("showTutorialOverlay"), 1);
        QVERIFY(f.controller.isTutorialOverlayVisible());
    }
};

TAVO_TEST_MAIN(TestCanvasOverlays)
#include "tst_canvas_overlays.moc"
