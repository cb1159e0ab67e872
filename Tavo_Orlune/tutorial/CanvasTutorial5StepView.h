#pragma once
#include "tutorial/CanvasTutorialStepView.h"

// Step 5 of the canvas tutorial (see TutorialStepData::all() for what it shows).
class CanvasTutorial5StepView : public CanvasTutorialStepView {
public:
    explicit CanvasTutorial5StepView(QWidget *parent = nullptr)
        : CanvasTutorialStepView(TutorialStepData::step(5), parent)
    {
    }
};
