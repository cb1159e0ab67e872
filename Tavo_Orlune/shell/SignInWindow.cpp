#include "shell/SignInWindow.h"
#include "widgets/BackgroundVisibilityManager.h"
#include "onboarding/IntroView.h"
#include "onboarding/InvitationView.h"
#include "onboarding/OnboardingContainerView.h"
#include "theme/NebulaBackgroundView.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVariantAnimation>
#include <QVBoxLayout>

SignInWindow::SignInWindow(BackgroundVisibilityManager *bgManager, QWidget *parent)
    : QWidget(parent), m_bgManager(bgManager)
{
    setWindowTitle(QStringLiteral("Tavo Orlune"));
    m_nebula = new NebulaBackgroundView(this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_nebula->lower();
    resize(960, 640);
}

SignInWindow::~SignInWindow() = default;

void SignInWindow::setContent(Content content)
{
    if (content == m_content && (m_screen || content == Content::None))
        return;
    m_content = content;
    QWidget *old = m_screen;
    m_screen = nullptr;
    switch (content) {
    case Content::Intro:
        m_screen = new IntroView(m_bgManager, this);
        break;
    case Content::Invitation:
        m_screen = new InvitationView(m_bgManager, this);
        break;
    case Content::Onboarding:
        m_screen = new OnboardingContainerView(this);
        break;
    case Content::None:
        break;
    }
    if (m_screen) {
        m_screen->setAccessibleName(placeholderText());
        layout()->addWidget(m_screen);
        m_screen->show();
    }
    // The old screen may be the one whose button led here: it goes on a later turn. Hiding it
    // first may announce a change that calls back in here; the new screen is already in place.
    if (old) {
        old->hide();
        old->deleteLater();
    }
}

QString SignInWindow::placeholderText() const
{
    switch (m_content) {
    case Content::Intro:
        return QStringLiteral("Welcome to Tavo Orlune");
    case Content::Invitation:
        return QStringLiteral("Enter your invitation code");
    case Content::Onboarding:
        return QStringLiteral("Tell us about yourself");
    case Content::None:
        break;
    }
    return {};
}

void SignInWindow::setNebulaVisible(bool visible)
{
    m_nebula->setVisible(visible);
    m_nebula->setGeometry(rect());
}

void SignInWindow::styleSignInWindow()
{
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_TranslucentBackground);
    QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (s)
        setGeometry(s->geometry());
    m_nebula->setGeometry(rect());
    setWindowOpacity(0.0);
    show();
    raise();
    delete m_fade;
    m_fade = new QVariantAnimation(this);
    m_fade->setDuration(300);
    m_fade->setStartValue(0.0);
    m_fade->setEndValue(1.0);
    m_fade->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_fade, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) { setWindowOpacity(v.toDouble()); });
    m_fade->start();
}

void SignInWindow::hideSignInWindow()
{
    if (m_fade)
        m_fade->stop();
    hide();
}
