#pragma once
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <cmath>
#include <optional>

// Strict readers for decoding untrusted JSON records: a missing or null required key, or a
// value of another JSON type, is an error (a number is never read as text, nor text as a number).
namespace StrictJson {

struct Error {
    QString message;
};

inline QString requiredText(const QJsonObject &o, const QString &key)
{
    const QJsonValue v = o.value(key);
    if (!v.isString())
        throw Error{QStringLiteral("\"%1\" must be text").arg(key)};
    return v.toString();
}

inline std::optional<QString> optionalText(const QJsonObject &o, const QString &key)
{
    const QJsonValue v = o.value(key);
    if (v.isUndefined() || v.isNull())
        return std::nullopt;
    if (!v.isString())
        throw Error{QStringLiteral("\"%1\" must be text or null").arg(key)};
    return v.toString();
}

inline qint64 requiredInteger(const QJsonObject &o, const QString &key)
{
    const QJsonValue v = o.value(key);
    const double d = v.toDouble();
    if (!v.isDouble() || d != std::floor(d) || std::fabs(d) > 9007199254740992.0)
        throw Error{QStringLiteral("\"%1\" must be an integer").arg(key)};
    return qint64(d);
}

inline QJsonObject requiredObject(const QJsonObject &o, const QString &key)
{
    const QJsonValue v = o.value(key);
    if (!v.isObject())
        throw Error{QStringLiteral("\"%1\" must be an object").arg(key)};
    return v.toObject();
}

inline QJsonArray requiredArray(const QJsonObject &o, const QString &key)
{
    const QJsonValue v = o.value(key);
    if (!v.isArray())
        throw Error{QStringLiteral("\"%1\" must be a list").arg(key)};
    return v.toArray();
}

inline QStringList requiredTextList(const QJsonObject &o, const QString &key)
{
    QStringList out;
    for (const QJsonValue &v : requiredArray(o, key)) {
        if (!v.isString())
            throw Error{QStringLiteral("\"%1\" must be a list of texts").arg(key)};
        out.append(v.toString());
    }
    return out;
}

} // namespace StrictJson
