#pragma once
#include <QSizeF>

// Sizes on the canvas, in canvas units.
namespace CanvasConstants {
inline constexpr QSizeF defaultWebViewSize{500, 400};
inline constexpr QSizeF defaultCategoryViewSize{1680, 500};
inline constexpr QSizeF defaultWelcomeViewSize{1500, 1000};
inline constexpr qreal defaultCategoryHeight = 500;
inline constexpr qreal categoryDragHandleHeight = 50;
// Where the welcome component sits.
inline constexpr qreal welcomeViewX = 2330;
inline constexpr qreal welcomeViewY = 540;
// Above this many controller components the exact frames are computed off the main thread.
inline constexpr int offMainComponentThreshold = 20;
}
