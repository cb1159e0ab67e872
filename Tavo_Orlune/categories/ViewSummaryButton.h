#pragma once
#include <QAbstractButton>

class QPainter;

// The panel row's "View Summary" pill: the summary icon and text on a translucent white pill,
// exactly 112 x 24. The widget is the pill enlarged by 5 on every side (its hit area).
class ViewSummaryButton : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr int hitMargin = 5;
    static constexpr QSize pillSize{112, 24};

    explicit ViewSummaryButton(QWidget *parent = nullptr);

    QRect pillRect() const;
    void setPillGeometry(const QRect &frame);
    QSize sizeHint() const override;

    // Draws the pill (fill, icon and text) into pill, for views that paint their own controls.
    static void paintPill(QPainter &painter, const QRectF &pill, const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;
};
