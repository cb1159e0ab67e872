#pragma once
#include "workspace/WebView.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <optional>

#include "model/AppIconData.h"
#include "model/ChatMessageData.h"
class FetchedResults;
#include "Platform/Store/ModelContext.h"
#include "model/TaskData.h"
struct ModelChanges;

// The state of one task's workspace: its fallback address and the app selected in its dock,
// the two live queries it reads (the task by id; the task's assistant messages, newest first),
// and the reactions that move the selection and the address when answers, documents and
// linked apps arrive or the dock returns home. The workspace view shows currentContent().
//
// Both queries follow the context's change signal and survive the deletion of their rows (a
// deleted task leaves both empty). Without a task or a context nothing is queried and the
// content comes from the fallback address.
//
// The reactions to changed values run only while the workspace is on screen (between appear()
// and disappear()); a value that changed while it was away is taken as it stands.
class TaskWorkspaceViewModel : public QObject {
    Q_OBJECT
public:
    // The delay of the automatic selection of the task's last app.
    static constexpr qint64 autoSelectDelayMs = 100;

    TaskWorkspaceViewModel(const QString &initialUrl, TaskData *selectedTask, ModelContext *modelContext,
                           QObject *parent = nullptr);
    ~TaskWorkspaceViewModel() override;

    QString initialUrl() const { return m_initialUrl; }
    TaskData *selectedTask() const { return m_selectedTask; }
    ModelContext *modelContext() const { return m_context; }
    // The fallback address of the content choice.
    QString currentUrl() const { return m_currentUrl; }
    // The app chosen in the dock; null means home.
    AppIconData *selectedApp() const { return m_selectedApp; }
    // The dock's write of the selection.
    void setSelectedApp(AppIconData *app);

    // The task as this context holds it, else the task given (unless it has been deleted).
    TaskData *observedTask() const;
    QList<AppIconData *> taskApps() const;
    // The task's assistant messages, newest first.
    QList<ChatMessageData *> chatMessages() const;
    QStringList extractedURLs() const;
    std::optional<QString> latestHTMLContent() const;
    QString effectiveURLString() const;
    std::optional<WebView::Content> currentContent() const;
    QString contentIdentity() const;

    // The workspace came on screen: reactions to changes run from now on, and when nothing is
    // selected the task's last app is selected a moment later.
    void appear();
    void disappear();
    bool isOnScreen() const { return m_onScreen; }

Q_SIGNALS:
    // The content, the task's apps or the selection may have changed.
    void changed();
    void currentUrlChanged(const QString &url);
    void selectedAppChanged(AppIconData *app);

private:
    struct Values {
        QStringList extractedURLs;
        std::optional<QString> latestHTML;
        QList<QUuid> appIds;
    };
    Values values() const;
    void storeChanged(const ModelChanges &changes);
    void retargetMessages();
    void evaluate();
    void setCurrentUrl(const QString &url);
    void writeSelectedApp(AppIconData *app);
    void dropQueries();

    QString m_initialUrl;
    QPointer<TaskData> m_selectedTask;
    QPointer<ModelContext> m_context;
    QUuid m_taskId;
    QString m_currentUrl;
    QPointer<AppIconData> m_selectedApp;
    FetchedResults *m_observedTasks = nullptr;
    FetchedResults *m_chatMessages = nullptr;
    QPointer<TaskData> m_messagesTask; // the task the message query is about
    Values m_last;
    bool m_onScreen = false;
};
