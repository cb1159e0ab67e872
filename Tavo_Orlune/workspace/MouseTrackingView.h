#pragma once
#include <QPointF>
#include <QWidget>
#include <functional>

// A transparent layer that reports where the pointer moves over it, in its own coordinates
// (origin at the top-left corner, y growing downwards), by writing the point into `location`
// on a later main-loop turn: one write per move, in the order of the moves. It takes no clicks:
// it watches the pointer moves of the widget it lies on (which gets mouse tracking) and
// reports those inside its own bounds, only while its window is the active window.
class MouseTrackingView : public QWidget {
    Q_OBJECT
public:
    using Binding = std::function<void(const QPointF &point)>;

    // Lays itself over parent (filling it until given another geometry); location is kept for
    // the view's life.
    MouseTrackingView(Binding location, QWidget *parent);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Binding m_location;
};
