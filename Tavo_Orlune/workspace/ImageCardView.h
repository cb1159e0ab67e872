#pragma once
#include <QPixmap>
#include <QPointF>
#include <QWidget>
#include <functional>

class QVariantAnimation;

// One sample prompt card of the welcome screen: a 224 × 290 picture with the prompt and the
// apps it needs over its lower part. It grows to 1.1 about its centre while the pointer is
// over it (0.3 s ease-out each way) and runs onTap on a click anywhere in its 224 × 290
// rectangle, the transparent corners included. The widget is larger than the card by `margin`
// on every side so the grown card is not clipped; that margin takes no clicks. The card's
// shadow is painted by the screen that holds it (shadowRect), behind every card.
// Everything is painted: the card lives on the canvas, where graphics effects draw nothing.
class ImageCardView : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize cardSize{224, 290};
    static constexpr int margin = 12;
    static constexpr qreal hoverScale = 1.1;
    static constexpr int hoverMs = 300;
    static constexpr qreal cornerRadius = 32;

    ImageCardView(const QString &title, const QString &subtitle, const QString &imageName, std::function<void()> onTap,
                  QWidget *parent = nullptr);

    QString title() const { return m_title; }
    QString subtitle() const { return m_subtitle; }
    QString imageName() const { return m_imageName; }
    bool isHovering() const { return m_isHovering; }
    QPointF mouseLocation() const { return m_mouseLocation; }
    // The scale the card is drawn at now (1 at rest, 1.1 hovered, between while it moves).
    qreal currentScale() const { return m_scale; }
    // The card's rectangle in the widget, unscaled.
    QRect cardRect() const { return QRect(QPoint(margin, margin), cardSize); }
    // The card as drawn now, in the widget's coordinates.
    QRectF scaledCardRect() const;
    QSize sizeHint() const override { return cardSize + QSize(2 * margin, 2 * margin); }

Q_SIGNALS:
    // The drawn scale changed: whoever paints the shadow paints again.
    void scaleChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void setHovering(bool hovering);
    // Up to two lines of text from the top of rect; answers the height used.
    static qreal drawLines(QPainter &painter, const QString &text, const QFont &font, const QColor &color, const QRectF &rect,
                           bool draw);

    QString m_title;
    QString m_subtitle;
    QString m_imageName;
    std::function<void()> m_onTap;
    bool m_isHovering = false;
    QPointF m_mouseLocation;
    qreal m_scale = 1.0;
    bool m_pressed = false;
    QVariantAnimation *m_hoverAnimation;
    QPixmap m_picture;
};
