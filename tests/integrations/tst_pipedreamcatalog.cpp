#include "FakeScheduler.h"
#include "PipedreamStandin.h"
#include "Platform/Log.h"
#include "TestMain.h"
#include "integrations/IntegrationHttp.h"
#include "integrations/PipedreamAPIService.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkReply>
#include <QSet>

using Route = PipedreamStandin::Route;
using BadRow = PipedreamStandin::BadRow;
Q_DECLARE_METATYPE(StandinHttpServer::Reply)

namespace {
QString S(const char *text)
{
    return QString::fromUtf8(text);
}

// A page of `count` valid apps; the end cursor is left out when empty.
QByteArray page(int count, const QString &endCursor, qint64 total = 3000, const PipedreamStandin *apps = nullptr)
{
    PipedreamStandin local;
    if (!apps)
        apps = &local;
    QJsonArray data;
    for (int i = 0; i < count; ++i)
        data.append(apps->catalogApp(i));
    QJsonObject info{{S("total_count"), total}, {S("count"), count}};
    if (!endCursor.isEmpty())
        info.insert(S("end_cursor"), endCursor);
    return QJsonDocument(QJsonObject{{S("page_info"), info}, {S("data"), data}}).toJson(QJsonDocument::Compact);
}
}

// The catalog client against a stand-in of the integration platform's catalog.
class PipedreamCatalogTest : public QObject {
    Q_OBJECT
    std::unique_ptr<PipedreamStandin> m_platform;
    std::unique_ptr<PipedreamAPIService> m_catalog;

    IntegrationResult<QList<PipedreamApp>> next(int limit = 100)
    {
        std::optional<IntegrationResult<QList<PipedreamApp>>> out;
        QObject context;
        m_catalog->fetchNextPage(limit, &context, [&](const IntegrationResult<QList<PipedreamApp>> &r) { out = r; });
        if (!QTest::qWaitFor([&] { return out.has_value(); }, 10000))
            qFatal("no answer");
        return *out;
    }
    QString lastTarget() const
    {
        const auto sent = m_platform->requests(Route::Catalog);
        return sent.isEmpty() ? QString() : PipedreamStandin::rawTarget(sent.last());
    }

private Q_SLOTS:
    void initTestCase()
    {
        Log::setSink([](const QString &) {});
    }
    void init()
    {
        m_platform = std::make_unique<PipedreamStandin>();
        QVERIFY(m_platform->start());
        m_catalog = std::make_unique<PipedreamAPIService>(m_platform->baseUrl() + S("/v1/apps"), m_platform->catalogKey());
    }
    void cleanup()
    {
        m_catalog.reset();
        m_platform.reset();
    }

    void pagesThroughTheWholeCatalog()
    {
        QVERIFY(m_catalog->isConfigured());
        QSet<QString> ids;
        int pages = 0;
        while (m_catalog->hasMoreData()) {
            const auto r = next();
            QVERIFY2(r.ok(), qPrintable(r.failure ? r.failure->localizedDescription() : QString()));
            for (const PipedreamApp &app : *r.value)
                ids.insert(app.id);
            QVERIFY(!m_catalog->isLoading());
            QVERIFY(++pages <= 30);
        }
        QCOMPARE(pages, 30);
        QCOMPARE(ids.size(), 3000);
        QCOMPARE(m_catalog->loadedCount(), 3000);
        QCOMPARE(m_catalog->totalCount(), 3000);
        QVERIFY(!m_catalog->currentCursor());

        const auto sent = m_platform->requests(Route::Catalog);
        QCOMPARE(PipedreamStandin::rawTarget(sent.at(0)), S("/v1/apps?limit=100"));
        QCOMPARE(PipedreamStandin::rawTarget(sent.at(1)), S("/v1/apps?limit=100&after=") + PipedreamStandin::cursorFor(100));
        QCOMPARE(sent.at(0).header("Authorization"), "Bearer " + m_platform->catalogKey().toUtf8());
        QCOMPARE(sent.at(0).header("Accept"), QByteArray("application/json"));
        QVERIFY(sent.at(0).body.isEmpty());

        // Past the end: an empty list and no request.
        const auto after = next();
        QVERIFY(after.ok() && after.value->isEmpty());
        QCOMPARE(m_platform->count(Route::Catalog), 30);
    }

