#include "categories/EmptyTaskCardView.h"

#include "Platform/Assets.h"
#include "theme/Animations.h"
#include "theme/Color.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

EmptyTaskCardView::EmptyTaskCardView(std::function<void()> onTap, QWidget *parent)
    : QWidget(parent)
    , m_onTap(std::move(onTap))
    , m_hover(new QVariantAnimation(this))
{
    setAttribute(Qt::WA_Hover);
    setAttribute(Qt::WA_TranslucentBackground);
    setCursor(Qt::PointingHandCursor);
    Animations::standardSpring().apply(m_hover);
    connect(m_hover, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        m_scale = v.toReal();
        update();
    });
}

void EmptyTaskCardView::tap()
{
    if (m_onTap) {
        const std::function<void()> action = m_onTap;
        action();
    }
}

void EmptyTaskCardView::setHovered(bool hovered)
{
    if (m_isHovered == hovered)
        return;
    m_isHovered = hovered;
    m_hover->stop();
    m_hover->setStartValue(m_scale);
    m_hover->setEndValue(hoverScaleTarget());
    m_hover->start();
}

bool EmptyTaskCardView::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::HoverEnter:
    case QEvent::Enter:
        setHovered(true);
        break;
    case QEvent::HoverLeave:
    case QEvent::Leave:
        setHovered(false);
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void EmptyTaskCardView::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void EmptyTaskCardView::mouseReleaseEvent(QMouseEvent *event)
{
    const bool inside = rect().contains(event->position().toPoint());
    if (m_pressed && inside && event->button() == Qt::LeftButton)
        tap();
    m_pressed = false;
    event->accept();
}

void EmptyTaskCardView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre = QRectF(rect()).center();
    p.translate(centre);
    p.scale(m_scale, m_scale);
    p.translate(-centre);
    const QRectF card = QRectF(QPointF(0, 0), QSizeF(cardSize)).translated((width() - cardSize.width()) / 2.0,
                                                                           (height() - cardSize.height()) / 2.0);
    QPainterPath shape;
    shape.addRoundedRect(card.adjusted(1, 1, -1, -1), 34, 34);
    p.fillPath(shape, Color::hex(u"#FEFDF9", 0.6));
    p.setPen(QPen(Color::cardOutline(), 2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    p.drawPath(shape);
    const QRect plus(int(card.center().x()) - 32, int(card.center().y()) - 32, 64, 64);
    QPixmap image = Assets::pixmap(QStringLiteral("btn_add 1"), plus.size(), devicePixelRatioF());
    QPainter tint(&image);
    tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
    tint.fillRect(image.rect(), Color::textPrimary());
    tint.end();
    p.drawPixmap(plus, image);
}
