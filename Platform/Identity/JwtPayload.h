#pragma once
#include <QJsonObject>
#include <QString>
#include <optional>

// Reads the claims of a JSON Web Token. Only the payload is decoded: the signature is not
// checked (the token came straight from the identity service over TLS; its claims only name
// the user for display).
class JwtPayload {
public:
    // Three base64url parts with a JSON object in the middle one; anything else fails.
    static std::optional<JwtPayload> decode(const QString &jwt);
    // A claim that is a string, else nothing.
    std::optional<QString> claim(const QString &name) const;
    const QJsonObject &claims() const { return m_claims; }

private:
    QJsonObject m_claims;
};
