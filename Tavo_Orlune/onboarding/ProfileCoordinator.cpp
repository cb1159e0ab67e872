#include "onboarding/ProfileCoordinator.h"

#include <QObject>

ProfileCoordinator::~ProfileCoordinator() = default;

ProfileCoordinator *ProfileCoordinator::from(QObject *coordinator)
{
    return dynamic_cast<ProfileCoordinator *>(coordinator);
}
