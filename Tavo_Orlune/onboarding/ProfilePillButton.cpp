#include "onboarding/ProfilePillButton.h"
#include "theme/Color.h"
#include "theme/Fonts.h"

#include <QPainter>
#include <QPainterPath>

ProfilePillButton::ProfilePillButton(const QString &text, std::function<void()> action, QWidget *parent)
    : QAbstractButton(parent)
{
    setText(text);
    setFont(Fonts::smallFont());
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_TranslucentBackground);
    connect(this, &QAbstractButton::clicked, this, [action = std::move(action)] {
        if (action)
            action();
    });
}

QSize ProfilePillButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    return QSize(metrics.horizontalAdvance(text()) + 24, metrics.height() + 16);
}

void ProfilePillButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath pill;
    const qreal radius = std::min<qreal>(20, height() / 2.0);
    pill.addRoundedRect(QRectF(rect()), radius, radius);
    p.fillPath(pill, Color::plainWhite());
    p.setPen(Color::textPrimary());
    p.setFont(font());
    p.drawText(rect(), Qt::AlignCenter, text());
}
