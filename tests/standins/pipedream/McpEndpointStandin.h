#pragma once
#include <QObject>
#include <QTcpServer>
#include <functional>

// The maker's web application that serves the per-user remote MCP endpoints
// ("/<external user id>/<app slug>") on 127.0.0.1, in front of a real MCP server in its SSE
// mode: a GET of an endpoint whose account is connected becomes the server's "/sse" stream;
// every other request (the server's "/message" posts) passes through unchanged. An endpoint
// without a connected account is answered 404.
class McpEndpointStandin : public QObject {
    Q_OBJECT
public:
    using ConnectedCheck = std::function<bool(const QString &externalUserId, const QString &appSlug)>;

    McpEndpointStandin(quint16 upstreamPort, ConnectedCheck connected, QObject *parent = nullptr);
    // Answers the port, 0 on failure.
    quint16 start();
    QString baseUrl() const;
    // Endpoint requests seen, as "<user>/<slug>", refused ones included.
    const QStringList &endpointRequests() const { return m_endpointRequests; }

private:
    void accept();
    QTcpServer m_server;
    quint16 m_upstreamPort;
    ConnectedCheck m_connected;
    QStringList m_endpointRequests;
};
