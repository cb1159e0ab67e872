#pragma once
#include "Controller/mcp/McpTransport.h"

#include <QPointer>
#include <QProcess>

// MCP over a child process's standard input and output. The process belongs to someone else
// (the client that started it); the transport ends when the process's output ends.
class StdioTransport : public McpTransport {
    Q_OBJECT
public:
    explicit StdioTransport(QProcess *process, QObject *parent = nullptr);

    void open() override;
    void send(const QByteArray &message) override;
    void close() override;

private:
    QPointer<QProcess> m_process;
    bool m_open = false;
};
