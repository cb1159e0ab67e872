#include "AccountApiStandin.h"
#include "FakeScheduler.h"
#include "Platform/Log.h"
#include "Platform/NotificationCenter.h"
#include "TestMain.h"
#include "Controller/session/AccessTokenProvider.h"
#include "account/ProfileService.h"
#include "account/ProfileViewModel.h"

using Endpoint = AccountApiStandin::Endpoint;

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
}

// The profile service's cache, its errors and the overlay's view model, against a stand-in
// account API and a virtual clock.
class ProfileServiceTest : public QObject {
    Q_OBJECT
    AccountApiStandin *m_api = nullptr;
    std::unique_ptr<FakeScheduler> m_clock;
    std::optional<QString> m_token;
    FunctionTokenProvider m_tokens{[this](QObject *, AccessTokenProvider::Callback done) { done(m_token); }};
    ProfileService *m_service = nullptr;

    ProfileResult fetch(bool force)
    {
        std::optional<ProfileResult> out;
        QObject context;
        m_service->fetchProfile(force, &context, [&](const ProfileResult &r) { out = r; });
        if (!QTest::qWaitFor([&] { return out.has_value(); }, 10000))
            qFatal("no answer");
        return *out;
    }
    int requests() const { return m_api->count(Endpoint::GetProfile); }

private Q_SLOTS:
    void initTestCase() { Log::setSink(captureLine); }
    void cleanupTestCase() { Log::setSink(nullptr); }
    void init()
    {
        m_clock = std::make_unique<FakeScheduler>();
        m_api = new AccountApiStandin(this);
        QVERIFY(m_api->start());
        m_token = S("tok");
        m_service = new ProfileService(m_api->baseUrl(), &m_tokens, false, this);
        g_lines.clear();
    }
    void cleanup()
    {
        delete m_service;
        delete m_api;
        m_clock.reset();
    }

