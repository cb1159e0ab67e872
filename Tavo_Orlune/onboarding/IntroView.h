#pragma once
#include "Platform/NotificationCenter.h"

#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>

class AudioRecorderInterface;
class BackgroundVisibilityManager;
class FlowerAnimationView;
class LocalKeyMonitor;
class QAbstractButton;
class QStackedLayout;
class QVariantAnimation;

// The first-run intro of the sign-in window. Once the nebula behind it has finished its
// entrance, a large flower lands above the text column, then four lines of text and two buttons
// appear one after another. "Get Started" records that the intro has been seen and puts the
// invitation screen in its place; "Close" shrinks the intro away and quits.
class IntroView : public QWidget {
    Q_OBJECT
public:
    static constexpr int stageCount = 6;
    // When stage k is revealed, in ms after the sequence starts: 2000 + 250 k.
    static constexpr int firstRevealMs = 2000;
    static constexpr int revealStepMs = 250;
    static constexpr int closeMs = 400;

    // What the intro is built from; the default builds the application's own.
    struct Parts {
        // The flower's microphone (null: the flower follows no level); taken over when it has no
        // parent.
        AudioRecorderInterface *audio = nullptr;
        // The screen that follows "Get Started".
        std::function<QWidget *(QWidget *parent)> makeInvitation;
        // Ends the application after "Close".
        std::function<void()> terminate;
    };

    explicit IntroView(BackgroundVisibilityManager *bgManager, QWidget *parent = nullptr);
    IntroView(BackgroundVisibilityManager *bgManager, Parts parts, QWidget *parent = nullptr);
    ~IntroView() override;

    bool showInvitationView() const { return m_showInvitationView; }
    bool flowerLanded() const { return m_flowerLanded; }
    int currentStage() const { return m_currentStage; }
    bool getStartedHover() const { return m_getStartedHover; }
    bool closeHover() const { return m_closeHover; }
    bool isClosing() const { return m_isClosing; }
    bool nebulaFinished() const { return m_nebulaFinished; }
    bool animationsStarted() const { return m_animationsStarted; }
    // Element k of the column (0-3 texts, 4 Get Started, 5 Close) is shown once currentStage >= k.
    bool isRevealed(int stage) const { return m_currentStage >= stage; }

    void startIntroSequence();
    void getStarted();
    void closeIntro();

    QAbstractButton *getStartedButton() const;
    QAbstractButton *closeButton() const;
    FlowerAnimationView *flower() const { return m_flower; }
    QWidget *invitationView() const { return m_invitation; }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void build();
    void setNebulaFinished(bool finished);
    void setStage(int stage);
    void setHover(bool getStarted, bool hovered);
    void animate(QWidget *target, double fromScale, double toScale, double fromOpacity, double toOpacity,
                 double response, double damping);

    QPointer<BackgroundVisibilityManager> m_bgManager;
    Parts m_parts;

    bool m_showInvitationView = false;
    bool m_flowerLanded = false;
    int m_currentStage = -1;
    bool m_getStartedHover = false;
    bool m_closeHover = false;
    bool m_isClosing = false;
    bool m_nebulaFinished = false;
    bool m_animationsStarted = false;

    // Keeps the flower centred on the place the column leaves for it.
    void placeFlower();

    QStackedLayout *m_stack = nullptr;
    QWidget *m_content = nullptr;
    QWidget *m_flowerHost = nullptr;
    FlowerAnimationView *m_flower = nullptr;
    std::array<QWidget *, stageCount> m_elements{};
    QWidget *m_invitation = nullptr;
    NotificationCenter::Token m_nebulaObserver{};
    bool m_observing = false;
    LocalKeyMonitor *m_keyMonitor = nullptr;
};
