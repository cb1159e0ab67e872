#include "Controller/mcp/McpClient.h"

#include "Platform/Log.h"
#include "Controller/mcp/McpTransport.h"
#include "Platform/Scheduler.h"

#include <QAbstractEventDispatcher>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QThread>
#include <atomic>

namespace {
QByteArray encode(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}
}

namespace {
std::atomic<int> g_toolCallTimeoutMs{60000};
}

int McpClient::toolCallTimeoutMs()
{
    return g_toolCallTimeoutMs.load();
}

void McpClient::setToolCallTimeoutMs(int ms)
{
    g_toolCallTimeoutMs.store(ms);
}

const QStringList &McpClient::supportedProtocolVersions()
{
    static const QStringList versions{QStringLiteral("2024-11-05"), QStringLiteral("2025-03-26"),
                                      QStringLiteral("2025-06-18"), QStringLiteral("2025-11-25")};
    return versions;
}

McpClient::McpClient(QString name, QString version, QObject *parent)
    : QObject(parent), m_name(std::move(name)), m_version(std::move(version))
{
}

McpClient::~McpClient()
{
    if (m_transport) {
        m_transport->disconnect(this);
        m_transport->close();
    }
    // Whoever still waits gets an answer, on a later turn: never from inside a destructor.
    auto pending = std::move(m_pending);
    m_pending.clear();
    for (auto &p : pending) {
        Scheduler::instance().cancel(p.timer);
        auto cb = std::move(p.callback);
        later([cb] { cb(MCPError(QStringLiteral("Client disconnected"))); });
    }
}

void McpClient::later(std::function<void()> fn)
{
    // The thread's event dispatcher outlives any client on it, so the answer is never lost.
    QObject *context = QAbstractEventDispatcher::instance(thread());
    if (!context)
        context = this;
    Scheduler::instance().nextTurn(context, std::move(fn));
}

void McpClient::connectTransport(McpTransport *transport, McpCallback<QJsonObject> done, int handshakeTimeoutMs)
{
    if (m_transport) {
        later([done] { done(MCPError(QStringLiteral("Client is already connected"))); });
        transport->deleteLater();
        return;
    }
    transport->setParent(this);
    m_transport = transport;
    m_closed = false;
    QPointer<McpClient> self(this);
    auto finished = std::make_shared<bool>(false);
    QObject::connect(transport, &McpTransport::messageReceived, this, &McpClient::onMessage);
    QObject::connect(transport, &McpTransport::messageDropped, this, &McpClient::onMessageDropped);
    QObject::connect(transport, &McpTransport::closed, this, &McpClient::onClosed);
    QObject::connect(transport, &McpTransport::openFailed, this, [this, done, finished](const QString &reason) {
        if (*finished)
            return;
        *finished = true;
        m_closed = true;
        m_closeReason = reason;
        done(MCPError(reason));
    });
    QObject::connect(transport, &McpTransport::opened, this, [this, done, finished, handshakeTimeoutMs] {
        const QJsonObject params{
            {QStringLiteral("protocolVersion"), QString::fromLatin1(kProtocolVersion)},
            {QStringLiteral("capabilities"), QJsonObject()},
            {QStringLiteral("clientInfo"), QJsonObject{{QStringLiteral("name"), m_name}, {QStringLiteral("version"), m_version}}},
        };
        QPointer<McpClient> guard(this);
        sendRequest(QStringLiteral("initialize"), params, [guard, done, finished](McpResult<QJsonObject> r) {
            if (*finished)
                return;
            *finished = true;
            if (!r.ok()) {
                done(r.error());
                return;
            }
            const QString version = r.value().value(QLatin1String("protocolVersion")).toString();
            if (!supportedProtocolVersions().contains(version)) {
                if (guard)
                    guard->disconnect();
                done(MCPError(QStringLiteral("Server answered with an unsupported protocol version: %1").arg(version)));
                return;
            }
            if (!guard) {
                done(MCPError(QStringLiteral("Client disconnected")));
                return;
            }
            guard->m_serverProtocolVersion = version;
            guard->m_handshakeDone = true;
            guard->m_transport->send(encode(QJsonObject{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                                                        {QStringLiteral("method"), QStringLiteral("notifications/initialized")}}));
            done(r.value());
        }, handshakeTimeoutMs);
    });
    transport->open();
}

