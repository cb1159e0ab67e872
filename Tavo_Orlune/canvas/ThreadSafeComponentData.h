#pragma once
#include <QRectF>
#include <QUuid>

// A copy of one component's placement, safe to hand to another thread.
struct ThreadSafeComponentData {
    QUuid id;
    QRectF frame;
    int zIndex = 0;
};
