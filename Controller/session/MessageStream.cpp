#include "Controller/session/MessageStream.h"

MessageStream::MessageStream(QObject *parent)
    : QObject(parent)
{
}

void MessageStream::add(const QString &chunk)
{
    if (m_finished || m_abandoned)
        return;
    m_queue.enqueue(chunk);
    Q_EMIT readable();
}

void MessageStream::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    Q_EMIT readable();
}

void MessageStream::abandon()
{
    if (m_abandoned)
        return;
    m_abandoned = true;
    m_queue.clear();
    Q_EMIT readable();
}
