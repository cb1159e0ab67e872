#pragma once
#include <QGraphicsProxyWidget>
#include <QPointer>
#include <QSizeF>
#include <memory>

// Hosts a component's content widget (a category column, the welcome screen) on the canvas
// scene. The widget is laid out once at its size in canvas units; the view's transform scales
// it, so zooming never re-lays it out. What changes with the scale is only how the content is
// cached:
// - drawn at a scale ("re-render", `updateScale`): a device-coordinate cache, so the content is
//   painted through the scaled painter once (sharp text and vectors) and a pan only moves the
//   pixmap;
// - kept while a zoom gesture runs (`applyFrameAndScale` within 0.6 of the drawn scale): an
//   item-coordinate cache whose pixmap Qt only scales, sized by the contents-scale tier of the
//   ratio between shown and drawn scale.
// Drawing at the scale already drawn, with no gesture transform pending, costs nothing.
class ScalableSwiftUIContainer : public QGraphicsProxyWidget {
    Q_OBJECT
public:
    enum { Type = UserType + 701 };

    ScalableSwiftUIContainer(QWidget *content, std::shared_ptr<QObject> modelContext, QObject *mainViewModel, qreal width,
                             qreal height, QGraphicsItem *parent = nullptr);

    int type() const override { return Type; }

    QWidget *content() const { return widget(); }
    QSizeF baseSize() const { return m_baseSize; }
    qreal currentScale() const { return m_currentScale; }
    qreal uiDrawScale() const { return m_uiDrawScale; }
    qreal displayScale() const { return m_displayScale; }
    qreal lastContentScale() const { return m_lastContentScale; }
    // How often the content was drawn afresh (a re-render); a kept rendering does not count.
    int renderCount() const { return m_renderCount; }
    std::shared_ptr<QObject> modelContext() const { return m_modelContext; }
    QObject *mainViewModel() const { return m_mainViewModel; }

    // The screen's device pixel ratio (2 without a screen); tests set their own.
    qreal backingScaleFactor() const { return m_backingScaleFactor; }
    void setBackingScaleFactor(qreal factor) { m_backingScaleFactor = factor; }
    // The contents-scale tier for a shown/drawn ratio x: b × 0.5, 1, 1.5 or 2.
    static qreal contentsScaleTarget(qreal x, qreal backingScaleFactor);

    // Places the container at a frame in canvas units.
    void setCanvasFrame(const QRectF &frame);
    // Draws the content afresh at the scale (nothing when already drawn at it).
    void updateScale(qreal scale);
    // A zoom step: within 0.6 of the drawn scale the last rendering is kept and only scaled;
    // farther away the content is drawn afresh.
    void applyFrameAndScale(const QRectF &canvasFrame, qreal scale);
    // Shows the last rendering at another scale without drawing it afresh.
    void showAtScale(qreal scale);
    // Moves the cache to the tier of x when it differs from the last by more than 0.2;
    // answers whether it moved.
    bool updateContentsScale(qreal x);

private:
    void applyCacheMode();

    QSizeF m_baseSize;
    qreal m_currentScale = 1;
    qreal m_uiDrawScale = 1;
    qreal m_displayScale = 1;
    qreal m_lastContentScale = 0;
    qreal m_backingScaleFactor;
    bool m_drawn = false;
    int m_renderCount = 0;
    QSize m_itemCacheSize;
    std::shared_ptr<QObject> m_modelContext;
    QPointer<QObject> m_mainViewModel;
};
