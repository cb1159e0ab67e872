#pragma once
#include "Platform/ModifierKeys/ModifierEventSource.h"

#include <QSet>

class QSocketNotifier;

// Watches every key press of the X session through XInput2 raw key events on the root
// window, on a display connection of its own, so it works while another program has the
// focus. Where there is no X11 session (Wayland, the offscreen platform) it stays off and
// logs that once.
class XInputModifierEventSource : public ModifierEventSource {
    Q_OBJECT
public:
    explicit XInputModifierEventSource(QObject *parent = nullptr);
    ~XInputModifierEventSource() override;

    bool start() override;
    void stop() override;
    bool isRunning() const override { return m_display != nullptr; }
    bool isGlobal() const override { return true; }

private:
    void readEvents();
    void unavailable(const QString &why);

    void *m_display = nullptr; // Display*, kept opaque so that Xlib's macros stay out of headers
    int m_xiOpcode = 0;
    QSocketNotifier *m_notifier = nullptr;
    QSet<int> m_pressedKeycodes;
    quint64 m_flags = 0;
};
