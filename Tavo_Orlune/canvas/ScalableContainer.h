#pragma once
#include <QGraphicsProxyWidget>
#include <QPointer>
#include <QSizeF>
#include <memory>

// Hosts a component's content widget on the canvas scene. The widget is laid out once at its
// base size in canvas units; the view's transform scales it, so zooming never re-lays it out.
// It keeps the store context and the coordinator that its content reads.
class ScalableContainer : public QGraphicsProxyWidget {
    Q_OBJECT
public:
    ScalableContainer(QWidget *content, std::shared_ptr<QObject> modelContext, QObject *mainViewModel, qreal width,
                      qreal height, QGraphicsItem *parent = nullptr);

    QWidget *content() const { return widget(); }
    QSizeF baseSize() const { return m_baseSize; }
    qreal currentScale() const { return m_currentScale; }
    std::shared_ptr<QObject> modelContext() const { return m_modelContext; }
    QObject *mainViewModel() const { return m_mainViewModel; }

    // Places the container at a frame in canvas units.
    void setCanvasFrame(const QRectF &frame);
    // Draws the content afresh at the scale it is shown at.
    void updateScale(qreal scale);

private:
    QSizeF m_baseSize;
    qreal m_currentScale = 0;
    std::shared_ptr<QObject> m_modelContext;
    QPointer<QObject> m_mainViewModel;
};
