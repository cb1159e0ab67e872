#include "categories/TintedImageButton.h"

#include "theme/TemplateImage.h"

#include <QPainter>

TintedImageButton::TintedImageButton(const QString &imageName, int imageEdge, const QColor &tint, int hitMargin, QWidget *parent)
    : QAbstractButton(parent)
    , m_imageName(imageName)
    , m_imageEdge(imageEdge)
    , m_tint(tint)
    , m_hitMargin(hitMargin)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TranslucentBackground);
    resize(sizeHint());
}

QRect TintedImageButton::imageRect() const
{
    return QRect(QPoint(m_hitMargin, m_hitMargin), QSize(m_imageEdge, m_imageEdge));
}

void TintedImageButton::setImageGeometry(const QRect &frame)
{
    setGeometry(frame.adjusted(-m_hitMargin, -m_hitMargin, m_hitMargin, m_hitMargin));
}

QSize TintedImageButton::sizeHint() const
{
    return QSize(m_imageEdge + 2 * m_hitMargin, m_imageEdge + 2 * m_hitMargin);
}

void TintedImageButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const qreal dpr = devicePixelRatioF();
    if (m_image.isNull() || !qFuzzyCompare(m_image.devicePixelRatio(), dpr))
        m_image = TemplateImage::tinted(m_imageName, QSizeF(m_imageEdge, m_imageEdge), m_tint, dpr);
    if (!m_image.isNull())
        p.drawImage(imageRect().topLeft(), m_image);
}
