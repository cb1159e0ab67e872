#pragma once
#include <QList>
#include <QPointer>
#include <QWidget>
#include <optional>

class QPainter;

#include "model/AppIconData.h"
class AppIconView;

// The overlapping row of app icons on task views: icons side by side, centred in the widget,
// the main icon on top and earlier icons over later ones. Icons are identified by position; an
// icon that comes in grows from nothing and fades in.
// - ByCount: edge and spacing from the number of icons (the panel row, the expanded card).
// - Standard: the icons' own sizes and a fixed spacing (the canvas card).
// Presentation:
// - Widgets: the icons are child widgets and enter through their scale effects (the panel).
// - Painted: the row and its icons stay hidden; the host draws them with paint(), entrances
//   included, because views inside canvas proxies cannot carry graphics effects.
class AppIconRow : public QWidget {
    Q_OBJECT
public:
    enum class Sizing { ByCount, Standard };
    enum class Presentation { Widgets, Painted };

    explicit AppIconRow(Sizing sizing, int standardSpacing = -12, QWidget *parent = nullptr,
                        Presentation presentation = Presentation::Widgets);

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
    // The same, centred in an area of that size.
    QList<QRect> iconFrames(const QSize &area) const;
    Presentation presentation() const { return m_presentation; }
    // Painted presentation: draws the icons centred in area, bottom to top, each scaled and
    // faded by its entrance.
    void paint(QPainter &painter, const QRectF &area);
    // Painted presentation: how far the icon's entrance has come (1 when it stands).
    qreal entranceProgress(const AppIconView *icon) const;
    // Bottom to top.
    QList<AppIconView *> stackingOrder() const;

    QSize sizeHint() const override;

Q_SIGNALS:
    // Painted presentation: something the host draws of this row changed.
    void repaintNeeded();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void layoutIcons();
    void restack();
    void animateIn(AppIconView *icon);

    Sizing m_sizing;
    int m_standardSpacing;
    Presentation m_presentation;
    bool m_hasPainted = false;
    QList<QPointer<AppIconData>> m_apps;
    QList<AppIconView *> m_icons;
};
