#pragma once
#include "Controller/mcp/McpResult.h"
#include "Controller/mcp/McpTypes.h"

#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include "Controller/mcp/McpTransport.h"

// The MCP client: JSON-RPC 2.0 requests over a transport, answers matched by id (a number, as we
// send it: an answer with a string or another number is no answer). Several requests may be in
// flight at once; notifications from the server are skipped, its ping is answered with an empty
// result and its other requests "method not found". An answer over the transport's size cap
// fails its request with "message too large". When the transport ends, every pending and every
// later request fails at once. Lives on one thread; every callback runs there.
class McpClient : public QObject {
    Q_OBJECT
public:
    static constexpr const char *kProtocolVersion = "2025-06-18";
    static const QStringList &supportedProtocolVersions();
    // A request without an explicit bound (-1) gets the tool call's: a hung server must not
    // keep its callers for long.
    static constexpr int kDefaultRequestTimeoutMs = -1;
    // The error code of a request that ran out of time.
    static constexpr int kTimeoutCode = -32001;
    // A tool call (and, unless told otherwise, any request) that gets no answer fails after this
    // long (60 s): a server that died behind a proxy may never say so. Tests shorten it.
    static int toolCallTimeoutMs();
    static void setToolCallTimeoutMs(int ms);

    McpClient(QString name, QString version, QObject *parent = nullptr);
    ~McpClient() override;

    const QString &name() const { return m_name; }
    const QString &version() const { return m_version; }

    // Takes the transport (it becomes a child of this client), opens it and performs the
    // opening handshake; answers the server's handshake result.
    void connectTransport(McpTransport *transport, McpCallback<QJsonObject> done,
                          int handshakeTimeoutMs = kDefaultRequestTimeoutMs);
    // Sends the opening request once more on an open connection; answers its result.
    void initialize(McpCallback<QJsonObject> done, int timeoutMs = kDefaultRequestTimeoutMs);
    void listTools(std::optional<QString> cursor, McpCallback<mcp::ListToolsResult> done,
                   int timeoutMs = kDefaultRequestTimeoutMs);
    void callTool(const QString &name, const std::optional<mcp::Arguments> &arguments,
                  McpCallback<mcp::CallToolResult> done, int timeoutMs = -1);
    // Any request; params may be empty (then none is sent).
    void request(const QString &method, const QJsonObject &params, McpCallback<QJsonObject> done,
                 int timeoutMs = kDefaultRequestTimeoutMs);
    // Closes the transport; pending requests fail.
    void disconnect();

    bool isConnected() const { return m_transport && m_handshakeDone && !m_closed; }
    QString serverProtocolVersion() const { return m_serverProtocolVersion; }

Q_SIGNALS:
    void closed(const QString &reason);

private:
    struct Pending {
        QString method;
        McpCallback<QJsonObject> callback;
        quint64 timer = 0;
    };
    void onMessage(const QByteArray &line);
    void onMessageDropped(const QByteArray &head, const QByteArray &tail);
    void onClosed(const QString &reason);
    void failAll(const MCPError &error);
    void sendRequest(const QString &method, const QJsonObject &params, McpCallback<QJsonObject> done, int timeoutMs);
    void later(std::function<void()> fn);

    QString m_name;
    QString m_version;
    QPointer<McpTransport> m_transport;
    QHash<qint64, Pending> m_pending;
    qint64 m_nextId = 1;
    bool m_handshakeDone = false;
    bool m_closed = false;
    QString m_closeReason;
    QString m_serverProtocolVersion;
};
