#include "FakeScheduler.h"
#include "RecordingAnalyticsClient.h"
#include "StoreApps.h"
#include "TestMain.h"
#include "analytics/AnalyticsService.h"
#include "store/AppStoreSearchViewModel.h"

#include <QSignalSpy>

// The store search: its match and ordering rules, and the debounce, Return, new app lists and
// clearing on virtual time, with the usage events each sends.
class StoreSearchTest : public QObject {
    Q_OBJECT

    RecordingAnalyticsClient m_analytics;

    static QStringList names(const QList<AppStoreData *> &apps)
    {
        QStringList out;
        for (const AppStoreData *a : apps)
            out << a->name();
        return out;
    }

private Q_SLOTS:
    void initTestCase() { AnalyticsService::shared().setClient(&m_analytics); }
    void cleanupTestCase() { AnalyticsService::shared().setClient(nullptr); }
    void init() { m_analytics.clear(); }

    // Each app: name|developer|description|category|weight.
    void orderingAndMatching_data()
    {
        QTest::addColumn<QStringList>("apps");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("expected");
        const QStringList notes = {"Notion|Notion|Docs|Productivity|0", "Notes Plus|Notes|Lists|Productivity|5",
                                   "Slack|Slack|notion sync|Productivity|9"};
        QTest::newRow("prefix, then weight, then other fields") << notes << "no" << QStringList{"Notes Plus", "Notion", "Slack"};
        QTest::newRow("the query's case does not count") << notes << "NO" << QStringList{"Notes Plus", "Notion", "Slack"};
        QTest::newRow("equal prefix and weight: stored names by code point")
            << QStringList{"apple|A|x|Travel|0", "Apex|B|x|Travel|0", "APPS|C|x|Travel|0"} << "ap"
            << QStringList{"APPS", "Apex", "apple"};
        QTest::newRow("developer and category never count as prefix")
            << QStringList{"Zeta|notion labs|x|Travel|9", "Notion|n|x|Travel|0", "Other|o|x|Notion Tools|20"} << "notion"
            << QStringList{"Notion", "Other", "Zeta"};
        QTest::newRow("one space matches any field with a space")
            << QStringList{"Gmail|Google|Mail client|Communication|0", "Box|Box|Files|Artificial Intelligence (AI)|0", "Tab|T|T|Travel|0"}
            << " " << QStringList{"Box", "Gmail"};
        QTest::newRow("equal names keep the list's order")
            << QStringList{"Same|first|x|Travel|0", "Same|second|x|Travel|0"} << "sa" << QStringList{"Same", "Same"};
        QTest::newRow("no match") << notes << "zzz" << QStringList{};
    }
    void orderingAndMatching()
    {
        QFETCH(QStringList, apps);
        QFETCH(QString, query);
        QFETCH(QStringList, expected);
        StoreApps store;
        QList<AppStoreData *> list;
        for (const QString &row : apps) {
            const QStringList f = row.split('|');
            list << store.make(f[0], f[1], f[2], f[3], f[4].toLongLong());
        }
        const QList<AppStoreData *> found = AppStoreSearchViewModel::search(list, query);
        QCOMPARE(names(found), expected);
        if (QTest::currentDataTag() == QByteArray("equal names keep the list's order"))
            QCOMPARE(found.first()->developer(), QStringLiteral("first"));
    }

    void debounceRunsTheLastTextOnce()
    {
        FakeScheduler clock;
        StoreApps store;
        AppStoreSearchViewModel search;
        search.updateAllApps({store.make("Notion"), store.make("Slack")});
        clock.advance(300); // the empty search at creation: nothing to send
        QCOMPARE(m_analytics.count("app_store_search"), 0);

        search.setSearchActive(true);
        search.setSearchText("s");
        clock.advance(200);
        search.setSearchText("sl");
        clock.advance(299);
        QVERIFY(search.searchResults().isEmpty());
        QVERIFY(!search.isSearching());
        clock.advance(1);
        QVERIFY(!search.isSearching());
        QCOMPARE(names(search.searchResults()), QStringList{"Slack"});
        QCOMPARE(m_analytics.count("app_store_search"), 1);
        const QVariantMap p = m_analytics.lastProperties("app_store_search");
        QCOMPARE(p.value("query").toString(), QStringLiteral("sl"));
        QCOMPARE(p.value("query_length").toInt(), 2);
        QCOMPARE(p.value("result_count").toInt(), 1);
    }

    void returnSearchesAtOnceAndAgainOnTheDebounce()
    {
        FakeScheduler clock;
        StoreApps store;
        AppStoreSearchViewModel search;
        search.updateAllApps({store.make("Notion")});
        search.setSearchText("NO");
        clock.advance(100);
        search.submitSearch();
        clock.runPending();
        QCOMPARE(names(search.searchResults()), QStringList{"Notion"});
        QCOMPARE(m_analytics.count("app_store_interaction"), 1);
        QCOMPARE(m_analytics.lastProperties("app_store_interaction").value("action").toString(), QStringLiteral("search_submitted"));
        QCOMPARE(m_analytics.lastProperties("app_store_interaction").value("query").toString(), QStringLiteral("NO"));
        clock.advance(300);
        QCOMPARE(m_analytics.count("app_store_search"), 2);
        QCOMPARE(m_analytics.lastProperties("app_store_search").value("query").toString(), QStringLiteral("NO"));

        // Return in an empty field: the event, and no search.
        search.setSearchText(QString());
        search.submitSearch();
        QVERIFY(search.searchResults().isEmpty());
        QVERIFY(!search.isSearching());
        clock.advance(300);
        QCOMPARE(m_analytics.count("app_store_interaction"), 2);
        QCOMPARE(m_analytics.lastProperties("app_store_interaction").value("query").toString(), QString());
        QCOMPARE(m_analytics.count("app_store_search"), 2);
    }

    void newAppListsAndClearing()
    {
        FakeScheduler clock;
        StoreApps store;
        AppStoreSearchViewModel search;
        AppStoreData *notion = store.make("Notion");
        search.updateAllApps({notion});
        clock.advance(300);
        QCOMPARE(m_analytics.count("app_store_search"), 0); // an empty text only replaces the list

        search.setSearchActive(true);
        search.setSearchText("n");
        clock.advance(300);
        QCOMPARE(search.searchResults().size(), 1);
        // A new list with a text: at once, without the debounce.
        search.updateAllApps({notion, store.make("Nimbus")});
        clock.runPending();
        QCOMPARE(names(search.searchResults()), (QStringList{"Nimbus", "Notion"}));
        QCOMPARE(m_analytics.count("app_store_search"), 2);

        // A started job is pending until a later turn.
        search.performSearch("nim");
        QVERIFY(search.isSearching());
        QCOMPARE(search.searchResults().size(), 2);
        clock.runPending();
        QVERIFY(!search.isSearching());
        QCOMPARE(names(search.searchResults()), QStringList{"Nimbus"});

        // A job started before the clear still publishes; the empty search after it empties again.
        search.performSearch("n");
        search.clearSearch();
        QVERIFY(!search.isSearchActive());
        QVERIFY(search.searchText().isEmpty());
        QVERIFY(search.searchResults().isEmpty());
        QVERIFY(!search.isSearching());
        clock.runPending();
        QCOMPARE(search.searchResults().size(), 2);
        clock.advance(300);
        QVERIFY(search.searchResults().isEmpty());
        QCOMPARE(m_analytics.count("app_store_search"), 4);
    }
};

TAVO_TEST_MAIN(StoreSearchTest)
#include "tst_storesearch.moc"
