#pragma once
#include "tutorial/CanvasTutorialStepView.h"

// Step 8 of the canvas tutorial (see TutorialStepData::all() for what it shows).
class CanvasTutorial8StepView : public CanvasTutorialStepView {
public:
    explicit CanvasTutorial8StepView(QWidget *parent = nullptr)
        : CanvasTutorialStepView(TutorialStepData::step(8), parent)
    {
    }
};
