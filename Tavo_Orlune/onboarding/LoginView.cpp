#include "onboarding/LoginView.h"
#include "Platform/Assets.h"
#include "Platform/Log.h"
#include "Platform/KeyMonitor/LocalKeyMonitor.h"
#include "onboarding/SignInControls.h"
#include "account/Auth0Manager.h"
#include "account/AuthenticationManager.h"
#include "analytics/AnalyticsService.h"
#include "widgets/BackgroundVisibilityManager.h"
#include "widgets/WindowUtils.h"
#include "theme/BackgroundModifiers.h"
#include "theme/Color.h"
#include "theme/Fonts.h"
#include "theme/TavoCircleLoading.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {

// The Google button's label: icon (or the loading ring) on the leading side, the text centred,
// over the shared button background.
class GoogleButton : public QPushButton {
public:
    explicit GoogleButton(QWidget *parent) : QPushButton(QStringLiteral("Continue with Google"), parent)
    {
        setFixedSize(296, 48);
        setFlat(true);
        setFont(Fonts::loginButtonFont());
        setFocusPolicy(Qt::NoFocus);
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        ButtonBackgroundModifier::paint(painter, QRectF(rect()));
        painter.setPen(Color::textPrimary());
        painter.setFont(font());
        painter.drawText(rect(), Qt::AlignCenter, text());
    }
};

class CardBackground : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        CardBackgroundModifier::paint(painter, QRectF(rect()));
    }
};

}

LoginView::LoginView(std::optional<QString> validatedInvitationCode, std::function<void()> onBackToInvitation,
                     BackgroundVisibilityManager *bgManager, QWidget *parent)
    : LoginView(AuthenticationManager::shared(), Auth0Manager::shared(), std::move(validatedInvitationCode),
                std::move(onBackToInvitation), bgManager, parent)
{
}

LoginView::LoginView(AuthenticationManager &authManager, Auth0Manager &auth0Manager,
                     std::optional<QString> validatedInvitationCode, std::function<void()> onBackToInvitation,
                     BackgroundVisibilityManager *bgManager, QWidget *parent)
    : QWidget(parent)
    , m_auth(authManager)
    , m_auth0(auth0Manager)
    , m_bgManager(bgManager)
    , m_validatedInvitationCode(std::move(validatedInvitationCode))
    , m_onBackToInvitation(std::move(onBackToInvitation))
{
    Q_ASSERT_X(bgManager, "LoginView", "the sign-in window's BackgroundVisibilityManager is required");
    build();
    connect(&m_auth, &AuthenticationManager::errorChanged, this, [this] { handleAuthError(m_auth.error()); });
    connect(&m_auth0, &Auth0Manager::isLoadingGoogleChanged, this, [this] { refresh(); });
    // An error already published when the screen is built opens the card at once.
    handleAuthError(m_auth.error());
    refresh();
}

LoginView::~LoginView() = default;

void LoginView::build()
{
    setAttribute(Qt::WA_TranslucentBackground);
    const QColor primary = Color::textPrimary();

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addStretch();

    m_closeButton = SignInControls::imageButton(QStringLiteral("ic_close"), 32, this);
    outer->addWidget(m_closeButton, 0, Qt::AlignHCenter);
    outer->addSpacing(12);
    connect(m_closeButton, &QPushButton::clicked, this, &LoginView::closeApplication);

    auto *card = new SignInCard(this);
    card->setFixedWidth(344);
    auto *column = new QVBoxLayout(card);
    column->setContentsMargins(28, 0, 28, 28);
    column->setSpacing(0);
    outer->addWidget(card, 0, Qt::AlignHCenter);
    outer->addStretch();

    if (m_onBackToInvitation) {
        column->addSpacing(24);
        m_backButton = SignInControls::imageButton(QStringLiteral("btn_back"), 32, card);
        column->addWidget(m_backButton, 0, Qt::AlignLeft);
        connect(m_backButton, &QPushButton::clicked, this, [this] {
            if (m_onBackToInvitation)
                m_onBackToInvitation();
        });
    }

    m_logoBlock = new QWidget(card);
    auto *logoColumn = new QVBoxLayout(m_logoBlock);
    // With the back row the logo rises into the row's height.
    logoColumn->setContentsMargins(0, m_onBackToInvitation ? 0 : 32, 0, 0);
    logoColumn->setSpacing(0);
    auto *logo = new QLabel(m_logoBlock);
    logo->setPixmap(Assets::pixmap(QStringLiteral("orlune_logo"), QSize(144, 144), devicePixelRatioF()));
    logo->setFixedSize(144, 144);
    logo->setScaledContents(true);
    logoColumn->addWidget(logo, 0, Qt::AlignHCenter);
    logoColumn->addSpacing(24);
    logoColumn->addWidget(SignInControls::label(QStringLiteral("Tavo Orlune"), Fonts::loginTitleFont(), primary, m_logoBlock));
    logoColumn->addSpacing(92);
    column->addWidget(m_logoBlock);

    m_errorCard = new CardBackground(card);
    m_errorCard->setFixedSize(296, 327);
    auto *errorColumn = new QVBoxLayout(m_errorCard);
    errorColumn->setContentsMargins(16, 0, 16, 0);
    errorColumn->setSpacing(16);
    errorColumn->addStretch();
    m_errorLabel = SignInControls::label(QString(), Fonts::sectionTitleFont(), SignInControls::withOpacity(primary, 0.7),
                                         m_errorCard);
    m_errorLabel->setWordWrap(true);
    errorColumn->addWidget(m_errorLabel);
    m_okButton = SignInControls::darkButton(QStringLiteral("OK"), QSize(120, 44), m_errorCard);
    errorColumn->addWidget(m_okButton, 0, Qt::AlignHCenter);
    errorColumn->addStretch();
    connect(m_okButton, &QPushButton::clicked, this, &LoginView::dismissError);
    column->addWidget(m_errorCard, 0, Qt::AlignHCenter);

    m_googleButton = new GoogleButton(card);
    auto *googleRow = new QHBoxLayout(m_googleButton);
    googleRow->setContentsMargins(16, 0, 0, 0);
    m_googleIcon = new QLabel(m_googleButton);
    m_googleIcon->setFixedSize(20, 20);
    m_googleIcon->setScaledContents(true);
    m_googleIcon->setPixmap(Assets::pixmap(QStringLiteral("ic_google"), QSize(20, 20), devicePixelRatioF()));
    m_loading = new TavoCircleLoading(20, Color::accentBlue(), m_googleButton);
    googleRow->addWidget(m_googleIcon);
    googleRow->addWidget(m_loading);
    googleRow->addStretch();
    connect(m_googleButton, &QPushButton::clicked, this, &LoginView::signInWithGoogle);
    column->addWidget(m_googleButton, 0, Qt::AlignHCenter);
}

