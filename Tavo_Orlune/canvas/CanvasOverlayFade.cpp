#include "canvas/CanvasOverlayFade.h"
#include "Platform/Scheduler.h"

#include <QGraphicsOpacityEffect>
#include <QWidget>
#include <algorithm>

CanvasOverlayFade::CanvasOverlayFade(QWidget *widget)
    : QObject(widget)
    , m_widget(widget)
{
    setObjectName(QStringLiteral("canvasOverlayFade"));
}

CanvasOverlayFade *CanvasOverlayFade::of(const QWidget *widget)
{
    return widget ? widget->findChild<CanvasOverlayFade *>(QStringLiteral("canvasOverlayFade"), Qt::FindDirectChildrenOnly) : nullptr;
}

void CanvasOverlayFade::run(QWidget *widget, qreal to, int ms, std::function<void()> done)
{
    if (!widget)
        return;
    CanvasOverlayFade *fade = of(widget);
    if (!fade)
        fade = new CanvasOverlayFade(widget);
    fade->start(fade->m_opacity, to, ms, std::move(done));
}

void CanvasOverlayFade::fadeIn(QWidget *widget, int ms)
{
    if (!widget)
        return;
    CanvasOverlayFade *fade = of(widget);
    if (!fade)
        fade = new CanvasOverlayFade(widget);
    fade->start(0.0, 1.0, ms, {});
}

qreal CanvasOverlayFade::opacity(const QWidget *widget)
{
    const CanvasOverlayFade *fade = of(widget);
    return fade ? fade->m_opacity : 1.0;
}

void CanvasOverlayFade::stop()
{
    Scheduler &s = Scheduler::instance();
    if (m_ticker)
        s.cancel(m_ticker);
    if (m_doneTimer)
        s.cancel(m_doneTimer);
    m_ticker = m_doneTimer = 0;
}

void CanvasOverlayFade::start(qreal from, qreal to, int ms, std::function<void()> done)
{
    stop();
    const quint64 generation = ++m_generation;
    m_opacity = from;
    if (!m_effect) {
        m_effect = new QGraphicsOpacityEffect(m_widget);
        m_widget->setGraphicsEffect(m_effect); // owned by the widget
    }
    m_effect->setOpacity(from);
    Scheduler &s = Scheduler::instance();
    const qint64 start = s.monotonicMs();
    auto apply = [this](qreal value) {
        m_opacity = value;
        if (m_effect)
            m_effect->setOpacity(value);
    };
    m_ticker = s.repeating(frameMs, this, [this, generation, from, to, start, ms, apply] {
        if (generation != m_generation)
            return;
        const qreal p = std::clamp(qreal(Scheduler::instance().monotonicMs() - start) / std::max(ms, 1), 0.0, 1.0);
        const qreal eased = p < 0.5 ? 2 * p * p : 1 - 2 * (1 - p) * (1 - p);
        apply(from + (to - from) * eased);
    });
    QPointer<CanvasOverlayFade> self(this);
    m_doneTimer = s.singleShot(ms, this, [self, generation, to, apply, done = std::move(done)] {
        if (!self || generation != self->m_generation)
            return;
        self->stop();
        apply(to);
        if (to >= 1.0 && self->m_widget) {
            // Fully shown: no effect stays on the overlay's content.
            self->m_widget->setGraphicsEffect(nullptr);
            self->m_effect = nullptr;
        }
        if (done)
            done(); // may delete the widget, and this with it
    });
}
