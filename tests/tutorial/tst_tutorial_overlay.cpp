// The canvas tutorial over the canvas: its phases and keys, the deferred clicks, the backdrop,
// the floating logos' places, the help button's bounce, and the whole road on the canvas from
// a first run to the store.
#include "FakeScheduler.h"
#include "NotificationSpy.h"
#include "RecordingAnalyticsClient.h"
#include "TestMain.h"
#include "analytics/AnalyticsService.h"
#include "canvas/CanvasOverlayFade.h"
#include "canvas/EnhancedCanvasViewController.h"
#include "canvas/EventBlockingContainer.h"
#include "model/AIStepTransformer.h"
#include "model/SharedModelContainer.h"
#include "theme/CircleButton.h"
#include "tutorial/AppStoreContentView.h"
#include "tutorial/CanvasHelpButton.h"
#include "tutorial/CanvasTutorialOverlayView.h"
#include "tutorial/CanvasTutorialStepView.h"
#include "tutorial/CanvasTutorialStepWrapper.h"
#include "tutorial/TutorialButton.h"
#include "tutorial/TutorialCardSurface.h"
#include "tutorial/TutorialNavigationView.h"
#include "tutorial/TutorialHoverFlag.h"
#include "tutorial/FloatingAppIconsView.h"
#include "theme/NebulaBackgroundView.h"
#include "windows/CanvasCoordinator.h"
#include "Platform/Haptics.h"
#include "Platform/NotificationCenter.h"
#include "Platform/Settings.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"

#include <QLineEdit>
#include <QVBoxLayout>
#include <QWindow>
#include <random>

using Phase = CanvasTutorialOverlayView::TutorialPhase;

namespace {
// The tutorial's own window, its overlay filling it, in virtual time.
struct OverlayHost {
    FakeScheduler clock;
    int dismissals = 0;
    int browses = 0;
    QWidget window;
    CanvasTutorialOverlayView *overlay;

