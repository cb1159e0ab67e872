#include "Controller/session/Session.h"

#include "Controller/session/AccessTokenProvider.h"
#include "Platform/Log.h"
#include "Controller/session/SessionQuery.h"
#include "Controller/session/WebSocketManager.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {
int g_connectionWaitLimitMs = 30000;
// Sessions of the whole process with a query started and not yet ended, for the rule that a
// cancel never closes tool servers another session's query is using.
QHash<const Session *, int> &runningQueries()
{
    static QHash<const Session *, int> running;
    return running;
}
}

Session::Session(const QString &id, WebSocketManager *webSocketManager, SessionToolRuntime *mcpManager,
                 AccessTokenProvider *tokenProvider, const std::optional<QString> &accessToken, QObject *parent)
    : QObject(parent)
    , m_id(id)
    , m_outputText(QStringLiteral(" Initializing...\n"))
    , m_accessToken(accessToken)
    , m_webSocketManager(webSocketManager)
    , m_mcpManager(mcpManager)
    , m_tokenProvider(tokenProvider)
{
}

Session::~Session()
{
    runningQueries().remove(this);
}

void Session::setOutputText(const QString &text)
{
    m_outputText = text;
    Q_EMIT changed();
}

void Session::setBusy(bool busy)
{
    if (m_isBusy == busy)
        return;
    m_isBusy = busy;
    Q_EMIT changed();
}

void Session::setInitialized(bool initialized)
{
    if (m_isInitialized == initialized)
        return;
    m_isInitialized = initialized;
    Q_EMIT changed();
}

void Session::setNeedsReconnection(bool needs)
{
    if (m_needsReconnection == needs)
        return;
    m_needsReconnection = needs;
    Q_EMIT changed();
}

void Session::setConnectionWaitLimitMs(int ms)
{
    g_connectionWaitLimitMs = ms;
}

int Session::connectionWaitLimitMs()
{
    return g_connectionWaitLimitMs;
}

QString Session::nameList(const QStringList &names)
{
    QStringList quoted;
    for (const QString &name : names) {
        // The JSON writer gives the escapes: ["name"] without its brackets.
        const QByteArray one = QJsonDocument(QJsonArray{name}).toJson(QJsonDocument::Compact);
        quoted << QString::fromUtf8(one.mid(1, one.size() - 2));
    }
    return u'[' + quoted.join(QStringLiteral(", ")) + u']';
}

void Session::openConnection(std::function<void()> done)
{
    auto proceed = [this, done](const std::optional<QString> &token) {
        m_accessToken = token;
        if (!m_webSocketManager)
            return done();
        m_webSocketManager->disconnect(m_id);
        m_webSocketManager->connect(m_id, WebSocketManager::serviceSocketURL());
        m_webSocketManager->performInitializationSequence(m_id, token, this, done);
    };
    // A token taken at creation expires; every connect asks for a current one.
    if (m_tokenProvider)
        m_tokenProvider->getValidAccessToken(this, proceed);
    else
        proceed(m_accessToken);
}

void Session::initialize(std::function<void()> done)
{
    m_connecting = true;
    m_mcpManager->initialize(this, [this, done](const QString &error) {
        if (!error.isEmpty()) {
            setNeedsReconnection(true);
            appendOutput(QStringLiteral("Initialization failed: ") + error + u'\n');
            m_connecting = false;
            Q_EMIT connectionSettled();
            if (done)
                done();
            return;
        }
        Log::line(QStringLiteral("✅ [Session] MCPClientManager ready (lazy configs)"));
        openConnection([this, done] {
            setInitialized(true);
            setNeedsReconnection(false);
            appendOutput(QStringLiteral("✅ Initialized\n"));
            m_connecting = false;
            Q_EMIT connectionSettled();
            if (done)
                done();
        });
    });
}

void Session::reconnect(std::function<void(bool)> done)
{
    Log::line(QStringLiteral("🔄 [Session] Attempting to reconnect session ") + m_id + QStringLiteral("..."));
    setBusy(true);
    appendOutput(QStringLiteral("🔄 Reconnecting...\n"));
    m_connecting = true;
    openConnection([this, done] {
        setInitialized(true);
        setNeedsReconnection(false);
        setBusy(false);
        appendOutput(QStringLiteral("✅ Reconnected successfully\n"));
        m_connecting = false;
        Log::line(QStringLiteral("✅ [Session] Successfully reconnected session ") + m_id);
        Q_EMIT connectionSettled();
        if (done)
            done(true);
    });
}

void Session::forceReconnect(std::function<void(bool)> done)
{
    setNeedsReconnection(true);
    reconnect(std::move(done));
}

void Session::send(const QString &query, bool htmlOutput, const QueryCallbacks &callbacks, std::function<void()> finished)
{
    // A message sent while an answer runs replaces it: the running query is told to stop and
    // this one starts once it has ended.
    if (m_currentTask && !m_currentTask->isEnded())
        m_currentTask->requestCancel();
    auto *query_ = new SessionQuery(this, query, htmlOutput, callbacks, std::move(finished));
    m_queries.append(query_);
    m_currentTask = query_;
    startNextQuery();
}

