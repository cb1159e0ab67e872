#include "categories/TaskCardBehaviours.h"

#include "Platform/Log.h"
#include "Platform/ModalPrompt.h"
#include "Platform/Store/ModelContext.h"
#include "Platform/Scheduler.h"
#include "Platform/UuidText.h"
#include "categories/TaskAppAssociationService.h"
#include "model/AppIconData.h"
#include "model/TaskData.h"
#include "Controller/session/ControlManagerViewModel.h"

#include <QTextBoundaryFinder>

namespace {
constexpr qsizetype kAlertTitleLimit = 60;

std::function<void(TaskData *)> &streamStopper()
{
    static std::function<void(TaskData *)> stopper;
    return stopper;
}

// The first `limit` user-perceived characters of text, and whether anything was left over.
std::pair<QString, bool> graphemePrefix(const QString &text, qsizetype limit)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype n = 0;
    qsizetype end = 0;
    while (n < limit) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0)
            return {text, false};
        end = next;
        ++n;
    }
    return {text.left(end), end < text.size()};
}
} // namespace

TaskCardBehaviours::TaskCardBehaviours(TaskData *task, ModelContext *modelContext, const Tags &tags, QObject *parent)
    : QObject(parent)
    , m_task(task)
    , m_modelContext(modelContext)
    , m_tags(tags)
{
    observeTask();
    setCachedCurrentTask(nullptr);
}

TaskCardBehaviours::~TaskCardBehaviours()
{
    for (const QMetaObject::Connection &c : std::as_const(m_taskConnections))
        disconnect(c);
    for (const QMetaObject::Connection &c : std::as_const(m_currentConnections))
        disconnect(c);
}

void TaskCardBehaviours::setTask(TaskData *task)
{
    if (task == m_task)
        return;
    m_task = task;
    observeTask();
    // A different task is a change of the handed-over id.
    refreshCurrentTask();
}

void TaskCardBehaviours::observeTask()
{
    for (const QMetaObject::Connection &c : std::as_const(m_taskConnections))
        disconnect(c);
    m_taskConnections.clear();
    if (!m_task)
        return;
    // Only the handed-over task's id and status trigger a new look-up.
    m_taskConnections << connect(m_task, &TaskData::idChanged, this, &TaskCardBehaviours::refreshCurrentTask);
    m_taskConnections << connect(m_task, &TaskData::streamStatusChanged, this, &TaskCardBehaviours::refreshCurrentTask);
}

TaskData *TaskCardBehaviours::currentTask() const
{
    return m_cachedCurrentTask ? m_cachedCurrentTask.data() : m_task.data();
}

StreamStatus TaskCardBehaviours::currentStreamStatus() const
{
    const TaskData *t = currentTask();
    return t ? t->streamStatus() : StreamStatus::Idle;
}

bool TaskCardBehaviours::isStreaming() const
{
    return rawValue(currentStreamStatus()) == QLatin1String("streaming");
}

void TaskCardBehaviours::refreshCurrentTask()
{
    if (!m_task)
        return;
    const QUuid id = m_task->id();
    TaskData *found = m_task;
    try {
        const QList<TaskData *> tasks = m_modelContext ? m_modelContext->fetch<TaskData>(Predicate::equal(QStringLiteral("id"), id))
                                                       : QList<TaskData *>{};
        if (!tasks.isEmpty())
            found = tasks.first();
        else
            Log::line(QStringLiteral("⚠️ [%1] Task no longer exists in database: ").arg(m_tags.lookup) + m_task->title());
    } catch (const StoreError &error) {
        Log::line(QStringLiteral("⚠️ [%1] Failed to fetch task by ID: ").arg(m_tags.lookup) + error.localizedDescription());
    }
    setCachedCurrentTask(found);
}

void TaskCardBehaviours::setCachedCurrentTask(TaskData *task)
{
    const bool same = task == m_cachedCurrentTask && m_hasCachedTask == bool(task);
    m_cachedCurrentTask = task;
    m_hasCachedTask = bool(task);
    if (!same) {
        for (const QMetaObject::Connection &c : std::as_const(m_currentConnections))
            disconnect(c);
        m_currentConnections.clear();
        // The drawn object's own changes redraw the view (no new look-up).
        if (TaskData *drawn = currentTask()) {
            m_currentConnections << connect(drawn, &TaskData::titleChanged, this, &TaskCardBehaviours::changed);
            m_currentConnections << connect(drawn, &TaskData::streamStatusChanged, this, &TaskCardBehaviours::changed);
            m_currentConnections << connect(drawn, &TaskData::appsChanged, this, &TaskCardBehaviours::changed);
            m_currentConnections << connect(drawn, &TaskData::timeRemainingChanged, this, &TaskCardBehaviours::changed);
        }
    }
    Q_EMIT changed();
}

void TaskCardBehaviours::appear(const std::function<void()> &afterLookUp)
{
    refreshCurrentTask();
    if (afterLookUp)
        afterLookUp();
    if (m_task)
        Log::line(QStringLiteral("🔍 [%1] onAppear - Task: ").arg(m_tags.lookup) + m_task->title() + QStringLiteral(", StreamStatus: ")
                  + rawValue(currentStreamStatus()));
}

