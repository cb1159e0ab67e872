#pragma once
#include "tutorial/FloatingIconPosition.h"

#include <QHash>
#include <QImage>
#include <QStringList>
#include <QWidget>

// The cloud of app logos on the tutorial's app-store card: logo i is drawn at positions[i]
// (a logo without a position is not drawn), later ones over earlier ones, each a rounded
// square with a soft shadow, turned by its rotation. No background.
class FloatingAppIconsView : public QWidget {
    Q_OBJECT
public:
    FloatingAppIconsView(const QStringList &icons, const QList<FloatingIconPosition> &positions, QWidget *parent = nullptr);

    const QStringList &icons() const { return m_icons; }
    const QList<FloatingIconPosition> &positions() const { return m_positions; }
    void setPositions(const QList<FloatingIconPosition> &positions);

    // Where logo i's centre lies in an area of that size, and its drawing measures.
    static QPointF center(const FloatingIconPosition &p, const QSizeF &area) { return {area.width() * p.x, area.height() * p.y + p.floatingOffset}; }
    static qreal cornerRadius(qreal size) { return 0.4 * size; }
    static qreal shadowBlur(qreal size) { return 0.08 * size; }
    static qreal shadowDrop(qreal size) { return 0.05 * size; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage shadowFor(qreal size, qreal dpr);

    QStringList m_icons;
    QList<FloatingIconPosition> m_positions;
    QHash<int, QImage> m_shadows; // by size in hundredths of a point
};
