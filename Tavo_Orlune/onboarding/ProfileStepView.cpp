#include "onboarding/ProfileStepView.h"
#include "onboarding/EmptyProfileView.h"
#include "onboarding/ProfileEntrance.h"
#include "onboarding/ProfileErrorView.h"
#include "onboarding/ProfileFieldsView.h"
#include "onboarding/ProfileDisplayField.h"
#include "onboarding/ProfileLoadingView.h"
#include "onboarding/ProfilePillButton.h"
#include "account/Auth0Manager.h"
#include "account/ProfileViewModel.h"
#include "theme/Color.h"
#include "theme/Fonts.h"
#include "theme/Materials.h"
#include "theme/TemplateImage.h"
#include "widgets/LoadingCheckmark.h"
#include "widgets/RemoteImageLoader.h"
#include "Platform/Assets.h"
#include "Platform/Scheduler.h"

#include <QEnterEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr qreal cardRadius = 30;

QLabel *textLabel(const QString &text, const QFont &font, const QColor &color, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    label->setAlignment(Qt::AlignHCenter);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}
}

// The frosted card: its outline and shadow deepen while the pointer is over it.
class ProfileStepView::Card : public QWidget {
public:
    explicit Card(ProfileStepView *owner)
        : QWidget(owner)
        , m_owner(owner)
    {
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_Hover);
    }

protected:
    bool event(QEvent *e) override
    {
        // The hover flag is written on the next turn, as the design has it.
        if (e->type() == QEvent::HoverEnter || e->type() == QEvent::HoverLeave) {
            const bool hovered = e->type() == QEvent::HoverEnter;
            QPointer<ProfileStepView> owner(m_owner);
            MainQueue::post(this, [owner, hovered] {
                if (owner)
                    owner->setCardHovered(hovered);
            });
        }
        return QWidget::event(e);
    }
    // A click on the card never reaches the backdrop behind it.
    void mousePressEvent(QMouseEvent *e) override { e->accept(); }
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const bool hovered = m_owner->m_cardHovered;
        const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
        QPainterPath shape;
        shape.addRoundedRect(r, cardRadius, cardRadius);
        p.fillPath(shape, Materials::ultraThin());
        QColor stroke(Qt::white);
        stroke.setAlphaF(0.8 * (hovered ? 0.9 : 0.8));
        p.setPen(QPen(stroke, hovered ? 1.5 : 1.0));
        p.drawPath(shape);
    }

private:
    ProfileStepView *m_owner;
};

// The round picture, or the grey symbol, with a white hairline.
class ProfileStepView::Avatar : public QWidget {
public:
    explicit Avatar(ProfileStepView *owner, QWidget *parent)
        : QWidget(parent)
        , m_owner(owner)
    {
        setFixedSize(avatarSize, avatarSize);
        setAttribute(Qt::WA_TranslucentBackground);
    }

protected:
    void showEvent(QShowEvent *event) override
    {
        QWidget::showEvent(event);
        // Every time the avatar comes on screen the picture is fetched again.
        if (const auto url = m_owner->pictureUrl())
            m_owner->loadProfileImage(*url);
    }
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
        const QRectF r(rect());
        const QImage image = m_owner->pictureUrl() ? m_owner->m_cachedImage : QImage();
        if (image.isNull()) {
            TemplateImage::draw(p, QStringLiteral("person.crop.circle.fill"), r, QColor(Qt::gray));
        } else {
            p.save();
            QPainterPath circle;
            circle.addEllipse(r);
            p.setClipPath(circle);
            const QSizeF size = image.size();
            const qreal fill = std::max(r.width() / size.width(), r.height() / size.height());
            const QSizeF drawn = size * fill;
            p.drawImage(QRectF(r.center() - QPointF(drawn.width() / 2, drawn.height() / 2), drawn), image);
            p.restore();
        }
        p.setPen(QPen(Qt::white, 1));
        p.drawEllipse(r.adjusted(0.5, 0.5, -0.5, -0.5));
    }

private:
    ProfileStepView *m_owner;
};

