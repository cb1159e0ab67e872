#pragma once
#include <QList>
#include <QPointer>
#include <QWidget>
#include <optional>

#include "model/AppIconData.h"
class AppIconView;

// The overlapping row of app icons on task views: icons side by side, centred in the widget,
// the main icon on top and earlier icons over later ones. Icons are identified by position; an
// icon that comes in grows from nothing and fades in.
// - ByCount: edge and spacing from the number of icons (the panel row, the expanded card).
// - Standard: the icons' own sizes and a fixed spacing (the canvas card).
class AppIconRow : public QWidget {
    Q_OBJECT
public:
    enum class Sizing { ByCount, Standard };

    explicit AppIconRow(Sizing sizing, int standardSpacing = -12, QWidget *parent = nullptr);

    void setApps(const QList<AppIconData *> &apps);
    QList<AppIconData *> apps() const;
    // In list order.
    QList<AppIconView *> icons() const;
    int mainIndex() const;
    int spacing() const;
    // The edge given to every icon (ByCount), none with Standard sizing.
    std::optional<int> edge() const;
    // The icons' frames, in list order (widget coordinates).
    QList<QRect> iconFrames() const;
    // Bottom to top.
    QList<AppIconView *> stackingOrder() const;

    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void layoutIcons();
    void restack();
    void animateIn(AppIconView *icon);

    Sizing m_sizing;
    int m_standardSpacing;
    QList<QPointer<AppIconData>> m_apps;
    QList<AppIconView *> m_icons;
};
