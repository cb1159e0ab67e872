#include "StoreFixture.h"
#include "TestMain.h"
#include "store/AppIconViewForPopup.h"
#include "store/AuthenticationPopupButton.h"
#include "store/AuthenticationPopupView.h"
#include "theme/Color.h"
#include "widgets/RemoteImageLoader.h"

#include <QLabel>

// The authorization popup over a stand-in store view, against the fake store model: when it
// shows, what it says, where clicks go, and its icon.
class AuthPopupTest : public QObject {
    Q_OBJECT

    static const QString &explanation()
    {
        static const QString text = QStringLiteral("You need to authenticate your account to access and use all features of this app");
        return text;
    }

    struct Host {
        QWidget store;
        AuthenticationPopupView *popup;
        explicit Host(AppStoreModel *model, QSize size = QSize(1000, 700))
        {
            store.resize(size);
            popup = new AuthenticationPopupView(model, &store);
            store.show();
        }
    };

private Q_SLOTS:
    void showsExactlyWhileTheModelSaysSo()
    {
        StoreFixture f;
        Host host(&f.model);
        QVERIFY(host.popup->isHidden());
        AppStoreData *app = f.makeApp(QStringLiteral("Notion"));
        f.model.setPopup(true, app);
        QVERIFY(host.popup->isVisible());
        QCOMPARE(host.popup->geometry(), host.store.rect());
        host.store.resize(1200, 800);
        QCOMPARE(host.popup->geometry(), QRect(0, 0, 1200, 800));
        f.model.setPopup(false, nullptr);
        QVERIFY(host.popup->isHidden());
        QVERIFY(!host.popup->card());
    }

    void texts_data()
    {
        QTest::addColumn<bool>("pending");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("logLine");
        QTest::newRow("an app") << true << QStringList{"Notion <b>", "Authorize the App", explanation()}
                                << "DEBUG: Auth popup appeared. appPendingAuth is: Notion <b>";
        QTest::newRow("no app") << false << QStringList{"Authorize the App", explanation()}
                                << "DEBUG: Auth popup appeared. appPendingAuth is: nil";
    }
    void texts()
    {
        QFETCH(bool, pending);
        QFETCH(QStringList, texts);
        QFETCH(QString, logLine);
        StoreFixture f;
        Host host(&f.model);
        AppStoreData *app = pending ? f.makeApp(QStringLiteral("Notion <b>")) : nullptr;
        f.model.setPopup(true, app);
        QCOMPARE(host.popup->texts(), texts);
        for (QLabel *label : host.popup->card()->findChildren<QLabel *>())
            if (!label->text().isEmpty())
                QCOMPARE(label->textFormat(), Qt::PlainText);
        QCOMPARE(host.popup->laterButton()->text(), QStringLiteral("Later"));
        QCOMPARE(host.popup->authenticateButton()->text(), QStringLiteral("Authenticate"));
        QCOMPARE(bool(host.popup->iconView()), pending);
        QCOMPARE(f.log().count(logLine), 1);
    }

