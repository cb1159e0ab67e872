#include "analytics/AnalyticsService.h"
#include "Platform/Analytics/AnalyticsClient.h"
#include "Platform/AppInfo.h"
#include "Platform/Analytics/HttpAnalyticsClient.h"
#include "Platform/Log.h"
#include "Platform/NotificationCenter.h"
#include "Platform/Scheduler.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextBoundaryFinder>
#include <QThread>

namespace {
const QString kTag = QStringLiteral("[AnalyticsService] ");

QString seconds(double value)
{
    return QString::asprintf("%.2f", value) + u's';
}

// User-perceived characters, as the design counts them.
int characterCount(const QString &text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}
}

AnalyticsService &AnalyticsService::shared()
{
    // Never destroyed: events may still be tracked while the application winds down.
    static AnalyticsService *instance = new AnalyticsService;
    return *instance;
}

AnalyticsService::AnalyticsService()
{
    auto *client = new HttpAnalyticsClient;
    m_ownClient.reset(client);
    m_client = client;
    if (QCoreApplication *app = QCoreApplication::instance(); app && QThread::currentThread() != app->thread()) {
        moveToThread(app->thread());
        client->moveToThread(app->thread());
    }
}

AnalyticsService::~AnalyticsService() = default;

AnalyticsClient *AnalyticsService::setClient(AnalyticsClient *client)
{
    AnalyticsClient *previous = m_client;
    m_client = client ? client : m_ownClient.get();
    return previous;
}

AnalyticsClient *AnalyticsService::client() const
{
    return m_client;
}

bool AnalyticsService::hopToMainThread(std::function<void()> call)
{
    if (QThread::currentThread() == thread())
        return false;
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
    return true;
}

double AnalyticsService::timestamp()
{
    return Scheduler::instance().nowSecondsSince1970();
}

QString AnalyticsService::describe(const QVariantMap &properties)
{
    return QString::fromUtf8(QJsonDocument(QJsonObject::fromVariantMap(properties)).toJson(QJsonDocument::Compact));
}

void AnalyticsService::send(const QString &event, QVariantMap properties, const QVariantMap &callerProperties)
{
    for (auto it = callerProperties.cbegin(); it != callerProperties.cend(); ++it)
        properties.insert(it.key(), it.value());
    m_client->capture(event, properties);
}

// ---- Set-up and the tool runtime's notifications -------------------------------------------

void AnalyticsService::setup()
{
    if (hopToMainThread([this] { setup(); }))
        return;
    observeMCPEvents();
    m_hasTrackedLoginWindow = false;
    m_hasTrackedInvitationWindow = false;
    const AppInfo &info = AppInfo::instance();
    const QString key = info.configured(QStringLiteral("TavoAnalyticsProjectKey"), "TAVO_ANALYTICS_PROJECT_KEY");
    const QString host = info.configured(QStringLiteral("TavoAnalyticsHost"), "TAVO_ANALYTICS_HOST");
    if (!key.isEmpty() && !host.isEmpty()) {
        m_client->configure(key, host);
        Log::line(kTag + QStringLiteral("Analytics client set up with host: ") + host);
    } else {
        Log::line(kTag + QStringLiteral("Analytics project key or host missing from Info.plist - analytics disabled"));
    }
}

void AnalyticsService::observeMCPEvents()
{
    if (hopToMainThread([this] { observeMCPEvents(); }))
        return;
    if (m_observingMCPEvents)
        return; // one pair of observers for the life of the process
    m_observingMCPEvents = true;
    const auto observe = [this](const QString &notification, const QString &prefix) {
        NotificationCenter::defaultCenter().addObserver(notification, this, [this, prefix](const Notification &n) {
            if (n.userInfo.isEmpty())
                return;
            const QVariant event = n.userInfo.value(QStringLiteral("event"));
            const QVariant clientName = n.userInfo.value(QStringLiteral("client_name"));
            if (event.typeId() != QMetaType::QString || clientName.typeId() != QMetaType::QString)
                return;
            const QVariant error = n.userInfo.value(QStringLiteral("error_message"));
            const QVariantMap properties{
                {QStringLiteral("client_name"), clientName.toString()},
                {QStringLiteral("error_message"), error.isValid() ? error : QVariant(QString())},
            };
            const QString name = prefix + event.toString();
            MainQueue::post(this, [this, name, properties] { trackEvent(name, properties); });
        });
    };
    observe(QStringLiteral("MCPConfigReloadEvent"), QStringLiteral("mcp_config_reload_"));
    observe(QStringLiteral("MCPClientInitEvent"), QStringLiteral("mcp_client_init_"));
}

