#include "workspace/WelcomeSearchSection.h"
#include "workspace/ActionButtonsView.h"
#include "workspace/ImageCardView.h"
#include "workspace/WelcomeHeaderView.h"
#include "account/ProfileService.h"
#include "theme/ImageBlur.h"
#include "theme/Sizes.h"
#include "Platform/Assets.h"
#include "Platform/NotificationCenter.h"
#include "Platform/Scheduler.h"

#include <QPainter>
#include <QPainterPath>

namespace {
// The design's default spacing between the items of a column.
constexpr int columnSpacing = 8;
constexpr int logoBottomPadding = 36;
constexpr int headerBottomPadding = 80;
constexpr int cardsBottomPadding = 60;
constexpr qreal shadowRadius = 34;
constexpr qreal shadowOffsetY = 52;
constexpr qreal shadowOpacity = 0.12;
// Drawn at twice its size, so it stays sharp on the canvas up to full zoom.
constexpr qreal logoScale = 2.0;
}

const QList<WelcomeSearchSection::SamplePrompt> &WelcomeSearchSection::samplePrompts()
{
    static const QList<SamplePrompt> prompts{
        {QStringLiteral("Create an app to show my this week meetings and summary of it. Which help to get quick summary of the "
                        "people gonna meet, any previous meeting if i had with them etc. Also create a proper meeting prep that "
                        "helps me to drive each meeting productively. Make the app with dynamic colors and smooth interactive "
                        "animations. All buttons and Ul elements should be functional."),
         QStringLiteral("Install Calendar + Gmail"), QStringLiteral("img_card_1")},
        {QStringLiteral("Find all Apple purchases from the last 2 years"), QStringLiteral("Install Gmail + Google Drive"),
         QStringLiteral("img_card_2")},
        {QStringLiteral("Create a simple $5M financial plan in Google Sheets. Get more about Tavo Velmar to prepare the plan. "
                        "Then, use that financial plan to create an app that displays the output with interactive tables and "
                        "diagrams."),
         QStringLiteral("Install Google Sheets"), QStringLiteral("img_card_3")},
        {QStringLiteral("Write YC answers in Google Sheets"), QStringLiteral("Install Google Sheets"), QStringLiteral("img_card_4")},
        {QStringLiteral("Give me a summary of today\u2019s important emails"), QStringLiteral("Install Gmail"),
         QStringLiteral("img_card_5")},
    };
    return prompts;
}

WelcomeSearchSection::WelcomeSearchSection(Auth0Manager *identity, ProfileService *profiles, RemoteImageLoader *images,
                                           QWidget *parent)
    : QWidget(parent)
    , m_profiles(profiles)
{
    setObjectName(QStringLiteral("welcomeSearchSection"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    m_header = new WelcomeHeaderView(this);
    for (const SamplePrompt &prompt : samplePrompts()) {
        const QString text = prompt.title;
        auto *card = new ImageCardView(prompt.title, prompt.subtitle, prompt.imageName, [text] {
            // The prompt bar takes it; nothing is sent from here.
            NotificationCenter::defaultCenter().post(QStringLiteral("canvasInsertSearchText"), text);
        }, this);
        connect(card, &ImageCardView::scaleChanged, this, qOverload<>(&QWidget::update));
        m_cards << card;
    }
    m_actionButtons = new ActionButtonsView([] { NotificationCenter::defaultCenter().post(QStringLiteral("showCanvasProfileOverlay")); },
                                            identity, images, this);
    m_logo = Assets::pixmap(QStringLiteral("orlune_logo"), QSize(logoSize, logoSize), logoScale).toImage();

    // One shadow serves every card: the card's shape, blurred.
    const int pad = int(std::ceil(shadowRadius * 3));
    QImage shape(ImageCardView::cardSize + QSize(2 * pad, 2 * pad), QImage::Format_ARGB32_Premultiplied);
    shape.fill(Qt::transparent);
    {
        QPainter p(&shape);
        p.setRenderHint(QPainter::Antialiasing);
        QColor black(Qt::black);
        black.setAlphaF(shadowOpacity);
        p.setPen(Qt::NoPen);
        p.setBrush(black);
        p.drawRoundedRect(QRectF(QPointF(pad, pad), QSizeF(ImageCardView::cardSize)), ImageCardView::cornerRadius,
                          ImageCardView::cornerRadius);
    }
    m_cardShadow = ImageBlur::blurred(shape, shadowRadius / 2);
    layoutContent();
}

void WelcomeSearchSection::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_profiles)
        return;
    // Started on a later turn and not waited for; the service logs its own failures.
    QPointer<ProfileService> profiles = m_profiles;
    MainQueue::post(this, [profiles] {
        if (profiles)
            profiles->preloadProfile();
    });
}

void WelcomeSearchSection::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutContent();
}

void WelcomeSearchSection::layoutContent()
{
    const QSize headerSize = m_header->sizeHint();
    const QSize buttonsSize = m_actionButtons->sizeHint();
    const QSize card = ImageCardView::cardSize;
    const int rowWidth = int(m_cards.size()) * card.width() + int(m_cards.size() - 1) * cardSpacing;
    const int contentHeight = logoSize + logoBottomPadding + columnSpacing + headerSize.height() + headerBottomPadding + columnSpacing
        + card.height() + cardsBottomPadding + columnSpacing + buttonsSize.height();
    // The column is centred in the height left between its 16 pt paddings, and across.
    const int available = height() - 2 * int(Sizes::spacingL);
    int y = int(Sizes::spacingL) + std::max(0, (available - contentHeight) / 2);
    const int centreX = width() / 2;

    m_logoRect = QRect(centreX - logoSize / 2, y, logoSize, logoSize);
    y += logoSize + logoBottomPadding + columnSpacing;
    m_header->setGeometry(centreX - headerSize.width() / 2, y, headerSize.width(), headerSize.height());
    y += headerSize.height() + headerBottomPadding + columnSpacing;
    int x = centreX - rowWidth / 2;
    for (ImageCardView *c : std::as_const(m_cards)) {
        c->move(x - ImageCardView::margin, y - ImageCardView::margin);
        x += card.width() + cardSpacing;
    }
    y += card.height() + cardsBottomPadding + columnSpacing;
    m_actionButtons->setGeometry(centreX - buttonsSize.width() / 2, y, buttonsSize.width(), buttonsSize.height());
    update();
}

void WelcomeSearchSection::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    if (!m_logo.isNull()) {
        // Scaled to fill the square, aspect kept.
        const QSizeF size = QSizeF(m_logo.size()) / m_logo.devicePixelRatio();
        const qreal fill = std::max(m_logoRect.width() / size.width(), m_logoRect.height() / size.height());
        const QSizeF drawn = size * fill;
        p.drawImage(QRectF(QPointF(m_logoRect.center()) + QPointF(0.5, 0.5) - QPointF(drawn.width() / 2, drawn.height() / 2), drawn),
                    m_logo);
    }
    // Every card's shadow lies behind every card; it follows the card's scale.
    const qreal pad = (m_cardShadow.width() - ImageCardView::cardSize.width()) / 2.0;
    for (ImageCardView *c : std::as_const(m_cards)) {
        const QRectF card = c->scaledCardRect().translated(c->pos());
        const qreal s = c->currentScale();
        const QRectF target(card.left() - pad * s, card.top() - pad * s + shadowOffsetY, m_cardShadow.width() * s,
                            m_cardShadow.height() * s);
        p.drawImage(target, m_cardShadow);
    }
}
