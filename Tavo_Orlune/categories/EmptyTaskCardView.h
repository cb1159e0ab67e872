#pragma once
#include <QWidget>
#include <functional>

class QVariantAnimation;

// The add-task card after the last task card of every column: a 224 x 290 card with a plus
// image; a click runs onTap. It grows by 2 % under the pointer. Painted, like the task cards.
class EmptyTaskCardView : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize cardSize{224, 290};
    static constexpr qreal hoverScale = 1.02;

    explicit EmptyTaskCardView(std::function<void()> onTap, QWidget *parent = nullptr);

    bool isHovered() const { return m_isHovered; }
    qreal hoverScaleTarget() const { return m_isHovered ? hoverScale : 1.0; }
    void tap();
    QSize sizeHint() const override { return cardSize; }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void setHovered(bool hovered);
    std::function<void()> m_onTap;
    bool m_isHovered = false;
    bool m_pressed = false;
    qreal m_scale = 1.0;
    QVariantAnimation *m_hover;
};
