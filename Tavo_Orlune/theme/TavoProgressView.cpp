#include "theme/TavoProgressView.h"
#include "theme/Color.h"
#include "theme/Gradients.h"
#include "theme/Materials.h"
#include "Platform/Scheduler.h"
#include "theme/Sizes.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

std::pair<qreal, qreal> TavoProgressViewStyle::gradientExtent(double t) const
{
    if (!isMoving())
        return {-0.5, 0.5};
    const double x = std::fmod(t * 0.5, 1.0);
    const double g = std::abs(2 * x - 1);
    return {0.5 - g, 1.5 - g};
}

TavoProgressView::TavoProgressView(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize TavoProgressView::sizeHint() const
{
    return QSize(200, int(Sizes::progressBarHeight));
}

void TavoProgressView::setStyle(const TavoProgressViewStyle &style)
{
    m_style = style;
    updateTicking();
    update();
}

void TavoProgressView::setFractionCompleted(std::optional<double> fraction)
{
    m_fraction = fraction;
    update();
}

qreal TavoProgressView::barWidth() const
{
    if (!m_fraction || !std::isfinite(*m_fraction))
        return 0;
    return width() * std::clamp(*m_fraction, 0.0, 1.0);
}

void TavoProgressView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    updateTicking();
}

void TavoProgressView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    updateTicking();
}

void TavoProgressView::updateTicking()
{
    // Twenty frames a second, only while the gradient moves: a still bar looks the same.
    const bool tick = isVisible() && m_style.isMoving();
    Scheduler &s = Scheduler::instance();
    if (tick && !(m_timer && s.isActive(m_timer)))
        m_timer = s.repeating(50, this, [this] { update(); });
    else if (!tick && m_timer) {
        s.cancel(m_timer);
        m_timer = 0;
    }
}

void TavoProgressView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = rect();
    const QRectF track(r.left(), r.center().y() - Sizes::progressBarHeight / 2, r.width(), Sizes::progressBarHeight);
    QPainterPath clip;
    clip.addRoundedRect(track, Sizes::progressCornerRadius, Sizes::progressCornerRadius);
    p.setClipPath(clip);
    p.fillPath(clip, Materials::regular());
    p.fillPath(clip, Color::progressTrack());

    const qreal w = barWidth();
    if (w > 0) {
        const auto [start, end] = m_style.gradientExtent(Scheduler::instance().nowSecondsSince2001());
        const QRectF bar = QRectF(track.left(), track.top(), w, track.height()).adjusted(1, 1, -1, -1);
        if (bar.width() > 0 && bar.height() > 0) {
            const QList<QColor> colours = Gradients::progressGradientColors();
            QLinearGradient g(QPointF(bar.left() + start * bar.width(), bar.center().y()),
                              QPointF(bar.left() + end * bar.width(), bar.center().y()));
            g.setColorAt(0, colours.value(0));
            g.setColorAt(1, colours.value(1));
            QPainterPath barPath;
            barPath.addRoundedRect(bar, Sizes::progressCornerRadius, Sizes::progressCornerRadius);
            p.fillPath(barPath, g);
        }
    }
}
