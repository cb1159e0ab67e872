#pragma once
#include "model/CategoryModel.h"

#include <QObject>
#include <QPointer>
#include <QUrl>

// What a canvas component shows: a web page, a category column (a snapshot of the category
// and the list view model its column works through) or the welcome screen.
class EnhancedComponentType {
public:
    enum class Kind { webView, categoryView, welcomeView };

    static EnhancedComponentType webView(const QUrl &url);
    static EnhancedComponentType categoryView(const CategoryModel &category, QObject *viewModel);
    static EnhancedComponentType welcomeView();

    Kind kind() const { return m_kind; }
    bool isCategoryView() const { return m_kind == Kind::categoryView; }
    const QUrl &url() const { return m_url; }
    const CategoryModel &category() const { return m_category; }
    QObject *categoryViewModel() const { return m_viewModel; }

private:
    explicit EnhancedComponentType(Kind kind) : m_kind(kind) {}

    Kind m_kind;
    QUrl m_url;
    CategoryModel m_category;
    QPointer<QObject> m_viewModel;
};
