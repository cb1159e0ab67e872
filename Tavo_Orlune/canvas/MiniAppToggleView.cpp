#include "canvas/MiniAppToggleView.h"
#include "theme/Color.h"
#include "theme/CustomToggle.h"
#include "theme/Fonts.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace {
constexpr qreal kCapsuleRadius = 32;
}

MiniAppToggleView::MiniAppToggleView(QWidget *parent)
    : QWidget(parent)
    , m_label(new QLabel(QStringLiteral("Dynamic App"), this))
    , m_toggle(new CustomToggle(QString(), CustomToggleStyle{26, 16, 12, 6}, this))
{
    setObjectName(QStringLiteral("miniAppToggle"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 10, 10, 10);
    layout->setSpacing(0);
    m_label->setTextFormat(Qt::PlainText);
    m_label->setFont(Fonts::system(11, QFont::Medium));
    QColor text = Color::textPrimary();
    text.setAlphaF(text.alphaF() * 0.8);
    QPalette palette = m_label->palette();
    palette.setColor(QPalette::WindowText, text);
    m_label->setPalette(palette);
    m_label->setContentsMargins(10, 0, 0, 0);
    m_label->hide();
    m_toggle->label()->hide();
    layout->addWidget(m_label);
    layout->addWidget(m_toggle);
    m_toggle->installEventFilter(this);
    connect(m_toggle, &CustomToggle::toggled, this, &MiniAppToggleView::toggled);
}

bool MiniAppToggleView::isOn() const
{
    return m_toggle->isOn();
}

void MiniAppToggleView::setOn(bool on)
{
    m_toggle->setOn(on);
}

void MiniAppToggleView::setHovered(bool hovered)
{
    if (hovered == m_isHovered)
        return;
    m_isHovered = hovered;
    m_label->setVisible(hovered);
}

bool MiniAppToggleView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_toggle) {
        if (event->type() == QEvent::Enter)
            setHovered(true);
        else if (event->type() == QEvent::Leave)
            setHovered(false);
    }
    return QWidget::eventFilter(watched, event);
}

void MiniAppToggleView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.4, 0.4, -0.4, -0.4);
    const qreal radius = std::min(kCapsuleRadius, r.height() / 2);
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    p.fillPath(path, Color::toggleKnobOn());
    QColor border = Color::glassBorder();
    border.setAlphaF(border.alphaF() * 0.8);
    p.setPen(QPen(border, 0.8));
    p.drawPath(path);
}
