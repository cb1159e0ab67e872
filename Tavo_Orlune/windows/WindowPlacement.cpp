#include "windows/WindowPlacement.h"

#include <algorithm>

namespace WindowPlacement {

QRectF toQt(const QRectF &d, const QRectF &primary)
{
    // Design y of the bottom edge, counted from the primary screen's bottom.
    const qreal top = primary.top() + primary.height() - (d.y() + d.height());
    return QRectF(d.x(), top, d.width(), d.height());
}

QRectF toDesign(const QRectF &q, const QRectF &primary)
{
    const qreal bottom = primary.top() + primary.height() - (q.y() + q.height());
    return QRectF(q.x(), bottom, q.width(), q.height());
}

FlowerPlacement flowerFrame(const QRectF &vf, bool panelVisible, std::optional<qreal> intendedCenterX,
                            std::optional<QPointF> savedOrigin)
{
    const qreal s = flowerPanelSize;
    const auto clamp = [&](qreal x) { return std::max(vf.left(), std::min(vf.right() - s, x)); };
    qreal x;
    qreal centre;
    if (panelVisible && intendedCenterX) {
        centre = *intendedCenterX;
        x = clamp(centre - s / 2);
    } else if (savedOrigin) {
        centre = savedOrigin->x() + s / 2;
        x = clamp(savedOrigin->x());
    } else {
        centre = vf.center().x();
        x = centre - s / 2;
    }
    return FlowerPlacement{QRectF(x, vf.top() + flowerBottomGap, s, s), centre};
}

QRectF centred(const QRectF &vf, const QSizeF &size)
{
    return QRectF(vf.center().x() - size.width() / 2, vf.center().y() - size.height() / 2, size.width(), size.height());
}

qreal dockHeightFallback(const QRectF &screenFrame, const QRectF &availableFrame)
{
    return screenFrame.height() - availableFrame.height();
}

}

#include <QGuiApplication>
#include <QScreen>

namespace WindowPlacement {
std::optional<ScreenFrames> mainScreenFrames()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return std::nullopt;
    return ScreenFrames{screen->geometry(), screen->geometry(), screen->availableGeometry()};
}
}

qreal DockHeightManager::getDockHeight()
{
    // The platform's private Dock query does not exist here: the fallback is the answer.
    static const qreal height = [] {
        const auto frames = WindowPlacement::mainScreenFrames();
        return frames ? WindowPlacement::dockHeightFallback(frames->frame, frames->available) : 0.0;
    }();
    return height;
}
