#pragma once
#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

class QLabel;
class QScrollArea;

// Small pieces the store's pages share: texts in a given font and colour, the pill-shaped
// selectable row of the tab bar and the category sidebar, the empty states, a filled divider
// and a scroll area without indicators.
namespace StoreViewParts {
QLabel *label(const QString &text, const QFont &font, const QColor &colour, QWidget *parent = nullptr);
QColor withOpacity(QColor colour, qreal opacity);
// A vertical scroll area without scroll indicators or frame, its content following its width.
QScrollArea *verticalScrollArea(QWidget *parent = nullptr);
// The centred empty state: a platform symbol (by asset name), a title, a line and optionally a
// button; a null button title means none.
QWidget *emptyState(const QString &symbol, const QString &title, const QString &line, QWidget *parent = nullptr);
}

// A selectable pill: an icon (optionally on a light badge), a title and, when expanding, the
// rest of the width; the selected pill is dark with light text in the light appearance.
// One click is one `clicked` signal.
class StorePillButton : public QAbstractButton {
    Q_OBJECT
public:
    struct Layout {
        int iconSide;
        int badgeSide; // 0: no badge behind the icon
        int height;
        bool expanding;
    };
    StorePillButton(const QString &iconName, const QString &title, Layout layout, QWidget *parent = nullptr);

    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);
    QColor fillColour() const;
    QColor titleColour() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_iconName;
    Layout m_layout;
    bool m_selected = false;
};

// A plain filled rectangle (the white line, the home page's dividers).
class StoreFillRect : public QWidget {
public:
    StoreFillRect(const QColor &colour, int height, QWidget *parent = nullptr);
    QColor colour() const { return m_colour; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_colour;
};

// A rounded panel with the category browser's opaque fill and the glass outline.
class StoreRoundedPanel : public QWidget {
public:
    explicit StoreRoundedPanel(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
