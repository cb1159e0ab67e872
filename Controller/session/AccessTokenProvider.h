#pragma once
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

// Hands out the signed-in user's access token, renewed when it has expired. Sessions live for
// the whole process, so they ask for a token at every connect instead of keeping the one they
// were made with. `done` runs on the thread of `context`, with none when nobody is signed in.
class AccessTokenProvider {
public:
    virtual ~AccessTokenProvider() = default;
    virtual void getValidAccessToken(QObject *context, std::function<void(const std::optional<QString> &token)> done) = 0;
};
