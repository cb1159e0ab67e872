#pragma once
#include <QColor>
#include <QRectF>

#include "theme/Sizes.h"

class QPainter;

// The shared surface treatments, painted behind a widget's content: call paint() at the start
// of a paintEvent with the widget's rectangle. From back to front: material, fill, border.

// The construction the four plain backgrounds share.
struct RoundedBackground {
    qreal cornerRadius;
    QColor fill;
    QColor border;
    qreal lineWidth;
    qreal borderInset;
    void paint(QPainter &painter, const QRectF &rect) const;
};

struct CardBackgroundModifier {
    static RoundedBackground background();
    static void paint(QPainter &painter, const QRectF &rect) { background().paint(painter, rect); }
};

struct PanelBackgroundModifier {
    static RoundedBackground background();
    static void paint(QPainter &painter, const QRectF &rect) { background().paint(painter, rect); }
};

struct LoginInputFieldBackgroundModifier {
    static RoundedBackground background();
    static void paint(QPainter &painter, const QRectF &rect) { background().paint(painter, rect); }
};

struct ButtonBackgroundModifier {
    static RoundedBackground background();
    static void paint(QPainter &painter, const QRectF &rect) { background().paint(painter, rect); }
};

// The picture "img_login_bg" fitted into the rectangle under the regular material, clipped to
// a rounded rectangle of radius cornerRadiusMedium + 6, with a cardBorder hairline.
struct LoginCardBackgroundModifier {
    static constexpr qreal cornerRadius() { return Sizes::cornerRadiusMedium + 6; }
    static void paint(QPainter &painter, const QRectF &rect);
};
