#pragma once
#include "Platform/NotificationCenter.h"

#include <QList>
#include <QObject>
#include <functional>

// The floating panel view's ears: "PanelViewWillAppear" runs onAppear, "PanelViewDidDisappear"
// runs onDisappear, and "openChatForTask" runs onOpenChat with its "taskId" text (ignored when
// the user info has no text under that key). Observers exist from setup() to teardown().
class PanelNotificationManager : public QObject {
    Q_OBJECT
public:
    explicit PanelNotificationManager(QObject *parent = nullptr);
    ~PanelNotificationManager() override;

    std::function<void()> onAppear;
    std::function<void()> onDisappear;
    std::function<void(const QString &taskId)> onOpenChat;

    const QList<NotificationCenter::Token> &observers() const { return m_observers; }

    virtual void setup();
    virtual void teardown();

private:
    QList<NotificationCenter::Token> m_observers;
};
