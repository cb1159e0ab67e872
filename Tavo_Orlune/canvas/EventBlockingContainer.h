#pragma once
#include <QWidget>
#include <functional>

// A full-canvas layer over the canvas that keeps pointer input away from what lies under it
// and hosts one overlay's content at its own size. A press on the layer itself (not on its
// content's controls) calls onClick when one is given.
class EventBlockingContainer : public QWidget {
    Q_OBJECT
public:
    explicit EventBlockingContainer(QWidget *content, QWidget *parent = nullptr);

    QWidget *content() const { return m_content; }
    void setOnClick(std::function<void()> onClick) { m_onClick = std::move(onClick); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    QWidget *m_content;
    std::function<void()> m_onClick;
};
