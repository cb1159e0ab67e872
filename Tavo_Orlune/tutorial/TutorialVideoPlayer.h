#pragma once
#include <QString>
#include <QWidget>

class QMediaPlayer;

// The looping video of a tutorial step. While the view is on screen it plays its movie with
// sound in an endless loop; when it leaves the screen it stops and cleans up. The movie comes
// from a data asset (the resource ":/assets/<name>.mp4", copied first to a temporary file of
// this player's own) or from the file <name>.mp4 in the resource folder. Until the movie's
// first picture is there, a "Loading Video..." placeholder shows: briefly, or for good when the
// movie cannot be had.
class TutorialVideoPlayer : public QWidget {
    Q_OBJECT
public:
    TutorialVideoPlayer(const QString &videoName, bool useDataAsset, bool showControls, QWidget *parent = nullptr);
    ~TutorialVideoPlayer() override;

    QString videoName() const { return m_videoName; }
    bool useDataAsset() const { return m_useDataAsset; }
    bool showControls() const { return m_showControls; }

    // The player once set up; none while loading. After the view leaves the screen it stays,
    // paused, until the next appearance replaces it.
    QMediaPlayer *player() const { return m_player; }
    // Whether the player repeats its movie (the looper is on).
    bool isLooping() const { return m_looping; }
    // The temporary copy of the data asset; empty when none is held.
    QString tempVideoPath() const { return m_tempVideoPath; }
    bool showsPlaceholder() const;

    static constexpr qreal videoHeight = 392;
    static constexpr qreal cornerRadius = 22;
    static QString placeholderText() { return QStringLiteral("Loading Video..."); }
    // Whether Qt Multimedia has a backend to load here. Without one the library ends the
    // process at the first player, so no player is made and the placeholder stays.
    static bool backendAvailable();
    // The resource a data asset of that name is read from; empty for a name that is no asset name.
    static QString dataAssetPath(const QString &name);

Q_SIGNALS:
    // The first picture of the movie is on screen: the placeholder is gone.
    void videoShown();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setupVideoFromDataAsset();
    void setupVideoFromBundle();
    void startPlayer(const QString &file);
    void cleanupVideo();
    bool contentHasFrame() const;

    const QString m_videoName;
    const bool m_useDataAsset;
    const bool m_showControls;
    QMediaPlayer *m_player = nullptr;
    bool m_looping = false;
    QString m_tempVideoPath;
    QWidget *m_content;  // NoControlsVideoPlayer or StandardVideoPlayerView
    QWidget *m_border;   // the outline, above the picture
};
