#include "widgets/LoadingCheckmark.h"

#include "theme/Color.h"
#include "theme/TavoCircleLoading.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

LoadingCheckmark::LoadingCheckmark(bool isLoading, qreal rotation, QWidget *parent)
    : QWidget(parent), m_rotation(rotation), m_spin(new QVariantAnimation(this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(28, 28);
    m_spin->setDuration(2000);
    m_spin->setLoopCount(-1);
    connect(m_spin, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        m_rotation = v.toReal();
        update();
    });
    setLoading(isLoading);
}

void LoadingCheckmark::setLoading(bool loading)
{
    m_isLoading = loading;
    // Hidden, the ring takes no room in its row.
    if (!loading) {
        hide();
        m_spin->stop();
    } else if (isHidden() && parentWidget()) {
        show();
    }
    update();
}

bool LoadingCheckmark::isSpinning() const
{
    return m_spin->state() == QAbstractAnimation::Running;
}

void LoadingCheckmark::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_isLoading && !isSpinning()) {
        // One clockwise turn every 2 s from wherever the arc stands.
        m_spin->setStartValue(m_rotation);
        m_spin->setEndValue(m_rotation + 360.0);
        m_spin->start();
    }
}

void LoadingCheckmark::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_spin->stop();
}

void LoadingCheckmark::paintEvent(QPaintEvent *)
{
    if (!m_isLoading)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF ring(0.25, 0.25, 27.5, 27.5);
    TavoCircleLoading::paintRing(p, ring, ring, QPointF(14, 14), 24, m_rotation, Color::accentBlue(), 0.5);
}