    // "Later" and the backdrop drop the question; "Authenticate" hands over on the next turn;
    // the card itself takes clicks without effect.
    void clicks_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("backdrop") << "backdrop" << QStringList{"cancelAuthentication"};
        QTest::newRow("Later") << "later" << QStringList{"cancelAuthentication"};
        QTest::newRow("Authenticate") << "authenticate" << QStringList{"authenticatePendingApp"};
        QTest::newRow("the card's title") << "title" << QStringList();
        QTest::newRow("the card's icon") << "icon" << QStringList();
        QTest::newRow("the card's edge") << "card" << QStringList();
    }
    void clicks()
    {
        QFETCH(QString, target);
        QFETCH(QStringList, calls);
        StoreFixture f;
        Host host(&f.model);
        f.model.setPopup(true, f.makeApp(QStringLiteral("Notion")));
        AuthenticationPopupView *popup = host.popup;
        if (target == "backdrop")
            QTest::mouseClick(popup, Qt::LeftButton, {}, QPoint(20, 20));
        else if (target == "later")
            QTest::mouseClick(popup->laterButton(), Qt::LeftButton);
        else if (target == "authenticate")
            QTest::mouseClick(popup->authenticateButton(), Qt::LeftButton);
        else if (target == "title")
            QTest::mouseClick(popup->card()->findChildren<QLabel *>().last(), Qt::LeftButton);
        else if (target == "icon")
            QTest::mouseClick(popup->iconView(), Qt::LeftButton);
        else
            QTest::mouseClick(popup->card(), Qt::LeftButton, {}, QPoint(4, popup->card()->height() / 2));
        QTRY_COMPARE(f.model.calls, calls);
        QTest::qWait(20);
        QCOMPARE(f.model.calls, calls);
        QCOMPARE(popup->isHidden(), !calls.isEmpty());
    }

    // The event the popup's "Later" leads to names the developer as every authentication
    // event does, under "developer".
    void authenticationEventNamesTheDeveloper()
    {
        StoreFixture f;
        AppStoreData *app = f.makeApp(QStringLiteral("Notion"));
        app->setDeveloper(QStringLiteral("Notion Labs"));
        app->setCategory(QStringLiteral("Productivity"));
        const QVariantMap properties = AppStoreModel::authenticationEventProperties(*app);
        QCOMPARE(properties, (QVariantMap{{"category", "Productivity"}, {"developer", "Notion Labs"}}));
        QVERIFY(!properties.contains(QStringLiteral("developed")));
    }

    // The card is at most 380 wide, centred; a long name wraps and makes it taller.
    void cardSize()
    {
        StoreFixture f;
        Host wide(&f.model, QSize(1000, 700));
        f.model.setPopup(true, f.makeApp(QStringLiteral("Short")));
        const QRect shortCard = wide.popup->card()->geometry();
        QCOMPARE(shortCard.width(), 380);
        QCOMPARE(shortCard.left(), (1000 - 380) / 2);
        f.model.setPopup(false, nullptr);
        f.model.setPopup(true, f.makeApp(QStringLiteral("A very long app name that goes on and on well past one line of the card")));
        const QRect longCard = wide.popup->card()->geometry();
        QCOMPARE(longCard.width(), 380);
        QVERIFY(longCard.height() > shortCard.height());
        f.model.setPopup(false, nullptr);

        Host narrow(&f.model, QSize(300, 700));
        f.model.setPopup(true, nullptr);
        QCOMPARE(narrow.popup->card()->width(), 300);
    }

    void hoverRaisesAButton()
    {
        StoreFixture f;
        Host host(&f.model);
        f.model.setPopup(true, f.makeApp(QStringLiteral("Notion")));
        AuthenticationPopupButton *later = host.popup->laterButton();
        const qreal full = Color::controlFill().alphaF();
        QVERIFY(qAbs(later->fillColor().alphaF() - 0.8 * full) < 0.01);
        QVERIFY(qAbs(later->textColor().alphaF() - Color::textPrimary().alphaF() * 0.7) < 0.01);
        later->setHovered(true);
        QTRY_COMPARE(later->hoverProgress(), 1.0);
        QVERIFY(qAbs(later->fillColor().alphaF() - full) < 0.01);
        QVERIFY(!host.popup->authenticateButton()->isHovered());
        // A new showing starts unhovered.
        f.model.setPopup(false, nullptr);
        f.model.setPopup(true, nullptr);
        QVERIFY(!host.popup->laterButton()->isHovered());
        QCOMPARE(host.popup->laterButton()->hoverProgress(), 0.0);
    }

    void iconView_data()
    {
        QTest::addColumn<bool>("catalog");
        QTest::addColumn<QString>("path"); // "" for no address
        QTest::addColumn<QString>("iconName");
        QTest::addColumn<int>("content");
        QTest::addColumn<int>("requests");
        const int logo = int(AppIconViewForPopup::Content::Logo), placeholder = int(AppIconViewForPopup::Content::Placeholder),
                  resource = int(AppIconViewForPopup::Content::Resource);
        QTest::newRow("catalog app with a logo") << true << "/logo2.png" << "" << logo << 1;
        QTest::newRow("catalog app, error page") << true << "/missing.png" << "slack_logo" << placeholder << 1;
        QTest::newRow("catalog app, a page") << true << "/page.png" << "" << placeholder << 1;
        QTest::newRow("own app with a resource") << false << "/logo3.png" << "slack_logo" << resource << 0;
        QTest::newRow("own app without") << false << "/logo3.png" << "" << placeholder << 0;
    }
    void iconView()
    {
        QFETCH(bool, catalog);
        QFETCH(QString, path);
        QFETCH(QString, iconName);
        QFETCH(int, content);
        QFETCH(int, requests);
        StoreFixture f;
        AppStoreData *app = f.makeApp(QStringLiteral("App"), catalog ? std::optional<QString>(QStringLiteral("app_c")) : std::nullopt,
                                      f.logoUrl(path), iconName);
        Host host(&f.model);
        f.model.setPopup(true, app);
        AppIconViewForPopup *icon = host.popup->iconView();
        QVERIFY(icon);
        if (requests > 0)
            QCOMPARE(icon->content(), AppIconViewForPopup::Content::Spinner);
        QTRY_VERIFY(!icon->isLoadingIcon());
        QCOMPARE(int(icon->content()), content);
        QTest::qWait(20);
        QCOMPARE(f.requestsTo(path), requests);
    }

    // A new logo address while the popup is open drops the logo shown and fetches the new
    // one; the answer for the old address, should it come late, is not shown.
    void aNewLogoAddressIsFetched()
    {
        StoreFixture f;
        AppStoreData *app = f.makeApp(QStringLiteral("App"), QStringLiteral("app_c"), f.logoUrl(QStringLiteral("/logo4.png")));
        Host host(&f.model);
        f.model.setPopup(true, app);
        AppIconViewForPopup *icon = host.popup->iconView();
        QTRY_COMPARE(icon->content(), AppIconViewForPopup::Content::Logo);
        const qint64 first = icon->appIcon().cacheKey();

        app->setIconURL(f.logoUrl(QStringLiteral("/slow.png")));
        QCOMPARE(icon->content(), AppIconViewForPopup::Content::Spinner);
        app->setIconURL(f.logoUrl(QStringLiteral("/logo5.png")));
        QTRY_COMPARE(icon->content(), AppIconViewForPopup::Content::Logo);
        QVERIFY(icon->appIcon().cacheKey() != first);
        QCOMPARE(f.requestsTo(QStringLiteral("/logo5.png")), 1);
        const qint64 second = icon->appIcon().cacheKey();
        QTRY_COMPARE_WITH_TIMEOUT(f.requestsTo(QStringLiteral("/slow.png")), 1, 3000);
        QTest::qWait(1700); // the slow answer arrives and is dropped
        QCOMPARE(icon->appIcon().cacheKey(), second);
    }
};

TAVO_TEST_MAIN(AuthPopupTest)
#include "tst_authpopup.moc"
