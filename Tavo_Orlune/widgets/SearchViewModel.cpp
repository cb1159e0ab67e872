#include "widgets/SearchViewModel.h"
#include "Platform/NotificationCenter.h"
#include "Platform/Scheduler.h"

#include <QPointer>

SearchViewModel::SearchViewModel(QObject *parent)
    : QObject(parent)
    , m_selectedModel(QStringLiteral("Sonet 3.7"))
    , m_modelOptions{QStringLiteral("Sonet 3.7"), QStringLiteral("Claude 3 Opus"), QStringLiteral("Claude 3.5 Sonnet"),
                     QStringLiteral("GPT-4o")}
{
    setupSearchTextDebounce();
}

SearchViewModel::~SearchViewModel()
{
    if (m_debounce)
        Scheduler::instance().cancel(m_debounce);
}

void SearchViewModel::setSearchText(const QString &text)
{
    if (text == m_searchText)
        return;
    m_searchText = text;
    Q_EMIT searchTextChanged(m_searchText);
    restartDebounce();
}

void SearchViewModel::setSelectedModel(const QString &model)
{
    if (model == m_selectedModel)
        return;
    m_selectedModel = model;
    Q_EMIT selectedModelChanged(m_selectedModel);
}

void SearchViewModel::submitSearch()
{
    if (m_searchText.isEmpty())
        return;
    if (onSearchSubmit) {
        // The hook may replace itself; it runs from a copy.
        const auto hook = onSearchSubmit;
        hook(m_searchText);
    }
    setSearchText(QString());
}

void SearchViewModel::setupSearchTextDebounce()
{
    // The current value counts as the first change, as a publisher delivers it on subscription.
    restartDebounce();
}

void SearchViewModel::restartDebounce()
{
    Scheduler &scheduler = Scheduler::instance();
    if (m_debounce)
        scheduler.cancel(m_debounce);
    QPointer<SearchViewModel> self(this);
    m_debounce = scheduler.singleShot(debounceMs, this, [self] {
        if (!self)
            return;
        self->m_debounce = 0;
        self->postSearchTextDidChange(self->m_searchText);
    });
}

void SearchViewModel::postSearchTextDidChange(const QString &text)
{
    NotificationCenter::defaultCenter().post(kSearchTextDidChange, {}, {{QStringLiteral("searchText"), text}});
}
