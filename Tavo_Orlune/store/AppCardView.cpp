#include "store/AppCardView.h"
#include "Platform/Assets.h"
#include "Platform/ModalPrompt.h"
#include "Platform/Scheduler.h"
#include "integrations/AppStoreModel.h"
#include "model/AppCategory.h"
#include "model/AppStoreData.h"
#include "theme/Animations.h"
#include "theme/Color.h"
#include "theme/Fonts.h"
#include "theme/ImageBlur.h"
#include "theme/ScaleEffect.h"
#include "theme/TavoCircleLoading.h"
#include "theme/TemplateImage.h"
#include "widgets/RemoteImageLoader.h"
#include "widgets/SVGMaskModifier.h"

#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRandomGenerator>
#include <QVariantAnimation>

namespace {
const QString kHoverChannel = QStringLiteral("hover");
const QString kAppearChannel = QStringLiteral("appear");
const QString kSymbol = QStringLiteral("app.fill");
constexpr qreal kHoverScale = 1.02;
constexpr int kAppearMaxDelayMs = 200;
constexpr int kAppearMs = 300;
constexpr int kTileInset = 16;
constexpr qreal kSmallTileRadius = 20;
constexpr int kDeleteIcon = 16;
constexpr int kDeletePadding = 16;

// A resource image fitted into rect (aspect ratio kept, centred).
void drawFitted(QPainter &p, const QString &name, const QRectF &rect, qreal dpr)
{
    const QPixmap natural = Assets::pixmap(name, QSize());
    if (natural.isNull())
        return;
    const QSize fitted = natural.size().scaled(rect.size().toSize(), Qt::KeepAspectRatio);
    const QPixmap pm = Assets::pixmap(name, fitted, dpr);
    p.drawPixmap(QPointF(rect.center().x() - fitted.width() / 2.0, rect.center().y() - fitted.height() / 2.0), pm);
}

// A resource image filling rect (aspect ratio kept, the overflow cut by the caller's clip).
void drawFilled(QPainter &p, const QString &name, const QRectF &rect, qreal dpr)
{
    const QPixmap natural = Assets::pixmap(name, QSize());
    if (natural.isNull())
        return;
    const QSize filled = natural.size().scaled(rect.size().toSize(), Qt::KeepAspectRatioByExpanding);
    const QPixmap pm = Assets::pixmap(name, filled, dpr);
    p.drawPixmap(QPointF(rect.center().x() - filled.width() / 2.0, rect.center().y() - filled.height() / 2.0), pm);
}

QRectF filledSquare(const QRectF &rect)
{
    const qreal side = qMax(rect.width(), rect.height());
    return QRectF(rect.center().x() - side / 2, rect.center().y() - side / 2, side, side);
}

QColor withOpacity(QColor c, qreal opacity)
{
    c.setAlphaF(c.alphaF() * opacity);
    return c;
}
} // namespace

