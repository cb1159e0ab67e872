#pragma once
#include <QColor>
#include <QPointer>
#include <QWidget>

class QLabel;
class QVariantAnimation;

// The switch's measurements: track size, knob diameter and the knob's horizontal distance from
// the track's centre (right when on, left when off).
struct CustomToggleStyle {
    qreal trackWidth;
    qreal trackHeight;
    qreal circleSize;
    qreal circleOffset;
};

// A label followed by a switch drawn with CustomToggleStyle. A click on the switch flips it;
// a click on the label does not. The track's colour changes over 0.3 s (ease in and out), the
// knob slides with a spring (response 0.3 s, damping fraction 0.7).
class CustomToggle : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool isOn READ isOn WRITE setOn NOTIFY toggled)
public:
    CustomToggle(const QString &label, const CustomToggleStyle &style, QWidget *parent = nullptr);

    bool isOn() const { return m_isOn; }
    void setOn(bool on);
    const CustomToggleStyle &style() const { return m_style; }
    QLabel *label() const { return m_label; }

    // The switch's frame in this widget's coordinates, and the knob's centre relative to the
    // track's centre as currently drawn (+circleOffset on, -circleOffset off once settled).
    QRect switchGeometry() const;
    qreal knobOffset() const { return m_knobOffset; }
    QColor trackFill() const;

Q_SIGNALS:
    void toggled(bool on);

private:
    class Switch;
    CustomToggleStyle m_style;
    bool m_isOn = false;
    QLabel *m_label;
    Switch *m_switch;
    qreal m_knobOffset;
    qreal m_fillProgress = 0; // 0 off colour, 1 on colour
    QVariantAnimation *m_knobAnimation;
    QVariantAnimation *m_fillAnimation;
};
