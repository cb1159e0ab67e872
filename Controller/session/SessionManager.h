#pragma once
#include <QList>
#include <QObject>
#include <QString>
#include <optional>

class AccessTokenProvider;
class Session;
class SessionToolRuntime;
class WebSocketManager;

// The sessions one facade has made, in creation order, one per id. Owns the connection
// manager that all of them share. Main thread only.
class SessionManager : public QObject {
    Q_OBJECT
public:
    explicit SessionManager(SessionToolRuntime *toolRuntime, QObject *parent = nullptr);
    ~SessionManager() override;

    const QList<Session *> &sessions() const { return m_sessions; }
    WebSocketManager *webSocketManager() const { return m_webSocketManager; }
    // The first session with that id, or none.
    Session *session(const QString &id) const;
    void setAccessTokenProvider(AccessTokenProvider *provider) { m_tokenProvider = provider; }

    // Makes a session for the id (a new upper-case UUID when none is given), starts its
    // initialization in the background and returns the id at once. An id that already has a
    // session gets that session back: one session per task.
    QString createSession(const std::optional<QString> &id, const std::optional<QString> &accessToken);
    // Removes every session with that id; closing it is the caller's step, done first.
    void removeSession(const QString &id);

Q_SIGNALS:
    void sessionsChanged();

private:
    QList<Session *> m_sessions;
    WebSocketManager *m_webSocketManager;
    SessionToolRuntime *m_toolRuntime;
    AccessTokenProvider *m_tokenProvider = nullptr;
};
