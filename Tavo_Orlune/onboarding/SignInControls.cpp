#include "onboarding/SignInControls.h"
#include "Platform/Assets.h"
#include "theme/BackgroundModifiers.h"
#include "theme/Color.h"
#include "theme/Fonts.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>

SignInCard::SignInCard(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void SignInCard::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    LoginCardBackgroundModifier::paint(painter, QRectF(rect()));
}

FilledButton::FilledButton(const QString &text, QSize size, qreal cornerRadius, QColor fill, QColor textColor,
                           const QFont &font, QWidget *parent)
    : QPushButton(text, parent), m_radius(cornerRadius), m_fill(fill), m_textColor(textColor)
{
    if (size.isValid())
        setFixedSize(size);
    setFont(font);
    setFlat(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void FilledButton::setColors(QColor fill, QColor textColor)
{
    m_fill = fill;
    m_textColor = textColor;
    update();
}

void FilledButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.5);
    if (m_fill.alpha() > 0) {
        QPainterPath shape;
        const qreal r = std::min({m_radius, width() / 2.0, height() / 2.0});
        shape.addRoundedRect(QRectF(rect()), r, r);
        painter.fillPath(shape, m_fill);
    }
    painter.setPen(m_textColor);
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter, text());
}

namespace SignInControls {

QPushButton *imageButton(const QString &assetName, int size, QWidget *parent)
{
    auto *button = new QPushButton(parent);
    button->setFlat(true);
    button->setFixedSize(size, size);
    button->setIcon(Assets::icon(assetName));
    button->setIconSize(QSize(size, size));
    button->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; padding: 0; }"));
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::NoFocus);
    button->setObjectName(assetName);
    return button;
}

FilledButton *darkButton(const QString &text, QSize size, QWidget *parent)
{
    return new FilledButton(text, size, 24, Color::hex(u"#272524"), Color::hex(u"#EAE9E3"), Fonts::loginButtonFont(),
                            parent);
}

QPushButton *linkButton(const QString &text, QWidget *parent)
{
    auto *button = new FilledButton(text, QSize(), 0, Qt::transparent, Color::linkBlue(), Fonts::fieldFont(), parent);
    const QFontMetrics metrics(Fonts::fieldFont());
    button->setFixedSize(metrics.horizontalAdvance(text) + 2, metrics.height() + 2);
    return button;
}

QLabel *label(const QString &text, const QFont &font, const QColor &color, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setTextFormat(Qt::PlainText);
    l->setFont(font);
    l->setAlignment(Qt::AlignCenter);
    QPalette palette = l->palette();
    palette.setColor(QPalette::WindowText, color);
    l->setPalette(palette);
    return l;
}

QColor withOpacity(QColor color, qreal opacity)
{
    color.setAlphaF(color.alphaF() * opacity);
    return color;
}

QColor errorRed()
{
    return QColor(255, 59, 48);
}

}
