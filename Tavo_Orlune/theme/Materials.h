#pragma once
#include <QColor>

// The platform's translucent materials become plain translucent fills here: a live blur of
// what lies behind a window is not available, so the design's frosted look is a light veil.
struct Materials {
    static QColor regular() { return QColor(246, 246, 244, 184); }
    static QColor ultraThin() { return QColor(255, 255, 255, 64); }
};
