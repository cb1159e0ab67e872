#pragma once
#include <QWidget>
#include <optional>

class Scheduler;

// The progress bar style (TavoProgressViewStyle): a rounded track with a gradient bar of width
// fractionCompleted × width. While visible and (collapsed or hovered), the gradient's window
// sweeps right and back with a period of 2 s, in phase for every bar on screen.
struct TavoProgressViewStyle {
    bool isVisible = true;
    bool isPanelCollapsed = false;
    bool isHovering = false;

    bool isMoving() const { return isVisible && (isPanelCollapsed || isHovering); }
    // The gradient's start and end x in unit coordinates at time t (seconds since 2001).
    std::pair<qreal, qreal> gradientExtent(double secondsSince2001) const;
};

class TavoProgressView : public QWidget {
    Q_OBJECT
public:
    explicit TavoProgressView(QWidget *parent = nullptr);

    void setStyle(const TavoProgressViewStyle &style);
    const TavoProgressViewStyle &progressStyle() const { return m_style; }
    // No fraction draws the track and an empty bar.
    void setFractionCompleted(std::optional<double> fraction);
    std::optional<double> fractionCompleted() const { return m_fraction; }

    // The bar's frame width for the current width and fraction.
    qreal barWidth() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void updateTicking();

    TavoProgressViewStyle m_style;
    std::optional<double> m_fraction;
    quint64 m_timer = 0;
};
