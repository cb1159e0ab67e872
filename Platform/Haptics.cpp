#include "Platform/Haptics.h"

Haptics &Haptics::instance()
{
    static Haptics *h = new Haptics;
    return *h;
}

void Haptics::perform(const QString &pattern)
{
    ++m_count;
    Q_EMIT performed(pattern);
}
