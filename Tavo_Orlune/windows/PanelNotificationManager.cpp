#include "windows/PanelNotificationManager.h"

PanelNotificationManager::PanelNotificationManager(QObject *parent)
    : QObject(parent)
{
}

PanelNotificationManager::~PanelNotificationManager()
{
    teardown();
}

void PanelNotificationManager::setup()
{
    NotificationCenter &nc = NotificationCenter::defaultCenter();
    // The callbacks are tied to this object: nothing runs once it is gone.
    m_observers.append(nc.addObserver(QStringLiteral("PanelViewWillAppear"), this, [this](const Notification &) {
        if (onAppear)
            onAppear();
    }));
    m_observers.append(nc.addObserver(QStringLiteral("PanelViewDidDisappear"), this, [this](const Notification &) {
        if (onDisappear)
            onDisappear();
    }));
    m_observers.append(nc.addObserver(QStringLiteral("openChatForTask"), this, [this](const Notification &n) {
        const QVariant id = n.userInfo.value(QStringLiteral("taskId"));
        if (id.typeId() == QMetaType::QString && onOpenChat)
            onOpenChat(id.toString());
    }));
}

void PanelNotificationManager::teardown()
{
    NotificationCenter &nc = NotificationCenter::defaultCenter();
    for (NotificationCenter::Token token : std::as_const(m_observers))
        nc.removeObserver(token);
    m_observers.clear();
}
