#include "tutorial/TutorialCardSurface.h"
#include "tutorial/TutorialHoverFlag.h"

#include "theme/Animations.h"
#include "theme/Color.h"
#include "theme/ImageBlur.h"
#include "theme/Materials.h"
#include "theme/ScaleEffect.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>
#include <algorithm>
#include <cmath>

namespace {
const QString kLiftChannel = QStringLiteral("tutorialCardLift");
constexpr int kShadowMargin = 64; // room for the deepest shadow: blur 30, drop 15

struct ShadowState {
    qreal opacity;
    qreal blur;
    qreal drop;
};
constexpr ShadowState kRest{0.1, 20, 10};
constexpr ShadowState kHovered{0.2, 30, 15};
}

// Paints the card's shadow: the rest and the hovered shadow, each blurred once per card size,
// cross-faded by the card's lift.
class TutorialCardSurface::Shadow : public QWidget {
public:
    explicit Shadow(TutorialCardSurface *card)
        : QWidget(card->parentWidget()), m_card(card)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_TranslucentBackground);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (!m_card)
            return;
        const QSize size = m_card->size();
        if (size.isEmpty())
            return;
        const qreal dpr = devicePixelRatioF();
        if (m_size != size || m_dpr != dpr) {
            m_size = size;
            m_dpr = dpr;
            m_rest = picture(kRest.blur);
            m_hovered = picture(kHovered.blur);
        }
        const qreal p = m_card->liftProgress();
        QPainter painter(this);
        const QPointF origin(0, 0);
        if (p < 1) {
            painter.setOpacity(kRest.opacity * (1 - p));
            painter.drawImage(origin + QPointF(0, kRest.drop + (kHovered.drop - kRest.drop) * p), m_rest);
        }
        if (p > 0) {
            painter.setOpacity(kHovered.opacity * p);
            painter.drawImage(origin + QPointF(0, kRest.drop + (kHovered.drop - kRest.drop) * p), m_hovered);
        }
    }

private:
    QImage picture(qreal blur) const
    {
        const QSize bounds = m_size + QSize(2 * kShadowMargin, 2 * kShadowMargin);
        QImage source((QSizeF(bounds) * m_dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
        source.setDevicePixelRatio(m_dpr);
        source.fill(Qt::transparent);
        QPainter p(&source);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        const qreal r = m_card->cornerRadius();
        path.addRoundedRect(QRectF(QPointF(kShadowMargin, kShadowMargin), QSizeF(m_size)), r, r);
        p.fillPath(path, Qt::black);
        p.end();
        // The design's shadow radius spreads about twice the blur's standard deviation.
        return ImageBlur::blurred(source, blur / 2);
    }

    QPointer<TutorialCardSurface> m_card;
    QSize m_size;
    qreal m_dpr = 0;
    QImage m_rest;
    QImage m_hovered;
};

TutorialCardSurface::TutorialCardSurface(qreal cornerRadius, TutorialHoverFlag *cardHovered, QWidget *parent)
    : QWidget(parent)
    , m_cornerRadius(cornerRadius)
    , m_cardHovered(cardHovered)
    , m_outlineAnimation(new QVariantAnimation(this))
    , m_liftAnimation(new QVariantAnimation(this))
{
    setObjectName(QStringLiteral("tutorialCard"));
    setAttribute(Qt::WA_TranslucentBackground);
    m_shadow = new Shadow(this);
    m_shadow->stackUnder(this);
    m_outlineAnimation->setDuration(outlineMs);
    m_outlineAnimation->setEasingCurve(Animations::easeInOut());
    connect(m_outlineAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        m_outline = v.toReal();
        update();
    });
    m_liftAnimation->setDuration(liftMs);
    m_liftAnimation->setEasingCurve(Animations::easeInOut());
    connect(m_liftAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        m_lift = v.toReal();
        ScaleEffect::of(this)->setScale(kLiftChannel, 1.0 + (hoverScale - 1.0) * m_lift);
        if (m_shadow)
            m_shadow->update();
    });
    connect(m_liftAnimation, &QVariantAnimation::finished, this, [this] { ScaleEffect::releaseIfIdle(this); });
    TutorialHoverFlag::track(this, cardHovered);
    if (cardHovered) {
        connect(cardHovered, &TutorialHoverFlag::changed, this, &TutorialCardSurface::applyHover);
        // A flag that was true when the previous card left stays true on this one.
        if (cardHovered->value()) {
            m_outline = 1;
            m_lift = 1;
            ScaleEffect::of(this)->setScale(kLiftChannel, hoverScale);
        }
    }
}

TutorialCardSurface::~TutorialCardSurface()
{
    delete m_shadow.data();
}

void TutorialCardSurface::applyHover(bool hovered)
{
    const qreal target = hovered ? 1.0 : 0.0;
    for (auto [animation, current] : {std::pair{m_outlineAnimation, m_outline}, std::pair{m_liftAnimation, m_lift}}) {
        animation->stop();
        animation->setStartValue(current);
        animation->setEndValue(target);
        animation->start();
    }
}

void TutorialCardSurface::placeShadow()
{
    if (m_shadow)
        m_shadow->setGeometry(geometry().adjusted(-kShadowMargin, -kShadowMargin, kShadowMargin, kShadowMargin));
}

void TutorialCardSurface::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
    p.fillPath(shape, Materials::ultraThin());
    // The outline lies inside the card's edge so that the widget's bounds do not cut it.
    QColor outline = Color::cardBorder();
    outline.setAlphaF(std::clamp(outlineOpacity(), 0.0, 1.0));
    const qreal width = outlineWidth();
    const QRectF edge = QRectF(rect()).adjusted(width / 2, width / 2, -width / 2, -width / 2);
    p.setPen(QPen(outline, width));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(edge, m_cornerRadius - width / 2, m_cornerRadius - width / 2);
}

void TutorialCardSurface::mousePressEvent(QMouseEvent *event)
{
    event->accept();
}

void TutorialCardSurface::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    placeShadow();
}

void TutorialCardSurface::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeShadow();
}

void TutorialCardSurface::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_shadow) {
        placeShadow();
        m_shadow->show();
        m_shadow->stackUnder(this);
    }
}

void TutorialCardSurface::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (m_shadow && isHidden())
        m_shadow->hide();
}
