#include "canvas/CategoryViewHeightObserver.h"

#include <cmath>

CategoryViewHeightObserver::CategoryViewHeightObserver(const QUuid &categoryId, HeightChange onHeightChange, QObject *parent)
    : QObject(parent)
    , m_categoryId(categoryId)
    , m_onHeightChange(std::move(onHeightChange))
{
}

void CategoryViewHeightObserver::updateHeight(qreal height)
{
    if (std::abs(height - m_height) <= 5)
        return;
    m_height = height;
    Q_EMIT heightChanged(height);
    const bool first = m_isInitialLoad;
    if (m_onHeightChange)
        m_onHeightChange(m_categoryId, height, first);
    m_isInitialLoad = false;
}
