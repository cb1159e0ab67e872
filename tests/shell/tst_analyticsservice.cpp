#include "Platform/Analytics/AnalyticsClient.h"
#include "FakeScheduler.h"
#include "Platform/Log.h"
#include "Platform/NotificationCenter.h"
#include "RecordingAnalyticsClient.h"
#include "TestMain.h"
#include "analytics/AnalyticsService.h"

#include <QThread>

using Call = std::function<void(AnalyticsService &)>;
Q_DECLARE_METATYPE(Call)

namespace {
QStringList g_lines;
void captureLine(const QString &line)
{
    g_lines.append(line);
}
const QDateTime kStart(QDate(2026, 3, 1), QTime(9, 30), Qt::UTC);
const double kStartSeconds = kStart.toMSecsSinceEpoch() / 1000.0;
QString S(const char *text)
{
    return QString::fromUtf8(text);
}
}

class AnalyticsServiceTest : public QObject {
    Q_OBJECT
    RecordingAnalyticsClient m_client;
    std::unique_ptr<FakeScheduler> m_clock;
    AnalyticsService &service() { return AnalyticsService::shared(); }

private Q_SLOTS:
    void initTestCase()
    {
        Log::setSink(captureLine);
        service().setClient(&m_client);
    }
    void init()
    {
        m_clock = std::make_unique<FakeScheduler>(kStart);
        m_client.clear();
        g_lines.clear();
    }
    void cleanup() { m_clock.reset(); }
    void cleanupTestCase()
    {
        service().setClient(nullptr);
        Log::setSink(nullptr);
    }

    // Runs first, before any launch has set the session start.
    void terminationBeforeLaunchSendsNothing()
    {
        service().trackAppTermination();
        QVERIFY(m_client.events().isEmpty());
        QCOMPARE(g_lines, QStringList{S("[AnalyticsService] No session start time found - skipping termination tracking")});
    }

    void terminationReportsTheSessionLength()
    {
        service().trackAppLaunch();
        m_clock->advance(12346);
        service().trackAppTermination();
        QCOMPARE(m_client.eventNames(), (QStringList{S("app_launched"), S("app_terminated")}));
        QCOMPARE(m_client.lastProperties(S("app_launched")).value(S("app_version")).toString(), S("1.0.0"));
        QCOMPARE(m_client.lastProperties(S("app_terminated")).value(S("session_duration_seconds")).toDouble(), 12.346);
        QCOMPARE(g_lines.last(), S("[AnalyticsService] App termination tracked - session duration: 12.35s"));
        // The start stays: a second termination measures from the same launch.
        m_clock->advance(1000);
        service().trackAppTermination();
        QCOMPARE(m_client.lastProperties(S("app_terminated")).value(S("session_duration_seconds")).toDouble(), 13.346);
    }

