#pragma once
#include <QSize>

#include "theme/Sizes.h"

// The two fixed layouts of an app card: large (tall, in grids and the home page's featured
// and productivity rows) and small (wide, in the category browser and the AI row).
enum class AppCardSize { Small, Large };

namespace AppCardMetrics {
inline QSize cardSize(AppCardSize size)
{
    return size == AppCardSize::Large ? QSize(int(Sizes::appCardTallWidth), int(Sizes::appCardTallHeight))
                                      : QSize(int(Sizes::appCardWideWidth), int(Sizes::appCardWideHeight));
}
// The action button's width; it is 56 high on both.
inline int buttonWidth(AppCardSize size) { return size == AppCardSize::Large ? 204 : 248; }
constexpr int buttonHeight = 56;
constexpr int iconTileSide = 64;
constexpr int logoSide = 40;
}
