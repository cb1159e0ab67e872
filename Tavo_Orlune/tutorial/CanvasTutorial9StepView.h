#pragma once
#include "tutorial/CanvasTutorialStepView.h"

// Step 9 of the canvas tutorial (see TutorialStepData::all() for what it shows).
class CanvasTutorial9StepView : public CanvasTutorialStepView {
public:
    explicit CanvasTutorial9StepView(QWidget *parent = nullptr)
        : CanvasTutorialStepView(TutorialStepData::step(9), parent)
    {
    }
};
