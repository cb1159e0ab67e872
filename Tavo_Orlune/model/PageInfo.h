#pragma once
#include <QJsonObject>
#include <QString>
#include <optional>

// The paging block of an integration catalog page ("page_info").
struct PageInfo {
    qint64 totalCount = 0;
    qint64 count = 0;
    std::optional<QString> startCursor;
    std::optional<QString> endCursor;

    // Throws StrictJson::Error.
    static PageInfo fromJson(const QJsonObject &object);
    QJsonObject toJson() const;
};
