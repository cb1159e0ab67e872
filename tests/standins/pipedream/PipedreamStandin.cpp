#include "PipedreamStandin.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QUrlQuery>

namespace {
using Reply = StandinHttpServer::Reply;

Reply json(int status, const QJsonObject &object)
{
    return PipedreamStandin::reply(status, QJsonDocument(object).toJson(QJsonDocument::Compact));
}

Reply error(int status, const QString &text)
{
    return json(status, QJsonObject{{QStringLiteral("error"), text}});
}

QString htmlEscaped(const QString &text)
{
    return text.toHtmlEscaped().replace(u'\'', QStringLiteral("&#39;"));
}

// The query's values decoded as a server decodes them (percent-encoding; "+" stays "+").
QString queryValue(const QUrl &url, const QString &key, bool *present = nullptr)
{
    const QUrlQuery query(url.query(QUrl::FullyEncoded));
    if (present)
        *present = query.hasQueryItem(key);
    return query.queryItemValue(key, QUrl::FullyDecoded);
}
}

PipedreamStandin::PipedreamStandin(QObject *parent)
    : QObject(parent)
{
    m_server.setFallback([this](const StandinHttpServer::Request &request) { return handle(request); });
}

quint16 PipedreamStandin::start()
{
    return m_server.start();
}

void PipedreamStandin::exportEnvironment() const
{
    qputenv("TAVO_PIPEDREAM_API_URL", baseUrl().toUtf8());
    qputenv("TAVO_PIPEDREAM_CONNECT_URL", baseUrl().toUtf8());
    qputenv("TAVO_PIPEDREAM_CLIENT_ID", clientId().toUtf8());
    qputenv("TAVO_PIPEDREAM_CLIENT_SECRET", clientSecret().toUtf8());
    qputenv("TAVO_PIPEDREAM_PROJECT_ID", projectId().toUtf8());
    qputenv("TAVO_PIPEDREAM_ENVIRONMENT", environment().toUtf8());
    qputenv("TAVO_PIPEDREAM_CATALOG_KEY", catalogKey().toUtf8());
}

Reply PipedreamStandin::reply(int status, const QByteArray &body, const QByteArray &contentType)
{
    Reply r;
    r.status = status;
    r.body = body;
    r.contentType = contentType;
    return r;
}

void PipedreamStandin::queueReply(Route route, const Reply &reply)
{
    m_queued[int(route)].enqueue(reply);
}

QString PipedreamStandin::rawTarget(const StandinHttpServer::Request &request)
{
    QString target = request.url.path(QUrl::FullyEncoded);
    if (request.url.hasQuery())
        target += u'?' + request.url.query(QUrl::FullyEncoded);
    return target;
}

QStringList PipedreamStandin::pathSegments(const StandinHttpServer::Request &request) const
{
    QStringList segments = request.url.path(QUrl::FullyEncoded).split(u'/');
    if (!segments.isEmpty() && segments.first().isEmpty())
        segments.removeFirst();
    for (QString &s : segments)
        s = QUrl::fromPercentEncoding(s.toLatin1());
    return segments;
}

PipedreamStandin::Route PipedreamStandin::routeOf(const StandinHttpServer::Request &request) const
{
    const QStringList s = pathSegments(request);
    const QByteArray &m = request.method;
    if (s == QStringList{QStringLiteral("v1"), QStringLiteral("oauth"), QStringLiteral("token")} && m == "POST")
        return Route::Token;
    if (s == QStringList{QStringLiteral("v1"), QStringLiteral("apps")} && m == "GET")
        return Route::Catalog;
    if (s == QStringList{QStringLiteral("_static"), QStringLiteral("connect.html")} && m == "GET")
        return Route::ConnectPage;
    if (s == QStringList{QStringLiteral("_static"), QStringLiteral("connect"), QStringLiteral("complete")} && m == "POST")
        return Route::ConnectComplete;
    if (s.size() >= 4 && s[0] == QLatin1String("v1") && s[1] == QLatin1String("connect")) {
        if (s.size() == 4 && s[3] == QLatin1String("tokens") && m == "POST")
            return Route::ConnectToken;
        if (s.size() == 4 && s[3] == QLatin1String("accounts") && m == "GET")
            return Route::Accounts;
        if (s.size() == 5 && s[3] == QLatin1String("accounts") && m == "DELETE")
            return Route::DeleteAccount;
    }
    return Route::Unknown;
}

