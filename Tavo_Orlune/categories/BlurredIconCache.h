#pragma once
#include <QImage>
#include <QSize>
#include <QString>

// Blurred app-icon backdrops of task views: the icon asset filling a frame (aspect fill), blurred.
// Each picture is made once per icon name, frame size, blur radius, pixel ratio and edge kind and
// then served from a process-wide cache, so no view blurs while it paints. Main thread only.
namespace BlurredIconCache {
enum class Edges {
    FadeOut, // the picture is cut to the frame before the blur: its edges fade out
    Extend,  // the picture's overflow beyond the frame is blurred in: colour reaches the edges
};
// A null image when the asset does not exist.
QImage image(const QString &iconName, const QSize &frame, qreal blurRadius, qreal devicePixelRatio = 1.0,
             Edges edges = Edges::FadeOut);
// How many pictures have been made so far (cache misses).
int buildCount();
void clear();
}
