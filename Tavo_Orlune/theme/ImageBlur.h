#pragma once
#include <QImage>

// Gaussian-like blur of a picture, done once and cached by the caller (never per frame).
// Works on a reduced copy for large radii: a blurred picture has no fine detail to lose.
namespace ImageBlur {
// Blurs the image (any format; the result is premultiplied ARGB of the same size, same device
// pixel ratio). Outside the image counts as transparent, so edges fade out. radius is in
// logical pixels of the image, about the standard deviation of the blur.
QImage blurred(const QImage &image, qreal radius);
}
