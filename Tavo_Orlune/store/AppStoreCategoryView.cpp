#include "store/AppStoreCategoryView.h"
#include "analytics/AnalyticsService.h"
#include "store/StoreCardGrid.h"
#include "theme/Color.h"
#include "theme/Fonts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

CategorySidebarItem::CategorySidebarItem(const QString &title, const QString &icon, bool isSelected,
                                         std::function<void()> action, QWidget *parent)
    : StorePillButton(icon, title, {20, 40, 48, true}, parent)
    , m_icon(icon)
{
    setSelected(isSelected);
    // The whole row is the button: one click, one action.
    connect(this, &QAbstractButton::clicked, this, [action = std::move(action)] { action(); });
}

AppStoreCategoryView::AppStoreCategoryView(AppStoreModel *viewModel, QWidget *parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
{
    if (!viewModel)
        qFatal("AppStoreCategoryView needs the store model");
    auto *h = new QHBoxLayout(this);
    h->setContentsMargins(24, 16, 24, 0);
    h->setSpacing(20);

    // Sidebar: every category, in declaration order, whether or not it has apps.
    auto *sidebar = new StoreRoundedPanel(this);
    sidebar->setFixedWidth(sidebarWidth);
    auto *sideLayout = new QVBoxLayout(sidebar);
    sideLayout->setContentsMargins(0, 24, 0, 0);
    QScrollArea *sideScroll = StoreViewParts::verticalScrollArea(sidebar);
    auto *list = new QWidget;
    list->setAttribute(Qt::WA_TranslucentBackground);
    auto *listLayout = new QVBoxLayout(list);
    listLayout->setContentsMargins(20, 0, 20, 20);
    listLayout->setSpacing(16);
    listLayout->setAlignment(Qt::AlignTop);
    for (AppCategory category : allAppCategories()) {
        auto *item = new CategorySidebarItem(rawValue(category), iconName(category), category == m_selected,
                                             [this, category] { selectCategory(category); }, list);
        m_items.append(item);
        listLayout->addWidget(item);
    }
    sideScroll->setWidget(list);
    sideLayout->addWidget(sideScroll);
    auto *sideBox = new QWidget(this);
    auto *sideBoxLayout = new QVBoxLayout(sideBox);
    sideBoxLayout->setContentsMargins(0, 0, 0, 40);
    sideBoxLayout->addWidget(sidebar);
    h->addWidget(sideBox);

    // Content column. Its texts carry the theme's text colour: a column-wide transparent
    // default would leave every text that sets no colour of its own invisible.
    m_column = new StoreRoundedPanel(this);
    QPalette palette = m_column->palette();
    palette.setColor(QPalette::WindowText, Color::textPrimary());
    palette.setColor(QPalette::Text, Color::textPrimary());
    m_column->setPalette(palette);
    auto *col = new QVBoxLayout(m_column);
    col->setContentsMargins(0, 0, 0, 0);
    col->setSpacing(16);
    m_title = StoreViewParts::label(QString(), Fonts::storeTitleFont(), Color::textPrimary(), m_column);
    m_title->setContentsMargins(0, 20, 0, 0);
    m_title->setAlignment(Qt::AlignHCenter);
    col->addWidget(m_title);
    col->addWidget(new StoreFillRect(Qt::white, 1, m_column));
    m_gridScroll = StoreViewParts::verticalScrollArea(m_column);
    auto *gridBox = new QWidget;
    gridBox->setAttribute(Qt::WA_TranslucentBackground);
    auto *gridLayout = new QVBoxLayout(gridBox);
    gridLayout->setContentsMargins(20, 20, 20, 40);
    gridLayout->setAlignment(Qt::AlignTop);
    m_grid = new StoreCardGrid(viewModel, AppCardSize::Small, false, {cellWidth, cellWidth, 20}, 20,
                               StoreCardGrid::Flow::Grid, gridBox);
    gridLayout->addWidget(m_grid);
    m_gridScroll->setWidget(gridBox);
    m_grid->watch(m_gridScroll);
    col->addWidget(m_gridScroll, 1);
    auto *colBox = new QWidget(this);
    auto *colBoxLayout = new QVBoxLayout(colBox);
    colBoxLayout->setContentsMargins(0, 0, 0, 40);
    colBoxLayout->addWidget(m_column);
    h->addWidget(colBox, 1);

    connect(viewModel, &AppStoreModel::allAppsChanged, this, &AppStoreCategoryView::sync);
    sync();
}

void AppStoreCategoryView::selectCategory(AppCategory category)
{
    m_selected = category;
    sync();
    AnalyticsService::shared().trackAppStoreCategorySelection(rawValue(category));
}

QList<AppStoreData *> AppStoreCategoryView::appsInCategory(const QList<AppStoreData *> &apps, AppCategory category)
{
    QList<AppStoreData *> out;
    for (AppStoreData *app : apps)
        if (app && appCategoryFromRaw(app->category()).value_or(AppCategory::Productivity) == category)
            out.append(app);
    return out;
}

QList<AppStoreData *> AppStoreCategoryView::appsInSelectedCategory() const
{
    return m_viewModel ? appsInCategory(m_viewModel->allApps(), m_selected) : QList<AppStoreData *>();
}

void AppStoreCategoryView::sync()
{
    const QString name = rawValue(m_selected);
    m_title->setText(name);
    for (CategorySidebarItem *item : m_items)
        item->setSelected(item->title() == name);
    m_grid->setApps(appsInSelectedCategory(), QStringLiteral("category-") + name + QLatin1Char('-'));
}
