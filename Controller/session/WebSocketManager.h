#pragma once
#include "Controller/session/SessionToolRuntime.h"

#include <QDateTime>
#include <QHash>
#include <QJsonObject>
#include <QJsonValue>
#include <QLocale>
#include <QObject>
#include <QSet>
#include <QTimeZone>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

class MessageStream;
class QWebSocket;

// The connections of one session registry to the assistant service, one per session id, and
// everything that goes out over them. Lives on the main thread; nothing here blocks: sends
// made while a connection is still opening are queued and go out once it is open.
//
// Per id: connected (connect) -> initialized (opening sequence done) -> absent (disconnect).
// A connection the service drops stays in the tables ("broken") with its stream finished
// until the next disconnect; isUsable() tells a session that it must reconnect.
class WebSocketManager : public QObject {
    Q_OBJECT
public:
    explicit WebSocketManager(QObject *parent = nullptr);
    ~WebSocketManager() override;

    // The assistant service's socket: Info.plist "TavoAssistantSocketURL", overridden by the
    // environment variable TAVO_ASSISTANT_SOCKET_URL (tests point it at 127.0.0.1).
    static QUrl serviceSocketURL();
    // One incoming message holds at most this much (64 MiB); a bigger one closes the
    // connection. Tests lower it.
    static constexpr qint64 kMaxMessageBytes = 64 * 1024 * 1024;
    static void setMaxMessageBytes(qint64 bytes);

    // Opens a connection for the id and returns at once. A connection the id already had is
    // closed (1001) and its stream finished, never left open and unread.
    void connect(const QString &sessionId, const QUrl &url);
    // Closes the id's connection with 1001 (going away), finishes its stream, forgets the id.
    void disconnect(const QString &sessionId);

    std::shared_ptr<MessageStream> messageStream(const QString &sessionId) const;
    bool isConnected(const QString &sessionId) const;
    bool isInitialized(const QString &sessionId) const;
    // Connected, the socket open or opening, and its stream neither finished nor abandoned.
    bool isUsable(const QString &sessionId) const;

    using Done = std::function<void()>;
    // The opening sequence: the bare token (when there is one), 50 ms, the time frame,
    // 100 ms, then the id counts as initialized. Never fails; `done` runs on context's thread.
    void performInitializationSequence(const QString &sessionId, const std::optional<QString> &accessToken,
                                       QObject *context, Done done);
    void sendAccessToken(const QString &token, const QString &sessionId, Done done = {});
    void sendTimeNotification(const QString &sessionId, Done done = {});
    void registerClientTools(const QList<SessionClientTool> &tools, const QString &sessionId);
    void sendUserMessage(const QString &message, const QString &sessionId, bool htmlOutput);
    void sendToolResponses(const QList<SessionToolResponse> &responses, const QString &sessionId);
    void sendStop(const QString &sessionId);
    void sendJSON(const QJsonObject &object, const QString &sessionId, Done done = {});

    // Wire rules, kept apart so they can be checked on their own.
    static QJsonValue convertValueToJSON(const SessionToolValue &value);
    // tool name + "-_-" + the client name with every code point other than ASCII letters,
    // digits, "_" and "-" replaced by one "_".
    static QString toolKey(const QString &toolName, const QString &clientName);
    static QJsonObject defaultInputSchema();
    static QJsonObject timeNotification(const QString &sessionId, const QDateTime &now, const QTimeZone &zone,
                                        const QLocale &locale);
    // "UTC" + sign + "%02d%02d" of the absolute hours and minutes.
    static QString offsetText(int offsetSeconds);

Q_SIGNALS:
    // The opening sequence of the id's current connection has completed.
    void sessionInitialized(const QString &sessionId);

private:
    struct Connection;
    void sendText(const QString &sessionId, const QString &text, std::function<void(bool ok, const QString &error)> done);
    static void send(const std::shared_ptr<Connection> &connection, const QString &text,
                     std::function<void(bool ok, const QString &error)> done);
    static void close(const std::shared_ptr<Connection> &connection);

    QHash<QString, std::shared_ptr<Connection>> m_sockets;
    QSet<QString> m_initializedSessions;
};
