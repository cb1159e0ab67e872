#include "workspace/TaskWorkspaceViewModel.h"

#include "Platform/NotificationCenter.h"
#include "Platform/Scheduler.h"
#include "Platform/Store/FetchedResults.h"
#include "Platform/Store/ModelContext.h"
#include "model/AppIconData.h"
#include "model/ChatMessageData.h"
#include "model/TaskData.h"
#include "model/WebURL.h"
#include "workspace/WorkspaceContent.h"

namespace {
const QString kResetToHome = QStringLiteral("resetToHome");
}

TaskWorkspaceViewModel::TaskWorkspaceViewModel(const QString &initialUrl, TaskData *selectedTask, ModelContext *modelContext,
                                               QObject *parent)
    : QObject(parent)
    , m_initialUrl(initialUrl)
    , m_selectedTask(selectedTask)
    , m_context(modelContext)
    , m_currentUrl(initialUrl)
{
    if (selectedTask && modelContext) {
        m_taskId = selectedTask->id();
        m_observedTasks = new FetchedResults(
            modelContext,
            FetchDescriptor::of<TaskData>(Predicate::equal(QStringLiteral("id"), m_taskId), {{QStringLiteral("createdAt"), false}}),
            this);
        connect(m_observedTasks, &FetchedResults::resultsChanged, this, [this] {
            retargetMessages();
            evaluate();
        });
        retargetMessages();
        connect(modelContext, &ModelContext::storeDidChange, this, &TaskWorkspaceViewModel::storeChanged);
        // The models go with their context; so must every pointer to them.
        connect(modelContext, &QObject::destroyed, this, [this] {
            dropQueries();
            evaluate();
        });
    }
    NotificationCenter::defaultCenter().addObserver(kResetToHome, this, [this](const Notification &) {
        setCurrentUrl(defaultWebPageURL());
    });
    m_last = values();
}

TaskWorkspaceViewModel::~TaskWorkspaceViewModel() = default;

void TaskWorkspaceViewModel::dropQueries()
{
    delete m_observedTasks;
    m_observedTasks = nullptr;
    delete m_chatMessages;
    m_chatMessages = nullptr;
    m_messagesTask = nullptr;
}

TaskData *TaskWorkspaceViewModel::observedTask() const
{
    if (m_observedTasks) {
        for (TaskData *task : m_observedTasks->results<TaskData>())
            if (!task->isDeleted())
                return task;
    }
    // A task deleted since counts as none.
    if (m_selectedTask && !m_selectedTask->isDeleted())
        return m_selectedTask;
    return nullptr;
}

QList<AppIconData *> TaskWorkspaceViewModel::taskApps() const
{
    TaskData *task = observedTask();
    if (!task)
        return {};
    QList<AppIconData *> apps;
    try {
        apps = task->apps();
    } catch (const StoreError &) {
        return {};
    }
    apps.removeIf([](const AppIconData *app) { return !app || app->isDeleted(); });
    return apps;
}

QList<ChatMessageData *> TaskWorkspaceViewModel::chatMessages() const
{
    if (!m_chatMessages || !m_messagesTask)
        return {};
    QList<ChatMessageData *> messages = m_chatMessages->results<ChatMessageData>();
    messages.removeIf([](const ChatMessageData *m) { return m->isDeleted(); });
    return messages;
}

void TaskWorkspaceViewModel::retargetMessages()
{
    // The messages are asked for by their task as this context holds it, so the query runs on
    // the store's index; until the task is known here (or once it is gone) there are none.
    TaskData *task = nullptr;
    if (m_observedTasks) {
        for (TaskData *t : m_observedTasks->results<TaskData>())
            if (!t->isDeleted()) {
                task = t;
                break;
            }
    }
    if (task == m_messagesTask && (task != nullptr) == (m_chatMessages != nullptr))
        return;
    delete m_chatMessages;
    m_chatMessages = nullptr;
    m_messagesTask = task;
    if (!task || !m_context)
        return;
    m_chatMessages = new FetchedResults(
        m_context,
        FetchDescriptor::of<ChatMessageData>(Predicate::equal(QStringLiteral("task"), task)
                                                 && Predicate::equal(QStringLiteral("sender"), QStringLiteral("ai")),
                                             {{QStringLiteral("timestamp"), false}}),
        this);
    connect(m_chatMessages, &FetchedResults::resultsChanged, this, &TaskWorkspaceViewModel::evaluate);
}

