#include "theme/Appearance.h"

#include <atomic>

namespace {
std::atomic<Appearance::Match> g_match{Appearance::Match::Light};
}

Appearance::Match Appearance::bestMatch()
{
    return g_match.load(std::memory_order_acquire);
}

void Appearance::setEffective(Match match)
{
    g_match.store(match, std::memory_order_release);
}
