#pragma once
#include "Platform/SpringEasing.h"

class QWidget;

// The entrance of one part of the profile card: the part waits in its hidden look (a scale
// about its centre and an opacity) and, `delayMs` after show() (counted on the scheduler),
// moves to its shown look (scale 1, opacity 1) along a spring. Hiding returns it to the hidden
// look at once. Drawn through the widget's scale effect, released once the part has arrived.
namespace ProfileEntrance {
void hide(QWidget *part, double hiddenScale, double hiddenOpacity);
void show(QWidget *part, int delayMs, const Spring &spring, double hiddenScale, double hiddenOpacity);
// The look a part has now: its opacity (1 when it has none of its own).
double opacity(const QWidget *part);
}
