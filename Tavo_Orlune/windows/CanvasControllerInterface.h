#pragma once
#include <QObject>
#include <memory>

class QMenu;
class QWidget;

// What the canvas window needs of the canvas view controller that forms its content. The
// canvas engine's controller implements it; until it is installed the window hosts an
// EmptyCanvasController.
class CanvasControllerInterface {
public:
    virtual ~CanvasControllerInterface();

    // The controller's view: the canvas window's content. Owned by the controller.
    virtual QWidget *view() = 0;
    // The canvas view inside it, once loaded (may be null).
    virtual QWidget *canvasView() = 0;

    // Stores the model context and the coordinator (may be null), then (re)builds the canvas.
    // May be called again; it then rebuilds the canvas.
    virtual void setup(std::shared_ptr<QObject> modelContext, QObject *coordinator) = 0;

    virtual qreal scale() const = 0;
    virtual void setScale(qreal scale) = 0;
    virtual void setIsFullscreen(bool fullscreen) = 0;
    virtual void updateZoomLevelLabel() = 0;
    virtual void adjustOffsetForZoom(qreal oldScale, qreal newScale) = 0;
    virtual void applyTransform() = 0;
    virtual void resetView() = 0;
    // The "Add Component" menu (owned by the caller), and popping it up.
    virtual QMenu *makeAddComponentMenu() = 0;
    virtual void showAddComponentMenu(QMenu *menu) = 0;
};