QList<StandinHttpServer::Request> PipedreamStandin::requests(Route route) const
{
    QList<StandinHttpServer::Request> out;
    for (const auto &r : m_server.requests())
        if (routeOf(r) == route)
            out.append(r);
    return out;
}

Reply PipedreamStandin::handle(const StandinHttpServer::Request &request)
{
    const Route route = routeOf(request);
    auto queued = m_queued.find(int(route));
    if (queued != m_queued.end() && !queued->isEmpty())
        return queued->dequeue();
    switch (route) {
    case Route::Token: return token(request);
    case Route::ConnectToken: return connectToken(request);
    case Route::Accounts: return listAccounts(request);
    case Route::DeleteAccount: return deleteAccount(request);
    case Route::ConnectPage: return connectPage(request);
    case Route::ConnectComplete: return completeConnection(request);
    case Route::Catalog: return catalog(request);
    case Route::Unknown: break;
    }
    return error(404, QStringLiteral("not found"));
}

Reply PipedreamStandin::token(const StandinHttpServer::Request &request)
{
    if (!request.header("Content-Type").startsWith("application/json"))
        return error(415, QStringLiteral("unsupported media type"));
    const QJsonDocument doc = QJsonDocument::fromJson(request.body);
    const QJsonObject body = doc.object();
    if (!doc.isObject())
        return error(400, QStringLiteral("invalid_request"));
    if (body.value(QStringLiteral("grant_type")).toString() != QLatin1String("client_credentials"))
        return error(400, QStringLiteral("unsupported_grant_type"));
    if (body.value(QStringLiteral("client_id")).toString() != clientId()
        || body.value(QStringLiteral("client_secret")).toString() != clientSecret())
        return error(401, QStringLiteral("invalid_client"));
    const QString issued = QStringLiteral("pd_at_%1").arg(m_issuedTokens.size() + 1);
    m_issuedTokens.append(issued);
    m_validTokens.append(issued);
    QJsonObject reply{{QStringLiteral("access_token"), issued}, {QStringLiteral("token_type"), QStringLiteral("Bearer")}};
    if (m_tokenLifetime)
        reply.insert(QStringLiteral("expires_in"), *m_tokenLifetime);
    return json(200, reply);
}

std::optional<Reply> PipedreamStandin::refuseConnect(const StandinHttpServer::Request &request) const
{
    const QByteArray auth = request.header("Authorization");
    if (!auth.startsWith("Bearer ") || !m_validTokens.contains(QString::fromUtf8(auth.mid(7))))
        return error(401, QStringLiteral("unauthorized"));
    if (request.header("X-PD-Environment") != environment().toUtf8())
        return error(400, QStringLiteral("unknown environment"));
    if (pathSegments(request).value(2) != projectId())
        return error(404, QStringLiteral("project not found"));
    return std::nullopt;
}

Reply PipedreamStandin::connectToken(const StandinHttpServer::Request &request)
{
    if (auto refused = refuseConnect(request))
        return *refused;
    const QJsonDocument doc = QJsonDocument::fromJson(request.body);
    const QJsonObject body = doc.object();
    if (!request.header("Content-Type").startsWith("application/json") || !doc.isObject()
        || !body.value(QStringLiteral("external_user_id")).isString() || !body.value(QStringLiteral("app")).isString())
        return error(400, QStringLiteral("external_user_id and app are required"));
    const QString token = QStringLiteral("ctok_%1").arg(m_connectTokens.size() + 1, 8, 10, QLatin1Char('0'));
    m_connectTokens.insert(token, {body.value(QStringLiteral("external_user_id")).toString(), body.value(QStringLiteral("app")).toString()});
    return json(200, QJsonObject{{QStringLiteral("token"), token},
                                 {QStringLiteral("expires_at"), QStringLiteral("2026-01-01T16:00:00.000Z")},
                                 {QStringLiteral("connect_link_url"), baseUrl() + QStringLiteral("/_static/connect.html?token=") + token}});
}

