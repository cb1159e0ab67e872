#pragma once
#include "model/StrictJson.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QString>
#include <optional>

// Decoding a reply that must be one JSON object into a record, strictly.
namespace ConnectJson {

template <typename T, typename Reader>
std::optional<T> decodeObject(const QByteArray &json, QString *error, Reader read)
{
    QJsonParseError parse{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parse);
    if (parse.error != QJsonParseError::NoError) {
        if (error)
            *error = QStringLiteral("The data is not valid JSON: ") + parse.errorString();
        return std::nullopt;
    }
    if (!doc.isObject()) {
        if (error)
            *error = QStringLiteral("The data is not a JSON object");
        return std::nullopt;
    }
    try {
        return read(doc.object());
    } catch (const StrictJson::Error &e) {
        if (error)
            *error = e.message;
        return std::nullopt;
    }
}

} // namespace ConnectJson
