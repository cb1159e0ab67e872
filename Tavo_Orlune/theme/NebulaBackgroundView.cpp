#include "theme/NebulaBackgroundView.h"
#include "theme/ImageBlur.h"
#include "theme/Materials.h"
#include "Platform/NotificationCenter.h"
#include "Platform/Scheduler.h"

#include <QEasingCurve>
#include <QMutex>
#include <QPainter>
#include <QSet>
#include <cmath>

namespace {
constexpr int kDownscale = 4;       // frames are composed at a quarter of the resolution
constexpr qint64 kEntranceMs = 1000; // shrink from 2x and post the notification after this
constexpr qint64 kFrameMs = 16;

QMutex g_postedMutex;
QSet<QString> g_posted;

// The platform's named colours.
const QColor kPurple(175, 82, 222);
const QColor kBlue(0, 122, 255);
const QColor kCyan(50, 173, 230);
const QColor kPink(255, 45, 85);
}

NebulaView::NebulaView(const QString &notificationName, const qreal sizes[4], double colorOpacity, QWidget *parent)
    : QWidget(parent)
    , m_notificationName(notificationName)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    const QColor colors[4] = {kPurple, kBlue, kCyan, kPink};
    const qreal xs[4] = {-200, 200, 200, -200};
    const qreal ys[4] = {-100, -100, 100, 100};
    const qreal blurs[4] = {120, 100, 130, 110};
    for (int i = 0; i < 4; ++i) {
        QColor c = colors[i];
        c.setAlphaF(float(colorOpacity));
        m_blobs.push_back(Blob{QUuid::createUuid(), c, sizes[i], xs[i], ys[i], blurs[i]});
    }
}

bool NebulaView::hasPosted(const QString &notificationName)
{
    QMutexLocker lock(&g_postedMutex);
    return g_posted.contains(notificationName);
}

qreal NebulaView::scale() const
{
    if (m_scaleStartMs < 0)
        return 2.0;
    const qint64 elapsed = Scheduler::instance().monotonicMs() - m_scaleStartMs;
    if (elapsed >= kEntranceMs)
        return 1.0;
    const double progress = QEasingCurve(QEasingCurve::OutQuad).valueForProgress(double(elapsed) / kEntranceMs);
    return 2.0 - progress;
}

QPointF NebulaView::blobCenter(int i, const QSizeF &size, double t) const
{
    const Blob &b = m_blobs[size_t(i)];
    const double theta = 0.05 * t + i;
    return QPointF(size.width() / 2 + b.x + 40 * std::cos(theta), size.height() / 2 + b.y + 40 * std::sin(theta));
}

double NebulaView::hueRotation(int i, double t)
{
    return std::fmod(30.0 * i + 10.0 * t, 360.0);
}

void NebulaView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    Scheduler &s = Scheduler::instance();
    if (m_scaleStartMs < 0)
        m_scaleStartMs = s.monotonicMs();
    if (!(m_frameTimer && s.isActive(m_frameTimer)))
        m_frameTimer = s.repeating(kFrameMs, this, [this] { update(); });
    // Every appearance schedules the check; only the first one posts.
    s.singleShot(kEntranceMs, this, [this] {
        if (m_notificationSent)
            return;
        m_notificationSent = true;
        {
            QMutexLocker lock(&g_postedMutex);
            g_posted.insert(m_notificationName);
        }
        NotificationCenter::defaultCenter().post(m_notificationName);
    });
}

void NebulaView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (m_frameTimer) {
        Scheduler::instance().cancel(m_frameTimer);
        m_frameTimer = 0;
    }
}

void NebulaView::ensureMasks()
{
    if (!m_masks.empty())
        return;
    for (const Blob &b : m_blobs) {
        // A white disc (the colour is applied per frame), blurred, with room for the blur.
        const qreal pad = 3 * b.blur;
        const int side = int(std::ceil((b.size + 2 * pad) / kDownscale));
        QImage disc(side, side, QImage::Format_ARGB32_Premultiplied);
        disc.fill(Qt::transparent);
        QPainter p(&disc);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        const qreal d = b.size / kDownscale;
        p.drawEllipse(QRectF((side - d) / 2, (side - d) / 2, d, d));
        p.end();
        m_masks.push_back(ImageBlur::blurred(disc, b.blur / kDownscale));
        m_tinted.emplace_back(side, side, QImage::Format_ARGB32_Premultiplied);
    }
}

void NebulaView::renderFrame(QPainter &painter, const QRectF &rect, double t)
{
    ensureMasks();
    const QSize low(std::max(1, int(std::ceil(rect.width() / kDownscale))), std::max(1, int(std::ceil(rect.height() / kDownscale))));
    if (m_frame.size() != low)
        m_frame = QImage(low, QImage::Format_ARGB32_Premultiplied);
    m_frame.fill(Qt::transparent);

    QPainter fp(&m_frame);
    fp.setRenderHint(QPainter::SmoothPixmapTransform);
    const qreal s = scale();
    const QPointF c(low.width() / 2.0, low.height() / 2.0);
    fp.translate(c);
    fp.scale(s, s);
    fp.translate(-c);
    const QColor veil = Materials::ultraThin();
    for (int i = 0; i < int(m_blobs.size()); ++i) {
        const Blob &b = m_blobs[size_t(i)];
        // The disc's colour under the thin material, then turned in hue.
        const double va = veil.alphaF(), ca = b.color.alphaF();
        const double alpha = va + ca * (1 - va);
        auto channel = [&](double colour, double veilColour) {
            return alpha > 0 ? (veilColour * va + colour * ca * (1 - va)) / alpha : 0.0;
        };
        QColor mixed = QColor::fromRgbF(float(channel(b.color.redF(), veil.redF())), float(channel(b.color.greenF(), veil.greenF())),
                                        float(channel(b.color.blueF(), veil.blueF())), float(alpha));
        float h, sat, v, a;
        mixed.getHsvF(&h, &sat, &v, &a);
        h = float(std::fmod(double(std::max(h, 0.0f)) + hueRotation(i, t) / 360.0, 1.0));
        const QColor tint = QColor::fromHsvF(h, sat, v, a);

        QImage &tinted = m_tinted[size_t(i)];
        tinted.fill(tint);
        {
            QPainter tp(&tinted);
            tp.setCompositionMode(QPainter::CompositionMode_DestinationIn);
            tp.drawImage(0, 0, m_masks[size_t(i)]);
        }
        const QPointF centre = blobCenter(i, rect.size(), t) / kDownscale;
        fp.drawImage(QPointF(centre.x() - tinted.width() / 2.0, centre.y() - tinted.height() / 2.0), tinted);
    }
    fp.end();

    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(rect.topLeft(), QSizeF(low) * kDownscale), m_frame);
    painter.restore();
}

void NebulaView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    renderFrame(p, rect(), Scheduler::instance().nowSecondsSince2001());
}

namespace {
const qreal kNebulaSizes[4] = {700, 650, 700, 650};
const qreal kCanvasNebulaSizes[4] = {600, 550, 600, 550};
}

NebulaBackgroundView::NebulaBackgroundView(QWidget *parent)
    : NebulaView(animationFinishedNotification(), kNebulaSizes, 0.3, parent)
{
}

CanvasNebulaBackgroundView::CanvasNebulaBackgroundView(QWidget *parent)
    : NebulaView(animationFinishedNotification(), kCanvasNebulaSizes, 0.1, parent)
{
}
