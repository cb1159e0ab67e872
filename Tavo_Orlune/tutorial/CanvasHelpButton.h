#pragma once
#include <QWidget>

#include "Platform/NotificationCenter.h"

class CircleButton;
class QVariantAnimation;

// The round help button in the canvas's bottom-right corner (the canvas hosts it in a 100 ×
// 100 area). A click gives haptic feedback, bounces the button, posts "showTutorialOverlay"
// for the canvas and records the tap. The canvas's Command-H bounces it through
// "triggerHelpButtonBounce". A bounce holds the button at 1.15 times its size for 0.2 s,
// springing there and back; a second bounce during the first does not lengthen it.
class CanvasHelpButton : public QWidget {
    Q_OBJECT
public:
    explicit CanvasHelpButton(QWidget *parent = nullptr);
    ~CanvasHelpButton() override;

    CircleButton *button() const { return m_button; }
    bool animateBounce() const { return m_animateBounce; }
    // The bounce's share of the drawn scale (1 at rest, 1.15 at the top).
    qreal bounceScale() const { return m_scale; }

    void handleTap();
    void triggerBounce();

    static constexpr int buttonSize = 40;
    static constexpr int padding = 16;
    static constexpr qreal bouncedScale = 1.15;
    static constexpr int bounceMs = 200;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void setAnimateBounce(bool bounce);

    CircleButton *m_button;
    bool m_animateBounce = false;
    qreal m_scale = 1.0;
    QVariantAnimation *m_animation;
    NotificationCenter::Token m_bounceObserver = 0;
};
