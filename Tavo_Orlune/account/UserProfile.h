#pragma once
#include <QByteArray>
#include <QString>
#include <optional>

// The signed-in user's profile as the account API returns it.
struct UserProfile {
    QString id;
    bool isActive = false;
    QString firstName;
    QString lastName;
    QString email;
    std::optional<QString> linkedin;
    std::optional<QString> twitter;
    std::optional<QString> companyName;

    // Strict: a missing, null or mistyped required key fails with a text; optional keys may be
    // missing or null. Keys the record does not name are ignored.
    static std::optional<UserProfile> decode(const QByteArray &json, QString *error);
    bool operator==(const UserProfile &) const = default;
};