void TaskWorkspaceViewModel::storeChanged(const ModelChanges &changes)
{
    bool relevant = changes.touches(TaskData::staticEntityDescription().name)
                    || changes.touches(AppIconData::staticEntityDescription().name);
    const auto messages = changes.entities.constFind(ChatMessageData::staticEntityDescription().name);
    if (!relevant && messages != changes.entities.constEnd()) {
        // A streamed answer of another task changes its own rows only: those need no look.
        if (messages->membershipChanged)
            relevant = true;
        for (const ChatMessageData *m : chatMessages()) {
            const qint64 row = m->persistentModelID().rowId;
            if (row == 0 || messages->updatedRows.contains(row)) {
                relevant = true;
                break;
            }
        }
    }
    if (relevant)
        evaluate();
}

QStringList TaskWorkspaceViewModel::extractedURLs() const
{
    return WorkspaceContent::extractedURLs(chatMessages());
}

std::optional<QString> TaskWorkspaceViewModel::latestHTMLContent() const
{
    return WorkspaceContent::latestHTMLContent(chatMessages());
}

QString TaskWorkspaceViewModel::effectiveURLString() const
{
    return WorkspaceContent::effectiveURLString(m_selectedApp, extractedURLs(), m_currentUrl);
}

std::optional<WebView::Content> TaskWorkspaceViewModel::currentContent() const
{
    return WorkspaceContent::currentContent(m_selectedApp, latestHTMLContent(), effectiveURLString());
}

QString TaskWorkspaceViewModel::contentIdentity() const
{
    return WorkspaceContent::contentIdentity(currentContent());
}

TaskWorkspaceViewModel::Values TaskWorkspaceViewModel::values() const
{
    Values v;
    const QList<ChatMessageData *> messages = chatMessages();
    v.extractedURLs = WorkspaceContent::extractedURLs(messages);
    v.latestHTML = WorkspaceContent::latestHTMLContent(messages);
    for (const AppIconData *app : taskApps())
        v.appIds.append(app->id());
    return v;
}

void TaskWorkspaceViewModel::evaluate()
{
    const Values now = values();
    const Values before = std::exchange(m_last, now);
    if (m_onScreen) {
        // A new last address in the newest finished answer becomes the fallback and ends any
        // app selection.
        if (now.extractedURLs != before.extractedURLs) {
            for (const QString &url : now.extractedURLs) {
                if (!isValidWebURL(url))
                    continue;
                if (url != m_currentUrl) {
                    MainQueue::post(this, [this, url] {
                        setCurrentUrl(url);
                        writeSelectedApp(nullptr);
                    });
                }
                break;
            }
        }
        // A new document is shown at once, in place of a selected app's page.
        if (now.latestHTML != before.latestHTML && now.latestHTML && m_selectedApp)
            writeSelectedApp(nullptr);
        // A newly linked app is selected a moment later.
        if (now.appIds != before.appIds && !now.appIds.isEmpty() && (before.appIds.size() < now.appIds.size() || !m_selectedApp)) {
            const QList<AppIconData *> apps = taskApps();
            QPointer<AppIconData> last = apps.isEmpty() ? nullptr : apps.last();
            Scheduler::instance().singleShot(autoSelectDelayMs, this, [this, last] { writeSelectedApp(last); });
        }
    }
    Q_EMIT changed();
}

void TaskWorkspaceViewModel::appear()
{
    if (m_onScreen)
        return;
    m_onScreen = true;
    // Values that changed while away are taken as they stand.
    m_last = values();
    if (!m_selectedApp && !m_last.appIds.isEmpty()) {
        Scheduler::instance().singleShot(autoSelectDelayMs, this, [this] {
            const QList<AppIconData *> apps = taskApps();
            writeSelectedApp(apps.isEmpty() ? nullptr : apps.last());
        });
    }
    Q_EMIT changed();
}

void TaskWorkspaceViewModel::disappear()
{
    m_onScreen = false;
}

void TaskWorkspaceViewModel::setSelectedApp(AppIconData *app)
{
    writeSelectedApp(app);
}

void TaskWorkspaceViewModel::writeSelectedApp(AppIconData *app)
{
    if (app == m_selectedApp)
        return;
    m_selectedApp = app;
    Q_EMIT selectedAppChanged(app);
    if (m_onScreen && app) {
        const std::optional<QString> link = app->appLink();
        if (link && !link->isEmpty() && isValidWebURL(*link) && *link != m_currentUrl) {
            const QString url = *link;
            MainQueue::post(this, [this, url] { setCurrentUrl(url); });
        }
    }
    Q_EMIT changed();
}

void TaskWorkspaceViewModel::setCurrentUrl(const QString &url)
{
    if (url == m_currentUrl)
        return;
    m_currentUrl = url;
    Q_EMIT currentUrlChanged(url);
    Q_EMIT changed();
}
