#include "windows/EmptyCanvasController.h"
#include "theme/Color.h"

#include <QCursor>
#include <QMenu>
#include <QPainter>
#include <QWidget>

namespace {
class PlainCanvas : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), Color::appBackground());
    }
};
}

CanvasControllerInterface::~CanvasControllerInterface() = default;

EmptyCanvasController::EmptyCanvasController()
    : m_view(new QWidget)
{
    m_canvasView = new PlainCanvas(m_view);
    m_canvasView->setObjectName(QStringLiteral("canvasView"));
}

EmptyCanvasController::~EmptyCanvasController()
{
    delete m_view; // no-op when the window already took and deleted it
}

void EmptyCanvasController::setup(std::shared_ptr<QObject> modelContext, QObject *coordinator)
{
    m_modelContext = std::move(modelContext);
    m_coordinator = coordinator;
}

void EmptyCanvasController::adjustOffsetForZoom(qreal oldScale, qreal newScale)
{
    // Keep the point at the centre of the view fixed.
    if (!m_view || oldScale == 0)
        return;
    const QPointF c(m_view->width() / 2.0, m_view->height() / 2.0);
    m_offset = c - newScale * ((c - m_offset) / oldScale);
}

void EmptyCanvasController::applyTransform()
{
    if (m_canvasView)
        m_canvasView->update();
}

void EmptyCanvasController::resetView()
{
    m_scale = defaultScale;
    m_offset = QPointF();
    applyTransform();
}

QMenu *EmptyCanvasController::makeAddComponentMenu()
{
    return new QMenu(QStringLiteral("Add Component"));
}

void EmptyCanvasController::showAddComponentMenu(QMenu *menu)
{
    if (menu && m_view)
        menu->popup(QCursor::pos());
}
