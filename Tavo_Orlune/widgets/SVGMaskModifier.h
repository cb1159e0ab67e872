#pragma once
#include <QImage>
#include <QString>

// Gives a picture the shape of a mask image of the application's resources ("app_icon_mask"
// for app icon tiles): the content shows only where the mask is opaque. The mask is fitted into
// the picture's frame, its aspect ratio kept, and centred. A missing mask leaves the picture
// as it is, so a lost resource costs the shape, not the icon.
class SVGMaskModifier {
public:
    explicit SVGMaskModifier(QString svgName) : m_svgName(std::move(svgName)) {}

    const QString &svgName() const { return m_svgName; }
    // The content masked; its size and device pixel ratio are kept.
    QImage apply(const QImage &content) const;

private:
    QString m_svgName;
};
