#pragma once
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

class IconTextField;
class OnboardingStepView;
class OnboardingViewModel;
class OnboardingErrorLine;

// The first onboarding step, "Personal Information": e-mail, first and last name. The fields
// write straight into the view model's form; Next follows its rules, and a Next on an invalid
// form shows the first failing rule's message under the fields.
class PersonalInfoStepView : public QWidget {
    Q_OBJECT
public:
    PersonalInfoStepView(OnboardingViewModel *viewModel, std::function<void()> onNext, std::function<void()> onClose,
                         const std::optional<QString> &profileImageURL, QWidget *parent = nullptr);

    // The frame's Next action.
    void next();
    bool showValidationError() const { return m_showValidationError; }
    // The error line when it shows, else empty.
    QString errorLine() const;
    OnboardingStepView *frame() const { return m_frame; }
    IconTextField *emailField() const { return m_email; }
    IconTextField *firstNameField() const { return m_firstName; }
    IconTextField *lastNameField() const { return m_lastName; }

private:
    void refresh();

    QPointer<OnboardingViewModel> m_viewModel;
    std::function<void()> m_onNext;
    bool m_showValidationError = false;
    IconTextField *m_email;
    IconTextField *m_firstName;
    IconTextField *m_lastName;
    OnboardingErrorLine *m_error;
    OnboardingStepView *m_frame;
};
