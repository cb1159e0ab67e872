#pragma once
#include <QColor>
#include <QImage>
#include <QUuid>
#include <QWidget>
#include <vector>

// Large, faint, blurred circles of colour that drift around their rest points and shift their
// hue. On its first appearance the nebula shrinks from twice its size to its normal size over
// 1 s, and 1 s after that appearance posts its notification once.
//
// Each blurred circle is rendered once into a cached mask; a frame only tints the masks and
// composes them at a quarter of the resolution (a blur that wide has no detail to lose), then
// scales that picture up once.
class NebulaView : public QWidget {
    Q_OBJECT
public:
    struct Blob {
        QUuid id;
        QColor color;
        qreal size;
        qreal x; // rest point, from the view's centre
        qreal y; // positive is down
        qreal blur;
    };

    const std::vector<Blob> &blobs() const { return m_blobs; }
    // The current scale of the whole nebula about its centre (2 before the first appearance).
    qreal scale() const;
    bool notificationSent() const { return m_notificationSent; }
    QString notificationName() const { return m_notificationName; }

    // Where blob i's centre lies at time t (seconds since 2001) in a w × h view, unscaled.
    QPointF blobCenter(int i, const QSizeF &size, double t) const;
    // Blob i's hue rotation in degrees at time t.
    static double hueRotation(int i, double t);

    // Draws one frame into rect at time t (seconds since 2001) with the current scale.
    void renderFrame(QPainter &painter, const QRectF &rect, double t);

    // Whether a nebula of this notification has finished its entrance in this process, so that
    // a screen shown later need not wait for a notification that has gone by.
    static bool hasPosted(const QString &notificationName);

protected:
    NebulaView(const QString &notificationName, const qreal sizes[4], double colorOpacity, QWidget *parent);
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void ensureMasks();

    QString m_notificationName;
    std::vector<Blob> m_blobs;
    bool m_notificationSent = false;
    qint64 m_scaleStartMs = -1; // monotonic time of the first appearance
    quint64 m_frameTimer = 0;
    std::vector<QImage> m_masks;  // per blob: the blurred disc, premultiplied white
    std::vector<QImage> m_tinted; // per blob: scratch for the tinted disc
    QImage m_frame;               // the composed low-resolution frame
};

// Behind the application's root content; posts "NebulaAnimationFinished".
class NebulaBackgroundView : public NebulaView {
    Q_OBJECT
public:
    explicit NebulaBackgroundView(QWidget *parent = nullptr);
    static QString animationFinishedNotification() { return QStringLiteral("NebulaAnimationFinished"); }
    static bool hasFinished() { return hasPosted(animationFinishedNotification()); }
};

// Behind the canvas tutorial: smaller, fainter circles; posts "CanvasNebulaAnimationFinished".
class CanvasNebulaBackgroundView : public NebulaView {
    Q_OBJECT
public:
    explicit CanvasNebulaBackgroundView(QWidget *parent = nullptr);
    static QString animationFinishedNotification() { return QStringLiteral("CanvasNebulaAnimationFinished"); }
    static bool hasFinished() { return hasPosted(animationFinishedNotification()); }
};
