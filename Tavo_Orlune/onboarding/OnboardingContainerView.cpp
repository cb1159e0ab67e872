#include "onboarding/OnboardingContainerView.h"
#include "onboarding/OnboardingViewModel.h"
#include "onboarding/PersonalInfoStepView.h"
#include "onboarding/ProfessionalInfoStepView.h"
#include "account/Auth0Manager.h"
#include "account/AuthenticationManager.h"
#include "theme/ScaleEffect.h"

#include <QGridLayout>
#include <QVariantAnimation>

namespace {
const QString kStepFade = QStringLiteral("stepFade");

std::optional<QString> picture(Auth0Manager *identity)
{
    if (const auto profile = identity->userProfile())
        return profile->picture;
    return std::nullopt;
}
}

OnboardingContainerView::OnboardingContainerView(QWidget *parent)
    : OnboardingContainerView(&AuthenticationManager::shared(), &Auth0Manager::shared(), parent)
{
}

OnboardingContainerView::OnboardingContainerView(AuthenticationManager *auth, Auth0Manager *identity, QWidget *parent)
    : QWidget(parent), m_auth(auth), m_identity(identity)
{
    setAttribute(Qt::WA_TranslucentBackground);
    const auto profile = identity->userProfile();
    m_viewModel = new OnboardingViewModel(profile ? profile->email : QString(), this);
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    connect(m_viewModel, &OnboardingViewModel::currentStepChanged, this, &OnboardingContainerView::showStep);
    showStep(m_viewModel->currentStep());
}

OnboardingContainerView::~OnboardingContainerView() = default;

void OnboardingContainerView::showStep(int step)
{
    // The old step may be the sender of this change (its Next or Back): it goes on a later turn.
    if (m_stepView) {
        m_stepView->hide();
        m_stepView->deleteLater();
    }
    OnboardingViewModel *model = m_viewModel;
    QWidget *view = nullptr;
    if (step == 1) {
        view = new PersonalInfoStepView(
            model, [model] { model->nextStep(); }, [model] { model->quitOnboarding(); }, picture(m_identity), this);
    } else if (step == 2) {
        AuthenticationManager *auth = m_auth;
        ProfessionalInfoStepView::Actions actions{[auth] { auth->setAuthStatus(AuthenticationStatus::completed); },
                                                  [model] { model->previousStep(); },
                                                  [model] { model->quitOnboarding(); }};
        view = new ProfessionalInfoStepView(model, auth, actions, picture(m_identity), this, this);
    }
    m_stepView = view;
    if (!view)
        return;
    static_cast<QGridLayout *>(layout())->addWidget(view, 0, 0, Qt::AlignCenter);

    // The new step fades in over 0.3 s.
    ScaleEffect *effect = ScaleEffect::of(view);
    effect->setOpacity(kStepFade, 0.0);
    auto *fade = new QVariantAnimation(view);
    fade->setDuration(300);
    fade->setEasingCurve(QEasingCurve::InOutQuad);
    fade->setStartValue(0.0);
    fade->setEndValue(1.0);
    connect(fade, &QVariantAnimation::valueChanged, effect, [effect](const QVariant &v) { effect->setOpacity(kStepFade, v.toDouble()); });
    connect(fade, &QVariantAnimation::finished, view, [view] {
        ScaleEffect::of(view)->setOpacity(kStepFade, 1.0);
        ScaleEffect::releaseIfIdle(view);
    });
    fade->start(QAbstractAnimation::DeleteWhenStopped);
    view->show();
}
