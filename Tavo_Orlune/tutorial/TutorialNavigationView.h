#pragma once
#include <QWidget>
#include <functional>

class TutorialButton;
class TutorialHoverFlag;

// The button row under a tutorial step: "Back" (only when the step has a previous one) and
// "Next", white pills that share the row's width equally (a lone Next fills it). Each button
// enqueues its callback on the main queue; neither does anything else.
class TutorialNavigationView : public QWidget {
    Q_OBJECT
public:
    TutorialNavigationView(std::function<void()> onNext, std::function<void()> onBack, TutorialHoverFlag *nextHovered,
                           TutorialHoverFlag *backHovered, QWidget *parent = nullptr);

    TutorialButton *nextButton() const { return m_next; }
    // None on the first step.
    TutorialButton *backButton() const { return m_back; }

    static constexpr int buttonSpacing = 16;

private:
    TutorialButton *m_next = nullptr;
    TutorialButton *m_back = nullptr;
};
