#include "workspace/ImageCardView.h"
#include "workspace/MouseTrackingView.h"
#include "theme/Fonts.h"
#include "theme/Sizes.h"
#include "Platform/Assets.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>
#include <QVariantAnimation>

namespace {
constexpr int maxLines = 2;
constexpr qreal lineSpacing = 2;
constexpr qreal textPadding = 20;
// Drawn at twice the card's size, so it stays sharp on the canvas up to full zoom.
constexpr qreal pictureScale = 2.0;
}

ImageCardView::ImageCardView(const QString &title, const QString &subtitle, const QString &imageName, std::function<void()> onTap,
                             QWidget *parent)
    : QWidget(parent)
    , m_title(title)
    , m_subtitle(subtitle)
    , m_imageName(imageName)
    , m_onTap(std::move(onTap))
    , m_hoverAnimation(new QVariantAnimation(this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setFixedSize(sizeHint());
    setCursor(Qt::PointingHandCursor);
    m_hoverAnimation->setDuration(hoverMs);
    m_hoverAnimation->setEasingCurve(QEasingCurve::OutQuad);
    connect(m_hoverAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_scale = value.toReal();
        update();
        Q_EMIT scaleChanged();
    });
    m_picture = Assets::pixmap(m_imageName, cardSize, pictureScale);
    auto *tracking = new MouseTrackingView([this](const QPointF &point) { m_mouseLocation = point; }, this);
    tracking->setGeometry(cardRect());
}

QRectF ImageCardView::scaledCardRect() const
{
    const QRectF card(cardRect());
    const QSizeF size = card.size() * m_scale;
    return QRectF(card.center() - QPointF(size.width() / 2, size.height() / 2), size);
}

void ImageCardView::setHovering(bool hovering)
{
    if (m_isHovering == hovering)
        return;
    m_isHovering = hovering;
    // Either way the last pointer position becomes the card's centre.
    m_mouseLocation = QPointF(cardSize.width() * 0.5, cardSize.height() * 0.5);
    m_hoverAnimation->stop();
    m_hoverAnimation->setStartValue(m_scale);
    m_hoverAnimation->setEndValue(hovering ? hoverScale : 1.0);
    m_hoverAnimation->start();
}

void ImageCardView::mouseMoveEvent(QMouseEvent *event)
{
    setHovering(cardRect().contains(event->position().toPoint()));
    QWidget::mouseMoveEvent(event);
}

void ImageCardView::leaveEvent(QEvent *event)
{
    setHovering(false);
    QWidget::leaveEvent(event);
}

void ImageCardView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !cardRect().contains(event->position().toPoint())) {
        event->ignore();
        return;
    }
    m_pressed = true;
    event->accept();
}

void ImageCardView::mouseReleaseEvent(QMouseEvent *event)
{
    const bool tap = m_pressed && event->button() == Qt::LeftButton && cardRect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (tap && m_onTap)
        m_onTap();
}

qreal ImageCardView::drawLines(QPainter &painter, const QString &text, const QFont &font, const QColor &color, const QRectF &rect,
                               bool draw)
{
    QTextLayout layout(text, font);
    QTextOption option(Qt::AlignLeft);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal y = 0;
    QList<QTextLine> lines;
    while (lines.size() < maxLines) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(rect.width());
        if (!lines.isEmpty())
            y += lineSpacing;
        line.setPosition(QPointF(0, y));
        y += line.height();
        lines << line;
    }
    layout.endLayout();
    if (!draw || lines.isEmpty())
        return y;
    painter.setPen(color);
    // The last line shown ends in an ellipsis when the text goes on.
    const QTextLine &last = lines.last();
    const bool cut = last.textStart() + last.textLength() < text.size();
    for (int i = 0; i < lines.size() - (cut ? 1 : 0); ++i)
        lines[i].draw(&painter, rect.topLeft());
    if (cut) {
        QFontMetricsF metrics(font);
        const QString rest = text.mid(last.textStart()).simplified();
        painter.setFont(font);
        painter.drawText(QPointF(rect.left(), rect.top() + last.y() + metrics.ascent()),
                         metrics.elidedText(rest, Qt::ElideRight, rect.width()));
    }
    return y;
}

void ImageCardView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing);
    const QRectF card(cardRect());
    p.translate(card.center());
    p.scale(m_scale, m_scale);
    p.translate(-card.center());

    QPainterPath shape;
    shape.addRoundedRect(card, cornerRadius, cornerRadius);
    p.save();
    p.setClipPath(shape);
    // Seen only where the picture is transparent.
    p.fillRect(card, QColor(255, 255, 255, 204));
    if (!m_picture.isNull()) {
        // Scaled to fill, aspect kept, centred.
        const QSizeF picture = QSizeF(m_picture.size()) / m_picture.devicePixelRatio();
        const qreal fill = std::max(card.width() / picture.width(), card.height() / picture.height());
        const QSizeF drawn = picture * fill;
        p.drawPixmap(QRectF(card.center() - QPointF(drawn.width() / 2, drawn.height() / 2), drawn), m_picture,
                     QRectF(m_picture.rect()));
    }

    // The texts sit over the lower part: title, 8 apart, subtitle, 20 from the bottom.
    const qreal width = card.width() - 2 * textPadding;
    const QFont &titleFont = Fonts::welcomePromptFont();
    const QFont &subtitleFont = Fonts::welcomeCardFont();
    const qreal subtitleHeight = drawLines(p, m_subtitle, subtitleFont, Qt::white, QRectF(0, 0, width, 1000), false);
    const qreal titleHeight = drawLines(p, m_title, titleFont, Qt::white, QRectF(0, 0, width, 1000), false);
    const qreal bottom = card.bottom() - textPadding;
    const qreal subtitleTop = bottom - subtitleHeight;
    const qreal titleTop = subtitleTop - Sizes::spacingS - titleHeight;
    drawLines(p, m_title, titleFont, Qt::white, QRectF(card.left() + textPadding, titleTop, width, titleHeight), true);
    QColor dim(Qt::white);
    dim.setAlphaF(0.8);
    drawLines(p, m_subtitle, subtitleFont, dim, QRectF(card.left() + textPadding, subtitleTop, width, subtitleHeight), true);
    p.restore();

    p.setPen(QPen(Qt::white, 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shape);
}
