#include "BrowserHook.h"
#include "FakeScheduler.h"
#include "PipedreamStandin.h"
#include "Platform/Log.h"
#include "TestMain.h"
#include "integrations/ConnectTokenResponse.h"
#include "integrations/PipedreamConnectService.h"
#include "integrations/TokenResponse.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkReply>

using Route = PipedreamStandin::Route;
using E = PipedreamConnectError;
Q_DECLARE_METATYPE(std::optional<qint64>)
Q_DECLARE_METATYPE(std::optional<PipedreamConnectError>)
Q_DECLARE_METATYPE(StandinHttpServer::Reply)

namespace {
QStringList g_lines;
void captureLine(const QString &line)
{
    g_lines.append(line);
}
QString S(const char *text)
{
    return QString::fromUtf8(text);
}

template <typename T>
IntegrationResult<T> await(const std::function<void(QObject *, PipedreamConnectService::Callback<T>)> &call)
{
    std::optional<IntegrationResult<T>> out;
    QObject context;
    call(&context, [&](const IntegrationResult<T> &r) { out = r; });
    if (!QTest::qWaitFor([&] { return out.has_value(); }, 10000))
        qFatal("no answer");
    return *out;
}

std::optional<E> connectError(const std::optional<IntegrationFailure> &failure)
{
    return failure ? failure->connectError() : std::nullopt;
}

StandinHttpServer::Reply answer(int code, const QByteArray &body = "{}")
{
    return PipedreamStandin::reply(code, body);
}

QByteArray listing(const QList<QJsonObject> &entries)
{
    QJsonArray data;
    for (const auto &e : entries)
        data.append(e);
    return QJsonDocument(QJsonObject{{S("page_info"), QJsonObject{{S("total_count"), data.size()}, {S("count"), data.size()}}},
                                     {S("data"), data}})
        .toJson(QJsonDocument::Compact);
}

QJsonObject account(const QString &id, const QString &user = S("user-1"), const QString &slug = S("slack"))
{
    return PipedreamStandin::accountJson({id, user, slug, S("Slack"), S("2026-01-01T12:00:00.000Z")});
}
}

// The Connect client against a stand-in of the integration platform.
class PipedreamConnectTest : public QObject {
    Q_OBJECT
    std::unique_ptr<PipedreamStandin> m_platform;
    std::unique_ptr<FakeScheduler> m_clock;
    std::unique_ptr<PipedreamConnectService> m_service;
    QString m_user = S("user-1");

    PipedreamConfig config() const
    {
        PipedreamConfig c;
        c.apiHost = m_platform->baseUrl();
        c.connectPageHost = m_platform->baseUrl();
        c.clientId = m_platform->clientId();
        c.clientSecret = m_platform->clientSecret();
        c.projectId = m_platform->projectId();
        c.environment = m_platform->environment();
        return c;
    }
    PipedreamConnectService::UserIdProvider user()
    {
        return [this] { return m_user; };
    }

    enum class Op { connectToken, status, account, all, remove };
    // Runs one operation; the failure, if any.
    std::optional<IntegrationFailure> run(Op op)
    {
        auto *s = m_service.get();
        switch (op) {
        case Op::connectToken:
            return await<QString>([&](QObject *c, auto done) { s->createConnectToken(S("slack"), c, done); }).failure;
        case Op::status:
            return await<bool>([&](QObject *c, auto done) { s->checkConnectionStatus(S("slack"), c, done); }).failure;
        case Op::account:
            return await<std::optional<ConnectedAccount>>([&](QObject *c, auto done) { s->getConnectedAccount(S("slack"), c, done); }).failure;
        case Op::all:
            return await<QList<ConnectedAccount>>([&](QObject *c, auto done) { s->getAllConnectedAccounts(c, done); }).failure;
        case Op::remove:
            return await<bool>([&](QObject *c, auto done) { s->deleteConnectedAccount(S("apn_000001"), c, done); }).failure;
        }
        return std::nullopt;
    }
    IntegrationResult<bool> status(const QString &slug)
    {
        return await<bool>([&](QObject *c, auto done) { m_service->checkConnectionStatus(slug, c, done); });
    }
    IntegrationResult<std::optional<ConnectedAccount>> accountFor(const QString &slug)
    {
        return await<std::optional<ConnectedAccount>>([&](QObject *c, auto done) { m_service->getConnectedAccount(slug, c, done); });
    }

private Q_SLOTS:
    void initTestCase()
    {
        Log::setSink(captureLine);
        qRegisterMetaType<std::optional<qint64>>();
    }
    void init()
    {
        g_lines.clear();
        m_clock = std::make_unique<FakeScheduler>();
        m_platform = std::make_unique<PipedreamStandin>();
        QVERIFY(m_platform->start());
        m_user = S("user-1");
        m_service = std::make_unique<PipedreamConnectService>(config(), user());
    }
    void cleanup()
    {
        m_service.reset();
        m_platform.reset();
        m_clock.reset();
    }

