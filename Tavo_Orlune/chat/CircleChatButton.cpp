#include "chat/CircleChatButton.h"
#include "Platform/Assets.h"
#include "theme/Color.h"
#include "theme/HoverScaleEffectModifier.h"

#include <QPainter>

CircleChatButton::CircleChatButton(const QString &imageName, std::function<void()> action, QWidget *parent)
    : QAbstractButton(parent)
    , m_imageName(imageName)
    , m_action(std::move(action))
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(sizeHint());
    setAccessibleName(imageName);
    HoverScaleEffectModifier::apply(this, 1.1);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (m_action)
            m_action();
    });
}

void CircleChatButton::setImageName(const QString &imageName)
{
    if (imageName == m_imageName)
        return;
    m_imageName = imageName;
    setAccessibleName(imageName);
    update();
}

void CircleChatButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF disc = QRectF(rect()).adjusted(0.4, 0.4, -0.4, -0.4);
    p.setPen(Qt::NoPen);
    p.setBrush(Color::controlFill());
    p.drawEllipse(disc);
    QColor ring = Color::glassBorder();
    ring.setAlphaF(ring.alphaF() * 0.8);
    p.setPen(QPen(ring, 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(disc);

    // The asset is a template: only its shape counts, painted in the icon colour.
    const QRectF iconRect(QRectF(rect()).center() - QPointF(6, 6), QSizeF(12, 12));
    const qreal dpr = devicePixelRatioF();
    QPixmap icon = Assets::pixmap(m_imageName, QSize(12, 12), dpr);
    if (icon.isNull())
        return;
    QPainter tint(&icon);
    tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
    tint.fillRect(icon.rect(), Color::controlForeground());
    tint.end();
    p.drawPixmap(iconRect, icon, QRectF(icon.rect()));
}
