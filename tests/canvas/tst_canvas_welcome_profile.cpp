// The canvas opens on its welcome screen, whose cards fill the prompt bar, drawn at two scales
// on a real X display (saved as screenshots in the test's working folder); and the profile
// overlay over the canvas: Escape belongs to it while it is up or fading, dismissals repeat
// harmlessly, Logout closes it and then signs out through the coordinator, and a load that ends
// after it has gone touches nothing.
#include "AccountApiStandin.h"
#include "FakeCanvasCoordinator.h"
#include "RecordingAnalyticsClient.h"
#include "TestMain.h"
#include "Controller/session/AccessTokenProvider.h"
#include "account/ProfileService.h"
#include "account/ProfileViewModel.h"
#include "analytics/AnalyticsService.h"
#include "canvas/CanvasAIOverlayView.h"
#include "canvas/EnhancedCanvasView.h"
#include "canvas/EnhancedCanvasViewController.h"
#include "canvas/ScalableSwiftUIContainer.h"
#include "model/AIStepTransformer.h"
#include "model/SharedModelContainer.h"
#include "onboarding/ProfileCoordinator.h"
#include "onboarding/ProfileOverlayView.h"
#include "onboarding/ProfilePillButton.h"
#include "onboarding/ProfileStepView.h"
#include "theme/Color.h"
#include "widgets/SearchViewModel.h"
#include "workspace/ImageCardView.h"
#include "workspace/WelcomeSearchSection.h"
#include "Platform/NotificationCenter.h"
#include "Platform/Settings.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"

#include <QDir>
#include <QKeyEvent>
#include <QVBoxLayout>

namespace {
// The coordinator of these tests: records sign-outs, with whether the overlay was still up.
struct Coordinator : FakeCanvasCoordinator, ProfileCoordinator {
    std::function<void()> onSignOut;
    int signOuts = 0;
    void signOut() override
    {
        ++signOuts;
        if (onSignOut)
            onSignOut();
    }
};

std::unique_ptr<ModelContainer> memoryStore()
{
    AIStepTransformer::registerTransformer();
    ModelConfiguration configuration;
    configuration.inMemory = true;
    return std::make_unique<ModelContainer>(ModelStore::schema(), configuration);
}

struct Fixture {
    RecordingAnalyticsClient analytics;
    AccountApiStandin api;
    FunctionTokenProvider tokens{[](QObject *, AccessTokenProvider::Callback done) { done(QStringLiteral("token-1")); }};
    std::unique_ptr<ProfileService> profiles;
    std::unique_ptr<ModelContainer> store = memoryStore();
    std::shared_ptr<ModelContext> context = std::make_shared<ModelContext>(store.get());
    Coordinator coordinator;
    QWidget window;
    EnhancedCanvasViewController controller;

    bool start()
    {
        Settings::instance().setValue(EnhancedCanvasViewController::kHasShownCanvasTutorial, true);
        AnalyticsService::shared().setClient(&analytics);
        if (!api.start())
            return false;
        api.setReply(AccountApiStandin::Endpoint::GetProfile, 200, AccountApiStandin::profileJson("u-1", "Ada", "ada@example.test"));
        profiles = std::make_unique<ProfileService>(api.baseUrl(), &tokens, false);
        controller.setAccountServices(nullptr, profiles.get());
        auto *layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(controller.view());
        window.resize(1600, 1000);
        window.show();
        controller.setup(context, &coordinator);
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }
    ~Fixture() { AnalyticsService::shared().setClient(nullptr); }

    WelcomeSearchSection *welcome() const
    {
        for (const NSCanvasComponentPtr &c : controller.enhancedCanvasView()->components()) {
            if (auto *container = qgraphicsitem_cast<ScalableSwiftUIContainer *>(controller.enhancedCanvasView()->componentView(c->id())))
                if (auto *w = qobject_cast<WelcomeSearchSection *>(container->content()))
                    return w;
        }
        return nullptr;
    }
    ProfileOverlayView *overlay() const
    {
        return controller.profileOverlayView() ? controller.profileOverlayView()->findChild<ProfileOverlayView *>() : nullptr;
    }
    int minimisations() const { return int(analytics.events(QStringLiteral("canvas_interaction")).size()); }
    bool escapeThroughTheCanvasHandler()
    {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        return controller.handleKeyDown(escape);
    }
    void showProfile()
    {
        NotificationCenter::defaultCenter().post(QStringLiteral("showCanvasProfileOverlay"));
    }
};
}

class CanvasWelcomeProfileTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs the X display of the test command");
    }

    void theCanvasOpensOnTheWelcomeScreenWhoseCardsFillThePromptBar()
    {
        Fixture f;
        QVERIFY(f.start());
        WelcomeSearchSection *welcome = f.welcome();
        QVERIFY(welcome);
        // Shown on the canvas: its profile preload went out.
        QTRY_COMPARE(f.api.count(AccountApiStandin::Endpoint::GetProfile), 1);
        ImageCardView *card = welcome->cards().first();
        QTest::mouseClick(card, Qt::LeftButton, {}, card->cardRect().center());
        QCOMPARE(f.controller.canvasAIOverlayView()->searchViewModel()->searchText(), WelcomeSearchSection::samplePrompts().first().title);
        QVERIFY(f.coordinator.submissions.isEmpty()); // filled, not sent
    }

    void screenshotsAtTwoScales()
    {
        Fixture f;
        QVERIFY(f.start());
        EnhancedCanvasView *canvas = f.controller.enhancedCanvasView();
        NSCanvasComponentPtr component;
        for (const NSCanvasComponentPtr &c : canvas->components())
            if (c->type().kind() == EnhancedComponentType::Kind::welcomeView)
                component = c;
        QVERIFY(component);
        const QColor background = Color::appBackground();
        for (const qreal scale : {0.75, 0.4}) {
            f.controller.setScale(scale);
            f.controller.setOffset(QPointF(800, 500) - component->frame().center() * scale);
            f.controller.applyTransform();
            canvas->updateComponentFrames(true, scale);
            QTest::qWait(100);
            const QImage shot = f.controller.view()->grab().toImage();
            const QString name = QStringLiteral("canvas_welcome_%1.png").arg(qRound(scale * 100));
            QVERIFY(shot.save(QDir::current().filePath(name)));
            // The row of cards across the middle of the component differs from the canvas.
            const QRectF frame = canvas->viewFrame(*component);
            const WelcomeSearchSection *welcome = f.welcome();
            const ImageCardView *first = welcome->cards().first();
            const qreal rowY = frame.top() + (first->y() + first->cardRect().center().y()) * scale;
            int differing = 0;
            for (int x = int(frame.left()); x < int(frame.right()); x += 4)
                differing += QColor(shot.pixel(x, int(rowY))) != background ? 1 : 0;
            QVERIFY2(differing > frame.width() / 4 * 0.6, qPrintable(name));
        }
    }

    // The canvas's own handler may see Escape first: with the profile up or fading out it only
    // closes the profile, it never minimises the canvas.
    void escapeBelongsToTheProfileWhileItIsUp()
    {
        Fixture f;
        QVERIFY(f.start());
        f.showProfile();
        QVERIFY(f.controller.isProfileOverlayVisible());
        QVERIFY(f.escapeThroughTheCanvasHandler());
        QVERIFY(!f.controller.isProfileOverlayVisible());
        QVERIFY(f.controller.profileOverlayView()); // fading out
        QVERIFY(f.escapeThroughTheCanvasHandler());
        QCOMPARE(f.minimisations(), 0);

        // Through the real key road: the overlay's own monitor closes it, a second press during
        // the fade-out changes nothing.
        QTRY_VERIFY(!f.controller.profileOverlayView());
        f.showProfile();
        QTRY_VERIFY(f.overlay() && f.overlay()->hasKeyMonitor());
        QTest::keyClick(f.window.windowHandle(), Qt::Key_Escape);
        QVERIFY(!f.controller.isProfileOverlayVisible());
        QTest::keyClick(f.window.windowHandle(), Qt::Key_Escape);
        QCOMPARE(f.minimisations(), 0);
        QTRY_VERIFY(!f.controller.profileOverlayView());
        QVERIFY(!f.window.isMinimized());
    }

    void repeatedDismissalsAreHarmless()
    {
        Fixture f;
        QVERIFY(f.start());
        f.showProfile();
        f.showProfile(); // a second request while it is up
        QCOMPARE(f.controller.view()->findChildren<ProfileOverlayView *>().size(), 1);
        QPointer<QWidget> container = f.controller.profileOverlayView();
        for (int i = 0; i < 3; ++i)
            f.controller.hideProfileOverlay();
        QTRY_VERIFY(!container);
        QVERIFY(!f.controller.profileOverlayView());
        f.controller.hideProfileOverlay();
        f.showProfile(); // opens again afterwards
        QVERIFY(f.controller.isProfileOverlayVisible());
        QTRY_VERIFY(f.overlay() && f.overlay()->showCard());
    }

    // Logout: the overlay closes, then the coordinator signs out.
    void logoutClosesThenSignsOutThroughTheCoordinator()
    {
        Fixture f;
        QVERIFY(f.start());
        bool wasVisibleAtSignOut = true;
        f.coordinator.onSignOut = [&f, &wasVisibleAtSignOut] { wasVisibleAtSignOut = f.controller.isProfileOverlayVisible(); };
        f.showProfile();
        QTRY_VERIFY(f.overlay() && f.overlay()->showCard());
        QTest::mouseClick(f.overlay()->card()->logoutButton(), Qt::LeftButton);
        QCOMPARE(f.coordinator.signOuts, 1);
        QVERIFY(!wasVisibleAtSignOut);
        QTRY_VERIFY(!f.controller.profileOverlayView());
    }

    // The profile arrives after the overlay has gone: nothing of the overlay is touched (the
    // sanitizers watch), and the service keeps the profile.
    void aLoadFinishingAfterDismissalTouchesNothing()
    {
        Fixture f;
        QVERIFY(f.start());
        QTRY_VERIFY(!f.profiles->isLoading());
        f.api.setReply(AccountApiStandin::Endpoint::GetProfile, 200, AccountApiStandin::profileJson("u-2", "Grace", "g@example.test"),
                       400);
        NotificationCenter::defaultCenter().post(QStringLiteral("logoutCompleted")); // empties the service's cache
        QVERIFY(!f.profiles->cachedProfile());
        f.showProfile();
        QTRY_VERIFY(f.overlay() && f.overlay()->profileViewModel()->isLoading());
        f.controller.hideProfileOverlay();
        QTRY_VERIFY(!f.controller.profileOverlayView());
        QTRY_VERIFY(!f.profiles->isLoading());
        QVERIFY(f.profiles->cachedProfile());
    }
};

TAVO_TEST_MAIN(CanvasWelcomeProfileTest)
#include "tst_canvas_welcome_profile.moc"
