#pragma once
#include <QAbstractButton>
#include <functional>

// The profile card's small white pill button ("Logout", "Retry"): the text in 11 pt medium,
// 12 pt to each side and 8 pt above and below, on a white pill of corner radius 20.
class ProfilePillButton : public QAbstractButton {
    Q_OBJECT
public:
    ProfilePillButton(const QString &text, std::function<void()> action, QWidget *parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};