    void eachOperationSendsItsEvent_data()
    {
        QTest::addColumn<Call>("call");
        QTest::addColumn<QString>("event");
        QTest::addColumn<QVariantMap>("properties"); // without "timestamp"
        QTest::addColumn<QString>("line");
        const QVariantMap none;
        const QVariantMap extra{{S("source"), S("menu")}};
        const QString props = S(" - properties: {\"source\":\"menu\"}");

        QTest::newRow("logout started") << Call([](auto &a) { a.trackLogoutStarted(); }) << S("logout_started") << none
                                        << S("[AnalyticsService] Logout started tracked");
        QTest::newRow("logout completed") << Call([](auto &a) { a.trackLogoutCompleted(0.5); }) << S("logout_completed")
                                          << QVariantMap{{S("logout_duration"), 0.5}}
                                          << S("[AnalyticsService] Logout completed tracked - duration: 0.50s");
        QTest::newRow("login closed") << Call([](auto &a) { a.trackLoginWindowClosed(); }) << S("login_window_closed") << none
                                      << S("[AnalyticsService] Login window closed tracked");
        QTest::newRow("invitation closed") << Call([](auto &a) { a.trackInvitationWindowClosed(); })
                                           << S("invitation_window_closed") << none
                                           << S("[AnalyticsService] Invitation window closed tracked");
        QTest::newRow("auth started") << Call([](auto &a) { a.trackAuthenticationStarted(S("google")); })
                                      << S("authentication_started") << QVariantMap{{S("provider"), S("google")}}
                                      << S("[AnalyticsService] Authentication started tracked - provider: google");
        QTest::newRow("auth success") << Call([](auto &a) { a.trackAuthenticationSuccess(S("google"), 2.0); })
                                      << S("authentication_success")
                                      << QVariantMap{{S("provider"), S("google")}, {S("duration_seconds"), 2.0}}
                                      << S("[AnalyticsService] Authentication success tracked - provider: google - duration: 2.00s");
        QTest::newRow("auth success, no duration") << Call([](auto &a) { a.trackAuthenticationSuccess(S("google")); })
                                                   << S("authentication_success") << QVariantMap{{S("provider"), S("google")}}
                                                   << S("[AnalyticsService] Authentication success tracked - provider: google");
        QTest::newRow("auth failure") << Call([](auto &a) { a.trackAuthenticationFailure(S("google"), S("cancelled"), 3.456); })
                                      << S("authentication_failure")
                                      << QVariantMap{{S("provider"), S("google")}, {S("error"), S("cancelled")}, {S("duration_seconds"), 3.456}}
                                      << S("[AnalyticsService] Authentication failure tracked - provider: google - error: cancelled - duration: 3.46s");
        QTest::newRow("error") << Call([=](auto &a) { a.trackError(S("RemoteError"), S("Server returned status code 500"), S("RemoteService"), extra); })
                               << S("error_occurred")
                               << QVariantMap{{S("error_message"), S("Server returned status code 500")},
                                              {S("error_type"), S("RemoteError")},
                                              {S("context"), S("RemoteService")},
                                              {S("source"), S("menu")}}
                               << S("[AnalyticsService] Error tracked: Server returned status code 500 - context: RemoteService");
        QTest::newRow("button") << Call([=](auto &a) { a.trackButtonTap(S("send"), extra); }) << S("button_tap")
                                << QVariantMap{{S("button_name"), S("send")}, {S("source"), S("menu")}}
                                << S("[AnalyticsService] Button tap tracked: send") + props;
        QTest::newRow("voice, duration 0") << Call([](auto &a) { a.trackVoiceRecording(S("stop"), 0.0); }) << S("voice_recording")
                                           << QVariantMap{{S("action"), S("stop")}, {S("duration_seconds"), 0.0}}
                                           << S("[AnalyticsService] Voice recording tracked: stop - duration: 0.00s - properties: {}");
        QTest::newRow("voice, no duration") << Call([](auto &a) { a.trackVoiceRecording(S("start")); }) << S("voice_recording")
                                            << QVariantMap{{S("action"), S("start")}}
                                            << S("[AnalyticsService] Voice recording tracked: start - properties: {}");
        QTest::newRow("chat sent") << Call([](auto &a) { a.trackUserChatSent(S("T1")); }) << S("user_chat_sent")
                                   << QVariantMap{{S("task_id"), S("T1")}} << S("[AnalyticsService] User chat tracked - task: T1 - properties: {}");
        QTest::newRow("stream stopped") << Call([](auto &a) { a.trackStreamStopped(S("T1")); }) << S("stream_stopped")
                                        << QVariantMap{{S("task_id"), S("T1")}} << S("[AnalyticsService] Stream stop tracked - task: T1 - properties: {}");
        QTest::newRow("ai output") << Call([](auto &a) { a.trackAIOutputStreamed(S("T1")); }) << S("ai_output_streamed")
                                   << QVariantMap{{S("task_id"), S("T1")}} << S("[AnalyticsService] AI output tracked - task: T1 - properties: {}");
        QTest::newRow("stream ended") << Call([](auto &a) { a.trackStreamEnded(S("T1")); }) << S("stream_ended")
                                      << QVariantMap{{S("task_id"), S("T1")}} << S("[AnalyticsService] Stream end tracked - task: T1 - properties: {}");
        QTest::newRow("query") << Call([](auto &a) { a.trackUserQuerySubmitted(S("Work")); }) << S("user_query_submitted")
                               << QVariantMap{{S("category_title"), S("Work")}} << S("[AnalyticsService] User query tracked - category: Work - properties: {}");
        QTest::newRow("panel") << Call([=](auto &a) { a.trackPanelInteraction(S("show"), extra); }) << S("panel_interaction")
                               << QVariantMap{{S("action"), S("show")}, {S("source"), S("menu")}}
                               << S("[AnalyticsService] Panel interaction tracked: show") + props;
        QTest::newRow("flower") << Call([](auto &a) { a.trackFlowerInteraction(S("hide")); }) << S("flower_interaction")
                                << QVariantMap{{S("action"), S("hide")}} << S("[AnalyticsService] Flower interaction tracked: hide - properties: {}");
        QTest::newRow("canvas") << Call([](auto &a) { a.trackCanvasInteraction(S("zoom")); }) << S("canvas_interaction")
                                << QVariantMap{{S("action"), S("zoom")}} << S("[AnalyticsService] Canvas interaction tracked: zoom - properties: {}");
        QTest::newRow("transcription") << Call([](auto &a) { a.trackTranscriptionInteraction(S("send"), 12); })
                                       << S("transcription_interaction") << QVariantMap{{S("action"), S("send")}, {S("word_count"), 12}}
                                       << S("[AnalyticsService] Transcription interaction tracked: send - word count: 12 - properties: {}");
        QTest::newRow("store") << Call([](auto &a) { a.trackAppStoreInteraction(S("open"), S("Mail")); }) << S("app_store_interaction")
                               << QVariantMap{{S("action"), S("open")}, {S("app_name"), S("Mail")}}
                               << S("[AnalyticsService] App store interaction tracked: open - app: Mail - properties: {}");
        QTest::newRow("store, no app") << Call([](auto &a) { a.trackAppStoreInteraction(S("open")); }) << S("app_store_interaction")
                                       << QVariantMap{{S("action"), S("open")}}
                                       << S("[AnalyticsService] App store interaction tracked: open - properties: {}");
        // Two accented letters written with combining marks: four code points, two characters.
        QTest::newRow("search") << Call([](auto &a) { a.trackAppStoreSearch(S("e\u0301e\u0301"), 3); }) << S("app_store_search")
                                << QVariantMap{{S("query"), S("e\u0301e\u0301")}, {S("query_length"), 2}, {S("result_count"), 3}}
                                << S("[AnalyticsService] App store search tracked: e\u0301e\u0301 - results: 3 - properties: {}");
        QTest::newRow("install") << Call([](auto &a) { a.trackAppInstallation(S("Mail"), S("app_1")); }) << S("app_installation")
                                 << QVariantMap{{S("app_name"), S("Mail")}, {S("app_id"), S("app_1")}}
                                 << S("[AnalyticsService] App installation tracked: Mail - properties: {}");
        QTest::newRow("uninstall") << Call([](auto &a) { a.trackAppUninstallation(S("Mail")); }) << S("app_uninstallation")
                                   << QVariantMap{{S("app_name"), S("Mail")}}
                                   << S("[AnalyticsService] App uninstallation tracked: Mail - properties: {}");
        QTest::newRow("app auth") << Call([](auto &a) { a.trackAppAuthentication(S("Mail"), std::nullopt, S("connect")); })
                                  << S("app_authentication") << QVariantMap{{S("app_name"), S("Mail")}, {S("action"), S("connect")}}
                                  << S("[AnalyticsService] App authentication tracked: Mail - action: connect - properties: {}");
        QTest::newRow("tab") << Call([](auto &a) { a.trackAppStoreTabNavigation(S("Home")); }) << S("app_store_tab_navigation")
                             << QVariantMap{{S("tab_name"), S("Home")}}
                             << S("[AnalyticsService] App store tab navigation tracked: Home - properties: {}");
        QTest::newRow("category") << Call([](auto &a) { a.trackAppStoreCategorySelection(S("Productivity")); })
                                  << S("app_store_category_selection") << QVariantMap{{S("category_name"), S("Productivity")}}
                                  << S("[AnalyticsService] App store category selection tracked: Productivity - properties: {}");
        QTest::newRow("onboarding started") << Call([](auto &a) { a.trackOnboardingStarted(); }) << S("onboarding_started") << none
                                            << S("[AnalyticsService] Onboarding started tracked");
        QTest::newRow("tutorial started, email") << Call([](auto &a) { a.trackTutorialStarted(S("a@b.c")); }) << S("tutorial_started")
                                                 << QVariantMap{{S("user_email"), S("a@b.c")}}
                                                 << S("[AnalyticsService] Tutorial started tracked - email: a@b.c");
        QTest::newRow("onboarding step entered") << Call([](auto &a) { a.trackOnboardingStepEntered(1, S("name"), S("")); })
                                                 << S("onboarding_step_entered")
                                                 << QVariantMap{{S("step_number"), 1}, {S("step_name"), S("name")}, {S("user_email"), S("")}}
                                                 << S("[AnalyticsService] Onboarding step entered tracked - step: 1 (name)");
        QTest::newRow("tutorial step completed") << Call([](auto &a) { a.trackTutorialStepCompleted(2, S("pan"), 4.0); })
                                                 << S("tutorial_step_completed")
                                                 << QVariantMap{{S("step_number"), 2}, {S("step_name"), S("pan")}, {S("duration_seconds"), 4.0}}
                                                 << S("[AnalyticsService] Tutorial step completed tracked - step: 2 (pan) - duration: 4.00s");
        QTest::newRow("onboarding step back") << Call([](auto &a) { a.trackOnboardingStepBack(2, S("work")); })
                                              << S("onboarding_step_back") << QVariantMap{{S("step_number"), 2}, {S("step_name"), S("work")}}
                                              << S("[AnalyticsService] Onboarding step back tracked - step: 2 (work)");
        QTest::newRow("tutorial step back") << Call([](auto &a) { a.trackTutorialStepBack(3, S("zoom")); })
                                            << S("tutorial_step_back") << QVariantMap{{S("step_number"), 3}, {S("step_name"), S("zoom")}}
                                            << S("[AnalyticsService] Tutorial step back tracked - step: 3 (zoom)");
        QTest::newRow("onboarding completed") << Call([](auto &a) { a.trackOnboardingCompleted(2, 61.5); })
                                              << S("onboarding_completed")
                                              << QVariantMap{{S("total_duration_seconds"), 61.5}, {S("total_steps"), 2}}
                                              << S("[AnalyticsService] Onboarding completed tracked - duration: 61.50s - steps: 2");
        QTest::newRow("tutorial abandoned") << Call([](auto &a) { a.trackTutorialAbandoned(4, S("drag"), 9.0); })
                                            << S("tutorial_abandoned")
                                            << QVariantMap{{S("abandoned_at_step"), 4}, {S("abandoned_at_step_name"), S("drag")}, {S("total_duration_seconds"), 9.0}}
                                            << S("[AnalyticsService] Tutorial abandoned tracked - step: 4 (drag) - duration: 9.00s");
        QTest::newRow("validation error") << Call([](auto &a) { a.trackOnboardingValidationError(1, S("name"), S("First name required"), S("a@b.c")); })
                                          << S("onboarding_step_validation_error")
                                          << QVariantMap{{S("step_number"), 1}, {S("step_name"), S("name")}, {S("error_message"), S("First name required")}, {S("user_email"), S("a@b.c")}}
                                          << S("[AnalyticsService] Onboarding validation error tracked - step: 1 (name) - error: First name required");
    }
    void eachOperationSendsItsEvent()
    {
        QFETCH(Call, call);
        QFETCH(QString, event);
        QFETCH(QVariantMap, properties);
        QFETCH(QString, line);
        call(service());
        QCOMPARE(m_client.eventNames(), QStringList{event});
        QVariantMap expected = properties;
        expected.insert(S("timestamp"), kStartSeconds);
        const QVariantMap sent = m_client.events().first().properties;
        QCOMPARE(sent.keys(), expected.keys());
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            QCOMPARE(sent.value(it.key()), it.value());
            QCOMPARE(sent.value(it.key()).typeId(), it.value().typeId());
        }
        QCOMPARE(g_lines, QStringList{line});
    }

    void callerMapIsMergedLast()
    {
        service().trackError(S("RemoteError"), S("boom"), S("Ctx"), {{S("error_type"), S("Custom")}, {S("timestamp"), 1.0}});
        QCOMPARE(m_client.lastProperties(S("error_occurred")).value(S("error_type")).toString(), S("Custom"));
        QCOMPARE(m_client.lastProperties(S("error_occurred")).value(S("timestamp")).toDouble(), 1.0);

        service().trackPanelInteraction(S("show"), {{S("action"), S("override")}});
        QCOMPARE(m_client.lastProperties(S("panel_interaction")).value(S("action")).toString(), S("override"));

        // The generic event works the other way round: the facade's timestamp wins, and the
        // line shows the caller's map as given.
        const QVariantMap mine{{S("invitation_code"), S("ABC")}, {S("timestamp"), 1.0}};
        service().trackEvent(S("validate_invitation_code_request"), mine);
        QCOMPARE(m_client.lastProperties(S("validate_invitation_code_request")),
                 (QVariantMap{{S("invitation_code"), S("ABC")}, {S("timestamp"), kStartSeconds}}));
        QCOMPARE(g_lines.last(), S("[AnalyticsService] Event tracked: validate_invitation_code_request - properties: {\"invitation_code\":\"ABC\",\"timestamp\":1}"));
    }

    void windowEventsAreGatedUntilReset()
    {
        service().reset();
        m_client.clear();
        g_lines.clear();
        service().trackLoginWindowOpened();
        service().trackLoginWindowClosed();
        service().trackLoginWindowOpened();
        service().trackInvitationWindowOpened();
        service().trackInvitationWindowOpened();
        QCOMPARE(m_client.eventNames(), (QStringList{S("login_window_opened"), S("login_window_closed"), S("invitation_window_opened")}));
        QCOMPARE(g_lines, (QStringList{S("[AnalyticsService] Login window opened tracked"),
                                       S("[AnalyticsService] Login window closed tracked"),
                                       S("[AnalyticsService] Login window already tracked this session, skipping"),
                                       S("[AnalyticsService] Invitation window opened tracked")}));
        service().reset();
        QCOMPARE(m_client.calls().last().kind, S("reset"));
        QCOMPARE(g_lines.last(), S("[AnalyticsService] Analytics reset completed"));
        service().trackLoginWindowOpened();
        service().trackInvitationWindowOpened();
        QCOMPARE(m_client.count(S("login_window_opened")), 2);
        QCOMPARE(m_client.count(S("invitation_window_opened")), 2);
    }

    void identifyTellsTheClient()
    {
        service().identifyUser(S("google-oauth2|42"));
        QCOMPARE(m_client.calls().size(), 1);
        QCOMPARE(m_client.calls().first().kind, S("identify"));
        QCOMPARE(m_client.calls().first().event, S("google-oauth2|42"));
        QCOMPARE(g_lines, QStringList{S("[AnalyticsService] User identified: google-oauth2|42")});
    }

    void setupConfiguresFromTheEnvironmentOrStaysSilent()
    {
        qunsetenv("TAVO_ANALYTICS_PROJECT_KEY");
        qunsetenv("TAVO_ANALYTICS_HOST");
        service().trackLoginWindowOpened();
        service().setup();
        QVERIFY(!m_client.isConfigured());
        QVERIFY(g_lines.last().startsWith(S("[AnalyticsService] ")));
        QVERIFY(g_lines.last().contains(S("Info.plist")));
        QVERIFY(!service().hasTrackedLoginWindow());
        // Unconfigured, the facade still hands every event to the client, which drops it.
        service().trackButtonTap(S("x"));
        QCOMPARE(m_client.count(S("button_tap")), 1);

        qputenv("TAVO_ANALYTICS_PROJECT_KEY", "key-1");
        qputenv("TAVO_ANALYTICS_HOST", "https://events.example.test");
        service().setup();
        QVERIFY(m_client.isConfigured());
        QCOMPARE(m_client.projectKey(), S("key-1"));
        QVERIFY(g_lines.last().startsWith(S("[AnalyticsService] ")));
        QVERIFY(g_lines.last().endsWith(S("https://events.example.test")));
        qunsetenv("TAVO_ANALYTICS_PROJECT_KEY");
        qunsetenv("TAVO_ANALYTICS_HOST");
    }

    void toolRuntimeNotificationsBecomeEvents_data()
    {
        QTest::addColumn<QString>("notification");
        QTest::addColumn<QVariantMap>("userInfo");
        QTest::addColumn<QString>("event"); // empty: nothing is sent
        QTest::addColumn<QVariant>("errorMessage");
        QTest::newRow("init attempted") << S("MCPClientInitEvent")
                                        << QVariantMap{{S("event"), S("attempted")}, {S("client_name"), S("Files")}}
                                        << S("mcp_client_init_attempted") << QVariant(S(""));
        QTest::newRow("init failed") << S("MCPClientInitEvent")
                                     << QVariantMap{{S("event"), S("failed")}, {S("client_name"), S("Files")}, {S("error_message"), S("spawn failed")}}
                                     << S("mcp_client_init_failed") << QVariant(S("spawn failed"));
        QTest::newRow("reload succeeded") << S("MCPConfigReloadEvent")
                                          << QVariantMap{{S("event"), S("succeeded")}, {S("client_name"), S("Files")}}
                                          << S("mcp_config_reload_succeeded") << QVariant(S(""));
        QTest::newRow("error kept whatever its kind") << S("MCPConfigReloadEvent")
                                                      << QVariantMap{{S("event"), S("failed")}, {S("client_name"), S("Files")}, {S("error_message"), 7}}
                                                      << S("mcp_config_reload_failed") << QVariant(7);
        QTest::newRow("no user info") << S("MCPClientInitEvent") << QVariantMap{} << QString() << QVariant();
        QTest::newRow("event missing") << S("MCPClientInitEvent") << QVariantMap{{S("client_name"), S("Files")}} << QString() << QVariant();
        QTest::newRow("client name not text") << S("MCPClientInitEvent")
                                              << QVariantMap{{S("event"), S("attempted")}, {S("client_name"), 3}} << QString() << QVariant();
    }
    void toolRuntimeNotificationsBecomeEvents()
    {
        QFETCH(QString, notification);
        QFETCH(QVariantMap, userInfo);
        QFETCH(QString, event);
        QFETCH(QVariant, errorMessage);
        service().observeMCPEvents();
        service().observeMCPEvents(); // a second call must not double the observers
        NotificationCenter::defaultCenter().post(notification, {}, userInfo);
        QVERIFY(m_client.events().isEmpty()); // sent on a later turn, never inside the post
        m_clock->runPending();
        if (event.isEmpty()) {
            QVERIFY(m_client.events().isEmpty());
            QVERIFY(g_lines.isEmpty());
            return;
        }
        QCOMPARE(m_client.eventNames(), QStringList{event});
        const QVariantMap sent = m_client.events().first().properties;
        QCOMPARE(sent.value(S("client_name")).toString(), S("Files"));
        QCOMPARE(sent.value(S("error_message")), errorMessage);
        QCOMPARE(sent.value(S("timestamp")).toDouble(), kStartSeconds);
    }

    void callsFromOtherThreadsRunOnTheMainThread()
    {
        m_clock.reset(); // real time: the hop goes through the event loop
        QThread *worker = QThread::create([] { AnalyticsService::shared().trackButtonTap(S("from worker")); });
        worker->start();
        QVERIFY(worker->wait(5000));
        delete worker;
        QVERIFY(m_client.events().isEmpty());
        QTRY_COMPARE(m_client.count(S("button_tap")), 1);
        QCOMPARE(m_client.lastProperties(S("button_tap")).value(S("button_name")).toString(), S("from worker"));
    }
};

TAVO_TEST_MAIN(AnalyticsServiceTest)
#include "tst_analyticsservice.moc"
