#pragma once
#include <QWidget>
#include <functional>

class CanvasNebulaBackgroundView;
class TutorialCardSurface;
class TutorialHoverFlag;
class TutorialNavigationView;

// The card on which the tutorial overlay shows one step: the step's view above the Back/Next
// row on a frosted card (at most 660 × 762, centred), over the canvas nebula, which fills all
// the room the card is given. The card keeps no state: the overlay owns the hover flags and
// gets the clicks back through onNext and onBack (none: no Back button), each on a later
// main-queue turn.
class CanvasTutorialStepWrapper : public QWidget {
    Q_OBJECT
public:
    CanvasTutorialStepWrapper(QWidget *content, std::function<void()> onNext, std::function<void()> onBack,
                              TutorialHoverFlag *nextHovered, TutorialHoverFlag *backHovered, TutorialHoverFlag *cardHovered,
                              QWidget *parent = nullptr);

    QWidget *content() const { return m_content; }
    TutorialCardSurface *card() const { return m_card; }
    TutorialNavigationView *navigation() const { return m_navigation; }
    CanvasNebulaBackgroundView *nebula() const { return m_nebula; }

    static constexpr int maxCardWidth = 660;
    static constexpr int maxCardHeight = 762;
    static constexpr qreal cornerRadius = 36;
    static constexpr int contentSpacing = 24;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QWidget *m_content;
    CanvasNebulaBackgroundView *m_nebula;
    TutorialCardSurface *m_card;
    TutorialNavigationView *m_navigation;
};
