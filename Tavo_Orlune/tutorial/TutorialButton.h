#pragma once
#include <QAbstractButton>
#include <QPointer>
#include <functional>

class QVariantAnimation;
class TutorialHoverFlag;

// A button of the tutorial's cards: a white label with a text (and, for "Install Apps", a
// template picture before it) that, while its hover flag is true, grows to 1.02 about its
// centre and is drawn at 0.9 opacity, changing over 0.2 s. A click does not act inside the
// event: the action is enqueued on the main queue and runs on a later turn. The button writes
// its hover flag the same way as the pointer enters and leaves it.
class TutorialButton : public QAbstractButton {
    Q_OBJECT
public:
    struct Style {
        qreal horizontalPadding = 16;
        qreal verticalPadding = 20;
        qreal cornerRadius = 50;
        QString icon;        // template picture before the text; none when empty
        QSizeF iconSize;
        bool shadow = false; // a soft shadow that doubles while hovered
        bool expanding = false; // takes all the width offered
    };

    TutorialButton(const QString &text, const Style &style, TutorialHoverFlag *hovered, std::function<void()> action,
                   QWidget *parent = nullptr);

    const Style &style() const { return m_style; }
    // Between rest (0) and hovered (1).
    qreal hoverProgress() const { return m_hover; }
    // The white label's rectangle (inside the room kept for its shadow).
    QRectF labelRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    static constexpr qreal hoverScale = 1.02;
    static constexpr int hoverMs = 200;
    static constexpr qreal contentSpacing = 8;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &pos) const override;

private:
    void applyHover(bool hovered);
    QSizeF labelSize() const;
    qreal shadowMargin() const { return m_style.shadow ? 12 : 0; }

    Style m_style;
    QPointer<TutorialHoverFlag> m_hovered;
    std::function<void()> m_action;
    qreal m_hover = 0;
    QVariantAnimation *m_animation;
};
