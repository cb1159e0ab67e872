#include "canvas/FrameDeliveryRule.h"

#include <algorithm>

FrameDeliveryRule::Outcome FrameDeliveryRule::deliver(double elapsed, int frameDropCounter)
{
    if (elapsed < frameBudget)
        return {true, frameDropCounter};
    const int counter = frameDropCounter + 1;
    if (counter < maxFrameDrops)
        return {false, counter};
    return {true, 0};
}

int FrameDeliveryRule::tick(double sinceLastTick, int frameDropCounter)
{
    return sinceLastTick < tickTolerance ? std::max(frameDropCounter - 1, 0) : frameDropCounter;
}
