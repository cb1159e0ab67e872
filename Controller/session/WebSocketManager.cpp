#include "Controller/session/WebSocketManager.h"

#include "Platform/AppInfo.h"
#include "Platform/Log.h"
#include "Platform/OutsideAddress.h"
#include "Controller/session/MessageStream.h"
#include "Platform/Scheduler.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QStringDecoder>
#include <QWebSocket>
#include <atomic>

namespace {
std::atomic<qint64> g_maxMessageBytes{WebSocketManager::kMaxMessageBytes};
// A connection that has not opened by then is given up, so nothing waits on it for ever.
constexpr qint64 kOpenTimeoutMs = 20000;
// A peer that never answers our close frame is dropped after this.
constexpr qint64 kCloseTimeoutMs = 5000;
}

struct WebSocketManager::Connection {
    QPointer<QWebSocket> socket;
    std::shared_ptr<MessageStream> stream;
    struct Pending {
        QString text;
        std::function<void(bool, const QString &)> done;
    };
    QList<Pending> pending;
    bool ended = false; // closed, failed or dropped

    void failPending(const QString &why)
    {
        const auto waiting = std::exchange(pending, {});
        for (const auto &p : waiting)
            if (p.done)
                p.done(false, why);
    }
};

WebSocketManager::WebSocketManager(QObject *parent)
    : QObject(parent)
{
}

WebSocketManager::~WebSocketManager()
{
    for (const auto &c : std::as_const(m_sockets)) {
        c->ended = true;
        c->pending.clear();
        if (c->socket) {
            c->socket->abort();
        }
    }
}

void WebSocketManager::setMaxMessageBytes(qint64 bytes)
{
    g_maxMessageBytes.store(bytes);
}

QUrl WebSocketManager::serviceSocketURL()
{
    return QUrl(AppInfo::instance().configured(QStringLiteral("TavoAssistantSocketURL"), "TAVO_ASSISTANT_SOCKET_URL"));
}

void WebSocketManager::connect(const QString &sessionId, const QUrl &url)
{
    if (auto old = m_sockets.take(sessionId))
        close(old);
    // A new connection has not been through its own opening sequence yet.
    m_initializedSessions.remove(sessionId);

    auto c = std::make_shared<Connection>();
    c->stream = std::make_shared<MessageStream>();
    // The first message is the access token: never over plain ws to another machine.
    if (!OutsideAddress::check(url, QStringLiteral("assistant socket"))) {
        c->ended = true;
        c->stream->finish();
        m_sockets.insert(sessionId, c);
        return;
    }
    auto *socket = new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, this);
    c->socket = socket;
    socket->setMaxAllowedIncomingMessageSize(quint64(g_maxMessageBytes.load()));
    socket->setMaxAllowedIncomingFrameSize(quint64(g_maxMessageBytes.load()));
    const std::weak_ptr<Connection> weak = c;

    QObject::connect(socket, &QWebSocket::connected, socket, [weak] {
        auto conn = weak.lock();
        if (!conn)
            return;
        const auto waiting = std::exchange(conn->pending, {});
        for (const auto &p : waiting)
            send(conn, p.text, p.done);
    });
    // The receive loop: every text message, and every binary message that is valid UTF-8,
    // becomes one chunk of the stream, in order.
    QObject::connect(socket, &QWebSocket::textMessageReceived, socket, [weak](const QString &text) {
        if (auto conn = weak.lock()) {
            Log::debug(QStringLiteral("📦 [WebSocket] Raw message: ") + Log::content(text, 2000));
            conn->stream->add(text);
        }
    });
    QObject::connect(socket, &QWebSocket::binaryMessageReceived, socket, [weak](const QByteArray &bytes) {
        auto conn = weak.lock();
        if (!conn)
            return;
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = decoder.decode(bytes);
        if (decoder.hasError())
            return; // not UTF-8 text: dropped
        Log::debug(QStringLiteral("📦 [WebSocket] Raw message: ") + Log::content(text, 2000));
        conn->stream->add(text);
    });
    QObject::connect(socket, &QWebSocket::stateChanged, socket, [weak, socket](QAbstractSocket::SocketState state) {
        if (state != QAbstractSocket::UnconnectedState)
            return;
        if (auto conn = weak.lock()) {
            conn->ended = true;
            conn->failPending(socket->errorString());
            conn->stream->finish();
        }
        socket->deleteLater();
    });
    Scheduler::instance().singleShot(kOpenTimeoutMs, socket, [socket] {
        if (socket->state() != QAbstractSocket::ConnectedState && socket->state() != QAbstractSocket::UnconnectedState)
            socket->abort();
    });

    m_sockets.insert(sessionId, c);
    socket->open(url);
}

