#pragma once
#include "Platform/ModifierKeys/ModifierEventSource.h"

class QKeyEvent;

// Watches the key events that reach this application's own windows, through an event filter
// on the application object. Every event passes on unchanged.
class LocalModifierEventSource : public ModifierEventSource {
    Q_OBJECT
public:
    explicit LocalModifierEventSource(QObject *parent = nullptr);
    ~LocalModifierEventSource() override;

    bool start() override;
    void stop() override;
    bool isRunning() const override { return m_running; }
    bool isGlobal() const override { return false; }

    // The flags after a key event: the event's modifiers, with the pressed or released
    // modifier key itself applied (X11 reports the state from before the event).
    static quint64 flagsFor(const QKeyEvent &event);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool m_running = false;
};
