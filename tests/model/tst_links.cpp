#include "TestMain.h"
#include "model/LinkExtraction.h"
#include "model/WebURL.h"

class LinksTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void validWebURL_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("https") << QStringLiteral("https://example.com/a?b=1#c") << true;
        QTest::newRow("upper-case scheme") << QStringLiteral("HTTP://example.com") << true;
        QTest::newRow("trailing dot") << QStringLiteral("https://example.com.") << true;
        QTest::newRow("two trailing dots") << QStringLiteral("https://example.com..") << false;
        QTest::newRow("leading dot") << QStringLiteral(".https://example.com") << false;
        QTest::newRow("space") << QStringLiteral("https://exa mple.com") << false;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("no scheme") << QStringLiteral("example.com/path") << false;
        QTest::newRow("ftp") << QStringLiteral("ftp://example.com") << false;
        QTest::newRow("mailto") << QStringLiteral("mailto:someone@example.com") << false;
        QTest::newRow("javascript") << QStringLiteral("javascript:alert(1)") << false;
    }
    void validWebURL()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QCOMPARE(isValidWebURL(text), valid);
    }

    void extract_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("urls");
        QTest::newRow("none") << QStringLiteral("No links here.") << QStringList();
        QTest::newRow("empty") << QString() << QStringList();
        QTest::newRow("upper-case scheme is not found") << QStringLiteral("Go to HTTPS://EXAMPLE.COM now") << QStringList();
        QTest::newRow("trailing full stop") << QStringLiteral("See https://example.com/page.") << QStringList{QStringLiteral("https://example.com/page")};
        QTest::newRow("two full stops lose one") << QStringLiteral("See https://example.com/page..") << QStringList{QStringLiteral("https://example.com/page.")};
        QTest::newRow("query keeps its full stop") << QStringLiteral("https://example.com/?q=a.") << QStringList{QStringLiteral("https://example.com/?q=a.")};
        QTest::newRow("broken path is joined") << QStringLiteral("Read https://example.com/very/long\npath/page.html today")
                                              << QStringList{QStringLiteral("https://example.com/very/longpath/page.html")};
        QTest::newRow("a word on the next line joins") << QStringLiteral("Visit https://a.example\nThanks") << QStringList{QStringLiteral("https://a.example")+QStringLiteral("Thanks")};
        QTest::newRow("blank line prevents the join") << QStringLiteral("Visit https://a.example\n\nThanks") << QStringList{QStringLiteral("https://a.example")};
        QTest::newRow("carriage return prevents the join") << QStringLiteral("Visit https://a.example\r\nThanks") << QStringList{QStringLiteral("https://a.example")};
        QTest::newRow("bar on the next line prevents the join") << QStringLiteral("| https://a.example\n| x |") << QStringList{QStringLiteral("https://a.example")};
        QTest::newRow("parentheses") << QStringLiteral("(see https://example.com/x) and (https://example.com/y).")
                                     << QStringList{QStringLiteral("https://example.com/x"), QStringLiteral("https://example.com/y")};
        QTest::newRow("markdown link gives both") << QStringLiteral("[https://a.example](https://b.example/p)")
                                                  << QStringList{QStringLiteral("https://a.example"), QStringLiteral("https://b.example/p")};
        QTest::newRow("no-break space ends it") << QStringLiteral("https://a.example/x\u00A0and more") << QStringList{QStringLiteral("https://a.example/x")};
        QTest::newRow("punctuation ends it") << QStringLiteral("\"https://a.example\", https://b.example! <https://c.example>; https://d.example|")
                                             << QStringList{QStringLiteral("https://a.example"), QStringLiteral("https://b.example"),
                                                            QStringLiteral("https://c.example"), QStringLiteral("https://d.example")};
        QTest::newRow("duplicates are kept") << QStringLiteral("http://a.example and http://a.example") << QStringList{QStringLiteral("http://a.example"), QStringLiteral("http://a.example")};
    }
    void extract()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, urls);
        const QStringList found = extractURLs(text);
        QCOMPARE(found, urls);
        for (const QString &url : found)
            QVERIFY(isValidWebURL(url));
    }

    void cleanupHoldsForAnyCandidate_data()
    {
        QTest::addColumn<QString>("candidate");
        QTest::addColumn<QString>("cleaned");
        QTest::newRow("at sign") << QStringLiteral("@https://a.example") << QStringLiteral("https://a.example");
        QTest::newRow("open link target") << QStringLiteral("https://a.example](https://b") << QStringLiteral("https://a.example");
        QTest::newRow("closing brackets and commas") << QStringLiteral("https://a.example/x],;}") << QStringLiteral("https://a.example/x");
        QTest::newRow("unbalanced parenthesis") << QStringLiteral("https://a.example/x)") << QStringLiteral("https://a.example/x");
        QTest::newRow("balanced parenthesis") << QStringLiteral("https://a.example/x_(y)") << QStringLiteral("https://a.example/x_(y)");
        QTest::newRow("spaces and tabs") << QStringLiteral("https://a.ex ample/\tx") << QStringLiteral("https://a.example/x");
    }
    void cleanupHoldsForAnyCandidate()
    {
        QFETCH(QString, candidate);
        QFETCH(QString, cleaned);
        QCOMPARE(cleanExtractedURL(candidate), cleaned);
    }
};

TAVO_TEST_MAIN(LinksTest)
#include "tst_links.moc"
