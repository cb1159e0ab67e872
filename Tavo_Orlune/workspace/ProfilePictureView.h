#pragma once
#include <QImage>
#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <optional>

class Auth0Manager;
class CircleButton;
class LoadingCheckmark;
class RemoteImageLoader;

// The welcome screen's avatar button (56 pt, caption "Profile"): the signed-in user's picture,
// downloaded from the address in the identity's profile and kept while the view lives, or the
// grey person symbol while there is none. A click runs onShowProfile.
//
// The download starts when the view is shown and when the picture's address changes; a result
// that arrives after another address was asked for is dropped. A failed download leaves the
// symbol and is tried again the next time the view is shown or the address changes.
class ProfilePictureView : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal buttonSize = 56;
    static constexpr int loadingMarkSize = 16;

    // identity: whose picture (none: the symbol only); images: none for the shared loader.
    ProfilePictureView(std::function<void()> onShowProfile, Auth0Manager *identity, RemoteImageLoader *images = nullptr,
                       QWidget *parent = nullptr);

    bool isImageLoading() const { return m_isImageLoading; }
    QImage cachedImage() const { return m_cachedImage; }
    std::optional<QString> currentImageURL() const { return m_currentImageURL; }
    // The picture's address when the identity has a profile whose picture is an http or https
    // address, else none.
    std::optional<QUrl> pictureUrl() const;
    // Whether the spinner shows now (only over a picture that has an address).
    bool showsLoadingMark() const;
    CircleButton *button() const { return m_button; }

    // Starts a download unless that picture is already shown or on its way.
    void loadImage(const QUrl &url);
    // A download of the address ended (a null image: it failed).
    void applyDownloadedImage(const QString &address, const QImage &image);

protected:
    void showEvent(QShowEvent *event) override;

private:
    class Avatar;
    void identityChanged();
    void refreshLook();

    QPointer<Auth0Manager> m_identity;
    RemoteImageLoader *m_images;
    bool m_isImageLoading = true;
    QImage m_cachedImage;
    std::optional<QString> m_currentImageURL;
    // The picture text seen last, to tell a change from the first value.
    std::optional<QString> m_lastPicture;
    Avatar *m_avatar = nullptr;
    LoadingCheckmark *m_loadingMark = nullptr;
    CircleButton *m_button = nullptr;
};
