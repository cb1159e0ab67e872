#include "FakeAppStoreModel.h"
#include "FakeScheduler.h"
#include "RecordingAnalyticsClient.h"
#include "StoreApps.h"
#include "TestMain.h"
#include "analytics/AnalyticsService.h"
#include "store/AppCardView.h"
#include "store/AppStoreCategoryView.h"
#include "store/AppStoreHomeView.h"
#include "store/AppStoreSearchField.h"
#include "store/AppStoreSearchViewModel.h"
#include "store/AppStoreView.h"
#include "store/StoreViewParts.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>

// The store's pages over the fake store model: which content shows when, the tabs and their
// events, the search results, the home page's rows, the category browser, and the cards'
// identity across list updates.
class StoreViewTest : public QObject {
    Q_OBJECT

    RecordingAnalyticsClient m_analytics;
    using Content = AppStoreView::Content;

    static QStringList names(const QList<AppCardView *> &cards)
    {
        QStringList out;
        for (const AppCardView *c : cards)
            out << c->app()->name();
        return out;
    }

private Q_SLOTS:
    void initTestCase() { AnalyticsService::shared().setClient(&m_analytics); }
    void cleanupTestCase() { AnalyticsService::shared().setClient(nullptr); }
    void init() { m_analytics.clear(); }

    void contentRules_data()
    {
        QTest::addColumn<bool>("fresh");
        QTest::addColumn<bool>("loading");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<bool>("empty");
        QTest::addColumn<bool>("searchActive");
        QTest::addColumn<QString>("text");
        QTest::addColumn<Content>("expected");
        QTest::newRow("fresh download beats everything") << true << true << false << true << true << "x" << Content::LoadingProgress;
        QTest::newRow("fresh, done loading, no apps") << true << false << true << true << false << "" << Content::EmptyCatalog;
        QTest::newRow("before the load starts") << false << false << false << true << false << "" << Content::EmptyCatalog;
        QTest::newRow("empty catalog beats the search") << false << false << true << true << true << "x" << Content::EmptyCatalog;
        QTest::newRow("local read running") << false << true << false << true << false << "" << Content::Tab;
        QTest::newRow("search with text") << false << false << true << false << true << "n" << Content::SearchResults;
        QTest::newRow("fresh, still loading, later pages") << true << true << true << false << true << "n" << Content::SearchResults;
        QTest::newRow("search open, text empty") << false << false << true << false << true << "" << Content::Tab;
        QTest::newRow("text but search closed") << false << false << true << false << false << "n" << Content::Tab;
    }
    void contentRules()
    {
        QFETCH(bool, fresh);
        QFETCH(bool, loading);
        QFETCH(bool, complete);
        QFETCH(bool, empty);
        QFETCH(bool, searchActive);
        QFETCH(QString, text);
        QFETCH(Content, expected);
        QCOMPARE(AppStoreView::contentFor(fresh, loading, complete, empty, searchActive, text), expected);
    }

    void progressPercentage_data()
    {
        QTest::addColumn<double>("progress");
        QTest::addColumn<QString>("text");
        QTest::newRow("start") << 0.0 << "0%";
        QTest::newRow("local read") << 0.05 << "5%";
        QTest::newRow("download starts") << 0.1 << "10%";
        QTest::newRow("first page") << 0.1 + 0.8 / 30 << "12%";
        QTest::newRow("fraction dropped") << 0.899 << "89%";
        QTest::newRow("cap") << 0.9 << "90%";
    }
    void progressPercentage()
    {
        QFETCH(double, progress);
        QFETCH(QString, text);
        QCOMPARE(AppStoreView::percentageText(progress), text);
    }

    void firstLoadShowsProgressThenTheStore()
    {
        FakeScheduler clock;
        StoreApps store;
        FakeAppStoreModel model;
        model.setLoad(false, false, false, 0);
        AppStoreView view(&model);
        QCOMPARE(view.content(), Content::EmptyCatalog);
        QVERIFY(!view.isHeaderShown());

        model.setLoad(true, true, false, 0.1);
        QCOMPARE(view.content(), Content::LoadingProgress);
        QCOMPARE(view.percentageLabel()->text(), QStringLiteral("10%"));
        model.setLoad(true, true, false, 0.1 + 0.8 / 30);
        QCOMPARE(view.percentageLabel()->text(), QStringLiteral("12%"));
        model.setAllApps(store.many(3));
        QVERIFY(view.isHeaderShown()); // apps arrived while the progress still shows
        QCOMPARE(view.content(), Content::LoadingProgress);
        model.setLoad(true, false, true, 1.0);
        QCOMPARE(view.content(), Content::Tab);
        QVERIFY(view.homeView());
    }

