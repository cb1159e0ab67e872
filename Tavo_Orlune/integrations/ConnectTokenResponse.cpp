#include "integrations/ConnectTokenResponse.h"
#include "integrations/ConnectJson.h"
#include "model/StrictJson.h"

std::optional<ConnectTokenResponse> ConnectTokenResponse::decode(const QByteArray &json, QString *error)
{
    return ConnectJson::decodeObject<ConnectTokenResponse>(json, error, [](const QJsonObject &o) {
        return ConnectTokenResponse{StrictJson::requiredText(o, QStringLiteral("token"))};
    });
}
