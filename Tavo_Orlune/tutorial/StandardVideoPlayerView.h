#pragma once
#include <QPointer>
#include <QWidget>

class NoControlsVideoPlayer;
#include <QMediaPlayer>
class QSlider;
class QToolButton;

// A player's picture with the usual playback controls over its bottom edge: play/pause and a
// position slider that also seeks.
class StandardVideoPlayerView : public QWidget {
    Q_OBJECT
public:
    explicit StandardVideoPlayerView(QMediaPlayer *player = nullptr, QWidget *parent = nullptr);

    QMediaPlayer *player() const { return m_player; }
    void setPlayer(QMediaPlayer *player);
    void setCornerRadius(qreal radius);
    NoControlsVideoPlayer *picture() const { return m_picture; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void showState();

    QPointer<QMediaPlayer> m_player;
    NoControlsVideoPlayer *m_picture;
    QWidget *m_bar;
    QToolButton *m_playPause;
    QSlider *m_position;
    QList<QMetaObject::Connection> m_connections;
};
