#include "store/StoreViewParts.h"
#include "Platform/Assets.h"
#include "theme/Color.h"
#include "theme/Fonts.h"
#include "theme/TavoButtonStyle.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {
constexpr int kLabelSpacing = 8;
constexpr int kLeading = 4;
constexpr int kTrailing = 16;
constexpr qreal kPillRadius = 20;
constexpr qreal kPanelRadius = 34;
}

QColor StoreViewParts::withOpacity(QColor colour, qreal opacity)
{
    colour.setAlphaF(colour.alphaF() * opacity);
    return colour;
}

QLabel *StoreViewParts::label(const QString &text, const QFont &font, const QColor &colour, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setFont(font);
    l->setTextFormat(Qt::PlainText);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, colour);
    p.setColor(QPalette::Text, colour);
    l->setPalette(p);
    return l;
}

QScrollArea *StoreViewParts::verticalScrollArea(QWidget *parent)
{
    auto *area = new QScrollArea(parent);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setAttribute(Qt::WA_TranslucentBackground);
    area->viewport()->setAutoFillBackground(false);
    area->setStyleSheet(QStringLiteral("QScrollArea { background: transparent; }"));
    return area;
}

QWidget *StoreViewParts::emptyState(const QString &symbol, const QString &title, const QString &line, QWidget *parent)
{
    auto *w = new QWidget(parent);
    auto *v = new QVBoxLayout(w);
    v->setSpacing(16);
    v->setContentsMargins(24, 24, 24, 24);
    v->setAlignment(Qt::AlignCenter);
    auto *icon = new QLabel(w);
    icon->setObjectName(QStringLiteral("symbol"));
    icon->setPixmap(Assets::pixmap(symbol, QSize(50, 50), w->devicePixelRatioF()));
    icon->setContentsMargins(8, 8, 8, 8);
    icon->setAlignment(Qt::AlignCenter);
    auto *effect = new QGraphicsOpacityEffect(icon);
    effect->setOpacity(0.4);
    icon->setGraphicsEffect(effect);
    v->addWidget(icon, 0, Qt::AlignHCenter);
    v->addWidget(label(title, Fonts::storeTitleFont(), Color::textPrimary(), w), 0, Qt::AlignHCenter);
    QLabel *second = label(line, Fonts::smallFont(), withOpacity(Color::textPrimary(), 0.7), w);
    v->addWidget(second, 0, Qt::AlignHCenter);
    return w;
}

StorePillButton::StorePillButton(const QString &iconName, const QString &title, Layout layout, QWidget *parent)
    : QAbstractButton(parent)
    , m_iconName(iconName)
    , m_layout(layout)
{
    setText(title);
    setFont(Fonts::bodyFont());
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(title);
    setSizePolicy(layout.expanding ? QSizePolicy::Expanding : QSizePolicy::Fixed, QSizePolicy::Fixed);
    TavoButtonStyle::apply(this);
}

void StorePillButton::setSelected(bool selected)
{
    if (selected == m_selected)
        return;
    m_selected = selected;
    update();
}

QColor StorePillButton::fillColour() const { return m_selected ? Color::chipFillSelected() : Color::chipFill(); }
QColor StorePillButton::titleColour() const { return m_selected ? Color::chipTextSelected() : Color::chipText(); }

QSize StorePillButton::sizeHint() const
{
    const int lead = qMax(m_layout.iconSide, m_layout.badgeSide);
    const int w = kLeading + lead + kLabelSpacing + fontMetrics().horizontalAdvance(text()) + kTrailing;
    return QSize(w, m_layout.height);
}

void StorePillButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath pill;
    pill.addRoundedRect(QRectF(rect()), kPillRadius, kPillRadius);
    p.fillPath(pill, fillColour());
    const qreal dpr = devicePixelRatioF();
    const int lead = qMax(m_layout.iconSide, m_layout.badgeSide);
    const QRect leadRect(kLeading, (height() - lead) / 2, lead, lead);
    if (m_layout.badgeSide > 0)
        p.drawPixmap(leadRect, Assets::pixmap(QStringLiteral("ic_light_bg"), leadRect.size(), dpr));
    const QRect iconRect(leadRect.center().x() - m_layout.iconSide / 2 + 1, leadRect.center().y() - m_layout.iconSide / 2 + 1,
                         m_layout.iconSide, m_layout.iconSide);
    p.drawPixmap(iconRect, Assets::pixmap(m_iconName, iconRect.size(), dpr));
    p.setPen(titleColour());
    p.setFont(font());
    const QRect textRect(leadRect.right() + 1 + kLabelSpacing, 0, width() - leadRect.right() - kLabelSpacing - kTrailing, height());
    p.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft, text());
}

StoreFillRect::StoreFillRect(const QColor &colour, int height, QWidget *parent)
    : QWidget(parent)
    , m_colour(colour)
{
    setFixedHeight(height);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void StoreFillRect::paintEvent(QPaintEvent *)
{
    QPainter(this).fillRect(rect(), m_colour);
}

StoreRoundedPanel::StoreRoundedPanel(QWidget *parent)
    : QWidget(parent)
{
}

void StoreRoundedPanel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kPanelRadius, kPanelRadius);
    // The same warm paper in both appearances.
    p.fillPath(path, QColor::fromRgbF(0.95f, 0.94f, 0.92f));
    p.setPen(QPen(Color::glassBorder(), 1));
    p.drawPath(path);
}
