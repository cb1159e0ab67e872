#pragma once
#include "account/RemoteError.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QNetworkAccessManager;

// The reply of the account creation (extra keys ignored; every key required).
struct AuthUserResponse {
    QString id;
    QString email;
    bool is_active = false;
};

// The reply of the profile creation.
struct UserResponse {
    QString id;
    QString email;
    QString first_name;
    QString last_name;
    QString company_name;
    QString linkedin;
    std::optional<QString> twitter;
    bool is_active = false;
};

// The value of an operation, or the RemoteError it failed with.
template <typename T>
struct RemoteResult {
    std::optional<T> value;
    std::optional<RemoteError> error;
    bool ok() const { return value.has_value(); }
};

// The client of the maker's account API: the invitation-code check, the creation (or lookup)
// of a signed-in user's account and the creation of the user's profile. It keeps no state
// between calls. Each operation answers once through `done`, on the main thread, and never
// after `context` is gone. Failures with a status code are reported to usage analytics
// before they are answered.
class RemoteService : public QObject {
    Q_OBJECT
public:
    template <typename T>
    using Callback = std::function<void(const RemoteResult<T> &)>;

    static RemoteService &shared();
    // The shared instance uses the configured base address; tests make their own.
    explicit RemoteService(const QString &baseURL, QObject *parent = nullptr);
    QString baseURL() const { return m_baseURL; }

    void validateInvitationCode(const QString &code, QObject *context, Callback<bool> done);
    void createAuthUser(const QString &authId, const QString &email, const QString &accessToken,
                        const std::optional<QString> &invitationCode, QObject *context,
                        Callback<AuthUserResponse> done);
    void updateUserProfile(const QString &authId, const QString &email, const QString &firstName,
                           const QString &lastName, const QString &companyName, const QString &linkedin,
                           const QString &twitter, const QString &accessToken, QObject *context,
                           Callback<UserResponse> done);

    static std::optional<AuthUserResponse> decodeAuthUser(const QByteArray &body, QString *error);
    static std::optional<UserResponse> decodeUserResponse(const QByteArray &body, QString *error);

private:
    QString m_baseURL;
    QNetworkAccessManager *m_network;
};
