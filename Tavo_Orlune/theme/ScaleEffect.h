#pragma once
#include <QGraphicsEffect>
#include <QHash>
#include <QPointer>

// Draws a widget scaled about its centre and faded, the way the design's scale and opacity
// modifiers do. Several modifiers can act on one widget (hover and press), each through a
// channel of its own; the factors multiply. One effect per widget: use of() to share it.
class ScaleEffect : public QGraphicsEffect {
    Q_OBJECT
public:
    explicit ScaleEffect(QObject *parent = nullptr);
    // The widget's scale effect, installed on first use.
    static ScaleEffect *of(QWidget *widget);

    void setScale(const QString &channel, qreal scale);
    void setOpacity(const QString &channel, qreal opacity);
    qreal scale() const;
    qreal opacity() const;

    QRectF boundingRectFor(const QRectF &sourceRect) const override;

protected:
    void draw(QPainter *painter) override;

private:
    QHash<QString, qreal> m_scales;
    QHash<QString, qreal> m_opacities;
};
