#pragma once
#include "canvas/EnhancedComponentType.h"

#include <QRectF>
#include <QUuid>
#include <memory>

// One thing placed on the canvas. The controller and the canvas view share the same
// instances; the frame is in canvas units (origin top-left, y downwards, unscaled size).
class NSCanvasComponent {
public:
    NSCanvasComponent(const QUuid &id, EnhancedComponentType type, const QRectF &frame, int zIndex, qreal rotation)
        : m_id(id), m_type(std::move(type)), m_frame(frame), m_zIndex(zIndex), m_rotation(rotation)
    {
    }

    const QUuid &id() const { return m_id; }
    const EnhancedComponentType &type() const { return m_type; }
    const QRectF &frame() const { return m_frame; }
    void setFrame(const QRectF &frame) { m_frame = frame; }
    int zIndex() const { return m_zIndex; }
    void setZIndex(int zIndex) { m_zIndex = zIndex; }
    qreal rotation() const { return m_rotation; }

private:
    QUuid m_id;
    EnhancedComponentType m_type;
    QRectF m_frame;
    int m_zIndex;
    qreal m_rotation;
};

using NSCanvasComponentPtr = std::shared_ptr<NSCanvasComponent>;
