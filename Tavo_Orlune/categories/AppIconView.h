#pragma once
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <optional>

class QPainter;

#include "model/AppIconData.h"

// The icon of one app shortcut on task cards and panel rows: the app's own image asset when one
// exists, else the placeholder, on a translucent white ground, cut to the app-icon shape and
// lifted by a soft shadow. A new view shows the placeholder until its asset check (on showing,
// and on every change of the app's icon name) finds the asset, one main-queue turn later.
//
// The widget is larger than the icon by shadowMargin on every side so the shadow has room:
// place it with setIconGeometry().
class AppIconView : public QWidget {
    Q_OBJECT
public:
    static constexpr int shadowMargin = 20;

    AppIconView(AppIconData *app, bool isMain, std::optional<QSize> customSize = std::nullopt, QWidget *parent = nullptr);

    AppIconData *app() const { return m_app; }
    bool isMain() const { return m_isMain; }
    void setIsMain(bool isMain);
    std::optional<QSize> customSize() const { return m_customSize; }
    void setCustomSize(std::optional<QSize> size);
    bool imageExists() const { return m_imageExists; }

    // customSize, else 72 x 72 for the main icon and 56 x 56 for the others.
    QSize iconSize() const;
    // The icon's frame inside the widget.
    QRect iconRect() const;
    // Moves and sizes the widget so that its icon fills frame (parent coordinates).
    void setIconGeometry(const QRect &frame);
    // The image asset drawn now: the app's icon when it exists, else the placeholder.
    QString pictureName() const;

    void checkImageExists();
    // Draws the icon and its shadow with frame as the icon's frame (painter coordinates): for
    // views that paint their icons themselves instead of showing this widget.
    void paintIcon(QPainter &painter, const QRectF &frame);

    QSize sizeHint() const override;

Q_SIGNALS:
    void imageExistsChanged(bool exists);

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QImage composite(qreal dpr);
    QImage shadow(qreal dpr);

    QPointer<AppIconData> m_app;
    bool m_isMain;
    std::optional<QSize> m_customSize;
    bool m_imageExists = false;
    QImage m_composite;
    QImage m_shadow;
    QString m_cacheKey;
};
