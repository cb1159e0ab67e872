#pragma once

// When the result of an off-main frame computation reaches the canvas. A computation slower
// than one frame at 60 Hz is withheld (an empty result is handed over instead) while the
// slow ones come alone; the third slow one in a row, with no timely monitor tick between to
// offset them, goes through, so a busy main thread still gets its frames.
class FrameDeliveryRule {
public:
    static constexpr double frameBudget = 0.016;  // seconds
    static constexpr double tickTolerance = 0.02; // seconds between two timely monitor ticks
    static constexpr int maxFrameDrops = 3;

    struct Outcome {
        bool deliverFrames; // false: hand over an empty result
        int frameDropCounter;
    };

    // A computation that took `elapsed` seconds, with the counter as it stands.
    static Outcome deliver(double elapsed, int frameDropCounter);
    // A monitor tick `sinceLastTick` seconds after the one before: a timely tick offsets one
    // slow computation.
    static int tick(double sinceLastTick, int frameDropCounter);
};
