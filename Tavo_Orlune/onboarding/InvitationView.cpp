#include "onboarding/InvitationView.h"
#include "Platform/AppInfo.h"
#include "Platform/Assets.h"
#include "onboarding/IconTextField.h"
#include "Platform/KeyMonitor/LocalKeyMonitor.h"
#include "Platform/Log.h"
#include "onboarding/LoginView.h"
#include "Platform/Scheduler.h"
#include "onboarding/SignInControls.h"
#include "Platform/UrlOpener.h"
#include "account/Auth0Manager.h"
#include "account/AuthenticationManager.h"
#include "account/RemoteService.h"
#include "Platform/Graphemes.h"
#include "analytics/AnalyticsService.h"
#include "widgets/BackgroundVisibilityManager.h"
#include "widgets/WindowUtils.h"
#include "theme/Color.h"
#include "theme/Fonts.h"
#include "theme/ScaleEffect.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QStackedLayout>
#include <QUrl>
#include <QVBoxLayout>
#include <QVariantAnimation>

namespace {
const QString kScreen = QStringLiteral("invitation_view");
constexpr int kCloseMs = 250;

QHBoxLayout *textWithLink(const QString &text, QPushButton *link, QWidget *parent)
{
    auto *row = new QHBoxLayout;
    row->setSpacing(4);
    row->addStretch();
    row->addWidget(SignInControls::label(text, Fonts::fieldFont(), SignInControls::withOpacity(Color::textPrimary(), 0.6),
                                         parent));
    row->addWidget(link);
    row->addStretch();
    return row;
}
}

InvitationView::InvitationView(BackgroundVisibilityManager *bgManager, QWidget *parent)
    : InvitationView(bgManager, Services{nullptr, nullptr, nullptr}, parent)
{
}

InvitationView::InvitationView(BackgroundVisibilityManager *bgManager, Services services, QWidget *parent)
    : QWidget(parent), m_bgManager(bgManager), m_services(services)
{
    Q_ASSERT_X(bgManager, "InvitationView", "the sign-in window's BackgroundVisibilityManager is required");
    build();
    refresh();
}

InvitationView::~InvitationView() = default;

InvitationView::Services InvitationView::services()
{
    // The application's services are taken at first use: showing the screen needs none.
    if (!m_services.authManager)
        m_services.authManager = &AuthenticationManager::shared();
    if (!m_services.auth0Manager)
        m_services.auth0Manager = &Auth0Manager::shared();
    if (!m_services.remoteService)
        m_services.remoteService = &RemoteService::shared();
    return m_services;
}

bool InvitationView::isValidCodeForm(const QString &code)
{
    return !code.isEmpty() && Graphemes::count(code) == codeLength;
}

QString InvitationView::errorText(const RemoteError &error)
{
    switch (error.kind()) {
    case RemoteError::Kind::networkError:
        return QStringLiteral("Network error. Please check your connection and try again.");
    case RemoteError::Kind::serverError:
        return QStringLiteral("Server error: ") + error.text();
    case RemoteError::Kind::unauthorized:
        return QStringLiteral("Authentication error. Please try again.");
    case RemoteError::Kind::conflict:
    case RemoteError::Kind::badRequest:
    case RemoteError::Kind::invalidResponse:
        break;
    }
    return QStringLiteral("An unexpected error occurred. Please try again.");
}

QString InvitationView::websiteAddress()
{
    return AppInfo::instance().configured(QStringLiteral("TavoWebsiteURL"), "TAVO_WEBSITE_URL");
}