// ---- Lifecycle, sign-in and sign-out -------------------------------------------------------

void AnalyticsService::trackAppLaunch()
{
    if (hopToMainThread([this] { trackAppLaunch(); }))
        return;
    m_sessionStartTime = Scheduler::instance().now();
    const QVariant entry = AppInfo::instance().value(QStringLiteral("CFBundleShortVersionString"));
    const QString version = entry.typeId() == QMetaType::QString ? entry.toString() : QStringLiteral("unknown");
    send(QStringLiteral("app_launched"), {{QStringLiteral("app_version"), version}, {QStringLiteral("timestamp"), timestamp()}}, {});
    Log::line(kTag + QStringLiteral("App launch tracked - version: ") + version);
}

void AnalyticsService::trackAppTermination()
{
    if (hopToMainThread([this] { trackAppTermination(); }))
        return;
    if (!m_sessionStartTime) {
        Log::line(kTag + QStringLiteral("No session start time found - skipping termination tracking"));
        return;
    }
    const double duration = m_sessionStartTime->msecsTo(Scheduler::instance().now()) / 1000.0;
    send(QStringLiteral("app_terminated"),
         {{QStringLiteral("session_duration_seconds"), duration}, {QStringLiteral("timestamp"), timestamp()}}, {});
    Log::line(kTag + QStringLiteral("App termination tracked - session duration: ") + seconds(duration));
}

void AnalyticsService::trackLogoutStarted()
{
    if (hopToMainThread([this] { trackLogoutStarted(); }))
        return;
    send(QStringLiteral("logout_started"), {{QStringLiteral("timestamp"), timestamp()}}, {});
    Log::line(kTag + QStringLiteral("Logout started tracked"));
}

void AnalyticsService::trackLogoutCompleted(double duration)
{
    if (hopToMainThread([=, this] { trackLogoutCompleted(duration); }))
        return;
    send(QStringLiteral("logout_completed"),
         {{QStringLiteral("logout_duration"), duration}, {QStringLiteral("timestamp"), timestamp()}}, {});
    Log::line(kTag + QStringLiteral("Logout completed tracked - duration: ") + seconds(duration));
}

void AnalyticsService::trackLoginWindowOpened()
{
    if (hopToMainThread([this] { trackLoginWindowOpened(); }))
        return;
    if (m_hasTrackedLoginWindow) {
        Log::line(kTag + QStringLiteral("Login window already tracked this session, skipping"));
        return;
    }
    send(QStringLiteral("login_window_opened"), {{QStringLiteral("timestamp"), timestamp()}}, {});
    m_hasTrackedLoginWindow = true;
    Log::line(kTag + QStringLiteral("Login window opened tracked"));
}

void AnalyticsService::trackLoginWindowClosed()
{
    if (hopToMainThread([this] { trackLoginWindowClosed(); }))
        return;
    send(QStringLiteral("login_window_closed"), {{QStringLiteral("timestamp"), timestamp()}}, {});
    Log::line(kTag + QStringLiteral("Login window closed tracked"));
}

void AnalyticsService::trackInvitationWindowOpened()
{
    if (hopToMainThread([this] { trackInvitationWindowOpened(); }))
        return;
    if (m_hasTrackedInvitationWindow)
        return;
    send(QStringLiteral("invitation_window_opened"), {{QStringLiteral("timestamp"), timestamp()}}, {});
    m_hasTrackedInvitationWindow = true;
    Log::line(kTag + QStringLiteral("Invitation window opened tracked"));
}

void AnalyticsService::trackInvitationWindowClosed()
{
    if (hopToMainThread([this] { trackInvitationWindowClosed(); }))
        return;
    send(QStringLiteral("invitation_window_closed"), {{QStringLiteral("timestamp"), timestamp()}}, {});
    Log::line(kTag + QStringLiteral("Invitation window closed tracked"));
}

