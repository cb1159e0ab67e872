#pragma once
#include <QDateTime>
#include <QObject>
#include <QString>
#include <map>
#include <optional>

// The onboarding form: what the two steps edit. Only the names and the e-mail are required.
struct User {
    QString email;
    QString firstName;
    QString lastName;
    std::optional<QString> company;
    std::optional<QString> linkedin;
    std::optional<QString> xHandle;
    bool operator==(const User &) const = default;
};

// The state behind the onboarding form of a newly signed-in user: the step shown, the form
// record, its rules and messages, and the usage events that time each step. Steps 1 and 2 are
// the form; 3 to 9 are tutorial steps known only by number, name and timing. Lives on the main
// thread, in memory only.
class OnboardingViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(int currentStep READ currentStep NOTIFY currentStepChanged)
    Q_PROPERTY(bool isEmailFromAuth READ isEmailFromAuth NOTIFY isEmailFromAuthChanged)
public:
    // Reports "onboarding_started" and the entry of step 1.
    explicit OnboardingViewModel(const QString &email, QObject *parent = nullptr);

    int currentStep() const { return m_currentStep; }
    const User &user() const { return m_user; }
    // The step views write through these; every one announces userChanged.
    void setUser(const User &user);
    void setEmail(const QString &email);
    void setFirstName(const QString &firstName);
    void setLastName(const QString &lastName);
    void setCompany(const std::optional<QString> &company);
    void setLinkedin(const std::optional<QString> &linkedin);
    void setXHandle(const std::optional<QString> &xHandle);

    // True when the sign-in supplied a usable e-mail: the Email field is then read-only. An
    // e-mail that fails the form's rules stays editable, or the form could never be finished.
    bool isEmailFromAuth() const { return m_isEmailFromAuth; }
    const std::map<int, QDateTime> &stepStartTimes() const { return m_stepStartTimes; }
    std::optional<QDateTime> onboardingStartTime() const { return m_onboardingStartTime; }
    std::optional<QDateTime> tutorialStartTime() const { return m_tutorialStartTime; }

    QString stepName() const { return stepName(m_currentStep); }
    static QString stepName(int step);

    bool isPersonalInfoValid() const { return !personalInfoValidationError(); }
    // The message of the first failing rule of step 1, none when the step is valid.
    std::optional<QString> personalInfoValidationError() const;
    bool isProfessionalInfoValid() const { return !professionalInfoValidationError(); }
    std::optional<QString> professionalInfoValidationError() const;
    // The whole trimmed text must look like an e-mail address.
    static bool isValidEmail(const QString &email);

    void nextStep();
    void previousStep();
    // A failure shown on a form step; tutorial steps report none.
    void trackValidationError(const QString &message);
    void trackOnboardingAbandonment();
    void trackTutorialAbandonment();
    // Reports the abandonment, hides the windows and ends the application.
    void quitOnboarding();

Q_SIGNALS:
    void currentStepChanged(int step);
    void userChanged();
    void isEmailFromAuthChanged(bool value);

private:
    static bool isTutorialStep(int step) { return step >= 3; }
    static double secondsSince(const QDateTime &start);
    void reportEntered(int step);
    void setCurrentStep(int step);

    int m_currentStep = 1;
    User m_user;
    bool m_isEmailFromAuth = false;
    std::map<int, QDateTime> m_stepStartTimes;
    std::optional<QDateTime> m_onboardingStartTime;
    std::optional<QDateTime> m_tutorialStartTime;
};
