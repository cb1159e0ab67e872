#pragma once
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include "integrations/AppStoreModel.h"
#include "store/StoreCardGrid.h"
#include "theme/TavoProgressView.h"

#include <QLabel>

class AppStoreCategoryView;
class AppStoreHomeView;
class AppStoreSearchField;
class AppStoreSearchViewModel;
class AuthenticationPopupView;

class QScrollArea;
class QToolButton;
class StorePillButton;


// The whole content of the integration store: a header with the search control and five
// tabs, and one content area showing (first rule that holds) the first-load progress, the
// empty catalog, the search results, or the selected tab's page; the authorization popup lies
// over everything. The store window and the canvas's store overlay each make one.
//
// The selected tab and the search state live as long as this view. Main thread only.
class AppStoreView : public QWidget {
    Q_OBJECT
public:
    enum class Content { LoadingProgress, EmptyCatalog, SearchResults, Tab };
    Q_ENUM(Content)
    static const QStringList &tabs();
    static StoreCardGrid::Columns columns() { return {220, 280, 16}; }
    static StoreCardGrid::Columns listColumns() { return {224, 224, 16}; }
    static constexpr int headerHeight = 108;

    // The model is required and outlives nothing: the view only reads it and calls it.
    explicit AppStoreView(AppStoreModel *viewModel, QWidget *parent = nullptr);
    ~AppStoreView() override;

    AppStoreModel *viewModel() const { return m_viewModel; }
    AppStoreSearchViewModel *searchViewModel() const { return m_search; }

    int selectedTab() const { return m_selectedTab; }
    // The tab buttons' step: selects, reports "app_store_tab_navigation" and closes an open
    // search; it runs also for the tab already selected.
    void selectTab(int index);
    // The header's search button: opens the search field.
    void openSearch();

    // Which of the content rules holds for the given state.
    static Content contentFor(bool isFreshInstall, bool isLoading, bool isInitialLoadComplete, bool allAppsEmpty,
                              bool isSearchActive, const QString &searchText);
    // The percentage under the first-load progress bar: whole percent, fraction dropped.
    static QString percentageText(double progress);

    Content content() const { return m_content; }
    bool isHeaderShown() const;
    QList<StorePillButton *> tabButtons() const { return m_tabButtons; }
    QToolButton *searchButton() const { return m_searchButton; }
    AppStoreSearchField *searchField() const { return m_searchField; }
    QWidget *contentWidget() const { return m_contentWidget; }
    // The cards of what is shown: the search results or the selected grid page.
    StoreCardGrid *currentGrid() const { return m_grid; }
    AppStoreHomeView *homeView() const;
    AppStoreCategoryView *categoryView() const;
    QLabel *percentageLabel() const { return m_percentage; }
    TavoProgressView *progressView() const { return m_progress; }
    // Texts shown in the content area (titles, empty states, result count), top to bottom.
    QStringList contentTexts() const;
    AuthenticationPopupView *authenticationPopup() const { return m_popup; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildHeader();
    void syncHeader();
    void syncSearchControl();
    void syncContent(bool force = false);
    void syncProgress();
    void syncGridPage();
    void syncSearchResults();
    QWidget *buildLoading();
    QWidget *buildEmptyInstalled();
    QWidget *buildSearchResults();
    QWidget *buildTabPage(int index);
    QWidget *buildGridPage(int index);

    QPointer<AppStoreModel> m_viewModel;
    AppStoreSearchViewModel *m_search;
    int m_selectedTab = 0;

    QWidget *m_header = nullptr;
    QWidget *m_searchSlot = nullptr;
    QToolButton *m_searchButton = nullptr;
    AppStoreSearchField *m_searchField = nullptr;
    QList<StorePillButton *> m_tabButtons;

    QWidget *m_contentArea = nullptr;
    QWidget *m_contentWidget = nullptr;
    Content m_content = Content::Tab;
    int m_contentTab = -1;
    bool m_built = false;

    // Parts of the page currently shown (null when another is).
    QPointer<StoreCardGrid> m_grid;
    QPointer<QWidget> m_gridSection;
    QPointer<QWidget> m_gridEmpty;
    QPointer<QLabel> m_resultCount;
    QPointer<QWidget> m_resultsEmpty;
    QPointer<TavoProgressView> m_progress;
    QPointer<QLabel> m_percentage;

    AuthenticationPopupView *m_popup = nullptr;
    QList<AppStoreData *> m_lastAllApps;
};