std::optional<QPair<QString, QString>> PipedreamStandin::connectTokenOwner(const QString &token) const
{
    const auto it = m_connectTokens.find(token);
    if (it == m_connectTokens.end())
        return std::nullopt;
    return *it;
}

QString PipedreamStandin::addAccount(const QString &externalUserId, const QString &appSlug, const QString &appName)
{
    Account a;
    a.id = QStringLiteral("apn_%1").arg(m_nextId++, 6, 10, QLatin1Char('0'));
    a.externalId = externalUserId;
    a.appSlug = appSlug;
    a.appName = appName.isEmpty() ? appSlug : appName;
    a.createdAt = QStringLiteral("2026-01-01T12:00:00.000Z");
    m_accounts.append(a);
    return a.id;
}

bool PipedreamStandin::isConnected(const QString &externalUserId, const QString &appSlug) const
{
    for (const Account &a : m_accounts)
        if (a.externalId == externalUserId && a.appSlug == appSlug)
            return true;
    return false;
}

QJsonObject PipedreamStandin::accountJson(const Account &a)
{
    return QJsonObject{{QStringLiteral("id"), a.id},
                       {QStringLiteral("name"), QJsonValue::Null},
                       {QStringLiteral("external_id"), a.externalId},
                       {QStringLiteral("healthy"), true},
                       {QStringLiteral("dead"), false},
                       {QStringLiteral("app"), QJsonObject{{QStringLiteral("id"), QStringLiteral("app_") + a.appSlug},
                                                           {QStringLiteral("name_slug"), a.appSlug},
                                                           {QStringLiteral("name"), a.appName},
                                                           {QStringLiteral("auth_type"), QStringLiteral("oauth")}}},
                       {QStringLiteral("created_at"), a.createdAt},
                       {QStringLiteral("updated_at"), a.createdAt}};
}

Reply PipedreamStandin::listAccounts(const StandinHttpServer::Request &request)
{
    if (auto refused = refuseConnect(request))
        return *refused;
    bool hasApp = false;
    const QString user = queryValue(request.url, QStringLiteral("external_user_id"));
    const QString app = queryValue(request.url, QStringLiteral("app"), &hasApp);
    QJsonArray data;
    for (const Account &a : m_accounts)
        if (a.externalId == user && (!hasApp || a.appSlug == app))
            data.append(accountJson(a));
    const QJsonObject pageInfo{{QStringLiteral("total_count"), data.size()},
                               {QStringLiteral("count"), data.size()},
                               {QStringLiteral("start_cursor"), QJsonValue::Null},
                               {QStringLiteral("end_cursor"), QJsonValue::Null}};
    return json(200, QJsonObject{{QStringLiteral("page_info"), pageInfo}, {QStringLiteral("data"), data}});
}

Reply PipedreamStandin::deleteAccount(const StandinHttpServer::Request &request)
{
    if (auto refused = refuseConnect(request))
        return *refused;
    const QString id = pathSegments(request).value(4);
    for (qsizetype i = 0; i < m_accounts.size(); ++i) {
        if (m_accounts[i].id == id) {
            m_accounts.removeAt(i);
            return reply(204, {}, {});
        }
    }
    return error(404, QStringLiteral("account not found"));
}

