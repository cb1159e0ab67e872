#include "TavoCircleLoading.h"
#include "Color.h"

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
    QColor disc = Color::bubbleFill();
    disc.setAlphaF(disc.alphaF() * 0.8f);
    p.setPen(Qt::NoPen);
    p.setBrush(disc);
    p.drawEllipse(ring);
    p.setPen(QPen(Color::loadingTrack(), 0.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(ring.adjusted(0.25, 0.25, -0.25, -0.25));

    // The arc: the first half of the circle (from 3 o'clock clockwise), stroked with a
    // leading-to-trailing gradient, turned by the current rotation.
    const qreal a = arcSize();
    const QRectF arcRect(-a / 2, -a / 2, a, a);
    p.translate(c);
    p.rotate(m_rotation);
    const QColor t = tint();
    QColor t90 = t;
    t90.setAlphaF(t.alphaF() * 0.9f);
    QColor clear = t;
    clear.setAlpha(0);
    QLinearGradient g(arcRect.left(), 0, arcRect.right(), 0);
    g.setColorAt(0, t);
    g.setColorAt(0.3, t90);
    g.setColorAt(1, clear);
    QPen pen(QBrush(g), 3);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.drawArc(arcRect, 0, -180 * 16);
}
