#include "Platform/Identity/JwtPayload.h"

#include <QJsonDocument>

std::optional<JwtPayload> JwtPayload::decode(const QString &jwt)
{
    const QStringList parts = jwt.split(u'.');
    if (parts.size() != 3 || parts[1].isEmpty())
        return std::nullopt;
    const auto decoded = QByteArray::fromBase64Encoding(parts[1].toLatin1(),
                                                        QByteArray::Base64UrlEncoding | QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    const QJsonDocument doc = QJsonDocument::fromJson(*decoded);
    if (!doc.isObject())
        return std::nullopt;
    JwtPayload payload;
    payload.m_claims = doc.object();
    return payload;
}

std::optional<QString> JwtPayload::claim(const QString &name) const
{
    const QJsonValue v = m_claims.value(name);
    if (!v.isString())
        return std::nullopt;
    return v.toString();
}
