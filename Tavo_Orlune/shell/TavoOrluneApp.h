#pragma once
#include "shell/AppDelegate.h"
#include "shell/SignInWindow.h"

#include <QObject>
#include <memory>

class BackgroundVisibilityManager;

// The application entry: the application delegate, the nebula switch and the sign-in window,
// whose content follows the sign-in status.
class TavoOrluneApp : public QObject {
    Q_OBJECT
public:
    explicit TavoOrluneApp(const AppDelegate::Services &services, QObject *parent = nullptr);
    ~TavoOrluneApp() override;

    // Runs the launch sequence and shows the sign-in window of the current status.
    void launch();

    AppDelegate *appDelegate() const { return m_appDelegate.get(); }
    BackgroundVisibilityManager *bgManager() const { return m_bgManager; }
    SignInWindow *signInWindow() const { return m_signInWindow.get(); }
    // Chooses the sign-in window's content for the current status (and shows or hides it).
    void rootContent();

private:
    SignInState *m_authManager;
    BackgroundVisibilityManager *m_bgManager;
    std::unique_ptr<AppDelegate> m_appDelegate;
    std::unique_ptr<SignInWindow> m_signInWindow;
};
