#include "AssistantStandin.h"

#include <QJsonDocument>

AssistantStandin::AssistantStandin(QObject *parent)
    : QObject(parent)
{
    m_server.setFrameHandler([this](int c, const StandinWebSocketServer::Frame &f) {
        const QJsonObject o = QJsonDocument::fromJson(f.data).object();
        Q_EMIT frame(c, o);
        const QString type = o.value(QStringLiteral("msgtype")).toString();
        if ((type == QLatin1String("user") || type == QLatin1String("tool")) && !m_replies.isEmpty())
            play(c, m_replies.takeFirst());
    });
}

void AssistantStandin::play(int connection, const Reply &reply)
{
    for (int i = 0; i < reply.size(); ++i) {
        const Chunk &chunk = reply.at(i);
        if (chunk.pause) {
            m_held = reply.mid(i + 1);
            m_heldConnection = connection;
            return;
        }
        if (chunk.binary)
            m_server.sendBinary(connection, chunk.data);
        else
            m_server.sendText(connection, QString::fromUtf8(chunk.data));
    }
}

void AssistantStandin::resume()
{
    const Reply held = std::exchange(m_held, {});
    if (m_heldConnection >= 0)
        play(m_heldConnection, held);
}

QStringList AssistantStandin::texts(int connection) const
{
    QStringList list;
    if (connection < m_server.connectionCount())
        for (const auto &f : m_server.connection(connection).frames)
            list << f.text();
    return list;
}

QStringList AssistantStandin::types(int connection) const
{
    QStringList list;
    for (const QString &t : texts(connection)) {
        const QJsonDocument d = QJsonDocument::fromJson(t.toUtf8());
        list << (d.isObject() ? d.object().value(QStringLiteral("msgtype")).toString() : QStringLiteral("<token>"));
    }
    return list;
}

QList<QJsonObject> AssistantStandin::json(int connection, const QString &msgtype) const
{
    QList<QJsonObject> list;
    for (const QString &t : texts(connection)) {
        const QJsonDocument d = QJsonDocument::fromJson(t.toUtf8());
        if (d.isObject() && (msgtype.isEmpty() || d.object().value(QStringLiteral("msgtype")).toString() == msgtype))
            list << d.object();
    }
    return list;
}
