#include "widgets/BackgroundVisibilityManager.h"

void BackgroundVisibilityManager::setShowNebula(bool show)
{
    if (m_showNebula == show)
        return;
    m_showNebula = show;
    Q_EMIT showNebulaChanged(show);
}
