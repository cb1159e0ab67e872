#pragma once
#include <QAbstractButton>
#include <QColor>

class QVariantAnimation;

// One of the authorization popup's two pill buttons ("Later", "Authenticate"): the text over
// the button fill, which grows from 0.8 of that fill to all of it and scales to 1.02 while
// the pointer is over it, over 0.2 s. It takes all the width it is offered, 46 high.
class AuthenticationPopupButton : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr int height = 46;

    AuthenticationPopupButton(const QString &text, qreal textOpacity, QWidget *parent = nullptr);

    bool isHovered() const { return m_isHovered; }
    void setHovered(bool hovered);
    // 0 at rest, 1 fully hovered; the fill and the scale follow it.
    qreal hoverProgress() const { return m_progress; }
    QColor fillColor() const;
    QColor textColor() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    qreal m_textOpacity;
    bool m_isHovered = false;
    qreal m_progress = 0;
    QVariantAnimation *m_animation;
};