void McpClient::initialize(McpCallback<QJsonObject> done, int timeoutMs)
{
    const QJsonObject params{
        {QStringLiteral("protocolVersion"), QString::fromLatin1(kProtocolVersion)},
        {QStringLiteral("capabilities"), QJsonObject()},
        {QStringLiteral("clientInfo"), QJsonObject{{QStringLiteral("name"), m_name}, {QStringLiteral("version"), m_version}}},
    };
    request(QStringLiteral("initialize"), params, std::move(done), timeoutMs);
}

void McpClient::listTools(std::optional<QString> cursor, McpCallback<mcp::ListToolsResult> done, int timeoutMs)
{
    QJsonObject params;
    if (cursor)
        params.insert(QStringLiteral("cursor"), *cursor);
    request(QStringLiteral("tools/list"), params, [done](McpResult<QJsonObject> r) {
        if (!r.ok()) {
            done(r.error());
            return;
        }
        const QJsonValue tools = r.value().value(QLatin1String("tools"));
        if (!tools.isArray()) {
            done(MCPError(QStringLiteral("Invalid tools/list answer: no tool list")));
            return;
        }
        mcp::ListToolsResult result;
        for (const QJsonValue &entry : tools.toArray()) {
            if (auto tool = mcp::Tool::fromJson(entry.toObject()))
                result.tools.append(*tool);
        }
        const QJsonValue next = r.value().value(QLatin1String("nextCursor"));
        if (next.isString())
            result.nextCursor = next.toString();
        done(result);
    }, timeoutMs);
}

void McpClient::callTool(const QString &name, const std::optional<mcp::Arguments> &arguments,
                         McpCallback<mcp::CallToolResult> done, int timeoutMs)
{
    QJsonObject params{{QStringLiteral("name"), name}};
    if (arguments)
        params.insert(QStringLiteral("arguments"), *arguments);
    request(QStringLiteral("tools/call"), params, [done](McpResult<QJsonObject> r) {
        if (!r.ok())
            done(r.error());
        else
            done(mcp::CallToolResult::fromJson(r.value()));
    }, timeoutMs);
}

void McpClient::request(const QString &method, const QJsonObject &params, McpCallback<QJsonObject> done, int timeoutMs)
{
    if (!isConnected()) {
        const QString reason = m_closed ? QStringLiteral("Connection closed: %1").arg(m_closeReason)
                                        : QStringLiteral("Client not connected");
        later([done, reason] { done(MCPError(reason)); });
        return;
    }
    sendRequest(method, params, std::move(done), timeoutMs);
}

void McpClient::sendRequest(const QString &method, const QJsonObject &params, McpCallback<QJsonObject> done, int timeoutMs)
{
    if (timeoutMs < 0)
        timeoutMs = toolCallTimeoutMs();
    const qint64 id = m_nextId++;
    QJsonObject message{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")}, {QStringLiteral("id"), id},
                        {QStringLiteral("method"), method}};
    if (!params.isEmpty())
        message.insert(QStringLiteral("params"), params);
    Pending pending{method, std::move(done), 0};
    if (timeoutMs > 0) {
        pending.timer = Scheduler::instance().singleShot(timeoutMs, this, [this, id, method, timeoutMs] {
            auto it = m_pending.find(id);
            if (it == m_pending.end())
                return;
            auto cb = std::move(it->callback);
            m_pending.erase(it);
            cb(MCPError(QStringLiteral("Request %1 timed out after %2 s").arg(method).arg(timeoutMs / 1000.0),
                        QStringLiteral("MCPError"), kTimeoutCode));
        });
    }
    m_pending.insert(id, std::move(pending));
    m_transport->send(encode(message));
}

