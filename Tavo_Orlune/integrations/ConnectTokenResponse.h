#pragma once
#include <QByteArray>
#include <QString>
#include <optional>

// The reply of the connect-token request; only "token" is read.
struct ConnectTokenResponse {
    QString token;

    static std::optional<ConnectTokenResponse> decode(const QByteArray &json, QString *error = nullptr);
};
