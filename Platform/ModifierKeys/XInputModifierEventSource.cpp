#include "Platform/ModifierKeys/XInputModifierEventSource.h"
#include "Platform/Log.h"

#include <QGuiApplication>
#include <QSocketNotifier>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>

namespace {
Display *dpy(void *p) { return static_cast<Display *>(p); }

quint64 flagForKeysym(KeySym sym)
{
    switch (sym) {
    case XK_Alt_L:
    case XK_Alt_R:
    case XK_Meta_L:
    case XK_Meta_R:
        return ModifierFlag::Option;
    case XK_Super_L:
    case XK_Super_R:
    case XK_Hyper_L:
    case XK_Hyper_R:
        return ModifierFlag::Command;
    case XK_Shift_L:
    case XK_Shift_R:
        return ModifierFlag::Function;
    case XK_Control_L:
    case XK_Control_R:
        return ModifierFlag::Control;
    default:
        return 0;
    }
}
}

XInputModifierEventSource::XInputModifierEventSource(QObject *parent) : ModifierEventSource(parent) {}

XInputModifierEventSource::~XInputModifierEventSource()
{
    stop();
}

void XInputModifierEventSource::unavailable(const QString &why)
{
    static bool said = false;
    if (said)
        return;
    said = true;
    Log::line(QStringLiteral("⚠️ [KeyboardEventMonitor] Global modifier-key monitor unavailable: ") + why
              + QStringLiteral("; double taps work only while the application is active"));
}

bool XInputModifierEventSource::start()
{
    if (m_display)
        return true;
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        unavailable(QStringLiteral("not an X11 session (platform \"") + QGuiApplication::platformName()
                    + QStringLiteral("\")"));
        return false;
    }
    Display *d = XOpenDisplay(nullptr);
    if (!d) {
        unavailable(QStringLiteral("cannot open the X display"));
        return false;
    }
    int opcode = 0, firstEvent = 0, firstError = 0;
    int major = 2, minor = 0;
    if (!XQueryExtension(d, "XInputExtension", &opcode, &firstEvent, &firstError)
        || XIQueryVersion(d, &major, &minor) != Success) {
        XCloseDisplay(d);
        unavailable(QStringLiteral("the X server has no XInput 2"));
        return false;
    }
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawKeyPress);
    XISetMask(bits, XI_RawKeyRelease);
    XIEventMask mask;
    mask.deviceid = XIAllMasterDevices;
    mask.mask_len = sizeof(bits);
    mask.mask = bits;
    XISelectEvents(d, DefaultRootWindow(d), &mask, 1);
    XFlush(d);

    m_display = d;
    m_xiOpcode = opcode;
    m_pressedKeycodes.clear();
    m_flags = 0;
    m_notifier = new QSocketNotifier(ConnectionNumber(d), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { readEvents(); });
    return true;
}

void XInputModifierEventSource::stop()
{
    if (!m_display)
        return;
    delete m_notifier;
    m_notifier = nullptr;
    XCloseDisplay(dpy(m_display));
    m_display = nullptr;
    m_pressedKeycodes.clear();
    m_flags = 0;
}

void XInputModifierEventSource::readEvents()
{
    Display *d = dpy(m_display);
    if (!d)
        return;
    while (XPending(d) > 0) {
        XEvent event;
        XNextEvent(d, &event);
        XGenericEventCookie *cookie = &event.xcookie;
        if (cookie->type != GenericEvent || cookie->extension != m_xiOpcode || !XGetEventData(d, cookie))
            continue;
        bool changed = false;
        bool otherKey = false;
        if (cookie->evtype == XI_RawKeyPress || cookie->evtype == XI_RawKeyRelease) {
            const auto *raw = static_cast<const XIRawEvent *>(cookie->data);
            m_lastEventTime = qint64(raw->time);
            const bool repeat = (raw->flags & XIKeyRepeat) != 0;
            const int keycode = raw->detail;
            const bool modifier = flagForKeysym(XkbKeycodeToKeysym(d, KeyCode(keycode), 0, 0)) != 0;
            otherKey = !modifier && cookie->evtype == XI_RawKeyPress;
            if (!repeat && modifier) {
                if (cookie->evtype == XI_RawKeyPress)
                    m_pressedKeycodes.insert(keycode);
                else
                    m_pressedKeycodes.remove(keycode);
                quint64 flags = 0;
                for (int code : std::as_const(m_pressedKeycodes))
                    flags |= flagForKeysym(XkbKeycodeToKeysym(d, KeyCode(code), 0, 0));
                m_flags = flags;
                changed = true;
            }
        }
        XFreeEventData(d, cookie);
        if (otherKey)
            Q_EMIT otherKeyPressed();
        if (changed)
            Q_EMIT flagsChanged(m_flags);
        if (!m_display) // a receiver stopped the source
            return;
    }
}
