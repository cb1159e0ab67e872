#pragma once
#include "windows/CanvasControllerInterface.h"

#include <QPointF>
#include <QPointer>

// The canvas window's content until the canvas engine provides its controller: an empty
// canvas in the application's background colour that keeps a zoom scale and an offset.
class EmptyCanvasController : public CanvasControllerInterface {
public:
    static constexpr qreal defaultScale = 0.75;

    EmptyCanvasController();
    ~EmptyCanvasController() override;

    QWidget *view() override { return m_view; }
    QWidget *canvasView() override { return m_canvasView; }
    void setup(std::shared_ptr<QObject> modelContext, QObject *coordinator) override;
    qreal scale() const override { return m_scale; }
    void setScale(qreal scale) override { m_scale = scale; }
    void setIsFullscreen(bool fullscreen) override { m_isFullscreen = fullscreen; }
    void updateZoomLevelLabel() override {}
    void adjustOffsetForZoom(qreal oldScale, qreal newScale) override;
    void applyTransform() override;
    void resetView() override;
    QMenu *makeAddComponentMenu() override;
    void showAddComponentMenu(QMenu *menu) override;

    bool isFullscreen() const { return m_isFullscreen; }
    QPointF offset() const { return m_offset; }

private:
    QPointer<QWidget> m_view;
    QPointer<QWidget> m_canvasView;
    std::shared_ptr<QObject> m_modelContext;
    QPointer<QObject> m_coordinator;
    qreal m_scale = defaultScale;
    QPointF m_offset;
    bool m_isFullscreen = false;
};
