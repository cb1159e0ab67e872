#include "integrations/TokenResponse.h"
#include "integrations/ConnectJson.h"
#include "model/StrictJson.h"

std::optional<TokenResponse> TokenResponse::decode(const QByteArray &json, QString *error)
{
    return ConnectJson::decodeObject<TokenResponse>(json, error, [](const QJsonObject &o) {
        TokenResponse r;
        r.accessToken = StrictJson::requiredText(o, QStringLiteral("access_token"));
        r.tokenType = StrictJson::requiredText(o, QStringLiteral("token_type"));
        const QJsonValue expires = o.value(QStringLiteral("expires_in"));
        if (!expires.isUndefined() && !expires.isNull())
            r.expiresIn = StrictJson::requiredInteger(o, QStringLiteral("expires_in"));
        return r;
    });
}
