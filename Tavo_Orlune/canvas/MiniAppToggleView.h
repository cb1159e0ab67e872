#pragma once
#include <QWidget>

class CustomToggle;
class QLabel;

// The "Dynamic App" switch of the prompt bar: a small switch in a capsule; its caption shows
// only while the pointer rests on the switch, and the capsule widens to make room for it.
class MiniAppToggleView : public QWidget {
    Q_OBJECT
public:
    explicit MiniAppToggleView(QWidget *parent = nullptr);

    bool isOn() const;
    void setOn(bool on);
    bool isHovered() const { return m_isHovered; }
    QLabel *label() const { return m_label; }
    CustomToggle *toggle() const { return m_toggle; }

Q_SIGNALS:
    void toggled(bool on);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void setHovered(bool hovered);

    bool m_isHovered = false;
    QLabel *m_label;
    CustomToggle *m_toggle;
};