void WebSocketManager::close(const std::shared_ptr<Connection> &c)
{
    c->ended = true;
    c->failPending(QStringLiteral("connection closed"));
    c->stream->finish();
    if (QWebSocket *socket = c->socket) {
        if (socket->state() == QAbstractSocket::ConnectedState) {
            socket->close(QWebSocketProtocol::CloseCodeGoingAway);
            Scheduler::instance().singleShot(kCloseTimeoutMs, socket, [socket] { socket->abort(); });
        } else {
            socket->abort();
        }
    }
}

void WebSocketManager::disconnect(const QString &sessionId)
{
    if (auto c = m_sockets.take(sessionId))
        close(c);
    m_initializedSessions.remove(sessionId);
}

std::shared_ptr<MessageStream> WebSocketManager::messageStream(const QString &sessionId) const
{
    const auto c = m_sockets.value(sessionId);
    return c ? c->stream : nullptr;
}

bool WebSocketManager::isConnected(const QString &sessionId) const
{
    return m_sockets.contains(sessionId);
}

bool WebSocketManager::isInitialized(const QString &sessionId) const
{
    return m_initializedSessions.contains(sessionId);
}

bool WebSocketManager::isUsable(const QString &sessionId) const
{
    const auto c = m_sockets.value(sessionId);
    return c && !c->ended && c->socket && !c->stream->isEnded();
}

void WebSocketManager::send(const std::shared_ptr<Connection> &c, const QString &text,
                            std::function<void(bool, const QString &)> done)
{
    if (c->ended || !c->socket) {
        if (done)
            done(false, QStringLiteral("connection closed"));
        return;
    }
    if (c->socket->state() != QAbstractSocket::ConnectedState) {
        c->pending.append({text, std::move(done)});
        return;
    }
    c->socket->sendTextMessage(text);
    if (done)
        done(true, QString());
}

void WebSocketManager::sendText(const QString &sessionId, const QString &text,
                                std::function<void(bool, const QString &)> done)
{
    send(m_sockets.value(sessionId), text, std::move(done));
}

void WebSocketManager::performInitializationSequence(const QString &sessionId, const std::optional<QString> &accessToken,
                                                     QObject *context, Done done)
{
    Log::line(QStringLiteral("🔄 [WebSocket] Starting proper initialization sequence for session ") + sessionId);
    // Only the connection this sequence opened may be marked initialized by it.
    const std::weak_ptr<Connection> started = m_sockets.value(sessionId);
    QPointer<QObject> caller(context);
    auto finish = [this, sessionId, started, caller, done] {
        const auto current = m_sockets.value(sessionId);
        if (current && current == started.lock()) {
            m_initializedSessions.insert(sessionId);
            Log::line(QStringLiteral("✅ [WebSocket] Proper initialization sequence completed for session ") + sessionId);
            Q_EMIT sessionInitialized(sessionId);
        }
        if (caller && done)
            done();
    };
    auto sendTime = [this, sessionId, finish] {
        Scheduler::instance().singleShot(50, this, [this, sessionId, finish] {
            Log::line(QStringLiteral("⏰ [WebSocket] Sending current time (2/2)"));
            sendTimeNotification(sessionId, [this, finish] { Scheduler::instance().singleShot(100, this, finish); });
        });
    };
    if (accessToken) {
        Log::line(QStringLiteral("🔑 [WebSocket] Sending access token (1/2)"));
        sendAccessToken(*accessToken, sessionId, sendTime);
    } else {
        Log::line(QStringLiteral("[WebSocket] Warning: No access token available to send over websocket."));
        sendTime();
    }
}

