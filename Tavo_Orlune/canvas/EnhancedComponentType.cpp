#include "canvas/EnhancedComponentType.h"

EnhancedComponentType EnhancedComponentType::webView(const QUrl &url)
{
    EnhancedComponentType type(Kind::webView);
    type.m_url = url;
    return type;
}

EnhancedComponentType EnhancedComponentType::categoryView(const CategoryModel &category, QObject *viewModel)
{
    EnhancedComponentType type(Kind::categoryView);
    type.m_category = category;
    type.m_viewModel = viewModel;
    return type;
}

EnhancedComponentType EnhancedComponentType::welcomeView()
{
    return EnhancedComponentType(Kind::welcomeView);
}
