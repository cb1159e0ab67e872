#pragma once
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

// Hands out the signed-in user's bearer token for a call to the maker's servers (account API,
// profile, the assistant socket), renewed when it has expired. Sessions live for the whole
// process, so they ask for a token at every connect instead of keeping the one they were made
// with. The answer is none when nobody is signed in; callers treat that as signed out. It
// arrives later, on the thread of `context`, and never after `context` is gone. The signed-in
// identity is the real provider.
//
// A component that only needs a token holds an AccessTokenProvider* (or the function form
// below) rather than the identity itself, so that tests can hand it a fake:
//     FunctionTokenProvider fake([](QObject *, auto done) { done(QStringLiteral("token")); });
class AccessTokenProvider {
public:
    using Callback = std::function<void(std::optional<QString> token)>;
    using Function = std::function<void(QObject *context, Callback done)>;

    virtual ~AccessTokenProvider() = default;
    virtual void getValidAccessToken(QObject *context, Callback done) = 0;

    // The provider as a plain function (the provider must outlive the function).
    static Function function(AccessTokenProvider &provider)
    {
        return [&provider](QObject *context, Callback done) { provider.getValidAccessToken(context, std::move(done)); };
    }
};

// A provider made from a function: for fakes, and for callers that hold a Function.
class FunctionTokenProvider : public AccessTokenProvider {
public:
    explicit FunctionTokenProvider(Function function)
        : m_function(std::move(function))
    {
    }
    void getValidAccessToken(QObject *context, Callback done) override { m_function(context, std::move(done)); }

private:
    Function m_function;
};
