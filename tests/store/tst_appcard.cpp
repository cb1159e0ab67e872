#include "Platform/ModalPrompt.h"

#include <QPushButton>
#include "StoreFixture.h"
#include "TestMain.h"
#include "store/AppCardView.h"
#include "theme/Color.h"
#include "widgets/RemoteImageLoader.h"

// The app card and its action button against the fake store model: the button's one table
// of states and taps, the icon tile's choice, the second line, the logo fetch and the
// uninstall path.
class AppCardTest : public QObject {
    Q_OBJECT

    using Flags = AppCardActionButton::Flags;

private Q_SLOTS:
    void buttonStatesAndTaps_data()
    {
        QTest::addColumn<bool>("busy");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("updatable");
        QTest::addColumn<bool>("authenticated");
        QTest::addColumn<bool>("verifying");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("icon");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<QString>("tap");
        const QColor text = Color::textPrimary(), blue = QColor(0x3F, 0x96, 0xF9), orange = QColor(0xFF, 0x6D, 0x1C);
        QTest::newRow("not installed") << false << false << false << false << false << "Install" << "ic_install" << text << "toggleInstallation";
        QTest::newRow("installed, not connected") << false << true << false << false << false << "Authenticate" << "ic_authenticate" << orange
                                                  << "connectInstalledApp";
        QTest::newRow("verifying") << false << true << false << false << true << "Verifying..." << "ic_authenticate" << orange << "";
        QTest::newRow("installed and connected") << false << true << false << true << false << "Installed" << "ic_installed" << blue << "";
        QTest::newRow("connected, updatable") << false << true << true << true << false << "Update" << "btn_expand" << blue << "updateApp";
        QTest::newRow("not installed, updatable") << false << false << true << false << false << "Update" << "btn_expand" << text << "updateApp";
        QTest::newRow("verifying, updatable") << false << true << true << false << true << "Update" << "btn_expand" << orange << "updateApp";
        QTest::newRow("busy") << true << false << false << false << false << "Installing..." << "ic_installed" << text << "";
        QTest::newRow("busy, updatable") << true << true << true << false << false << "Installing..." << "ic_installed" << orange << "";
    }
    void buttonStatesAndTaps()
    {
        QFETCH(bool, busy);
        QFETCH(bool, installed);
        QFETCH(bool, updatable);
        QFETCH(bool, authenticated);
        QFETCH(bool, verifying);
        QFETCH(QString, title);
        QFETCH(QString, icon);
        QFETCH(QColor, colour);
        QFETCH(QString, tap);

        StoreFixture f;
        AppStoreData *app = f.makeApp(QStringLiteral("Notion"));
        app->setIsInstalled(installed);
        app->setIsUpdatable(updatable);
        app->setIsAuthenticated(authenticated);
        app->setIsVerifyingAuth(verifying);
        f.model.setBusy(app, busy);

        for (AppCardSize size : {AppCardSize::Large, AppCardSize::Small}) {
            f.model.calls.clear();
            AppCardView card(app, false, size, QStringLiteral("app_icon_mask"), &f.model);
            card.show();
            AppCardActionButton *button = card.actionButton();
            QCOMPARE(card.buttonTitle(), title);
            QCOMPARE(card.buttonIconName(), icon);
            QCOMPARE(card.buttonForegroundColor(), colour);
            QCOMPARE(button->buttonRect().size(), QSize(size == AppCardSize::Large ? 204 : 248, 56));
            QCOMPARE(button->isEnabled(), !busy);
            QCOMPARE(button->isSpinnerShown(), busy);

            // A click on the button itself, and one in its padding, which is not the button.
            QTest::mouseClick(button, Qt::LeftButton, {}, button->buttonRect().center());
            QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(4, 20));
            QCOMPARE(f.model.calls, tap.isEmpty() ? QStringList() : QStringList{tap + QStringLiteral(":Notion")});
        }
    }

    // The button follows the model: busy while the operation runs, then the app's new state.
    void buttonFollowsTheModel()
    {
        StoreFixture f;
        AppStoreData *app = f.makeApp(QStringLiteral("Slack"));
        AppCardView card(app, false, AppCardSize::Large, QStringLiteral("app_icon_mask"), &f.model);
        card.show();
        QTest::mouseClick(card.actionButton(), Qt::LeftButton, {}, card.actionButton()->buttonRect().center());
        QCOMPARE(f.model.calls, QStringList{"toggleInstallation:Slack"});
        f.model.setBusy(app, true);
        QCOMPARE(card.buttonTitle(), QStringLiteral("Installing..."));
        QVERIFY(card.actionButton()->isSpinnerShown());
        app->setIsInstalled(true);
        f.model.setBusy(app, false);
        QCOMPARE(card.buttonTitle(), QStringLiteral("Authenticate"));
        QVERIFY(!card.actionButton()->isSpinnerShown());
        QVERIFY(card.actionButton()->isEnabled());
        app->setIsVerifyingAuth(true);
        QCOMPARE(card.buttonTitle(), QStringLiteral("Verifying..."));
        app->setIsVerifyingAuth(false);
        app->setIsAuthenticated(true);
        QCOMPARE(card.buttonTitle(), QStringLiteral("Installed"));
    }

    // Which picture the tile and the backdrop show while no logo is loaded.
    void iconChoice_data()
    {
        QTest::addColumn<bool>("catalog");
        QTest::addColumn<QString>("iconName");
        QTest::addColumn<int>("tile");
        QTest::addColumn<int>("backdrop");
        const int symbol = int(AppCardView::IconContent::Symbol), resource = int(AppCardView::IconContent::Resource);
        QTest::newRow("catalog app naming a resource") << true << "slack_logo" << symbol << symbol;
        QTest::newRow("catalog app") << true << "" << symbol << symbol;
        QTest::newRow("own app with a resource") << false << "slack_logo" << resource << resource;
        QTest::newRow("own app without") << false << "" << symbol << symbol;
    }
    void iconChoice()
    {
        QFETCH(bool, catalog);
        QFETCH(QString, iconName);
        QFETCH(int, tile);
        QFETCH(int, backdrop);
        StoreFixture f;
        // No logo address, or an empty one: no request.
        AppStoreData *app = f.makeApp(QStringLiteral("App"), catalog ? std::optional<QString>(QStringLiteral("app_x")) : std::nullopt,
                                      catalog ? std::optional<QString>(QString()) : std::nullopt, iconName);
        const int before = RemoteImageLoader::shared().requestCount();
        for (AppCardSize size : {AppCardSize::Large, AppCardSize::Small}) {
            AppCardView card(app, false, size, QStringLiteral("app_icon_mask"), &f.model);
            card.show();
            QCOMPARE(int(card.tileContent()), tile);
            QCOMPARE(int(card.backdropContent()), backdrop);
            QVERIFY(!card.isLoadingIcon());
            QVERIFY(!card.grab().isNull());
        }
        QCOMPARE(RemoteImageLoader::shared().requestCount(), before);
    }

    void secondLine_data()
    {
        QTest::addColumn<bool>("large");
        QTest::addColumn<QString>("developer");
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("line");
        QTest::newRow("large: developer") << true << "Acme" << "Productivity" << "Acme";
        QTest::newRow("large: no developer") << true << "" << "Productivity" << "Integration";
        QTest::newRow("small: a category") << false << "Acme" << "Artificial Intelligence (AI)" << "Artificial Intelligence (AI)";
        QTest::newRow("small: another case") << false << "Acme" << "artificial intelligence (ai)" << "Productivity";
        QTest::newRow("small: no such category") << false << "Acme" << "Gardening" << "Productivity";
        QTest::newRow("small: empty") << false << "Acme" << "" << "Productivity";
    }
    void secondLine()
    {
        QFETCH(bool, large);
        QFETCH(QString, developer);
        QFETCH(QString, category);
        QFETCH(QString, line);
        StoreFixture f;
        AppStoreData *app = f.makeApp(QStringLiteral("App"));
        app->setDeveloper(developer);
        app->setCategory(category);
        AppCardView card(app, false, large ? AppCardSize::Large : AppCardSize::Small, QStringLiteral("app_icon_mask"), &f.model);
        QCOMPARE(card.secondLine(), line);
        QCOMPARE(card.size(), large ? QSize(224, 290) : QSize(268, 186));
    }

    // Two cards of one app come on screen together: one request; both show the logo, shrunk
    // (and stretched) to a 64 x 64 square. A card that comes later takes it from the cache.
    void oneRequestForTwoAppearancesOfOneLogo()
    {
        StoreFixture f;
        AppStoreData *app = f.makeApp(QStringLiteral("Wide"), QStringLiteral("app_w"), f.logoUrl(QStringLiteral("/wide.png")));
        AppCardView featured(app, true, AppCardSize::Large, QStringLiteral("app_icon_mask"), &f.model);
        AppCardView productivity(app, false, AppCardSize::Large, QStringLiteral("app_icon_mask"), &f.model);
        featured.show();
        productivity.show();
        // A second appearance of the same card while its fetch runs starts nothing more.
        featured.hide();
        featured.show();
        QCOMPARE(featured.tileContent(), AppCardView::IconContent::Spinner);
        QTRY_COMPARE(featured.tileContent(), AppCardView::IconContent::Logo);
        QTRY_COMPARE(productivity.tileContent(), AppCardView::IconContent::Logo);
        QCOMPARE(featured.backdropContent(), AppCardView::IconContent::Logo);
        QCOMPARE(featured.appIcon().size(), QSize(64, 64));
        QVERIFY(!featured.isLoadingIcon());
        QCOMPARE(f.requestsTo(QStringLiteral("/wide.png")), 1);

        AppCardView later(app, false, AppCardSize::Small, QStringLiteral("app_icon_mask"), &f.model);
        later.show();
        QTRY_COMPARE(later.tileContent(), AppCardView::IconContent::Logo);
        QCOMPARE(f.requestsTo(QStringLiteral("/wide.png")), 1);
    }

    // An error page leaves the placeholder and ends the spinner; the next card tries again.
    void aFailedLogoKeepsThePlaceholder()
    {
        StoreFixture f;
        AppStoreData *app = f.makeApp(QStringLiteral("Gone"), QStringLiteral("app_g"), f.logoUrl(QStringLiteral("/missing.png")), "slack_logo");
        {
            AppCardView card(app, false, AppCardSize::Large, QStringLiteral("app_icon_mask"), &f.model);
            card.show();
            QVERIFY(card.isLoadingIcon());
            QTRY_VERIFY(!card.isLoadingIcon());
            QCOMPARE(card.tileContent(), AppCardView::IconContent::Symbol);
            QVERIFY(card.appIcon().isNull());
        }
        AppCardView again(app, false, AppCardSize::Large, QStringLiteral("app_icon_mask"), &f.model);
        again.show();
        QTRY_VERIFY(!again.isLoadingIcon());
        QCOMPARE(f.requestsTo(QStringLiteral("/missing.png")), 2);
    }

    void deleteControl_data()
    {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QString>("pipedreamId"); // "-" for none
        QTest::addColumn<bool>("hovered");
        QTest::addColumn<bool>("shown");
        QTest::newRow("installed own app, hovered") << true << "-" << true << true;
        QTest::newRow("installed catalog app, hovered") << true << "app_abc" << true << true;
        QTest::newRow("the pre-installed app") << true << "app_7Lho0v" << true << false;
        QTest::newRow("not installed") << false << "-" << true << false;
        QTest::newRow("not hovered") << true << "-" << false << false;
    }
    void deleteControl()
    {
        QFETCH(bool, installed);
        QFETCH(QString, pipedreamId);
        QFETCH(bool, hovered);
        QFETCH(bool, shown);
        StoreFixture f;
        AppStoreData *app = f.makeApp(QStringLiteral("Zoom"), pipedreamId == "-" ? std::nullopt : std::optional<QString>(pipedreamId));
        app->setIsInstalled(installed);
        AppCardView card(app, false, AppCardSize::Large, QStringLiteral("app_icon_mask"), &f.model);
        card.show();
        card.setHovered(hovered);
        QCOMPARE(card.isDeleteControlShown(), shown);
        auto *control = card.findChild<QPushButton *>();
        QVERIFY(control);
        QCOMPARE(control->isVisible(), shown);
        card.setHovered(false);
        QVERIFY(!control->isVisible());
    }

    void uninstallAsksFirst_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("Cancel") << 0 << QStringList();
        QTest::newRow("Uninstall") << 1 << QStringList{"uninstallApp:Zoom"};
    }
    void uninstallAsksFirst()
    {
        QFETCH(int, answer);
        QFETCH(QStringList, calls);
        StoreFixture f;
        AppStoreData *app = f.makeApp(QStringLiteral("Zoom"));
        app->setIsInstalled(true);
        AppCardView card(app, false, AppCardSize::Small, QStringLiteral("app_icon_mask"), &f.model);
        card.show();
        card.setHovered(true);
        QList<PromptRequest> asked;
        ModalPrompt::setResponder([&](const PromptRequest &r) {
            asked << r;
            return answer;
        });
        QTest::mouseClick(card.findChild<QPushButton *>(), Qt::LeftButton);
        QTRY_COMPARE(asked.size(), 1);
        QTRY_VERIFY(!card.showDeleteConfirmation());
        ModalPrompt::setResponder({});
        QCOMPARE(asked[0].title, QStringLiteral("Uninstall App"));
        QCOMPARE(asked[0].text, QStringLiteral("Are you sure you want to uninstall 'Zoom'?\n\nThis will remove the app and all its data."));
        QCOMPARE(asked[0].buttons, (QStringList{"Cancel", "Uninstall"}));
        QCOMPARE(asked[0].cancelIndex, 0);
        QCOMPARE(f.model.calls, calls);
    }

    // A card fades in once, after a delay of at most 0.2 s, and not again when shown again.
    void fadesInOnce()
    {
        StoreFixture f;
        FakeScheduler clock;
        AppStoreData *app = f.makeApp(QStringLiteral("Miro"));
        AppCardView card(app, false, AppCardSize::Large, QStringLiteral("app_icon_mask"), &f.model);
        card.show();
        QVERIFY(!card.hasAppeared());
        clock.advance(200);
        QVERIFY(card.hasAppeared());
        card.hide();
        card.show();
        QCOMPARE(clock.pendingCount(), 0);
        QVERIFY(card.hasAppeared());
    }
};

TAVO_TEST_MAIN(AppCardTest)
#include "tst_appcard.moc"
