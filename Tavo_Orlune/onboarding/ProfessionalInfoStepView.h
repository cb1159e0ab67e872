#pragma once
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

class AuthenticationManager;
class IconTextField;
class OnboardingErrorLine;
class OnboardingStepView;
class OnboardingViewModel;
class RemoteError;

// The second onboarding step, "Professional Information": company, LinkedIn and X. Its Next
// sends the whole form to the account API and runs onNext once the API has accepted it; a
// failure shows as a red line under the fields and is reported through the view model.
class ProfessionalInfoStepView : public QWidget {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> onNext; // after the account API accepted the profile
        std::function<void()> onBack;
        std::function<void()> onClose;
    };
    // The answer of the account API is delivered while completionContext lives (the
    // container), so it still completes after this step has gone (Back).
    ProfessionalInfoStepView(OnboardingViewModel *viewModel, AuthenticationManager *auth, Actions actions,
                             const std::optional<QString> &profileImageURL, QObject *completionContext,
                             QWidget *parent = nullptr);

    // The frame's Next action.
    void finishOnboarding();
    bool isCompleting() const { return m_isCompleting; }
    bool showValidationError() const { return m_showValidationError; }
    std::optional<QString> errorMessage() const { return m_errorMessage; }
    // The error lines that show, in order.
    QStringList errorLines() const;
    OnboardingStepView *frame() const { return m_frame; }
    IconTextField *companyField() const { return m_company; }
    IconTextField *linkedinField() const { return m_linkedin; }
    IconTextField *xField() const { return m_x; }

    // What the step shows for a failed completion.
    static QString completionErrorText(const RemoteError &error);

private:
    void refresh();
    void completionEnded();

    QPointer<OnboardingViewModel> m_viewModel;
    AuthenticationManager *m_auth;
    Actions m_actions;
    QPointer<QObject> m_completionContext;
    bool m_showValidationError = false;
    bool m_isCompleting = false;
    std::optional<QString> m_errorMessage;
    IconTextField *m_company;
    IconTextField *m_linkedin;
    IconTextField *m_x;
    OnboardingErrorLine *m_ruleLine;
    OnboardingErrorLine *m_failureLine;
    OnboardingStepView *m_frame;
};
