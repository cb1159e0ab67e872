#pragma once
#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <optional>

// One account a user connected at the integration platform.
struct ConnectedAccount {
    // The account's app.
    struct AppInfo {
        QString id;   // "id"
        QString name; // "name"
        bool operator==(const AppInfo &) const = default;
    };

    QString id;         // "id": the platform's account identifier
    QString externalId; // "external_id": the user the account belongs to
    AppInfo app;        // "app"
    QString createdAt;  // "created_at", kept exactly as sent

    // Throws StrictJson::Error; keys beyond these are ignored.
    static ConnectedAccount fromJson(const QJsonObject &object);
    static std::optional<ConnectedAccount> decode(const QByteArray &json, QString *error = nullptr);
    bool operator==(const ConnectedAccount &) const = default;
};