    void tokenIsReusedUntilFiveMinutesBeforeExpiry_data()
    {
        QTest::addColumn<std::optional<qint64>>("lifetime");
        QTest::addColumn<int>("laterSeconds");
        QTest::addColumn<int>("tokenRequests");
        QTest::newRow("no expires_in: an hour, reused at 3299 s") << std::optional<qint64>() << 3299 << 1;
        QTest::newRow("no expires_in: expiry exactly 300 s ahead is not reused") << std::optional<qint64>() << 3300 << 2;
        QTest::newRow("7200 s, reused at 6899 s") << std::optional<qint64>(7200) << 6899 << 1;
        QTest::newRow("300 s is never reused") << std::optional<qint64>(300) << 0 << 2;
    }
    void tokenIsReusedUntilFiveMinutesBeforeExpiry()
    {
        QFETCH(std::optional<qint64>, lifetime);
        QFETCH(int, laterSeconds);
        QFETCH(int, tokenRequests);
        m_platform->setTokenLifetime(lifetime);
        QVERIFY(!run(Op::status));
        m_clock->advance(qint64(laterSeconds) * 1000);
        QVERIFY(!run(Op::status));
        QCOMPARE(m_platform->count(Route::Token), tokenRequests);
        QCOMPARE(m_platform->count(Route::Accounts), 2);

        // The grant: a compact JSON body and one header, no bearer and no environment.
        const auto grant = m_platform->requests(Route::Token).first();
        QCOMPARE(grant.header("Content-Type"), QByteArray("application/json"));
        QVERIFY(grant.header("Authorization").isEmpty());
        QVERIFY(grant.header("X-PD-Environment").isEmpty());
        QVERIFY(!grant.body.contains(' '));
        QCOMPARE(QJsonDocument::fromJson(grant.body).object(),
                 (QJsonObject{{S("grant_type"), S("client_credentials")}, {S("client_id"), m_platform->clientId()},
                              {S("client_secret"), m_platform->clientSecret()}}));
        // The token itself never reaches the log.
        for (const QString &line : std::as_const(g_lines))
            QVERIFY2(!line.contains(S("pd_at_")), qPrintable(line));
    }

