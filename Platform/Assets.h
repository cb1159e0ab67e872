#pragma once
#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

// Named images, looked up by their design names ("btn_close") among the resources under
// ":/assets/" as .svg or .png.
namespace Assets {
bool has(const QString &name);
// The resource path of the image, or empty when there is none.
QString path(const QString &name);
// Rendered at size (device-independent pixels) for the given device pixel ratio. A missing
// name answers a null pixmap and is logged once.
QPixmap pixmap(const QString &name, const QSize &size, qreal devicePixelRatio = 1.0);
QIcon icon(const QString &name);
}
