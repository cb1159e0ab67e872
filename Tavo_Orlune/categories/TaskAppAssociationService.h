#pragma once
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class AppIconData;
class ModelContext;
class TaskData;

// Links a task to the app shortcuts of the tool clients its answers used, so its cards can show
// their icons. A name table, built once from the stored shortcuts and a fixed alias table, turns
// a client's name into a shortcut. Each chat owns one over its own context; main thread only.
class TaskAppAssociationService : public QObject {
    Q_OBJECT
public:
    explicit TaskAppAssociationService(ModelContext *modelContext, QObject *parent = nullptr);

    ModelContext *modelContext() const { return m_modelContext; }
    // Normalised app name or alias -> shortcut.
    const QHash<QString, QPointer<AppIconData>> &clientToAppMapping() const { return m_clientToAppMapping; }

    // Fills the table from the store; a failed fetch keeps the table as it was.
    virtual void loadAppMappings();
    virtual void registerAliases(AppIconData *app, const QString &normalizedName);
    // Links the shortcut of a client's name to the task and saves; unknown names, empty names,
    // "tool" and shortcuts the task already holds change nothing.
    virtual void associateApp(TaskData *task, const QString &clientName);
    virtual void linkApp(AppIconData *app, TaskData *task);
    virtual void saveAssociation(TaskData *task, AppIconData *app);

    // Lower-cased, then trimmed of white space and line breaks.
    static QString normalizedName(const QString &name);
    // The fixed aliases of an app, by its normalised name, in table order.
    static QStringList aliases(const QString &normalizedAppName);
    // A compile-time constant: globals of other files may copy it while the program starts,
    // when a QString defined elsewhere may not have been made yet.
    static constexpr QLatin1String placeholderIconName{"app_logo_placeholder_1"};

private:
    void rollbackAssociation(TaskData *task, AppIconData *app);
    void postAppsUpdated(TaskData *task);

    ModelContext *m_modelContext;
    QHash<QString, QPointer<AppIconData>> m_clientToAppMapping;
};