ProfileStepView::ProfileStepView(ProfileViewModel *profileViewModel, std::function<void()> onClose, std::function<void()> signOut,
                                 Auth0Manager *identity, RemoteImageLoader *images, QWidget *parent)
    : QWidget(parent)
    , m_profileViewModel(profileViewModel)
    , m_onClose(std::move(onClose))
    , m_signOut(std::move(signOut))
    , m_identity(identity)
    , m_images(images)
{
    setObjectName(QStringLiteral("profileStepView"));
    setAttribute(Qt::WA_TranslucentBackground);
    setMaximumWidth(maxWidth);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 20, 0, 20);
    outer->setSpacing(8);

    auto *close = new QToolButton(this);
    close->setObjectName(QStringLiteral("profileCloseButton"));
    close->setAutoRaise(true);
    close->setIcon(Assets::icon(QStringLiteral("ic_close")));
    close->setIconSize(QSize(32, 32));
    close->setFixedSize(32, 32);
    close->setStyleSheet(QStringLiteral("QToolButton { border: none; background: transparent; }"));
    close->setCursor(Qt::PointingHandCursor);
    connect(close, &QToolButton::clicked, this, [this] {
        if (m_onClose)
            m_onClose();
    });
    m_closeButton = close;
    outer->addWidget(close, 0, Qt::AlignHCenter);
    outer->addSpacing(16 - 8);

    m_card = new Card(this);
    m_card->setObjectName(QStringLiteral("profileCard"));
    auto *column = new QVBoxLayout(m_card);
    column->setContentsMargins(28, 36, 28, 28);
    column->setSpacing(8);
    outer->addWidget(m_card);

    auto *header = new QHBoxLayout;
    header->addSpacing(32);
    header->addStretch(1);
    m_title = textLabel(tr("Profile"), Fonts::headlineFont(), Color::textPrimary(), m_card);
    header->addWidget(m_title);
    header->addStretch(1);
    header->addSpacing(32);
    column->addLayout(header);
    column->addSpacing(20);

    m_avatarGroup = new QWidget(m_card);
    m_avatarGroup->setAttribute(Qt::WA_TranslucentBackground);
    m_avatarGroup->setFixedSize(avatarSize, avatarSize);
    m_avatar = new Avatar(this, m_avatarGroup);
    m_loadingMark = new LoadingCheckmark(pictureUrl().has_value(), 0, m_avatarGroup);
    m_loadingMark->setAttribute(Qt::WA_TransparentForMouseEvents);
    // Centred 8 pt right of the picture's centre.
    m_loadingMark->move((avatarSize - m_loadingMark->width()) / 2 + 8, (avatarSize - m_loadingMark->height()) / 2);
    column->addWidget(m_avatarGroup, 0, Qt::AlignHCenter);
    column->addSpacing(43);

    m_contentArea = new QVBoxLayout;
    m_contentArea->setSpacing(16);
    column->addLayout(m_contentArea);

    QColor noteColor = Color::textPrimary();
    noteColor.setAlphaF(0.6);
    column->addSpacing(20);
    m_note = textLabel(tr("Profile editing coming soon."), Fonts::smallFont(), noteColor, m_card);
    column->addWidget(m_note, 0, Qt::AlignHCenter);
    column->addSpacing(4);
    m_logoutButton = new ProfilePillButton(tr("Logout"), [this] { performLogout(); }, m_card);
    m_logoutButton->setObjectName(QStringLiteral("logoutButton"));
    column->addWidget(m_logoutButton, 0, Qt::AlignHCenter);

    if (m_profileViewModel) {
        connect(m_profileViewModel, &ProfileViewModel::isLoadingChanged, this, &ProfileStepView::rebuildContent);
        connect(m_profileViewModel, &ProfileViewModel::errorMessageChanged, this, &ProfileStepView::rebuildContent);
        connect(m_profileViewModel, &ProfileViewModel::userProfileChanged, this, &ProfileStepView::rebuildContent);
    }
    rebuildContent();

    // Created hidden: every part waits in its hidden look for showCard.
    ProfileEntrance::hide(m_closeButton, 0.5, 0.0);
    ProfileEntrance::hide(m_title, 0.8, 0.0);
    ProfileEntrance::hide(m_avatarGroup, 0.3, 0.0);
    ProfileEntrance::hide(m_note, 1.0, 0.0);
    ProfileEntrance::hide(m_logoutButton, 0.8, 0.0);
    ProfileEntrance::hide(m_card, 0.9, 1.0);
}

