#pragma once
#include "Platform/SpringEasing.h"

#include <QString>

class QWidget;

// The entrance the task views use: a widget grows from fromScale to full size about its centre
// and fades in from nothing, following a spring, on its own ScaleEffect channel.
namespace ScaleTransition {
constexpr double nearlyZero = 0.00001;
// Puts the widget at the start (scaled to fromScale, transparent) without animating.
void reset(QWidget *widget, const QString &channel, double fromScale);
// Animates from the start to full size and opacity.
void enter(QWidget *widget, const QString &channel, double fromScale, const Spring &spring);
}