    void requestCarriesOneBearer()
    {
        m_token = S("Bearer tok");
        const auto r = fetch(false);
        QVERIFY(r.ok());
        QCOMPARE(r.profile->firstName, S("Ada"));
        QCOMPARE(r.profile->linkedin, std::optional<QString>(S("in/ada")));
        QVERIFY(!r.profile->twitter);
        const auto request = m_api->requests(Endpoint::GetProfile).first();
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.path, S("/api/profile/"));
        QCOMPARE(request.header("Authorization"), QByteArray("Bearer tok"));
        QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
        QVERIFY(!m_service->isLoading());
    }

    void cacheIsServedForThirtyMinutes()
    {
        QVERIFY(m_service->isCacheExpired());
        QVERIFY(fetch(false).ok());
        QCOMPARE(requests(), 1);
        QCOMPARE(*m_service->lastFetchDate(), m_clock->now());

        m_api->setReply(Endpoint::GetProfile, 200, AccountApiStandin::profileJson(S("user-1"), S("Augusta"), S("ada@example.com")));
        m_clock->advanceSeconds(1800);
        QVERIFY(!m_service->isCacheExpired());
        int loadingChanges = 0;
        connect(m_service, &ProfileService::isLoadingChanged, this, [&] { ++loadingChanges; });
        QCOMPARE(fetch(false).profile->firstName, S("Ada"));
        QCOMPARE(requests(), 1);
        QCOMPARE(loadingChanges, 0);

        m_clock->advanceSeconds(1);
        QVERIFY(m_service->isCacheExpired());
        QCOMPARE(fetch(false).profile->firstName, S("Augusta"));
        QCOMPARE(requests(), 2);
        QCOMPARE(loadingChanges, 2);
        QCOMPARE(m_service->cachedProfile()->firstName, S("Augusta"));
    }

    void failuresAnswerTheCachedProfile_data()
    {
        QTest::addColumn<bool>("force");
        QTest::addColumn<int>("secondsLater");
        QTest::newRow("forced refresh of a fresh cache") << true << 10;
        QTest::newRow("stale cache") << false << 7200;
    }
    void failuresAnswerTheCachedProfile()
    {
        QFETCH(bool, force);
        QFETCH(int, secondsLater);
        QVERIFY(fetch(false).ok());
        const QDateTime stored = *m_service->lastFetchDate();
        m_api->setReply(Endpoint::GetProfile, 503, "down");
        m_clock->advanceSeconds(secondsLater);
        const auto r = fetch(force);
        QCOMPARE(requests(), 2);
        QVERIFY(r.ok());
        QCOMPARE(r.profile->firstName, S("Ada"));
        QCOMPARE(*m_service->lastFetchDate(), stored);
        QVERIFY(!m_service->isLoading());
    }

    void viewModelMessages_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("refresh");
        QTest::addColumn<QString>("message"); // a prefix when it ends with ": "
        QTest::newRow("404") << 404 << QByteArray() << false << S("Profile not found");
        QTest::newRow("403") << 403 << QByteArray() << false << S("Server error: 403");
        QTest::newRow("401") << 401 << QByteArray() << true << S("Unauthorized access");
        QTest::newRow("201") << 201 << AccountApiStandin::profileJson(S("u"), S("A"), S("e")) << false << S("Server error: 201");
        QTest::newRow("first_name missing") << 200 << QByteArray(R"({"id": "u", "is_active": true, "last_name": "L", "email": "e"})")
                                            << false << S("Failed to fetch profile: ");
        QTest::newRow("null in a required key") << 200 << QByteArray(R"({"id": "u", "is_active": true, "first_name": null, "last_name": "L", "email": "e"})")
                                                << true << S("Failed to refresh profile: ");
        QTest::newRow("no token") << 0 << QByteArray() << false << S("No access token available");
        QTest::newRow("transport failure") << -1 << QByteArray() << true << S("Failed to refresh profile: ");
    }
    void viewModelMessages()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, refresh);
        QFETCH(QString, message);
        // Port 1 on the loopback is closed: the connection is refused.
        ProfileService unreachable(S("http://127.0.0.1:1"), &m_tokens, false);
        ProfileViewModel model(status < 0 ? &unreachable : m_service);
        UserProfile shown;
        shown.id = S("kept");
        model.setUserProfile(shown);
        if (status == 0)
            m_token.reset();
        else if (status > 0)
            m_api->setReply(Endpoint::GetProfile, status, body);
        refresh ? model.refreshProfile() : model.loadProfile();
        QVERIFY(model.isLoading());
        QTRY_VERIFY(!model.isLoading());
        QVERIFY(model.errorMessage());
        if (message.endsWith(S(": ")))
            QVERIFY2(model.errorMessage()->startsWith(message) && model.errorMessage()->size() > message.size(), qPrintable(*model.errorMessage()));
        else
            QCOMPARE(*model.errorMessage(), message);
        QCOMPARE(model.userProfile()->id, S("kept"));
        QVERIFY(!m_service->cachedProfile());
    }

    void viewModelShowsTheProfileAndClearsTheMessage()
    {
        ProfileViewModel model(m_service);
        m_api->setReply(Endpoint::GetProfile, 404, "");
        model.loadProfile();
        QTRY_VERIFY(!model.isLoading());
        QVERIFY(model.errorMessage());
        m_api->setReply(Endpoint::GetProfile, 200, R"({"id": "u", "is_active": false, "first_name": "A", "last_name": "L", "email": "e", "other": 1})");
        model.refreshProfile();
        QVERIFY(!model.errorMessage());
        QTRY_VERIFY(!model.isLoading());
        QVERIFY(model.userProfile());
        QVERIFY(!model.userProfile()->companyName && !model.userProfile()->linkedin && !model.userProfile()->twitter);
        QVERIFY(!model.errorMessage());
    }

    void preloadFillsTheCacheOrLogs()
    {
        // A service made for the application preloads on its first turn.
        ProfileService started(m_api->baseUrl(), &m_tokens, true);
        QCOMPARE(requests(), 0);
        m_clock->runPending();
        QTRY_VERIFY(started.cachedProfile());
        QCOMPARE(requests(), 1);
        const QDateTime stored = *started.lastFetchDate();
        m_clock->advanceSeconds(60);
        started.preloadProfile();
        QTest::qWait(50);
        QCOMPARE(requests(), 1);
        QCOMPARE(*started.lastFetchDate(), stored);

        m_token.reset();
        m_service->preloadProfile();
        QTRY_COMPARE(g_lines, QStringList{S("Profile preload failed: No access token available")});
        QVERIFY(!m_service->isLoading());
    }

    // The next user must never see the previous user's profile.
    void signOutEmptiesTheCache()
    {
        QVERIFY(fetch(false).ok());
        NotificationCenter::defaultCenter().post(S("logoutCompleted"));
        QVERIFY(!m_service->cachedProfile());
        QVERIFY(!m_service->lastFetchDate());
        QVERIFY(m_service->isCacheExpired());

        // A failure right after sign-out is not hidden behind the old profile.
        m_api->setReply(Endpoint::GetProfile, 500, "");
        QVERIFY(!fetch(false).ok());

        // A reply to a request made before sign-out does not fill the cache.
        m_api->setReply(Endpoint::GetProfile, 200, AccountApiStandin::profileJson(S("user-1"), S("Ada"), S("a@e")), 300);
        std::optional<ProfileResult> late;
        QObject context;
        m_service->fetchProfile(false, &context, [&](const ProfileResult &r) { late = r; });
        QTRY_COMPARE(requests(), 3);
        NotificationCenter::defaultCenter().post(S("logoutCompleted"));
        QTRY_VERIFY(late.has_value());
        QVERIFY(!m_service->cachedProfile());

        m_api->setReply(Endpoint::GetProfile, 200, AccountApiStandin::profileJson(S("user-2"), S("Grace"), S("g@e")));
        QCOMPARE(fetch(false).profile->id, S("user-2"));
        QCOMPARE(m_service->cachedProfile()->firstName, S("Grace"));
    }
};

TAVO_TEST_MAIN(ProfileServiceTest)
#include "tst_profileservice.moc"
