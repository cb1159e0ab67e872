#pragma once
#include <QByteArray>
#include <QString>
#include <optional>

// The reply of the client-credentials token request.
struct TokenResponse {
    QString accessToken;              // "access_token"
    QString tokenType;                // "token_type"
    std::optional<qint64> expiresIn;  // "expires_in", seconds; missing or null is none

    // Strict: the record, or nothing with the decoder's reason in error.
    static std::optional<TokenResponse> decode(const QByteArray &json, QString *error = nullptr);
};
