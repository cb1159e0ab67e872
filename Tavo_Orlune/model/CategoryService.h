#pragma once
#include <QList>
#include <QString>
#include <QUuid>
#include <exception>

class CategoryData;
class ModelContext;
class TaskData;

// The category service's own error: a reserved name. Its description is its message.
class CategoryServiceError : public std::exception {
public:
    enum class Kind { ReservedName };
    static CategoryServiceError reservedName(const QString &message) { return CategoryServiceError(Kind::ReservedName, message); }
    Kind kind() const { return m_kind; }
    QString localizedDescription() const { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    CategoryServiceError(Kind kind, const QString &message) : m_kind(kind), m_message(message), m_utf8(message.toUtf8()) {}
    Kind m_kind;
    QString m_message;
    QByteArray m_utf8;
};

// Operations on canvas categories and on the tasks in them, over the context its caller hands
// it (the main context). Every operation saves; store failures are thrown on as StoreError and
// leave their changes pending in the context.
class CategoryService {
public:
    explicit CategoryService(ModelContext *modelContext);
    ModelContext *modelContext() const { return m_modelContext; }

    // "All Tasks" in any letter case (not trimmed) is reserved.
    static bool isReservedName(const QString &name);

    QList<CategoryData *> fetchCategories();
    CategoryData *createCategory(const QString &name, double x, double y);
    void updateCategoryPosition(CategoryData *category, double x, double y);
    void deleteCategory(CategoryData *category);
    CategoryData *fetchCategory(const QUuid &id);
    void moveTask(TaskData *task, CategoryData *target);

private:
    ModelContext *m_modelContext;
};
