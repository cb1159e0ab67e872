#pragma once
#include <QWidget>

class QLabel;

// One read-only row of the profile card, with the look of the sign-in screens' text field
// (296 × 60, input-field background): an icon, a small caption and the value, or the
// placeholder dimmed to half strength when the value is empty (blanks count as a value). The
// row and its parts arrive one after another when showCard turns true, from animationDelay on
// (row, then caption + 0.05 s, icon + 0.1 s, value + 0.15 s); while it is false the row is
// fully transparent but keeps its place.
class ProfileDisplayField : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize rowSize{296, 60};

    ProfileDisplayField(const QString &iconName, const QString &label, const QString &value, const QString &placeholder,
                        bool showCard, double animationDelay, QWidget *parent = nullptr);

    QString iconName() const { return m_iconName; }
    QString label() const { return m_label; }
    QString value() const { return m_value; }
    QString placeholder() const { return m_placeholder; }
    bool showCard() const { return m_showCard; }
    double animationDelay() const { return m_animationDelay; }
    // What the value line shows, and whether that is the placeholder.
    QString shownText() const;
    bool showsPlaceholder() const { return m_value.isEmpty(); }
    QLabel *valueLabel() const { return m_valueLabel; }

    void setShowCard(bool showCard);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_iconName;
    QString m_label;
    QString m_value;
    QString m_placeholder;
    bool m_showCard = false;
    double m_animationDelay;
    QWidget *m_icon;
    QLabel *m_caption;
    QLabel *m_valueLabel;
};
