#pragma once
#include <QWidget>
#include <functional>

class Auth0Manager;
class CircleButton;
class ProfilePictureView;
class RemoteImageLoader;

// The row under the welcome screen's sample cards, 20 pt apart: the user's avatar, which runs
// onShowProfile, and the "App Store" button, which posts "showCanvasAppStoreOverlay".
class ActionButtonsView : public QWidget {
    Q_OBJECT
public:
    ActionButtonsView(std::function<void()> onShowProfile, Auth0Manager *identity, RemoteImageLoader *images = nullptr,
                      QWidget *parent = nullptr);

    ProfilePictureView *profilePicture() const { return m_profilePicture; }
    CircleButton *appStoreButton() const { return m_appStoreButton; }

private:
    ProfilePictureView *m_profilePicture;
    CircleButton *m_appStoreButton;
};
