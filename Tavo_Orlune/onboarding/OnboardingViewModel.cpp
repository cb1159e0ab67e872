#include "onboarding/OnboardingViewModel.h"
#include "Platform/Scheduler.h"
#include "analytics/AnalyticsService.h"
#include "widgets/WindowUtils.h"

#include <QRegularExpression>

namespace {
// Whole-text match; the character classes are ASCII and case-sensitive as written.
const QRegularExpression &emailPattern()
{
    static const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(QStringLiteral("[A-Z0-9a-z._%+-]+@[A-Za-z0-9.-]+\\.[A-Za-z]{2,64}")));
    return pattern;
}

bool blank(const QString &text)
{
    return text.trimmed().isEmpty();
}
}

OnboardingViewModel::OnboardingViewModel(const QString &email, QObject *parent)
    : QObject(parent)
{
    m_user.email = email;
    m_isEmailFromAuth = isValidEmail(email);
    m_onboardingStartTime = Scheduler::instance().now();
    AnalyticsService::shared().trackOnboardingStarted(email);
    AnalyticsService::shared().trackOnboardingStepEntered(1, stepName(1), email);
    m_stepStartTimes[1] = Scheduler::instance().now();
}

void OnboardingViewModel::setUser(const User &user)
{
    m_user = user;
    Q_EMIT userChanged();
}

void OnboardingViewModel::setEmail(const QString &email)
{
    User user = m_user;
    user.email = email;
    setUser(user);
}

void OnboardingViewModel::setFirstName(const QString &firstName)
{
    User user = m_user;
    user.firstName = firstName;
    setUser(user);
}

void OnboardingViewModel::setLastName(const QString &lastName)
{
    User user = m_user;
    user.lastName = lastName;
    setUser(user);
}

void OnboardingViewModel::setCompany(const std::optional<QString> &company)
{
    User user = m_user;
    user.company = company;
    setUser(user);
}

void OnboardingViewModel::setLinkedin(const std::optional<QString> &linkedin)
{
    User user = m_user;
    user.linkedin = linkedin;
    setUser(user);
}

void OnboardingViewModel::setXHandle(const std::optional<QString> &xHandle)
{
    User user = m_user;
    user.xHandle = xHandle;
    setUser(user);
}

QString OnboardingViewModel::stepName(int step)
{
    if (step == 1)
        return QStringLiteral("personal_info");
    if (step == 2)
        return QStringLiteral("professional_info");
    if (step >= 3 && step <= 9)
        return QStringLiteral("tutorial_") + QString::number(step - 2);
    return QStringLiteral("unknown");
}

bool OnboardingViewModel::isValidEmail(const QString &email)
{
    const QString trimmed = email.trimmed();
    return !trimmed.isEmpty() && emailPattern().match(trimmed).hasMatch();
}

std::optional<QString> OnboardingViewModel::personalInfoValidationError() const
{
    if (blank(m_user.email))
        return QStringLiteral("Email is required");
    if (!isValidEmail(m_user.email))
        return QStringLiteral("Please enter a valid email address");
    if (blank(m_user.firstName))
        return QStringLiteral("First name is required");
    if (blank(m_user.lastName))
        return QStringLiteral("Last name is required");
    return std::nullopt;
}

std::optional<QString> OnboardingViewModel::professionalInfoValidationError() const
{
    if (!m_user.company || blank(*m_user.company))
        return QStringLiteral("Company name is required");
    return std::nullopt;
}

double OnboardingViewModel::secondsSince(const QDateTime &start)
{
    return start.msecsTo(Scheduler::instance().now()) / 1000.0;
}

void OnboardingViewModel::setCurrentStep(int step)
{
    m_currentStep = step;
    Q_EMIT currentStepChanged(step);
}

void OnboardingViewModel::reportEntered(int step)
{
    if (isTutorialStep(step))
        AnalyticsService::shared().trackTutorialStepEntered(step, stepName(step), m_user.email);
    else
        AnalyticsService::shared().trackOnboardingStepEntered(step, stepName(step), m_user.email);
}

void OnboardingViewModel::nextStep()
{
    AnalyticsService &analytics = AnalyticsService::shared();
    const int current = m_currentStep;
    if (const auto started = m_stepStartTimes.find(current); started != m_stepStartTimes.end()) {
        const double duration = secondsSince(started->second);
        if (isTutorialStep(current))
            analytics.trackTutorialStepCompleted(current, stepName(current), duration, m_user.email);
        else
            analytics.trackOnboardingStepCompleted(current, stepName(current), duration, m_user.email);
    }
    const int next = current + 1;
    m_stepStartTimes[next] = Scheduler::instance().now();
    setCurrentStep(next);
    reportEntered(next);
    if (next == 3) {
        if (m_onboardingStartTime)
            analytics.trackOnboardingCompleted(2, secondsSince(*m_onboardingStartTime), m_user.email);
        m_tutorialStartTime = Scheduler::instance().now();
        analytics.trackTutorialStarted(m_user.email);
    }
    if (next == 9 && m_tutorialStartTime)
        analytics.trackTutorialCompleted(7, secondsSince(*m_tutorialStartTime), m_user.email);
}

void OnboardingViewModel::previousStep()
{
    const int current = m_currentStep;
    if (isTutorialStep(current))
        AnalyticsService::shared().trackTutorialStepBack(current, stepName(current), m_user.email);
    else
        AnalyticsService::shared().trackOnboardingStepBack(current, stepName(current), m_user.email);
    const int previous = current - 1;
    m_stepStartTimes[previous] = Scheduler::instance().now();
    setCurrentStep(previous);
    reportEntered(previous);
}

void OnboardingViewModel::trackValidationError(const QString &message)
{
    if (isTutorialStep(m_currentStep))
        return;
    AnalyticsService::shared().trackOnboardingValidationError(m_currentStep, stepName(), message, m_user.email);
}

void OnboardingViewModel::trackOnboardingAbandonment()
{
    if (m_onboardingStartTime)
        AnalyticsService::shared().trackOnboardingAbandoned(m_currentStep, stepName(), secondsSince(*m_onboardingStartTime),
                                                            m_user.email);
}

void OnboardingViewModel::trackTutorialAbandonment()
{
    if (m_tutorialStartTime)
        AnalyticsService::shared().trackTutorialAbandoned(m_currentStep, stepName(), secondsSince(*m_tutorialStartTime),
                                                          m_user.email);
}

void OnboardingViewModel::quitOnboarding()
{
    if (isTutorialStep(m_currentStep))
        trackTutorialAbandonment();
    else
        trackOnboardingAbandonment();
    WindowUtils::closeWindow(true);
}
