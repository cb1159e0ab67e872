#include "Platform/Identity/Credentials.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

QByteArray Credentials::encode() const
{
    QJsonObject o{{QStringLiteral("access_token"), accessToken},
                  {QStringLiteral("token_type"), tokenType},
                  {QStringLiteral("id_token"), idToken},
                  {QStringLiteral("expires_at"), expiresAt.toUTC().toString(Qt::ISODateWithMs)},
                  {QStringLiteral("scope"), scope}};
    if (refreshToken)
        o.insert(QStringLiteral("refresh_token"), *refreshToken);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<Credentials> Credentials::decode(const QByteArray &data)
{
    const QJsonDocument doc = QJsonDocument::fromJson(data);
    if (!doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    const QJsonValue access = o.value(QStringLiteral("access_token"));
    const QJsonValue id = o.value(QStringLiteral("id_token"));
    const QJsonValue expires = o.value(QStringLiteral("expires_at"));
    if (!access.isString() || !id.isString() || !expires.isString())
        return std::nullopt;
    Credentials c;
    c.accessToken = access.toString();
    c.idToken = id.toString();
    c.tokenType = o.value(QStringLiteral("token_type")).toString();
    c.scope = o.value(QStringLiteral("scope")).toString();
    c.expiresAt = QDateTime::fromString(expires.toString(), Qt::ISODateWithMs);
    if (!c.expiresAt.isValid())
        return std::nullopt;
    c.expiresAt = c.expiresAt.toUTC();
    const QJsonValue refresh = o.value(QStringLiteral("refresh_token"));
    if (refresh.isString())
        c.refreshToken = refresh.toString();
    return c;
}

std::optional<Credentials> Credentials::fromTokenReply(const QByteArray &body, const QDateTime &now, QString *error)
{
    const auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return std::nullopt;
    };
    const QJsonDocument doc = QJsonDocument::fromJson(body);
    if (!doc.isObject())
        return fail(QStringLiteral("The token reply is not a JSON object"));
    const QJsonObject o = doc.object();
    if (!o.value(QStringLiteral("access_token")).isString())
        return fail(QStringLiteral("The token reply has no access token"));
    if (!o.value(QStringLiteral("id_token")).isString())
        return fail(QStringLiteral("The token reply has no ID token"));
    Credentials c;
    c.accessToken = o.value(QStringLiteral("access_token")).toString();
    c.idToken = o.value(QStringLiteral("id_token")).toString();
    c.tokenType = o.value(QStringLiteral("token_type")).toString(QStringLiteral("Bearer"));
    c.scope = o.value(QStringLiteral("scope")).toString();
    const QJsonValue refresh = o.value(QStringLiteral("refresh_token"));
    if (refresh.isString())
        c.refreshToken = refresh.toString();
    c.expiresAt = expiryFrom(now, o.value(QStringLiteral("expires_in")).toDouble(0));
    return c;
}

QDateTime Credentials::expiryFrom(const QDateTime &now, double expiresInSeconds)
{
    constexpr double kYearSeconds = 365.0 * 24 * 3600;
    const double seconds = std::isfinite(expiresInSeconds) ? std::clamp(expiresInSeconds, 0.0, kYearSeconds) : 0.0;
    return now.toUTC().addMSecs(qint64(seconds * 1000.0));
}
