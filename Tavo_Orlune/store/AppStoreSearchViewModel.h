#pragma once
#include <QList>
#include <QObject>
#include <QString>

#include "model/AppStoreData.h"

// The search state of one store view: the typed text, the results and two flags. The search
// runs locally over the apps it was given (the store model's whole catalog): typing is
// debounced by 300 ms, Return and a new app list search at once. Every completed search with a
// non-empty query is reported as "app_store_search".
//
// Main thread only. A search is a job on later main-thread turns: it filters and sorts in one
// turn and publishes in the next; jobs are not cancelled, so the last to publish decides.
class AppStoreSearchViewModel : public QObject {
    Q_OBJECT
public:
    static constexpr int debounceMs = 300;

    explicit AppStoreSearchViewModel(QObject *parent = nullptr);
    ~AppStoreSearchViewModel() override;

    QString searchText() const { return m_searchText; }
    bool isSearching() const { return m_isSearching; }
    QList<AppStoreData *> searchResults() const { return m_searchResults; }
    bool isSearchActive() const { return m_isSearchActive; }
    QList<AppStoreData *> allApps() const { return m_allApps; }

    // Written by the field as the user types (every write restarts the debounce, also an
    // unchanged text) and by clearSearch.
    void setSearchText(const QString &text);
    // Opened by the store header's search button only.
    void setSearchActive(bool active);

    // A new app list; with a non-empty text the search runs again at once.
    void updateAllApps(const QList<AppStoreData *> &apps);
    // Starts one search job for the query; an empty query empties the results at once.
    void performSearch(const QString &query);
    // The field's Return: searches at once and records "search_submitted".
    void submitSearch();
    // Closes the search and empties text and results.
    void clearSearch();

    // The rules of one search, for a query already lowercased: whether an app matches (name,
    // developer, description or category contains it) and the order of the matches (name
    // starts with it first, then the larger weight, then the stored names by code point).
    static bool matches(const AppStoreData &app, const QString &lowercasedQuery);
    static QList<AppStoreData *> search(const QList<AppStoreData *> &apps, const QString &query);

Q_SIGNALS:
    void searchTextChanged();
    void isSearchingChanged();
    void searchResultsChanged();
    void isSearchActiveChanged();

private:
    void restartDebounce();
    void setSearching(bool searching);
    void setResults(const QList<AppStoreData *> &results);

    QString m_searchText;
    bool m_isSearching = false;
    QList<AppStoreData *> m_searchResults;
    bool m_isSearchActive = false;
    QList<AppStoreData *> m_allApps;
    quint64 m_debounce = 0;
};
