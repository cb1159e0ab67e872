#pragma once
#include "tutorial/FloatingIconPosition.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>

class AppStoreContentView;
class CircleButton;
class LocalKeyMonitor;
class QKeyEvent;
class TutorialHoverFlag;

// The canvas tutorial: it dims the whole canvas and shows one card at a time in its centre,
// with a round close button above it: six step cards (a gesture or shortcut each, with its
// looping video) and then the app-store card. Next, Back and Return move between the cards;
// Escape and the close button end the tutorial, and so does a click on the dimmed backdrop
// around the app-store card.
//
// The overlay stores, posts and records nothing and never removes itself: it reports the
// user's decision through onDismiss and onBrowseApps, called on the main thread (onDismiss may
// come more than once; the canvas ignores the later calls). Clicks act on a later main-queue
// turn, never inside the event; Escape calls onDismiss at once.
//
// While on screen it watches the keys of its own window: Return goes forward (on the last
// card it browses apps), Escape dismisses, whatever modifiers are held; keypad Enter and every
// other key pass on. Each presentation is a new overlay, starting at the first step.
class CanvasTutorialOverlayView : public QWidget {
    Q_OBJECT
public:
    enum class TutorialPhase { tutorial3 = 0, tutorial4 = 1, tutorial5 = 2, tutorial6 = 3, tutorial8 = 4, tutorial9 = 5, appStore = 6 };
    static std::optional<TutorialPhase> phase(int rawValue);
    static QList<TutorialPhase> allPhases();

    // Draws a number uniformly from the closed range [low, high].
    using RandomSource = std::function<double(double low, double high)>;
    static RandomSource systemRandomSource();

    // random: where the logos' places and their floating take their numbers; the system's
    // random source when none is given.
    CanvasTutorialOverlayView(std::function<void()> onDismiss, std::function<void()> onBrowseApps, QWidget *parent = nullptr,
                              RandomSource random = {});
    ~CanvasTutorialOverlayView() override;

    TutorialPhase currentPhase() const { return m_currentPhase; }
    bool showContent() const { return m_showContent; }
    const QList<FloatingIconPosition> &iconPositions() const { return m_iconPositions; }
    bool hasKeyMonitor() const { return m_keyMonitor != nullptr; }
    // The card on screen (a step card or the app-store card) and the close button above it.
    QWidget *currentCard() const { return m_card; }
    CircleButton *closeButton() const { return m_closeButton; }
    TutorialHoverFlag *browseAppsHovered() const { return m_browseAppsHovered; }
    TutorialHoverFlag *cardHovered() const { return m_cardHovered; }
    TutorialHoverFlag *nextHovered() const { return m_nextHovered; }
    TutorialHoverFlag *backHovered() const { return m_backHovered; }

    // The seven logos of the app-store card, in drawing order.
    static const QStringList &appIcons();

    // Forward one card (nothing on the last); back one card (nothing on the first). The
    // cards cross-fade over 0.3 s.
    void nextPhase();
    void previousPhase();
    void closeTapped();
    void handleBackgroundTap();
    void handleReturnKey();

    // Places for count logos, drawn one after the other from random: up to 100 attempts per
    // logo (size in [35, 55] pt, x in [0.1, 0.9], y in [0.1, 0.65], rotation in [-20, 20]
    // degrees, in that order), the first whose centre lies at least 0.15 (fractional units)
    // from every logo placed so far; after 100 failures the logo takes the fallback place for
    // the number of logos already placed, with a fresh size and rotation.
    static QList<FloatingIconPosition> generateIconPositions(int count, const RandomSource &random);
    static QPointF fallbackPlace(int index);
    // Logo i's vertical offset at ms after the floating started: it bobs between 0 and its
    // amplitude, easing in and out, one way per duration, starting after its delay.
    qreal floatingOffsetAt(int index, qint64 ms) const;

    static constexpr int maxAttempts = 100;
    static constexpr double minimumDistance = 0.15;
    static constexpr int appearDelayMs = 100;
    static constexpr int appearMs = 300;
    static constexpr int phaseChangeMs = 300;
    static constexpr int floatingFrameMs = 16;
    static constexpr int closeButtonSize = 40;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    struct Floating {
        double amplitude;
        double durationMs;
        double delayMs;
    };
    void installKeyMonitor();
    void removeKeyMonitor();
    bool handleKeyDown(QKeyEvent &event);
    bool ownsKeyboard() const;
    void startAppearAnimations();
    void setShowContent();
    void setPhase(TutorialPhase phase);
    void showCard();
    void setFloatingOffset(int index, double offset);
    void updateFloating();

    std::function<void()> m_onDismiss;
    std::function<void()> m_onBrowseApps;
    RandomSource m_random;
    TutorialPhase m_currentPhase = TutorialPhase::tutorial3;
    bool m_showContent = false;
    TutorialHoverFlag *m_browseAppsHovered;
    TutorialHoverFlag *m_cardHovered;
    TutorialHoverFlag *m_nextHovered;
    TutorialHoverFlag *m_backHovered;
    QList<FloatingIconPosition> m_iconPositions;
    QList<Floating> m_floating;
    qint64 m_floatingStartMs = -1;
    quint64 m_floatingTimer = 0;
    bool m_appearStarted = false;
    LocalKeyMonitor *m_keyMonitor = nullptr;
    bool m_backdropPressed = false;

    QWidget *m_content;       // the close row and the card; shown with showContent
    QWidget *m_slot;          // where the card goes
    CircleButton *m_closeButton;
    QPointer<QWidget> m_card;
    QPointer<AppStoreContentView> m_appStoreCard;
};
