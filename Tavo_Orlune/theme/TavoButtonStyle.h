#pragma once
#include <QObject>
#include <QPointer>

class QAbstractButton;
class QVariantAnimation;

// The press-in button style: while pressed the button shows at 98 % size and 90 % opacity,
// springing back on release (response 0.2 s, damping fraction 0.7).
// Usage: TavoButtonStyle::apply(button);
class TavoButtonStyle : public QObject {
    Q_OBJECT
public:
    explicit TavoButtonStyle(QAbstractButton *button);
    static TavoButtonStyle *apply(QAbstractButton *button) { return new TavoButtonStyle(button); }

    static constexpr qreal pressedScale = 0.98;
    static constexpr qreal pressedOpacity = 0.9;

    bool isPressed() const { return m_pressed; }
    qreal targetScale() const { return m_pressed ? pressedScale : 1.0; }
    qreal targetOpacity() const { return m_pressed ? pressedOpacity : 1.0; }
    // Progress of the press from 0 (released) to 1 (pressed in), as animated.
    qreal pressProgress() const { return m_progress; }

private:
    void setPressed(bool pressed);

    QPointer<QAbstractButton> m_button;
    bool m_pressed = false;
    qreal m_progress = 0;
    QVariantAnimation *m_animation;
};
