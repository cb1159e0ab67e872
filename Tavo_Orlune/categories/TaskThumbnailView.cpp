#include "categories/TaskThumbnailView.h"

#include "categories/AppIconRow.h"
#include "Platform/Assets.h"
#include "categories/BlurredIconCache.h"
#include "theme/HoverScaleEffectModifier.h"
#include "theme/Sizes.h"
#include "categories/TaskCardBehaviours.h"
#include "model/AppIconData.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr qreal kRadius = Sizes::thumbnailCornerRadius;
constexpr QSize kSize(int(Sizes::thumbnailWidth), int(Sizes::thumbnailHeight));
constexpr int kPlaceholderEdge = 40;
constexpr qreal kPlaceholderRadius = 12;

QPainterPath roundedPath(const QRectF &r, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

// The hairline drawn over the icons.
class ThumbnailBorder : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPen pen(QColor(255, 255, 255, 204), 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        pen.setMiterLimit(10);
        p.setPen(pen);
        p.drawPath(roundedPath(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kRadius));
    }
};
} // namespace

TaskThumbnailView::TaskThumbnailView(const LinearGradient &gradient, QWidget *parent)
    : QWidget(parent)
    , m_gradient(gradient)
    , m_row(new AppIconRow(AppIconRow::Sizing::ByCount, 0, this))
    , m_border(new ThumbnailBorder(this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setCursor(Qt::PointingHandCursor);
    setFixedSize(kSize);
    m_row->setGeometry(rect());
    m_border->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_border->setAttribute(Qt::WA_TranslucentBackground);
    m_border->setGeometry(rect());
    m_border->raise();
    HoverScaleEffectModifier::apply(this, 1.1);
}

void TaskThumbnailView::setApps(const QList<AppIconData *> &apps)
{
    m_apps.clear();
    for (AppIconData *a : apps)
        m_apps.append(a);
    m_row->setApps(apps);
    m_row->setVisible(!apps.isEmpty());
    m_border->raise();
    update();
}

QString TaskThumbnailView::backdropIconName() const
{
    return m_apps.isEmpty() || !m_apps.first() ? QString() : m_apps.first()->iconName();
}

QSize TaskThumbnailView::sizeHint() const
{
    return kSize;
}

void TaskThumbnailView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF r = rect();
    const QPainterPath clip = roundedPath(r, kRadius);
    p.setClipPath(clip);
    if (!m_apps.isEmpty()) {
        const QImage backdrop = BlurredIconCache::image(backdropIconName(), kSize, blurRadius, devicePixelRatioF());
        if (!backdrop.isNull())
            p.drawImage(QPointF(0, 0), backdrop);
        return;
    }
    p.fillPath(clip, m_gradient.in(r));
    const QRectF placeholder(r.center() - QPointF(kPlaceholderEdge / 2.0, kPlaceholderEdge / 2.0), QSizeF(kPlaceholderEdge, kPlaceholderEdge));
    p.setClipPath(roundedPath(placeholder, kPlaceholderRadius), Qt::IntersectClip);
    const QPixmap picture = Assets::pixmap(TaskCardBehaviours::placeholderIconName, placeholder.size().toSize(), devicePixelRatioF());
    if (!picture.isNull())
        p.drawPixmap(placeholder.topLeft(), picture);
}

void TaskThumbnailView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void TaskThumbnailView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_pressed) {
        m_pressed = false;
        event->accept();
        if (rect().contains(event->position().toPoint()) && m_onTap)
            m_onTap();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}
