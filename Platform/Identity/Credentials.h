#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

// One sign-in's tokens as the identity service's token endpoint grants them.
struct Credentials {
    QString accessToken;
    QString tokenType;
    QString idToken; // a JSON Web Token
    std::optional<QString> refreshToken;
    QDateTime expiresAt; // UTC
    QString scope;

    // The stored form (JSON); decoding is strict and fails on anything but that form.
    QByteArray encode() const;
    static std::optional<Credentials> decode(const QByteArray &data);
    // From a token endpoint reply ({"access_token", "id_token", "expires_in", ...}), with the
    // expiry counted from `now`. Fails with a text when the reply lacks a token.
    static std::optional<Credentials> fromTokenReply(const QByteArray &body, const QDateTime &now, QString *error);
    // now + the reply's "expires_in" seconds, held between 0 and one year (a missing, negative
    // or absurd value never overflows nor makes a token look valid for ever).
    static QDateTime expiryFrom(const QDateTime &now, double expiresInSeconds);
    bool operator==(const Credentials &) const = default;
};

// A failure of the hosted-login client, its credentials manager or its store.
struct IdentityError {
    QString typeName;    // "WebAuthError", "AuthenticationError", "CredentialsManagerError"
    QString code;        // a short machine-readable cause ("userCancelled", "noCredentials", ...)
    QString description; // for logs and the user
    QString name() const { return typeName; }
    bool operator==(const IdentityError &) const = default;
};

struct CredentialsResult {
    std::optional<Credentials> credentials;
    std::optional<IdentityError> error;
    bool ok() const { return credentials.has_value(); }
};
