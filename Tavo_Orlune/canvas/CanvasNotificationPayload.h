#pragma once
#include <QPointF>
#include <QVariantMap>
#include <optional>

// Reads the user info of the canvas's scroll notifications. A coordinate is a number, posted
// as an integer or a real number; anything else (a string, a Boolean) does not count.
class CanvasNotificationPayload {
public:
    struct ScrollTarget {
        qreal x = 0, y = 0, dx = 0, dy = 0;
    };

    static std::optional<qreal> number(const QVariant &value);
    // "canvasScrollToCategory": "x" and "y" required, "dx" and "dy" 0 when missing or not numbers.
    static std::optional<ScrollTarget> scrollToCategory(const QVariantMap &userInfo);
    // "canvasScrollDelta": "dx" and "dy", both required.
    static std::optional<QPointF> scrollDelta(const QVariantMap &userInfo);
};