void Session::startNextQuery()
{
    m_queries.removeIf([](const QPointer<SessionQuery> &q) { return !q || q->isEnded(); });
    if (m_pendingCancels > 0 || m_queries.isEmpty())
        return;
    SessionQuery *next = m_queries.first();
    if (!next->isStarted()) {
        runningQueries()[this] += 1;
        next->start();
    }
}

void Session::queryEnded(SessionQuery *query)
{
    Q_UNUSED(query);
    auto &running = runningQueries();
    if (auto it = running.find(this); it != running.end() && --it.value() <= 0)
        running.erase(it);
    startNextQuery();
    if (m_queries.isEmpty())
        Q_EMIT idle();
}

bool Session::hasRunningQuery() const
{
    return runningQueries().value(this) > 0;
}

bool Session::otherSessionHasRunningQuery() const
{
    const auto &running = runningQueries();
    for (auto it = running.cbegin(); it != running.cend(); ++it)
        if (it.key() != this && it.value() > 0)
            return true;
    return false;
}

void Session::closeToolServersUnlessInUse(std::function<void()> done)
{
    // Tool servers belong to the whole process: they stay up while another session's query
    // may be calling them.
    if (otherSessionHasRunningQuery())
        return done();
    m_mcpManager->closeAllClients(this, std::move(done));
}

void Session::cancel()
{
    ++m_pendingCancels; // keeps a queued query from starting before stop and close are out
    QueryCallbacks taken;
    if (m_currentTask && !m_currentTask->isEnded()) {
        taken = m_currentTask->takeCallbacks();
        m_currentTask->requestCancel();
    }
    m_currentTask = nullptr;
    m_isCancelled = true;
    ++m_currentTaskGeneration;
    m_activeToolCalls.clear();

    closeToolServersUnlessInUse([this, taken] {
        if (m_webSocketManager) {
            m_webSocketManager->sendStop(m_id);
            m_webSocketManager->disconnect(m_id);
        }
        setNeedsReconnection(true);
        if (taken.onStreamEnd)
            taken.onStreamEnd();
        setBusy(false);
        --m_pendingCancels;
        startNextQuery();
    });
}

void Session::close(std::function<void()> done)
{
    Log::line(QStringLiteral("👋 [Session] Starting to close session ") + m_id + QStringLiteral("..."));
    m_activeToolCalls.clear();
    Log::line(QStringLiteral("🔌 [Session] Closing websocket connection for session ") + m_id);
    if (m_webSocketManager)
        m_webSocketManager->disconnect(m_id);
    Log::line(QStringLiteral("✅ [Session] Closed websocket connection for session ") + m_id);
    Log::line(QStringLiteral("🔄 [Session] Starting to close MCP clients for session ") + m_id);
    closeToolServersUnlessInUse([this, done] {
        Log::line(QStringLiteral("✅ [Session] Completed closing MCP clients for session ") + m_id);
        setInitialized(false);
        setNeedsReconnection(false);
        Log::line(QStringLiteral("🎉 [Session] Successfully closed session ") + m_id);
        if (done)
            done();
    });
}

void Session::getTools(const QStringList &clientNames, std::function<void(const QList<SessionTool> &)> done)
{
    Log::line(QStringLiteral("📋 [Session] Selected clients: ") + nameList(clientNames));
    m_mcpManager->getTools(clientNames, this, [done](const QList<SessionClientTool> &tools, const QString &error) {
        if (!error.isEmpty()) {
            Log::line(QStringLiteral("❌ [Session] Failed to get tools: ") + error);
            return done({});
        }
        QList<SessionTool> list;
        for (const auto &t : tools)
            list << t.tool;
        done(list);
    });
}

void Session::getClientTools(const QStringList &clientNames, std::function<void(const QList<SessionClientTool> &)> done)
{
    Log::line(QStringLiteral("📋 [Session] Selected clients: ") + nameList(clientNames));
    m_mcpManager->getTools(clientNames, this, [done](const QList<SessionClientTool> &tools, const QString &error) {
        if (!error.isEmpty()) {
            Log::line(QStringLiteral("❌ [Session] Failed to get client tools: ") + error);
            return done({});
        }
        Log::line(QStringLiteral("✅ [Session] Retrieved %1 client tools").arg(tools.size()));
        done(tools);
    });
}

void Session::handleToolRequest(const QVariantMap &toolCall, std::function<void(const SessionToolResponse &)> done)
{
    m_mcpManager->handleToolRequest(toolCall, this, std::move(done));
}

void Session::callTool(const QString &toolName, const QMap<QString, SessionToolValue> &arguments,
                       std::function<void(const QString &, const QString &)> done)
{
    Log::line(QStringLiteral("🛠️ [Session] Calling tool: ") + toolName + QStringLiteral(" for session ") + m_id);
    m_mcpManager->callTool(toolName, arguments, this, std::move(done));
}