QPushButton *LoginView::okButton() const
{
    return m_okButton;
}

void LoginView::refresh()
{
    const bool loading = m_auth0.isLoadingGoogle();
    m_googleButton->setEnabled(!loading);
    m_googleIcon->setVisible(!loading);
    m_loading->setVisible(loading);
    m_logoBlock->setVisible(!m_showError);
    m_googleButton->setVisible(!m_showError);
    m_errorCard->setVisible(m_showError);
    m_errorLabel->setVisible(m_errorMessage.has_value());
    m_errorLabel->setText(m_errorMessage.value_or(QString()));
}

void LoginView::signInWithGoogle()
{
    // The code this screen was opened with, or none: a code from an earlier attempt must not
    // travel with this login.
    m_auth.setPendingInvitationCode(m_validatedInvitationCode);
    m_auth0.loginWithGoogle();
}

QString LoginView::errorText(const RemoteError &error)
{
    switch (error.kind()) {
    case RemoteError::Kind::conflict:
    case RemoteError::Kind::badRequest:
        return error.text();
    case RemoteError::Kind::networkError:
    case RemoteError::Kind::serverError:
    case RemoteError::Kind::invalidResponse:
    case RemoteError::Kind::unauthorized:
        break;
    }
    return QStringLiteral("Something went wrong. Please try again.");
}

void LoginView::handleAuthError(const std::optional<RemoteError> &error)
{
    if (!error)
        return;
    Log::line(QStringLiteral("[LoginView] Error detected: ") + error->caseText());
    if (error->kind() == RemoteError::Kind::conflict)
        Log::line(QStringLiteral("Conflict: ") + error->text());
    else if (error->kind() == RemoteError::Kind::badRequest)
        Log::line(QStringLiteral("Bad Request: ") + error->text());
    m_errorMessage = errorText(*error);
    m_showError = true;
    refresh();
}

void LoginView::dismissError()
{
    m_showError = false;
    refresh();
    // errorMessage keeps its text behind the hidden card.
    m_auth.clearError();
}

void LoginView::closeApplication()
{
    AnalyticsService::shared().trackLoginWindowClosed();
    WindowUtils::closeWindow(true);
}

void LoginView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_bgManager)
        m_bgManager->setShowNebula(false);
    AnalyticsService::shared().trackLoginWindowOpened();
    if (!m_keyMonitor) {
        QPointer<LoginView> self = this;
        m_keyMonitor = new LocalKeyMonitor([self](QKeyEvent &key) {
            if (!self || !LocalKeyMonitor::isReturn(key) || !self->isVisible() || !self->window()->isActiveWindow())
                return false;
            if (self->m_showError || !self->m_googleButton->isEnabled())
                return false;
            self->signInWithGoogle();
            return true;
        }, this);
    }
}

void LoginView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    delete m_keyMonitor;
    m_keyMonitor = nullptr;
    if (m_bgManager)
        m_bgManager->setShowNebula(true);
}
