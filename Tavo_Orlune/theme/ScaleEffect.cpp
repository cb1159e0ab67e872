#include "theme/ScaleEffect.h"

#include <QPainter>
#include <QWidget>

ScaleEffect::ScaleEffect(QObject *parent)
    : QGraphicsEffect(parent)
{
}

ScaleEffect *ScaleEffect::of(QWidget *widget)
{
    if (auto *existing = qobject_cast<ScaleEffect *>(widget->graphicsEffect()))
        return existing;
    auto *effect = new ScaleEffect(widget);
    widget->setGraphicsEffect(effect);
    return effect;
}

void ScaleEffect::setScale(const QString &channel, qreal scale)
{
    if (qFuzzyCompare(m_scales.value(channel, 1.0), scale))
        return;
    m_scales.insert(channel, scale);
    updateBoundingRect();
    update();
}

void ScaleEffect::setOpacity(const QString &channel, qreal opacity)
{
    if (qFuzzyCompare(m_opacities.value(channel, 1.0), opacity))
        return;
    m_opacities.insert(channel, opacity);
    update();
}

qreal ScaleEffect::scale() const
{
    qreal s = 1.0;
    for (qreal v : m_scales)
        s *= v;
    return s;
}

qreal ScaleEffect::opacity() const
{
    qreal o = 1.0;
    for (qreal v : m_opacities)
        o *= v;
    return std::clamp(o, 0.0, 1.0);
}

QRectF ScaleEffect::boundingRectFor(const QRectF &sourceRect) const
{
    const qreal s = scale();
    if (s <= 1.0)
        return sourceRect;
    const QPointF c = sourceRect.center();
    const QSizeF size = sourceRect.size() * s;
    return QRectF(c - QPointF(size.width() / 2, size.height() / 2), size);
}

void ScaleEffect::draw(QPainter *painter)
{
    const qreal s = scale();
    const qreal o = opacity();
    if (qFuzzyCompare(s, 1.0) && qFuzzyCompare(o, 1.0)) {
        drawSource(painter);
        return;
    }
    QPoint offset;
    const QPixmap pixmap = sourcePixmap(Qt::LogicalCoordinates, &offset, QGraphicsEffect::NoPad);
    if (pixmap.isNull())
        return;
    const QRectF source = sourceBoundingRect(Qt::LogicalCoordinates);
    const QPointF c = source.center();
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->setOpacity(painter->opacity() * o);
    painter->translate(c);
    painter->scale(s, s);
    painter->translate(-c);
    painter->drawPixmap(offset, pixmap);
    painter->restore();
}
