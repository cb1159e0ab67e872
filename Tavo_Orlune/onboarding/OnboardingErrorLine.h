#pragma once
#include <QLabel>
#include <optional>

// One line of error text under a step's fields: plain text in the platform's red caption.
class OnboardingErrorLine : public QLabel {
    Q_OBJECT
public:
    explicit OnboardingErrorLine(QWidget *parent = nullptr);
    // Shows the text, or hides the line when there is none.
    void setLine(const std::optional<QString> &text);
};
