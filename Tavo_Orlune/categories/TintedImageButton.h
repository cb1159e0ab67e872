#pragma once
#include <QAbstractButton>
#include <QColor>
#include <QImage>

// A plain button that is only an image asset drawn as a template in one colour. Its widget
// is the image enlarged by hitMargin on every side, so a click near the image still counts.
class TintedImageButton : public QAbstractButton {
    Q_OBJECT
public:
    TintedImageButton(const QString &imageName, int imageEdge, const QColor &tint, int hitMargin, QWidget *parent = nullptr);

    QString imageName() const { return m_imageName; }
    int hitMargin() const { return m_hitMargin; }
    QRect imageRect() const;
    // Places the widget so that its image fills frame (parent coordinates).
    void setImageGeometry(const QRect &frame);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_imageName;
    int m_imageEdge;
    QColor m_tint;
    int m_hitMargin;
    QImage m_image;
};