void AnalyticsService::trackAuthenticationStarted(const QString &provider)
{
    if (hopToMainThread([=, this] { trackAuthenticationStarted(provider); }))
        return;
    send(QStringLiteral("authentication_started"),
         {{QStringLiteral("provider"), provider}, {QStringLiteral("timestamp"), timestamp()}}, {});
    Log::line(kTag + QStringLiteral("Authentication started tracked - provider: ") + provider);
}

void AnalyticsService::trackAuthenticationSuccess(const QString &provider, std::optional<double> duration)
{
    if (hopToMainThread([=, this] { trackAuthenticationSuccess(provider, duration); }))
        return;
    QVariantMap properties{{QStringLiteral("provider"), provider}, {QStringLiteral("timestamp"), timestamp()}};
    QString line = kTag + QStringLiteral("Authentication success tracked - provider: ") + provider;
    if (duration) {
        properties.insert(QStringLiteral("duration_seconds"), *duration);
        line += QStringLiteral(" - duration: ") + seconds(*duration);
    }
    send(QStringLiteral("authentication_success"), properties, {});
    Log::line(line);
}

void AnalyticsService::trackAuthenticationFailure(const QString &provider, const QString &error,
                                                  std::optional<double> duration)
{
    if (hopToMainThread([=, this] { trackAuthenticationFailure(provider, error, duration); }))
        return;
    QVariantMap properties{{QStringLiteral("provider"), provider},
                           {QStringLiteral("error"), error},
                           {QStringLiteral("timestamp"), timestamp()}};
    QString line = kTag + QStringLiteral("Authentication failure tracked - provider: ") + provider
        + QStringLiteral(" - error: ") + error;
    if (duration) {
        properties.insert(QStringLiteral("duration_seconds"), *duration);
        line += QStringLiteral(" - duration: ") + seconds(*duration);
    }
    send(QStringLiteral("authentication_failure"), properties, {});
    Log::line(line);
}

// ---- Interactions and failures ------------------------------------------------------------

void AnalyticsService::trackError(const QString &errorType, const QString &errorDescription, const QString &context,
                                  const QVariantMap &properties)
{
    if (hopToMainThread([=, this] { trackError(errorType, errorDescription, context, properties); }))
        return;
    send(QStringLiteral("error_occurred"),
         {{QStringLiteral("error_message"), errorDescription},
          {QStringLiteral("error_type"), errorType},
          {QStringLiteral("context"), context},
          {QStringLiteral("timestamp"), timestamp()}},
         properties);
    Log::line(kTag + QStringLiteral("Error tracked: ") + errorDescription + QStringLiteral(" - context: ") + context);
}

#define TAVO_SIMPLE_INTERACTION(Operation, Event, Key, Head)                                           \
    void AnalyticsService::Operation(const QString &value, const QVariantMap &properties)              \
    {                                                                                                  \
        if (hopToMainThread([=, this] { Operation(value, properties); }))                              \
            return;                                                                                    \
        send(QStringLiteral(Event), {{QStringLiteral(Key), value}, {QStringLiteral("timestamp"), timestamp()}}, \
             properties);                                                                              \
        Log::line(kTag + QStringLiteral(Head) + value + QStringLiteral(" - properties: ") + describe(properties)); \
    }

TAVO_SIMPLE_INTERACTION(trackButtonTap, "button_tap", "button_name", "Button tap tracked: ")
TAVO_SIMPLE_INTERACTION(trackUserChatSent, "user_chat_sent", "task_id", "User chat tracked - task: ")
TAVO_SIMPLE_INTERACTION(trackStreamStopped, "stream_stopped", "task_id", "Stream stop tracked - task: ")
TAVO_SIMPLE_INTERACTION(trackAIOutputStreamed, "ai_output_streamed", "task_id", "AI output tracked - task: ")
TAVO_SIMPLE_INTERACTION(trackStreamEnded, "stream_ended", "task_id", "Stream end tracked - task: ")
TAVO_SIMPLE_INTERACTION(trackUserQuerySubmitted, "user_query_submitted", "category_title", "User query tracked - category: ")
TAVO_SIMPLE_INTERACTION(trackPanelInteraction, "panel_interaction", "action", "Panel interaction tracked: ")
TAVO_SIMPLE_INTERACTION(trackFlowerInteraction, "flower_interaction", "action", "Flower interaction tracked: ")
TAVO_SIMPLE_INTERACTION(trackCanvasInteraction, "canvas_interaction", "action", "Canvas interaction tracked: ")
TAVO_SIMPLE_INTERACTION(trackAppStoreTabNavigation, "app_store_tab_navigation", "tab_name", "App store tab navigation tracked: ")
TAVO_SIMPLE_INTERACTION(trackAppStoreCategorySelection, "app_store_category_selection", "category_name", "App store category selection tracked: ")