void InvitationView::build()
{
    setAttribute(Qt::WA_TranslucentBackground);
    const QColor primary = Color::textPrimary();

    m_stack = new QStackedLayout(this);
    m_stack->setContentsMargins(0, 0, 0, 0);

    m_cardPage = new QWidget(this);
    auto *outer = new QVBoxLayout(m_cardPage);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addStretch();
    m_closeButton = SignInControls::imageButton(QStringLiteral("ic_close"), 32, m_cardPage);
    outer->addWidget(m_closeButton, 0, Qt::AlignHCenter);
    outer->addSpacing(12);
    connect(m_closeButton, &QPushButton::clicked, this, &InvitationView::close);

    auto *card = new SignInCard(m_cardPage);
    auto *column = new QVBoxLayout(card);
    column->setContentsMargins(28, 40, 28, 0);
    column->setSpacing(0);
    outer->addWidget(card, 0, Qt::AlignHCenter);
    outer->addStretch();

    auto *logo = new QLabel(card);
    logo->setFixedSize(104, 104);
    logo->setScaledContents(true);
    logo->setPixmap(Assets::pixmap(QStringLiteral("orlune_logo"), QSize(104, 104), devicePixelRatioF()));
    column->addWidget(logo, 0, Qt::AlignHCenter);
    column->addSpacing(16);
    column->addWidget(SignInControls::label(QStringLiteral("Welcome to Tavo"), Fonts::loginTitleFont(), primary, card));
    column->addSpacing(8);
    column->addWidget(SignInControls::label(QStringLiteral("Enter your invitation code to get started"),
                                            Fonts::invitationBodyFont(), SignInControls::withOpacity(primary, 0.7), card));
    column->addSpacing(36);

    m_codeField = new IconTextField(QStringLiteral("ic_invitation"), QStringLiteral("Invitation Code"), card);
    column->addWidget(m_codeField, 0, Qt::AlignHCenter);
    column->addSpacing(16);
    connect(m_codeField, &IconTextField::textChanged, this, &InvitationView::onCodeChanged);

    m_waitlistButton = SignInControls::linkButton(QStringLiteral("Join the Waitlist"), card);
    column->addLayout(textWithLink(QStringLiteral("Don’t have a code?"), m_waitlistButton, card));
    column->addSpacing(40);
    connect(m_waitlistButton, &QPushButton::clicked, this, &InvitationView::joinWaitlist);

    m_continueButton = SignInControls::darkButton(QStringLiteral("Continue with Code"), QSize(296, 48), card);
    column->addWidget(m_continueButton, 0, Qt::AlignHCenter);
    column->addSpacing(12);
    connect(m_continueButton, &QPushButton::clicked, this, &InvitationView::validateCode);

    m_errorLabel = SignInControls::label(QString(), Fonts::system(11, QFont::Medium), SignInControls::errorRed(), card);
    m_errorLabel->setWordWrap(true);
    m_errorLabel->setMaximumWidth(296);
    column->addWidget(m_errorLabel, 0, Qt::AlignHCenter);

    m_signInButton = SignInControls::linkButton(QStringLiteral("Sign in"), card);
    column->addSpacing(24);
    column->addLayout(textWithLink(QStringLiteral("Already have an account?"), m_signInButton, card));
    column->addSpacing(40);
    connect(m_signInButton, &QPushButton::clicked, this, &InvitationView::signIn);

    m_stack->addWidget(m_cardPage);
}

QString InvitationView::invitationCode() const
{
    return m_codeField->text();
}

QPushButton *InvitationView::continueButton() const
{
    return m_continueButton;
}

void InvitationView::refresh()
{
    m_continueButton->setText(m_isCheckingInvitationCode ? QStringLiteral("Checking...")
                                                         : QStringLiteral("Continue with Code"));
    m_continueButton->setEnabled(m_isInvitationCodeValid && !m_isCheckingInvitationCode);
    m_errorLabel->setText(m_invitationCodeError.value_or(QString()));
    m_errorLabel->setVisible(m_invitationCodeError.has_value());
}

void InvitationView::onCodeChanged(const QString &code)
{
    m_isInvitationCodeValid = isValidCodeForm(code);
    // An emptied field keeps the error; any other edit clears it.
    if (!code.isEmpty())
        m_invitationCodeError.reset();
    refresh();
}

void InvitationView::validateCode()
{
    const QString code = invitationCode();
    if (code.isEmpty() || m_isCheckingInvitationCode)
        return;
    AnalyticsService::shared().trackEvent(QStringLiteral("validate_invitation_code_request"),
                                          {{QStringLiteral("invitation_code"), code}});
    m_isCheckingInvitationCode = true;
    m_invitationCodeError.reset();
    refresh();
    // The answer is about the code that went out, whatever the field holds by then.
    services().remoteService->validateInvitationCode(code, this, [this, code](const RemoteResult<bool> &result) {
        if (result.ok())
            handleValidationResult(code, *result.value);
        else
            handleValidationError(result.error.value_or(RemoteError::invalidResponse()));
    });
}

