#pragma once
#include <QAbstractButton>
#include <functional>

// The chat's round image button: a 24 × 24 disc in the control fill with a hairline ring and a
// 12 × 12 template icon in the control foreground; it grows to 110 % under the pointer. A
// click runs `action`.
class CircleChatButton : public QAbstractButton {
    Q_OBJECT
public:
    CircleChatButton(const QString &imageName, std::function<void()> action, QWidget *parent = nullptr);

    QString imageName() const { return m_imageName; }
    void setImageName(const QString &imageName);

    QSize sizeHint() const override { return QSize(24, 24); }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_imageName;
    std::function<void()> m_action;
};
