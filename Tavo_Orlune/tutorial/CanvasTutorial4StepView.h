#pragma once
#include "tutorial/CanvasTutorialStepView.h"

// Step 4 of the canvas tutorial (see TutorialStepData::all() for what it shows).
class CanvasTutorial4StepView : public CanvasTutorialStepView {
public:
    explicit CanvasTutorial4StepView(QWidget *parent = nullptr)
        : CanvasTutorialStepView(TutorialStepData::step(4), parent)
    {
    }
};
