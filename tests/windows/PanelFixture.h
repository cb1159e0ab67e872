#pragma once
#include "CoordinatorFixture.h"
#include "FakeScheduler.h"
#include "NotificationSpy.h"
#include "Platform/Settings.h"
#include "Platform/UuidText.h"
#include "model/CategoryData.h"
#include "model/TaskData.h"
#include "windows/FloatingPanelState.h"
#include "windows/FloatingPanelView.h"

// A panel view over an in-memory store, with a real coordinator, virtual time, recorded
// notifications, usage events and log lines, and the panel's stored values cleared.
struct PanelFixture {
    FakeScheduler clock;
    CoordinatorFixture coordinator;
    NotificationSpy spy;
    std::unique_ptr<FloatingPanelView> view;
    int created = 0;

    PanelFixture()
    {
        for (const QString &key : {FloatingPanelView::collapsedKey, FloatingPanelView::showChatKey, FloatingPanelView::selectedTaskIdKey})
            Settings::instance().remove(key);
        coordinator.make();
    }
    ~PanelFixture() { view.reset(); }

    ModelContext *context() { return coordinator.context(); }
    MainViewModel &vm() { return *coordinator.vm; }

    FloatingPanelView &makeView(bool show = false)
    {
        view = std::make_unique<FloatingPanelView>(context(), &vm());
        view->setScreenHeightProvider([] { return std::optional<double>(2000); });
        view->resize(420, 900);
        if (show)
            view->show();
        return *view;
    }

    // A saved task, each newer than the one before.
    TaskData *addTask(const QString &title, StreamStatus status = StreamStatus::Idle)
    {
        auto *task = new TaskData(QUuid::createUuid(), title, std::nullopt, std::nullopt,
                                  QDateTime(QDate(2026, 1, 1), QTime(8, 0), Qt::UTC).addSecs(60 * ++created), false,
                                  std::nullopt, std::nullopt, status, false);
        context()->insert(task);
        context()->save();
        return task;
    }
    CategoryData *addAllTasksCategory()
    {
        auto *category = new CategoryData(QUuid::createUuid(), QStringLiteral("All Tasks"), clock.now(), 0, 0);
        context()->insert(category);
        context()->save();
        return category;
    }

    QStringList titles(const QList<TaskData *> &tasks) const
    {
        QStringList out;
        for (const TaskData *t : tasks)
            out << t->title();
        return out;
    }
    QStringList usageButtons() const
    {
        QStringList out;
        for (const auto &e : coordinator.analytics.events())
            if (e.event == QLatin1String("button_tap"))
                out << e.properties.value(QStringLiteral("button_name")).toString();
        return out;
    }
    bool logged(const QString &prefix) const
    {
        for (const QString &line : CoordinatorFixture::log())
            if (line.startsWith(prefix))
                return true;
        return false;
    }
    static bool showChatStored() { return Settings::instance().boolValue(FloatingPanelView::showChatKey); }
    static QString storedSelection() { return Settings::instance().stringValue(FloatingPanelView::selectedTaskIdKey); }
};