QList<AppIconData *> TaskCardBehaviours::displayedApps() const
{
    const TaskData *current = currentTask();
    const QList<AppIconData *> apps = current ? current->apps() : QList<AppIconData *>{};
    if (m_tags.reportsAppChanges) {
        const qsizetype given = m_task ? m_task->apps().size() : 0;
        if (given != apps.size())
            Log::line(QStringLiteral("📱 TaskItemView: Apps updated for task '") + current->title() + QStringLiteral("' - Count: ")
                      + QString::number(apps.size()));
    }
    return apps;
}

void TaskCardBehaviours::summaryAction()
{
    TaskData *current = currentTask();
    if (!current)
        return;
    if (m_onSummaryTap)
        m_onSummaryTap(current);
    else
        Log::line(QStringLiteral("View Summary tapped for: ") + current->title());
}

void TaskCardBehaviours::setShowDeleteConfirmation(bool shown)
{
    if (shown == m_showDeleteConfirmation)
        return;
    m_showDeleteConfirmation = shown;
    Q_EMIT showDeleteConfirmationChanged(shown);
}

void TaskCardBehaviours::requestDelete(QWidget *alertParent)
{
    const TaskData *current = currentTask();
    if (!current || m_showDeleteConfirmation)
        return;
    setShowDeleteConfirmation(true);
    PromptRequest request;
    request.title = QStringLiteral("Delete Task");
    request.text = deleteAlertMessage(current->title(), m_tags.cutsAlertTitle);
    request.buttons = {QStringLiteral("Cancel"), QStringLiteral("Delete")};
    request.style = PromptRequest::Style::Warning;
    request.cancelIndex = 0;
    ModalPrompt::askAsync(request, this, [this](int choice) {
        if (choice != 1) {
            setShowDeleteConfirmation(false);
            return;
        }
        // deleteTask clears the flag first: its handler or the save may end this view (and
        // these behaviours) before it returns.
        deleteTask();
    }, alertParent);
}

void TaskCardBehaviours::deleteTask()
{
    setShowDeleteConfirmation(false);
    TaskData *current = currentTask();
    if (!current)
        return;
    if (m_onDeleteTap) {
        // A copy: the parent may drop this view, and with it the handler, while it runs.
        const std::function<void(TaskData *)> handler = m_onDeleteTap;
        handler(current);
        return;
    }
    // The stop and the save notify observers that may end the view (and these behaviours):
    // from here on only locals are used.
    const QPointer<ModelContext> context = m_modelContext;
    const QString saveFailureTag = m_tags.saveFailure;
    const QPointer<TaskData> task(current);
    if (isStreaming()) {
        // Stop the answer before its task goes, so the stream never writes into a deleted task.
        stopStream(current);
        if (task)
            task->setStreamStatus(StreamStatus::Failed);
    }
    if (!context || !task)
        return;
    context->remove(task);
    try {
        context->save();
    } catch (const StoreError &error) {
        Log::line(QStringLiteral("⚠️ [%1] Failed to save context after deleting task: ").arg(saveFailureTag) + error.localizedDescription());
    }
}

int TaskCardBehaviours::mainIconIndex(int count)
{
    switch (count) {
    case 1: return 0;
    case 2:
    case 3:
    case 4: return 1;
    case 5: return 2;
    case 6: return 3;
    default: return count / 2;
    }
}

TaskCardBehaviours::IconMetrics TaskCardBehaviours::iconMetrics(int count)
{
    switch (count) {
    case 0:
    case 1: return {40, 0};
    case 2: return {36, -6};
    case 3: return {32, -8};
    case 4: return {28, -10};
    case 5: return {24, -12};
    default: return {20, -14};
    }
}

QString TaskCardBehaviours::deleteAlertMessage(const QString &title, bool cutTitle)
{
    const auto [head, cut] = cutTitle ? graphemePrefix(title, kAlertTitleLimit) : std::pair<QString, bool>{title, false};
    return QStringLiteral("Are you sure you want to delete '") + head + (cut ? QStringLiteral("…") : QString())
           + QStringLiteral("'?\n\nThis action cannot be undone.");
}

void TaskCardBehaviours::stopStream(TaskData *task)
{
    if (!task)
        return;
    if (const std::function<void(TaskData *)> stop = streamStopper()) {
        stop(task);
    } else {
        // Not awaited: the close runs on a later turn.
        ControlManagerViewModel::shared().closeSession(UuidText::toText(task->id()));
    }
}

void TaskCardBehaviours::setStreamStopper(std::function<void(TaskData *)> stopper)
{
    streamStopper() = std::move(stopper);
}

QImage TaskCardBehaviours::blurredBackground(const QList<AppIconData *> &apps, const QSize &frame, BlurredIconCache::Edges edges,
                                             qreal devicePixelRatio)
{
    if (apps.isEmpty() || !apps.last())
        return {};
    const QString name = apps.last()->iconName();
    if (name == m_lastBackgroundIconName && m_cachedBlurredBackground
        && qFuzzyCompare(m_cachedBlurredBackground->devicePixelRatio(), devicePixelRatio))
        return *m_cachedBlurredBackground;
    const QImage built = BlurredIconCache::image(name, frame, backgroundBlurRadius, devicePixelRatio, edges);
    QPointer<TaskCardBehaviours> self(this);
    MainQueue::post(this, [self, name, built] {
        if (!self || (self->m_lastBackgroundIconName == name && self->m_cachedBlurredBackground
                      && qFuzzyCompare(self->m_cachedBlurredBackground->devicePixelRatio(), built.devicePixelRatio())))
            return;
        self->m_lastBackgroundIconName = name;
        self->m_cachedBlurredBackground = built;
    });
    return built;
}
