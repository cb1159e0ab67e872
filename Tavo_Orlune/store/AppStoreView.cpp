#include "store/AppStoreView.h"
#include "Platform/Assets.h"
#include "analytics/AnalyticsService.h"
#include "store/AppStoreCategoryView.h"
#include "store/AppStoreHomeView.h"
#include "store/AppStoreSearchField.h"
#include "store/AppStoreSearchViewModel.h"
#include "store/AuthenticationPopupView.h"
#include "store/StoreViewParts.h"
#include "theme/BackgroundModifiers.h"
#include "theme/Color.h"
#include "theme/Fonts.h"
#include "theme/HoverScaleEffectModifier.h"
#include "theme/TavoButtonStyle.h"
#include "theme/TavoProgressView.h"
#include "theme/TemplateImage.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr int kSearchLeading = 64;
constexpr int kSearchButtonSide = 40;
constexpr int kProgressMaxWidth = 500;

struct TabInfo {
    const char *icon;
};
const TabInfo kTabIcons[] = {{"ic_menu_home"}, {"ic_menu_productivity"}, {"ic_menu_categories"}, {"ic_menu_installed"},
                             {"ic_menu_update"}};

// The card background behind the "No Results Found" state.
class CardBox : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        CardBackgroundModifier::paint(p, QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
};

// The "Browse Apps" button: a translucent pill that grows a little under the pointer.
class BrowseButton : public QPushButton {
public:
    explicit BrowseButton(QWidget *parent)
        : QPushButton(QObject::tr("Browse Apps"), parent)
    {
        setFont(Fonts::captionBoldFont());
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::NoFocus);
        const QSize text = fontMetrics().size(Qt::TextSingleLine, this->text());
        setFixedSize(text.width() + 40, text.height() + 24);
        TavoButtonStyle::apply(this);
        HoverScaleEffectModifier::apply(this, 1.05);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath pill;
        pill.addRoundedRect(QRectF(rect()), 20, 20);
        p.fillPath(pill, Color::hex(u"#FDFEFF", 0.4));
        p.setPen(Color::textPrimary());
        p.setFont(font());
        p.drawText(rect(), Qt::AlignCenter, text());
    }
};

QList<AppStoreData *> listFor(const AppStoreModel &model, int tab)
{
    switch (tab) {
    case 1:
        return model.productivityApps();
    case 3:
        return model.installedApps();
    case 4:
        return model.updatableApps();
    default:
        return {};
    }
}
}

const QStringList &AppStoreView::tabs()
{
    static const QStringList titles = {QStringLiteral("Home"), QStringLiteral("Productivity"), QStringLiteral("Categories"),
                                       QStringLiteral("Installed"), QStringLiteral("Updates")};
    return titles;
}