Reply PipedreamStandin::connectPage(const StandinHttpServer::Request &request)
{
    const QString token = queryValue(request.url, QStringLiteral("token"));
    const QString app = queryValue(request.url, QStringLiteral("app"));
    if (!m_connectTokens.contains(token))
        return reply(400, "<html><body><p>This link is invalid or has expired.</p></body></html>", "text/html");
    const QString page = QStringLiteral(
        "<html><body><h1>Connect %1</h1>"
        "<form method=\"post\" action=\"/_static/connect/complete\">"
        "<input type=\"hidden\" name=\"token\" value=\"%2\">"
        "<input type=\"hidden\" name=\"app\" value=\"%3\">"
        "<button type=\"submit\">Connect</button></form></body></html>")
                             .arg(htmlEscaped(app), htmlEscaped(token), htmlEscaped(app));
    return reply(200, page.toUtf8(), "text/html; charset=utf-8");
}

QByteArray PipedreamStandin::completionForm(const QByteArray &pageHtml)
{
    static const QRegularExpression input(QStringLiteral("name=\"(token|app)\" value=\"([^\"]*)\""));
    QByteArrayList fields;
    auto it = input.globalMatch(QString::fromUtf8(pageHtml));
    while (it.hasNext()) {
        const auto m = it.next();
        QString value = m.captured(2);
        value.replace(QStringLiteral("&#39;"), QStringLiteral("'")).replace(QStringLiteral("&quot;"), QStringLiteral("\""));
        value.replace(QStringLiteral("&lt;"), QStringLiteral("<")).replace(QStringLiteral("&gt;"), QStringLiteral(">"));
        value.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        fields << m.captured(1).toLatin1() + '=' + QUrl::toPercentEncoding(value);
    }
    return fields.join('&');
}

Reply PipedreamStandin::completeConnection(const StandinHttpServer::Request &request)
{
    const QUrlQuery form(QString::fromUtf8(request.body));
    const QString token = form.queryItemValue(QStringLiteral("token"), QUrl::FullyDecoded);
    const QString app = form.queryItemValue(QStringLiteral("app"), QUrl::FullyDecoded);
    const auto owner = connectTokenOwner(token);
    if (!owner || owner->second != app)
        return reply(400, "<html><body><p>The connection could not be completed.</p></body></html>", "text/html");
    m_connectTokens.remove(token); // a connect token serves once
    if (!isConnected(owner->first, app))
        addAccount(owner->first, app);
    return reply(200, "<html><body><p>Connected. You can close this window.</p></body></html>", "text/html");
}

QStringList PipedreamStandin::categories()
{
    return {QStringLiteral("Artificial Intelligence (AI)"), QStringLiteral("Business Management"), QStringLiteral("CRM"),
            QStringLiteral("Commerce"), QStringLiteral("Communication"), QStringLiteral("Data Analytics"),
            QStringLiteral("Databases"), QStringLiteral("Developer Tools"), QStringLiteral("Entertainment"),
            QStringLiteral("File Storage"), QStringLiteral("Help Desk & Support"), QStringLiteral("Human Resources"),
            QStringLiteral("Infrastructure & Cloud"), QStringLiteral("Language Tools"), QStringLiteral("Learning & Education"),
            QStringLiteral("Marketing"), QStringLiteral("Productivity"), QStringLiteral("Smart Home Automation"),
            QStringLiteral("Social Media"), QStringLiteral("Surveys & Forms"), QStringLiteral("Travel"),
            QStringLiteral("Web & App Development")};
}