std::optional<QUrl> ProfileStepView::pictureUrl() const
{
    if (!m_identity)
        return std::nullopt;
    const auto profile = m_identity->userProfile();
    if (!profile)
        return std::nullopt;
    const QUrl url(profile->picture.trimmed(), QUrl::StrictMode);
    const bool web = url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http");
    if (profile->picture.trimmed().isEmpty() || !url.isValid() || !web || url.host().isEmpty())
        return std::nullopt;
    return url;
}

ProfileStepView::Content ProfileStepView::contentFor(const ProfileViewModel &model)
{
    return contentFor(model.isLoading(), model.errorMessage().has_value(), model.userProfile().has_value());
}

ProfileStepView::Content ProfileStepView::contentFor(bool isLoading, bool hasError, bool hasProfile)
{
    if (isLoading)
        return Content::loading;
    if (hasError)
        return Content::error;
    return hasProfile ? Content::fields : Content::empty;
}

void ProfileStepView::rebuildContent()
{
    const Content content = m_profileViewModel ? contentFor(*m_profileViewModel) : Content::empty;
    if (m_contentView) {
        m_contentArea->removeWidget(m_contentView);
        m_contentView->hide();
        m_contentView->deleteLater();
        m_contentView = nullptr;
    }
    m_content = content;
    switch (content) {
    case Content::loading:
        m_contentView = new ProfileLoadingView(m_showCard, m_card);
        break;
    case Content::error: {
        QPointer<ProfileViewModel> model = m_profileViewModel;
        m_contentView = new ProfileErrorView(m_profileViewModel->errorMessageText(), m_showCard, [model] {
            // Started on a later turn, as a task of its own.
            if (model)
                MainQueue::post(model, [model] {
                    if (model)
                        model->refreshProfile();
                });
        }, m_card);
        break;
    }
    case Content::fields:
        m_contentView = new ProfileFieldsView(*m_profileViewModel->userProfile(), m_showCard, m_card);
        break;
    case Content::empty:
        m_contentView = new EmptyProfileView(m_showCard, m_card);
        break;
    }
    m_contentView->setObjectName(QStringLiteral("profileContent"));
    m_contentArea->addWidget(m_contentView, 0, Qt::AlignHCenter);
}

void ProfileStepView::setShowCard(bool showCard)
{
    if (m_showCard == showCard)
        return;
    m_showCard = showCard;
    if (!showCard)
        return;
    ProfileEntrance::show(m_card, 0, Spring{0.7, 0.8}, 0.9, 1.0);
    ProfileEntrance::show(m_closeButton, 100, Spring{0.4, 0.8}, 0.5, 0.0);
    ProfileEntrance::show(m_title, 150, Spring{0.5, 0.8}, 0.8, 0.0);
    ProfileEntrance::show(m_avatarGroup, 200, Spring{0.6, 0.7}, 0.3, 0.0);
    ProfileEntrance::show(m_note, 1000, Spring{0.4, 1.0}, 1.0, 0.0);
    ProfileEntrance::show(m_logoutButton, 1200, Spring{0.4, 0.8}, 0.8, 0.0);
    if (auto *fields = qobject_cast<ProfileFieldsView *>(m_contentView)) {
        for (ProfileDisplayField *row : fields->rows())
            row->setShowCard(true);
    } else if (auto *status = qobject_cast<ProfileStatusFrame *>(m_contentView)) {
        status->reveal();
    }
}

void ProfileStepView::setCardHovered(bool hovered)
{
    if (m_cardHovered == hovered)
        return;
    m_cardHovered = hovered;
    m_card->update();
}

void ProfileStepView::loadProfileImage(const QUrl &url)
{
    m_isImageLoading = true;
    m_loadingMark->setLoading(true);
    RemoteImageLoader &loader = m_images ? *m_images : RemoteImageLoader::shared();
    QPointer<ProfileStepView> self(this);
    loader.load(url.toString(QUrl::FullyEncoded), this, [self](const QImage &image) {
        if (!self)
            return;
        if (!image.isNull())
            self->m_cachedImage = image;
        self->m_isImageLoading = false;
        self->m_loadingMark->setLoading(false);
        self->m_avatar->update();
    });
}

void ProfileStepView::performLogout()
{
    // The overlay starts to close before the sign-out begins.
    if (m_onClose)
        m_onClose();
    if (m_signOut)
        m_signOut();
}

QWidget *ProfileStepView::card() const
{
    return m_card;
}
