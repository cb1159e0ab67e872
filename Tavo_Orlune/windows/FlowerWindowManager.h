#pragma once
#include "widgets/BaseWindowManager.h"
#include "windows/WindowPlacement.h"

#include "widgets/FlowerAnimationView.h"

#include <QPointer>
#include <functional>
#include <optional>

class AudioRecorderInterface;
class FlowerAnimationView;

// Owns the flower: a 240 × 240 floating panel near the bottom of the screen that never takes
// focus, hosting the voice control. A tap on the flower starts or stops a recording through
// the shared recorder (reported as "voice_recording" with source "flower"); the coordinator
// does the same by posting "startFlowerRecording" and "stopFlowerRecording". While recording
// the flower is expanded.
//
// The user can drag the flower anywhere; its origin is saved under "FlowerWindowOrigin" and
// its horizontal centre remembered. Every placement (show, start or end of a recording) keeps
// that horizontal position and puts the flower 36 pt above the bottom of the visible frame.
//
// Posts "FlowerViewWillAppear" (a recording starts), "FlowerRecordingDidEnd" (after the
// transcription), "showCanvasWindow" and "toggleTranscriptWindowFromFlower" (its buttons).
class FlowerWindowManager : public BaseWindowManager {
    Q_OBJECT
public:
    static constexpr int programmaticMoveMs = 400;
    // How long the message of a recording that could not start stays on the flower.
    static constexpr int messageMs = 4000;
    static inline const QString originKey = QStringLiteral("FlowerWindowOrigin");

    // The main screen's frames; tests inject their own. Default: the primary screen.
    using ScreenFramesProvider = std::function<std::optional<ScreenFrames>()>;

    explicit FlowerWindowManager(AudioRecorderInterface *audioManagerService, QObject *parent = nullptr);
    ~FlowerWindowManager() override;

    void setScreenFramesProvider(ScreenFramesProvider provider) { m_screenFrames = std::move(provider); }

    bool isVisible() const { return m_isVisible; }
    bool isExpanded() const { return m_isExpanded; }
    bool isRecording() const { return m_isRecording; }
    bool isProgrammaticallyResizing() const { return m_isProgrammaticallyResizing; }
    std::optional<qreal> intendedCenterX() const { return m_intendedCenterX; }
    FlowerAnimationView *flowerView() const { return m_flowerView; }
    // The message of a recording that could not start, while it is shown.
    QString message() const { return m_message; }

    void showFlowerWindow();
    void show() override;
    void hide() override;
    void positionWindow() override;

    void startRecording();
    void stopRecording();
    void handleFlowerTap();

    // The saved origin: a map with number entries "x" and "y", else none.
    static std::optional<QPointF> loadSavedOrigin();
    static void saveOrigin(const QPointF &origin);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setupObservers();
    void recordingFailed(const QString &source, const QString &message);
    void createFlowerPanel();
    void setupFlowerContent();
    void updateFlowerContent();
    void collapse();
    void windowDidMove();
    void fadeIn();

    QPointer<AudioRecorderInterface> m_audioManagerService;
    bool m_isVisible = false;
    bool m_isExpanded = false;
    bool m_isRecording = false;
    bool m_isProgrammaticallyResizing = false;
    std::optional<qreal> m_intendedCenterX;
    quint64 m_placementId = 0;
    QPointer<FlowerAnimationView> m_flowerView;
    QString m_message;
    quint64 m_messageTimer = 0;
    ScreenFramesProvider m_screenFrames;
};
