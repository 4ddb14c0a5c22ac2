#include "core/raster/random.h"

namespace {
constexpr std::uint32_t kStartState = 1;
thread_local std::uint32_t t_state = kStartState;
} // namespace

int random15()
{
    return nextRandom15(t_state);
}

int randomBelow(int n)
{
    return randomBelowFrom(t_state, n);
}

void seedRandom()
{
    t_state = kStartState;
}

std::uint32_t randomState()
{
    return t_state;
}

void setRandomState(std::uint32_t state)
{
    t_state = state;
}