    explicit OverlayHost(CanvasTutorialOverlayView::RandomSource random = {})
    {
        overlay = new CanvasTutorialOverlayView([this] { ++dismissals; }, [this] { ++browses; }, &window, std::move(random));
        window.resize(1200, 1000);
        overlay->setGeometry(window.rect());
        window.show();
        // The appearance: logos on the next turn, the content 0.1 s later.
        clock.advance(CanvasTutorialOverlayView::appearDelayMs);
        settle();
    }
    static void settle() { QCoreApplication::sendPostedEvents(); }
    bool activate()
    {
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { QTest::keyClick(window.windowHandle(), key, modifiers); }
    void goTo(Phase phase)
    {
        while (overlay->currentPhase() != phase)
            overlay->nextPhase();
        settle();
    }
    CanvasTutorialStepWrapper *stepCard() const { return qobject_cast<CanvasTutorialStepWrapper *>(overlay->currentCard()); }
    AppStoreContentView *storeCard() const { return qobject_cast<AppStoreContentView *>(overlay->currentCard()); }
};

void click(QWidget *widget, QPoint at = {})
{
    QTest::mouseClick(widget, Qt::LeftButton, {}, at.isNull() ? widget->rect().center() : at);
}

// Answers from a script, counting what it was asked.
struct ScriptedRandom {
    std::function<double(int call, double low, double high)> answer;
    std::shared_ptr<int> calls = std::make_shared<int>(0);
    CanvasTutorialOverlayView::RandomSource source() const
    {
        return [answer = answer, calls = calls](double low, double high) { return answer((*calls)++, low, high); };
    }
};

std::unique_ptr<ModelContainer> memoryStore()
{
    AIStepTransformer::registerTransformer();
    ModelConfiguration configuration;
    configuration.inMemory = true;
    return std::make_unique<ModelContainer>(ModelStore::schema(), configuration);
}

class NoAppsCoordinator : public QObject, public CanvasCoordinator {
public:
    AudioManagerService *audioService() const override { return nullptr; }
    void submitQuery(const QString &, const QString &, bool) override {}
    bool hasInstalledApps() override { return false; }
};
}

class TestTutorialOverlay : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // The videos are tested on their own; here the steps show their placeholder.
        qputenv("QT_MEDIA_BACKEND", "none-in-this-test");
    }

    void phasesAreNumberedWithoutAGap()
    {
        const QList<Phase> phases = CanvasTutorialOverlayView::allPhases();
        QCOMPARE(phases.size(), 7);
        for (int raw = 0; raw < 7; ++raw)
            QCOMPARE(int(*CanvasTutorialOverlayView::phase(raw)), raw);
        QVERIFY(!CanvasTutorialOverlayView::phase(-1));
        QVERIFY(!CanvasTutorialOverlayView::phase(7));
    }

    // Each row: the phase, an input, and the phase and callbacks that follow.
    void phaseTable_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("input");
        QTest::addColumn<int>("end");
        QTest::addColumn<int>("dismissals");
        QTest::addColumn<int>("browses");
        const int first = int(Phase::tutorial3), last = int(Phase::tutorial9), store = int(Phase::appStore);
        QTest::newRow("Next on the first step") << first << "next" << first + 1 << 0 << 0;
        QTest::newRow("Next on the last step shows the store card") << last << "next" << store << 0 << 0;
        QTest::newRow("Back on the second step") << first + 1 << "back" << first << 0 << 0;
        QTest::newRow("Back on the last step") << last << "back" << last - 1 << 0 << 0;
        QTest::newRow("no Back on the first step") << first << "back" << first << 0 << 0;
        QTest::newRow("Return goes forward") << first + 2 << "Return" << first + 3 << 0 << 0;
        QTest::newRow("Return on the last step does not browse") << last << "Return" << store << 0 << 0;
        QTest::newRow("Return on the store card browses") << store << "Return" << store << 0 << 1;
        QTest::newRow("Shift-Return") << first << "Shift+Return" << first + 1 << 0 << 0;
        QTest::newRow("Command-Return") << first << "Ctrl+Return" << first + 1 << 0 << 0;
        QTest::newRow("Escape") << first + 3 << "Escape" << first + 3 << 1 << 0;
        QTest::newRow("Option-Escape on the store card") << store << "Alt+Escape" << store << 1 << 0;
        QTest::newRow("keypad Enter is not Return") << first << "Enter" << first << 0 << 0;
        QTest::newRow("keypad Enter with Shift") << store << "Shift+Enter" << store << 0 << 0;
        QTest::newRow("close button") << first + 1 << "close" << first + 1 << 1 << 0;
        QTest::newRow("Install Apps") << store << "install" << store << 0 << 1;
        QTest::newRow("backdrop of a step does nothing") << first + 4 << "backdrop" << first + 4 << 0 << 0;
        QTest::newRow("backdrop of the store card dismisses") << store << "backdrop" << store << 1 << 0;
        QTest::newRow("a click on the store card itself does not") << store << "card" << store << 0 << 0;
    }
    void phaseTable()
    {
        QFETCH(int, start);
        QFETCH(QString, input);
        QFETCH(int, end);
        QFETCH(int, dismissals);
        QFETCH(int, browses);
        OverlayHost h;
        QVERIFY(h.activate());
        h.goTo(Phase(start));
        if (input == "next") {
            click(h.stepCard()->navigation()->nextButton());
        } else if (input == "back") {
            TutorialButton *back = h.stepCard()->navigation()->backButton();
            QCOMPARE(back != nullptr, start != int(Phase::tutorial3));
            if (back)
                click(back);
        } else if (input == "close") {
            click(h.overlay->closeButton());
        } else if (input == "install") {
            click(h.storeCard()->installButton());
        } else if (input == "backdrop") {
            // Beside the card, where the card's frame leaves the backdrop bare.
            QWidget *card = h.overlay->currentCard();
            click(card, QPoint(2, card->height() / 2));
        } else if (input == "card") {
            click(h.storeCard()->card(), QPoint(30, 30));
        } else {
            const QStringList parts = input.split('+');
            Qt::KeyboardModifiers modifiers;
            if (parts.contains("Shift"))
                modifiers |= Qt::ShiftModifier;
            if (parts.contains("Ctrl"))
                modifiers |= Qt::ControlModifier;
            if (parts.contains("Alt"))
                modifiers |= Qt::AltModifier;
            const QString key = parts.last();
            if (key == "Enter")
                modifiers |= Qt::KeypadModifier;
            h.key(key == "Return" ? Qt::Key_Return : key == "Escape" ? Qt::Key_Escape : Qt::Key_Enter, modifiers);
        }
        h.clock.runPending();
        QCOMPARE(int(h.overlay->currentPhase()), end);
        QCOMPARE(h.dismissals, dismissals);
        QCOMPARE(h.browses, browses);
    }

    // The monitor consumes Return and Escape and lets every other key through; keypad Enter
    // reaches the focused field as any other key does.
    void keysTheTutorialDoesNotTakeReachTheFocusedWidget()
    {
        OverlayHost h;
        auto *field = new QLineEdit(&h.window);
        field->setGeometry(0, 0, 100, 20);
        field->show();
        QVERIFY(h.activate());
        field->setFocus();
        QSignalSpy returned(field, &QLineEdit::returnPressed);
        h.key(Qt::Key_Enter, Qt::KeypadModifier);
        h.key(Qt::Key_A);
        QCOMPARE(returned.count(), 1);
        QCOMPARE(field->text(), QStringLiteral("a"));
        h.key(Qt::Key_Return);
        QCOMPARE(returned.count(), 1);
    }

    // The monitor used to take Return and Escape from every window of the application: Return
    // typed into another window turned the tutorial's page and never reached that window.
    void otherWindowsKeepReturnAndEscape()
    {
        OverlayHost h;
        QWidget other;
        auto *field = new QLineEdit(&other);
        other.resize(300, 60);
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        field->setFocus();
        QSignalSpy returned(field, &QLineEdit::returnPressed);
        QTest::keyClick(other.windowHandle(), Qt::Key_Return);
        QTest::keyClick(other.windowHandle(), Qt::Key_Escape);
        h.clock.runPending();
        QCOMPARE(returned.count(), 1);
        QCOMPARE(h.overlay->currentPhase(), Phase::tutorial3);
        QCOMPARE(h.dismissals, 0);
    }

    // A click on Next enqueues the card's callback; that enqueues the phase change: two turns.
    void nextActsTwoTurnsAfterTheClick()
    {
        OverlayHost h;
        click(h.stepCard()->navigation()->nextButton());
        QCOMPARE(h.overlay->currentPhase(), Phase::tutorial3);
        h.clock.runTurn();
        QCOMPARE(h.overlay->currentPhase(), Phase::tutorial3);
        h.clock.runTurn();
        QCOMPARE(h.overlay->currentPhase(), Phase::tutorial4);

        // Quick presses advance one step each and stop at the store card.
        OverlayHost::settle();
        TutorialButton *next = h.stepCard()->navigation()->nextButton();
        for (int i = 0; i < 4; ++i)
            click(next);
        h.clock.runPending();
        QCOMPARE(h.overlay->currentPhase(), Phase::tutorial9);
        next = h.stepCard()->navigation()->nextButton();
        for (int i = 0; i < 3; ++i)
            click(next);
        h.clock.runPending();
        QCOMPARE(h.overlay->currentPhase(), Phase::appStore);
        QCOMPARE(h.browses, 0);
    }

    // A closing click does not act inside the event either; Escape does.
    void closeActsOnALaterTurnEscapeAtOnce()
    {
        OverlayHost h;
        QVERIFY(h.activate());
        click(h.overlay->closeButton());
        QCOMPARE(h.dismissals, 0);
        h.clock.runTurn();
        QCOMPARE(h.dismissals, 1);
        h.key(Qt::Key_Escape);
        QCOMPARE(h.dismissals, 2);
    }

    void cardsOnTheWay()
    {
        OverlayHost h;
        QVERIFY(h.overlay->showContent());
        // The first card: its step view, and Next alone spanning the row.
        CanvasTutorialStepWrapper *card = h.stepCard();
        QVERIFY(qobject_cast<CanvasTutorialStepView *>(card->content()));
        QCOMPARE(static_cast<CanvasTutorialStepView *>(card->content())->step().number, 3);
        QVERIFY(!card->navigation()->backButton());
        QCOMPARE(card->navigation()->nextButton()->width(), card->navigation()->width());
        QVERIFY(card->card()->width() <= CanvasTutorialStepWrapper::maxCardWidth);
        QVERIFY(card->card()->height() <= CanvasTutorialStepWrapper::maxCardHeight);
        QCOMPARE(card->nebula()->geometry(), card->rect());
        // The close button stands centred above the card.
        const QRect close(h.overlay->closeButton()->mapTo(h.overlay, QPoint(0, 0)), h.overlay->closeButton()->size());
        QVERIFY(qAbs(close.center().x() - h.overlay->width() / 2) <= 1);
        QVERIFY(close.bottom() < card->card()->mapTo(h.overlay, QPoint(0, 0)).y());

        // With a previous step the two buttons share the row.
        h.goTo(Phase::tutorial8);
        TutorialNavigationView *row = h.stepCard()->navigation();
        QVERIFY(qAbs(row->backButton()->width() - row->nextButton()->width()) <= 1);
        QCOMPARE(static_cast<CanvasTutorialStepView *>(h.stepCard()->content())->step().number, 8);

        // The store card: at most 400 x 500, with the logos at the overlay's places.
        h.goTo(Phase::appStore);
        AppStoreContentView *store = h.storeCard();
        QVERIFY(store->card()->width() <= AppStoreContentView::maxCardWidth);
        QVERIFY(store->card()->height() <= AppStoreContentView::maxCardHeight);
        QCOMPARE(store->installButton()->text(), QStringLiteral("Install Apps"));
        QCOMPARE(store->iconsView()->positions().size(), 7);
    }

    // Hover flags belong to the overlay: a flag set over one card holds on the next one, and
    // the pointer's arrival is written on a later turn.
    void hoverIsTheOverlaysAndDeferred()
    {
        OverlayHost h;
        TutorialCardSurface *card = h.stepCard()->card();
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(card, &enter);
        QVERIFY(!h.overlay->cardHovered()->value());
        h.clock.runTurn();
        QVERIFY(h.overlay->cardHovered()->value());
        h.overlay->nextPhase();
        QCOMPARE(h.stepCard()->card()->liftProgress(), 1.0);
        QCOMPARE(h.stepCard()->card()->outlineWidth(), 1.5);
    }

    void iconPositionsFromASeededSource()
    {
        std::mt19937_64 engine(20261211);
        const auto seeded = [&engine](double low, double high) { return std::uniform_real_distribution<double>(low, high)(engine); };
        const QList<FloatingIconPosition> positions = CanvasTutorialOverlayView::generateIconPositions(7, seeded);
        QCOMPARE(positions.size(), 7);
        for (int i = 0; i < positions.size(); ++i) {
            const FloatingIconPosition &p = positions[i];
            QVERIFY(p.size >= 35 && p.size <= 55);
            QVERIFY(p.x >= 0.1 && p.x <= 0.9);
            QVERIFY(p.y >= 0.1 && p.y <= 0.65);
            QVERIFY(p.rotation >= -20 && p.rotation <= 20);
            QCOMPARE(p.floatingOffset, 0.0);
            for (int j = 0; j < i; ++j)
                QVERIFY(std::hypot(p.x - positions[j].x, p.y - positions[j].y) >= CanvasTutorialOverlayView::minimumDistance);
        }
        QVERIFY(CanvasTutorialOverlayView::generateIconPositions(0, seeded).isEmpty());

        // The same seed, the same places.
        std::mt19937_64 again(20261211);
        const auto replay = [&again](double low, double high) { return std::uniform_real_distribution<double>(low, high)(again); };
        QCOMPARE(CanvasTutorialOverlayView::generateIconPositions(7, replay), positions);

        // The overlay takes its places from the source it was given.
        std::mt19937_64 third(20261211);
        OverlayHost h([&third](double low, double high) { return std::uniform_real_distribution<double>(low, high)(third); });
        QCOMPARE(h.overlay->iconPositions(), positions);
    }

    // A source that always answers the same number puts every logo on the first one's place:
    // each later logo takes its fallback place after 100 attempts.
    void iconPositionsFallBackAfterAHundredAttempts()
    {
        ScriptedRandom random{[](int, double low, double high) { return (low + high) / 2; }};
        const QList<FloatingIconPosition> positions = CanvasTutorialOverlayView::generateIconPositions(7, random.source());
        QCOMPARE(positions.size(), 7);
        QCOMPARE(positions[0].x, 0.5);
        QCOMPARE(positions[0].y, 0.375);
        for (int i = 1; i < 7; ++i) {
            QCOMPARE(QPointF(positions[i].x, positions[i].y), CanvasTutorialOverlayView::fallbackPlace(i));
            QCOMPARE(positions[i].size, 45.0);
            QCOMPARE(positions[i].rotation, 0.0);
        }
        QCOMPARE(QPointF(positions[4].x, positions[4].y), QPointF(0.7, 0.38));
        // Four draws for the first logo; 100 attempts of four and a fresh size and rotation for
        // each of the others.
        QCOMPARE(*random.calls, 4 + 6 * (100 * 4 + 2));
        QCOMPARE(CanvasTutorialOverlayView::fallbackPlace(7), CanvasTutorialOverlayView::fallbackPlace(0));
    }

    // The logos bob between their place and their amplitude, each after its own delay, and
    // only the offsets move.
    void logosFloatAfterTheirDelay()
    {
        // Places as in the fallback test; then per logo amplitude 8, duration 2.5 s and a
        // delay of 0 (even logos) or 2.5 s (odd logos).
        constexpr int placeDraws = 4 + 6 * 402;
        ScriptedRandom random{[](int call, double low, double high) {
            if (call < placeDraws)
                return (low + high) / 2;
            const int logo = (call - placeDraws) / 3;
            switch ((call - placeDraws) % 3) {
            case 0:
                return high;
            case 1:
                return low;
            default:
                return logo % 2 ? high : low;
            }
        }};
        OverlayHost h(random.source());
        QCOMPARE(*random.calls, placeDraws + 7 * 3);
        const QList<QPair<qint64, qreal>> evenLogo{{0, 0}, {1250, 4}, {2500, 8}, {3750, 4}, {5000, 0}, {6250, 4}};
        for (const auto &[ms, offset] : evenLogo) {
            QCOMPARE(h.overlay->floatingOffsetAt(0, ms), offset);
            QCOMPARE(h.overlay->floatingOffsetAt(1, ms + 2500), offset);
        }
        QCOMPARE(h.overlay->floatingOffsetAt(1, 2500), 0.0);
        QCOMPARE(h.overlay->floatingOffsetAt(7, 2500), 0.0);

        h.goTo(Phase::appStore);
        const QList<FloatingIconPosition> places = h.overlay->iconPositions();
        h.clock.advance(1200);
        const QList<FloatingIconPosition> shown = h.storeCard()->iconsView()->positions();
        QCOMPARE(shown.size(), 7);
        for (int i = 0; i < 7; ++i) {
            QCOMPARE(shown[i].x, places[i].x);
            QCOMPARE(shown[i].y, places[i].y);
            QCOMPARE(shown[i].size, places[i].size);
            QVERIFY(i % 2 ? shown[i].floatingOffset == 0 : shown[i].floatingOffset > 3);
        }
    }

    void helpButtonBounces()
    {
        FakeScheduler clock;
        RecordingAnalyticsClient analytics;
        AnalyticsService::shared().setClient(&analytics);
        QWidget window;
        auto *help = new CanvasHelpButton(&window);
        help->setGeometry(0, 0, 100, 100);
        window.resize(100, 100);
        window.show();
        // 16 pt from the right and bottom edges.
        QCOMPARE(help->button()->geometry().right(), 100 - 16 - 1);
        QCOMPARE(help->button()->geometry().bottom(), 100 - 16 - 1);

        NotificationSpy spy;
        const int haptics = Haptics::instance().count();
        click(help->button());
        QVERIFY(help->animateBounce());
        QCOMPARE(Haptics::instance().count(), haptics + 1);
        QCOMPARE(spy.names(), QStringList{"showTutorialOverlay"});
        QCOMPARE(analytics.count("button_tap"), 1);
        QCOMPARE(analytics.lastProperties("button_tap").value("button_name").toString(), QStringLiteral("canvas_help_button"));
        QCOMPARE(analytics.lastProperties("button_tap").value("source").toString(), QStringLiteral("canvas_floating"));

        // A second bounce 0.1 s later does not lengthen the first.
        clock.advance(100);
        NotificationCenter::defaultCenter().post(QStringLiteral("triggerHelpButtonBounce"));
        clock.advance(99);
        QVERIFY(help->animateBounce());
        clock.advance(1);
        QVERIFY(!help->animateBounce());
        clock.advance(100);
        QVERIFY(!help->animateBounce());
        // The notification's bounce: no haptics, no usage event.
        QCOMPARE(Haptics::instance().count(), haptics + 1);
        QCOMPARE(analytics.count("button_tap"), 1);
        AnalyticsService::shared().setClient(nullptr);
    }

    // From a first run to the store, on the canvas.
    void firstRunLeadsToTheStore()
    {
        FakeScheduler clock;
        RecordingAnalyticsClient analytics;
        AnalyticsService::shared().setClient(&analytics);
        Settings::instance().remove(EnhancedCanvasViewController::kHasShownCanvasTutorial);
        std::unique_ptr<ModelContainer> store = memoryStore();
        auto context = std::make_shared<ModelContext>(store.get());
        NoAppsCoordinator coordinator;
        QWidget window;
        EnhancedCanvasViewController controller;
        auto *layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(controller.view());
        window.resize(1400, 1000);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        controller.setup(context, &coordinator);

        // 1.0 s after setup, not before.
        clock.advance(EnhancedCanvasViewController::tutorialDelayMs - 1);
        QVERIFY(!controller.tutorialOverlayView());
        clock.advance(1);
        auto *container = qobject_cast<EventBlockingContainer *>(controller.tutorialOverlayView());
        QVERIFY(container);
        auto *tutorial = qobject_cast<CanvasTutorialOverlayView *>(container->content());
        QVERIFY(tutorial);
        QCOMPARE(tutorial->size(), controller.view()->size());
        clock.advance(EnhancedCanvasViewController::overlayFadeInMs);
        QVERIFY(tutorial->showContent());
        QVERIFY(tutorial->hasKeyMonitor());

        // Return through the six steps, then "Install Apps".
        for (int i = 0; i < 6; ++i) {
            QTest::keyClick(window.windowHandle(), Qt::Key_Return);
            clock.runPending();
        }
        QCOMPARE(tutorial->currentPhase(), Phase::appStore);
        QVERIFY(controller.isTutorialOverlayVisible());
        QCoreApplication::sendPostedEvents();
        NotificationSpy spy;
        click(static_cast<AppStoreContentView *>(tutorial->currentCard())->installButton());
        clock.runPending();
        QVERIFY(!controller.isTutorialOverlayVisible());
        QVERIFY(Settings::instance().boolValue(EnhancedCanvasViewController::kHasShownCanvasTutorial));
        QVERIFY(!controller.isAppStoreOverlayVisible());
        clock.advance(EnhancedCanvasViewController::afterTutorialMs);
        QVERIFY(controller.isAppStoreOverlayVisible());
        QCOMPARE(spy.count("focusCanvasAIOverlay"), 1);
        QCOMPARE(analytics.lastProperties("app_store_interaction").value("action").toString(), QStringLiteral("open"));
        QCOMPARE(analytics.lastProperties("app_store_interaction").value("source").toString(), QStringLiteral("canvas"));

        // Gone with its fade, and its key monitor with it: Escape now closes the store, and the
        // next Return passes.
        QPointer<CanvasTutorialOverlayView> gone(tutorial);
        QVERIFY(!gone->hasKeyMonitor());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!gone);
        QTest::keyClick(window.windowHandle(), Qt::Key_Escape);
        QVERIFY(!controller.isAppStoreOverlayVisible());
        AnalyticsService::shared().setClient(nullptr);
    }

    // Dismissed with Escape, the tutorial stops watching keys once the canvas has removed it,
    // and the help button brings a new one back at its first step.
    void dismissalRemovesTheKeyMonitor()
    {
        FakeScheduler clock;
        Settings::instance().setValue(EnhancedCanvasViewController::kHasShownCanvasTutorial, true);
        EnhancedCanvasViewController controller;
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(controller.view());
        window.resize(1400, 1000);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        NoAppsCoordinator coordinator;
        controller.setup(nullptr, &coordinator);
        clock.runPending();
        QVERIFY(!controller.isTutorialOverlayVisible());

        click(controller.canvasHelpButtonView()->findChild<CircleButton *>());
        QVERIFY(controller.isTutorialOverlayVisible());
        auto *first = qobject_cast<CanvasTutorialOverlayView *>(static_cast<EventBlockingContainer *>(controller.tutorialOverlayView())->content());
        clock.advance(EnhancedCanvasViewController::overlayFadeInMs);
        first->nextPhase();
        QVERIFY(first->hasKeyMonitor());
        QTest::keyClick(window.windowHandle(), Qt::Key_Escape);
        QVERIFY(!controller.isTutorialOverlayVisible());
        QVERIFY(first->hasKeyMonitor()); // while it fades out
        clock.advance(EnhancedCanvasViewController::overlayFadeOutMs);
        QVERIFY(!first->hasKeyMonitor());

        post("showTutorialOverlay");
        auto *second = qobject_cast<CanvasTutorialOverlayView *>(static_cast<EventBlockingContainer *>(controller.tutorialOverlayView())->content());
        QVERIFY(second && second != first);
        QCOMPARE(second->currentPhase(), Phase::tutorial3);
    }

private:
    static void post(const char *name) { NotificationCenter::defaultCenter().post(QString::fromLatin1(name)); }
};

TAVO_TEST_MAIN(TestTutorialOverlay)
#include "tst_tutorial_overlay.moc"
