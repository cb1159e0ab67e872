#include "account/UserProfile.h"
#include "account/AccountHttp.h"

std::optional<UserProfile> UserProfile::decode(const QByteArray &json, QString *error)
{
    using namespace AccountHttp;
    QJsonObject o;
    UserProfile p;
    if (!parseObject(json, o, error) || !readString(o, QStringLiteral("id"), p.id, error)
        || !readBool(o, QStringLiteral("is_active"), p.isActive, error)
        || !readString(o, QStringLiteral("first_name"), p.firstName, error)
        || !readString(o, QStringLiteral("last_name"), p.lastName, error)
        || !readString(o, QStringLiteral("email"), p.email, error)
        || !readOptionalString(o, QStringLiteral("linkedin"), p.linkedin, error)
        || !readOptionalString(o, QStringLiteral("twitter"), p.twitter, error)
        || !readOptionalString(o, QStringLiteral("company_name"), p.companyName, error))
        return std::nullopt;
    return p;
}
