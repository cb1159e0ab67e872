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
    // Removes the widget's scale effect once every channel is at rest, so the widget paints
    // straight to the screen again (and its parts repaint on their own).
    static void releaseIfIdle(QWidget *widget);

    void setScale(const QString &channel, qreal scale);
    void setOpacity(const QString &channel, qreal opacity);
    qreal scale() const;
    qreal opacity() const;

    QRectF boundingRectFor(const QRectF &sourceRect) const override;

protected:
    void draw(QPainter *painter) override;

private:
    QPixmap renderWidget(QPainter *painter) const;
    // The widget this effect is installed on (effects are made by of(), parented to it).
    QWidget *targetWidget() const;

    QHash<QString, qreal> m_scales;
    QHash<QString, qreal> m_opacities;
};
