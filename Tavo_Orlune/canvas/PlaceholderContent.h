#pragma once
#include <QWidget>

// Content of a canvas component whose own screen is not built yet (the welcome screen, a
// category column, a web page): a card of the component's size with its title, so that
// placement, zoom and hit areas are those of the real screen.
class PlaceholderContent : public QWidget {
    Q_OBJECT
public:
    PlaceholderContent(const QString &title, const QString &detail, const QSize &baseSize, QWidget *parent = nullptr);

    QString title() const { return m_title; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_title;
    QString m_detail;
};
