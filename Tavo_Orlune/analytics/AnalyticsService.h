#pragma once
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <concepts>
#include <functional>
#include <memory>
#include <optional>

class AnalyticsClient;

// The one door for every usage event of the application. Each operation fixes its event name
// and its own property keys, adds "timestamp" (seconds since 1970, with fraction), merges the
// caller's map last (a caller's key replaces the facade's), hands the event to the analytics
// client and prints one "[AnalyticsService]" line. Only trackEvent sets "timestamp" after the
// caller's map.
//
// Use it from anywhere: AnalyticsService::shared().trackButtonTap("send"). The facade lives on
// the main thread; a call made on another thread is carried over to the main thread and runs
// there on a later turn. No operation fails or returns a value.
//
// Optional arguments are std::optional: their key is sent only when given, whatever the value
// (trackVoiceRecording("stop", 0.0) sends "duration_seconds" 0).
class AnalyticsService : public QObject {
    Q_OBJECT
public:
    static AnalyticsService &shared();

    // Tests record events with a fake client. The facade does not own it; nullptr restores
    // the real client. Answers the client that was in use.
    AnalyticsClient *setClient(AnalyticsClient *client);
    AnalyticsClient *client() const;

    // Launch: observes the tool runtime's notifications, clears the window gates and
    // configures the client from Info.plist (TavoAnalyticsProjectKey, TavoAnalyticsHost; the
    // environment variables TAVO_ANALYTICS_PROJECT_KEY and TAVO_ANALYTICS_HOST override them).
    void setup();
    void observeMCPEvents();

    // Lifecycle, sign-in and sign-out.
    void trackAppLaunch();
    void trackAppTermination();
    void trackLogoutStarted();
    void trackLogoutCompleted(double duration);
    void trackLoginWindowOpened();
    void trackLoginWindowClosed();
    void trackInvitationWindowOpened();
    void trackInvitationWindowClosed();
    void trackAuthenticationStarted(const QString &provider);
    void trackAuthenticationSuccess(const QString &provider, std::optional<double> duration = std::nullopt);
    void trackAuthenticationFailure(const QString &provider, const QString &error,
                                    std::optional<double> duration = std::nullopt);

    // Failures: "error_message" is the description, "error_type" the error's type name.
    void trackError(const QString &errorType, const QString &errorDescription, const QString &context,
                    const QVariantMap &properties = {});
    // For error types that say who they are: `static QString typeName()` and
    // `QString description() const` (RemoteError, ProfileError, ...).
    template <typename E>
        requires requires(const E &e) {
            { E::typeName() } -> std::convertible_to<QString>;
            { e.description() } -> std::convertible_to<QString>;
        }
    void trackError(const E &error, const QString &context, const QVariantMap &properties = {})
    {
        trackError(E::typeName(), error.description(), context, properties);
    }

    // Interactions; each takes the caller's map last.
    void trackButtonTap(const QString &buttonName, const QVariantMap &properties = {});
    void trackVoiceRecording(const QString &action, std::optional<double> duration = std::nullopt,
                             const QVariantMap &properties = {});
    void trackUserChatSent(const QString &taskId, const QVariantMap &properties = {});
    void trackStreamStopped(const QString &taskId, const QVariantMap &properties = {});
    void trackAIOutputStreamed(const QString &taskId, const QVariantMap &properties = {});
    void trackStreamEnded(const QString &taskId, const QVariantMap &properties = {});
    void trackUserQuerySubmitted(const QString &categoryTitle, const QVariantMap &properties = {});
    void trackPanelInteraction(const QString &action, const QVariantMap &properties = {});
    void trackFlowerInteraction(const QString &action, const QVariantMap &properties = {});
    void trackCanvasInteraction(const QString &action, const QVariantMap &properties = {});
    void trackTranscriptionInteraction(const QString &action, std::optional<int> wordCount = std::nullopt,
                                       const QVariantMap &properties = {});
    void trackAppStoreInteraction(const QString &action, std::optional<QString> appName = std::nullopt,
                                  const QVariantMap &properties = {});
    void trackAppStoreSearch(const QString &query, std::optional<int> resultCount = std::nullopt,
                             const QVariantMap &properties = {});
    void trackAppInstallation(const QString &appName, std::optional<QString> appId = std::nullopt,
                              const QVariantMap &properties = {});
    void trackAppUninstallation(const QString &appName, std::optional<QString> appId = std::nullopt,
                                const QVariantMap &properties = {});
    void trackAppAuthentication(const QString &appName, std::optional<QString> appId, const QString &action,
                                const QVariantMap &properties = {});
    void trackAppStoreTabNavigation(const QString &tabName, const QVariantMap &properties = {});
    void trackAppStoreCategorySelection(const QString &categoryName, const QVariantMap &properties = {});

