#pragma once
#include <QRect>
#include <QSize>

// Where everything of a category column goes, in the column's own points (canvas units at scale
// 1). The column is a fixed 1670-point-wide card: 20 points of padding around a 1630-point stack
// of the column card (header row, then a grid of six fixed 224-point card columns) and, below it
// while tasks are open, the detail area. Pure arithmetic, so the table tests can hold it.
namespace CategoryColumnLayout {
inline constexpr int outerPadding = 20;
inline constexpr int contentWidth = 1630;
inline constexpr int columnWidth = contentWidth + 2 * outerPadding; // 1670
inline constexpr int stackSpacing = 12;

inline constexpr int headerLeadingPadding = 100;
inline constexpr int headerVerticalPadding = 16;
inline constexpr int headerSpacing = 16;
inline constexpr int headerControlsHeight = 64;
inline constexpr int titleFontPixels = 48;

inline constexpr int gridColumns = 6;
inline constexpr int gridItemWidth = 224;
inline constexpr int gridItemHeight = 290;
inline constexpr int gridSpacing = 28;
inline constexpr int gridPadding = 16;
inline constexpr int cardBottomPadding = 48;

inline constexpr int detailSpacing = 72;
inline constexpr int detailRowSpacing = 16;
inline constexpr int detailHeaderSpacing = 20;
inline constexpr int closeButtonSize = 40;
inline constexpr int closeButtonTrailing = 24;
// The task web content's height inside a detail row; its width is the row's.
inline constexpr int webContentHeight = 900;

inline constexpr int cardCornerRadius = 26;
inline constexpr int columnCornerRadius = 38;

// The grid's own width: six columns and five gaps (1484).
int gridWidth();
// The header row's height: the larger of the title line and the controls, plus its padding.
int headerRowHeight(int titleLineHeight);
// Items in the grid: the task cards and the add-task card after them.
int gridRows(int itemCount);
// The grid's height with its padding.
int gridHeight(int itemCount);
// The rectangle of grid item `index` (row-major), in column coordinates, below a header row of
// headerHeight. The grid is centred in the card's width.
QRect gridItemRect(int index, int headerHeight);
// The grid area (padding included) that takes drops.
QRect gridRect(int itemCount, int headerHeight);
// The column card's height (header, spacing, grid; the bottom padding not included).
int cardHeight(int itemCount, int headerHeight);
// One detail row's height: the expanded card line, the spacing, the web content.
int detailRowHeight(int expandedCardHeight);
// The column's full height with openRows detail rows (the area is present when openRows > 0
// or a close is under way: pass areaPresent).
int columnHeight(int itemCount, int headerHeight, int openRows, bool areaPresent, int expandedCardHeight);
}
