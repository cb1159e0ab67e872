#include "AccountApiStandin.h"
#include "Platform/Log.h"
#include "RecordingAnalyticsClient.h"
#include "TestMain.h"
#include "account/RemoteService.h"
#include "analytics/AnalyticsService.h"

using Endpoint = AccountApiStandin::Endpoint;
using Kind = RemoteError::Kind;
Q_DECLARE_METATYPE(RemoteError::Kind)

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
QStringList remoteLines()
{
    QStringList out;
    for (const auto &l : g_lines)
        if (l.startsWith(S("[RemoteService]")))
            out << l;
    return out;
}

template <typename T>
RemoteResult<T> await(const std::function<void(QObject *, RemoteService::Callback<T>)> &call)
{
    std::optional<RemoteResult<T>> out;
    QObject context;
    call(&context, [&](const RemoteResult<T> &r) { out = r; });
    if (!QTest::qWaitFor([&] { return out.has_value(); }, 10000))
        qFatal("no answer");
    return *out;
}
}

// The account API client against a stand-in of the account API.
class RemoteServiceTest : public QObject {
    Q_OBJECT
    AccountApiStandin *m_api = nullptr;
    RemoteService *m_service = nullptr;
    RecordingAnalyticsClient m_analytics;

    RemoteResult<bool> validate(const QString &code)
    {
        return await<bool>([&](QObject *c, auto done) { m_service->validateInvitationCode(code, c, done); });
    }
    RemoteResult<AuthUserResponse> createUser(const QString &token, std::optional<QString> code = std::nullopt)
    {
        return await<AuthUserResponse>([&](QObject *c, auto done) {
            m_service->createAuthUser(S("auth0|1"), S("ada@example.com"), token, code, c, done);
        });
    }
    RemoteResult<UserResponse> updateProfile()
    {
        return await<UserResponse>([&](QObject *c, auto done) {
            m_service->updateUserProfile(S("auth0|1"), S("ada@example.com"), S("Ada"), S("Lovelace"), S(""), S(""),
                                         S("@ada"), S("tok"), c, done);
        });
    }
    // The one error report of the operation, or an empty map.
    QVariantMap report() const
    {
        const auto list = m_analytics.events(S("error_occurred"));
        return list.size() == 1 ? list.first().properties : QVariantMap();
    }

private Q_SLOTS:
    void initTestCase()
    {
        Log::setSink(captureLine);
        AnalyticsService::shared().setClient(&m_analytics);
    }
    void cleanupTestCase()
    {
        AnalyticsService::shared().setClient(nullptr);
        Log::setSink(nullptr);
    }
    void init()
    {
        m_api = new AccountApiStandin(this);
        QVERIFY(m_api->start());
        m_service = new RemoteService(m_api->baseUrl(), this);
        m_analytics.clear();
        g_lines.clear();
    }
    void cleanup()
    {
        delete m_service;
        delete m_api;
    }

