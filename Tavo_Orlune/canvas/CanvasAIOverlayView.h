#pragma once
#include "Platform/NotificationCenter.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

class AudioManagerService;
class CanvasCoordinator;
class CanvasSearchFieldView;
class ControlsRowView;
class FlowerAnimationView;
class SearchViewModel;

// The floating prompt bar at the bottom centre of the canvas: a request typed (or dictated)
// here becomes a new task through the coordinator's submitQuery, in the category the bar aims
// at ("All Tasks" unless a column asked for the bar). While the pointer is away the bar sinks
// partly below its resting place; it rises on hover and on request.
//
// Input modes: typing (editor and controls) and the microphone mode (close button, flower,
// send button), which records on the coordinator's recorder under the source "canvas":
//
//   record button, empty field   controls leave; 0.25 s later the microphone row comes in;
//                                0.55 s after the tap the recording starts
//   close button                 the recording is dropped; back to typing
//   send button or flower tap    the recording stops and is transcribed; the trimmed transcript
//                                replaces the field (nothing is sent); back to typing
//   "resetMicrophoneMode"        the coordinator has dealt with the recorder; back to typing
//
// Every delayed step belongs to one opening of the microphone mode: leaving the mode cancels
// the pending start, and only a recording this bar started brings its transcript into the field.
// Main thread only; timing through Scheduler.
class CanvasAIOverlayView : public QWidget {
    Q_OBJECT
public:
    static constexpr int barWidth = 420;
    static constexpr int focusDelayMs = 600;
    static constexpr int controlsHideMs = 250;
    static constexpr int recordingStartDelayMs = 550;
    static constexpr int returnDelayMs = 350;
    static constexpr int bounceMs = 200;
    static constexpr qreal lowerAboveScreenY = 50;
    static inline const QString kAllTasks = QStringLiteral("All Tasks");
    // The name the bar stops a recording under; it matches no recording source.
    static inline const QString kStopSourceName = QStringLiteral("CanvasAIOverlayView");

    static const QStringList &placeholderTexts();

    // coordinator: the app-wide coordinator (its CanvasCoordinator port is used), held weakly.
    explicit CanvasAIOverlayView(QObject *coordinator, QWidget *parent = nullptr);
    ~CanvasAIOverlayView() override;

    SearchViewModel *searchViewModel() const { return m_searchViewModel; }
    CanvasSearchFieldView *searchField() const { return m_searchField; }
    ControlsRowView *controlsRow() const { return m_controlsRow; }
    QWidget *microphoneRow() const { return m_microphoneRow; }

    bool isSearchFocused() const { return m_isSearchFocused; }
    bool shouldFocusTextEditor() const { return m_shouldFocusTextEditor; }
    bool isMicrophoneMode() const { return m_isMicrophoneMode; }
    bool isControlsVisible() const { return m_isControlsVisible; }
    bool isHovered() const { return m_isHovered; }
    bool animateBounce() const { return m_animateBounce; }
    QString targetCategoryTitle() const { return m_targetCategoryTitle; }
    bool isMiniAppEnabled() const;
    void setMiniAppEnabled(bool enabled);
    // How far below its raised place the bar sits now (points).
    int loweredOffset() const;

    void configureOnAppear();
    void submitPrompt(const QString &text);
    void handleHover(bool hovering);
    // Leaving reads the pointer's height above the bottom of its screen.
    void handleHoverAt(bool hovering, qreal pointerHeightAboveScreenBottom);
    void handleMicrophoneTap();
    void startVoiceInput();
    void cancelVoiceInput();
    void finishVoiceInput();
    void insertSearchText(const Notification &notification);
    void resetMicrophoneMode();
    void focusPromptBar();
    void focusPromptBarWithCategory(const Notification &notification);

Q_SIGNALS:
    void stateChanged();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    CanvasCoordinator *port() const;
    AudioManagerService *audio() const;
    void buildMicrophoneRow();
    void applyTranscription(quint64 opening, const QString &transcript);
    void leaveMicrophoneMode();
    void toggleFocusRequest();
    void setHovered(bool hovered);
    void setTargetCategoryTitle(const QString &title);
    void setMicrophoneMode(bool on);
    void setControlsVisible(bool visible);
    void bounce();
    void place();
    void trackVoiceRecording(const QString &action);
    void cancelPendingStart();

    QPointer<QObject> m_coordinator;
    SearchViewModel *m_searchViewModel;
    CanvasSearchFieldView *m_searchField;
    ControlsRowView *m_controlsRow;
    QWidget *m_microphoneRow = nullptr;
    FlowerAnimationView *m_flower = nullptr;
    QList<NotificationCenter::Token> m_observers;

    bool m_isSearchFocused = true;
    bool m_shouldFocusTextEditor = true;
    bool m_isMicrophoneMode = false;
    bool m_isControlsVisible = true;
    bool m_isHovered = false;
    bool m_animateBounce = false;
    QString m_targetCategoryTitle = kAllTasks;

    // Counts openings and endings of the microphone mode; a delayed step belongs to one.
    quint64 m_opening = 0;
    // The opening in which this bar asked the recorder to start (0: none).
    quint64 m_startAsked = 0;
    // The opening whose recording the recorder accepted from this bar (0: none).
    quint64 m_recordingOpening = 0;
    bool m_finishing = false;
    quint64 m_modeTimer = 0;
    quint64 m_startTimer = 0;
};