void InvitationView::handleValidationResult(const QString &sentCode, bool isValid)
{
    m_isCheckingInvitationCode = false;
    if (isValid) {
        AnalyticsService::shared().trackEvent(QStringLiteral("validate_invitation_code_success"),
                                              {{QStringLiteral("invitation_code"), sentCode}});
        m_validatedInvitationCode = sentCode;
        refresh();
        setShowLoginView(true);
    } else {
        AnalyticsService::shared().trackEvent(QStringLiteral("validate_invitation_code_invalid"),
                                              {{QStringLiteral("invitation_code"), sentCode}});
        m_invitationCodeError = QStringLiteral("Invalid invitation code. Please check and try again.");
        refresh();
    }
}

void InvitationView::handleValidationError(const RemoteError &error)
{
    AnalyticsService::shared().trackError(error, QStringLiteral("InvitationView"),
                                          {{QStringLiteral("operation"), QStringLiteral("validateInvitationCode")}});
    m_isCheckingInvitationCode = false;
    m_invitationCodeError = errorText(error);
    refresh();
}

void InvitationView::setShowLoginView(bool show)
{
    m_showLoginView = show;
    if (show) {
        // A new login screen each time, with the code as it stands now (or none).
        delete m_loginView;
        QPointer<InvitationView> self = this;
        const Services svc = services();
        m_loginView = new LoginView(*svc.authManager, *svc.auth0Manager, m_validatedInvitationCode,
                                    [self] {
                                        if (self)
                                            MainQueue::post(self, [self] { self->backFromLogin(); });
                                    },
                                    m_bgManager, this);
        m_stack->addWidget(m_loginView);
        m_stack->setCurrentWidget(m_loginView);
    } else {
        m_stack->setCurrentWidget(m_cardPage);
        if (m_loginView) {
            m_stack->removeWidget(m_loginView);
            m_loginView->hide();
            m_loginView->deleteLater();
            m_loginView = nullptr;
        }
        // The card is back; its appearance hides the nebula again.
        if (m_bgManager && isVisible())
            m_bgManager->setShowNebula(false);
    }
}

void InvitationView::backFromLogin()
{
    m_validatedInvitationCode.reset();
    setShowLoginView(false);
}

void InvitationView::signIn()
{
    setShowLoginView(true);
    AnalyticsService::shared().trackButtonTap(QStringLiteral("already_have_account"),
                                              {{QStringLiteral("screen_name"), kScreen}});
}

void InvitationView::joinWaitlist()
{
    AnalyticsService::shared().trackButtonTap(QStringLiteral("join_wait_list"), {{QStringLiteral("screen_name"), kScreen}});
    const QUrl url(websiteAddress(), QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty() || url.host().isEmpty()) {
        Log::line(QStringLiteral("Invalid URL for waitlist website"));
        return;
    }
    UrlOpener::open(url);
}

void InvitationView::close()
{
    if (m_isClosing)
        return;
    m_isClosing = true;
    // The fade exists only for the close: an effect renders the whole screen off-screen.
    auto *animation = new QVariantAnimation(this);
    animation->setDuration(kCloseMs);
    animation->setStartValue(1.0);
    animation->setEndValue(0.0);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    connect(animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        ScaleEffect::of(this)->setOpacity(QStringLiteral("invitationClose"), v.toDouble());
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
    Scheduler::instance().singleShot(kCloseMs, this, [] {
        AnalyticsService::shared().trackInvitationWindowClosed();
        WindowUtils::closeWindow(true);
    });
}

void InvitationView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_bgManager && !m_showLoginView)
        m_bgManager->setShowNebula(false);
    AnalyticsService::shared().trackInvitationWindowOpened();
    if (!m_keyMonitor) {
        QPointer<InvitationView> self = this;
        m_keyMonitor = new LocalKeyMonitor([self](QKeyEvent &key) {
            // Return is Continue's shortcut while the card shows and Continue is enabled.
            if (!self || !LocalKeyMonitor::isReturn(key) || self->m_showLoginView || !self->isVisible()
                || !self->window()->isActiveWindow() || !self->m_continueButton->isEnabled())
                return false;
            self->validateCode();
            return true;
        }, this);
    }
}

void InvitationView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    delete m_keyMonitor;
    m_keyMonitor = nullptr;
}