    void tokenRequestAnswers_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("failureKind");
        QTest::newRow("201 is a success") << 201 << QByteArray(R"({"access_token":"t1","token_type":"Bearer"})") << true << -1;
        QTest::newRow("401 fails, not repeated") << 401 << QByteArray("{}") << false << int(IntegrationFailure::Kind::connect);
        QTest::newRow("500") << 500 << QByteArray("oops") << false << int(IntegrationFailure::Kind::connect);
        QTest::newRow("keys spelled like the properties")
            << 200 << QByteArray(R"({"accessToken":"t","tokenType":"Bearer"})") << false << int(IntegrationFailure::Kind::decoding);
        QTest::newRow("expires_in as text")
            << 200 << QByteArray(R"({"access_token":"t","token_type":"Bearer","expires_in":"3600"})") << false
            << int(IntegrationFailure::Kind::decoding);
        QTest::newRow("not JSON") << 200 << QByteArray("<html>") << false << int(IntegrationFailure::Kind::decoding);
    }
    void tokenRequestAnswers()
    {
        QFETCH(int, code);
        QFETCH(QByteArray, body);
        QFETCH(bool, ok);
        QFETCH(int, failureKind);
        m_platform->queueReply(Route::Token, answer(code, body));
        const auto r = await<QString>([&](QObject *c, auto done) { m_service->getAccessToken(c, done); });
        QCOMPARE(r.ok(), ok);
        QCOMPARE(m_platform->count(Route::Token), 1);
        QCOMPARE(m_service->accessToken().has_value(), ok);
        if (ok)
            return;
        QCOMPARE(int(r.failure->kind()), failureKind);
        if (r.failure->kind() == IntegrationFailure::Kind::connect)
            QCOMPARE(r.failure->localizedDescription(), S("Failed to authenticate with Pipedream"));
    }

    void unauthorizedIsRetriedOnceWithAFreshToken_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<int>("route");
        QTest::addColumn<int>("unauthorizedReplies");
        QTest::addColumn<std::optional<PipedreamConnectError>>("expected");
        const struct {
            const char *name;
            Op op;
            Route route;
            E error;
        } ops[] = {{"connect token", Op::connectToken, Route::ConnectToken, E::tokenGenerationFailed},
                   {"connection status", Op::status, Route::Accounts, E::connectionCheckFailed},
                   {"account by app", Op::account, Route::Accounts, E::connectionCheckFailed},
                   {"all accounts", Op::all, Route::Accounts, E::connectionCheckFailed},
                   {"delete", Op::remove, Route::DeleteAccount, E::accountDeletionFailed}};
        for (const auto &o : ops) {
            QTest::addRow("%s: 401 then success", o.name) << int(o.op) << int(o.route) << 1 << std::optional<E>();
            QTest::addRow("%s: 401 twice", o.name) << int(o.op) << int(o.route) << 2 << std::optional<E>(o.error);
        }
    }
    void unauthorizedIsRetriedOnceWithAFreshToken()
    {
        QFETCH(int, op);
        QFETCH(int, route);
        QFETCH(int, unauthorizedReplies);
        QFETCH(std::optional<PipedreamConnectError>, expected);
        m_platform->addAccount(m_user, S("slack"));
        for (int i = 0; i < unauthorizedReplies; ++i)
            m_platform->queueReply(Route(route), answer(401, R"({"error":"unauthorized"})"));
        const auto failure = run(Op(op));
        QCOMPARE(connectError(failure), expected);
        QCOMPARE(failure.has_value(), expected.has_value());
        QCOMPARE(m_platform->count(Route(route)), 2);
        QCOMPARE(m_platform->count(Route::Token), 2);
        // The repetition carries the new token.
        const auto sent = m_platform->requests(Route(route));
        QCOMPARE(sent.at(0).header("Authorization"), QByteArray("Bearer pd_at_1"));
        QCOMPARE(sent.at(1).header("Authorization"), QByteArray("Bearer pd_at_2"));
    }

    void expiredTokenAtThePlatformIsReplaced()
    {
        QVERIFY(!run(Op::status));
        m_platform->revokeTokens();
        QVERIFY(!run(Op::status));
        QCOMPARE(m_service->accessToken(), std::optional<QString>(S("pd_at_2")));
    }

    void connectTokenRequest_data()
    {
        QTest::addColumn<QString>("user");
        QTest::newRow("signed in") << S("google-oauth2|1234");
        QTest::newRow("nobody signed in: an empty id is still sent") << QString();
    }
    void connectTokenRequest()
    {
        QFETCH(QString, user);
        m_user = user;
        const auto r = await<QString>([&](QObject *c, auto done) { m_service->createConnectToken(S("google_sheets"), c, done); });
        QVERIFY(r.ok());
        QCOMPARE(*r.value, S("ctok_00000001"));
        const auto sent = m_platform->requests(Route::ConnectToken).first();
        QCOMPARE(PipedreamStandin::rawTarget(sent), S("/v1/connect/proj_Ab12Cd3/tokens"));
        QCOMPARE(QJsonDocument::fromJson(sent.body).object(), (QJsonObject{{S("external_user_id"), user}, {S("app"), S("google_sheets")}}));
        QCOMPARE(sent.header("X-PD-Environment"), QByteArray("production"));
        // Content type, bearer, environment: in this order.
        QList<QByteArray> order;
        for (const auto &h : sent.headers)
            if (h.first.compare("Content-Type", Qt::CaseInsensitive) == 0 || h.first.compare("Authorization", Qt::CaseInsensitive) == 0
                || h.first.compare("X-PD-Environment", Qt::CaseInsensitive) == 0)
                order << h.first.toLower();
        QCOMPARE(order, (QList<QByteArray>{"content-type", "authorization", "x-pd-environment"}));
    }

    void connectLinkEncodesItsValues_data()
    {
        QTest::addColumn<QString>("slug");
        QTest::addColumn<QByteArray>("tokenReply");
        QTest::addColumn<QString>("query");
        QTest::newRow("usual values are unchanged") << S("google_sheets-2") << QByteArray()
                                                    << S("token=ctok_00000001&connectLink=true&app=google_sheets-2");
        QTest::newRow("a letter with a mark") << S("café") << QByteArray() << S("token=ctok_00000001&connectLink=true&app=caf%C3%A9");
        QTest::newRow("a combining mark") << S("cafe\u0301") << QByteArray() << S("token=ctok_00000001&connectLink=true&app=cafe%CC%81");
        QTest::newRow("delimiters in the slug") << S("a&b=c#d e") << QByteArray()
                                                << S("token=ctok_00000001&connectLink=true&app=a%26b%3Dc%23d%20e");
        QTest::newRow("a token with + / =") << S("slack") << QByteArray(R"({"token":"ab+c/d=="})")
                                            << S("token=ab%2Bc%2Fd%3D%3D&connectLink=true&app=slack");
    }
    void connectLinkEncodesItsValues()
    {
        QFETCH(QString, slug);
        QFETCH(QByteArray, tokenReply);
        QFETCH(QString, query);
        if (!tokenReply.isEmpty())
            m_platform->queueReply(Route::ConnectToken, answer(200, tokenReply));
        const auto r = await<QString>([&](QObject *c, auto done) { m_service->generateConnectLink(slug, c, done); });
        QVERIFY(r.ok());
        QCOMPARE(*r.value, m_platform->baseUrl() + S("/_static/connect.html?") + query);
        QVERIFY(QUrl(*r.value, QUrl::StrictMode).isValid());
    }

    void connectingInTheBrowserConnectsTheAccount()
    {
        const QString slug = S("café");
        BrowserHook browser;
        browser.onPage = [&](const QUrl &url, const QByteArray &body) {
            if (url.path() == QLatin1String("/_static/connect.html"))
                browser.submitForm(m_platform->completionUrl(), PipedreamStandin::completionForm(body));
        };
        QCOMPARE(*status(slug).value, false);
        std::optional<bool> opened;
        QObject context;
        m_service->openConnectLink(slug, &context, [&](bool o) { opened = o; });
        QVERIFY(QTest::qWaitFor([&] { return opened.has_value(); }, 10000));
        QVERIFY(*opened);
        QCOMPARE(browser.opened().size(), 1);
        QVERIFY(QTest::qWaitFor([&] { return m_platform->isConnected(m_user, slug); }, 10000));

        QCOMPARE(*status(slug).value, true);
        const auto found = accountFor(slug);
        QVERIFY(found.ok() && found.value->has_value());
        QCOMPARE((*found.value)->externalId, m_user);
        QCOMPARE((*found.value)->app.name, slug);
        QVERIFY(!m_service->errorMessage());
    }

    void openConnectLinkReportsAFailedToken()
    {
        BrowserHook browser;
        m_platform->queueReply(Route::Token, answer(500, "down"));
        std::optional<bool> opened;
        QObject context;
        m_service->openConnectLink(S("slack"), &context, [&](bool o) { opened = o; });
        QVERIFY(QTest::qWaitFor([&] { return opened.has_value(); }, 10000));
        QVERIFY(!*opened);
        QVERIFY(browser.opened().isEmpty());
        QCOMPARE(m_service->errorMessage(), std::optional<QString>(S("Failed to generate connect link: Failed to authenticate with Pipedream")));
    }

    void openConnectLinkWithoutAUsablePage()
    {
        PipedreamConfig c = config();
        c.connectPageHost = S("http://connect.example.com"); // plain http off this machine
        m_service = std::make_unique<PipedreamConnectService>(c, user());
        BrowserHook browser;
        std::optional<bool> opened;
        m_service->openConnectLink(S("slack"), m_service.get(), [&](bool o) { opened = o; });
        QVERIFY(QTest::qWaitFor([&] { return opened.has_value(); }, 10000));
        QVERIFY(!*opened);
        QVERIFY(browser.opened().isEmpty());
        QCOMPARE(m_service->errorMessage(), std::optional<QString>(S("Failed to generate connect link: Invalid response from Pipedream")));
    }

    void connectionStatusReplies_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<std::optional<PipedreamConnectError>>("error");
        const std::optional<E> none;
        QTest::newRow("total 0") << 200 << QByteArray(R"({"page_info":{"total_count":0}})") << false << none;
        QTest::newRow("total 2") << 200 << QByteArray(R"({"page_info":{"total_count":2}})") << true << none;
        QTest::newRow("total as text") << 200 << QByteArray(R"({"page_info":{"total_count":"2"}})") << false << none;
        QTest::newRow("total as Boolean") << 200 << QByteArray(R"({"page_info":{"total_count":true}})") << false << none;
        QTest::newRow("total not whole") << 200 << QByteArray(R"({"page_info":{"total_count":1.5}})") << false << none;
        QTest::newRow("no page_info") << 200 << QByteArray(R"({"data":[{}]})") << false << none;
        QTest::newRow("not JSON") << 200 << QByteArray("<html>") << false << none;
        QTest::newRow("404") << 404 << QByteArray("{}") << false << none;
        QTest::newRow("204 is unexpected") << 204 << QByteArray() << false << std::optional<E>(E::connectionCheckFailed);
        QTest::newRow("500") << 500 << QByteArray("{}") << false << std::optional<E>(E::connectionCheckFailed);
    }
    void connectionStatusReplies()
    {
        QFETCH(int, code);
        QFETCH(QByteArray, body);
        QFETCH(bool, connected);
        QFETCH(std::optional<PipedreamConnectError>, error);
        m_platform->queueReply(Route::Accounts, answer(code, body));
        const auto r = status(S("slack"));
        QCOMPARE(connectError(r.failure), error);
        if (!error)
            QCOMPARE(*r.value, connected);
    }

    void accountsByApp()
    {
        m_user = S("google-oauth2|42");
        const QString id = m_platform->addAccount(m_user, S("slack"), S("Slack"));
        m_platform->addAccount(S("someone-else"), S("notion"));
        const auto found = accountFor(S("slack"));
        QVERIFY(found.ok() && found.value->has_value());
        QCOMPARE((*found.value)->id, id);
        QCOMPARE((*found.value)->app, (ConnectedAccount::AppInfo{S("app_slack"), S("Slack")}));
        QCOMPARE((*found.value)->createdAt, S("2026-01-01T12:00:00.000Z"));
        QCOMPARE(PipedreamStandin::rawTarget(m_platform->requests(Route::Accounts).last()),
                 S("/v1/connect/proj_Ab12Cd3/accounts?external_user_id=google-oauth2%7C42&app=slack"));
        QCOMPARE(*status(S("slack")).value, true);
        QCOMPARE(*status(S("notion")).value, false);

        g_lines.clear();
        const auto missing = accountFor(S("notion"));
        QVERIFY(missing.ok() && !missing.value->has_value());
        QCOMPARE(g_lines, (QStringList{S("✅ Parsed JSON successfully, found 0 accounts"), S("ℹ️ No accounts found in response")}));
    }

    void malformedAccountIsNone()
    {
        QJsonObject broken = account(S("apn_1"));
        broken.remove(S("created_at"));
        m_platform->queueReply(Route::Accounts, answer(200, listing({broken, account(S("apn_2"))})));
        const auto r = accountFor(S("slack"));
        QVERIFY(r.ok() && !r.value->has_value());
        QCOMPARE(g_lines.value(0), S("✅ Parsed JSON successfully, found 2 accounts"));
        QCOMPARE(g_lines.value(1), S("🔍 Raw account JSON structure:"));
        QVERIFY(g_lines.value(2).contains(S("\"id\": \"apn_1\"")));
        QStringList members;
        for (const QString &line : std::as_const(g_lines))
            if (line.startsWith(S("  - ")))
                members << line;
        QCOMPARE(members.size(), broken.size());
        QVERIFY(members.contains(S("  - id: apn_1")));
        QVERIFY(members.contains(S("  - name: <null>")));
    }

    void accountListingFailures_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("all");
        QTest::addColumn<QString>("logged");
        QTest::newRow("one app, 500") << 500 << QByteArray("boom") << false << S("❌ Error response: boom");
        QTest::newRow("all apps, 502") << 502 << QByteArray("bad gateway") << true << S("❌ Get all accounts error response: bad gateway");
        QTest::newRow("body not UTF-8 is not logged") << 500 << QByteArray("\xff\xfe") << false << QString();
    }
    void accountListingFailures()
    {
        QFETCH(int, code);
        QFETCH(QByteArray, body);
        QFETCH(bool, all);
        QFETCH(QString, logged);
        m_platform->queueReply(Route::Accounts, answer(code, body));
        const auto failure = all ? run(Op::all) : accountFor(S("slack")).failure;
        QCOMPARE(connectError(failure), std::optional<E>(E::connectionCheckFailed));
        QCOMPARE(g_lines, logged.isEmpty() ? QStringList() : QStringList{logged});
    }

    void allAccountsSkipsWhatDoesNotDecode()
    {
        QJsonObject broken = account(S("apn_2"));
        broken.insert(S("app"), QJsonObject{{S("id"), S("app_x")}});
        m_platform->queueReply(Route::Accounts, answer(200, listing({account(S("apn_1")), broken, account(S("apn_3"))})));
        const auto r = await<QList<ConnectedAccount>>([&](QObject *c, auto done) { m_service->getAllConnectedAccounts(c, done); });
        QVERIFY(r.ok());
        QCOMPARE(r.value->size(), 2);
        QCOMPARE(r.value->at(0).id, S("apn_1"));
        QCOMPARE(r.value->at(1).id, S("apn_3"));
        QCOMPARE(PipedreamStandin::rawTarget(m_platform->requests(Route::Accounts).last()),
                 S("/v1/connect/proj_Ab12Cd3/accounts?external_user_id=user-1"));
    }

    void deletion_data()
    {
        QTest::addColumn<QString>("accountId");
        QTest::addColumn<StandinHttpServer::Reply>("reply");
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("result"); // 1 true, 0 false, -1 failure
        QTest::addColumn<std::optional<PipedreamConnectError>>("error");
        const std::optional<E> none;
        const StandinHttpServer::Reply platform{-1, {}, {}, {}, 0, false};
        const QString base = S("/v1/connect/proj_Ab12Cd3/accounts/");
        QTest::newRow("known account") << S("apn_000001") << platform << base + S("apn_000001") << 1 << none;
        QTest::newRow("unknown account") << S("apn_999999") << platform << base + S("apn_999999") << 0 << none;
        QTest::newRow("an id with / ? # stays one segment")
            << S("apn/../x?y#z") << platform << base + S("apn%2F..%2Fx%3Fy%23z") << 0 << none;
        QTest::newRow("200 is deleted too") << S("apn_1") << answer(200, "{}") << base + S("apn_1") << 1 << none;
        QTest::newRow("500") << S("apn_1") << answer(500, "broken") << base + S("apn_1") << -1 << std::optional<E>(E::accountDeletionFailed);
        QTest::newRow("an empty id forms no address") << QString() << platform << QString() << -1 << std::optional<E>(E::invalidResponse);
        QTest::newRow("a dot segment forms no address") << S("..") << platform << QString() << -1 << std::optional<E>(E::invalidResponse);
    }
    void deletion()
    {
        QFETCH(QString, accountId);
        QFETCH(StandinHttpServer::Reply, reply);
        QFETCH(QString, target);
        QFETCH(int, result);
        QFETCH(std::optional<PipedreamConnectError>, error);
        m_platform->addAccount(m_user, S("slack"));
        if (reply.status > 0)
            m_platform->queueReply(Route::DeleteAccount, reply);
        const auto r = await<bool>([&](QObject *c, auto done) { m_service->deleteConnectedAccount(accountId, c, done); });
        QCOMPARE(connectError(r.failure), error);
        if (result >= 0)
            QCOMPARE(*r.value, bool(result));
        const auto sent = m_platform->requests(Route::DeleteAccount);
        QCOMPARE(sent.size(), target.isEmpty() ? 0 : 1);
        if (!target.isEmpty()) {
            QCOMPARE(PipedreamStandin::rawTarget(sent.first()), target);
            QVERIFY(sent.first().body.isEmpty());
        }
        if (error == E::accountDeletionFailed)
            QCOMPARE(g_lines.last(), S("❌ Delete error response: broken"));
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
            << answer(200, QByteArray(PipedreamConnectService::kMaxReplyBytes + 1, ' ')) << int(QNetworkReply::OperationCanceledError)
            << S("The reply is larger than %1 bytes").arg(PipedreamConnectService::kMaxReplyBytes);
    }
    void transportFailures()
    {
        QFETCH(StandinHttpServer::Reply, reply);
        QFETCH(int, code);
        QFETCH(QString, text);
        m_platform->queueReply(Route::Accounts, reply);
        std::optional<IntegrationResult<bool>> out;
        QObject context;
        m_service->checkConnectionStatus(S("slack"), &context, [&](const IntegrationResult<bool> &r) { out = r; });
        QVERIFY(QTest::qWaitFor([&] { return out.has_value() || m_platform->count(Route::Accounts) == 1; }, 10000));
        m_clock->advance(IntegrationHttp::kTimeoutMs - 1);
        QTest::qWait(50);
        if (reply.noReply) {
            QVERIFY(!out);
            m_clock->advance(1);
        }
        QVERIFY(QTest::qWaitFor([&] { return out.has_value(); }, 10000));
        QVERIFY(out->failure);
        QCOMPARE(out->failure->kind(), IntegrationFailure::Kind::transport);
        QCOMPARE(out->failure->transportCode(), code);
        QCOMPARE(out->failure->localizedDescription(), text);
    }

    void addressesOffThisMachineMustBeHttps()
    {
        PipedreamConfig c = config();
        c.apiHost = S("http://api.example.com");
        m_service = std::make_unique<PipedreamConnectService>(c, user());
        QVERIFY(!m_service->isConfigured());
        QCOMPARE(connectError(run(Op::status)), std::optional<E>(E::authenticationFailed));
        QVERIFY(m_platform->server().requests().isEmpty());

        c = config();
        QVERIFY(PipedreamConnectService(c, user()).isConfigured());
        c.clientSecret.clear();
        QVERIFY(!PipedreamConnectService(c, user()).isConfigured());
    }

    void configurationComesFromTheEnvironment()
    {
        m_platform->exportEnvironment();
        qputenv("TAVO_PIPEDREAM_API_URL", (m_platform->baseUrl() + S("//")).toUtf8());
        qputenv("TAVO_PIPEDREAM_ENVIRONMENT", " ");
        const PipedreamConfig c = PipedreamConfig::load();
        QCOMPARE(c.apiBaseURL(), m_platform->baseUrl() + S("/v1"));
        QCOMPARE(c.catalogURL(), m_platform->baseUrl() + S("/v1/apps"));
        QCOMPARE(c.clientSecret, m_platform->clientSecret());
        QCOMPARE(c.projectId, m_platform->projectId());
        QCOMPARE(c.catalogApiKey, m_platform->catalogKey());
        QCOMPARE(c.environment, S("production"));
        QVERIFY(PipedreamConnectService(c, user()).isConfigured());
        for (const char *name : {"TAVO_PIPEDREAM_API_URL", "TAVO_PIPEDREAM_CONNECT_URL", "TAVO_PIPEDREAM_CLIENT_ID",
                                 "TAVO_PIPEDREAM_CLIENT_SECRET", "TAVO_PIPEDREAM_PROJECT_ID", "TAVO_PIPEDREAM_ENVIRONMENT",
                                 "TAVO_PIPEDREAM_CATALOG_KEY"})
            qunsetenv(name);
    }

    void recordsDecodeStrictly_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("field"); // the decoded value that matters
        QTest::newRow("token without expires_in") << S("token") << QByteArray(R"({"access_token":"a","token_type":"Bearer"})") << true << S("none");
        QTest::newRow("token, expires_in null") << S("token") << QByteArray(R"({"access_token":"a","token_type":"Bearer","expires_in":null})") << true << S("none");
        QTest::newRow("token, expires_in 3600") << S("token") << QByteArray(R"({"access_token":"a","token_type":"Bearer","expires_in":3600})") << true << S("3600");
        QTest::newRow("token, no token_type") << S("token") << QByteArray(R"({"access_token":"a"})") << false << QString();
        QTest::newRow("token, access_token a number") << S("token") << QByteArray(R"({"access_token":1,"token_type":"Bearer"})") << false << QString();
        QTest::newRow("connect token with more fields") << S("connect") << QByteArray(R"({"token":"ctok","expires_at":"x","connect_link_url":"y"})") << true << S("ctok");
        QTest::newRow("connect token without token") << S("connect") << QByteArray(R"({"expires_at":"x"})") << false << QString();
        QTest::newRow("connect token, a list") << S("connect") << QByteArray(R"([{"token":"ctok"}])") << false << QString();
        QTest::newRow("account with extra keys at both levels")
            << S("account") << QByteArray(R"({"id":"apn_1","external_id":"u","app":{"id":"app_1","name":"Slack","x":1},"created_at":"t","healthy":true})")
            << true << S("apn_1 u app_1 Slack t");
        QTest::newRow("account, created_at empty text")
            << S("account") << QByteArray(R"({"id":"apn_1","external_id":"u","app":{"id":"app_1","name":"Slack"},"created_at":""})") << true
            << S("apn_1 u app_1 Slack ");
        QTest::newRow("account without created_at")
            << S("account") << QByteArray(R"({"id":"apn_1","external_id":"u","app":{"id":"app_1","name":"Slack"}})") << false << QString();
        QTest::newRow("account, app without name")
            << S("account") << QByteArray(R"({"id":"apn_1","external_id":"u","app":{"id":"app_1"},"created_at":"t"})") << false << QString();
        QTest::newRow("account, id null")
            << S("account") << QByteArray(R"({"id":null,"external_id":"u","app":{"id":"app_1","name":"S"},"created_at":"t"})") << false << QString();
        QTest::newRow("account, truncated") << S("account") << QByteArray("{\"id\":\"apn_1\",\"exter") << false << QString();
    }
    void recordsDecodeStrictly()
    {
        QFETCH(QString, record);
        QFETCH(QByteArray, json);
        QFETCH(bool, ok);
        QFETCH(QString, field);
        QString error;
        QString value;
        bool decoded = false;
        if (record == QLatin1String("token")) {
            const auto r = TokenResponse::decode(json, &error);
            decoded = r.has_value();
            if (r)
                value = r->expiresIn ? QString::number(*r->expiresIn) : S("none");
        } else if (record == QLatin1String("connect")) {
            const auto r = ConnectTokenResponse::decode(json, &error);
            decoded = r.has_value();
            if (r)
                value = r->token;
        } else {
            const auto r = ConnectedAccount::decode(json, &error);
            decoded = r.has_value();
            if (r)
                value = QStringList{r->id, r->externalId, r->app.id, r->app.name, r->createdAt}.join(u' ');
        }
        QCOMPARE(decoded, ok);
        QCOMPARE(value, field);
        QCOMPARE(error.isEmpty(), ok);
    }

    void errorTexts()
    {
        const QList<QPair<E, const char *>> table{{E::authenticationFailed, "Failed to authenticate with Pipedream"},
                                                  {E::tokenGenerationFailed, "Failed to generate connect token"},
                                                  {E::connectionCheckFailed, "Failed to check connection status"},
                                                  {E::invalidResponse, "Invalid response from Pipedream"},
                                                  {E::accountDeletionFailed, "Failed to delete connected account"}};
        for (const auto &[error, text] : table) {
            QCOMPARE(errorDescription(error), S(text));
            QCOMPARE(IntegrationFailure::connect(error).localizedDescription(), S(text));
            QCOMPARE(IntegrationFailure::connect(error), IntegrationFailure::connect(error));
        }
    }
};

TAVO_TEST_MAIN(PipedreamConnectTest)
#include "tst_pipedreamconnect.moc"
