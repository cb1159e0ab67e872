#include "model/PageInfo.h"
#include "model/StrictJson.h"

PageInfo PageInfo::fromJson(const QJsonObject &o)
{
    PageInfo info;
    info.totalCount = StrictJson::requiredInteger(o, QStringLiteral("total_count"));
    info.count = StrictJson::requiredInteger(o, QStringLiteral("count"));
    info.startCursor = StrictJson::optionalText(o, QStringLiteral("start_cursor"));
    info.endCursor = StrictJson::optionalText(o, QStringLiteral("end_cursor"));
    return info;
}

QJsonObject PageInfo::toJson() const
{
    QJsonObject o{{QStringLiteral("total_count"), totalCount}, {QStringLiteral("count"), count}};
    if (startCursor)
        o.insert(QStringLiteral("start_cursor"), *startCursor);
    if (endCursor)
        o.insert(QStringLiteral("end_cursor"), *endCursor);
    return o;
}
