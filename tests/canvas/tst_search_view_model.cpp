// The prompt field's text model: its starting options, the settled-text announcement and
// submission.
#include "FakeScheduler.h"
#include "NotificationSpy.h"
#include "TestMain.h"
#include "widgets/SearchViewModel.h"

class TestSearchViewModel : public QObject {
    Q_OBJECT

    using Steps = QList<QPair<int, QString>>;

    static QStringList announced(const NotificationSpy &spy)
    {
        QStringList texts;
        for (const Notification &n : spy.named(SearchViewModel::kSearchTextDidChange))
            texts << n.userInfo.value(QStringLiteral("searchText")).toString();
        return texts;
    }

private Q_SLOTS:
    void startsWithTheModelOptions()
    {
        FakeScheduler clock;
        SearchViewModel model;
        QCOMPARE(model.searchText(), QString());
        QCOMPARE(model.selectedModel(), QStringLiteral("Sonet 3.7"));
        QCOMPARE(model.modelOptions(), (QStringList{"Sonet 3.7", "Claude 3 Opus", "Claude 3.5 Sonnet", "GPT-4o"}));
        QVERIFY(model.searchResults().isEmpty());
        QVERIFY(!model.onSearchSubmit);
    }

    // Each row: keystrokes as (delay before it in ms, text after it), then how long to wait,
    // and the texts announced by then.
    void settledTextIsAnnounced_data()
    {
        QTest::addColumn<Steps>("steps");
        QTest::addColumn<int>("wait");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("a new model announces its empty text") << Steps{} << 300 << QStringList{""};
        QTest::newRow("not before 300 ms") << Steps{} << 299 << QStringList{};
        QTest::newRow("typing within 300 ms announces once, with the full text")
            << Steps{{310, "a"}, {290, "ab"}, {290, "abc"}} << 300 << QStringList{"", "abc"};
        QTest::newRow("a pause of 300 ms announces each settled text")
            << Steps{{0, "a"}, {300, "ab"}} << 300 << QStringList{"a", "ab"};
    }
    void settledTextIsAnnounced()
    {
        QFETCH(Steps, steps);
        QFETCH(int, wait);
        QFETCH(QStringList, expected);
        FakeScheduler clock;
        NotificationSpy spy;
        SearchViewModel model;
        for (const auto &[delay, text] : steps) {
            clock.advance(delay);
            model.setSearchText(text);
        }
        clock.advance(wait);
        QCOMPARE(announced(spy), expected);
    }

    void submission_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("withHook");
        QTest::addColumn<QStringList>("handed");
        QTest::newRow("text goes to the hook") << "Book a flight" << true << QStringList{"Book a flight"};
        QTest::newRow("spaces are text too") << "  " << true << QStringList{"  "};
        QTest::newRow("an empty field calls nothing") << "" << true << QStringList{};
        QTest::newRow("without a hook the field still empties") << "Plan a trip" << false << QStringList{};
    }
    void submission()
    {
        QFETCH(QString, text);
        QFETCH(bool, withHook);
        QFETCH(QStringList, handed);
        FakeScheduler clock;
        SearchViewModel model;
        clock.advance(SearchViewModel::debounceMs);
        QStringList received;
        if (withHook)
            model.onSearchSubmit = [&](const QString &t) {
                // The hook sees the text still in the field.
                QCOMPARE(model.searchText(), t);
                received << t;
            };
        model.setSearchText(text);
        clock.advance(SearchViewModel::debounceMs);
        NotificationSpy spy;
        model.submitSearch();
        QCOMPARE(received, handed);
        QCOMPARE(model.searchText(), QString());
        clock.advance(SearchViewModel::debounceMs);
        // After a submission the emptied text is announced; an empty field announces nothing new.
        QCOMPARE(announced(spy), text.isEmpty() ? QStringList{} : QStringList{""});
    }
};

TAVO_TEST_MAIN(TestSearchViewModel)
#include "tst_search_view_model.moc"