    void loadingIsPublishedWhileAPageIsOut()
    {
        QList<bool> seen;
        connect(m_catalog.get(), &PipedreamAPIService::isLoadingChanged, this, [&] { seen << m_catalog->isLoading(); });
        QObject context;
        bool done = false;
        m_catalog->fetchNextPage(100, &context, [&](const auto &) { done = true; });
        QVERIFY(m_catalog->isLoading());
        QVERIFY(QTest::qWaitFor([&] { return done; }, 10000));
        QCOMPARE(seen, (QList<bool>{true, false}));
    }

    void pagingEndsByCountOrCursor_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("endCursor");
        QTest::addColumn<bool>("more");
        QTest::newRow("50 with a cursor goes on") << 50 << S("c50") << true;
        QTest::newRow("49 with a cursor ends") << 49 << S("c49") << false;
        QTest::newRow("100 without a cursor ends") << 100 << QString() << false;
    }
    void pagingEndsByCountOrCursor()
    {
        QFETCH(int, count);
        QFETCH(QString, endCursor);
        QFETCH(bool, more);
        m_platform->queueReply(Route::Catalog, PipedreamStandin::reply(200, page(count, endCursor)));
        const auto r = next();
        QVERIFY(r.ok());
        QCOMPARE(r.value->size(), count);
        QCOMPARE(m_catalog->hasMoreData(), more);
        if (!more) {
            QVERIFY(next().value->isEmpty());
            QCOMPARE(m_platform->count(Route::Catalog), 1);
        }
    }

    void countsAreTheReportedOnes()
    {
        m_platform->queueReply(Route::Catalog, PipedreamStandin::reply(200, page(100, S("c1"), 500)));
        m_platform->queueReply(Route::Catalog, PipedreamStandin::reply(200, page(37, QString(), 137)));
        QVERIFY(next().ok());
        QCOMPARE(lastTarget(), S("/v1/apps?limit=100"));
        QVERIFY(next().ok());
        QCOMPARE(lastTarget(), S("/v1/apps?limit=100&after=c1"));
        QCOMPARE(m_catalog->loadedCount(), 137);
        QCOMPARE(m_catalog->totalCount(), 137);
    }

    void aPageThatRepeatsItsCursorEndsPaging()
    {
        m_platform->queueReply(Route::Catalog, PipedreamStandin::reply(200, page(100, S("same"))));
        m_platform->queueReply(Route::Catalog, PipedreamStandin::reply(200, page(100, S("same"))));
        QVERIFY(next().ok());
        QVERIFY(m_catalog->hasMoreData());
        QVERIFY(next().ok());
        QVERIFY(!m_catalog->hasMoreData());
    }

    void failedPagesKeepTheCursor_data()
    {
        QTest::addColumn<StandinHttpServer::Reply>("reply");
        QTest::addColumn<int>("badRow"); // a broken row on the second page, or -1
        QTest::addColumn<QString>("message");
        const StandinHttpServer::Reply none{-1, {}, {}, {}, 0, false};
        QTest::newRow("401") << PipedreamStandin::reply(401, R"({"error":"unauthorized"})") << -1 << S("HTTP Error: 401");
        QTest::newRow("300") << PipedreamStandin::reply(300, "{}") << -1 << S("HTTP Error: 300");
        QTest::newRow("500 with a page body") << PipedreamStandin::reply(500, page(10, S("x"))) << -1 << S("HTTP Error: 500");
        QTest::newRow("no page_info") << PipedreamStandin::reply(200, R"({"data":[]})") << -1 << S("Decoding error: ");
        QTest::newRow("not JSON") << PipedreamStandin::reply(200, "<html>") << -1 << S("Decoding error: ");
        QTest::newRow("cut short") << PipedreamStandin::reply(200, page(3, S("x")).left(120)) << -1 << S("Decoding error: ");
        QTest::newRow("count as text") << PipedreamStandin::reply(200, R"({"page_info":{"total_count":1,"count":"1"},"data":[]})") << -1
                                       << S("Decoding error: ");
        const QList<QPair<const char *, BadRow>> rows{{"row without id", BadRow::missingId},
                                                      {"row with a null name", BadRow::nullName},
                                                      {"row with a number as slug", BadRow::numberAsSlug},
                                                      {"row with the weight as text", BadRow::weightAsText},
                                                      {"row with one category as text", BadRow::categoriesNotList},
                                                      {"row that is not an object", BadRow::notAnObject}};
        for (const auto &[name, kind] : rows)
            QTest::newRow(name) << none << int(kind) << S("Decoding error: ");
    }
    void failedPagesKeepTheCursor()
    {
        QFETCH(StandinHttpServer::Reply, reply);
        QFETCH(int, badRow);
        QFETCH(QString, message);
        QVERIFY(next().ok());
        const auto cursor = m_catalog->currentCursor();
        QCOMPARE(cursor, std::optional<QString>(PipedreamStandin::cursorFor(100)));
        if (badRow >= 0)
            m_platform->setBadRow(150, BadRow(badRow));
        else
            m_platform->queueReply(Route::Catalog, reply);

        const auto r = next();
        QVERIFY(!r.ok());
        QCOMPARE(r.failure->kind(), IntegrationFailure::Kind::api);
        QVERIFY2(m_catalog->errorMessage()->startsWith(message), qPrintable(*m_catalog->errorMessage()));
        QCOMPARE(*m_catalog->errorMessage(), r.failure->localizedDescription());
        if (reply.status == 401 || reply.status == 300)
            QCOMPARE(r.failure->apiError()->statusCode(), qint64(reply.status));
        QVERIFY(!m_catalog->isLoading());
        QCOMPARE(m_catalog->currentCursor(), cursor);
        QVERIFY(m_catalog->hasMoreData());
        QCOMPARE(m_catalog->loadedCount(), 100);

        // The whole page failed; asking again asks for the same page.
        m_platform->clearBadRows();
        const auto again = next();
        QVERIFY(again.ok());
        QCOMPARE(again.value->size(), 100);
        QCOMPARE(lastTarget(), S("/v1/apps?limit=100&after=") + PipedreamStandin::cursorFor(100));
        QVERIFY(!m_catalog->errorMessage());
    }

    void status299IsAPage()
    {
        m_platform->queueReply(Route::Catalog, PipedreamStandin::reply(299, page(60, S("c"))));
        const auto r = next();
        QVERIFY(r.ok());
        QCOMPARE(r.value->size(), 60);
    }

    void transportFailures_data()
    {
        QTest::addColumn<StandinHttpServer::Reply>("reply");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        StandinHttpServer::Reply silent;
        silent.noReply = true;
        QTest::newRow("no answer within 60 s") << silent << int(QNetworkReply::TimeoutError) << S("The request timed out.");
        QTest::newRow("a reply over the size cap")
            << PipedreamStandin::reply(200, QByteArray(PipedreamAPIService::kMaxReplyBytes + 1, ' '))
            << int(QNetworkReply::OperationCanceledError) << S("The reply is larger than %1 bytes").arg(PipedreamAPIService::kMaxReplyBytes);
    }
    void transportFailures()
    {
        QFETCH(StandinHttpServer::Reply, reply);
        QFETCH(int, code);
        QFETCH(QString, text);
        FakeScheduler clock;
        m_platform->queueReply(Route::Catalog, reply);
        std::optional<IntegrationResult<QList<PipedreamApp>>> out;
        QObject context;
        m_catalog->fetchNextPage(100, &context, [&](const auto &r) { out = r; });
        QVERIFY(QTest::qWaitFor([&] { return out.has_value() || m_platform->count(Route::Catalog) == 1; }, 10000));
        if (reply.noReply) {
            clock.advance(IntegrationHttp::kTimeoutMs - 1);
            QTest::qWait(50);
            QVERIFY(!out);
            clock.advance(1);
        }
        QVERIFY(QTest::qWaitFor([&] { return out.has_value(); }, 10000));
        QCOMPARE(out->failure->kind(), IntegrationFailure::Kind::transport);
        QCOMPARE(out->failure->transportCode(), code);
        QCOMPARE(m_catalog->errorMessage(), std::optional<QString>(text));
        QVERIFY(!m_catalog->isLoading());
        QVERIFY(m_catalog->hasMoreData());
    }

    void resetStartsOver()
    {
        m_platform->queueReply(Route::Catalog, PipedreamStandin::reply(500, "{}"));
        QVERIFY(!next().ok());
        QVERIFY(m_catalog->errorMessage());
        m_platform->queueReply(Route::Catalog, PipedreamStandin::reply(200, page(10, QString())));
        QVERIFY(next().ok());
        QVERIFY(!m_catalog->hasMoreData());

        m_catalog->resetPagination();
        QVERIFY(m_catalog->hasMoreData());
        QVERIFY(!m_catalog->currentCursor());
        QVERIFY(!m_catalog->errorMessage());
        QCOMPARE(m_catalog->loadedCount(), 0);
        QCOMPARE(m_catalog->totalCount(), 0);
        QVERIFY(next().ok());
        QCOMPARE(lastTarget(), S("/v1/apps?limit=100"));
    }

    void aPageAskedForBeforeAResetLeavesThePagingAlone()
    {
        StandinHttpServer::Reply late = PipedreamStandin::reply(200, page(100, S("old")));
        late.delayMs = 200;
        m_platform->queueReply(Route::Catalog, late);
        std::optional<IntegrationResult<QList<PipedreamApp>>> out;
        QObject context;
        m_catalog->fetchNextPage(100, &context, [&](const auto &r) { out = r; });
        m_catalog->resetPagination();
        QVERIFY(QTest::qWaitFor([&] { return out.has_value(); }, 10000));
        QVERIFY(out->ok()); // the caller still hears back
        QVERIFY(!m_catalog->currentCursor());
        QCOMPARE(m_catalog->loadedCount(), 0);
        QVERIFY(!m_catalog->isLoading());
    }

    void unusableAddressesAreRefused_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("plain http off this machine") << S("http://api.example.com/v1/apps");
        QTest::newRow("no address") << QString();
        QTest::newRow("not an address") << S("https://exa mple.com/v1/apps");
    }
    void unusableAddressesAreRefused()
    {
        QFETCH(QString, address);
        m_catalog = std::make_unique<PipedreamAPIService>(address, m_platform->catalogKey());
        QVERIFY(!m_catalog->isConfigured());
        const auto r = next();
        QCOMPARE(r.failure->apiError(), std::optional<PipedreamAPIError>(PipedreamAPIError::invalidURL()));
        QCOMPARE(m_catalog->errorMessage(), std::optional<QString>(S("Invalid URL")));
        QVERIFY(m_platform->server().requests().isEmpty());
    }

    void errorTexts()
    {
        QCOMPARE(PipedreamAPIError::httpError(404).description(), S("HTTP Error: 404"));
        QCOMPARE(PipedreamAPIError::decodingError(S("\"id\" must be text")).description(), S("Decoding error: \"id\" must be text"));
        QCOMPARE(PipedreamAPIError::invalidURL().description(), S("Invalid URL"));
        QCOMPARE(PipedreamAPIError::invalidResponse().description(), S("Invalid response"));
    }
};

TAVO_TEST_MAIN(PipedreamCatalogTest)
#include "tst_pipedreamcatalog.moc"
