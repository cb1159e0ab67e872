#pragma once
#include "model/DatabaseService.h"
#include "Platform/Store/StoreError.h"

#include <optional>

class ModelContainer;
class ModelContext;

// The database service's error. It has no message texts of its own: a case and its payload.
class DatabaseError : public std::exception {
public:
    enum class Kind { FetchFailed, AddFailed, DeleteFailed, UpdateFailed, TaskNotFound, AppStoreItemNotFound };
    DatabaseError(Kind kind, std::optional<StoreError> underlying = std::nullopt) : m_kind(kind), m_underlying(std::move(underlying)) {}
    Kind kind() const { return m_kind; }
    const std::optional<StoreError> &underlying() const { return m_underlying; }
    const char *what() const noexcept override { return m_underlying ? m_underlying->what() : "DatabaseError"; }
    // The error has no texts of its own, so users read the generic text that names its case.
    QString localizedDescription() const;

private:
    Kind m_kind;
    std::optional<StoreError> m_underlying;
};

// Store queries for integration-store rows over a context of its own (autosave on), made on
// the container it is given. Rows it returns belong to that context; callers may also insert
// rows into context(), which the autosave writes. Main thread only.
class SwiftDataService : public DatabaseService {
public:
    explicit SwiftDataService(ModelContainer *modelContainer);
    ~SwiftDataService() override;

    ModelContainer *modelContainer() const { return m_modelContainer; }
    ModelContext *context() const { return m_context; }

    QList<AppStoreData *> fetchAppStoreItems(const QList<SortDescriptor> &sortBy, const Predicate &predicate = {}) override;
    AppStoreData *fetchAppStoreItem(const QUuid &id) override;
    AppStoreData *findAppByCatalogId(const QString &catalogId) override;

private:
    ModelContainer *m_modelContainer;
    ModelContext *m_context;
};
