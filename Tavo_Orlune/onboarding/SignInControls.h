#pragma once
#include <QColor>
#include <QFont>
#include <QPushButton>
#include <QString>
#include <QWidget>

class QLabel;

// Pieces the sign-in screens share: the card they sit on, the close and back image buttons,
// the dark pill buttons, the blue text links and plain-text labels.

// A card painted with the sign-in card look behind its children.
class SignInCard : public QWidget {
    Q_OBJECT
public:
    explicit SignInCard(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

// A flat button that draws its text on a filled, rounded shape (or on nothing when the fill is
// transparent). Disabled it keeps its look at half opacity.
class FilledButton : public QPushButton {
    Q_OBJECT
public:
    FilledButton(const QString &text, QSize size, qreal cornerRadius, QColor fill, QColor textColor,
                 const QFont &font, QWidget *parent = nullptr);
    void setColors(QColor fill, QColor textColor);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qreal m_radius;
    QColor m_fill;
    QColor m_textColor;
};

namespace SignInControls {
// The image drawn in its own colours at size x size, no bezel.
QPushButton *imageButton(const QString &assetName, int size, QWidget *parent);
// "Continue with Code", "OK": #EAE9E3 on #272524, radius 24.
FilledButton *darkButton(const QString &text, QSize size, QWidget *parent);
// A blue 13 pt text link.
QPushButton *linkButton(const QString &text, QWidget *parent);
// A plain-text label in a font and colour (network and user text never becomes markup).
QLabel *label(const QString &text, const QFont &font, const QColor &color, QWidget *parent);
QColor withOpacity(QColor color, qreal opacity);
// The platform's red, for error captions.
QColor errorRed();
}
