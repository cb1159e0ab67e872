#include "integrations/ConnectedAccount.h"
#include "integrations/ConnectJson.h"
#include "model/StrictJson.h"

ConnectedAccount ConnectedAccount::fromJson(const QJsonObject &o)
{
    ConnectedAccount a;
    a.id = StrictJson::requiredText(o, QStringLiteral("id"));
    a.externalId = StrictJson::requiredText(o, QStringLiteral("external_id"));
    const QJsonObject app = StrictJson::requiredObject(o, QStringLiteral("app"));
    try {
        a.app.id = StrictJson::requiredText(app, QStringLiteral("id"));
        a.app.name = StrictJson::requiredText(app, QStringLiteral("name"));
    } catch (const StrictJson::Error &e) {
        throw StrictJson::Error{QStringLiteral("app: ") + e.message};
    }
    a.createdAt = StrictJson::requiredText(o, QStringLiteral("created_at"));
    return a;
}

std::optional<ConnectedAccount> ConnectedAccount::decode(const QByteArray &json, QString *error)
{
    return ConnectJson::decodeObject<ConnectedAccount>(json, error, &ConnectedAccount::fromJson);
}
