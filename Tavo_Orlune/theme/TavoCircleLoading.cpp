#include "theme/TavoCircleLoading.h"
#include "theme/Color.h"

#include <QConicalGradient>
#include <QPainter>
#include <QVariantAnimation>

TavoCircleLoading::TavoCircleLoading(qreal size, std::optional<QColor> tint, QWidget *parent)
    : QWidget(parent)
    , m_size(size)
    , m_tint(std::move(tint))
    , m_spin(new QVariantAnimation(this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(sizeHint());
    m_spin->setStartValue(0.0);
    m_spin->setEndValue(360.0);
    m_spin->setDuration(2000);
    m_spin->setLoopCount(-1);
    connect(m_spin, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        m_rotation = v.toReal();
        update();
    });
}

QSize TavoCircleLoading::sizeHint() const
{
    return QSizeF(m_size, m_size).toSize();
}

QColor TavoCircleLoading::tint() const
{
    return m_tint.value_or(Color::accentBlue());
}

void TavoCircleLoading::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_spin->state() != QAbstractAnimation::Running)
        m_spin->start();
}

void TavoCircleLoading::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_spin->pause();
}

void TavoCircleLoading::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c = QRectF(rect()).center();
    const QRectF ring(c.x() - m_size / 2, c.y() - m_size / 2, m_size, m_size);
    paintRing(p, ring, ring.adjusted(0.25, 0.25, -0.25, -0.25), c, arcSize(), m_rotation, tint(), 0.9);
}

void TavoCircleLoading::paintRing(QPainter &p, const QRectF &disc, const QRectF &border, QPointF centre, qreal arcSize,
                                  qreal rotation, const QColor &tint, qreal midAlpha)
{
    QColor fill = Color::bubbleFill();
    fill.setAlphaF(fill.alphaF() * 0.8f);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawEllipse(disc);
    p.setPen(QPen(Color::loadingTrack(), 0.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(border);

    const QRectF arcRect(-arcSize / 2, -arcSize / 2, arcSize, arcSize);
    p.translate(centre);
    p.rotate(rotation);
    QColor mid = tint;
    mid.setAlphaF(tint.alphaF() * midAlpha);
    QColor clear = tint;
    clear.setAlpha(0);
    QLinearGradient g(arcRect.left(), 0, arcRect.right(), 0);
    g.setColorAt(0, tint);
    g.setColorAt(0.3, mid);
    g.setColorAt(1, clear);
    QPen pen(QBrush(g), 3);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setMiterLimit(10);
    p.setPen(pen);
    // The first half of the outline, from three o'clock clockwise to nine.
    p.drawArc(arcRect, 0, -180 * 16);
}
