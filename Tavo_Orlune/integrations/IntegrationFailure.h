#pragma once
#include "integrations/PipedreamAPIError.h"
#include "integrations/PipedreamConnectError.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>

// Why an operation of an integration client failed: one of the clients' own errors, or a
// transport or decoding error passed on as the network layer or the decoder gave it.
class IntegrationFailure {
public:
    enum class Kind { connect, api, transport, decoding };

    static IntegrationFailure connect(PipedreamConnectError error);
    static IntegrationFailure api(const PipedreamAPIError &error);
    // code is a QNetworkReply::NetworkError; text the network layer's description.
    static IntegrationFailure transport(int code, const QString &text);
    static IntegrationFailure decoding(const QString &text);

    Kind kind() const { return m_kind; }
    std::optional<PipedreamConnectError> connectError() const { return m_connect; }
    std::optional<PipedreamAPIError> apiError() const { return m_api; }
    int transportCode() const { return m_code; }
    // The text a caller shows after its own prefix.
    QString localizedDescription() const;
    // The name of the error's type, as usage analytics reports it.
    QString typeName() const;

    bool operator==(const IntegrationFailure &other) const = default;

private:
    IntegrationFailure() = default;
    Kind m_kind = Kind::transport;
    std::optional<PipedreamConnectError> m_connect;
    std::optional<PipedreamAPIError> m_api;
    int m_code = 0;
    QString m_text;
};

// The value of an operation, or the failure it ended with.
template <typename T>
struct IntegrationResult {
    std::optional<T> value;
    std::optional<IntegrationFailure> failure;
    bool ok() const { return value.has_value(); }

    static IntegrationResult success(T v) { return {std::move(v), std::nullopt}; }
    static IntegrationResult failed(const IntegrationFailure &f) { return {std::nullopt, f}; }
};

// Wraps a caller's completion so that it runs on a later turn of the context's thread, and not
// at all once the context is gone.
template <typename T>
std::function<void(const IntegrationResult<T> &)> deliverTo(QObject *context,
                                                              std::function<void(const IntegrationResult<T> &)> done)
{
    QPointer<QObject> guard(context);
    return [guard, done = std::move(done)](const IntegrationResult<T> &result) {
        if (!guard || !done)
            return;
        QMetaObject::invokeMethod(guard.data(), [guard, done, result] {
            if (guard)
                done(result);
        }, Qt::QueuedConnection);
    };
}