void McpClient::onMessage(const QByteArray &line)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        Log::line(QStringLiteral("⚠️ [MCP] Skipping a line that is not a JSON-RPC message: %1")
                      .arg(Log::content(QString::fromUtf8(line), 200)));
        return;
    }
    const QJsonObject message = doc.object();
    const QJsonValue id = message.value(QLatin1String("id"));
    if (message.contains(QLatin1String("method"))) {
        if (id.isDouble() || id.isString()) {
            // A ping is answered with an empty result; we offer no capabilities, so no other
            // request of the server's can be served.
            const bool ping = message.value(QLatin1String("method")).toString() == QLatin1String("ping");
            QJsonObject reply{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")}, {QStringLiteral("id"), id}};
            if (ping)
                reply.insert(QStringLiteral("result"), QJsonObject());
            else
                reply.insert(QStringLiteral("error"), QJsonObject{{QStringLiteral("code"), -32601},
                                                                  {QStringLiteral("message"), QStringLiteral("Method not found")}});
            m_transport->send(encode(reply));
        }
        return; // notifications (progress, logging, list changes) need nothing from us
    }
    // Our ids are whole numbers: "7" or 7.9 is not the answer to 7.
    const double number = id.isDouble() ? id.toDouble() : -1.0;
    const qint64 key = qint64(number);
    auto it = (id.isDouble() && double(key) == number) ? m_pending.find(key) : m_pending.end();
    if (it == m_pending.end()) {
        Log::line(QStringLiteral("⚠️ [MCP] Skipping an answer to no pending request (id %1)")
                      .arg(Log::truncated(QString::fromUtf8(QJsonDocument(QJsonArray{id}).toJson(QJsonDocument::Compact)), 60)));
        return;
    }
    Pending pending = std::move(*it);
    m_pending.erase(it);
    Scheduler::instance().cancel(pending.timer);
    if (message.contains(QLatin1String("error"))) {
        const QJsonObject err = message.value(QLatin1String("error")).toObject();
        pending.callback(MCPError(QStringLiteral("MCP error %1: %2")
                                      .arg(err.value(QLatin1String("code")).toInteger())
                                      .arg(err.value(QLatin1String("message")).toString())));
        return;
    }
    const QJsonValue result = message.value(QLatin1String("result"));
    if (!result.isObject()) {
        pending.callback(MCPError(QStringLiteral("Invalid answer to %1: no result").arg(pending.method)));
        return;
    }
    pending.callback(result.toObject());
}

// The transport dropped a message over its cap without parsing it. Its id is looked for where
// JSON-RPC writers put it, at the start or at the end; the request it answers fails. When the id
// cannot be found, every pending request may have been the one, so all fail.
void McpClient::onMessageDropped(const QByteArray &head, const QByteArray &tail)
{
    static const QRegularExpression atStart(QStringLiteral(R"re(^\s*\{\s*(?:"jsonrpc"\s*:\s*"2\.0"\s*,\s*)?"id"\s*:\s*(\d+)\s*[,}])re"), QRegularExpression::UseUnicodePropertiesOption);
    static const QRegularExpression atEnd(QStringLiteral(R"re([,{]\s*"id"\s*:\s*(\d+)\s*(?:,\s*"jsonrpc"\s*:\s*"2\.0"\s*)?\}\s*$)re"), QRegularExpression::UseUnicodePropertiesOption);
    std::optional<qint64> key;
    for (const auto &[re, text] : {std::pair{&atStart, &head}, std::pair{&atEnd, &tail}}) {
        const QRegularExpressionMatch m = re->match(QString::fromLatin1(*text));
        if (m.hasMatch()) {
            key = m.captured(1).toLongLong();
            break;
        }
    }
    const MCPError error(QStringLiteral("MCP answer dropped: message too large (over %1 bytes)").arg(McpTransport::kMaxLineBytes));
    if (key) {
        auto it = m_pending.find(*key);
        if (it == m_pending.end())
            return;
        Pending pending = std::move(*it);
        m_pending.erase(it);
        Scheduler::instance().cancel(pending.timer);
        pending.callback(error);
        return;
    }
    failAll(error);
}

void McpClient::onClosed(const QString &reason)
{
    m_closed = true;
    m_closeReason = reason;
    QPointer<McpClient> self(this);
    failAll(MCPError(QStringLiteral("Connection closed: %1").arg(reason)));
    if (self)
        Q_EMIT closed(reason);
}

void McpClient::failAll(const MCPError &error)
{
    auto pending = std::move(m_pending);
    m_pending.clear();
    for (auto &p : pending) {
        Scheduler::instance().cancel(p.timer);
        p.callback(error);
    }
}

void McpClient::disconnect()
{
    if (m_transport && !m_closed)
        m_transport->close(); // onClosed fails what is pending
    m_closed = true;
    if (m_closeReason.isEmpty())
        m_closeReason = QStringLiteral("client disconnected");
}
