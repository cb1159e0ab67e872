#include "categories/StreamProgressBar.h"

#include "theme/Color.h"
#include "Platform/Scheduler.h"
#include "theme/Sizes.h"

#include <QPainter>
#include <QPainterPath>

namespace {
constexpr qint64 kPeriodMs = 1400;
constexpr qreal kSegment = 0.35;
}

StreamProgressBar::StreamProgressBar(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFixedHeight(barHeight);
}

StreamProgressBar::~StreamProgressBar()
{
    stopTicking();
}

std::pair<qreal, qreal> StreamProgressBar::segment(qint64 ms)
{
    // The segment enters at the left and leaves at the right once per period.
    const qreal t = qreal(((ms % kPeriodMs) + kPeriodMs) % kPeriodMs) / kPeriodMs;
    const qreal left = -kSegment + t * (1 + kSegment);
    return {std::max<qreal>(0, left), std::min<qreal>(1, left + kSegment)};
}

void StreamProgressBar::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_timer)
        m_timer = Scheduler::instance().repeating(frameMs, this, [this] { update(); });
}

void StreamProgressBar::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    stopTicking();
}

void StreamProgressBar::stopTicking()
{
    if (m_timer)
        Scheduler::instance().cancel(m_timer);
    m_timer = 0;
}

void StreamProgressBar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    paint(p, rect(), Scheduler::instance().monotonicMs());
}

void StreamProgressBar::paint(QPainter &p, const QRectF &r, qint64 ms)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(r, Sizes::progressCornerRadius, Sizes::progressCornerRadius);
    p.setClipPath(clip, Qt::IntersectClip);
    QColor track = Color::textPrimary();
    track.setAlphaF(0.12f);
    p.fillRect(r, track);
    const auto [from, to] = segment(ms);
    if (to > from) {
        QPainterPath bar;
        const QRectF seg(r.left() + from * r.width(), r.top(), (to - from) * r.width(), r.height());
        bar.addRoundedRect(seg, r.height() / 2, r.height() / 2);
        p.fillPath(bar, Color::textPrimary());
    }
    p.restore();
}
