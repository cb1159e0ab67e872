#pragma once
#include <QPointer>
#include <QWidget>

#include "integrations/AppStoreModel.h"
#include "model/AppCategory.h"
#include "store/StoreViewParts.h"

class QLabel;
class QScrollArea;
class StoreCardGrid;

// One row of the category browser's sidebar: the category's icon on a light badge and its
// name, as a full-width pill; a click anywhere on the row runs its action once.
class CategorySidebarItem : public StorePillButton {
    Q_OBJECT
public:
    CategorySidebarItem(const QString &title, const QString &icon, bool isSelected, std::function<void()> action,
                        QWidget *parent = nullptr);
    QString title() const { return text(); }
    QString icon() const { return m_icon; }

private:
    QString m_icon;
};

// The store's "Categories" tab: a sidebar of all 22 categories and, beside it, the selected
// category's name over a grid of its apps (small cards, 268 x 186, as many 268 pt columns as
// fit). The selection belongs to the page, starts at "Artificial Intelligence (AI)" and is
// reported as "app_store_category_selection" on every click.
class AppStoreCategoryView : public QWidget {
    Q_OBJECT
public:
    static constexpr int sidebarWidth = 300;
    static constexpr int cellWidth = 268;

    explicit AppStoreCategoryView(AppStoreModel *viewModel, QWidget *parent = nullptr);

    AppCategory selectedCategory() const { return m_selected; }
    void selectCategory(AppCategory category);
    // The apps of the selected category, in the model's order; a category text that names no
    // category counts as Productivity.
    QList<AppStoreData *> appsInSelectedCategory() const;
    static QList<AppStoreData *> appsInCategory(const QList<AppStoreData *> &apps, AppCategory category);

    QList<CategorySidebarItem *> sidebarItems() const { return m_items; }
    QLabel *titleLabel() const { return m_title; }
    QWidget *contentColumn() const { return m_column; }
    StoreCardGrid *grid() const { return m_grid; }
    QScrollArea *gridScrollArea() const { return m_gridScroll; }

private:
    void sync();

    QPointer<AppStoreModel> m_viewModel;
    AppCategory m_selected = AppCategory::ArtificialIntelligence;
    QList<CategorySidebarItem *> m_items;
    QWidget *m_column;
    QLabel *m_title;
    StoreCardGrid *m_grid;
    QScrollArea *m_gridScroll;
};
