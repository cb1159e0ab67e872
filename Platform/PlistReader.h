#pragma once
#include <QByteArray>
#include <QString>
#include <QVariant>
#include <optional>

// Reads XML property lists: dict -> QVariantMap, array -> QVariantList, string -> QString,
// integer -> qint64, real -> double, true/false -> bool, data -> QByteArray, date -> QDateTime.
namespace PlistReader {
std::optional<QVariant> parse(const QByteArray &xml, QString *error = nullptr);
std::optional<QVariantMap> readDictionary(const QString &path, QString *error = nullptr);
}