    // Onboarding and its twin, the canvas tutorial; "user_email" only when an e-mail is given.
    void trackOnboardingStarted(std::optional<QString> email = std::nullopt);
    void trackOnboardingStepEntered(int stepNumber, const QString &stepName, std::optional<QString> email = std::nullopt);
    void trackOnboardingStepCompleted(int stepNumber, const QString &stepName, double duration,
                                      std::optional<QString> email = std::nullopt);
    void trackOnboardingStepBack(int stepNumber, const QString &stepName, std::optional<QString> email = std::nullopt);
    void trackOnboardingCompleted(int totalSteps, double totalDuration, std::optional<QString> email = std::nullopt);
    void trackOnboardingAbandoned(int stepNumber, const QString &stepName, double totalDuration,
                                  std::optional<QString> email = std::nullopt);
    void trackOnboardingValidationError(int stepNumber, const QString &stepName, const QString &errorMessage,
                                        std::optional<QString> email = std::nullopt);
    void trackTutorialStarted(std::optional<QString> email = std::nullopt);
    void trackTutorialStepEntered(int stepNumber, const QString &stepName, std::optional<QString> email = std::nullopt);
    void trackTutorialStepCompleted(int stepNumber, const QString &stepName, double duration,
                                    std::optional<QString> email = std::nullopt);
    void trackTutorialStepBack(int stepNumber, const QString &stepName, std::optional<QString> email = std::nullopt);
    void trackTutorialCompleted(int totalSteps, double totalDuration, std::optional<QString> email = std::nullopt);
    void trackTutorialAbandoned(int stepNumber, const QString &stepName, double totalDuration,
                                std::optional<QString> email = std::nullopt);

    // Any other event: the caller's map with "timestamp" set into it (the facade's wins).
    void trackEvent(const QString &eventName, const QVariantMap &properties = {});
    void identifyUser(const QString &distinctId);
    // Sign-out: resets the client and re-opens the two window gates.
    void reset();

    std::optional<QDateTime> sessionStartTime() const { return m_sessionStartTime; }
    bool hasTrackedLoginWindow() const { return m_hasTrackedLoginWindow; }
    bool hasTrackedInvitationWindow() const { return m_hasTrackedInvitationWindow; }

    // The printed form of a property map in the console lines (compact JSON, keys sorted).
    static QString describe(const QVariantMap &properties);

private:
    AnalyticsService();
    ~AnalyticsService() override;
    // True when the call was carried over to the main thread (the caller then returns).
    bool hopToMainThread(std::function<void()> call);
    static double timestamp();
    void send(const QString &event, QVariantMap properties, const QVariantMap &callerProperties);
    enum class Family { Onboarding, Tutorial };
    void trackStepFamily(Family family, const QString &step, QVariantMap properties, const QString &line,
                         const std::optional<QString> &email);

    std::unique_ptr<AnalyticsClient> m_ownClient;
    AnalyticsClient *m_client = nullptr;
    std::optional<QDateTime> m_sessionStartTime;
    bool m_hasTrackedLoginWindow = false;
    bool m_hasTrackedInvitationWindow = false;
    bool m_observingMCPEvents = false;
};
