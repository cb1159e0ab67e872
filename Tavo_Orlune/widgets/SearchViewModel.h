#pragma once
#include "widgets/SearchResult.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <functional>

// The state behind one prompt field: the text being typed, a model name with its list, result
// records and the submit hook the owning field installs each time it comes on screen. Each
// prompt field owns its own instance (the canvas prompt bar, the welcome screen). Whatever
// text settles for 300 ms (the initial empty text included) is announced as
// "searchTextDidChange" {"searchText": text}. Main thread only; timing through Scheduler.
class SearchViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString searchText READ searchText WRITE setSearchText NOTIFY searchTextChanged)
    Q_PROPERTY(QString selectedModel READ selectedModel WRITE setSelectedModel NOTIFY selectedModelChanged)
public:
    static constexpr int debounceMs = 300;
    static inline const QString kSearchTextDidChange = QStringLiteral("searchTextDidChange");

    explicit SearchViewModel(QObject *parent = nullptr);
    ~SearchViewModel() override;

    QString searchText() const { return m_searchText; }
    void setSearchText(const QString &text);
    QString selectedModel() const { return m_selectedModel; }
    void setSelectedModel(const QString &model);
    QStringList modelOptions() const { return m_modelOptions; }
    QList<SearchResult> searchResults() const { return m_searchResults; }

    std::function<void(const QString &)> onSearchSubmit;

    // Hands a non-empty text (not trimmed: spaces count) to the hook, then empties the field,
    // also when no hook is set.
    void submitSearch();
    void postSearchTextDidChange(const QString &text);

Q_SIGNALS:
    void searchTextChanged(const QString &text);
    void selectedModelChanged(const QString &model);

private:
    void setupSearchTextDebounce();
    void restartDebounce();

    QString m_searchText;
    QString m_selectedModel;
    QStringList m_modelOptions;
    QList<SearchResult> m_searchResults;
    quint64 m_debounce = 0;
};
