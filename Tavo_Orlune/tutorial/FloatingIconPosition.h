#pragma once
#include <QList>

// The place of one floating app logo on the tutorial's app-store card.
struct FloatingIconPosition {
    double x = 0;    // centre, as a fraction of the logo area's width
    double y = 0;    // centre, as a fraction of the logo area's height
    double size = 0; // side, in points
    double rotation = 0; // degrees
    double floatingOffset = 0; // points added to the centre's y; animated by the overlay

    bool operator==(const FloatingIconPosition &) const = default;
};
