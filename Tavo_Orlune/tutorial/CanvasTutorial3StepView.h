#pragma once
#include "tutorial/CanvasTutorialStepView.h"

// Step 3 of the canvas tutorial (see TutorialStepData::all() for what it shows).
class CanvasTutorial3StepView : public CanvasTutorialStepView {
public:
    explicit CanvasTutorial3StepView(QWidget *parent = nullptr)
        : CanvasTutorialStepView(TutorialStepData::step(3), parent)
    {
    }
};
