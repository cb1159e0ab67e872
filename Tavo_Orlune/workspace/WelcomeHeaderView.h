#pragma once
#include <QWidget>

class QLabel;

// The two-line welcome title under the logo: "Welcome to" (28 pt medium) over "Tavo Orlune"
// (48 pt semibold), centred, 8 pt apart, in the primary text colour.
class WelcomeHeaderView : public QWidget {
    Q_OBJECT
public:
    explicit WelcomeHeaderView(QWidget *parent = nullptr);

    QLabel *greeting() const { return m_greeting; }
    QLabel *productName() const { return m_productName; }

private:
    QLabel *m_greeting;
    QLabel *m_productName;
};
