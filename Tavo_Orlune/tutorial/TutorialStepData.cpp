#include "tutorial/TutorialStepData.h"

int TutorialStepData::iconGroupWidth() const
{
    int width = 0;
    for (const Icon &icon : icons)
        width += icon.size.width();
    return icons.isEmpty() ? 0 : width + iconSpacing * int(icons.size() - 1);
}

const QList<TutorialStepData> &TutorialStepData::all()
{
    const auto key = [](const char *name, int w, int h, int bottom = 0) {
        return Icon{QString::fromLatin1(name), QSize(w, h), bottom};
    };
    const Icon plus = key("ic_plus", 24, 24);
    static const QList<TutorialStepData> steps{
        {3, QStringLiteral("Create New Task in Canvas"), QStringLiteral("Command + N"),
         {key("ic_command", 102, 80), plus, key("ic_N", 80, 80)}, QStringLiteral("canvas_tutorial_3_video")},
        {4, QStringLiteral("Recenter Canvas"), QStringLiteral("Command + 0"),
         {key("ic_command", 102, 80), plus, key("ic_0", 80, 80)}, QStringLiteral("canvas_tutorial_4_video")},
        {5, QStringLiteral("Pan the Canvas"), QStringLiteral("Option + Two Finger Move"),
         {key("ic_option", 80, 80, 12), plus, key("ic_two_finger_pan", 128, 92)}, QStringLiteral("canvas_tutorial_5_video")},
        {6, QStringLiteral("Fit a Task to Canvas"), QStringLiteral("Left Click on Task Card"),
         {key("ic_left_click_category", 117, 73)}, QStringLiteral("canvas_tutorial_6_video")},
        {8, QStringLiteral("Create Category"), QStringLiteral("Right Click on Empty Canvas"),
         {key("ic_right_click", 125, 73)}, QStringLiteral("canvas_tutorial_8_video")},
        // Two blanks after the plus, as the design writes it.
        {9, QStringLiteral("Move Category"), QStringLiteral("Control +  Left Click & Drag"),
         {key("ic_control", 80, 80), plus, key("ic_left_click", 162, 73)}, QStringLiteral("canvas_tutorial_9_video")},
    };
    return steps;
}

const TutorialStepData &TutorialStepData::step(int number)
{
    for (const TutorialStepData &s : all())
        if (s.number == number)
            return s;
    return all().first();
}
