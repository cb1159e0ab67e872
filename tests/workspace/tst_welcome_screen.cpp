// The canvas welcome screen on its own: the sample cards hand their whole prompt to the prompt
// bar, the two buttons post their notifications, the pointer tracking of the cards, the profile
// preload on every showing, and the avatar's download (stale results, failures, retries)
// against a picture server on 127.0.0.1.
#include "AccountApiStandin.h"
#include "IdentityStandin.h"
#include "InMemoryCredentialsStore.h"
#include "NotificationSpy.h"
#include "StandinHttpServer.h"
#include "TestMain.h"
#include "Controller/session/AccessTokenProvider.h"
#include "account/Auth0Manager.h"
#include "account/ProfileService.h"
#include "theme/CircleButton.h"
#include "widgets/RemoteImageLoader.h"
#include "workspace/ActionButtonsView.h"
#include "workspace/ImageCardView.h"
#include "workspace/MouseTrackingView.h"
#include "workspace/ProfilePictureView.h"
#include "workspace/WelcomeSearchSection.h"
#include "Platform/Identity/HostedLoginClient.h"

#include <QBuffer>
#include <QTemporaryDir>

namespace {
QByteArray png(const QColor &color)
{
    QImage image(8, 8, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

StandinHttpServer::Reply picture(const QColor &color, int delayMs = 0)
{
    StandinHttpServer::Reply reply;
    reply.body = png(color);
    reply.contentType = "image/png";
    reply.delayMs = delayMs;
    return reply;
}

// A signed-in identity whose ID token names the picture (none: no identity at all).
struct Identity {
    HostedLoginClient client{QStringLiteral("client-1"), QStringLiteral("http://127.0.0.1:9")};
    InMemoryCredentialsStore store;
    std::unique_ptr<Auth0Manager> manager;

    explicit Identity(const QString &picture)
    {
        Credentials credentials;
        credentials.accessToken = QStringLiteral("access-1");
        credentials.tokenType = QStringLiteral("Bearer");
        credentials.idToken = IdentityStandin::makeJwt({{"sub", "user-1"}, {"email", "a@example.test"}, {"picture", picture}});
        credentials.expiresAt = QDateTime::currentDateTimeUtc().addSecs(3600);
        credentials.scope = QStringLiteral("openid profile email");
        store.entries.insert(QStringLiteral("credentials"), credentials.encode());
        manager = std::make_unique<Auth0Manager>(&client, &store, QStringLiteral("https://api.example.test"));
    }
    bool ready() { return QTest::qWaitFor([this] { return manager->userProfile().has_value(); }, 5000); }
};

QRgb shownColour(const ProfilePictureView &view)
{
    return view.cachedImage().isNull() ? 0 : view.cachedImage().pixel(0, 0);
}
}

class WelcomeScreenTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_cache;
    StandinHttpServer m_pictures;

    QString address(const QString &path) const { return m_pictures.baseUrl().toString() + path; }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_cache.isValid());
        QVERIFY(m_pictures.start());
        m_pictures.on("GET", QStringLiteral("/red.png"), picture(Qt::red));
        m_pictures.on("GET", QStringLiteral("/slow-red.png"), picture(Qt::red, 300));
        m_pictures.on("GET", QStringLiteral("/blue.png"), picture(Qt::blue));
        StandinHttpServer::Reply text;
        text.body = "not a picture";
        text.contentType = "text/plain";
        m_pictures.on("GET", QStringLiteral("/text"), text);
    }

    // A click anywhere in a card's 224 × 290 rectangle, its transparent corners included, posts
    // the card's whole prompt once; the margin around the card takes no clicks.
    void cardsHandTheirWholePromptToThePromptBar()
    {
        WelcomeSearchSection welcome(nullptr, nullptr);
        welcome.resize(1500, 1000);
        welcome.show();
        const auto &prompts = WelcomeSearchSection::samplePrompts();
        QCOMPARE(welcome.cards().size(), 5);
        QCOMPARE(prompts.first().title.size(), 367);
        QVERIFY(prompts.last().title.contains(QChar(0x2019)));
        for (int i = 0; i < welcome.cards().size(); ++i) {
            ImageCardView *card = welcome.cards()[i];
            QCOMPARE(card->title(), prompts[i].title);
            QCOMPARE(card->imageName(), QStringLiteral("img_card_%1").arg(i + 1));
            for (const QPoint &at : {card->cardRect().center(), card->cardRect().topLeft() + QPoint(1, 1),
                                     card->cardRect().bottomRight() - QPoint(1, 1)}) {
                NotificationSpy spy;
                QTest::mouseClick(card, Qt::LeftButton, {}, at);
                QCOMPARE(spy.names(), QStringList{QStringLiteral("canvasInsertSearchText")});
                QCOMPARE(spy.all().first().object.toString(), prompts[i].title);
                QVERIFY(spy.all().first().userInfo.isEmpty());
            }
            NotificationSpy spy;
            QTest::mouseClick(card, Qt::LeftButton, {}, QPoint(2, 2)); // the margin
            QCOMPARE(spy.all().size(), 0);
        }
        // Cards sit 34 apart in one row, centred.
        const QRect first = welcome.cards().first()->geometry().marginsRemoved(QMargins(12, 12, 12, 12));
        const QRect second = welcome.cards()[1]->geometry().marginsRemoved(QMargins(12, 12, 12, 12));
        QCOMPARE(second.left() - first.right() - 1, 34);
        QCOMPARE(first.left() + (5 * 224 + 4 * 34) / 2, 750);
    }

    void hoverGrowsTheCardAndLeavingShrinksIt()
    {
        ImageCardView card(QStringLiteral("t"), QStringLiteral("s"), QStringLiteral("img_card_1"), {});
        card.show();
        QMouseEvent inside(QEvent::MouseMove, QPointF(card.cardRect().center()), QPointF(), Qt::NoButton, Qt::NoButton, {});
        QApplication::sendEvent(&card, &inside);
        QVERIFY(card.isHovering());
        QCOMPARE(card.mouseLocation(), QPointF(112, 145));
        QTRY_COMPARE(card.currentScale(), ImageCardView::hoverScale);
        QMouseEvent margin(QEvent::MouseMove, QPointF(3, 3), QPointF(), Qt::NoButton, Qt::NoButton, {});
        QApplication::sendEvent(&card, &margin);
        QVERIFY(!card.isHovering());
        QTRY_COMPARE(card.currentScale(), 1.0);
    }

    void buttonsPostTheirOverlays()
    {
        ActionButtonsView buttons([] { NotificationCenter::defaultCenter().post(QStringLiteral("showCanvasProfileOverlay")); }, nullptr);
        buttons.show();
        for (const auto &[button, name] : QList<QPair<QAbstractButton *, QString>>{
                 {buttons.profilePicture()->button(), QStringLiteral("showCanvasProfileOverlay")},
                 {buttons.appStoreButton(), QStringLiteral("showCanvasAppStoreOverlay")}}) {
            NotificationSpy spy;
            QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center() - QPoint(0, 10));
            QCOMPARE(spy.names(), QStringList{name});
            QVERIFY(spy.all().first().object.isNull());
        }
        QCOMPARE(buttons.appStoreButton()->label(), std::optional<QString>(QStringLiteral("App Store")));
        QCOMPARE(buttons.profilePicture()->button()->label(), std::optional<QString>(QStringLiteral("Profile")));
    }

    // Positions come in the view's own coordinates, one write per move on a later turn, only
    // while the window is active and only inside the view's current bounds.
    void mouseTrackingReportsInItsOwnCoordinates()
    {
        QWidget window;
        window.resize(400, 300);
        auto *host = new QWidget(&window);
        host->setGeometry(50, 40, 300, 200);
        QList<QPointF> written;
        auto *tracking = new MouseTrackingView([&written](const QPointF &p) { written << p; }, host);
        tracking->setGeometry(10, 20, 100, 100);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto move = [host](const QPointF &p) {
            QMouseEvent e(QEvent::MouseMove, p, host->mapToGlobal(p), Qt::NoButton, Qt::NoButton, {});
            QApplication::sendEvent(host, &e);
        };
        move(QPointF(10, 20));
        move(QPointF(60, 90));
        QVERIFY(written.isEmpty()); // never inside the event
        QTRY_COMPARE(written, (QList<QPointF>{QPointF(0, 0), QPointF(50, 70)}));
        move(QPointF(200, 20)); // outside its bounds
        tracking->resize(250, 100);
        move(QPointF(200, 25)); // inside the new bounds
        QTRY_COMPARE(written.size(), 3);
        QCOMPARE(written.last(), QPointF(190, 5));

        QWidget other;
        other.resize(100, 100);
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        move(QPointF(20, 30));
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QCOMPARE(written.size(), 3);
        QVERIFY(tracking->testAttribute(Qt::WA_TransparentForMouseEvents));
    }

    // Every showing asks for a preload; a failing preload leaves the screen as it was.
    void everyShowingPreloadsTheProfile()
    {
        AccountApiStandin api;
        QVERIFY(api.start());
        api.setReply(AccountApiStandin::Endpoint::GetProfile, 500, "{}");
        FunctionTokenProvider tokens([](QObject *, AccessTokenProvider::Callback done) { done(QStringLiteral("token-1")); });
        ProfileService profiles(api.baseUrl(), &tokens, false);
        WelcomeSearchSection welcome(nullptr, &profiles);
        welcome.resize(1500, 1000);
        QCOMPARE(api.count(AccountApiStandin::Endpoint::GetProfile), 0);
        welcome.show();
        QTRY_COMPARE(api.count(AccountApiStandin::Endpoint::GetProfile), 1);
        QTRY_VERIFY(!profiles.isLoading());
        welcome.hide();
        welcome.show();
        QTRY_COMPARE(api.count(AccountApiStandin::Endpoint::GetProfile), 2);
        QVERIFY(!profiles.cachedProfile());
        QCOMPARE(welcome.cards().size(), 5);
    }

    void noUsablePictureMeansTheSymbolAndNoRequest_data()
    {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<bool>("signedIn");
        QTest::newRow("nobody signed in") << QString() << false;
        QTest::newRow("empty") << QString() << true;
        QTest::newRow("not an address") << QStringLiteral("just words") << true;
        QTest::newRow("not a web address") << QStringLiteral("file:///etc/passwd") << true;
    }
    void noUsablePictureMeansTheSymbolAndNoRequest()
    {
        QFETCH(QString, picture);
        QFETCH(bool, signedIn);
        RemoteImageLoader loader(m_cache.filePath(QString::fromLatin1(QTest::currentDataTag())));
        std::unique_ptr<Identity> identity;
        if (signedIn) {
            identity = std::make_unique<Identity>(picture);
            QVERIFY(identity->ready());
        }
        ProfilePictureView view({}, identity ? identity->manager.get() : nullptr, &loader);
        view.show();
        QCoreApplication::processEvents();
        QVERIFY(!view.pictureUrl());
        QVERIFY(!view.showsLoadingMark());
        QCOMPARE(loader.requestCount(), 0);
        QVERIFY(view.cachedImage().isNull());
    }

    void thePictureArrivesAndIsKept()
    {
        RemoteImageLoader loader(m_cache.filePath(QStringLiteral("kept")));
        Identity identity(address(QStringLiteral("/red.png")));
        QVERIFY(identity.ready());
        ProfilePictureView view({}, identity.manager.get(), &loader);
        QVERIFY(view.isImageLoading()); // from the first frame
        view.show();
        QVERIFY(view.showsLoadingMark());
        QTRY_VERIFY(!view.isImageLoading());
        QCOMPARE(shownColour(view), QColor(Qt::red).rgb());
        view.hide();
        view.show();
        QCoreApplication::processEvents();
        QCOMPARE(loader.requestCount(), 1);
        QCOMPARE(shownColour(view), QColor(Qt::red).rgb());
    }

    // The first picture is still on its way when another is asked for: its late result is
    // dropped, the second one stays.
    void aStaleResultNeverReplacesANewerOne()
    {
        RemoteImageLoader loader(m_cache.filePath(QStringLiteral("stale")));
        ProfilePictureView view({}, nullptr, &loader);
        const QString slow = address(QStringLiteral("/slow-red.png"));
        view.loadImage(QUrl(slow));
        view.loadImage(QUrl(address(QStringLiteral("/blue.png"))));
        // A second listener of the slow picture hears of it right after the avatar does.
        bool slowArrived = false;
        loader.load(slow, this, [&slowArrived](const QImage &) { slowArrived = true; });
        QTRY_VERIFY(slowArrived);
        QVERIFY(!view.isImageLoading());
        QCOMPARE(shownColour(view), QColor(Qt::blue).rgb());
        QCOMPARE(view.currentImageURL(), std::optional<QString>(address(QStringLiteral("/blue.png"))));
        // Asked again for the picture it shows: nothing new is fetched.
        view.loadImage(QUrl(address(QStringLiteral("/blue.png"))));
        QCOMPARE(loader.requestCount(), 2);
    }

    // A body that is no picture leaves the symbol, stops the spinner, and the next showing
    // tries again.
    void aFailedDownloadIsTriedAgainOnTheNextShowing()
    {
        RemoteImageLoader loader(m_cache.filePath(QStringLiteral("retry")));
        Identity identity(address(QStringLiteral("/text")));
        QVERIFY(identity.ready());
        ProfilePictureView view({}, identity.manager.get(), &loader);
        view.show();
        QTRY_VERIFY(!view.isImageLoading());
        QVERIFY(view.cachedImage().isNull());
        QVERIFY(!view.currentImageURL());
        QVERIFY(!view.showsLoadingMark());
        QCOMPARE(m_pictures.requestsTo(QStringLiteral("/text")).size(), 1);
        view.hide();
        view.show();
        QVERIFY(view.isImageLoading());
        QTRY_VERIFY(!view.isImageLoading());
        QCOMPARE(m_pictures.requestsTo(QStringLiteral("/text")).size(), 2);
    }
};

TAVO_TEST_MAIN(WelcomeScreenTest)
#include "tst_welcome_screen.moc"
