#pragma once
#include <QPointer>
#include <QWidget>

class Auth0Manager;
class AuthenticationManager;
class OnboardingViewModel;

// The onboarding form of the sign-in window: one step at a time by the view model's current
// step (1: personal, 2: professional, anything else: nothing). Step 1's Next moves on, step 2's
// Back moves back, Close quits, and step 2's accepted profile sets the authentication status
// to completed, on which the shell opens the main windows. The view model is made once, from
// the signed-in profile's e-mail, and lives as long as the container.
class OnboardingContainerView : public QWidget {
    Q_OBJECT
public:
    // On the shared sign-in services.
    explicit OnboardingContainerView(QWidget *parent = nullptr);
    // Tests: their own sign-in services (not owned).
    OnboardingContainerView(AuthenticationManager *auth, Auth0Manager *identity, QWidget *parent = nullptr);
    ~OnboardingContainerView() override;

    OnboardingViewModel *viewModel() const { return m_viewModel; }
    // The step view shown, none for a step without one.
    QWidget *currentStepView() const { return m_stepView; }

private:
    void showStep(int step);

    AuthenticationManager *m_auth;
    Auth0Manager *m_identity;
    OnboardingViewModel *m_viewModel;
    QPointer<QWidget> m_stepView;
};
