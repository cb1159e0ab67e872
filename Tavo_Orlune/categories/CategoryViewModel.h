#pragma once
#include "model/CategoryModel.h"
#include "model/CategoryService.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QString>
#include <QUuid>
#include <optional>

class CategoryData;
class ModelContext;

// The layer through which the canvas and the category columns change categories: create,
// move, rename, delete, and move tasks between them. Every operation returns at once and does
// its work on a later turn of the main thread; callers learn the outcome only through the
// store, the fields below (with their change signals), "categoryDeleted" and the creation
// signals. Main thread only.
class CategoryViewModel : public QObject {
    Q_OBJECT
public:
    // Loads the category list on the next turn; until then categories() is empty.
    explicit CategoryViewModel(ModelContext *modelContext, QObject *parent = nullptr);
    ~CategoryViewModel() override;

    CategoryService &categoryService() { return m_categoryService; }
    // Live objects of the service's context: oldest first after a load, created ones appended.
    const QList<CategoryData *> &categories() const { return m_categories; }
    std::optional<QUuid> selectedCategoryId() const { return m_selectedCategoryId; }
    void setSelectedCategoryId(std::optional<QUuid> id);
    // The description of the last failure of any operation; nothing clears it.
    const std::optional<QString> &error() const { return m_error; }
    // True once a load has replaced the list.
    bool hasLoaded() const { return m_hasLoaded; }

    void loadCategories();
    void createCategory(const QString &name, double x, double y);
    // Only the snapshot's id is used. A drag that ends before the first load has completed is
    // kept and stored once the list is there.
    Q_INVOKABLE void updateCategoryPosition(const CategoryModel &category, double x, double y);
    void renameCategory(const QUuid &id, const QString &newTitle);
    void deleteCategory(const QUuid &id);
    void moveTask(const QUuid &taskId, const QUuid &categoryId);

    // Swift-like text of a point, "(2240.0, 1540.0)", as the console lines write it.
    static QString pointDescription(const QPointF &point);

Q_SIGNALS:
    void categoriesChanged();
    void selectedCategoryIdChanged();
    void errorChanged();
    // The outcome of one createCategory: the stored category, or the name that failed.
    void categoryCreated(CategoryData *category);
    void categoryCreationFailed(const QString &name);

private:
    void setCategories(const QList<CategoryData *> &categories);
    void fail(const QString &description);
    CategoryData *find(const QUuid &id) const;
    void storePosition(CategoryData *category, const QUuid &id, double x, double y);
    void applyPendingPositions();

    CategoryService m_categoryService;
    QList<CategoryData *> m_categories;
    std::optional<QUuid> m_selectedCategoryId;
    std::optional<QString> m_error;
    bool m_hasLoaded = false;
    // Column drags that ended before the first load: the last position per category id.
    QHash<QUuid, QPointF> m_pendingPositions;
    QList<QUuid> m_pendingOrder;
};
