#include "store/AppStoreSearchViewModel.h"
#include "Platform/Scheduler.h"
#include "analytics/AnalyticsService.h"

#include <QPointer>
#include <algorithm>
#include <vector>

namespace {
// Plain string order by Unicode code point: UTF-16 units order the same except where a
// surrogate pair meets a unit above U+D7FF, which the code-point walk gets right.
bool codePointLess(const QString &a, const QString &b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const QChar x = a.at(i), y = b.at(i);
        if (x == y)
            continue;
        const bool xs = x.isSurrogate(), ys = y.isSurrogate();
        if (xs == ys)
            return x.unicode() < y.unicode();
        return xs ? false : true; // a surrogate starts a code point above every BMP unit
    }
    return a.size() < b.size();
}
}

AppStoreSearchViewModel::AppStoreSearchViewModel(QObject *parent)
    : QObject(parent)
{
    // The text is delivered once at subscription: an empty search runs 300 ms after creation.
    restartDebounce();
}

AppStoreSearchViewModel::~AppStoreSearchViewModel()
{
    if (m_debounce)
        Scheduler::instance().cancel(m_debounce);
}

void AppStoreSearchViewModel::setSearchText(const QString &text)
{
    const bool changed = text != m_searchText;
    m_searchText = text;
    if (changed)
        Q_EMIT searchTextChanged();
    restartDebounce();
}

void AppStoreSearchViewModel::setSearchActive(bool active)
{
    if (active == m_isSearchActive)
        return;
    m_isSearchActive = active;
    Q_EMIT isSearchActiveChanged();
}

void AppStoreSearchViewModel::restartDebounce()
{
    Scheduler &s = Scheduler::instance();
    if (m_debounce)
        s.cancel(m_debounce);
    m_debounce = s.singleShot(debounceMs, this, [this] {
        m_debounce = 0;
        performSearch(m_searchText);
    });
}

void AppStoreSearchViewModel::updateAllApps(const QList<AppStoreData *> &apps)
{
    m_allApps = apps;
    if (!m_searchText.isEmpty())
        performSearch(m_searchText);
}

void AppStoreSearchViewModel::performSearch(const QString &query)
{
    if (query.isEmpty()) {
        setResults({});
        setSearching(false);
        return;
    }
    setSearching(true);
    Scheduler::instance().nextTurn(this, [this, query] {
        QList<QPointer<AppStoreData>> found;
        for (AppStoreData *app : search(m_allApps, query))
            found.append(app);
        Scheduler::instance().nextTurn(this, [this, query, found] {
            QList<AppStoreData *> results;
            results.reserve(found.size());
            for (const QPointer<AppStoreData> &app : found)
                if (app)
                    results.append(app.data());
            setResults(results);
            setSearching(false);
            AnalyticsService::shared().trackAppStoreSearch(query, int(results.size()));
        });
    });
}

void AppStoreSearchViewModel::submitSearch()
{
    performSearch(m_searchText);
    AnalyticsService::shared().trackAppStoreInteraction(QStringLiteral("search_submitted"), std::nullopt,
                                                        {{QStringLiteral("query"), m_searchText}});
}

void AppStoreSearchViewModel::clearSearch()
{
    setSearchActive(false);
    setSearchText(QString());
    setResults({});
    setSearching(false);
}

void AppStoreSearchViewModel::setSearching(bool searching)
{
    if (searching == m_isSearching)
        return;
    m_isSearching = searching;
    Q_EMIT isSearchingChanged();
}

void AppStoreSearchViewModel::setResults(const QList<AppStoreData *> &results)
{
    if (results.isEmpty() && m_searchResults.isEmpty())
        return;
    m_searchResults = results;
    Q_EMIT searchResultsChanged();
}

bool AppStoreSearchViewModel::matches(const AppStoreData &app, const QString &q)
{
    return app.name().toLower().contains(q) || app.developer().toLower().contains(q)
        || app.appDescription().toLower().contains(q) || app.category().toLower().contains(q);
}

QList<AppStoreData *> AppStoreSearchViewModel::search(const QList<AppStoreData *> &apps, const QString &query)
{
    const QString q = query.toLower();
    struct Match {
        AppStoreData *app;
        bool prefix;
        qint64 weight;
        QString name;
    };
    std::vector<Match> kept;
    for (AppStoreData *app : apps) {
        if (!app)
            continue;
        const QString lowerName = app->name().toLower();
        if (lowerName.contains(q) || app->developer().toLower().contains(q) || app->appDescription().toLower().contains(q)
            || app->category().toLower().contains(q))
            kept.push_back({app, lowerName.startsWith(q), app->featuredWeight(), app->name()});
    }
    std::stable_sort(kept.begin(), kept.end(), [](const Match &a, const Match &b) {
        if (a.prefix != b.prefix)
            return a.prefix;
        if (a.weight != b.weight)
            return a.weight > b.weight;
        return codePointLess(a.name, b.name);
    });
    QList<AppStoreData *> out;
    out.reserve(qsizetype(kept.size()));
    for (const Match &m : kept)
        out.append(m.app);
    return out;
}