AppCardView::AppCardView(AppStoreData *app, bool isFeatured, AppCardSize size, const QString &iconMaskName,
                         AppStoreModel *viewModel, QWidget *parent)
    : QWidget(parent)
    , m_app(app)
    , m_isFeatured(isFeatured)
    , m_size(size)
    , m_iconMaskName(iconMaskName)
    , m_viewModel(viewModel)
{
    // The card is built inside a store view that provides its model; without one it is a
    // programming error, not a state to draw.
    if (!viewModel || !app)
        qFatal("AppCardView needs an app and the store model");

    setFixedSize(AppCardMetrics::cardSize(size));
    m_button = new AppCardActionButton(app, viewModel, AppCardMetrics::buttonWidth(size), this);
    // The button row is 24 wider than the button; like the design, it overhangs the card
    // equally on both sides and the card's clip decides what shows.
    m_button->move((width() - m_button->width()) / 2, height() - m_button->height());

    m_tileSpinner = new TavoCircleLoading(20, Color::accentBlue(), this);
    m_tileSpinner->setAttribute(Qt::WA_TransparentForMouseEvents);
    const QSize spin = m_tileSpinner->sizeHint();
    m_tileSpinner->setGeometry(QRect(tileRect().center() - QPoint(spin.width() / 2, spin.height() / 2), spin));
    m_tileSpinner->hide();

    m_deleteControl = new QPushButton(this);
    m_deleteControl->setFlat(true);
    m_deleteControl->setFocusPolicy(Qt::NoFocus);
    m_deleteControl->setCursor(Qt::PointingHandCursor);
    m_deleteControl->setIcon(Assets::icon(QStringLiteral("btn_delete")));
    m_deleteControl->setIconSize(QSize(kDeleteIcon, kDeleteIcon));
    m_deleteControl->setAccessibleName(tr("Uninstall App"));
    m_deleteControl->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; }"));
    const int side = kDeleteIcon + 2 * kDeletePadding;
    m_deleteControl->setGeometry(width() - side, 0, side, side);
    m_deleteControl->hide();
    connect(m_deleteControl, &QPushButton::clicked, this, &AppCardView::confirmUninstall);

    m_hoverAnimation = new QVariantAnimation(this);
    connect(m_hoverAnimation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &v) { ScaleEffect::of(this)->setScale(kHoverChannel, v.toReal()); });
    m_appearAnimation = new QVariantAnimation(this);
    m_appearAnimation->setDuration(kAppearMs);
    m_appearAnimation->setEasingCurve(QEasingCurve::InQuad);
    connect(m_appearAnimation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &v) { ScaleEffect::of(this)->setOpacity(kAppearChannel, v.toReal()); });
    ScaleEffect::of(this)->setOpacity(kAppearChannel, 0.0);

    for (auto signal : {&AppStoreData::nameChanged, &AppStoreData::developerChanged, &AppStoreData::categoryChanged,
                        &AppStoreData::iconNameChanged, &AppStoreData::pipedreamIdChanged, &AppStoreData::isInstalledChanged})
        connect(app, signal, this, &AppCardView::refresh);
    refresh();
}

AppCardView::~AppCardView() = default;

QSize AppCardView::sizeHint() const
{
    return AppCardMetrics::cardSize(m_size);
}

AppCardView::IconContent AppCardView::tileContent() const
{
    if (!m_appIcon.isNull())
        return IconContent::Logo;
    if (m_isLoadingIcon)
        return IconContent::Spinner;
    // A catalog app without its logo shows the symbol, even when it names a resource image:
    // only apps outside the catalog show theirs.
    if (m_app && m_app->pipedreamId())
        return IconContent::Symbol;
    if (m_app && !m_app->iconName().isEmpty())
        return IconContent::Resource;
    return IconContent::Symbol;
}

AppCardView::IconContent AppCardView::backdropContent() const
{
    if (!m_appIcon.isNull())
        return IconContent::Logo;
    if (m_app && m_app->pipedreamId())
        return IconContent::Symbol;
    if (m_app && !m_app->iconName().isEmpty())
        return IconContent::Resource;
    return IconContent::Symbol;
}

QString AppCardView::secondLine() const
{
    if (!m_app)
        return {};
    if (m_size == AppCardSize::Large)
        return m_app->developer().isEmpty() ? QStringLiteral("Integration") : m_app->developer();
    return rawValue(appCategoryFromRaw(m_app->category()).value_or(AppCategory::Productivity));
}

bool AppCardView::isDeleteControlShown() const
{
    return m_isHovered && m_app && m_app->isInstalled() && m_app->pipedreamId() != preinstalledCatalogId();
}

void AppCardView::setHovered(bool hovered)
{
    if (hovered == m_isHovered)
        return;
    m_isHovered = hovered;
    m_hoverAnimation->stop();
    m_hoverAnimation->setStartValue(ScaleEffect::of(this)->scale());
    m_hoverAnimation->setEndValue(hovered ? kHoverScale : 1.0);
    Animations::standardSpring().apply(m_hoverAnimation);
    m_hoverAnimation->start();
    refresh();
}

void AppCardView::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    setHovered(true);
}

void AppCardView::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    setHovered(false);
}

void AppCardView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    appear();
    loadIconIfNeeded();
}

