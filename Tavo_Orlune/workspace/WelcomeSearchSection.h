#pragma once
#include <QImage>
#include <QList>
#include <QPointer>
#include <QWidget>

class ActionButtonsView;
class Auth0Manager;
class ImageCardView;
class ProfileService;
class RemoteImageLoader;
class WelcomeHeaderView;

// The canvas's welcome screen: a centred column of the product logo, the welcome title, a row
// of five sample prompt cards and, under them, the profile and store buttons. It has no text
// field of its own: a card hands its whole prompt to the canvas prompt bar by posting
// "canvasInsertSearchText" with the prompt as object; the avatar posts
// "showCanvasProfileOverlay". Each time it is shown it asks the profile service, on a later
// turn, to keep its cached profile fresh, and ignores the outcome.
class WelcomeSearchSection : public QWidget {
    Q_OBJECT
public:
    struct SamplePrompt {
        QString title;
        QString subtitle;
        QString imageName;
    };
    static const QList<SamplePrompt> &samplePrompts();

    static constexpr int logoSize = 160;
    static constexpr int cardSpacing = 34;

    // identity and profiles: the signed-in user's identity and profile cache (none: the avatar
    // shows the symbol and nothing is preloaded); images: none for the shared loader.
    WelcomeSearchSection(Auth0Manager *identity, ProfileService *profiles, RemoteImageLoader *images = nullptr,
                         QWidget *parent = nullptr);

    const QList<ImageCardView *> &cards() const { return m_cards; }
    WelcomeHeaderView *header() const { return m_header; }
    ActionButtonsView *actionButtons() const { return m_actionButtons; }
    // Where the logo is drawn.
    QRect logoRect() const { return m_logoRect; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void layoutContent();

    QPointer<ProfileService> m_profiles;
    WelcomeHeaderView *m_header;
    QList<ImageCardView *> m_cards;
    ActionButtonsView *m_actionButtons;
    QRect m_logoRect;
    QImage m_logo;
    QImage m_cardShadow;
};
