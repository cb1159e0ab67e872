#pragma once
#include "StandinHttpServer.h"

#include <QHash>
#include <QJsonObject>
#include <QMap>
#include <QObject>
#include <QQueue>
#include <optional>

// The integration platform on 127.0.0.1: the client-credentials token endpoint, the Connect
// API (connect tokens, accounts listed, by app, deleted), the hosted connect page that a fake
// browser can complete (which connects the account), and the paged app catalog (a generated
// catalog, 3,000 apps across the store's categories by default). It checks what the platform
// checks (credentials, bearer tokens, the environment header, the project) and records every
// request. Point the clients at baseUrl() for both the API and the connect page.
class PipedreamStandin : public QObject {
    Q_OBJECT
public:
    enum class Route { Token, ConnectToken, Accounts, DeleteAccount, ConnectPage, ConnectComplete, Catalog, Unknown };
    // Catalog rows that a strict decoder must refuse.
    enum class BadRow { missingId, nullName, numberAsSlug, weightAsText, categoriesNotList, notAnObject };

    struct Account {
        QString id;
        QString externalId;
        QString appSlug;
        QString appName;
        QString createdAt;
    };

    explicit PipedreamStandin(QObject *parent = nullptr);
    quint16 start();
    QString baseUrl() const { return m_server.baseUrl().toString(); }
    StandinHttpServer &server() { return m_server; }

    // What it accepts.
    QString clientId() const { return QStringLiteral("standin-client-id_0123456789abcdefghijklmnopqrs"); }
    QString clientSecret() const { return QStringLiteral("standin-client-secret_0123456789abcdefghijklm"); }
    QString projectId() const { return QStringLiteral("proj_Ab12Cd3"); }
    QString environment() const { return QStringLiteral("production"); }
    QString catalogKey() const { return QStringLiteral("0f1e2d3c4b5a69788796a5b4c3d2e1f0"); }
    // Sets the TAVO_PIPEDREAM_* variables of this process to this stand-in and its credentials.
    void exportEnvironment() const;

    // "expires_in" of the tokens it issues; none leaves the member out.
    void setTokenLifetime(std::optional<qint64> seconds) { m_tokenLifetime = seconds; }
    // Every access token issued so far is refused (401) from now on.
    void revokeTokens() { m_validTokens.clear(); }
    QStringList issuedTokens() const { return m_issuedTokens; }

    // Answers the next request of a route with this reply instead (one reply per request, in order).
    void queueReply(Route route, const StandinHttpServer::Reply &reply);
    static StandinHttpServer::Reply reply(int status, const QByteArray &body, const QByteArray &contentType = "application/json");

    // Connected accounts.
    QString addAccount(const QString &externalUserId, const QString &appSlug, const QString &appName = {});
    QList<Account> accounts() const { return m_accounts; }
    bool isConnected(const QString &externalUserId, const QString &appSlug) const;
    static QJsonObject accountJson(const Account &account);
    // The user and app a connect token was issued for.
    std::optional<QPair<QString, QString>> connectTokenOwner(const QString &token) const;

    // The hosted connect page's form, as the browser would submit it (token and app), from the page.
    static QByteArray completionForm(const QByteArray &pageHtml);
    QUrl completionUrl() const { return QUrl(baseUrl() + QStringLiteral("/_static/connect/complete")); }

    // The catalog.
    void setCatalogSize(int count) { m_catalogSize = count; }
    int catalogSize() const { return m_catalogSize; }
    void setBadRow(int index, BadRow kind) { m_badRows.insert(index, kind); }
    // Serves this app at index in place of the generated one (a real catalog entry, say).
    void setCatalogEntry(int index, const QJsonObject &app) { m_entries.insert(index, app); }
    void clearBadRows() { m_badRows.clear(); }
    QJsonValue catalogApp(int index) const;
    // The 22 store categories, which the generated apps cycle through.
    static QStringList categories();
    static QString cursorFor(int index);

    Route routeOf(const StandinHttpServer::Request &request) const;
    QList<StandinHttpServer::Request> requests(Route route) const;
    int count(Route route) const { return int(requests(route).size()); }
    // The request's path and query exactly as sent (percent-encoding kept).
    static QString rawTarget(const StandinHttpServer::Request &request);

private:
    StandinHttpServer::Reply handle(const StandinHttpServer::Request &request);
    StandinHttpServer::Reply token(const StandinHttpServer::Request &request);
    StandinHttpServer::Reply connectToken(const StandinHttpServer::Request &request);
    StandinHttpServer::Reply listAccounts(const StandinHttpServer::Request &request);
    StandinHttpServer::Reply deleteAccount(const StandinHttpServer::Request &request);
    StandinHttpServer::Reply connectPage(const StandinHttpServer::Request &request);
    StandinHttpServer::Reply completeConnection(const StandinHttpServer::Request &request);
    StandinHttpServer::Reply catalog(const StandinHttpServer::Request &request);
    std::optional<StandinHttpServer::Reply> refuseConnect(const StandinHttpServer::Request &request) const;
    QStringList pathSegments(const StandinHttpServer::Request &request) const;

    StandinHttpServer m_server;
    QHash<int, QQueue<StandinHttpServer::Reply>> m_queued;
    std::optional<qint64> m_tokenLifetime = 3600;
    QStringList m_issuedTokens;
    QStringList m_validTokens;
    QHash<QString, QPair<QString, QString>> m_connectTokens; // token -> (external user, app)
    QList<Account> m_accounts;
    int m_nextId = 1;
    int m_catalogSize = 3000;
    QMap<int, BadRow> m_badRows;
    QHash<int, QJsonObject> m_entries;
};
