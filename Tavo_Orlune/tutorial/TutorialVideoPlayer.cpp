#include "tutorial/TutorialVideoPlayer.h"
#include "tutorial/NoControlsVideoPlayer.h"
#include "tutorial/StandardVideoPlayerView.h"

#include "Platform/AppPaths.h"
#include "Platform/Log.h"
#include "theme/Color.h"
#include "theme/Fonts.h"

#include <QAudioOutput>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QPainter>
#include <QPainterPath>
#include <QUrl>

TutorialVideoPlayer::TutorialVideoPlayer(const QString &videoName, bool useDataAsset, bool showControls, QWidget *parent)
    : QWidget(parent), m_videoName(videoName), m_useDataAsset(useDataAsset), m_showControls(showControls),
      m_border(nullptr)
{
    setObjectName(QStringLiteral("tutorialVideoPlayer"));
    setFixedHeight(int(videoHeight));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    if (showControls) {
        auto *view = new StandardVideoPlayerView(nullptr, this);
        view->setCornerRadius(cornerRadius);
        connect(view->picture(), &NoControlsVideoPlayer::firstFrameShown, this, [this] {
            update();
            Q_EMIT videoShown();
        });
        m_content = view;
    } else {
        auto *view = new NoControlsVideoPlayer(nullptr, this);
        view->setCornerRadius(cornerRadius);
        connect(view, &NoControlsVideoPlayer::firstFrameShown, this, [this] {
            update();
            Q_EMIT videoShown();
        });
        m_content = view;
    }
    m_content->setObjectName(QStringLiteral("videoContent"));
    m_border = new QWidget(this);
    m_border->setObjectName(QStringLiteral("videoBorder"));
    m_border->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_border->setAttribute(Qt::WA_TranslucentBackground);
    m_border->installEventFilter(this);
}

TutorialVideoPlayer::~TutorialVideoPlayer()
{
    // Destroyed while on screen, the view sees no hide: the temporary file goes all the same.
    cleanupVideo();
    delete m_player;
}

QString TutorialVideoPlayer::dataAssetPath(const QString &name)
{
    if (name.isEmpty() || name.contains(u'/'))
        return {};
    return QStringLiteral(":/assets/") + name + QStringLiteral(".mp4");
}

bool TutorialVideoPlayer::backendAvailable()
{
    // The library looks for its backends in the "multimedia" folder of the plugin paths and
    // takes the one QT_MEDIA_BACKEND names, when it names one.
    static const bool available = [] {
        const QString wanted = qEnvironmentVariable("QT_MEDIA_BACKEND");
        const QString pattern = QStringLiteral("*") + wanted + QStringLiteral("mediaplugin*");
        for (const QString &dir : QCoreApplication::libraryPaths())
            if (!QDir(dir + QStringLiteral("/multimedia")).entryList({pattern}, QDir::Files).isEmpty())
                return true;
        Log::line(QStringLiteral("⚠️ [TutorialVideoPlayer] No multimedia backend: the tutorial videos do not play"));
        return false;
    }();
    return available;
}

bool TutorialVideoPlayer::contentHasFrame() const
{
    if (auto *plain = qobject_cast<NoControlsVideoPlayer *>(m_content))
        return plain->hasFrame();
    return static_cast<StandardVideoPlayerView *>(m_content)->picture()->hasFrame();
}

bool TutorialVideoPlayer::showsPlaceholder() const
{
    return !m_player || !contentHasFrame();
}

void TutorialVideoPlayer::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_useDataAsset)
        setupVideoFromDataAsset();
    else
        setupVideoFromBundle();
}

void TutorialVideoPlayer::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    cleanupVideo();
}

