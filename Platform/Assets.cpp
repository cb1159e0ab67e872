#include "Platform/Assets.h"
#include "Platform/Log.h"

#include <QFile>
#include <QHash>
#include <QMutex>
#include <QPainter>
#include <QSet>
#include <QSvgRenderer>

namespace {
QMutex g_mutex;
QSet<QString> g_reportedMissing;
}

namespace Assets {

QString path(const QString &name)
{
    if (name.isEmpty() || name.contains(u'/'))
        return {};
    for (const char *ext : {".svg", ".png"}) {
        const QString p = QStringLiteral(":/assets/") + name + QLatin1String(ext);
        if (QFile::exists(p))
            return p;
    }
    return {};
}

bool has(const QString &name)
{
    return !path(name).isEmpty();
}

QPixmap pixmap(const QString &name, const QSize &size, qreal dpr)
{
    const QString p = path(name);
    if (p.isEmpty()) {
        QMutexLocker lock(&g_mutex);
        if (!g_reportedMissing.contains(name)) {
            g_reportedMissing.insert(name);
            Log::line(QStringLiteral("⚠️ [Assets] Missing image \"%1\"").arg(name));
        }
        return {};
    }
    const QSize device = (QSizeF(size) * dpr).toSize();
    if (p.endsWith(u".svg")) {
        QSvgRenderer renderer(p);
        QPixmap pm(device.isEmpty() ? renderer.defaultSize() : device);
        pm.fill(Qt::transparent);
        QPainter painter(&pm);
        renderer.render(&painter);
        painter.end();
        pm.setDevicePixelRatio(dpr);
        return pm;
    }
    QPixmap pm(p);
    if (!device.isEmpty())
        pm = pm.scaled(device, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    pm.setDevicePixelRatio(dpr);
    return pm;
}

QIcon icon(const QString &name)
{
    const QString p = path(name);
    return p.isEmpty() ? QIcon() : QIcon(p);
}

} // namespace Assets