#undef TAVO_SIMPLE_INTERACTION

void AnalyticsService::trackVoiceRecording(const QString &action, std::optional<double> duration,
                                           const QVariantMap &properties)
{
    if (hopToMainThread([=, this] { trackVoiceRecording(action, duration, properties); }))
        return;
    QVariantMap own{{QStringLiteral("action"), action}, {QStringLiteral("timestamp"), timestamp()}};
    QString line = kTag + QStringLiteral("Voice recording tracked: ") + action;
    if (duration) {
        own.insert(QStringLiteral("duration_seconds"), *duration);
        line += QStringLiteral(" - duration: ") + seconds(*duration);
    }
    send(QStringLiteral("voice_recording"), own, properties);
    Log::line(line + QStringLiteral(" - properties: ") + describe(properties));
}

void AnalyticsService::trackTranscriptionInteraction(const QString &action, std::optional<int> wordCount,
                                                     const QVariantMap &properties)
{
    if (hopToMainThread([=, this] { trackTranscriptionInteraction(action, wordCount, properties); }))
        return;
    QVariantMap own{{QStringLiteral("action"), action}, {QStringLiteral("timestamp"), timestamp()}};
    QString line = kTag + QStringLiteral("Transcription interaction tracked: ") + action;
    if (wordCount) {
        own.insert(QStringLiteral("word_count"), *wordCount);
        line += QStringLiteral(" - word count: ") + QString::number(*wordCount);
    }
    send(QStringLiteral("transcription_interaction"), own, properties);
    Log::line(line + QStringLiteral(" - properties: ") + describe(properties));
}

void AnalyticsService::trackAppStoreInteraction(const QString &action, std::optional<QString> appName,
                                                const QVariantMap &properties)
{
    if (hopToMainThread([=, this] { trackAppStoreInteraction(action, appName, properties); }))
        return;
    QVariantMap own{{QStringLiteral("action"), action}, {QStringLiteral("timestamp"), timestamp()}};
    QString line = kTag + QStringLiteral("App store interaction tracked: ") + action;
    if (appName) {
        own.insert(QStringLiteral("app_name"), *appName);
        line += QStringLiteral(" - app: ") + *appName;
    }
    send(QStringLiteral("app_store_interaction"), own, properties);
    Log::line(line + QStringLiteral(" - properties: ") + describe(properties));
}

void AnalyticsService::trackAppStoreSearch(const QString &query, std::optional<int> resultCount,
                                           const QVariantMap &properties)
{
    if (hopToMainThread([=, this] { trackAppStoreSearch(query, resultCount, properties); }))
        return;
    QVariantMap own{{QStringLiteral("query"), query},
                    {QStringLiteral("query_length"), characterCount(query)},
                    {QStringLiteral("timestamp"), timestamp()}};
    QString line = kTag + QStringLiteral("App store search tracked: ") + query;
    if (resultCount) {
        own.insert(QStringLiteral("result_count"), *resultCount);
        line += QStringLiteral(" - results: ") + QString::number(*resultCount);
    }
    send(QStringLiteral("app_store_search"), own, properties);
    Log::line(line + QStringLiteral(" - properties: ") + describe(properties));
}

void AnalyticsService::trackAppInstallation(const QString &appName, std::optional<QString> appId,
                                            const QVariantMap &properties)
{
    if (hopToMainThread([=, this] { trackAppInstallation(appName, appId, properties); }))
        return;
    QVariantMap own{{QStringLiteral("app_name"), appName}, {QStringLiteral("timestamp"), timestamp()}};
    if (appId)
        own.insert(QStringLiteral("app_id"), *appId);
    send(QStringLiteral("app_installation"), own, properties);
    Log::line(kTag + QStringLiteral("App installation tracked: ") + appName + QStringLiteral(" - properties: ")
              + describe(properties));
}

