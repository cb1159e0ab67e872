#pragma once
#include <QWidget>

class QPainter;

// The indeterminate progress bar of a task whose answer streams: a rounded 8 pt track with a
// segment in the primary text colour sliding across it while the bar is shown.
class StreamProgressBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int barHeight = 8;
    explicit StreamProgressBar(QWidget *parent = nullptr);
    ~StreamProgressBar() override;

    bool isTicking() const { return m_timer != 0; }
    // The moving segment's left and right edge as fractions of the width at time ms.
    static std::pair<qreal, qreal> segment(qint64 ms);
    // Draws the bar into rect at time ms, for views that paint their own controls.
    static void paint(QPainter &painter, const QRectF &rect, qint64 ms);
    // How often a shown bar redraws.
    static constexpr qint64 frameMs = 33;

    QSize sizeHint() const override { return QSize(120, barHeight); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void stopTicking();
    quint64 m_timer = 0;
};