    void invitationCheck_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("expected"); // 1 true, 0 false, -1 error
        QTest::addColumn<RemoteError::Kind>("errorKind");
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("reported");
        const QString explicitLine = S("[RemoteService] Invitation code validation result: ");
        const QString implicitLine = S("[RemoteService] Invitation code validation successful (no explicit valid field)");
        QTest::newRow("true") << 200 << QByteArray(R"({"is_valid": true})") << 1 << Kind::networkError << explicitLine + S("true") << false;
        QTest::newRow("false") << 200 << QByteArray(R"({"is_valid": false})") << 0 << Kind::networkError << explicitLine + S("false") << false;
        QTest::newRow("empty object") << 200 << QByteArray("{}") << 1 << Kind::networkError << implicitLine << false;
        QTest::newRow("not a Boolean") << 200 << QByteArray(R"({"is_valid": "false"})") << 1 << Kind::networkError << implicitLine << false;
        QTest::newRow("number is not a Boolean") << 200 << QByteArray(R"({"is_valid": 0})") << 1 << Kind::networkError << implicitLine << false;
        QTest::newRow("array") << 200 << QByteArray("[false]") << 1 << Kind::networkError << implicitLine << false;
        QTest::newRow("bare value") << 200 << QByteArray("false") << 1 << Kind::networkError << implicitLine << false;
        QTest::newRow("not JSON") << 200 << QByteArray("<html>ok</html>") << -1 << Kind::networkError << QString() << false;
        QTest::newRow("201") << 201 << QByteArray(R"({"is_valid": true})") << -1 << Kind::serverError << QString() << true;
        QTest::newRow("400") << 400 << QByteArray(R"({"detail": "bad"})") << -1 << Kind::serverError << QString() << true;
        QTest::newRow("401") << 401 << QByteArray() << -1 << Kind::serverError << QString() << true;
        QTest::newRow("500") << 500 << QByteArray("oops") << -1 << Kind::serverError << QString() << true;
    }
    void invitationCheck()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(int, expected);
        QFETCH(RemoteError::Kind, errorKind);
        QFETCH(QString, line);
        QFETCH(bool, reported);
        m_api->setReply(Endpoint::ValidateInvitation, status, body);
        const auto result = validate(S("CODE-1"));

        QCOMPARE(m_api->count(Endpoint::ValidateInvitation), 1);
        QCOMPARE(m_api->lastBody(Endpoint::ValidateInvitation), (QJsonObject{{S("invitation_code"), S("CODE-1")}}));
        QVERIFY(m_api->lastHeader(Endpoint::ValidateInvitation, "Authorization").isEmpty());
        QCOMPARE(m_api->lastHeader(Endpoint::ValidateInvitation, "Content-Type"), QByteArray("application/json"));
        if (expected >= 0) {
            QVERIFY(result.ok());
            QCOMPARE(*result.value, expected == 1);
            QCOMPARE(remoteLines(), QStringList{line});
        } else {
            QVERIFY(!result.ok());
            QCOMPARE(result.error->kind(), errorKind);
            if (errorKind == Kind::serverError)
                QCOMPARE(result.error->text(), S("Server returned status code ") + QString::number(status));
        }
        if (reported) {
            const QVariantMap r = report();
            QCOMPARE(r.value(S("operation")).toString(), S("validateInvitationCode"));
            QCOMPARE(r.value(S("status_code")).typeId(), QMetaType::Int);
            QCOMPARE(r.value(S("status_code")).toInt(), status);
            QCOMPARE(r.value(S("context")).toString(), S("RemoteService"));
            QCOMPARE(r.value(S("error_type")).toString(), S("RemoteError"));
            QCOMPARE(r.value(S("error_message")).toString(), result.error->description());
        } else {
            QVERIFY(m_analytics.events().isEmpty());
        }
    }

    void accountCreationSendsItsBodyAndOneBearer_data()
    {
        QTest::addColumn<QString>("token");
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<bool>("withCode");
        QTest::newRow("bare token") << S("abc") << QByteArray("Bearer abc") << false;
        QTest::newRow("prefixed token") << S("Bearer abc") << QByteArray("Bearer abc") << true;
        QTest::newRow("only one prefix removed") << S("Bearer Bearer abc") << QByteArray("Bearer Bearer abc") << false;
        QTest::newRow("prefix without blank kept") << S("Bearerabc") << QByteArray("Bearer Bearerabc") << false;
    }
    void accountCreationSendsItsBodyAndOneBearer()
    {
        QFETCH(QString, token);
        QFETCH(QByteArray, header);
        QFETCH(bool, withCode);
        const auto result = createUser(token, withCode ? std::optional<QString>(S("INV-9")) : std::nullopt);
        QVERIFY(result.ok());
        QCOMPARE(result.value->id, S("user-1"));
        QCOMPARE(result.value->email, S("ada@example.com"));
        QVERIFY(result.value->is_active);
        QCOMPARE(m_api->lastHeader(Endpoint::CreateAuthUser, "Authorization"), header);
        QCOMPARE(m_api->lastHeader(Endpoint::CreateAuthUser, "Content-Type"), QByteArray("application/json"));
        QJsonObject expected{{S("auth_id"), S("auth0|1")}, {S("email"), S("ada@example.com")}};
        if (withCode)
            expected.insert(S("invitation_code"), S("INV-9"));
        QCOMPARE(m_api->lastBody(Endpoint::CreateAuthUser), expected);
        QCOMPARE(remoteLines(), QStringList{S("[RemoteService] Successfully retrieved/created user")});
    }

    void accountCreationReplies_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("errorKind"); // -1: success
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("reported");
        const QByteArray user = R"({"id": "u2", "email": "b@example.com", "is_active": false, "extra": 1})";
        QTest::newRow("201 as 200") << 201 << user << -1 << QString() << false;
        QTest::newRow("missing is_active") << 200 << QByteArray(R"({"id": "u2", "email": "b@example.com"})") << int(Kind::networkError) << QString() << false;
        QTest::newRow("is_active not Boolean") << 200 << QByteArray(R"({"id": "u2", "email": "b@example.com", "is_active": "yes"})") << int(Kind::networkError) << QString() << false;
        QTest::newRow("id null") << 200 << QByteArray(R"({"id": null, "email": "b@example.com", "is_active": true})") << int(Kind::networkError) << QString() << false;
        QTest::newRow("409 detail") << 409 << QByteArray(R"({"detail": "User exists"})") << int(Kind::conflict) << S("User exists") << true;
        QTest::newRow("409 detail is a list") << 409 << QByteArray(R"({"detail": ["x"]})") << int(Kind::conflict) << S("Conflict error without detail") << true;
        QTest::newRow("409 not JSON") << 409 << QByteArray("conflict!") << int(Kind::conflict) << S("Conflict error without detail") << true;
        QTest::newRow("400 detail") << 400 << QByteArray(R"({"detail": "Invalid invitation code"})") << int(Kind::badRequest) << S("Invalid invitation code") << true;
        QTest::newRow("400 without detail") << 400 << QByteArray("{}") << int(Kind::badRequest) << S("Bad request error without detail") << true;
        QTest::newRow("401") << 401 << QByteArray() << int(Kind::serverError) << S("Server returned status code 401") << true;
        QTest::newRow("503") << 503 << QByteArray() << int(Kind::serverError) << S("Server returned status code 503") << true;
    }
    void accountCreationReplies()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(int, errorKind);
        QFETCH(QString, text);
        QFETCH(bool, reported);
        m_api->setReply(Endpoint::CreateAuthUser, status, body);
        const auto result = createUser(S("tok"));
        if (errorKind < 0) {
            QVERIFY(result.ok());
            QCOMPARE(result.value->id, S("u2"));
            QVERIFY(!result.value->is_active);
        } else {
            QVERIFY(!result.ok());
            QCOMPARE(int(result.error->kind()), errorKind);
            if (!text.isEmpty())
                QCOMPARE(result.error->text(), text);
        }
        if (!reported) {
            QVERIFY(m_analytics.events().isEmpty());
            return;
        }
        const QVariantMap r = report();
        QCOMPARE(r.value(S("operation")).toString(), S("createAuthUser"));
        QCOMPARE(r.value(S("status_code")).toInt(), status);
        if (status == 400 || status == 409)
            QCOMPARE(r.value(S("server_message")).toString(), text);
        else
            QVERIFY(!r.contains(S("server_message")));
    }

    void profileCreation_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("errorKind"); // -1: success
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<bool>("reported");
        const QByteArray noTwitter = R"({"id": "u", "email": "e", "first_name": "A", "last_name": "L", "company_name": "", "linkedin": "", "is_active": true})";
        const QByteArray noLinkedin = R"({"id": "u", "email": "e", "first_name": "A", "last_name": "L", "company_name": "", "twitter": "t", "is_active": true})";
        QTest::newRow("twitter missing") << 200 << noTwitter << -1 << QStringList{S("[RemoteService] Successfully updated user profile")} << false;
        QTest::newRow("linkedin missing") << 200 << noLinkedin << int(Kind::networkError)
                                          << QStringList{S("[RemoteService] Network error: The reply lacks the key \"linkedin\"")} << false;
        QTest::newRow("401") << 401 << QByteArray() << int(Kind::unauthorized)
                             << QStringList{S("[RemoteService] Unauthorized error - Access token may be invalid"), S("[RemoteService] RemoteError: unauthorized")} << true;
        QTest::newRow("403") << 403 << QByteArray() << int(Kind::unauthorized)
                             << QStringList{S("[RemoteService] Forbidden error - Access token may be invalid or expired"), S("[RemoteService] RemoteError: unauthorized")} << true;
        QTest::newRow("409 is a plain server error") << 409 << QByteArray(R"({"detail": "x"})") << int(Kind::serverError)
                                                     << QStringList{S("[RemoteService] RemoteError: serverError(\"Server returned status code 409\")")} << true;
        QTest::newRow("500 with text") << 500 << QByteArray("database down") << int(Kind::serverError)
                                       << QStringList{S("[RemoteService] Server error: database down"), S("[RemoteService] RemoteError: serverError(\"Server returned status code 500\")")} << true;
        QTest::newRow("500 not UTF-8") << 500 << QByteArray("\xff\xfe\xfd") << int(Kind::serverError)
                                       << QStringList{S("[RemoteService] RemoteError: serverError(\"Server returned status code 500\")")} << true;
    }
    void profileCreation()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(int, errorKind);
        QFETCH(QStringList, lines);
        QFETCH(bool, reported);
        m_api->setReply(Endpoint::CreateProfile, status, body);
        const auto result = updateProfile();
        // All seven keys, empty texts included.
        QCOMPARE(m_api->lastBody(Endpoint::CreateProfile),
                 (QJsonObject{{S("auth_id"), S("auth0|1")}, {S("email"), S("ada@example.com")}, {S("first_name"), S("Ada")},
                              {S("last_name"), S("Lovelace")}, {S("company_name"), S("")}, {S("linkedin"), S("")}, {S("twitter"), S("@ada")}}));
        QCOMPARE(m_api->lastHeader(Endpoint::CreateProfile, "Authorization"), QByteArray("Bearer tok"));
        if (errorKind < 0) {
            QVERIFY(result.ok());
            QVERIFY(!result.value->twitter.has_value());
        } else {
            QVERIFY(!result.ok());
            QCOMPARE(int(result.error->kind()), errorKind);
        }
        QCOMPARE(remoteLines(), lines);
        if (reported) {
            QCOMPARE(report().value(S("operation")).toString(), S("updateUserProfile"));
            QCOMPARE(report().value(S("status_code")).toInt(), status);
        } else {
            QVERIFY(m_analytics.events().isEmpty());
        }
    }

    // A request with the bearer token follows no redirect to another origin (307 would resend
    // the header and the body there).
    void credentialsStayWithTheirOrigin()
    {
        StandinHttpServer elsewhere;
        QVERIFY(elsewhere.start());
        const QByteArray target = elsewhere.baseUrl().toString().toUtf8() + AccountApiStandin::path(Endpoint::CreateAuthUser).toUtf8();
        StandinHttpServer::Reply redirect;
        redirect.status = 307;
        redirect.contentType = "text/plain";
        redirect.headers = {{QByteArrayLiteral("Location"), target}};
        m_api->server().on(AccountApiStandin::method(Endpoint::CreateAuthUser), AccountApiStandin::path(Endpoint::CreateAuthUser), redirect);
        const auto result = createUser(S("secret-token"), std::nullopt);
        QVERIFY(!result.ok());
        QCOMPARE(m_api->count(Endpoint::CreateAuthUser), 1);
        QCOMPARE(elsewhere.requests().size(), 0);
    }

    void unusableAddressesAndTransportFailures()
    {
        // No address configured, or plain http to another host: nothing is sent, nothing reported.
        for (const QString &base : {QString(), S("http://example.com"), S("not a url")}) {
            RemoteService service(base);
            const auto r = await<bool>([&](QObject *c, auto done) { service.validateInvitationCode(S("x"), c, done); });
            QVERIFY(!r.ok());
            QCOMPARE(r.error->kind(), Kind::invalidResponse);
        }
        QCOMPARE(m_api->server().requests().size(), 0);

        // A closed port: a network error, not reported.
        const QString base = m_api->baseUrl();
        delete m_api;
        m_api = nullptr;
        RemoteService service(base);
        g_lines.clear();
        const auto r = await<UserResponse>([&](QObject *c, auto done) {
            service.updateUserProfile(S("a"), S("e"), S(""), S(""), S(""), S(""), S(""), S("t"), c, done);
        });
        QVERIFY(!r.ok());
        QCOMPARE(r.error->kind(), Kind::networkError);
        QVERIFY(remoteLines().value(0).startsWith(S("[RemoteService] Network error: ")));
        QVERIFY(m_analytics.events().isEmpty());
    }
};

TAVO_TEST_MAIN(RemoteServiceTest)
#include "tst_remoteservice.moc"