void WebSocketManager::sendAccessToken(const QString &token, const QString &sessionId, Done done)
{
    Log::line(QStringLiteral("[WebSocket] Sending accesstoken for session ") + sessionId);
    if (!m_sockets.contains(sessionId)) {
        Log::line(QStringLiteral("❌ [WebSocket] Cannot send access token - socket for session ") + sessionId + QStringLiteral(" is nil"));
        if (done)
            done();
        return;
    }
    sendText(sessionId, token, [sessionId, done](bool ok, const QString &error) {
        if (ok)
            Log::line(QStringLiteral("✅ [WebSocket] Access token sent as plain string for session ") + sessionId);
        else
            Log::line(QStringLiteral("❌ [WebSocket] Send access token error for session ") + sessionId + QStringLiteral(": ") + error);
        if (done)
            done();
    });
}

void WebSocketManager::sendTimeNotification(const QString &sessionId, Done done)
{
    sendJSON(timeNotification(sessionId, Scheduler::instance().now(), QTimeZone::systemTimeZone(), QLocale()), sessionId,
             std::move(done));
}

void WebSocketManager::registerClientTools(const QList<SessionClientTool> &tools, const QString &sessionId)
{
    QJsonObject available;
    for (const SessionClientTool &t : tools) {
        const QJsonValue schema = t.tool.inputSchema ? convertValueToJSON(*t.tool.inputSchema) : QJsonValue(defaultInputSchema());
        const QString key = toolKey(t.tool.name, t.clientName);
        Log::line(QStringLiteral("📋 [WebSocket] Tool '") + t.tool.name + QStringLiteral("' from client '") + t.clientName
                  + QStringLiteral("' -> '") + key + QStringLiteral("' (direct mapping)"));
        available.insert(key, QJsonObject{{QStringLiteral("Description"), t.tool.description}, {QStringLiteral("JsonSchema"), schema}});
    }
    sendJSON(QJsonObject{{QStringLiteral("msgtype"), QStringLiteral("registertool")},
                         {QStringLiteral("available_tools"), available},
                         {QStringLiteral("session_id"), sessionId}},
             sessionId);
}

void WebSocketManager::sendUserMessage(const QString &message, const QString &sessionId, bool htmlOutput)
{
    sendJSON(QJsonObject{{QStringLiteral("msgtype"), QStringLiteral("user")},
                         {QStringLiteral("message"), message},
                         {QStringLiteral("session_id"), sessionId},
                         {QStringLiteral("html_output"), htmlOutput}},
             sessionId);
}

void WebSocketManager::sendToolResponses(const QList<SessionToolResponse> &responses, const QString &sessionId)
{
    QJsonArray list;
    for (int i = 0; i < responses.size(); ++i) {
        const SessionToolResponse &r = responses.at(i);
        Log::line(QStringLiteral("🔧 Tool Response [%1]:").arg(i));
        Log::line(QStringLiteral("  id: ") + r.id);
        Log::line(QStringLiteral("  content: ") + Log::content(r.content));
        Log::line(QStringLiteral("  data: ") + (r.data ? Log::content(*r.data) : QStringLiteral("nil")));
        list.append(QJsonObject{{QStringLiteral("id"), r.id},
                                {QStringLiteral("content"), r.content},
                                {QStringLiteral("data"), r.data ? QJsonValue(*r.data) : QJsonValue(QJsonValue::Null)}});
    }
    sendJSON(QJsonObject{{QStringLiteral("msgtype"), QStringLiteral("tool")},
                         {QStringLiteral("session_id"), sessionId},
                         {QStringLiteral("toolcall_responses"), list}},
             sessionId);
}

void WebSocketManager::sendStop(const QString &sessionId)
{
    Log::line(QStringLiteral("🛑 [WebSocket] Sending stop event for session ") + sessionId);
    sendJSON(QJsonObject{{QStringLiteral("msgtype"), QStringLiteral("stop")}, {QStringLiteral("session_id"), sessionId}}, sessionId);
}