void AppCardView::appear()
{
    if (m_hasAppeared || m_appearScheduled)
        return;
    m_appearScheduled = true;
    // Cards of one grid come in staggered, each after its own delay.
    const int delay = int(QRandomGenerator::global()->bounded(kAppearMaxDelayMs + 1));
    QPointer<AppCardView> guard(this);
    Scheduler::instance().singleShot(delay, this, [guard] {
        if (!guard)
            return;
        guard->m_hasAppeared = true;
        guard->m_appearAnimation->setStartValue(0.0);
        guard->m_appearAnimation->setEndValue(1.0);
        guard->m_appearAnimation->start();
    });
}

void AppCardView::loadIconIfNeeded()
{
    if (!m_app)
        return;
    const std::optional<QString> address = m_app->iconURL();
    if (!address || address->isEmpty() || !m_appIcon.isNull() || m_isLoadingIcon)
        return;
    m_isLoadingIcon = true;
    refresh();
    loadIcon(*address);
}

void AppCardView::loadIcon(const QString &address)
{
    QPointer<AppCardView> guard(this);
    RemoteImageLoader::shared().load(address, this, [guard](const QImage &image) {
        if (!guard)
            return;
        if (!image.isNull()) {
            // Kept only as a small square bitmap; a logo that is not square is stretched to it.
            const qreal dpr = guard->devicePixelRatioF();
            const int side = qRound(AppCardMetrics::iconTileSide * dpr);
            QImage icon = image.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                              .scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            icon.setDevicePixelRatio(dpr);
            guard->m_appIcon = icon;
        }
        guard->m_isLoadingIcon = false;
        guard->refresh();
    });
}

void AppCardView::confirmUninstall()
{
    if (!m_app || m_showDeleteConfirmation)
        return;
    m_showDeleteConfirmation = true;
    PromptRequest request;
    request.title = tr("Uninstall App");
    request.text = tr("Are you sure you want to uninstall '%1'?\n\nThis will remove the app and all its data.").arg(m_app->name());
    request.buttons = {tr("Cancel"), tr("Uninstall")};
    request.style = PromptRequest::Style::Warning;
    request.cancelIndex = 0;
    QPointer<AppCardView> guard(this);
    ModalPrompt::askAsync(request, this, [guard](int choice) {
        if (!guard)
            return;
        guard->m_showDeleteConfirmation = false;
        if (choice == 1 && guard->m_viewModel && guard->m_app)
            guard->m_viewModel->uninstallApp(guard->m_app);
    }, window());
}

void AppCardView::refresh()
{
    m_deleteControl->setVisible(isDeleteControlShown());
    m_deleteControl->raise();
    m_tileSpinner->setVisible(tileContent() == IconContent::Spinner);
    update();
}

QRect AppCardView::tileRect() const
{
    return QRect(kTileInset, kTileInset, AppCardMetrics::iconTileSide, AppCardMetrics::iconTileSide);
}

QImage AppCardView::tileImage(qreal dpr)
{
    const IconContent content = tileContent();
    const QString iconName = m_app ? m_app->iconName() : QString();
    const QString key = QStringLiteral("%1|%2|%3|%4").arg(int(content)).arg(m_appIcon.cacheKey()).arg(iconName).arg(dpr);
    if (key == m_tileKey && !m_tile.isNull())
        return m_tile;

    const qreal side = AppCardMetrics::iconTileSide;
    const QRectF frame(0, 0, side, side);
    QImage tile(QSize(qRound(side * dpr), qRound(side * dpr)), QImage::Format_ARGB32_Premultiplied);
    tile.setDevicePixelRatio(dpr);
    tile.fill(Qt::white);
    QPainter p(&tile);
    p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    const qreal logo = AppCardMetrics::logoSide;
    const QRectF inner(frame.center().x() - logo / 2, frame.center().y() - logo / 2, logo, logo);
    switch (content) {
    case IconContent::Logo:
        p.drawImage(inner, m_appIcon);
        break;
    case IconContent::Spinner:
        break; // the spinner widget turns above the white tile
    case IconContent::Symbol:
        TemplateImage::draw(p, kSymbol, frame, Color::textPrimary());
        break;
    case IconContent::Resource:
        drawFitted(p, iconName, m_size == AppCardSize::Large ? inner : frame, dpr);
        break;
    }
    p.end();
    tile = SVGMaskModifier(m_iconMaskName).apply(tile);
    if (m_size == AppCardSize::Small) {
        QImage clipped(tile.size(), QImage::Format_ARGB32_Premultiplied);
        clipped.setDevicePixelRatio(dpr);
        clipped.fill(Qt::transparent);
        QPainter c(&clipped);
        c.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(frame, kSmallTileRadius, kSmallTileRadius);
        c.setClipPath(path);
        c.drawImage(QPointF(0, 0), tile);
        c.end();
        tile = clipped;
    }
    m_tile = tile;
    m_tileKey = key;
    return m_tile;
}

