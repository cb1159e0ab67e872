#include "tutorial/StandardVideoPlayerView.h"
#include "tutorial/NoControlsVideoPlayer.h"

#include <QHBoxLayout>
#include <QMediaPlayer>
#include <QSlider>
#include <QStyle>
#include <QToolButton>

namespace {
constexpr int barHeight = 36;
constexpr int barMargin = 12;
}

StandardVideoPlayerView::StandardVideoPlayerView(QMediaPlayer *player, QWidget *parent)
    : QWidget(parent), m_picture(new NoControlsVideoPlayer(nullptr, this)), m_bar(new QWidget(this)),
      m_playPause(new QToolButton(m_bar)), m_position(new QSlider(Qt::Horizontal, m_bar))
{
    setAttribute(Qt::WA_TranslucentBackground);
    m_bar->setObjectName(QStringLiteral("playbackControls"));
    m_bar->setAutoFillBackground(true);
    QPalette palette = m_bar->palette();
    palette.setColor(QPalette::Window, QColor(0, 0, 0, 110));
    m_bar->setPalette(palette);
    auto *row = new QHBoxLayout(m_bar);
    row->setContentsMargins(8, 4, 8, 4);
    row->addWidget(m_playPause);
    row->addWidget(m_position, 1);
    m_playPause->setObjectName(QStringLiteral("playPause"));
    m_playPause->setAutoRaise(true);
    m_position->setObjectName(QStringLiteral("position"));
    connect(m_playPause, &QToolButton::clicked, this, [this] {
        if (!m_player)
            return;
        if (m_player->playbackState() == QMediaPlayer::PlayingState)
            m_player->pause();
        else
            m_player->play();
    });
    connect(m_position, &QSlider::sliderMoved, this, [this](int ms) {
        if (m_player)
            m_player->setPosition(ms);
    });
    setPlayer(player);
}

void StandardVideoPlayerView::setPlayer(QMediaPlayer *player)
{
    for (const auto &c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_player = player;
    m_picture->setPlayer(player);
    if (player) {
        m_connections << connect(player, &QMediaPlayer::playbackStateChanged, this, &StandardVideoPlayerView::showState)
                      << connect(player, &QMediaPlayer::durationChanged, this, &StandardVideoPlayerView::showState)
                      << connect(player, &QMediaPlayer::positionChanged, this, [this](qint64 ms) {
                             if (!m_position->isSliderDown())
                                 m_position->setValue(int(ms));
                         });
    }
    showState();
}

void StandardVideoPlayerView::setCornerRadius(qreal radius)
{
    m_picture->setCornerRadius(radius);
}

void StandardVideoPlayerView::showState()
{
    const bool playing = m_player && m_player->playbackState() == QMediaPlayer::PlayingState;
    m_playPause->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    m_playPause->setEnabled(m_player);
    m_position->setEnabled(m_player);
    m_position->setRange(0, m_player ? int(m_player->duration()) : 0);
}

void StandardVideoPlayerView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_picture->setGeometry(rect());
    m_bar->setGeometry(barMargin, height() - barHeight - barMargin, width() - 2 * barMargin, barHeight);
}