    void oneClickIsOneTabSelection()
    {
        FakeScheduler clock;
        StoreApps store;
        FakeAppStoreModel model;
        model.setAllApps(store.many(2));
        AppStoreView view(&model);
        view.resize(1400, 900);
        view.show();
        QCOMPARE(view.tabButtons().size(), 5);

        QTest::mouseClick(view.tabButtons().at(3), Qt::LeftButton);
        QCOMPARE(view.selectedTab(), 3);
        QCOMPARE(m_analytics.count("app_store_tab_navigation"), 1);
        QCOMPARE(m_analytics.lastProperties("app_store_tab_navigation").value("tab_name").toString(), QStringLiteral("Installed"));
        QVERIFY(view.tabButtons().at(3)->isSelected());
        QVERIFY(!view.tabButtons().at(0)->isSelected());
        QVERIFY(view.contentTexts().contains(QStringLiteral("No Installed Apps")));

        // The selected tab again: another event, and an open search closes and empties.
        view.openSearch();
        view.searchViewModel()->setSearchText("App");
        QCOMPARE(view.content(), Content::SearchResults);
        QTest::mouseClick(view.tabButtons().at(3), Qt::LeftButton);
        QCOMPARE(m_analytics.count("app_store_tab_navigation"), 2);
        QVERIFY(!view.searchViewModel()->isSearchActive());
        QVERIFY(view.searchViewModel()->searchText().isEmpty());
        QCOMPARE(view.content(), Content::Tab);

        // "Browse Apps" goes Home quietly.
        auto *browse = view.contentWidget()->findChild<QPushButton *>();
        QVERIFY(browse);
        QCOMPARE(browse->text(), QStringLiteral("Browse Apps"));
        QTest::mouseClick(browse, Qt::LeftButton);
        QCOMPARE(view.selectedTab(), 0);
        QVERIFY(view.homeView());
        QCOMPARE(m_analytics.count("app_store_tab_navigation"), 2);
    }

    void gridPagesAndTheirEmptyStates()
    {
        FakeScheduler clock;
        StoreApps store;
        FakeAppStoreModel model;
        model.setAllApps(store.many(1));
        AppStoreView view(&model);
        view.selectTab(1);
        QVERIFY(view.contentTexts().contains(QStringLiteral("Productivity"))); // title over an empty grid
        QCOMPARE(view.currentGrid()->count(), 0);
        view.selectTab(4);
        QVERIFY(view.contentTexts().contains(QStringLiteral("No Updates Available")));
        QVERIFY(!view.contentTexts().contains(QStringLiteral("Updates")));
        const QList<AppStoreData *> updatable = store.many(2);
        model.setUpdatableApps(updatable);
        QVERIFY(view.contentTexts().contains(QStringLiteral("Updates")));
        QCOMPARE(view.currentGrid()->keys(), (QStringList{"updates-" + updatable[0]->id().toString(QUuid::WithoutBraces).toUpper(),
                                                          "updates-" + updatable[1]->id().toString(QUuid::WithoutBraces).toUpper()}));
    }

    void searchResultsReplaceTheTabWhileTheTextIsNotEmpty()
    {
        FakeScheduler clock;
        StoreApps store;
        FakeAppStoreModel model;
        AppStoreView view(&model);
        // The view searches whatever the model publishes later.
        model.setAllApps({store.make("Notion"), store.make("Slack")});
        view.resize(1400, 900);
        view.show();
        QTest::mouseClick(view.searchButton(), Qt::LeftButton);
        QVERIFY(view.searchField());
        QCOMPARE(view.content(), Content::Tab); // open and empty: the tab stays
        clock.advance(AppStoreSearchField::focusDelayMs);
        QVERIFY(view.searchField()->isTextFieldFocused() || !QApplication::focusWindow());

        QTest::keyClicks(view.searchField()->lineEdit(), "zz");
        QCOMPARE(view.content(), Content::SearchResults);
        QVERIFY(view.contentTexts().contains(QStringLiteral("No Results Found"))); // no results yet
        clock.advance(300);
        QVERIFY(view.contentTexts().contains(QStringLiteral("0 results")));
        QVERIFY(view.contentTexts().contains(QStringLiteral("No Results Found")));

        view.searchField()->lineEdit()->clear();
        QTest::keyClicks(view.searchField()->lineEdit(), "o");
        // While the job is pending over empty results the grid shows (empty), not the empty state.
        view.searchViewModel()->performSearch("o");
        QVERIFY(!view.contentTexts().contains(QStringLiteral("No Results Found")));
        clock.runPending();
        QCOMPARE(names(view.currentGrid()->builtCards()), (QStringList{"Notion", "Slack"}));
        QVERIFY(view.contentTexts().contains(QStringLiteral("2 results")));
        QVERIFY(view.currentGrid()->keys().first().startsWith("search-result-"));

        // Deleting the text keeps the field open and brings the tab back; the clear button closes it.
        view.searchField()->lineEdit()->clear();
        view.searchViewModel()->setSearchText(QString());
        QCOMPARE(view.content(), Content::Tab);
        QVERIFY(view.searchField());
        QTest::mouseClick(view.searchField()->clearButton(), Qt::LeftButton);
        QVERIFY(!view.searchViewModel()->isSearchActive());
        QVERIFY(!view.searchField());
        QVERIFY(!view.searchButton()->isHidden());
    }

