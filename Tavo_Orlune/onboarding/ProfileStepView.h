#pragma once
#include <QImage>
#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <optional>

class Auth0Manager;
class LoadingCheckmark;
class ProfilePillButton;
class ProfileViewModel;
class QAbstractButton;
class QVBoxLayout;
class RemoteImageLoader;

// The profile card of the profile overlay: a close control above a frosted card holding the
// title "Profile", the signed-in user's picture, one content area, the note "Profile editing
// coming soon." and "Logout". The content area shows exactly one view, by priority: loading
// while the view model loads, else the error with "Retry", else the profile's rows, else the
// empty view. The card keeps no profile of its own: it follows the overlay's view model.
//
// Logout closes the overlay first and then signs out (signOut). The picture is downloaded
// each time the avatar comes on screen, from the identity's picture address when it is an http
// or https address; otherwise the grey person symbol shows and nothing is fetched.
class ProfileStepView : public QWidget {
    Q_OBJECT
public:
    enum class Content { loading, error, fields, empty };
    static constexpr int maxWidth = 408;
    static constexpr int avatarSize = 73;

    // identity: whose picture (none: the symbol); images: none for the shared loader.
    ProfileStepView(ProfileViewModel *profileViewModel, std::function<void()> onClose, std::function<void()> signOut,
                    Auth0Manager *identity, RemoteImageLoader *images = nullptr, QWidget *parent = nullptr);

    // The content the view model calls for now.
    static Content contentFor(const ProfileViewModel &model);
    static Content contentFor(bool isLoading, bool hasError, bool hasProfile);
    Content content() const { return m_content; }
    QWidget *contentView() const { return m_contentView; }

    bool showCard() const { return m_showCard; }
    // False → true starts every part's entrance; the card never hides again.
    void setShowCard(bool showCard);
    bool isImageLoading() const { return m_isImageLoading; }
    QImage cachedImage() const { return m_cachedImage; }
    bool cardHovered() const { return m_cardHovered; }
    std::optional<QUrl> pictureUrl() const;

    QAbstractButton *closeButton() const { return m_closeButton; }
    ProfilePillButton *logoutButton() const { return m_logoutButton; }
    QWidget *card() const;

    void loadProfileImage(const QUrl &url);
    void performLogout();

private:
    class Avatar;
    class Card;
    void rebuildContent();
    void setCardHovered(bool hovered);

    QPointer<ProfileViewModel> m_profileViewModel;
    std::function<void()> m_onClose;
    std::function<void()> m_signOut;
    QPointer<Auth0Manager> m_identity;
    RemoteImageLoader *m_images;
    bool m_showCard = false;
    bool m_isImageLoading = true;
    QImage m_cachedImage;
    bool m_cardHovered = false;
    Content m_content = Content::empty;
    QAbstractButton *m_closeButton = nullptr;
    Card *m_card = nullptr;
    QWidget *m_title = nullptr;
    QWidget *m_avatarGroup = nullptr;
    Avatar *m_avatar = nullptr;
    LoadingCheckmark *m_loadingMark = nullptr;
    QVBoxLayout *m_contentArea = nullptr;
    QWidget *m_contentView = nullptr;
    QWidget *m_note = nullptr;
    ProfilePillButton *m_logoutButton = nullptr;
};