void AnalyticsService::trackAppUninstallation(const QString &appName, std::optional<QString> appId,
                                              const QVariantMap &properties)
{
    if (hopToMainThread([=, this] { trackAppUninstallation(appName, appId, properties); }))
        return;
    QVariantMap own{{QStringLiteral("app_name"), appName}, {QStringLiteral("timestamp"), timestamp()}};
    if (appId)
        own.insert(QStringLiteral("app_id"), *appId);
    send(QStringLiteral("app_uninstallation"), own, properties);
    Log::line(kTag + QStringLiteral("App uninstallation tracked: ") + appName + QStringLiteral(" - properties: ")
              + describe(properties));
}

void AnalyticsService::trackAppAuthentication(const QString &appName, std::optional<QString> appId,
                                              const QString &action, const QVariantMap &properties)
{
    if (hopToMainThread([=, this] { trackAppAuthentication(appName, appId, action, properties); }))
        return;
    QVariantMap own{{QStringLiteral("app_name"), appName},
                    {QStringLiteral("action"), action},
                    {QStringLiteral("timestamp"), timestamp()}};
    if (appId)
        own.insert(QStringLiteral("app_id"), *appId);
    send(QStringLiteral("app_authentication"), own, properties);
    Log::line(kTag + QStringLiteral("App authentication tracked: ") + appName + QStringLiteral(" - action: ") + action
              + QStringLiteral(" - properties: ") + describe(properties));
}

// ---- Onboarding and tutorial ---------------------------------------------------------------

void AnalyticsService::trackStepFamily(Family family, const QString &step, QVariantMap properties,
                                       const QString &line, const std::optional<QString> &email)
{
    const QString event = (family == Family::Onboarding ? QStringLiteral("onboarding_") : QStringLiteral("tutorial_")) + step;
    properties.insert(QStringLiteral("timestamp"), timestamp());
    if (email)
        properties.insert(QStringLiteral("user_email"), *email);
    send(event, properties, {});
    Log::line(kTag + (family == Family::Onboarding ? QStringLiteral("Onboarding ") : QStringLiteral("Tutorial ")) + line);
}

namespace {
QString stepText(int number, const QString &name)
{
    return QString::number(number) + QStringLiteral(" (") + name + u')';
}
}

