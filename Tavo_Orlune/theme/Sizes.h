#pragma once
#include <QtGlobal>

// Size tokens in points (one point is one logical pixel): widths, heights, corner radii and the
// spacing scale, read by name (Sizes::spacingL, Sizes::cornerRadiusLarge ...).
struct Sizes {
    static constexpr qreal panelWidth = 420;
    static constexpr qreal panelContentWidth = 376;
    static constexpr qreal emptyStateHeight = 200;
    static constexpr qreal emptyStateWidth = 360;
    static constexpr qreal cornerRadiusLarge = 32;
    static constexpr qreal cornerRadiusMedium = 26;
    static constexpr qreal cornerRadiusSmall = 20;
    static constexpr qreal pillCornerRadius = 200;
    static constexpr qreal progressBarHeight = 8;
    static constexpr qreal progressCornerRadius = 20;
    static constexpr qreal thumbnailHeight = 72;
    static constexpr qreal thumbnailWidth = 92;
    static constexpr qreal thumbnailCornerRadius = 20;
    static constexpr qreal inputMinHeight = 44;
    static constexpr qreal bubbleCornerRadius = 16;
    static constexpr qreal iconButtonSize = 24;
    static constexpr qreal chatIconSize = 12;
    static constexpr qreal messageIconSize = 14;
    static constexpr qreal loadingIndicatorSize = 20;
    static constexpr qreal flowerSize = 140;
    static constexpr qreal flowerCompactSize = 70;
    static constexpr qreal appCardTallWidth = 224;
    static constexpr qreal appCardTallHeight = 290;
    static constexpr qreal appCardWideWidth = 268;
    static constexpr qreal appCardWideHeight = 186;
    static constexpr qreal appCardCornerRadius = 34;
    static constexpr qreal appCardIconLarge = 64;
    static constexpr qreal appCardIconSmall = 40;
    static constexpr qreal storeIconSize = 28;
    static constexpr qreal storeSidebarWidth = 300;
    static constexpr qreal taskCardHeight = 290;
    static constexpr qreal taskCardWidth = 224;
    static constexpr qreal taskCardCornerRadius = 34;
    static constexpr qreal appIconSize = 64;
    static constexpr qreal appIconFrameSize = 64;
    static constexpr qreal taskCardIconSize = 16;
    static constexpr qreal taskCardFooterHeight = 56;
    static constexpr qreal promptBarWidth = 420;
    static constexpr qreal welcomeIconSize = 160;
    static constexpr qreal cornerRadiusXL = 36;
    static constexpr qreal workspaceCornerRadius = 24;
    static constexpr qreal tutorialCornerRadius = 28;
    static constexpr qreal workspaceContentWidth = 858;
    static constexpr qreal labeledIconButtonSize = 56;
    static constexpr qreal canvasTaskCardWidth = 500;
    static constexpr qreal canvasTaskCardHeight = 88;
    static constexpr qreal loginIconSize = 20;
    static constexpr qreal loginBadgeSize = 32;
    static constexpr qreal loginFieldWidth = 296;
    static constexpr qreal loginFieldHeight = 48;
    static constexpr qreal loginCardWidth = 408;
    static constexpr qreal inputCornerRadius = 16;
    static constexpr qreal spacingXS = 4;
    static constexpr qreal spacingS = 8;
    static constexpr qreal spacingM = 12;
    static constexpr qreal spacingL = 16;
    static constexpr qreal spacingXL = 20;
    static constexpr qreal spacingXXL = 24;
    static constexpr qreal categoryGridSpacing = 28;
    static constexpr qreal loginPadding = 28;
};
