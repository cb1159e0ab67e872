#include "Controller/mcp/StdioTransport.h"

#include <QMetaObject>

StdioTransport::StdioTransport(QProcess *process, QObject *parent)
    : McpTransport(parent), m_process(process)
{
    connect(process, &QProcess::readyReadStandardOutput, this, [this] {
        if (m_process)
            feed(m_process->readAllStandardOutput());
    });
    connect(process, &QProcess::finished, this, [this](int code, QProcess::ExitStatus) {
        if (m_process)
            feed(m_process->readAllStandardOutput());
        if (m_open) {
            m_open = false;
            markClosed(QStringLiteral("the process exited with code %1").arg(code));
        }
    });
}

void StdioTransport::open()
{
    const bool running = m_process && m_process->state() == QProcess::Running;
    QMetaObject::invokeMethod(this, [this, running] {
        if (running && m_process && m_process->state() == QProcess::Running) {
            m_open = true;
            Q_EMIT opened();
        } else {
            Q_EMIT openFailed(QStringLiteral("the process is not running"));
        }
    }, Qt::QueuedConnection);
}

void StdioTransport::send(const QByteArray &message)
{
    if (!m_open || !m_process)
        return;
    m_process->write(message);
    m_process->write("\n", 1);
}

void StdioTransport::close()
{
    if (!m_open)
        return;
    m_open = false;
    if (m_process)
        m_process->closeWriteChannel();
    markClosed(QStringLiteral("transport closed"));
}
