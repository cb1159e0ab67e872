#pragma once
#include "Platform/ModifierKeys/ModifierEventSource.h"

#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <optional>
#include <vector>

// Turns a quick double press of a modifier into a notification: Option (Alt) posts
// "PanelKeyDoubleTap", Command (Super) "commandKeyDoubleTapped", Function (Shift)
// "FlowerKeyDoubleTap" and Control (Ctrl) "TranscriptKeyDoubleTap". It watches the
// application's own key events and, where the session allows, every key press of the desktop.
// Both sources share one press state, so a pair seen half by each still counts.
class KeyboardEventMonitor : public QObject {
    Q_OBJECT
public:
    // Watches with the application's key events and the desktop's raw key events; starts now.
    explicit KeyboardEventMonitor(QObject *parent = nullptr);
    // Watches with the given sources (taken over; the first local and the first global one
    // are used); starts now.
    KeyboardEventMonitor(std::vector<ModifierEventSource *> sources, QObject *parent);
    ~KeyboardEventMonitor() override;

    virtual void startMonitoring();
    virtual void stopMonitoring();
    // Examines one flags report: Option, Command, Function, Control in this order, as one step.
    virtual void handleFlagsChanged(quint64 flags, bool isGlobal);

    bool isLocalMonitorActive() const { return !m_localFlagsMonitor.isNull(); }
    bool isGlobalMonitorActive() const { return !m_globalFlagsMonitor.isNull(); }

protected:
    // Updates one modifier's state and press time; answers true when a double tap was found
    // (its notification name is then queued in m_toPost).
    virtual bool detectDoubleTap(bool pressed, bool &state, std::optional<qint64> &pressTimeMs,
                                 const QString &name, bool isGlobal);

private:
    void onFlags(ModifierEventSource *source, quint64 flags);

    std::vector<ModifierEventSource *> m_sources;
    QPointer<ModifierEventSource> m_localFlagsMonitor;
    QPointer<ModifierEventSource> m_globalFlagsMonitor;
    // Guards the press state below; every report is examined under it as one step.
    QMutex m_queue;
    std::optional<qint64> m_lastCommandKeyPress;
    std::optional<qint64> m_lastOptionKeyPress;
    std::optional<qint64> m_lastFnKeyPress;
    std::optional<qint64> m_lastControlKeyPress;
    bool m_isCommandKeyPressed = false;
    bool m_isOptionKeyPressed = false;
    bool m_isFnKeyPressed = false;
    bool m_isControlKeyPressed = false;
    QStringList m_toPost;
};
