#pragma once
#include "Platform/Store/ModelChanges.h"
#include "Platform/Store/StoreSchema.h"

#include <QObject>
#include <QPointer>

class ModelContext;

struct ModelConfiguration {
    QString filePath;   // the store file; ignored when inMemory
    bool inMemory = false;
    int busyTimeoutMs = 5000; // how long a write waits for another connection's lock
};

// One store (a SQLite file, or a private in-memory database) opened under one schema.
// See ModelContext.h for how to use it.
class ModelContainer : public QObject {
    Q_OBJECT
public:
    // Opens the store, creating it when missing. Throws StoreError when the file is not a
    // store (damaged, not a database) or was written under another schema or version.
    ModelContainer(const Schema &schema, const ModelConfiguration &configuration, QObject *parent = nullptr);
    ~ModelContainer() override;

    const Schema &schema() const { return m_schema; }
    const ModelConfiguration &configuration() const { return m_configuration; }
    QString storeIdentifier() const { return m_storeIdentifier; }

    // The context of the container's own thread, made on first use.
    ModelContext *mainContext();

    // For contexts: how to open one more connection to this store.
    QString databaseName() const { return m_databaseName; }
    QString connectOptions() const;
    void announceSave(quintptr source, const ModelChanges &changes);

Q_SIGNALS:
    // After every successful save of any context on this container.
    void contextDidSave(quintptr source, const ModelChanges &changes);

private:
    void createOrVerifySchema();
    Schema m_schema;
    ModelConfiguration m_configuration;
    QString m_storeIdentifier;
    QString m_databaseName;
    QString m_keeperConnection;
    QPointer<ModelContext> m_mainContext;
};
