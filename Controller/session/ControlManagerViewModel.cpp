#include "Controller/session/ControlManagerViewModel.h"

#include "Controller/session/ControlManager.h"
#include "Platform/Scheduler.h"
#include "Controller/session/SessionManager.h"

ControlManagerViewModel::ControlManagerViewModel(SessionToolRuntime *toolRuntime, QObject *parent)
    : QObject(parent)
    , m_controlManager(new ControlManager(toolRuntime, this))
{
    // A tile must go when its session leaves the registry, also when the close finishes late.
    connect(m_controlManager->sessionManager(), &SessionManager::sessionsChanged, this, &ControlManagerViewModel::changed);
    MainQueue::post(this, [this] {
        m_controlManager->initialize([this] {
            m_isInitialized = true;
            Q_EMIT isInitializedChanged();
            Q_EMIT changed();
        });
    });
}

ControlManagerViewModel::~ControlManagerViewModel() = default;

ControlManagerViewModel &ControlManagerViewModel::shared()
{
    static ControlManagerViewModel *viewModel = new ControlManagerViewModel;
    return *viewModel;
}

void ControlManagerViewModel::createSession(const std::optional<QString> &id, const std::optional<QString> &accessToken)
{
    MainQueue::post(this, [this, id, accessToken] {
        m_controlManager->createSession(id, accessToken);
        Q_EMIT changed();
    });
}

void ControlManagerViewModel::processCommand(const QString &command, const QString &sessionId, const QueryCallbacks &callbacks)
{
    MainQueue::post(this, [this, command, sessionId, callbacks] {
        m_controlManager->processCommand(command, sessionId, false, callbacks);
    });
}

void ControlManagerViewModel::closeSession(const QString &id)
{
    MainQueue::post(this, [this, id] { m_controlManager->closeSession(id); });
}
