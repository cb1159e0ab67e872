#pragma once
#include <QImage>
#include <QSize>
#include <QString>

// Blurred app-icon backdrops of task views: the icon asset filling a frame (aspect fill), blurred
// with edges fading out. Each picture is made once per icon name, frame size, blur radius and
// pixel ratio and then served from a process-wide cache. Main thread only.
namespace BlurredIconCache {
// A null image when the asset does not exist.
QImage image(const QString &iconName, const QSize &frame, qreal blurRadius, qreal devicePixelRatio = 1.0);
// How many pictures have been made so far (cache misses).
int buildCount();
void clear();
}
