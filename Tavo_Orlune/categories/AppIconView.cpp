#include "categories/AppIconView.h"

#include "Platform/Assets.h"
#include "theme/Color.h"
#include "theme/ImageBlur.h"
#include "Platform/Scheduler.h"
#include "theme/Sizes.h"
#include "categories/TaskCardBehaviours.h"
#include "model/AppIconData.h"

#include <QPainter>
#include <QSvgRenderer>

namespace {
constexpr int kMainEdge = int(Sizes::appIconSize) + 8;
constexpr int kOtherEdge = std::max(int(Sizes::appIconSize) - 8, 8);
constexpr qreal kShadowRadius = 12;
constexpr qreal kShadowOffsetY = 8;
const QString kMaskName = QStringLiteral("app_icon_mask");

// Renders an asset fitted (aspect ratio kept) and centred in rect.
void drawFitted(QPainter &p, const QString &name, const QRectF &rect)
{
    const QString path = Assets::path(name);
    if (path.isEmpty())
        return;
    if (path.endsWith(u".svg")) {
        QSvgRenderer svg(path);
        const QSizeF fitted = QSizeF(svg.defaultSize()).scaled(rect.size(), Qt::KeepAspectRatio);
        svg.render(&p, QRectF(rect.center() - QPointF(fitted.width() / 2, fitted.height() / 2), fitted));
    } else {
        const QImage img(path);
        const QSizeF fitted = QSizeF(img.size()).scaled(rect.size(), Qt::KeepAspectRatio);
        p.drawImage(QRectF(rect.center() - QPointF(fitted.width() / 2, fitted.height() / 2), fitted), img);
    }
}
} // namespace

AppIconView::AppIconView(AppIconData *app, bool isMain, std::optional<QSize> customSize, QWidget *parent)
    : QWidget(parent)
    , m_app(app)
    , m_isMain(isMain)
    , m_customSize(customSize)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    resize(sizeHint());
    if (app) {
        connect(app, &AppIconData::iconNameChanged, this, [this] {
            update();
            checkImageExists();
        });
    }
}

void AppIconView::setIsMain(bool isMain)
{
    if (isMain == m_isMain)
        return;
    m_isMain = isMain;
    updateGeometry();
    update();
}

void AppIconView::setCustomSize(std::optional<QSize> size)
{
    if (size == m_customSize)
        return;
    m_customSize = size;
    updateGeometry();
    update();
}

QSize AppIconView::iconSize() const
{
    if (m_customSize)
        return *m_customSize;
    return m_isMain ? QSize(kMainEdge, kMainEdge) : QSize(kOtherEdge, kOtherEdge);
}

QRect AppIconView::iconRect() const
{
    const QSize s = iconSize();
    return QRect(QPoint((width() - s.width()) / 2, (height() - s.height()) / 2), s);
}

void AppIconView::setIconGeometry(const QRect &frame)
{
    setGeometry(frame.adjusted(-shadowMargin, -shadowMargin, shadowMargin, shadowMargin));
}

QString AppIconView::pictureName() const
{
    const QString name = m_app ? m_app->iconName() : QString();
    return m_imageExists && !name.isEmpty() ? name : TaskCardBehaviours::placeholderIconName;
}

void AppIconView::checkImageExists()
{
    const QString name = m_app ? m_app->iconName() : QString();
    const bool result = !name.isEmpty() && Assets::has(name);
    if (result == m_imageExists)
        return;
    MainQueue::post(this, [this, result] {
        if (result == m_imageExists)
            return;
        m_imageExists = result;
        update();
        Q_EMIT imageExistsChanged(result);
    });
}

QSize AppIconView::sizeHint() const
{
    return iconSize() + QSize(2 * shadowMargin, 2 * shadowMargin);
}

void AppIconView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    checkImageExists();
}

QImage AppIconView::composite(qreal dpr)
{
    const QSize s = iconSize();
    const QString key = pictureName() + QLatin1Char('@') + QString::number(s.width()) + QLatin1Char('x')
                        + QString::number(s.height()) + QLatin1Char('@') + QString::number(dpr);
    if (key == m_cacheKey && !m_composite.isNull())
        return m_composite;
    m_cacheKey = key;
    QImage img((QSizeF(s) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(dpr);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF bounds(QPointF(0, 0), QSizeF(s));
    p.fillRect(bounds, Color::hex(u"#FFFFFF", 0.8));
    drawFitted(p, pictureName(), bounds);
    if (Assets::has(kMaskName)) {
        // Keep only what lies inside the icon shape.
        p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        drawFitted(p, kMaskName, bounds);
    }
    p.end();
    m_composite = img;
    m_shadow = QImage();
    return m_composite;
}

QImage AppIconView::shadow(qreal dpr)
{
    if (!m_shadow.isNull())
        return m_shadow;
    const QImage shape = composite(dpr);
    const QSize bounds = iconSize() + QSize(2 * shadowMargin, 2 * shadowMargin);
    QImage img(bounds * dpr, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(dpr);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.drawImage(QPointF(shadowMargin, shadowMargin), shape);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    QColor c = Color::textPrimary();
    c.setAlphaF(0.08f);
    p.fillRect(QRectF(QPointF(0, 0), QSizeF(bounds)), c);
    p.end();
    m_shadow = ImageBlur::blurred(img, kShadowRadius / 2);
    return m_shadow;
}

void AppIconView::paintIcon(QPainter &p, const QRectF &frame)
{
    const qreal dpr = std::max<qreal>(1.0, p.device() ? p.device()->devicePixelRatioF() : 1.0);
    const QImage picture = composite(dpr);
    const QImage s = shadow(dpr);
    const QSizeF edge = iconSize();
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    // The pictures are made at the icon's own size; a frame of another size scales them.
    p.translate(frame.topLeft());
    p.scale(frame.width() / edge.width(), frame.height() / edge.height());
    p.drawImage(QPointF(-shadowMargin, -shadowMargin + kShadowOffsetY), s);
    p.drawImage(QPointF(0, 0), picture);
    p.restore();
}

void AppIconView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const qreal dpr = devicePixelRatioF();
    const QImage picture = composite(dpr);
    const QRect frame = iconRect();
    if (size() == iconSize() + QSize(2 * shadowMargin, 2 * shadowMargin)) {
        const QImage s = shadow(dpr);
        p.drawImage(QPointF(frame.left() - shadowMargin, frame.top() - shadowMargin + kShadowOffsetY), s);
    }
    p.drawImage(frame.topLeft(), picture);
}
