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
        // Through the shared painter, for the reason given in renderWidget().
        if (QWidget *widget = targetWidget())
            widget->render(painter, QPoint(), QRegion(), QWidget::DrawChildren);
        else
            drawSource(painter);
        return;
    }
    if (o <= 0.0)
        return;
    const QPixmap pixmap = renderWidget(painter);
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
    painter->drawPixmap(source.topLeft(), pixmap);
    painter->restore();
}

QPixmap ScaleEffect::renderWidget(QPainter *painter) const
{
    // Rendered through a painter rather than sourcePixmap() or drawSource(): those paint the
    // widget without a shared painter, and a child with an effect of its own then opens a
    // second painter on the same device ("one painter at a time") and draws nothing. With
    // render(QPainter *) every effect inside shares the one painter.
    QWidget *widget = targetWidget();
    if (!widget) {
        QPoint offset;
        return sourcePixmap(Qt::LogicalCoordinates, &offset, QGraphicsEffect::NoPad);
    }
    const QSize size = widget->size();
    if (size.isEmpty())
        return {};
    const qreal dpr = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
    QPixmap pixmap(size * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    widget->render(&p, QPoint(), QRegion(), QWidget::DrawChildren);
    return pixmap;
}

QWidget *ScaleEffect::targetWidget() const
{
    auto *widget = qobject_cast<QWidget *>(parent());
    return widget && widget->graphicsEffect() == this ? widget : nullptr;
}

void ScaleEffect::releaseIfIdle(QWidget *widget)
{
    auto *effect = qobject_cast<ScaleEffect *>(widget->graphicsEffect());
    if (effect && qFuzzyCompare(effect->scale(), 1.0) && qFuzzyCompare(effect->opacity(), 1.0))
        widget->setGraphicsEffect(nullptr); // deletes it
}
