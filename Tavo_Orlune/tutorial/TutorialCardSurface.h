#pragma once
#include <QImage>
#include <QPointer>
#include <QWidget>

class QVariantAnimation;
class TutorialHoverFlag;

// The frosted card the tutorial shows its steps and its app-store invitation on: ultra-thin
// material clipped to a rounded rectangle, a white outline over it and a soft shadow under it.
// While cardHovered is true the card lifts: it grows to 1.005 about its centre, its shadow
// deepens and its outline thickens. The outline follows over 0.2 s, scale and shadow over
// 0.3 s. The card writes cardHovered itself (on a later main-queue turn) as the pointer enters
// and leaves it. A press on the card ends on it: it never reaches the dimmed backdrop.
class TutorialCardSurface : public QWidget {
    Q_OBJECT
public:
    TutorialCardSurface(qreal cornerRadius, TutorialHoverFlag *cardHovered, QWidget *parent);
    ~TutorialCardSurface() override;

    qreal cornerRadius() const { return m_cornerRadius; }
    // What the card draws now, between rest (0) and hovered (1).
    qreal outlineWidth() const { return 1.0 + 0.5 * m_outline; }
    qreal outlineOpacity() const { return 0.8 * (0.8 + 0.1 * m_outline); }
    qreal liftProgress() const { return m_lift; }

    static constexpr qreal hoverScale = 1.005;
    static constexpr int outlineMs = 200;
    static constexpr int liftMs = 300;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    class Shadow;
    void applyHover(bool hovered);
    void placeShadow();

    const qreal m_cornerRadius;
    QPointer<TutorialHoverFlag> m_cardHovered;
    qreal m_outline = 0; // 0 rest, 1 hovered
    qreal m_lift = 0;
    QVariantAnimation *m_outlineAnimation;
    QVariantAnimation *m_liftAnimation;
    QPointer<QWidget> m_shadow; // a sibling right under the card, a little larger
};
