#pragma once
#include <QObject>
#include <QPointer>
#include <functional>

class QGraphicsOpacityEffect;
class QWidget;

// Fades one overlay layer of the canvas in or out by its opacity, ticking through Scheduler
// so that tests run it in virtual time. The opacity effect exists only while a fade runs
// (effects nested inside the overlay's content draw nothing while one is set). A new fade of
// the same widget replaces the one under way; done runs at the end of the fade it was given
// to, unless the widget has gone or a newer fade replaced it. Owned by the widget it fades.
class CanvasOverlayFade : public QObject {
    Q_OBJECT
public:
    static constexpr int frameMs = 16;

    // Fades widget from its current opacity to `to` over ms.
    static void run(QWidget *widget, qreal to, int ms, std::function<void()> done = {});
    // Shows widget at opacity 0 and fades it to 1 over ms.
    static void fadeIn(QWidget *widget, int ms);
    // The opacity the widget is drawn with now (1 without a fade under way).
    static qreal opacity(const QWidget *widget);

private:
    explicit CanvasOverlayFade(QWidget *widget);
    void start(qreal from, qreal to, int ms, std::function<void()> done);
    void stop();
    static CanvasOverlayFade *of(const QWidget *widget);

    QPointer<QWidget> m_widget;
    QPointer<QGraphicsOpacityEffect> m_effect;
    quint64 m_generation = 0;
    quint64 m_ticker = 0;
    quint64 m_doneTimer = 0;
    qreal m_opacity = 1;
};
