#pragma once
#include <QAbstractButton>
#include <functional>

class QVariantAnimation;

// The dock's first button: the home picture on a stone-coloured tile, with the selection bar
// shown while nothing else is selected. A click runs the action once.
class HomeButton : public QAbstractButton {
    Q_OBJECT
public:
    HomeButton(std::function<void()> action, bool isSelected, QWidget *parent = nullptr);

    bool isSelected() const { return m_isSelected; }
    void setSelected(bool selected);
    // Where the selection bar's opacity is heading (1 selected, 0 not).
    qreal indicatorTargetOpacity() const { return m_isSelected ? 1.0 : 0.0; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::function<void()> m_action;
    bool m_isSelected;
    qreal m_indicatorOpacity;
    QVariantAnimation *m_indicator;
};
