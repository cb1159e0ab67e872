#include "workspace/ProfilePictureView.h"
#include "account/Auth0Manager.h"
#include "theme/CircleButton.h"
#include "theme/TemplateImage.h"
#include "widgets/LoadingCheckmark.h"
#include "widgets/RemoteImageLoader.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

namespace {
const QString kPlaceholder = QStringLiteral("person.crop.circle.fill");
}

// The circle's content: the picture scaled to fill, or the grey symbol.
class ProfilePictureView::Avatar : public QWidget {
public:
    explicit Avatar(ProfilePictureView *owner)
        : m_owner(owner)
    {
        setAttribute(Qt::WA_TranslucentBackground);
    }

protected:
    void resizeEvent(QResizeEvent *) override { m_owner->refreshLook(); }
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
        const QRectF r(rect());
        const QImage image = m_owner->pictureUrl() ? m_owner->cachedImage() : QImage();
        if (image.isNull()) {
            TemplateImage::draw(p, kPlaceholder, r, QColor(Qt::gray));
            return;
        }
        QPainterPath circle;
        circle.addEllipse(r);
        p.setClipPath(circle);
        const QSizeF size = image.size();
        const qreal fill = std::max(r.width() / size.width(), r.height() / size.height());
        const QSizeF drawn = size * fill;
        p.drawImage(QRectF(r.center() - QPointF(drawn.width() / 2, drawn.height() / 2), drawn), image);
    }

private:
    ProfilePictureView *m_owner;
};

ProfilePictureView::ProfilePictureView(std::function<void()> onShowProfile, Auth0Manager *identity, RemoteImageLoader *images,
                                       QWidget *parent)
    : QWidget(parent)
    , m_identity(identity)
    , m_images(images)
{
    setAttribute(Qt::WA_TranslucentBackground);
    m_avatar = new Avatar(this);
    m_button = new CircleButton(QString(), m_avatar, QStringLiteral("Profile"), buttonSize, std::move(onShowProfile), this);
    m_button->setObjectName(QStringLiteral("profileButton"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_button);
    m_loadingMark = new LoadingCheckmark(true, 0, m_avatar);
    m_loadingMark->setAttribute(Qt::WA_TransparentForMouseEvents);
    if (m_identity) {
        if (const auto profile = m_identity->userProfile())
            m_lastPicture = profile->picture;
        connect(m_identity, &Auth0Manager::userProfileChanged, this, &ProfilePictureView::identityChanged);
    }
    refreshLook();
}

std::optional<QUrl> ProfilePictureView::pictureUrl() const
{
    if (!m_identity)
        return std::nullopt;
    const auto profile = m_identity->userProfile();
    if (!profile || profile->picture.trimmed().isEmpty())
        return std::nullopt;
    const QUrl url(profile->picture.trimmed(), QUrl::StrictMode);
    const bool web = url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http");
    if (!url.isValid() || !web || url.host().isEmpty())
        return std::nullopt;
    return url;
}

bool ProfilePictureView::showsLoadingMark() const
{
    return m_isImageLoading && pictureUrl().has_value();
}

void ProfilePictureView::refreshLook()
{
    // The mark keeps its own 28 pt drawing; it is placed in a 16 pt frame at the centre.
    const QSize mark = m_loadingMark->size();
    m_loadingMark->move((m_avatar->width() - mark.width()) / 2, (m_avatar->height() - mark.height()) / 2);
    m_loadingMark->setLoading(showsLoadingMark());
    m_avatar->update();
}

void ProfilePictureView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (const auto url = pictureUrl())
        loadImage(*url);
    refreshLook();
}

void ProfilePictureView::identityChanged()
{
    const auto profile = m_identity ? m_identity->userProfile() : std::nullopt;
    const std::optional<QString> picture = profile ? std::optional<QString>(profile->picture) : std::nullopt;
    const bool changed = picture != m_lastPicture;
    m_lastPicture = picture;
    if (changed && isVisible()) {
        if (const auto url = pictureUrl())
            loadImage(*url);
    }
    refreshLook();
}

void ProfilePictureView::loadImage(const QUrl &url)
{
    const QString address = url.toString(QUrl::FullyEncoded);
    if (m_currentImageURL == address && (!m_cachedImage.isNull() || m_isImageLoading))
        return;
    m_currentImageURL = address;
    m_cachedImage = QImage();
    m_isImageLoading = true;
    refreshLook();
    RemoteImageLoader &loader = m_images ? *m_images : RemoteImageLoader::shared();
    QPointer<ProfilePictureView> self(this);
    loader.load(address, this, [self, address](const QImage &image) {
        if (self)
            self->applyDownloadedImage(address, image);
    });
}

void ProfilePictureView::applyDownloadedImage(const QString &address, const QImage &image)
{
    // A later request has taken over; its own result will be applied.
    if (!m_currentImageURL || *m_currentImageURL != address)
        return;
    m_isImageLoading = false;
    if (!image.isNull())
        m_cachedImage = image;
    else
        m_currentImageURL.reset(); // the next showing tries again
    refreshLook();
}
