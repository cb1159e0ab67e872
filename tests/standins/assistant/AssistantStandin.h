#pragma once
#include "StandinWebSocketServer.h"

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QStringList>

// The assistant service on 127.0.0.1: accepts the socket, records every frame in order (the
// bare token, then JSON frames), and answers each "user" and "tool" frame with the next
// scripted reply, a list of chunks sent in order. A pause chunk holds the rest of a reply
// until resume(), so a test can act in the middle of an answer.
class AssistantStandin : public QObject {
    Q_OBJECT
public:
    struct Chunk {
        QByteArray data;
        bool binary = false;
        bool pause = false;
    };
    static Chunk text(const QString &t) { return {t.toUtf8(), false, false}; }
    static Chunk binary(const QByteArray &b) { return {b, true, false}; }
    static Chunk pause() { return {{}, false, true}; }
    using Reply = QList<Chunk>;

    explicit AssistantStandin(QObject *parent = nullptr);
    quint16 start() { return m_server.start(); }
    QUrl url() const { return m_server.url(); }
    StandinWebSocketServer &server() { return m_server; }

    void queueReply(const Reply &reply) { m_replies.append(reply); }
    // Sends what a pause held back (on the connection it was playing on).
    void resume();
    // Plays chunks on a connection now, outside any trigger.
    void play(int connection, const Reply &reply);

    int connectionCount() const { return m_server.connectionCount(); }
    // Frames of one connection as text, in order.
    QStringList texts(int connection) const;
    // The "msgtype" of each frame ("<token>" for a frame that is not a JSON object).
    QStringList types(int connection) const;
    QList<QJsonObject> json(int connection, const QString &msgtype = QString()) const;
    bool closed(int connection) const { return m_server.connection(connection).closed; }
    int closeCode(int connection) const { return m_server.connection(connection).closeCode; }

Q_SIGNALS:
    void frame(int connection, const QJsonObject &json);

private:
    StandinWebSocketServer m_server;
    QList<Reply> m_replies;
    Reply m_held;
    int m_heldConnection = -1;
};