    void searchCoversTheCatalogHeldAtCreation()
    {
        FakeScheduler clock;
        StoreApps store;
        FakeAppStoreModel model;
        model.setAllApps({store.make("Notion"), store.make("Slack")});
        // A view made over a model that already holds its catalog (a reopened overlay) searches it
        // before the list next changes.
        AppStoreView view(&model);
        view.openSearch();
        view.searchViewModel()->setSearchText("sla");
        clock.advance(AppStoreSearchViewModel::debounceMs);
        QCOMPARE(view.searchViewModel()->searchResults().size(), 1);
        QCOMPARE(view.currentGrid()->count(), 1);
    }

    void cardsKeepTheirStateAcrossListUpdates()
    {
        FakeScheduler clock;
        StoreApps store;
        FakeAppStoreModel model;
        QList<AppStoreData *> apps = store.many(5);
        model.setAllApps(apps);
        model.setProductivityApps(apps);
        AppStoreView view(&model);
        view.selectTab(1);
        view.resize(1400, 900);
        view.show();
        clock.runPending();
        StoreCardGrid *grid = view.currentGrid();
        AppCardView *card = grid->card(StoreCardGrid::identityKey("productivity-tab-", *apps[2]));
        QVERIFY(card);
        card->setHovered(true);

        // A new app in front, one removed: the kept card is the same card, still hovered.
        AppStoreData *fresh = store.make("Fresh");
        model.setProductivityApps(QList<AppStoreData *>{fresh} + apps.mid(0, 1) + apps.mid(2));
        QCOMPARE(grid->card(StoreCardGrid::identityKey("productivity-tab-", *apps[2])), card);
        QVERIFY(card->isHovered());
        QVERIFY(!grid->card(StoreCardGrid::identityKey("productivity-tab-", *apps[1])));
        QCOMPARE(names(grid->builtCards()).first(), QStringLiteral("Fresh"));
        // It moved one cell along.
        QCOMPARE(card->geometry().topLeft(), grid->builtCards().at(2)->geometry().topLeft());
    }

    void bigListsBuildOnlyWhatIsVisible()
    {
        FakeScheduler clock;
        StoreApps store;
        FakeAppStoreModel model;
        const QList<AppStoreData *> apps = store.many(3000);
        model.setAllApps(apps);
        model.setProductivityApps(apps);
        AppStoreView view(&model);
        view.selectTab(1);
        view.resize(1400, 900);
        view.show();
        clock.runPending();
        QCOMPARE(view.currentGrid()->count(), 3000);
        QVERIFY(view.currentGrid()->builtCards().size() > 0);
        QVERIFY(view.currentGrid()->builtCards().size() < 60);
    }

    void homeRowsAndTheirCaps()
    {
        FakeScheduler clock;
        StoreApps store;
        FakeAppStoreModel model;
        AppStoreHomeView home(&model, AppStoreView::columns());
        QVERIFY(!home.isSectionShown(AppStoreHomeView::Featured));
        QVERIFY(!home.isSectionShown(AppStoreHomeView::Productivity));
        QVERIFY(!home.isSectionShown(AppStoreHomeView::Ai));
        QCOMPARE(home.dividers().size(), 3);

        const QList<AppStoreData *> productivity = store.many(25);
        const QList<AppStoreData *> featured = {productivity[0], store.make("Star")};
        model.setFeaturedApps(featured);
        model.setProductivityApps(productivity);
        model.setAiApps(store.many(3, "AI "));
        QVERIFY(home.isSectionShown(AppStoreHomeView::Featured));
        QCOMPARE(home.row(AppStoreHomeView::Featured)->count(), 2);
        QCOMPARE(home.row(AppStoreHomeView::Productivity)->count(), 10);
        QCOMPARE(names(home.row(AppStoreHomeView::Productivity)->builtCards()).last(), QStringLiteral("App 9"));
        QCOMPARE(home.row(AppStoreHomeView::Ai)->count(), 3);

        // The same app in two rows: two cards, one featured and one not, both large.
        AppCardView *asFeatured = home.row(AppStoreHomeView::Featured)->card(StoreCardGrid::identityKey("featured-", *productivity[0]));
        AppCardView *asProductive = home.row(AppStoreHomeView::Productivity)->card(StoreCardGrid::identityKey("productivity-", *productivity[0]));
        QVERIFY(asFeatured && asProductive && asFeatured != asProductive);
        QVERIFY(asFeatured->isFeatured() && !asProductive->isFeatured());
        QCOMPARE(asProductive->cardSize(), AppCardSize::Large);
        QCOMPARE(home.row(AppStoreHomeView::Ai)->builtCards().first()->cardSize(), AppCardSize::Small);

        model.setFeaturedApps({});
        QVERIFY(!home.isSectionShown(AppStoreHomeView::Featured));
    }

