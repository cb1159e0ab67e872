#pragma once
#include <QImage>
#include <QPointer>
#include <QWidget>

#include <QMediaPlayer>
class QVideoFrame;
class QVideoSink;

// Shows a player's picture and nothing else: no controls. The movie fills the widget, keeps its
// aspect ratio and is cropped at the overflowing edges; corners are rounded by cornerRadius.
// Until the first frame arrives it draws nothing, so what lies behind it shows through.
class NoControlsVideoPlayer : public QWidget {
    Q_OBJECT
public:
    explicit NoControlsVideoPlayer(QMediaPlayer *player = nullptr, QWidget *parent = nullptr);
    ~NoControlsVideoPlayer() override;

    QMediaPlayer *player() const { return m_player; }
    // Shows another player in the same widget; plays it at once when the widget is on screen.
    void setPlayer(QMediaPlayer *player);
    void setCornerRadius(qreal radius);

    bool hasFrame() const { return !m_frame.isNull(); }
    QImage currentFrame() const { return m_frame; }
    // The frame as a picture. Planar and semi-planar 4:2:0 frames (what software decoders give)
    // are converted here on the CPU: the library's own conversion sets up a graphics context on
    // first use, which holds the main thread long enough for the backend to give up on its
    // first movie.
    static QImage frameImage(const QVideoFrame &frame);
    // Where a picture of that size lands: centred, scaled to cover the target.
    static QRectF aspectFillRect(const QSizeF &picture, const QRectF &target);

Q_SIGNALS:
    void firstFrameShown();

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void takeFrame(const QVideoFrame &frame);

    QPointer<QMediaPlayer> m_player;
    QVideoSink *m_sink = nullptr;
    QImage m_frame;
    qreal m_cornerRadius = 0;
};
