#include "categories/CategoryViewModel.h"
#include "model/CategoryData.h"
#include "model/TaskData.h"
#include "Platform/Log.h"
#include "Platform/NotificationCenter.h"
#include "Platform/Scheduler.h"
#include "Platform/Store/ModelContext.h"
#include "Platform/Store/StoreError.h"

#include <QPointer>
#include <exception>
#include <utility>

namespace {
// The description of whatever the service or the store threw.
QString describe(std::exception_ptr failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const CategoryServiceError &e) {
        return e.localizedDescription();
    } catch (const StoreError &e) {
        return e.localizedDescription();
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

QString numberDescription(double v)
{
    QString text = QString::number(v, 'g', QLocale::FloatingPointShortest);
    if (!text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char('e')) && !text.contains(QLatin1String("inf"))
        && !text.contains(QLatin1String("nan")))
        text += QStringLiteral(".0");
    return text;
}

// Each operation is one step on a later main-thread turn, in the order the calls came; the
// step is dropped when the view model is gone.
void later(CategoryViewModel *self, std::function<void(CategoryViewModel *)> step)
{
    QPointer<CategoryViewModel> guard(self);
    MainQueue::post(self, [guard, step = std::move(step)] {
        if (guard)
            step(guard.data());
    });
}
}

CategoryViewModel::CategoryViewModel(ModelContext *modelContext, QObject *parent)
    : QObject(parent)
    , m_categoryService(modelContext)
{
    loadCategories();
}

CategoryViewModel::~CategoryViewModel() = default;

QString CategoryViewModel::pointDescription(const QPointF &point)
{
    return QStringLiteral("(%1, %2)").arg(numberDescription(point.x()), numberDescription(point.y()));
}

void CategoryViewModel::setSelectedCategoryId(std::optional<QUuid> id)
{
    if (m_selectedCategoryId == id)
        return;
    m_selectedCategoryId = id;
    Q_EMIT selectedCategoryIdChanged();
}

void CategoryViewModel::setCategories(const QList<CategoryData *> &categories)
{
    m_categories = categories;
    Q_EMIT categoriesChanged();
}

void CategoryViewModel::fail(const QString &description)
{
    m_error = description;
    Q_EMIT errorChanged();
}

CategoryData *CategoryViewModel::find(const QUuid &id) const
{
    for (CategoryData *category : m_categories) {
        if (category->id() == id)
            return category;
    }
    return nullptr;
}

void CategoryViewModel::loadCategories()
{
    later(this, [](CategoryViewModel *self) {
        try {
            self->setCategories(self->m_categoryService.fetchCategories());
        } catch (...) {
            self->fail(describe(std::current_exception()));
            return;
        }
        self->m_hasLoaded = true;
        self->applyPendingPositions();
    });
}

void CategoryViewModel::createCategory(const QString &name, double x, double y)
{
    later(this, [name, x, y](CategoryViewModel *self) {
        CategoryData *created = nullptr;
        try {
            created = self->m_categoryService.createCategory(name, x, y);
        } catch (...) {
            const QString description = describe(std::current_exception());
            Log::line(QStringLiteral("❌ Failed to create category '%1': %2").arg(name, description));
            self->fail(description);
            Q_EMIT self->categoryCreationFailed(name);
            return;
        }
        QList<CategoryData *> categories = self->m_categories;
        categories.append(created);
        self->setCategories(categories);
        Log::line(QStringLiteral("✅ Category created: '%1' at position %2").arg(name, pointDescription(QPointF(x, y))));
        Q_EMIT self->categoryCreated(created);
    });
}

void CategoryViewModel::updateCategoryPosition(const CategoryModel &category, double x, double y)
{
    CategoryData *found = find(category.id);
    if (!found) {
        // A drag that ends before the list is there would otherwise be lost; the latest
        // position per column is stored once the first load has completed.
        if (!m_hasLoaded) {
            if (!m_pendingPositions.contains(category.id))
                m_pendingOrder.append(category.id);
            m_pendingPositions.insert(category.id, QPointF(x, y));
        }
        return;
    }
    storePosition(found, category.id, x, y);
}

void CategoryViewModel::storePosition(CategoryData *category, const QUuid &id, double x, double y)
{
    QPointer<CategoryData> target(category);
    later(this, [target, id, x, y](CategoryViewModel *self) {
        if (!target)
            return;
        try {
            self->m_categoryService.updateCategoryPosition(target, x, y);
        } catch (...) {
            const QString description = describe(std::current_exception());
            Log::line(QStringLiteral("❌ Failed to update category position: ") + description);
            self->fail(description);
            return;
        }
        if (CategoryData *still = self->find(id))
            still->setPosition(QPointF(x, y));
    });
}

void CategoryViewModel::applyPendingPositions()
{
    const QList<QUuid> order = std::exchange(m_pendingOrder, {});
    const QHash<QUuid, QPointF> positions = std::exchange(m_pendingPositions, {});
    for (const QUuid &id : order) {
        if (CategoryData *category = find(id))
            storePosition(category, id, positions.value(id).x(), positions.value(id).y());
    }
}

void CategoryViewModel::renameCategory(const QUuid &id, const QString &newTitle)
{
    qsizetype index = -1;
    for (qsizetype i = 0; i < m_categories.size(); ++i) {
        if (m_categories[i]->id() == id) {
            index = i;
            break;
        }
    }
    if (index < 0)
        return;
    QPointer<CategoryData> entry(m_categories[index]);
    later(this, [entry, id, newTitle, index](CategoryViewModel *self) {
        if (!entry)
            return;
        const QString oldTitle = entry->title();
        entry->setTitle(newTitle);
        try {
            self->m_categoryService.modelContext()->save();
        } catch (...) {
            // The store keeps the old title, so the object (and every view of it) goes back to
            // it rather than show a title that a restart would undo.
            entry->setTitle(oldTitle);
            self->fail(describe(std::current_exception()));
            return;
        }
        if (index < self->m_categories.size() && self->m_categories[index]->id() == id)
            self->m_categories[index]->setTitle(newTitle);
    });
}

void CategoryViewModel::deleteCategory(const QUuid &id)
{
    CategoryData *found = find(id);
    if (!found)
        return;
    QPointer<CategoryData> target(found);
    later(this, [target, id](CategoryViewModel *self) {
        if (!target)
            return;
        try {
            self->m_categoryService.deleteCategory(target);
        } catch (...) {
            self->fail(describe(std::current_exception()));
            return;
        }
        QList<CategoryData *> remaining;
        for (CategoryData *category : std::as_const(self->m_categories)) {
            if (category->id() != id)
                remaining.append(category);
        }
        self->setCategories(remaining);
        NotificationCenter::defaultCenter().post(QStringLiteral("categoryDeleted"), {}, {{QStringLiteral("categoryId"), QVariant::fromValue(id)}});
    });
}

void CategoryViewModel::moveTask(const QUuid &taskId, const QUuid &categoryId)
{
    later(this, [taskId, categoryId](CategoryViewModel *self) {
        CategoryService &service = self->m_categoryService;
        try {
            CategoryData *target = service.fetchCategory(categoryId);
            if (!target)
                return;
            TaskData *task = nullptr;
            for (CategoryData *category : service.fetchCategories()) {
                for (TaskData *candidate : category->tasks()) {
                    if (candidate->id() == taskId) {
                        task = candidate;
                        break;
                    }
                }
                if (task)
                    break;
            }
            if (!task)
                return;
            service.moveTask(task, target);
        } catch (...) {
            self->fail(describe(std::current_exception()));
            return;
        }
        self->loadCategories();
    });
}
