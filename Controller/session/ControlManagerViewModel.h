#pragma once
#include "Controller/session/QueryCallbacks.h"

#include <QObject>
#include <QString>
#include <optional>

class ControlManager;
class SessionToolRuntime;

// State of the sessions console: a facade of its own (its sessions never mix with the
// coordinator's chats) and whether that facade has been initialized. Main thread.
class ControlManagerViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isInitialized READ isInitialized NOTIFY isInitializedChanged)
public:
    explicit ControlManagerViewModel(SessionToolRuntime *toolRuntime = nullptr, QObject *parent = nullptr);
    // The console's one view model, made on first use, on the process's tool runtime.
    static ControlManagerViewModel &shared();
    ~ControlManagerViewModel() override;

    ControlManager *controlManager() const { return m_controlManager; }
    bool isInitialized() const { return m_isInitialized; }

    // Each returns at once; the work runs on a later turn of the main queue.
    void createSession(const std::optional<QString> &id, const std::optional<QString> &accessToken);
    void processCommand(const QString &command, const QString &sessionId, const QueryCallbacks &callbacks);
    void closeSession(const QString &id);

Q_SIGNALS:
    void isInitializedChanged();
    // The console draws itself again.
    void changed();

private:
    ControlManager *m_controlManager;
    bool m_isInitialized = false;
};
