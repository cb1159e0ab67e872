#include "AccountApiStandin.h"

#include <QJsonDocument>

AccountApiStandin::AccountApiStandin(QObject *parent)
    : QObject(parent)
{
    setReply(Endpoint::ValidateInvitation, 200, R"({"is_valid": true})");
    setReply(Endpoint::CreateAuthUser, 200, R"({"id": "user-1", "email": "ada@example.com", "is_active": true})");
    setReply(Endpoint::CreateProfile, 200,
             R"({"id": "user-1", "email": "ada@example.com", "first_name": "Ada", "last_name": "Lovelace",)"
             R"( "company_name": "Engines", "linkedin": "", "twitter": null, "is_active": true})");
    setReply(Endpoint::GetProfile, 200, profileJson(QStringLiteral("user-1"), QStringLiteral("Ada"), QStringLiteral("ada@example.com")));
}

quint16 AccountApiStandin::start()
{
    return m_server.start();
}

QString AccountApiStandin::path(Endpoint endpoint)
{
    switch (endpoint) {
    case Endpoint::ValidateInvitation: return QStringLiteral("/api/auth/invitation/validate");
    case Endpoint::CreateAuthUser: return QStringLiteral("/api/auth/create");
    case Endpoint::CreateProfile: return QStringLiteral("/api/profile/create");
    case Endpoint::GetProfile: return QStringLiteral("/api/profile/");
    }
    return {};
}

QByteArray AccountApiStandin::method(Endpoint endpoint)
{
    return endpoint == Endpoint::GetProfile ? QByteArrayLiteral("GET") : QByteArrayLiteral("POST");
}

void AccountApiStandin::setReply(Endpoint endpoint, int status, const QByteArray &body, int delayMs)
{
    StandinHttpServer::Reply reply;
    reply.status = status;
    reply.body = body;
    reply.delayMs = delayMs;
    m_server.on(method(endpoint), path(endpoint), reply);
}

void AccountApiStandin::setNoReply(Endpoint endpoint)
{
    StandinHttpServer::Reply reply;
    reply.noReply = true;
    m_server.on(method(endpoint), path(endpoint), reply);
}

QList<StandinHttpServer::Request> AccountApiStandin::requests(Endpoint endpoint) const
{
    QList<StandinHttpServer::Request> out;
    for (const auto &r : m_server.requestsTo(path(endpoint)))
        if (r.method == method(endpoint))
            out.append(r);
    return out;
}

QJsonObject AccountApiStandin::lastBody(Endpoint endpoint) const
{
    const auto list = requests(endpoint);
    return list.isEmpty() ? QJsonObject() : QJsonDocument::fromJson(list.last().body).object();
}

QByteArray AccountApiStandin::lastHeader(Endpoint endpoint, const QByteArray &name) const
{
    const auto list = requests(endpoint);
    return list.isEmpty() ? QByteArray() : list.last().header(name);
}

QByteArray AccountApiStandin::profileJson(const QString &id, const QString &firstName, const QString &email)
{
    QJsonObject o{{QStringLiteral("id"), id},
                  {QStringLiteral("is_active"), true},
                  {QStringLiteral("first_name"), firstName},
                  {QStringLiteral("last_name"), QStringLiteral("Lovelace")},
                  {QStringLiteral("email"), email},
                  {QStringLiteral("company_name"), QStringLiteral("Engines")},
                  {QStringLiteral("linkedin"), QStringLiteral("in/ada")},
                  {QStringLiteral("twitter"), QJsonValue::Null}};
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}
