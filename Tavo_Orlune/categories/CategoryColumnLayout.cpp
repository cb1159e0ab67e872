#include "categories/CategoryColumnLayout.h"

#include <algorithm>

namespace CategoryColumnLayout {

int gridWidth()
{
    return gridColumns * gridItemWidth + (gridColumns - 1) * gridSpacing;
}

int headerRowHeight(int titleLineHeight)
{
    return std::max(titleLineHeight, headerControlsHeight) + 2 * headerVerticalPadding;
}

int gridRows(int itemCount)
{
    return itemCount <= 0 ? 0 : (itemCount + gridColumns - 1) / gridColumns;
}

int gridHeight(int itemCount)
{
    const int rows = gridRows(itemCount);
    const int inner = rows == 0 ? 0 : rows * gridItemHeight + (rows - 1) * gridSpacing;
    return inner + 2 * gridPadding;
}

QRect gridRect(int itemCount, int headerHeight)
{
    return QRect(outerPadding, outerPadding + headerHeight + stackSpacing, contentWidth, gridHeight(itemCount));
}

QRect gridItemRect(int index, int headerHeight)
{
    const QRect grid = gridRect(index + 1, headerHeight);
    const int left = grid.x() + gridPadding + (contentWidth - 2 * gridPadding - gridWidth()) / 2;
    const int top = grid.y() + gridPadding;
    const int row = index / gridColumns;
    const int col = index % gridColumns;
    return QRect(left + col * (gridItemWidth + gridSpacing), top + row * (gridItemHeight + gridSpacing), gridItemWidth,
                 gridItemHeight);
}

int cardHeight(int itemCount, int headerHeight)
{
    return headerHeight + stackSpacing + gridHeight(itemCount);
}

int detailRowHeight(int expandedCardHeight)
{
    return std::max(expandedCardHeight, closeButtonSize) + detailRowSpacing + webContentHeight;
}

int columnHeight(int itemCount, int headerHeight, int openRows, bool areaPresent, int expandedCardHeight)
{
    int h = outerPadding + cardHeight(itemCount, headerHeight) + cardBottomPadding;
    if (areaPresent) {
        h += stackSpacing;
        if (openRows > 0)
            h += openRows * detailRowHeight(expandedCardHeight) + (openRows - 1) * detailSpacing;
    }
    return h + outerPadding;
}

}
