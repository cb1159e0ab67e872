#pragma once
#include "onboarding/ProfileStatusFrame.h"

// The profile card's content when there is no profile and no error: a person symbol,
// "No profile data" and "Unable to load profile information".
class EmptyProfileView : public ProfileStatusFrame {
    Q_OBJECT
public:
    explicit EmptyProfileView(bool showCard, QWidget *parent = nullptr);
};
