#pragma once
#include <QPointer>
#include <QWidget>
#include <functional>

class Auth0Manager;
class LocalKeyMonitor;
class ProfileService;
class ProfileStepView;
class ProfileViewModel;
class RemoteImageLoader;

// The signed-in user's profile over the canvas: a frosted backdrop with the profile card in its
// centre. It owns the profile state for as long as it is shown and starts the profile load when
// it comes on screen. It closes on Escape (anywhere in the application, consumed), on a click on
// the backdrop (one main-loop turn later), on the card's close control and on "Logout"; every
// one of them only calls onDismiss, which may come more than once: the overlay never removes
// itself, its host does.
class ProfileOverlayView : public QWidget {
    Q_OBJECT
public:
    struct Services {
        ProfileService *profiles = nullptr;    // none: a service without a signed-in identity
        Auth0Manager *identity = nullptr;      // whose picture the card shows (none: the symbol)
        RemoteImageLoader *images = nullptr;   // none: the shared loader
        std::function<void()> signOut;         // what "Logout" runs after onDismiss
    };

    ProfileOverlayView(std::function<void()> onDismiss, const Services &services, QWidget *parent = nullptr);
    ~ProfileOverlayView() override;

    ProfileViewModel *profileViewModel() const { return m_profileViewModel; }
    ProfileStepView *card() const { return m_card; }
    bool showContent() const { return m_showContent; }
    bool showCard() const { return m_showCard; }
    bool hasKeyMonitor() const { return m_keyMonitor != nullptr; }

    void installKeyMonitor();
    void removeKeyMonitor();
    void startAppearAnimations();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    bool handleKeyDown(QKeyEvent &event);
    void dismiss();

    std::function<void()> m_onDismiss;
    ProfileService *m_ownService = nullptr;
    ProfileViewModel *m_profileViewModel;
    ProfileStepView *m_card;
    bool m_showContent = false;
    bool m_showCard = false;
    bool m_appeared = false;
    LocalKeyMonitor *m_keyMonitor = nullptr;
};