QImage AppCardView::backdropImage(qreal dpr)
{
    const IconContent content = backdropContent();
    const QString iconName = m_app ? m_app->iconName() : QString();
    const QString key = QStringLiteral("%1|%2|%3|%4").arg(int(content)).arg(m_appIcon.cacheKey()).arg(iconName).arg(dpr);
    if (key == m_backdropKey && !m_backdrop.isNull())
        return m_backdrop;

    const QRectF frame(QPointF(0, 0), QSizeF(size()));
    QImage source((frame.size() * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    source.setDevicePixelRatio(dpr);
    source.fill(Qt::transparent);
    QPainter p(&source);
    p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    switch (content) {
    case IconContent::Logo:
        p.drawImage(filledSquare(frame), m_appIcon);
        break;
    case IconContent::Resource:
        drawFilled(p, iconName, frame, dpr);
        break;
    case IconContent::Spinner:
    case IconContent::Symbol:
        TemplateImage::draw(p, kSymbol, filledSquare(frame), withOpacity(Color::textPrimary(), 0.3));
        break;
    }
    p.end();
    m_backdrop = ImageBlur::blurred(source, backdropBlur);
    m_backdropKey = key;
    return m_backdrop;
}

void AppCardView::paintEvent(QPaintEvent *)
{
    const qreal dpr = devicePixelRatioF();
    QPainter p(this);
    p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing);
    const QRectF card(rect());
    QPainterPath shape;
    shape.addRoundedRect(card, cornerRadius, cornerRadius);
    p.setClipPath(shape);

    // The blurred logo under a 90 % panel tints the card with the app's colours.
    p.drawImage(QPointF(0, 0), backdropImage(dpr));
    p.fillPath(shape, Color::cardHighlight());
    p.strokePath(shape, QPen(Color::cardOutline(), 2));
    p.drawImage(QPointF(tileRect().topLeft()), tileImage(dpr));

    if (!m_app)
        return;
    const QFont &nameFont = Fonts::emphasisFont();
    const QFont &lineFont = m_size == AppCardSize::Large ? Fonts::bodyFont() : Fonts::captionFont();
    const QFontMetricsF nameMetrics(nameFont);
    const QFontMetricsF lineMetrics(lineFont);
    QRectF nameRect;
    QRectF lineRect;
    if (m_size == AppCardSize::Large) {
        // Low in the card: 44 above the button, 8 between the lines.
        const qreal left = 16;
        const qreal w = card.width() - 2 * left;
        const qreal bottom = m_button->y() - 44;
        lineRect = QRectF(left, bottom - lineMetrics.height(), w, lineMetrics.height());
        nameRect = QRectF(left, lineRect.top() - 8 - nameMetrics.height(), w, nameMetrics.height());
    } else {
        // Beside the tile, 12 from it, the block centred on the tile, 4 between the lines.
        const qreal left = tileRect().right() + 1 + 12;
        const qreal w = card.width() - 16 - left;
        const qreal blockHeight = nameMetrics.height() + 4 + lineMetrics.height();
        const qreal top = tileRect().center().y() + 0.5 - blockHeight / 2;
        nameRect = QRectF(left, top, w, nameMetrics.height());
        lineRect = QRectF(left, nameRect.bottom() + 4, w, lineMetrics.height());
    }
    p.setFont(nameFont);
    p.setPen(Color::textPrimary());
    p.drawText(nameRect, Qt::AlignLeft | Qt::AlignVCenter, nameMetrics.elidedText(m_app->name(), Qt::ElideRight, nameRect.width()));
    p.setFont(lineFont);
    p.setPen(withOpacity(Color::textPrimary(), 0.6));
    p.drawText(lineRect, Qt::AlignLeft | Qt::AlignVCenter, lineMetrics.elidedText(secondLine(), Qt::ElideRight, lineRect.width()));
}
