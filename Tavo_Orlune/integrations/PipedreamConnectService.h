#pragma once
#include "integrations/ConnectedAccount.h"
#include "integrations/IntegrationFailure.h"
#include "integrations/IntegrationHttp.h"
#include "integrations/PipedreamConfig.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QNetworkAccessManager;

// The client of the integration platform's Connect API: the project's client-credentials token
// (cached in memory only, never logged), connect tokens for the signed-in user, the link to the
// hosted connect page, and the user's connected accounts. Lives on the main thread.
//
// Every operation answers once through `done`, on a later turn of the main thread, and never
// after `context` is gone. A Connect request answered 401 is sent once more with a fresh
// token (`isRetry` marks that repetition; callers leave it false).
class PipedreamConnectService : public QObject {
    Q_OBJECT
public:
    template <typename T>
    using Callback = std::function<void(const IntegrationResult<T> &)>;
    using UserIdProvider = std::function<QString()>;

    static constexpr double tokenExpirationBuffer = 300.0;
    static constexpr const char *storedExternalUserIdKey = "pipedreamExternalUserId";
    // Replies of the Connect API are small; an account listing of a few hundred accounts fits.
    static constexpr qint64 kMaxReplyBytes = 4 * 1024 * 1024;

    // The process-wide instance: the configured platform, the signed-in user of Auth0Manager.
    static PipedreamConnectService &shared();
    // Tests: their own configuration and user.
    PipedreamConnectService(const PipedreamConfig &config, UserIdProvider externalUserId, QObject *parent = nullptr);
    ~PipedreamConnectService() override;

    // Whether the deployment supplied the credentials and usable addresses.
    bool isConfigured() const;
    QString clientId() const { return m_config.clientId; }
    QString projectId() const { return m_config.projectId; }
    QString environment() const { return m_config.environment; }
    QString apiBaseURL() const { return m_config.apiBaseURL(); }
    QString mcpServerURL() const { return m_config.mcpServerURL; }
    // The signed-in user's id, or empty; worked out at every use.
    QString externalUserId() const;
    // The user default "pipedreamExternalUserId" (empty when absent); nothing here reads it.
    QString storedExternalUserId() const;
    void setStoredExternalUserId(const QString &value);

    std::optional<QString> errorMessage() const { return m_errorMessage; }
    std::optional<QString> accessToken() const { return m_accessToken; }
    std::optional<QDateTime> tokenExpirationDate() const { return m_tokenExpirationDate; }

    void getAccessToken(QObject *context, Callback<QString> done);
    void createConnectToken(const QString &appSlug, QObject *context, Callback<QString> done, bool isRetry = false);
    // The hosted connect page with the connect token and the app slug as query values.
    void generateConnectLink(const QString &appSlug, QObject *context, Callback<QString> done);
    // Opens the connect page in the browser; a failure sets errorMessage. `done` (optional)
    // hears whether the page was handed to the browser.
    void openConnectLink(const QString &appSlug, QObject *context = nullptr, std::function<void(bool opened)> done = {});
    void checkConnectionStatus(const QString &appSlug, QObject *context, Callback<bool> done, bool isRetry = false);
    void getConnectedAccount(const QString &appSlug, QObject *context, Callback<std::optional<ConnectedAccount>> done,
                             bool isRetry = false);
    void getAllConnectedAccounts(QObject *context, Callback<QList<ConnectedAccount>> done, bool isRetry = false);
    // True when deleted, false when the platform does not know the account.
    void deleteConnectedAccount(const QString &accountId, QObject *context, Callback<bool> done, bool isRetry = false);

    // The link for a connect token; none when it cannot form a usable address.
    std::optional<QString> connectLink(const QString &connectToken, const QString &appSlug) const;

Q_SIGNALS:
    void errorMessageChanged();
    void accessTokenChanged();

private:
    struct Reply {
        int status = 0;
        QByteArray body;
    };
    struct Call {
        QByteArray method;
        QString path;  // after the project, already encoded
        QString query; // already encoded, without "?"
        std::optional<QJsonObject> body;
    };

    void obtainToken(Callback<QString> done);
    void send(const Call &call, Callback<Reply> done);
    void connectToken(const QString &appSlug, bool isRetry, Callback<QString> done);
    void connectionStatus(const QString &appSlug, bool isRetry, Callback<bool> done);
    void connectedAccount(const QString &appSlug, bool isRetry, Callback<std::optional<ConnectedAccount>> done);
    void allAccounts(bool isRetry, Callback<QList<ConnectedAccount>> done);
    void deleteAccount(const QString &accountId, bool isRetry, Callback<bool> done);
    void link(const QString &appSlug, Callback<QString> done);
    QString accountsQuery(const std::optional<QString> &appSlug) const;
    void clearToken();
    void setToken(const QString &token, const QDateTime &expiry);
    void setErrorMessage(const QString &text);

    PipedreamConfig m_config;
    UserIdProvider m_externalUserId;
    QNetworkAccessManager *m_network;
    std::optional<QString> m_errorMessage;
    std::optional<QString> m_accessToken;
    std::optional<QDateTime> m_tokenExpirationDate;
};
