#include "categories/ViewSummaryButton.h"

#include "theme/Color.h"
#include "theme/Fonts.h"
#include "theme/Sizes.h"
#include "theme/TemplateImage.h"

#include <QPainter>
#include <QPainterPath>

namespace {
constexpr qreal kIconEdge = 12;
constexpr qreal kGap = 4;
}

ViewSummaryButton::ViewSummaryButton(QWidget *parent)
    : QAbstractButton(parent)
{
    setText(QStringLiteral("View Summary"));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TranslucentBackground);
    resize(sizeHint());
}

QRect ViewSummaryButton::pillRect() const
{
    return QRect(QPoint(hitMargin, hitMargin), pillSize);
}

void ViewSummaryButton::setPillGeometry(const QRect &frame)
{
    setGeometry(frame.adjusted(-hitMargin, -hitMargin, hitMargin, hitMargin));
}

QSize ViewSummaryButton::sizeHint() const
{
    return pillSize + QSize(2 * hitMargin, 2 * hitMargin);
}

void ViewSummaryButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    paintPill(p, pillRect(), text());
}

void ViewSummaryButton::paintPill(QPainter &p, const QRectF &pill, const QString &text)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(pill, Sizes::cornerRadiusSmall, Sizes::cornerRadiusSmall);
    p.fillPath(shape, Color::taskRowHighlight());

    // Icon and text centred together inside the pill's padding (8 across, 6 down).
    const QFont &font = Fonts::smallFont();
    const QFontMetricsF fm(font);
    const qreal textWidth = fm.horizontalAdvance(text);
    const QRectF inner = pill.adjusted(8, 6, -8, -6);
    const qreal total = kIconEdge + kGap + textWidth;
    const qreal x = inner.center().x() - total / 2;
    p.setClipPath(shape, Qt::IntersectClip);
    TemplateImage::draw(p, QStringLiteral("ic_summary"), QRectF(x, inner.center().y() - kIconEdge / 2, kIconEdge, kIconEdge),
                        Color::textPrimary());
    p.setFont(font);
    p.setPen(Color::textPrimary());
    p.drawText(QRectF(x + kIconEdge + kGap, pill.top(), textWidth + 1, pill.height()), Qt::AlignLeft | Qt::AlignVCenter, text);
    p.restore();
}
