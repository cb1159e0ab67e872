#pragma once
#include <QPointer>
#include <QWidget>
#include <functional>

class CircleButton;

// The prompt bar's round button: a microphone while the prompt is empty, a send arrow once it
// holds anything (a space counts). What a press does is the bar's business.
class RecordButtonView : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal buttonSize = 34;

    explicit RecordButtonView(std::function<void()> action, QWidget *parent = nullptr);

    void setSearchText(const QString &text);
    QString imageName() const;
    CircleButton *button() const;

private:
    void rebuild(const QString &image);

    std::function<void()> m_action;
    QPointer<CircleButton> m_button;
};
