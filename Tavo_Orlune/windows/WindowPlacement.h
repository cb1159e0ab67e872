#pragma once
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <optional>

// Window placement as pure functions. The design measures y upwards from the bottom of the
// primary screen; Qt measures it downwards from the top. "Design" frames below are in the
// former, "Qt" frames in the latter; x is the same in both.
namespace WindowPlacement {

QRectF toQt(const QRectF &designFrame, const QRectF &primaryScreenQt);
QRectF toDesign(const QRectF &qtFrame, const QRectF &primaryScreenQt);

// The visible frame assumed when there is no screen at all (design coordinates).
inline QRectF fallbackVisibleFrame() { return QRectF(0, 0, 800, 600); }

// The flower panel: S × S, 36 pt above the bottom of the visible frame. Horizontally it keeps
// intendedCenterX while the panel is visible, else the saved origin's x, both clamped into the
// visible frame; without either it is centred (and then not clamped).
struct FlowerPlacement {
    QRectF frame; // design coordinates
    qreal intendedCenterX;
};
constexpr qreal flowerPanelSize = 240;
constexpr qreal flowerBottomGap = 36;
FlowerPlacement flowerFrame(const QRectF &visibleFrame, bool panelVisible, std::optional<qreal> intendedCenterX,
                            std::optional<QPointF> savedOrigin);

// A frame of `size` centred in the visible frame (any one coordinate system).
QRectF centred(const QRectF &visibleFrame, const QSizeF &size);

// The Dock height: always the fallback here, the screen's height minus its available height.
qreal dockHeightFallback(const QRectF &screenFrame, const QRectF &availableFrame);

}

// The main screen's frames in Qt coordinates, as placement reads them.
struct ScreenFrames {
    QRectF primary;   // the primary screen's frame (the design's coordinate origin)
    QRectF frame;     // the main screen's frame
    QRectF available; // its available (visible) frame
};
namespace WindowPlacement {
// The primary screen's frames, or none when there is no screen.
std::optional<ScreenFrames> mainScreenFrames();
}

// The Dock height, measured once per process and then served from the cache.
class DockHeightManager {
public:
    static qreal getDockHeight();
};
