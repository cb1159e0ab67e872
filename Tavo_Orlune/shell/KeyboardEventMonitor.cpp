#include "shell/KeyboardEventMonitor.h"
#include "Platform/ModifierKeys/LocalModifierEventSource.h"
#include "Platform/Log.h"
#include "Platform/NotificationCenter.h"
#include "Platform/Scheduler.h"
#include "Platform/ModifierKeys/XInputModifierEventSource.h"

KeyboardEventMonitor::KeyboardEventMonitor(QObject *parent)
    : KeyboardEventMonitor({new LocalModifierEventSource, new XInputModifierEventSource}, parent)
{
}

KeyboardEventMonitor::KeyboardEventMonitor(std::vector<ModifierEventSource *> sources, QObject *parent)
    : QObject(parent), m_sources(std::move(sources))
{
    for (ModifierEventSource *source : m_sources) {
        source->setParent(this);
        connect(source, &ModifierEventSource::flagsChanged, this,
                [this, source](quint64 flags) { onFlags(source, flags); });
        connect(source, &ModifierEventSource::otherKeyPressed, this, [this, source] {
            if (source == m_localFlagsMonitor || source == m_globalFlagsMonitor)
                handleOtherKeyPressed();
        });
    }
    startMonitoring();
}

KeyboardEventMonitor::~KeyboardEventMonitor()
{
    stopMonitoring();
}

void KeyboardEventMonitor::startMonitoring()
{
    for (ModifierEventSource *source : m_sources) {
        if (!source->isGlobal() && m_localFlagsMonitor.isNull()) {
            if (source->start())
                m_localFlagsMonitor = source;
        } else if (source->isGlobal() && m_globalFlagsMonitor.isNull()) {
            if (source->start())
                m_globalFlagsMonitor = source;
        }
    }
}

void KeyboardEventMonitor::stopMonitoring()
{
    if (m_localFlagsMonitor)
        m_localFlagsMonitor->stop();
    if (m_globalFlagsMonitor)
        m_globalFlagsMonitor->stop();
    m_localFlagsMonitor.clear();
    m_globalFlagsMonitor.clear();
}

void KeyboardEventMonitor::onFlags(ModifierEventSource *source, quint64 flags)
{
    if (source != m_localFlagsMonitor && source != m_globalFlagsMonitor)
        return;
    m_reportTime = source->lastEventTime();
    handleFlagsChanged(flags, source->isGlobal());
    m_reportTime = -1;
}

void KeyboardEventMonitor::handleFlagsChanged(quint64 flags, bool isGlobal)
{
    QStringList toPost;
    {
        QMutexLocker step(&m_queue);
        detectDoubleTap(flags & ModifierFlag::Option, m_optionKey, QStringLiteral("PanelKeyDoubleTap"), isGlobal);
        detectDoubleTap(flags & ModifierFlag::Command, m_commandKey, QStringLiteral("commandKeyDoubleTapped"), isGlobal);
        detectDoubleTap(flags & ModifierFlag::Function, m_fnKey, QStringLiteral("FlowerKeyDoubleTap"), isGlobal);
        detectDoubleTap(flags & ModifierFlag::Control, m_controlKey, QStringLiteral("TranscriptKeyDoubleTap"), isGlobal);
        toPost.swap(m_toPost);
    }
    // Posted outside the step, so an observer that spins an event loop cannot re-enter it;
    // still before the handler returns and in the order found.
    for (const QString &name : std::as_const(toPost))
        NotificationCenter::defaultCenter().post(name);
}

void KeyboardEventMonitor::handleOtherKeyPressed()
{
    QMutexLocker step(&m_queue);
    for (ModifierTap *tap : {&m_optionKey, &m_commandKey, &m_fnKey, &m_controlKey}) {
        if (tap->isPressed)
            tap->interrupted = true;
    }
}

bool KeyboardEventMonitor::detectDoubleTap(bool pressed, ModifierTap &tap, const QString &name, bool isGlobal)
{
    const bool serverTime = m_reportTime >= 0;
    const qint64 now = serverTime ? m_reportTime : Scheduler::instance().monotonicMs();
    if (pressed == tap.isPressed)
        return false;
    tap.isPressed = pressed;
    if (pressed) {
        // The interval runs from press to press; whether this press finishes a pair is known
        // only when it ends as a tap. Times of two clocks are never compared; the server's
        // 32-bit clock may wrap between two presses.
        tap.currentPress = now;
        tap.currentPressServerTime = serverTime;
        tap.interrupted = false;
        const bool comparable = tap.lastPress && tap.lastPressServerTime == serverTime;
        const qint64 interval = !comparable ? 0
            : serverTime                    ? qint64(quint32(quint32(now) - quint32(*tap.lastPress)))
                                            : now - *tap.lastPress;
        tap.closesPair = comparable && interval > 50 && interval < 300;
        return false;
    }
    if (tap.interrupted) {
        // A shortcut or a capital letter: neither a tap nor the opening of a pair.
        tap.lastPress.reset();
        tap.closesPair = false;
        return false;
    }
    if (tap.closesPair) {
        Log::line(QStringLiteral("Double tap detected for notification: ") + name + QStringLiteral(" from ")
                  + (isGlobal ? QStringLiteral("global") : QStringLiteral("local")));
        m_toPost.append(name);
        tap.lastPress.reset();
        tap.closesPair = false;
        return true;
    }
    tap.lastPress = tap.currentPress;
    tap.lastPressServerTime = tap.currentPressServerTime;
    return false;
}
