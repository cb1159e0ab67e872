#pragma once
#include <QAbstractButton>
#include <QImage>
#include <QPointer>
#include <functional>
#include <optional>

class QVariantAnimation;
class HoverScaleEffectModifier;

// A round image button with an optional caption under it.
// - buttonImage: name of an image asset, drawn as a template tinted with controlForeground at
//   half the circle's diameter; customImageView (a child widget) takes precedence and fills the
//   whole circle, clipped to it.
// - With a label the circle is `size` (default labeledIconButtonSize, 56) across with a soft
//   shadow, the caption spacingL below; the button rests at 98 % and comes to full size under
//   the pointer, the caption at 95 %. Without a label the circle is `size` (default
//   iconButtonSize, 24) across and grows to 110 % under the pointer.
// - A click runs `action` once (clicked() is emitted as well).
class CircleButton : public QAbstractButton {
    Q_OBJECT
public:
    CircleButton(const QString &buttonImage, QWidget *customImageView, const std::optional<QString> &label,
                 std::optional<qreal> size, std::function<void()> action, QWidget *parent = nullptr);

    QString buttonImage() const { return m_buttonImage; }
    std::optional<QString> label() const { return m_label; }
    bool isHovered() const { return m_isHovered; }

    // Geometry, in the widget's coordinates.
    qreal diameter() const;
    QRectF circleRect() const;
    QRectF iconRect() const;    // the asset's frame: half the circle, centred in it
    QRectF captionRect() const; // empty without a label

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool hitButton(const QPoint &pos) const override;

private:
    void setHovered(bool hovered);
    QSizeF captionSize() const;

    QString m_buttonImage;
    QPointer<QWidget> m_customImageView;
    std::optional<QString> m_label;
    std::optional<qreal> m_size;
    std::function<void()> m_action;
    bool m_isHovered = false;
    qreal m_hoverProgress = 0; // 0 resting, 1 hovered (eased over 0.3 s)
    QVariantAnimation *m_hoverAnimation;
    HoverScaleEffectModifier *m_hoverModifier = nullptr;
    QImage m_shadow;
    QImage m_tintedIcon;
};
