#include "Platform/ModifierKeys/LocalModifierEventSource.h"

#include <QCoreApplication>
#include <QKeyEvent>

LocalModifierEventSource::LocalModifierEventSource(QObject *parent) : ModifierEventSource(parent) {}

LocalModifierEventSource::~LocalModifierEventSource()
{
    stop();
}

bool LocalModifierEventSource::start()
{
    if (m_running)
        return true;
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return false;
    app->installEventFilter(this);
    m_running = true;
    return true;
}

void LocalModifierEventSource::stop()
{
    if (!m_running)
        return;
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeEventFilter(this);
    m_running = false;
}

static quint64 flagForKey(int key)
{
    switch (key) {
    case Qt::Key_Alt:
        return ModifierFlag::Option;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
        return ModifierFlag::Command;
    case Qt::Key_Shift:
        return ModifierFlag::Function;
    case Qt::Key_Control:
        return ModifierFlag::Control;
    default:
        return 0;
    }
}

quint64 LocalModifierEventSource::flagsFor(const QKeyEvent &event)
{
    const Qt::KeyboardModifiers mods = event.modifiers();
    quint64 flags = 0;
    if (mods & Qt::AltModifier)
        flags |= ModifierFlag::Option;
    if (mods & Qt::MetaModifier)
        flags |= ModifierFlag::Command;
    if (mods & Qt::ShiftModifier)
        flags |= ModifierFlag::Function;
    if (mods & Qt::ControlModifier)
        flags |= ModifierFlag::Control;
    if (const quint64 own = flagForKey(event.key())) {
        if (event.type() == QEvent::KeyPress)
            flags |= own;
        else
            flags &= ~own;
    }
    return flags;
}

bool LocalModifierEventSource::eventFilter(QObject *watched, QEvent *event)
{
    // Key events travel through several receivers (window, widget, parents); reporting each
    // is harmless because the monitor only reacts to changes.
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (event->type() == QEvent::KeyPress && flagForKey(key->key()) == 0 && key->key() != 0)
            Q_EMIT otherKeyPressed();
        if (!key->isAutoRepeat()) {
            // On X the event carries the server's time; synthesised events carry none.
            m_lastEventTime = key->timestamp() ? qint64(key->timestamp()) : -1;
            Q_EMIT flagsChanged(flagsFor(*key));
        }
    }
    return ModifierEventSource::eventFilter(watched, event);
}
