#pragma once
#include "onboarding/ProfileStatusFrame.h"

#include <functional>

class ProfilePillButton;

// The profile card's content after a failed load: a red warning sign, "Error", the message as
// it came, and "Retry".
class ProfileErrorView : public ProfileStatusFrame {
    Q_OBJECT
public:
    ProfileErrorView(const QString &message, bool showCard, std::function<void()> onRetry, QWidget *parent = nullptr);

    QString message() const { return m_message; }
    ProfilePillButton *retryButton() const { return m_retry; }

private:
    QString m_message;
    ProfilePillButton *m_retry;
};
