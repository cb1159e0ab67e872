#pragma once
#include "StandinHttpServer.h"

#include <QJsonObject>
#include <QObject>

// The maker's account API on 127.0.0.1: its four endpoints answer with the status and body
// the test scripts (per endpoint), and every request is recorded with its headers and body.
// Point the services at baseUrl() (or set TAVO_ACCOUNT_API_URL to it).
class AccountApiStandin : public QObject {
    Q_OBJECT
public:
    enum class Endpoint { ValidateInvitation, CreateAuthUser, CreateProfile, GetProfile };

    explicit AccountApiStandin(QObject *parent = nullptr);
    quint16 start();
    QString baseUrl() const { return m_server.baseUrl().toString(); }

    static QString path(Endpoint endpoint);
    static QByteArray method(Endpoint endpoint);
    // The next replies of an endpoint (until scripted again). delayMs answers later.
    void setReply(Endpoint endpoint, int status, const QByteArray &body, int delayMs = 0);
    // A reply that never comes (the connection stays open).
    void setNoReply(Endpoint endpoint);

    QList<StandinHttpServer::Request> requests(Endpoint endpoint) const;
    int count(Endpoint endpoint) const { return int(requests(endpoint).size()); }
    // The JSON body of the last request to the endpoint.
    QJsonObject lastBody(Endpoint endpoint) const;
    QByteArray lastHeader(Endpoint endpoint, const QByteArray &name) const;
    StandinHttpServer &server() { return m_server; }

    // A profile body as the API sends it.
    static QByteArray profileJson(const QString &id, const QString &firstName, const QString &email);

private:
    StandinHttpServer m_server;
};
