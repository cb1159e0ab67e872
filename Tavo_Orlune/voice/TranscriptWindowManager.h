#pragma once
#include "widgets/BaseWindowManager.h"

#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>

class AudioManagerService;
class TranscriptCoordinator;
class TranscriptView;

// Owns one floating transcript panel: a frameless, translucent panel of 408 by 500 points at the
// bottom centre of the main screen, 30 points above the bottom of its available area, hosting a
// fresh TranscriptView at every show. Hides when a flower recording starts, follows the
// transcript's height and the audio service's transcription, and empties the transcription
// when it hides. Never writes the transcript text itself.
class TranscriptWindowManager : public BaseWindowManager {
    Q_OBJECT
public:
    static constexpr int kPanelWidth = 408;
    static constexpr int kPanelHeight = 500;
    static constexpr int kBottomMargin = 30;
    static inline const QString kWillAppear = QStringLiteral("TranscriptViewWillAppear");
    static inline const QString kDidDisappear = QStringLiteral("TranscriptViewDidDisappear");
    static inline const QString kFlowerViewWillAppear = QStringLiteral("FlowerViewWillAppear");

    TranscriptWindowManager(TranscriptCoordinator *mainViewModel, AudioManagerService *audioManagerService, QObject *parent = nullptr);
    ~TranscriptWindowManager() override;

    // Where the panel's top-left corner goes for a screen's available area (Qt coordinates).
    static QPoint panelOrigin(const QRect &availableGeometry, const QSize &panelSize);

    void show() override;
    void hide() override;
    void positionWindow() override;

    // The close action of every view of this manager: reports the close, then hides the panel
    // when the manager is still there.
    static void handleClose(QPointer<TranscriptWindowManager> manager, const QString &source);

    bool isWindowVisible() const { return m_isWindowVisible; }
    TranscriptView *content() const { return m_content; }

Q_SIGNALS:
    void isWindowVisibleChanged(bool visible);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createWindow();
    void loadContent();
    void setWindowVisible(bool visible);
    bool isOnScreen() const;

    QPointer<TranscriptCoordinator> m_mainViewModel;
    QPointer<AudioManagerService> m_audioManagerService;
    QPointer<TranscriptView> m_content;
    bool m_isWindowVisible = false;
    quint64 m_transcriptionDebounce = 0;
    QPoint m_dragOffset;
    bool m_dragging = false;
};
