#include "canvas/PlaceholderContent.h"
#include "theme/Color.h"

#include <QPainter>
#include <QPainterPath>

PlaceholderContent::PlaceholderContent(const QString &title, const QString &detail, const QSize &baseSize, QWidget *parent)
    : QWidget(parent)
    , m_title(title)
    , m_detail(detail)
{
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
    resize(baseSize);
}

void PlaceholderContent::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF card = QRectF(rect()).adjusted(2, 2, -2, -2);
    QPainterPath path;
    path.addRoundedRect(card, 32, 32);
    p.fillPath(path, QColor(255, 255, 255, 150));
    p.setPen(QPen(Color::textPrimary(), 2, Qt::DashLine));
    p.drawPath(path);

    p.setPen(Color::textPrimary());
    QFont font = p.font();
    font.setPixelSize(64);
    font.setWeight(QFont::DemiBold);
    p.setFont(font);
    const QRectF upper(card.left(), card.top(), card.width(), card.height() / 2);
    p.drawText(upper, Qt::AlignHCenter | Qt::AlignBottom, m_title);
    font.setPixelSize(32);
    font.setWeight(QFont::Normal);
    p.setFont(font);
    QColor detail = Color::textPrimary();
    detail.setAlphaF(0.6);
    p.setPen(detail);
    const QRectF lower(card.left() + 40, card.center().y() + 24, card.width() - 80, card.height() / 2 - 48);
    p.drawText(lower, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, m_detail);
}
