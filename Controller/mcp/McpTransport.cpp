#include "Controller/mcp/McpTransport.h"

#include "Platform/Log.h"

namespace {
constexpr qsizetype kDroppedEdgeBytes = 512;
}

void McpTransport::feed(const QByteArray &bytes)
{
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype nl = bytes.indexOf('\n', start);
        const qsizetype end = nl < 0 ? bytes.size() : nl;
        if (!m_discarding)
            m_buffer.append(bytes.constData() + start, end - start);
        else
            m_droppedTail = (m_droppedTail + QByteArray(bytes.constData() + start, end - start)).right(kDroppedEdgeBytes);
        if (m_buffer.size() > kMaxLineBytes) {
            Log::line(QStringLiteral("⚠️ [MCP] Dropping a message longer than %1 bytes").arg(kMaxLineBytes));
            m_droppedHead = m_buffer.left(kDroppedEdgeBytes);
            m_droppedTail = m_buffer.right(kDroppedEdgeBytes);
            m_buffer.clear();
            m_discarding = true;
        }
        if (nl < 0)
            break;
        start = nl + 1;
        if (m_discarding) {
            m_discarding = false;
            const QByteArray head = std::exchange(m_droppedHead, {});
            QByteArray tail = std::exchange(m_droppedTail, {});
            if (tail.endsWith('\r'))
                tail.chop(1);
            Q_EMIT messageDropped(head, tail);
            if (m_closed)
                return;
            continue;
        }
        QByteArray line;
        line.swap(m_buffer);
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.trimmed().isEmpty())
            Q_EMIT messageReceived(line);
        if (m_closed)
            return;
    }
}

void McpTransport::markClosed(const QString &reason)
{
    if (m_closed)
        return;
    m_closed = true;
    Q_EMIT closed(reason);
}
