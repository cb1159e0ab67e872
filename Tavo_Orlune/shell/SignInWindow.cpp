#include "SignInWindow.h"
#include "BackgroundVisibilityManager.h"
#include "theme/NebulaBackgroundView.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVariantAnimation>
#include <QVBoxLayout>

SignInWindow::SignInWindow(BackgroundVisibilityManager *bgManager, QWidget *parent)
    : QWidget(parent), m_bgManager(bgManager)
{
    setWindowTitle(QStringLiteral("Tavo Orlune"));
    m_nebula = new NebulaBackgroundView(this);
    m_placeholder = new QLabel(this);
    m_placeholder->setTextFormat(Qt::PlainText);
    m_placeholder->setAlignment(Qt::AlignCenter);
    QFont font = m_placeholder->font();
    font.setPixelSize(28);
    m_placeholder->setFont(font);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_placeholder);
    m_nebula->lower();
    resize(960, 640);
}

SignInWindow::~SignInWindow() = default;

void SignInWindow::setContent(Content content)
{
    m_content = content;
    m_placeholder->setText(placeholderText());
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
