#pragma once
#include <QString>

// Proof Key for Code Exchange (S256) and the anti-forgery state of the web login.
namespace Pkce {
// 43 characters of base64url (32 random bytes), within the 43..128 that the exchange allows.
QString makeVerifier();
// base64url(SHA-256(verifier)) without padding.
QString challenge(const QString &verifier);
// A random, unguessable state value (base64url of 24 random bytes).
QString makeState();
}