AppStoreView::AppStoreView(AppStoreModel *viewModel, QWidget *parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_search(new AppStoreSearchViewModel(this))
{
    if (!viewModel)
        qFatal("AppStoreView needs the store model");
    // The search starts from the catalog the model holds now; later lists follow its changes.
    m_lastAllApps = viewModel->allApps();
    m_search->updateAllApps(m_lastAllApps);

    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    buildHeader();
    v->addWidget(m_header);
    m_contentArea = new QWidget(this);
    auto *cv = new QVBoxLayout(m_contentArea);
    cv->setContentsMargins(0, 0, 0, 0);
    cv->setSpacing(0);
    v->addWidget(m_contentArea, 1);

    m_popup = new AuthenticationPopupView(viewModel, this);

    connect(viewModel, &AppStoreModel::allAppsChanged, this, [this] {
        const QList<AppStoreData *> apps = m_viewModel->allApps();
        if (apps != m_lastAllApps) {
            m_lastAllApps = apps;
            m_search->updateAllApps(apps);
        }
        syncHeader();
        syncContent();
    });
    for (auto signal : {&AppStoreModel::isLoadingChanged, &AppStoreModel::isInitialLoadCompleteChanged,
                        &AppStoreModel::isFreshInstallChanged}) {
        connect(viewModel, signal, this, [this] {
            syncHeader();
            syncContent();
        });
    }
    connect(viewModel, &AppStoreModel::loadingProgressChanged, this, &AppStoreView::syncProgress);
    for (auto signal : {&AppStoreModel::productivityAppsChanged, &AppStoreModel::installedAppsChanged,
                        &AppStoreModel::updatableAppsChanged})
        connect(viewModel, signal, this, &AppStoreView::syncGridPage);
    connect(m_search, &AppStoreSearchViewModel::isSearchActiveChanged, this, [this] {
        syncSearchControl();
        syncContent();
    });
    connect(m_search, &AppStoreSearchViewModel::searchTextChanged, this, [this] { syncContent(); });
    connect(m_search, &AppStoreSearchViewModel::searchResultsChanged, this, &AppStoreView::syncSearchResults);
    connect(m_search, &AppStoreSearchViewModel::isSearchingChanged, this, &AppStoreView::syncSearchResults);

    syncHeader();
    syncContent(true);
}

AppStoreView::~AppStoreView() = default;

void AppStoreView::buildHeader()
{
    m_header = new QWidget(this);
    m_header->setFixedHeight(headerHeight);
    auto *h = new QHBoxLayout(m_header);
    h->setContentsMargins(16, 0, 16, 0);
    h->setSpacing(16);

    m_searchSlot = new QWidget(m_header);
    auto *slot = new QHBoxLayout(m_searchSlot);
    slot->setContentsMargins(kSearchLeading, 0, 0, 0);
    slot->setSpacing(0);
    m_searchButton = new QToolButton(m_searchSlot);
    m_searchButton->setAutoRaise(true);
    m_searchButton->setFocusPolicy(Qt::NoFocus);
    m_searchButton->setCursor(Qt::PointingHandCursor);
    m_searchButton->setAccessibleName(tr("Search"));
    m_searchButton->setFixedSize(kSearchButtonSide, kSearchButtonSide);
    m_searchButton->setIconSize(QSize(kSearchButtonSide, kSearchButtonSide));
    m_searchButton->setIcon(QPixmap::fromImage(TemplateImage::tinted(QStringLiteral("ic_search"),
                                                                     QSizeF(kSearchButtonSide, kSearchButtonSide),
                                                                     Color::textPrimary(), devicePixelRatioF())));
    m_searchButton->setStyleSheet(QStringLiteral("QToolButton { border: none; background: transparent; }"));
    connect(m_searchButton, &QToolButton::clicked, this, &AppStoreView::openSearch);
    slot->addWidget(m_searchButton);
    h->addWidget(m_searchSlot, 0, Qt::AlignVCenter);
    h->addStretch(1);

    for (int i = 0; i < tabs().size(); ++i) {
        auto *button = new StorePillButton(QString::fromLatin1(kTabIcons[i].icon), tr(qPrintable(tabs().at(i))),
                                           {28, 0, 36, false}, m_header);
        button->setSelected(i == m_selectedTab);
        // One click is one selection: the button's own click, and nothing else on top of it.
        connect(button, &QAbstractButton::clicked, this, [this, i] { selectTab(i); });
        m_tabButtons.append(button);
        h->addWidget(button, 0, Qt::AlignVCenter);
    }
    h->addStretch(1);
}

void AppStoreView::openSearch()
{
    m_search->setSearchActive(true);
}

void AppStoreView::selectTab(int index)
{
    if (index < 0 || index >= tabs().size())
        return;
    m_selectedTab = index;
    for (int i = 0; i < m_tabButtons.size(); ++i)
        m_tabButtons.at(i)->setSelected(i == index);
    AnalyticsService::shared().trackAppStoreTabNavigation(tabs().at(index));
    if (m_search->isSearchActive())
        m_search->clearSearch();
    syncContent();
}

bool AppStoreView::isHeaderShown() const
{
    return !m_header->isHidden();
}

void AppStoreView::syncHeader()
{
    if (!m_viewModel)
        return;
    m_header->setHidden(m_viewModel->allApps().isEmpty() && !m_viewModel->isInitialLoadComplete());
}

void AppStoreView::syncSearchControl()
{
    const bool active = m_search->isSearchActive();
    m_searchButton->setHidden(active);
    if (active && !m_searchField) {
        // A new field at every opening, so it takes the focus each time.
        m_searchField = new AppStoreSearchField(m_search, m_searchSlot);
        m_searchSlot->layout()->addWidget(m_searchField);
        m_searchField->show();
    } else if (!active && m_searchField) {
        // The field may be closing itself from its own clear button.
        m_searchField->hide();
        m_searchField->deleteLater();
        m_searchField = nullptr;
    }
}

AppStoreView::Content AppStoreView::contentFor(bool isFreshInstall, bool isLoading, bool isInitialLoadComplete,
                                                bool allAppsEmpty, bool isSearchActive, const QString &searchText)
{
    if (isFreshInstall && isLoading && !isInitialLoadComplete)
        return Content::LoadingProgress;
    if (allAppsEmpty && !isLoading)
        return Content::EmptyCatalog;
    if (isSearchActive && !searchText.isEmpty())
        return Content::SearchResults;
    return Content::Tab;
}

QString AppStoreView::percentageText(double progress)
{
    return QString::number(int(progress * 100)) + QLatin1Char('%');
}

void AppStoreView::syncContent(bool force)
{
    if (!m_viewModel)
        return;
    const Content rule = contentFor(m_viewModel->isFreshInstall(), m_viewModel->isLoading(),
                                    m_viewModel->isInitialLoadComplete(), m_viewModel->allApps().isEmpty(),
                                    m_search->isSearchActive(), m_search->searchText());
    if (!force && rule == m_content && (rule != Content::Tab || m_contentTab == m_selectedTab))
        return;
    if (m_contentWidget) {
        m_contentWidget->hide();
        m_contentWidget->deleteLater();
    }
    m_grid = nullptr;
    m_gridSection = nullptr;
    m_gridEmpty = nullptr;
    m_resultCount = nullptr;
    m_resultsEmpty = nullptr;
    m_progress = nullptr;
    m_percentage = nullptr;
    m_content = rule;
    m_contentTab = rule == Content::Tab ? m_selectedTab : -1;
    switch (rule) {
    case Content::LoadingProgress:
        m_contentWidget = buildLoading();
        break;
    case Content::EmptyCatalog:
        m_contentWidget = buildEmptyInstalled();
        break;
    case Content::SearchResults:
        m_contentWidget = buildSearchResults();
        break;
    case Content::Tab:
        m_contentWidget = buildTabPage(m_selectedTab);
        break;
    }
    m_contentArea->layout()->addWidget(m_contentWidget);
    m_contentWidget->show();
    m_popup->raise();
}

QWidget *AppStoreView::buildLoading()
{
    auto *page = new QWidget(m_contentArea);
    auto *outer = new QVBoxLayout(page);
    outer->setContentsMargins(24, 24, 24, 24);
    outer->setAlignment(Qt::AlignCenter);
    auto *box = new QWidget(page);
    box->setMaximumWidth(kProgressMaxWidth);
    box->setMinimumWidth(kProgressMaxWidth / 2);
    auto *v = new QVBoxLayout(box);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(8);
    m_progress = new TavoProgressView(box);
    m_progress->setStyle({true, false, true});
    m_progress->setFixedHeight(20);
    v->addWidget(m_progress);
    QFont font = Fonts::bodyFont();
    font.setWeight(QFont::Medium);
    m_percentage = StoreViewParts::label(QString(), font, StoreViewParts::withOpacity(Color::textPrimary(), 0.7), box);
    m_percentage->setAlignment(Qt::AlignHCenter);
    v->addWidget(m_percentage);
    outer->addWidget(box);
    syncProgress();
    return page;
}

void AppStoreView::syncProgress()
{
    if (!m_progress || !m_viewModel)
        return;
    const double progress = m_viewModel->loadingProgress();
    m_progress->setFractionCompleted(progress);
    m_percentage->setText(percentageText(progress));
}

QWidget *AppStoreView::buildEmptyInstalled()
{
    QWidget *state = StoreViewParts::emptyState(QStringLiteral("square.and.arrow.down"), tr("No Installed Apps"),
                                                tr("Apps you install will appear here"), m_contentArea);
    auto *browse = new BrowseButton(state);
    // Back to Home, quietly: no animation and no navigation event.
    connect(browse, &QPushButton::clicked, this, [this] {
        m_selectedTab = 0;
        for (int i = 0; i < m_tabButtons.size(); ++i)
            m_tabButtons.at(i)->setSelected(i == 0);
        syncContent();
    });
    state->layout()->addWidget(browse);
    static_cast<QVBoxLayout *>(state->layout())->setAlignment(browse, Qt::AlignHCenter);
    return state;
}

QWidget *AppStoreView::buildTabPage(int index)
{
    switch (index) {
    case 0: {
        auto *home = new AppStoreHomeView(m_viewModel, columns(), m_contentArea);
        home->setObjectName(QStringLiteral("home"));
        return home;
    }
    case 2: {
        auto *categories = new AppStoreCategoryView(m_viewModel, m_contentArea);
        categories->setObjectName(QStringLiteral("categories"));
        return categories;
    }
    default:
        return buildGridPage(index);
    }
}

QWidget *AppStoreView::buildGridPage(int index)
{
    auto *page = new QWidget(m_contentArea);
    auto *outer = new QVBoxLayout(page);
    outer->setContentsMargins(24, 0, 24, 0);
    QScrollArea *scroll = StoreViewParts::verticalScrollArea(page);
    outer->addWidget(scroll);
    auto *content = new QWidget;
    content->setAttribute(Qt::WA_TranslucentBackground);
    auto *stack = new QVBoxLayout(content);
    stack->setContentsMargins(0, 16, 0, 0);
    stack->setSpacing(20);
    stack->setAlignment(Qt::AlignTop);

    static const QString titles[5] = {QString(), QStringLiteral("Productivity"), QString(), QStringLiteral("Installed Apps"),
                                      QStringLiteral("Updates")};
    m_gridSection = new QWidget(content);
    auto *section = new QVBoxLayout(m_gridSection);
    section->setContentsMargins(0, 0, 0, 0);
    section->setSpacing(0);
    QLabel *title = StoreViewParts::label(tr(qPrintable(titles[index])), Fonts::storeTitleFont(), Color::textPrimary(),
                                          m_gridSection);
    title->setContentsMargins(32, 0, 32, 4);
    section->addWidget(title);
    auto *gridBox = new QWidget(m_gridSection);
    auto *gridLayout = new QVBoxLayout(gridBox);
    gridLayout->setContentsMargins(8, 0, 8, 0);
    m_grid = new StoreCardGrid(m_viewModel, AppCardSize::Large, false, index == 1 ? columns() : listColumns(), 16,
                               StoreCardGrid::Flow::Grid, gridBox);
    m_grid->watch(scroll);
    gridLayout->addWidget(m_grid);
    section->addWidget(gridBox);
    stack->addWidget(m_gridSection);

    if (index == 3)
        m_gridEmpty = buildEmptyInstalled();
    else if (index == 4)
        m_gridEmpty = StoreViewParts::emptyState(QStringLiteral("arrow.clockwise"), tr("No Updates Available"),
                                                 tr("All of your apps are up to date"));
    else
        m_gridEmpty = nullptr;
    if (m_gridEmpty) {
        m_gridEmpty->setParent(content);
        stack->addWidget(m_gridEmpty);
    }
    scroll->setWidget(content);
    syncGridPage();
    return page;
}

void AppStoreView::syncGridPage()
{
    if (!m_viewModel || m_content != Content::Tab || !m_grid || (m_contentTab != 1 && m_contentTab != 3 && m_contentTab != 4))
        return;
    static const QString prefixes[5] = {QString(), QStringLiteral("productivity-tab-"), QString(),
                                        QStringLiteral("installed-"), QStringLiteral("updates-")};
    const QList<AppStoreData *> apps = listFor(*m_viewModel, m_contentTab);
    m_grid->setApps(apps, prefixes[m_contentTab]);
    // Productivity keeps its title over an empty grid; the other two show their empty state.
    const bool empty = apps.isEmpty() && m_gridEmpty;
    m_gridSection->setHidden(empty);
    if (m_gridEmpty)
        m_gridEmpty->setHidden(!empty);
}

QWidget *AppStoreView::buildSearchResults()
{
    auto *page = new QWidget(m_contentArea);
    auto *outer = new QVBoxLayout(page);
    outer->setContentsMargins(24, 0, 24, 0);
    QScrollArea *scroll = StoreViewParts::verticalScrollArea(page);
    outer->addWidget(scroll);
    auto *content = new QWidget;
    content->setAttribute(Qt::WA_TranslucentBackground);
    auto *stack = new QVBoxLayout(content);
    stack->setContentsMargins(0, 16, 0, 0);
    stack->setSpacing(0);
    stack->setAlignment(Qt::AlignTop);

    auto *header = new QWidget(content);
    auto *h = new QHBoxLayout(header);
    h->setContentsMargins(32, 0, 32, 8);
    h->addWidget(StoreViewParts::label(tr("Search Results"), Fonts::storeTitleFont(), Color::textPrimary(), header));
    h->addStretch(1);
    m_resultCount = StoreViewParts::label(QString(), Fonts::smallFont(),
                                          StoreViewParts::withOpacity(Color::textPrimary(), 0.6), header);
    h->addWidget(m_resultCount);
    stack->addWidget(header);

    m_gridSection = new QWidget(content);
    auto *gridLayout = new QVBoxLayout(m_gridSection);
    gridLayout->setContentsMargins(8, 0, 8, 24);
    m_grid = new StoreCardGrid(m_viewModel, AppCardSize::Large, false, columns(), 16, StoreCardGrid::Flow::Grid,
                               m_gridSection);
    m_grid->watch(scroll);
    gridLayout->addWidget(m_grid);
    stack->addWidget(m_gridSection);

    auto *emptyBox = new CardBox(content);
    auto *emptyLayout = new QVBoxLayout(emptyBox);
    emptyLayout->setContentsMargins(0, 0, 0, 0);
    emptyLayout->addWidget(StoreViewParts::emptyState(QStringLiteral("magnifyingglass"), tr("No Results Found"),
                                                      tr("Try searching with different keywords"), emptyBox));
    m_resultsEmpty = emptyBox;
    stack->addWidget(emptyBox);
    scroll->setWidget(content);
    syncSearchResults();
    return page;
}

void AppStoreView::syncSearchResults()
{
    if (m_content != Content::SearchResults || !m_grid || !m_resultCount)
        return;
    const QList<AppStoreData *> results = m_search->searchResults();
    m_resultCount->setText(QString::number(results.size()) + tr(" results"));
    m_grid->setApps(results, QStringLiteral("search-result-"));
    // While a search is pending the grid stays (empty or with the previous results).
    const bool showGrid = !results.isEmpty() || m_search->isSearching();
    m_gridSection->setHidden(!showGrid);
    m_resultsEmpty->setHidden(showGrid);
}

AppStoreHomeView *AppStoreView::homeView() const
{
    return qobject_cast<AppStoreHomeView *>(m_contentWidget);
}

AppStoreCategoryView *AppStoreView::categoryView() const
{
    return qobject_cast<AppStoreCategoryView *>(m_contentWidget);
}

QStringList AppStoreView::contentTexts() const
{
    QStringList out;
    if (!m_contentWidget)
        return out;
    for (QLabel *l : m_contentWidget->findChildren<QLabel *>())
        if (!l->text().isEmpty() && l->isVisibleTo(m_contentWidget))
            out << l->text();
    return out;
}

void AppStoreView::paintEvent(QPaintEvent *)
{
    QPainter(this).fillRect(rect(), Color::appBackground());
}

void AppStoreView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_popup->raise();
}