QString PipedreamStandin::cursorFor(int index)
{
    return QString::fromLatin1(QByteArray("app:" + QByteArray::number(index)).toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QJsonValue PipedreamStandin::catalogApp(int index) const
{
    if (const auto entry = m_entries.constFind(index); entry != m_entries.constEnd())
        return *entry;
    const QStringList cats = categories();
    // Every 97th app has a name with accents, every 13th a second category, every 7th a
    // featured weight; the rest are plain.
    const bool accented = index % 97 == 5;
    const QString name = accented ? QStringLiteral("Crème Brûlée %1").arg(index) : QStringLiteral("App %1").arg(index);
    QJsonArray appCategories{cats.at(index % cats.size())};
    if (index % 13 == 0)
        appCategories.append(cats.at((index + 5) % cats.size()));
    QJsonObject app{{QStringLiteral("id"), QStringLiteral("app_%1").arg(index, 5, 10, QLatin1Char('0'))},
                    {QStringLiteral("name_slug"), accented ? QStringLiteral("creme_brulee_%1").arg(index) : QStringLiteral("app_%1").arg(index)},
                    {QStringLiteral("name"), name},
                    {QStringLiteral("auth_type"), index % 3 == 0 ? QJsonValue(QStringLiteral("oauth"))
                                                   : index % 3 == 1 ? QJsonValue(QStringLiteral("keys")) : QJsonValue(QJsonValue::Null)},
                    {QStringLiteral("description"), QStringLiteral("Connect %1 to automate work across your tools. "
                                                                   "Read, create and update records from the assistant.").arg(name)},
                    {QStringLiteral("img_src"), QStringLiteral("https://assets.invalid/apps/app_%1.png").arg(index)},
                    {QStringLiteral("custom_fields_json"), QStringLiteral("[]")},
                    {QStringLiteral("categories"), appCategories},
                    {QStringLiteral("featured_weight"), index % 7 == 0 ? 10000 - index : 0}};
    const auto bad = m_badRows.find(index);
    if (bad == m_badRows.end())
        return app;
    switch (*bad) {
    case BadRow::missingId: app.remove(QStringLiteral("id")); break;
    case BadRow::nullName: app.insert(QStringLiteral("name"), QJsonValue::Null); break;
    case BadRow::numberAsSlug: app.insert(QStringLiteral("name_slug"), 42); break;
    case BadRow::weightAsText: app.insert(QStringLiteral("featured_weight"), QStringLiteral("100")); break;
    case BadRow::categoriesNotList: app.insert(QStringLiteral("categories"), cats.first()); break;
    case BadRow::notAnObject: return QJsonValue(name);
    }
    return app;
}

Reply PipedreamStandin::catalog(const StandinHttpServer::Request &request)
{
    if (request.header("Authorization") != "Bearer " + catalogKey().toUtf8())
        return error(401, QStringLiteral("unauthorized"));
    bool ok = false;
    const int limit = queryValue(request.url, QStringLiteral("limit")).toInt(&ok);
    if (!ok || limit < 1 || limit > 100)
        return error(400, QStringLiteral("limit must be from 1 to 100"));
    bool hasAfter = false;
    const QString after = queryValue(request.url, QStringLiteral("after"), &hasAfter);
    int start = 0;
    if (hasAfter) {
        const QByteArray decoded = QByteArray::fromBase64(after.toLatin1(), QByteArray::Base64UrlEncoding);
        bool okIndex = false;
        start = decoded.startsWith("app:") ? decoded.mid(4).toInt(&okIndex) : -1;
        if (!okIndex || start < 0 || start > m_catalogSize)
            return error(400, QStringLiteral("invalid cursor"));
    }
    const int end = qMin(start + limit, m_catalogSize);
    QJsonArray data;
    for (int i = start; i < end; ++i)
        data.append(catalogApp(i));
    QJsonObject pageInfo{{QStringLiteral("total_count"), m_catalogSize}, {QStringLiteral("count"), end - start}};
    pageInfo.insert(QStringLiteral("start_cursor"), end > start ? QJsonValue(cursorFor(start)) : QJsonValue(QJsonValue::Null));
    pageInfo.insert(QStringLiteral("end_cursor"), end < m_catalogSize ? QJsonValue(cursorFor(end)) : QJsonValue(QJsonValue::Null));
    return json(200, QJsonObject{{QStringLiteral("page_info"), pageInfo}, {QStringLiteral("data"), data}});
}
