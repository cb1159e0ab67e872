#pragma once
#include <QAbstractButton>
#include <QPointer>
#include <QPointF>
#include <QWidget>
#include <array>
#include <functional>

#include "Platform/NotificationCenter.h"

class AudioRecorderInterface;
class QVariantAnimation;

// The round image button of the flower's row: a translucent disc with a white template icon;
// grows to 110 % under the pointer.
class CircleButtonFlower : public QAbstractButton {
    Q_OBJECT
public:
    CircleButtonFlower(const QString &buttonImage, std::function<void()> action, QWidget *parent = nullptr);
    QString buttonImage() const { return m_buttonImage; }
    QSize minimumSizeHint() const override { return QSize(24, 24); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_buttonImage;
    std::function<void()> m_action;
};

// The voice control. At rest a small pill of three white dots; when hovered, tapped, or while
// the microphone records for its own source it opens into a row: a Canvas button, the animated
// disc of 24 petals with a label, and a Text button. A tap on the disc (not ending a drag) or on
// its label calls onTap; the host decides what it does.
//
// The petals breathe and sway on a 1/30 s tick that runs only while the control is expanded
// and shown; their speed follows the microphone level.
class FlowerAnimationView : public QWidget {
    Q_OBJECT
public:
    static constexpr int petalCount = 24;
    static constexpr int tickMs = 33; // 1/30 s
    static constexpr int temporaryExpansionMs = 5000;
    static constexpr int resetMs = 300;

    // The host's choices, in the order the hosts list them.
    struct Options {
        bool showBackground = true;
        bool isCompact = false;
        bool showButtons = true;
        bool showLabels = true;
        QString recordingSource = QStringLiteral("flower");
        bool alwaysExpanded = false;
        bool showShadow = true;
        qreal scale = 1.0;
        // Shown in place of the flower's label, also when compact (a recording that failed).
        QString message;
        std::function<void()> onTap;
        std::function<void()> onCanvasTap;
        std::function<void()> onTranscriptTap;
    };

    struct PetalGeometry {
        std::array<double, petalCount> petalAngles;    // degrees
        std::array<double, petalCount> positionPhases; // radians
        std::array<double, petalCount> baseAngles;     // radians
    };
    struct PetalTarget {
        double scale, opacity, dx, dy;
    };

    // audio may be null (then nothing records for the control).
    FlowerAnimationView(AudioRecorderInterface *audio, Options options, QWidget *parent = nullptr);
    ~FlowerAnimationView() override;

    static PetalGeometry makePetalGeometry();
    static PetalTarget petalTarget(const PetalGeometry &geometry, int k, double t, double phase, double wave1, double wave2);
    static PetalTarget restState(int k);

    const Options &options() const { return m_options; }
    bool shouldExpand() const;
    bool isRecordingForOwnSource() const;
    QString labelText() const;

    // Animation engine.
    void startAnimation();
    void stopTimer();
    void updateAnimationState();
    void updatePetals();
    void resetPetals();
    bool isTimerRunning() const { return m_timer != 0; }
    double phaseAccumulator() const { return m_phaseAccumulator; }
    float currentAudioLevel() const { return m_currentAudioLevel; }
    const std::array<double, petalCount> &petalScales() const { return m_petalScales; }
    const std::array<double, petalCount> &petalOpacities() const { return m_petalOpacities; }
    const std::array<QPointF, petalCount> &petalOffsets() const { return m_petalOffsets; }

    // Interaction.
    void handleTap();
    void handleFnKeyDoubleTap();
    void setHovered(bool hovered); // the pill's and the row's hover handler
    bool isHovered() const { return m_isHovered; }
    bool isTapped() const { return m_isTapped; }
    bool isFnKeyTriggered() const { return m_isFnKeyTriggered; }
    bool isDragging() const { return m_isDragging; }
    // While true, dragging the disc moves the top-level window (the flower panel).
    void setMovesWindow(bool moves) { m_movesWindow = moves; }

    // Geometry in widget coordinates (after the control's scale), for hosts and tests.
    QRectF discRect() const;
    QRectF flowerLabelRect() const;
    QRectF pillRect() const;
    CircleButtonFlower *canvasButton() const { return m_canvasButton; }
    CircleButtonFlower *textButton() const { return m_textButton; }

    QSize sizeHint() const override { return QSize(340, 240); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Layout {
        QRectF pill, row, canvasColumn, flowerColumn, textColumn;
        QRectF canvasButton, textButton, disc, canvasLabel, textLabel, flowerLabel;
    };
    Layout layout() const;       // unscaled, centred on the widget's centre
    QTransform rootTransform() const;
    void setupNotificationObservers();
    void removeNotificationObservers();
    void subscribeToAudioLevel();
    void cancelAudioLevelSubscription();
    void endTemporaryExpansion(bool FlowerAnimationView::*flag);
    void refreshExpansion();
    void placeButtons();
    void updateHoverAt(const QPointF &pos);
    void animateLabel(int which, qreal to);
    void paintPetals(QPainter &p, const QRectF &disc);

    Options m_options;
    QPointer<AudioRecorderInterface> m_audio;

    std::array<double, petalCount> m_petalScales{};
    std::array<double, petalCount> m_petalOpacities{};
    std::array<QPointF, petalCount> m_petalOffsets{};
    quint64 m_timer = 0;
    double m_phaseAccumulator = 0;
    float m_currentAudioLevel = 0;
    QMetaObject::Connection m_audioLevelSubscription;
    QList<NotificationCenter::Token> m_notificationObservers;
    bool m_isDragging = false;
    bool m_isHovered = false;
    bool m_isFnKeyTriggered = false;
    bool m_isTapped = false;
    bool m_isCanvasHovered = false;
    bool m_isTextModeHovered = false;
    bool m_isFlowerHovered = false;
    PetalGeometry m_geometry;

    bool m_movesWindow = false;
    bool m_pressOnDisc = false;
    bool m_pressOnLabel = false;
    QPointF m_pressPos;
    QPoint m_pressWindowPos;
    QPointF m_pressGlobal;

    quint64 m_resetTimer = 0;
    bool m_expanded = false;      // shouldExpand as last laid out
    qreal m_expansion = 0;        // 0 pill ... 1 row, animated
    qreal m_discScale = 1.0;      // 0.7 while transcribing, animated
    qreal m_labelOpacity[3] = {0, 0, 0}; // canvas, flower, text
    QVariantAnimation *m_expansionAnimation;
    QVariantAnimation *m_discAnimation;
    QVariantAnimation *m_labelAnimations[3];
    CircleButtonFlower *m_canvasButton = nullptr;
    CircleButtonFlower *m_textButton = nullptr;
};
