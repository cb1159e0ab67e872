#pragma once
#include <QObject>
#include <QQueue>
#include <QString>

// The received text of one connection, in arrival order. The connection is the producer; one
// reader (the running query) consumes it. `readable` fires whenever a chunk arrives or the
// stream ends, so a reader never polls.
class MessageStream : public QObject {
    Q_OBJECT
public:
    explicit MessageStream(QObject *parent = nullptr);

    // Producer end. Adding to a finished or abandoned stream has no effect.
    void add(const QString &chunk);
    void finish();
    bool isFinished() const { return m_finished; }

    // Consumer end. After finish the queued chunks are still delivered, then the end.
    bool hasChunk() const { return !m_abandoned && !m_queue.isEmpty(); }
    QString take() { return m_queue.dequeue(); }
    bool atEnd() const { return m_abandoned || (m_finished && m_queue.isEmpty()); }

    // A reader gave up on the stream (its query was cancelled): it counts as ended from now on,
    // so no later reader picks up the rest of an answer that was abandoned.
    void abandon();
    bool isAbandoned() const { return m_abandoned; }

    // True when nothing further can come: the connection ended or a reader gave up on it.
    bool isEnded() const { return m_finished || m_abandoned; }

Q_SIGNALS:
    void readable();

private:
    QQueue<QString> m_queue;
    bool m_finished = false;
    bool m_abandoned = false;
};
