#include "Controller/session/SessionManager.h"

#include "Controller/session/Session.h"
#include "Platform/UuidText.h"
#include "Controller/session/WebSocketManager.h"

SessionManager::SessionManager(SessionToolRuntime *toolRuntime, QObject *parent)
    : QObject(parent)
    , m_webSocketManager(new WebSocketManager(this))
    , m_toolRuntime(toolRuntime)
{
}

SessionManager::~SessionManager()
{
    // Sessions go first: they still hold the connection manager.
    qDeleteAll(std::exchange(m_sessions, {}));
}

Session *SessionManager::session(const QString &id) const
{
    for (Session *s : m_sessions)
        if (s->id() == id)
            return s;
    return nullptr;
}

QString SessionManager::createSession(const std::optional<QString> &id, const std::optional<QString> &accessToken)
{
    const QString sessionId = id ? *id : UuidText::newText();
    if (session(sessionId))
        return sessionId;
    auto *s = new Session(sessionId, m_webSocketManager, m_toolRuntime, m_tokenProvider, accessToken, this);
    m_sessions.append(s);
    Q_EMIT sessionsChanged();
    s->initialize();
    return sessionId;
}

void SessionManager::removeSession(const QString &id)
{
    QList<Session *> removed;
    m_sessions.removeIf([&](Session *s) {
        if (s->id() != id)
            return false;
        removed << s;
        return true;
    });
    if (removed.isEmpty())
        return;
    Q_EMIT sessionsChanged();
    for (Session *s : removed) {
        // A query still running (a tool call under way) ends first, so its caller hears the end.
        if (s->hasRunningQuery())
            connect(s, &Session::idle, s, &QObject::deleteLater);
        else
            s->deleteLater();
    }
}
