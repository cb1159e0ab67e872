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
// A tap is the modifier going down and up with no other key pressed in between, so typing
// capitals (Shift+letter) or Ctrl+C then Ctrl+V is never a double tap; the notification is
// posted when the second tap ends.
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
    // Another key went down: no modifier held now makes a tap.
    void handleOtherKeyPressed();

    bool isLocalMonitorActive() const { return !m_localFlagsMonitor.isNull(); }
    bool isGlobalMonitorActive() const { return !m_globalFlagsMonitor.isNull(); }

protected:
    // One modifier's press state.
    struct ModifierTap {
        bool isPressed = false;
        // Press time of the last clean tap, which may open a pair.
        std::optional<qint64> lastPress;
        qint64 currentPress = 0;
        // Whether those times are the display server's (else the monotonic clock's).
        bool lastPressServerTime = false;
        bool currentPressServerTime = false;
        // Another key went down while the modifier was held.
        bool interrupted = false;
        // The current press came 0.05 to 0.3 s after lastPress: a clean release posts.
        bool closesPair = false;
    };
    // Updates one modifier's state; answers true when a double tap was found (its
    // notification name is then queued in m_toPost).
    virtual bool detectDoubleTap(bool pressed, ModifierTap &tap, const QString &name, bool isGlobal);

private:
    void onFlags(ModifierEventSource *source, quint64 flags);

    std::vector<ModifierEventSource *> m_sources;
    // The display server's time of the report being handled, -1 when its source had none.
    qint64 m_reportTime = -1;
    QPointer<ModifierEventSource> m_localFlagsMonitor;
    QPointer<ModifierEventSource> m_globalFlagsMonitor;
    // Guards the press state below; every report is examined under it as one step.
    QMutex m_queue;
    ModifierTap m_commandKey;
    ModifierTap m_optionKey;
    ModifierTap m_fnKey;
    ModifierTap m_controlKey;
    QStringList m_toPost;
};