#define TAVO_STEP_FAMILY(Prefix, FamilyValue)                                                                   \
    void AnalyticsService::track##Prefix##Started(std::optional<QString> email)                                  \
    {                                                                                                            \
        if (hopToMainThread([=, this] { track##Prefix##Started(email); }))                                       \
            return;                                                                                              \
        trackStepFamily(FamilyValue, QStringLiteral("started"), {},                                              \
                        QStringLiteral("started tracked") + (email ? QStringLiteral(" - email: ") + *email : QString()), \
                        email);                                                                                  \
    }                                                                                                            \
    void AnalyticsService::track##Prefix##StepEntered(int stepNumber, const QString &stepName, std::optional<QString> email) \
    {                                                                                                            \
        if (hopToMainThread([=, this] { track##Prefix##StepEntered(stepNumber, stepName, email); }))             \
            return;                                                                                              \
        trackStepFamily(FamilyValue, QStringLiteral("step_entered"),                                             \
                        {{QStringLiteral("step_number"), stepNumber}, {QStringLiteral("step_name"), stepName}},  \
                        QStringLiteral("step entered tracked - step: ") + stepText(stepNumber, stepName), email); \
    }                                                                                                            \
    void AnalyticsService::track##Prefix##StepCompleted(int stepNumber, const QString &stepName, double duration, \
                                                        std::optional<QString> email)                            \
    {                                                                                                            \
        if (hopToMainThread([=, this] { track##Prefix##StepCompleted(stepNumber, stepName, duration, email); })) \
            return;                                                                                              \
        trackStepFamily(FamilyValue, QStringLiteral("step_completed"),                                           \
                        {{QStringLiteral("step_number"), stepNumber},                                            \
                         {QStringLiteral("step_name"), stepName},                                                \
                         {QStringLiteral("duration_seconds"), duration}},                                        \
                        QStringLiteral("step completed tracked - step: ") + stepText(stepNumber, stepName)       \
                            + QStringLiteral(" - duration: ") + seconds(duration),                               \
                        email);                                                                                  \
    }                                                                                                            \
    void AnalyticsService::track##Prefix##StepBack(int stepNumber, const QString &stepName, std::optional<QString> email) \
    {                                                                                                            \
        if (hopToMainThread([=, this] { track##Prefix##StepBack(stepNumber, stepName, email); }))                \
            return;                                                                                              \
        trackStepFamily(FamilyValue, QStringLiteral("step_back"),                                                \
                        {{QStringLiteral("step_number"), stepNumber}, {QStringLiteral("step_name"), stepName}},  \
                        QStringLiteral("step back tracked - step: ") + stepText(stepNumber, stepName), email);   \
    }                                                                                                            \
    void AnalyticsService::track##Prefix##Completed(int totalSteps, double totalDuration, std::optional<QString> email) \
    {                                                                                                            \
        if (hopToMainThread([=, this] { track##Prefix##Completed(totalSteps, totalDuration, email); }))          \
            return;                                                                                              \
        trackStepFamily(FamilyValue, QStringLiteral("completed"),                                                \
                        {{QStringLiteral("total_duration_seconds"), totalDuration},                              \
                         {QStringLiteral("total_steps"), totalSteps}},                                           \
                        QStringLiteral("completed tracked - duration: ") + seconds(totalDuration)                \
                            + QStringLiteral(" - steps: ") + QString::number(totalSteps),                        \
                        email);                                                                                  \
    }                                                                                                            \
    void AnalyticsService::track##Prefix##Abandoned(int stepNumber, const QString &stepName, double totalDuration, \
                                                    std::optional<QString> email)                                \
    {                                                                                                            \
        if (hopToMainThread([=, this] { track##Prefix##Abandoned(stepNumber, stepName, totalDuration, email); })) \
            return;                                                                                              \
        trackStepFamily(FamilyValue, QStringLiteral("abandoned"),                                                \
                        {{QStringLiteral("abandoned_at_step"), stepNumber},                                      \
                         {QStringLiteral("abandoned_at_step_name"), stepName},                                   \
                         {QStringLiteral("total_duration_seconds"), totalDuration}},                             \
                        QStringLiteral("abandoned tracked - step: ") + stepText(stepNumber, stepName)            \
                            + QStringLiteral(" - duration: ") + seconds(totalDuration),                          \
                        email);                                                                                  \
    }

TAVO_STEP_FAMILY(Onboarding, Family::Onboarding)
TAVO_STEP_FAMILY(Tutorial, Family::Tutorial)

#undef TAVO_STEP_FAMILY

void AnalyticsService::trackOnboardingValidationError(int stepNumber, const QString &stepName,
                                                      const QString &errorMessage, std::optional<QString> email)
{
    if (hopToMainThread([=, this] { trackOnboardingValidationError(stepNumber, stepName, errorMessage, email); }))
        return;
    QVariantMap properties{{QStringLiteral("step_number"), stepNumber},
                           {QStringLiteral("step_name"), stepName},
                           {QStringLiteral("error_message"), errorMessage},
                           {QStringLiteral("timestamp"), timestamp()}};
    if (email)
        properties.insert(QStringLiteral("user_email"), *email);
    send(QStringLiteral("onboarding_step_validation_error"), properties, {});
    Log::line(kTag + QStringLiteral("Onboarding validation error tracked - step: ") + stepText(stepNumber, stepName)
              + QStringLiteral(" - error: ") + errorMessage);
}

// ---- Generic event, identity and reset -----------------------------------------------------

void AnalyticsService::trackEvent(const QString &eventName, const QVariantMap &properties)
{
    if (hopToMainThread([=, this] { trackEvent(eventName, properties); }))
        return;
    QVariantMap merged = properties;
    merged.insert(QStringLiteral("timestamp"), timestamp());
    m_client->capture(eventName, merged);
    Log::line(kTag + QStringLiteral("Event tracked: ") + eventName + QStringLiteral(" - properties: ") + describe(properties));
}

void AnalyticsService::identifyUser(const QString &distinctId)
{
    if (hopToMainThread([=, this] { identifyUser(distinctId); }))
        return;
    m_client->identify(distinctId);
    Log::line(kTag + QStringLiteral("User identified: ") + distinctId);
}

void AnalyticsService::reset()
{
    if (hopToMainThread([this] { reset(); }))
        return;
    m_client->reset();
    m_hasTrackedLoginWindow = false;
    m_hasTrackedInvitationWindow = false;
    Log::line(kTag + QStringLiteral("Analytics reset completed"));
}
