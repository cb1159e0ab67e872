#pragma once
#include <QColor>
#include <QWidget>

class QPainter;
#include <optional>

class QVariantAnimation;

// A ring with a half-turn gradient arc that turns once every 2 s while shown.
// size: outer diameter; tint: the arc's colour (accentBlue when absent).
class TavoCircleLoading : public QWidget {
    Q_OBJECT
public:
    // The loading ring both spinners draw: a translucent disc with a hairline border and, turned by
    // rotation degrees about centre, the first half of a circle of arcSize stroked 3 wide with a
    // gradient from tint through tint at midAlpha to clear.
    static void paintRing(QPainter &p, const QRectF &disc, const QRectF &border, QPointF centre, qreal arcSize,
                          qreal rotation, const QColor &tint, qreal midAlpha);
    TavoCircleLoading(qreal size, std::optional<QColor> tint = std::nullopt, QWidget *parent = nullptr);

    qreal ringSize() const { return m_size; }
    qreal arcSize() const { return m_size - 4; }
    QColor tint() const;
    qreal rotation() const { return m_rotation; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    qreal m_size;
    std::optional<QColor> m_tint;
    qreal m_rotation = 0;
    QVariantAnimation *m_spin;
};
