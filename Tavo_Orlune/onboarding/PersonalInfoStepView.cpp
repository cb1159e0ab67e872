#include "onboarding/PersonalInfoStepView.h"
#include "onboarding/IconTextField.h"
#include "onboarding/OnboardingErrorLine.h"
#include "onboarding/OnboardingStepView.h"
#include "onboarding/OnboardingViewModel.h"
#include "theme/Sizes.h"

#include <QVBoxLayout>

PersonalInfoStepView::PersonalInfoStepView(OnboardingViewModel *viewModel, std::function<void()> onNext,
                                           std::function<void()> onClose, const std::optional<QString> &profileImageURL,
                                           QWidget *parent)
    : QWidget(parent), m_viewModel(viewModel), m_onNext(std::move(onNext))
{
    auto *fields = new QWidget;
    auto *stack = new QVBoxLayout(fields);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(int(Sizes::spacingL));
    m_email = new IconTextField(QStringLiteral("ic_email"), QStringLiteral("Email"), fields);
    m_email->setObjectName(QStringLiteral("emailField"));
    m_email->setReadOnly(viewModel->isEmailFromAuth());
    m_firstName = new IconTextField(QStringLiteral("ic_firstName"), QStringLiteral("First Name"), fields);
    m_firstName->setObjectName(QStringLiteral("firstNameField"));
    m_firstName->setAutoFocus(true);
    m_lastName = new IconTextField(QStringLiteral("ic_lastName"), QStringLiteral("Last Name"), fields);
    m_lastName->setObjectName(QStringLiteral("lastNameField"));
    m_error = new OnboardingErrorLine(fields);
    for (QWidget *w : {static_cast<QWidget *>(m_email), static_cast<QWidget *>(m_firstName),
                       static_cast<QWidget *>(m_lastName), static_cast<QWidget *>(m_error)})
        stack->addWidget(w, 0, Qt::AlignLeft);

    m_frame = new OnboardingStepView({QStringLiteral("Personal Information"), [this] { next(); }, {}, std::move(onClose),
                                      true, false, viewModel->isPersonalInfoValid(), false, profileImageURL},
                                     fields, this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_frame);

    m_email->setText(viewModel->user().email);
    m_firstName->setText(viewModel->user().firstName);
    m_lastName->setText(viewModel->user().lastName);
    connect(m_email, &IconTextField::textChanged, viewModel, &OnboardingViewModel::setEmail);
    connect(m_firstName, &IconTextField::textChanged, viewModel, &OnboardingViewModel::setFirstName);
    connect(m_lastName, &IconTextField::textChanged, viewModel, &OnboardingViewModel::setLastName);
    connect(viewModel, &OnboardingViewModel::userChanged, this, &PersonalInfoStepView::refresh);
    refresh();
}

void PersonalInfoStepView::refresh()
{
    if (!m_viewModel)
        return;
    const auto &user = m_viewModel->user();
    // The form may change from elsewhere; the fields show what it holds.
    if (m_email->text() != user.email)
        m_email->setText(user.email);
    if (m_firstName->text() != user.firstName)
        m_firstName->setText(user.firstName);
    if (m_lastName->text() != user.lastName)
        m_lastName->setText(user.lastName);
    m_frame->setNextEnabled(m_viewModel->isPersonalInfoValid());
    m_error->setLine(m_showValidationError ? m_viewModel->personalInfoValidationError() : std::nullopt);
}

QString PersonalInfoStepView::errorLine() const
{
    return m_error->isVisibleTo(this) ? m_error->text() : QString();
}

void PersonalInfoStepView::next()
{
    if (!m_viewModel)
        return;
    if (m_viewModel->isPersonalInfoValid()) {
        if (m_onNext)
            m_onNext();
        return;
    }
    m_showValidationError = true;
    refresh();
    if (const auto message = m_viewModel->personalInfoValidationError())
        m_viewModel->trackValidationError(*message);
}