void TutorialVideoPlayer::setupVideoFromDataAsset()
{
    QFile asset(dataAssetPath(m_videoName));
    if (asset.fileName().isEmpty() || !asset.open(QIODevice::ReadOnly)) {
        Log::line(QStringLiteral("Data asset ") + m_videoName + QStringLiteral(" not found"));
        return;
    }
    const QByteArray data = asset.readAll();
    // A file of this player's own, under a fresh name in the private temporary folder: two
    // players of one video (the outgoing and the incoming card of a quick Back) never share
    // it, so one's clean-up cannot delete the other's movie, and no other user can plant a
    // link under a name we would write to.
    const QString path = AppPaths::uniqueTempFilePath(m_videoName + u'-', QStringLiteral(".mp4"));
    QString error;
    if (!AppPaths::writePrivateFile(path, data, &error)) {
        Log::line(QStringLiteral("Failed to setup video from data asset: ") + error);
        return;
    }
    // A setup after an appearance whose clean-up did not run still leaves one file only.
    if (!m_tempVideoPath.isEmpty() && m_tempVideoPath != path)
        QFile::remove(m_tempVideoPath);
    m_tempVideoPath = path;
    startPlayer(path);
}

void TutorialVideoPlayer::setupVideoFromBundle()
{
    const QString path = AppPaths::resourceDir() + u'/' + m_videoName + QStringLiteral(".mp4");
    if (m_videoName.isEmpty() || m_videoName.contains(u'/') || !QFile::exists(path)) {
        Log::line(QStringLiteral("Video file ") + m_videoName + QStringLiteral(".mp4 not found in bundle"));
        return;
    }
    startPlayer(path);
}

void TutorialVideoPlayer::startPlayer(const QString &file)
{
    if (!backendAvailable())
        return;
    // The new player replaces the old one; the old one is released.
    auto *player = new QMediaPlayer(this);
    // With sound, at the default volume, where there is a device to play it on. Without one
    // the backend's attempts to open a sound device hold the main thread while the first
    // picture waits for it, long enough for the backend to drop the movie.
    if (!QMediaDevices::defaultAudioOutput().isNull()) {
        auto *audio = new QAudioOutput(player);
        audio->setMuted(false);
        player->setAudioOutput(audio);
    }
    player->setLoops(QMediaPlayer::Infinite);
    player->setSource(QUrl::fromLocalFile(file));
    connect(player, &QMediaPlayer::errorOccurred, this, [this](QMediaPlayer::Error, const QString &message) {
        Log::line(QStringLiteral("⚠️ [TutorialVideoPlayer] Cannot play ") + m_videoName + QStringLiteral(": ") + message);
    });
    QMediaPlayer *old = m_player;
    m_player = player;
    m_looping = true;
    // Showing the player plays it (the content is on screen with this view).
    if (auto *plain = qobject_cast<NoControlsVideoPlayer *>(m_content))
        plain->setPlayer(player);
    else
        static_cast<StandardVideoPlayerView *>(m_content)->setPlayer(player);
    if (old) {
        old->stop();
        old->deleteLater();
    }
    update();
}

void TutorialVideoPlayer::cleanupVideo()
{
    if (m_player)
        m_player->pause();
    if (m_looping) {
        if (m_player)
            m_player->setLoops(QMediaPlayer::Once);
        m_looping = false;
    }
    if (!m_tempVideoPath.isEmpty()) {
        // A failure is ignored: the file is in our private folder, swept at the next start.
        QFile::remove(m_tempVideoPath);
        m_tempVideoPath.clear();
    }
}

void TutorialVideoPlayer::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_content->setGeometry(rect());
    m_border->setGeometry(rect());
    m_border->raise();
}

void TutorialVideoPlayer::paintEvent(QPaintEvent *)
{
    if (!showsPlaceholder())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    p.fillPath(shape, Color::hex(u"#FFFFFF", 0.9));
    p.setFont(Fonts::bodyFont());
    p.setPen(Color::textPrimary());
    p.drawText(rect(), Qt::AlignCenter, placeholderText());
}

bool TutorialVideoPlayer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_border && event->type() == QEvent::Paint) {
        // The outline lies over the picture: a 1 pt white line centred on the rounded edge.
        QPainter p(m_border);
        p.setRenderHint(QPainter::Antialiasing);
        QPen pen(Qt::white, 1.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        pen.setMiterLimit(10);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(m_border->rect()), cornerRadius, cornerRadius);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
