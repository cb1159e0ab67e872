#pragma once
#include "tutorial/CanvasTutorialStepView.h"

// Step 6 of the canvas tutorial (see TutorialStepData::all() for what it shows).
class CanvasTutorial6StepView : public CanvasTutorialStepView {
public:
    explicit CanvasTutorial6StepView(QWidget *parent = nullptr)
        : CanvasTutorialStepView(TutorialStepData::step(6), parent)
    {
    }
};
