#include "onboarding/ProfessionalInfoStepView.h"
#include "onboarding/IconTextField.h"
#include "onboarding/OnboardingErrorLine.h"
#include "onboarding/OnboardingStepView.h"
#include "onboarding/OnboardingViewModel.h"
#include "account/AuthenticationManager.h"
#include "theme/Sizes.h"

#include <QVBoxLayout>

namespace {
// The optional fields are absent when empty; blanks count as text.
std::optional<QString> optionalText(const QString &text)
{
    return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
}
}

ProfessionalInfoStepView::ProfessionalInfoStepView(OnboardingViewModel *viewModel, AuthenticationManager *auth,
                                                   Actions actions, const std::optional<QString> &profileImageURL,
                                                   QObject *completionContext, QWidget *parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_auth(auth)
    , m_actions(std::move(actions))
    , m_completionContext(completionContext ? completionContext : this)
{
    auto *fields = new QWidget;
    auto *stack = new QVBoxLayout(fields);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(int(Sizes::spacingL));
    m_company = new IconTextField(QStringLiteral("ic_company"), QStringLiteral("Company"), fields);
    m_company->setObjectName(QStringLiteral("companyField"));
    m_company->setAutoFocus(true);
    m_linkedin = new IconTextField(QStringLiteral("ic_linkedin"), QStringLiteral("LinkedIn"), fields);
    m_linkedin->setObjectName(QStringLiteral("linkedinField"));
    m_x = new IconTextField(QStringLiteral("ic_x"), QStringLiteral("X"), fields);
    m_x->setObjectName(QStringLiteral("xField"));
    m_ruleLine = new OnboardingErrorLine(fields);
    m_failureLine = new OnboardingErrorLine(fields);
    for (QWidget *w : {static_cast<QWidget *>(m_company), static_cast<QWidget *>(m_linkedin), static_cast<QWidget *>(m_x),
                       static_cast<QWidget *>(m_ruleLine), static_cast<QWidget *>(m_failureLine)})
        stack->addWidget(w, 0, Qt::AlignLeft);

    m_frame = new OnboardingStepView({QStringLiteral("Professional Information"), [this] { finishOnboarding(); },
                                      m_actions.onBack, m_actions.onClose, false, false, false, false, profileImageURL},
                                     fields, this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_frame);

    const User &user = viewModel->user();
    m_company->setText(user.company.value_or(QString()));
    m_linkedin->setText(user.linkedin.value_or(QString()));
    m_x->setText(user.xHandle.value_or(QString()));
    connect(m_company, &IconTextField::textChanged, viewModel,
            [viewModel](const QString &text) { viewModel->setCompany(optionalText(text)); });
    connect(m_linkedin, &IconTextField::textChanged, viewModel,
            [viewModel](const QString &text) { viewModel->setLinkedin(optionalText(text)); });
    connect(m_x, &IconTextField::textChanged, viewModel,
            [viewModel](const QString &text) { viewModel->setXHandle(optionalText(text)); });
    connect(viewModel, &OnboardingViewModel::userChanged, this, &ProfessionalInfoStepView::refresh);
    refresh();
}

void ProfessionalInfoStepView::refresh()
{
    if (!m_viewModel)
        return;
    const User &user = m_viewModel->user();
    if (m_company->text() != user.company.value_or(QString()))
        m_company->setText(user.company.value_or(QString()));
    if (m_linkedin->text() != user.linkedin.value_or(QString()))
        m_linkedin->setText(user.linkedin.value_or(QString()));
    if (m_x->text() != user.xHandle.value_or(QString()))
        m_x->setText(user.xHandle.value_or(QString()));
    m_frame->setNextEnabled(m_viewModel->isProfessionalInfoValid() && !m_isCompleting);
    m_ruleLine->setLine(m_showValidationError ? m_viewModel->professionalInfoValidationError() : std::nullopt);
    m_failureLine->setLine(m_showValidationError ? m_errorMessage : std::nullopt);
}

QStringList ProfessionalInfoStepView::errorLines() const
{
    QStringList lines;
    for (const OnboardingErrorLine *line : {m_ruleLine, m_failureLine})
        if (line->isVisibleTo(this))
            lines << line->text();
    return lines;
}

QString ProfessionalInfoStepView::completionErrorText(const RemoteError &error)
{
    switch (error.kind()) {
    case RemoteError::Kind::networkError:
        return QStringLiteral("Network error: ") + error.text();
    case RemoteError::Kind::serverError:
    case RemoteError::Kind::conflict:
    case RemoteError::Kind::badRequest:
        return QStringLiteral("Server error: ") + error.text();
    case RemoteError::Kind::invalidResponse:
        return QStringLiteral("Invalid response from server");
    case RemoteError::Kind::unauthorized:
        return QStringLiteral("Authentication failed. Please try logging in again.");
    }
    return error.description();
}

void ProfessionalInfoStepView::finishOnboarding()
{
    if (!m_viewModel || m_isCompleting)
        return;
    if (!m_viewModel->isProfessionalInfoValid()) {
        m_showValidationError = true;
        refresh();
        if (const auto message = m_viewModel->professionalInfoValidationError())
            m_viewModel->trackValidationError(*message);
        return;
    }
    m_isCompleting = true;
    m_errorMessage.reset();
    refresh();

    const User user = m_viewModel->user();
    QPointer<ProfessionalInfoStepView> step(this);
    QPointer<OnboardingViewModel> viewModel(m_viewModel);
    auto onNext = m_actions.onNext;
    // The answer outlives this step (the user may have gone Back): it finishes against what
    // is still there, and the onboarding still completes.
    m_auth->completeOnboarding(user.firstName, user.lastName, user.company.value_or(QString()),
                               user.linkedin.value_or(QString()), user.xHandle.value_or(QString()), m_completionContext,
                               [step, viewModel, onNext](const std::optional<RemoteError> &error) {
                                   if (!error) {
                                       if (onNext)
                                           onNext();
                                       if (step)
                                           step->completionEnded();
                                       return;
                                   }
                                   const QString message = completionErrorText(*error);
                                   if (step) {
                                       step->m_errorMessage = message;
                                       step->m_showValidationError = true;
                                       step->refresh();
                                   }
                                   if (viewModel)
                                       viewModel->trackValidationError(message);
                                   if (step)
                                       step->completionEnded();
                               });
}

void ProfessionalInfoStepView::completionEnded()
{
    m_isCompleting = false;
    refresh();
}
