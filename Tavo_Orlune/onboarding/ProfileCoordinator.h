#pragma once

class QObject;

// What the profile overlay needs of the app-wide coordinator: signing the user out (the usage
// event "logout_started", then the identity's logout, whose success posts "logoutCompleted").
// The coordinator implements it beside its QObject base; screens that are handed the
// coordinator as a QObject find this port with from(). Main thread only.
class ProfileCoordinator {
public:
    virtual ~ProfileCoordinator();

    virtual void signOut() = 0;

    // The port of a coordinator handed over as a QObject; none for anything else.
    static ProfileCoordinator *from(QObject *coordinator);
};
