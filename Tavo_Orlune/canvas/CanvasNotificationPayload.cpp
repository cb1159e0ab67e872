#include "canvas/CanvasNotificationPayload.h"

std::optional<qreal> CanvasNotificationPayload::number(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return value.toDouble();
    default:
        return std::nullopt;
    }
}

std::optional<CanvasNotificationPayload::ScrollTarget> CanvasNotificationPayload::scrollToCategory(const QVariantMap &userInfo)
{
    const auto x = number(userInfo.value(QStringLiteral("x")));
    const auto y = number(userInfo.value(QStringLiteral("y")));
    if (!x || !y)
        return std::nullopt;
    ScrollTarget target;
    target.x = *x;
    target.y = *y;
    target.dx = number(userInfo.value(QStringLiteral("dx"))).value_or(0);
    target.dy = number(userInfo.value(QStringLiteral("dy"))).value_or(0);
    return target;
}

std::optional<QPointF> CanvasNotificationPayload::scrollDelta(const QVariantMap &userInfo)
{
    const auto dx = number(userInfo.value(QStringLiteral("dx")));
    const auto dy = number(userInfo.value(QStringLiteral("dy")));
    if (!dx || !dy)
        return std::nullopt;
    return QPointF(*dx, *dy);
}
