#pragma once
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

class LoadingCheckmark;
class QLabel;
class QNetworkAccessManager;
class QPushButton;
class QShortcut;

// The card every onboarding step is shown in: a Close control above the card; inside it a
// header with Back and the product title, the signed-in user's picture, the step's own content
// and one wide Next button (Return is its shortcut while it is enabled). It owns no form data.
class OnboardingStepView : public QWidget {
    Q_OBJECT
public:
    struct Fields {
        QString title; // the step's name; kept, not drawn
        std::function<void()> onNext;
        std::function<void()> onBack; // none: the Back control does nothing
        std::function<void()> onClose; // none: the Close control does nothing
        bool isFirstStep = false; // no Back control, its place kept empty
        bool isLastStep = false; // the button reads "Finish"
        bool isNextEnabled = true;
        bool isTutorial = false; // no picture, more room under the header
        std::optional<QString> profileImageURL;
    };

    // Takes the content widget over.
    OnboardingStepView(Fields fields, QWidget *content, QWidget *parent = nullptr);
    ~OnboardingStepView() override;

    QString title() const { return m_fields.title; }
    bool isNextEnabled() const { return m_fields.isNextEnabled; }
    void setNextEnabled(bool enabled);

    // The address of the picture when it can be fetched (http or https), else none.
    static std::optional<QUrl> pictureUrl(const std::optional<QString> &address);
    // A download of the picture is running (true from creation while there is an address).
    bool isImageLoading() const { return m_isImageLoading; }
    QImage cachedImage() const { return m_cachedImage; }
    // Pictures larger than this are not downloaded.
    static constexpr qint64 maxImageBytes = 8 * 1024 * 1024;
    static constexpr int imageDeadlineMs = 30000;

protected:
    void showEvent(QShowEvent *event) override;

private:
    class Picture;
    class NextButton;
    class Card;
    void loadProfileImage(const QUrl &url);
    void setImageLoading(bool loading);

    Fields m_fields;
    std::optional<QUrl> m_pictureUrl;
    bool m_isImageLoading = true;
    QImage m_cachedImage;
    Picture *m_picture = nullptr;
    LoadingCheckmark *m_loadingMark = nullptr;
    NextButton *m_next = nullptr;
    QShortcut *m_returnKey = nullptr;
    QNetworkAccessManager *m_network = nullptr;
};
