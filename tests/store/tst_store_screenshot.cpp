#include "StoreFixture.h"
#include "TestMain.h"
#include "store/AppCardView.h"
#include "store/AppIconViewForPopup.h"
#include "store/AuthenticationPopupView.h"

#include <QDir>
#include <QGridLayout>

// Small and large app cards in each state of their button, on a real display, saved as
// "store-cards.png" in the working folder; then the authorization popup over them, saved as
// "store-popup.png".
class StoreScreenshotTest : public QObject {
    Q_OBJECT

    static int colourCount(const QImage &image, const QRect &area)
    {
        QSet<QRgb> colours;
        for (int y = area.top(); y <= area.bottom(); y += 3)
            for (int x = area.left(); x <= area.right(); x += 3)
                colours << image.pixel(x, y);
        return int(colours.size());
    }

private Q_SLOTS:
    void cardsInEveryState()
    {
        StoreFixture f;
        struct State {
            const char *name;
            bool installed, updatable, authenticated, verifying, busy;
            const char *title;
        };
        const QList<State> states{
            {"Gmail", false, false, false, false, false, "Install"},
            {"Slack", true, false, false, false, false, "Authenticate"},
            {"Notion", true, false, false, true, false, "Verifying..."},
            {"Zoom", true, false, true, false, false, "Installed"},
            {"Miro", true, true, true, false, false, "Update"},
            {"Jira", false, false, false, false, true, "Installing..."},
        };
        const QStringList icons{"gmail_logo", "slack_logo", "notion_logo", "zoom_logo", "miro_logo", "jira_logo"};

        QWidget store;
        store.setAutoFillBackground(true);
        QPalette pal = store.palette();
        pal.setColor(QPalette::Window, QColor(0xEA, 0xE9, 0xE3));
        store.setPalette(pal);
        auto *grid = new QGridLayout(&store);
        grid->setSpacing(20);
        QList<AppCardView *> cards;
        for (int i = 0; i < states.size(); ++i) {
            const State &s = states[i];
            // The first app's logo comes from the network (a catalog app), the others are ours.
            AppStoreData *app = i == 0 ? f.makeApp(QString::fromLatin1(s.name), QStringLiteral("app_g"), f.logoUrl(QStringLiteral("/logo.png")))
                                       : f.makeApp(QString::fromLatin1(s.name), std::nullopt, std::nullopt, icons[i]);
            app->setIsInstalled(s.installed);
            app->setIsUpdatable(s.updatable);
            app->setIsAuthenticated(s.authenticated);
            app->setIsVerifyingAuth(s.verifying);
            app->setCategory(QStringLiteral("Communication"));
            f.model.setBusy(app, s.busy);
            auto *large = new AppCardView(app, false, AppCardSize::Large, QStringLiteral("app_icon_mask"), &f.model);
            auto *small = new AppCardView(app, false, AppCardSize::Small, QStringLiteral("app_icon_mask"), &f.model);
            grid->addWidget(large, 0, i);
            grid->addWidget(small, 1, i);
            cards << large << small;
        }
        store.show();
        QVERIFY(QTest::qWaitForWindowExposed(&store));
        for (AppCardView *card : cards)
            QTRY_VERIFY(card->hasAppeared());
        QTRY_COMPARE(cards[0]->tileContent(), AppCardView::IconContent::Logo);
        QTRY_COMPARE(cards[1]->tileContent(), AppCardView::IconContent::Logo);
        QTest::qWait(400); // the fade-ins end

        for (int i = 0; i < states.size(); ++i) {
            QCOMPARE(cards[2 * i]->buttonTitle(), QString::fromLatin1(states[i].title));
            QCOMPARE(cards[2 * i + 1]->buttonTitle(), QString::fromLatin1(states[i].title));
        }

        const QImage shot = store.grab().toImage();
        QVERIFY(shot.save(QDir::current().filePath(QStringLiteral("store-cards.png"))));
        // Every card is drawn: its tile and its button are not flat.
        for (AppCardView *card : cards) {
            const QRect area(card->mapTo(&store, QPoint(0, 0)) * shot.devicePixelRatio(), card->size() * shot.devicePixelRatio());
            QVERIFY2(colourCount(shot, area) > 8, qPrintable(card->app()->name()));
        }

        AuthenticationPopupView popup(&f.model, &store);
        f.model.setPopup(true, cards[0]->app());
        QTRY_VERIFY(popup.iconView() && !popup.iconView()->isLoadingIcon());
        QTest::qWait(50);
        const QImage withPopup = store.grab().toImage();
        QVERIFY(withPopup.save(QDir::current().filePath(QStringLiteral("store-popup.png"))));
        // The backdrop dims the store.
        const QPoint corner(2, 2);
        QVERIFY(qGray(withPopup.pixel(corner)) < qGray(shot.pixel(corner)));
    }
};

TAVO_TEST_MAIN(StoreScreenshotTest)
#include "tst_store_screenshot.moc"
