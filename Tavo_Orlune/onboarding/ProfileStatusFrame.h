#pragma once
#include <QWidget>

class QVBoxLayout;

// The frame the profile card's loading, error and empty views share: a centred column, 12 pt
// apart, as wide as the card allows, 16 pt above and below. Built hidden, it arrives (scale
// 0.8 → 1, fading in) 0.3 s after reveal(); built shown, it is there at once.
class ProfileStatusFrame : public QWidget {
    Q_OBJECT
public:
    ProfileStatusFrame(bool showCard, QWidget *parent = nullptr);
    bool showCard() const { return m_showCard; }
    void reveal();

protected:
    QVBoxLayout *column() const { return m_column; }
    // A label of the frame: plain text, centred, wrapping.
    QWidget *addText(const QString &text, const QFont &font, const QColor &color);

private:
    bool m_showCard;
    QVBoxLayout *m_column;
};
