#pragma once
#include <QObject>
#include <QPointer>

class QVariantAnimation;
class QWidget;

// Grows a widget to `scale` about its centre while the pointer is over it and back to 1 when
// it leaves, each change with a critically damped spring (response 0.4 s).
// Usage: HoverScaleEffectModifier::apply(button, 1.1);
class HoverScaleEffectModifier : public QObject {
    Q_OBJECT
public:
    HoverScaleEffectModifier(QWidget *target, qreal scale);
    static HoverScaleEffectModifier *apply(QWidget *target, qreal scale) { return new HoverScaleEffectModifier(target, scale); }

    bool isHovered() const { return m_isHovered; }
    qreal scale() const { return m_scale; }
    // The scale the widget is heading for (scale while hovered, else 1).
    qreal targetScale() const { return m_isHovered ? m_scale : 1.0; }
    qreal currentScale() const { return m_current; }
    void setHovered(bool hovered);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_target;
    qreal m_scale;
    bool m_isHovered = false;
    qreal m_current = 1.0;
    QVariantAnimation *m_animation;
};