    void categoryFilter_data()
    {
        QTest::addColumn<QString>("category");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("exact name") << "Artificial Intelligence (AI)" << QStringList{"Brain"};
        QTest::newRow("unknown and empty texts count as Productivity") << "Productivity" << QStringList{"Plain", "Blank", "Odd"};
        QTest::newRow("not a case-insensitive match") << "Travel" << QStringList{};
    }
    void categoryFilter()
    {
        QFETCH(QString, category);
        QFETCH(QStringList, expected);
        StoreApps store;
        const QList<AppStoreData *> apps = {store.make("Plain"), store.make("Brain", "M", "d", "Artificial Intelligence (AI)"),
                                            store.make("Blank", "M", "d", ""), store.make("Odd", "M", "d", "travel")};
        QStringList got;
        for (AppStoreData *a : AppStoreCategoryView::appsInCategory(apps, *appCategoryFromRaw(category)))
            got << a->name();
        QCOMPARE(got, expected);
    }

    void columnCount_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("columns");
        QTest::newRow("896: three") << 896 << 3;
        QTest::newRow("1131: three") << 1131 << 3;
        QTest::newRow("1132: four") << 1132 << 4;
        QTest::newRow("narrower than one") << 200 << 1;
    }
    void columnCount()
    {
        QFETCH(int, width);
        QFETCH(int, columns);
        QCOMPARE(StoreCardGrid::columnCount({AppStoreCategoryView::cellWidth, AppStoreCategoryView::cellWidth, 20}, width), columns);
    }

    void categoryBrowserSelectsAndReports()
    {
        FakeScheduler clock;
        StoreApps store;
        FakeAppStoreModel model;
        AppStoreData *brain = store.make("Brain", "M", "d", "Artificial Intelligence (AI)");
        model.setAllApps({store.make("Plain"), brain});
        AppStoreCategoryView page(&model);
        page.resize(1400, 900);
        page.show();
        QCOMPARE(page.sidebarItems().size(), 22);
        QCOMPARE(page.titleLabel()->text(), QStringLiteral("Artificial Intelligence (AI)"));
        QVERIFY(page.sidebarItems().first()->isSelected());
        QCOMPARE(page.grid()->keys(), QStringList{"category-Artificial Intelligence (AI)-" + brain->id().toString(QUuid::WithoutBraces).toUpper()});

        // A click right of the title selects; every click, the same row again included, reports.
        CategorySidebarItem *productivity = page.sidebarItems().at(int(AppCategory::Productivity));
        QTest::mouseClick(productivity, Qt::LeftButton, {}, QPoint(productivity->width() - 10, productivity->height() / 2));
        QTest::mouseClick(productivity, Qt::LeftButton);
        QCOMPARE(m_analytics.count("app_store_category_selection"), 2);
        QCOMPARE(m_analytics.lastProperties("app_store_category_selection").value("category_name").toString(), QStringLiteral("Productivity"));
        QCOMPARE(page.selectedCategory(), AppCategory::Productivity);
        QVERIFY(productivity->isSelected());
        QVERIFY(!page.sidebarItems().first()->isSelected());
        QCOMPARE(page.grid()->count(), 1);
        QVERIFY(page.grid()->keys().first().startsWith("category-Productivity-"));
        QCOMPARE(page.grid()->builtCards().first()->size(), QSize(268, 186));
    }

    void categoryContentTextsAreVisible()
    {
        FakeAppStoreModel model;
        AppStoreCategoryView page(&model);
        // Texts in the column that set no colour of their own inherit the column's: it must show.
        for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text}) {
            const QColor c = page.contentColumn()->palette().color(role);
            QVERIFY2(c.alpha() > 0, qPrintable(c.name(QColor::HexArgb)));
        }
        QLabel plain(QStringLiteral("plain"), page.contentColumn());
        QVERIFY(plain.palette().color(QPalette::WindowText).alpha() > 0);
    }
};

TAVO_TEST_MAIN(StoreViewTest)
#include "tst_storeview.moc"
