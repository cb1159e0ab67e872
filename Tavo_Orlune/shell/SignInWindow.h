#pragma once
#include <QWidget>

class BackgroundVisibilityManager;
class QStackedLayout;
class QVariantAnimation;

// The window that brings a user in: a borderless, transparent, floating window over the whole
// screen with the nebula behind the screen of the current sign-in step.
class SignInWindow : public QWidget {
    Q_OBJECT
public:
    enum class Content { None, Intro, Invitation, Onboarding };

    explicit SignInWindow(BackgroundVisibilityManager *bgManager, QWidget *parent = nullptr);
    ~SignInWindow() override;

    Content content() const { return m_content; }
    // Puts in the screen of that step: a new screen each time the step changes; the same step
    // again keeps the screen on show.
    void setContent(Content content);
    QWidget *screenWidget() const { return m_screen; }
    void setNebulaVisible(bool visible);
    // Frameless over its screen, floating, faded in over 0.3 s.
    void styleSignInWindow();
    void hideSignInWindow();
    // The step's name, given to its screen as the accessible name.
    QString placeholderText() const;

private:
    BackgroundVisibilityManager *m_bgManager;
    QWidget *m_nebula;
    QWidget *m_screen = nullptr;
    QVariantAnimation *m_fade = nullptr;
    Content m_content = Content::None;
};
