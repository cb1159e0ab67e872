#include "tutorial/NoControlsVideoPlayer.h"

#include <QMediaPlayer>
#include <QPainter>
#include <QPainterPath>
#include <QVideoFrame>
#include <QVideoSink>

NoControlsVideoPlayer::NoControlsVideoPlayer(QMediaPlayer *player, QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setPlayer(player);
}

NoControlsVideoPlayer::~NoControlsVideoPlayer()
{
    // The sink outlives this part of the object; no frame may reach it on the way out.
    if (!m_sink)
        return;
    disconnect(m_sink, nullptr, this, nullptr);
    if (m_player && m_player->videoSink() == m_sink)
        m_player->setVideoOutput(nullptr);
}

void NoControlsVideoPlayer::setPlayer(QMediaPlayer *player)
{
    if (m_player == player)
        return;
    if (m_player && m_sink && m_player->videoSink() == m_sink)
        m_player->setVideoOutput(nullptr);
    m_player = player;
    m_frame = QImage();
    update();
    if (!player)
        return;
    // Made with the first player: the multimedia library is not touched before there is one.
    if (!m_sink) {
        m_sink = new QVideoSink(this);
        connect(m_sink, &QVideoSink::videoFrameChanged, this, &NoControlsVideoPlayer::takeFrame);
    }
    player->setVideoOutput(m_sink);
    if (isVisible())
        player->play();
}

void NoControlsVideoPlayer::setCornerRadius(qreal radius)
{
    m_cornerRadius = radius;
    update();
}

void NoControlsVideoPlayer::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_player)
        m_player->play();
}

void NoControlsVideoPlayer::takeFrame(const QVideoFrame &frame)
{
    if (!frame.isValid())
        return;
    const bool first = m_frame.isNull();
    m_frame = frameImage(frame);
    if (m_frame.isNull())
        return;
    update();
    if (first)
        Q_EMIT firstFrameShown();
}

QImage NoControlsVideoPlayer::frameImage(const QVideoFrame &source)
{
    const QVideoFrameFormat::PixelFormat format = source.pixelFormat();
    const bool planar = format == QVideoFrameFormat::Format_YUV420P || format == QVideoFrameFormat::Format_YV12;
    const bool semiPlanar = format == QVideoFrameFormat::Format_NV12 || format == QVideoFrameFormat::Format_NV21;
    if (!planar && !semiPlanar)
        return source.toImage();
    QVideoFrame frame(source);
    if (!frame.map(QVideoFrame::ReadOnly))
        return {};
    const int w = frame.width();
    const int h = frame.height();
    QImage image(w, h, QImage::Format_RGB32);
    const uchar *luma = frame.bits(0);
    const int lumaStride = frame.bytesPerLine(0);
    // Chroma planes (U then V) or one interleaved plane, each at half resolution.
    const bool swapped = format == QVideoFrameFormat::Format_YV12 || format == QVideoFrameFormat::Format_NV21;
    const uchar *cb = frame.bits(1);
    const uchar *cr = planar ? frame.bits(2) : frame.bits(1) + 1;
    if (swapped)
        std::swap(cb, cr);
    const int chromaStride = frame.bytesPerLine(1);
    const int step = planar ? 1 : 2;
    const bool full = frame.surfaceFormat().colorRange() == QVideoFrameFormat::ColorRange_Full;
    for (int y = 0; y < h; ++y) {
        auto *out = reinterpret_cast<QRgb *>(image.scanLine(y));
        const uchar *row = luma + y * lumaStride;
        const int c = (y / 2) * chromaStride;
        for (int x = 0; x < w; ++x) {
            // BT.601, in 16.16 fixed point.
            const int luminance = full ? row[x] * 65536 : (row[x] - 16) * 76309;
            const int u = cb[c + (x / 2) * step] - 128;
            const int v = cr[c + (x / 2) * step] - 128;
            const int r = (luminance + 104597 * v) >> 16;
            const int g = (luminance - 25675 * u - 53279 * v) >> 16;
            const int b = (luminance + 132201 * u) >> 16;
            out[x] = qRgb(qBound(0, r, 255), qBound(0, g, 255), qBound(0, b, 255));
        }
    }
    frame.unmap();
    return image;
}

QRectF NoControlsVideoPlayer::aspectFillRect(const QSizeF &picture, const QRectF &target)
{
    if (picture.isEmpty() || target.isEmpty())
        return target;
    const QSizeF covered = picture.scaled(target.size(), Qt::KeepAspectRatioByExpanding);
    QRectF r(QPointF(), covered);
    r.moveCenter(target.center());
    return r;
}

void NoControlsVideoPlayer::paintEvent(QPaintEvent *)
{
    if (m_frame.isNull())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF area = rect();
    const QRectF picture = aspectFillRect(m_frame.size(), area);
    // The frame as the brush of a rounded shape: antialiased corners, which a clip would not give.
    QBrush brush(m_frame);
    QTransform t;
    t.translate(picture.x(), picture.y());
    t.scale(picture.width() / m_frame.width(), picture.height() / m_frame.height());
    brush.setTransform(t);
    QPainterPath shape;
    shape.addRoundedRect(area, m_cornerRadius, m_cornerRadius);
    p.setPen(Qt::NoPen);
    p.fillPath(shape, brush);
}
