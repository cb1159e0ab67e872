#include "Controller/session/ControlManager.h"

#include "Platform/Log.h"
#include "Controller/session/McpSessionToolRuntime.h"
#include "Controller/session/Session.h"
#include "Controller/session/SessionManager.h"

namespace {
// The process's tool runtime as the sessions see it: the shared client manager and tool
// repository behind one adapter.
SessionToolRuntime &processToolRuntime()
{
    static McpSessionToolRuntime runtime;
    return runtime;
}
}

ControlManager::ControlManager(SessionToolRuntime *toolRuntime, QObject *parent)
    : QObject(parent)
    , m_sessionManager(new SessionManager(toolRuntime ? toolRuntime : &processToolRuntime(), this))
{
}

ControlManager::~ControlManager() = default;

void ControlManager::setAccessTokenProvider(AccessTokenProvider *provider)
{
    m_sessionManager->setAccessTokenProvider(provider);
}

void ControlManager::initialize(std::function<void()> done)
{
    Log::line(QStringLiteral("🚀 [ControlManager] Initializing…"));
    if (done)
        done();
}

QString ControlManager::createSession(const std::optional<QString> &id, const std::optional<QString> &accessToken)
{
    return m_sessionManager->createSession(id, accessToken);
}

void ControlManager::processCommand(const QString &command, const QString &sessionId, bool htmlOutput,
                                    const QueryCallbacks &callbacks, std::function<void()> finished)
{
    Log::line(QStringLiteral("📝 [ControlManager] Processing command: ") + Log::content(command));
    Session *session = m_sessionManager->session(sessionId);
    if (!session) {
        Log::line(QStringLiteral("⚠️ [ControlManager] Session not found for id: ") + sessionId);
        if (finished)
            finished();
        return;
    }
    session->send(command, htmlOutput, callbacks, std::move(finished));
}

void ControlManager::closeSession(const QString &id, std::function<void()> done)
{
    Log::line(QStringLiteral("👋 [ControlManager] Closing session ") + id + QStringLiteral("..."));
    auto remove = [this, id, done] {
        m_sessionManager->removeSession(id);
        Log::line(QStringLiteral("✅ [ControlManager] Closed session ") + id + QStringLiteral(" successfully"));
        if (done)
            done();
    };
    if (Session *session = m_sessionManager->session(id))
        session->close(remove);
    else
        remove();
}