void WebSocketManager::sendJSON(const QJsonObject &object, const QString &sessionId, Done done)
{
    if (!m_sockets.contains(sessionId)) {
        Log::line(QStringLiteral("❌ [WebSocket] Cannot send - socket for session ") + sessionId + QStringLiteral(" is nil"));
        if (done)
            done();
        return;
    }
    // Qt's JSON writer cannot fail on an object, so no frame ever needs the fallback form.
    const QString text = QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
    sendText(sessionId, text, [sessionId, done](bool ok, const QString &error) {
        if (!ok)
            Log::line(QStringLiteral("❌ [WebSocket] Send error for session ") + sessionId + QStringLiteral(": ") + error);
        if (done)
            done();
    });
}

QJsonValue WebSocketManager::convertValueToJSON(const SessionToolValue &value)
{
    struct Visitor {
        QJsonValue operator()(std::monostate) const { return QJsonValue(QJsonValue::Null); }
        QJsonValue operator()(bool b) const { return b; }
        QJsonValue operator()(qint64 i) const { return i; }
        QJsonValue operator()(double d) const { return d; }
        QJsonValue operator()(const QString &s) const { return s; }
        QJsonValue operator()(const SessionToolValue::Binary &b) const
        {
            // The bytes themselves never go to the service.
            return QJsonObject{{QStringLiteral("mimeType"), b.mimeType ? QJsonValue(*b.mimeType) : QJsonValue(QJsonValue::Null)},
                               {QStringLiteral("data"), QStringLiteral("<binary data>")}};
        }
        QJsonValue operator()(const std::shared_ptr<SessionToolValue::List> &l) const
        {
            QJsonArray a;
            if (l)
                for (const auto &v : *l)
                    a.append(convertValueToJSON(v));
            return a;
        }
        QJsonValue operator()(const std::shared_ptr<SessionToolValue::Object> &o) const
        {
            QJsonObject j;
            if (o)
                for (auto it = o->cbegin(); it != o->cend(); ++it)
                    j.insert(it.key(), convertValueToJSON(it.value()));
            return j;
        }
    };
    return std::visit(Visitor{}, value.value);
}

QString WebSocketManager::toolKey(const QString &toolName, const QString &clientName)
{
    QString client;
    client.reserve(clientName.size());
    for (const char32_t cp : QStringView(clientName).toUcs4()) {
        const bool keep = (cp >= U'a' && cp <= U'z') || (cp >= U'A' && cp <= U'Z') || (cp >= U'0' && cp <= U'9')
            || cp == U'_' || cp == U'-';
        client.append(keep ? QChar(char16_t(cp)) : QChar(u'_'));
    }
    return toolName + QStringLiteral("-_-") + client;
}

QJsonObject WebSocketManager::defaultInputSchema()
{
    return QJsonObject{{QStringLiteral("type"), QStringLiteral("object")},
                       {QStringLiteral("properties"), QJsonObject()},
                       {QStringLiteral("required"), QJsonArray()},
                       {QStringLiteral("additionalProperties"), false},
                       {QStringLiteral("$schema"), QStringLiteral("http://json-schema.org/draft-07/schema#")}};
}

QString WebSocketManager::offsetText(int offsetSeconds)
{
    const int hours = offsetSeconds / 3600;
    const int minutes = (offsetSeconds - hours * 3600) / 60;
    // Any offset behind UTC is "-", a half hour behind included.
    return QString::asprintf("UTC%c%02d%02d", offsetSeconds < 0 ? '-' : '+', std::abs(hours), std::abs(minutes));
}

QJsonObject WebSocketManager::timeNotification(const QString &sessionId, const QDateTime &now, const QTimeZone &zone,
                                               const QLocale &locale)
{
    const QDateTime utc = now.toUTC();
    const int offset = zone.offsetFromUtc(utc);
    const QDateTime local = utc.toTimeZone(zone);
    return QJsonObject{
        {QStringLiteral("msgtype"), QStringLiteral("time_notification")},
        {QStringLiteral("time"), utc.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz'Z'"))},
        {QStringLiteral("local_time"), locale.toString(local, QStringLiteral("dddd, dd MMM yyyy HH:mm:ss")) + u' ' + offsetText(offset)},
        {QStringLiteral("timezone"), QString::fromUtf8(zone.id())},
        {QStringLiteral("timezone_offset"), offset / 3600},
        {QStringLiteral("session_id"), sessionId},
    };
}
