#include "shell/TavoOrluneApp.h"
#include "widgets/BackgroundVisibilityManager.h"
#include "Platform/Scheduler.h"
#include "Platform/Settings.h"

TavoOrluneApp::TavoOrluneApp(const AppDelegate::Services &services, QObject *parent)
    : QObject(parent)
    , m_authManager(services.authManager)
    , m_bgManager(new BackgroundVisibilityManager(this))
    , m_appDelegate(std::make_unique<AppDelegate>(services))
    , m_signInWindow(std::make_unique<SignInWindow>(m_bgManager))
{
    connect(m_appDelegate.get(), &AppDelegate::signInContentChanged, this, &TavoOrluneApp::rootContent);
    connect(m_bgManager, &BackgroundVisibilityManager::showNebulaChanged, this, &TavoOrluneApp::rootContent);
}

TavoOrluneApp::~TavoOrluneApp() = default;

void TavoOrluneApp::launch()
{
    m_appDelegate->applicationDidFinishLaunching();
    rootContent();
}

void TavoOrluneApp::rootContent()
{
    using Status = SignInState::Status;
    const Status status = m_appDelegate->authStatus();
    SignInWindow::Content content = SignInWindow::Content::None;
    bool signedIn = false;
    if (!m_appDelegate->isAuthInitializing()) {
        switch (status) {
        case Status::notAuthenticated:
            content = Settings::instance().boolValue(QStringLiteral("hasSeenIntro"), false) ? SignInWindow::Content::Invitation
                                                                                          : SignInWindow::Content::Intro;
            break;
        case Status::needsOnboarding:
            content = m_authManager && m_authManager->profileEmail() ? SignInWindow::Content::Onboarding
                                                                     : SignInWindow::Content::Invitation;
            break;
        case Status::authenticated:
        case Status::completed:
            signedIn = true;
            break;
        }
    }
    m_signInWindow->setNebulaVisible(m_bgManager->showNebula() && !signedIn);
    const bool changed = content != m_signInWindow->content();
    m_signInWindow->setContent(content);
    QPointer<SignInWindow> window(m_signInWindow.get());
    if (signedIn) {
        MainQueue::post(window, [window] {
            if (window)
                window->hideSignInWindow();
        });
    } else if (changed || !m_signInWindow->isVisible()) {
        MainQueue::post(window, [window] {
            if (window)
                window->styleSignInWindow();
        });
    }
}
