#pragma once
#include "onboarding/ProfileStatusFrame.h"

// The profile card's content while the profile loads: the spinning mark and "Loading profile...".
class ProfileLoadingView : public ProfileStatusFrame {
    Q_OBJECT
public:
    explicit ProfileLoadingView(bool showCard, QWidget *parent = nullptr);
};
