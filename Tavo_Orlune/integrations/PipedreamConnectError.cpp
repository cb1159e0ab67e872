#include "integrations/PipedreamConnectError.h"

QString errorDescription(PipedreamConnectError error)
{
    switch (error) {
    case PipedreamConnectError::authenticationFailed: return QStringLiteral("Failed to authenticate with Pipedream");
    case PipedreamConnectError::tokenGenerationFailed: return QStringLiteral("Failed to generate connect token");
    case PipedreamConnectError::connectionCheckFailed: return QStringLiteral("Failed to check connection status");
    case PipedreamConnectError::invalidResponse: return QStringLiteral("Invalid response from Pipedream");
    case PipedreamConnectError::accountDeletionFailed: return QStringLiteral("Failed to delete connected account");
    }
    return {};
}

QString caseName(PipedreamConnectError error)
{
    switch (error) {
    case PipedreamConnectError::authenticationFailed: return QStringLiteral("authenticationFailed");
    case PipedreamConnectError::tokenGenerationFailed: return QStringLiteral("tokenGenerationFailed");
    case PipedreamConnectError::connectionCheckFailed: return QStringLiteral("connectionCheckFailed");
    case PipedreamConnectError::invalidResponse: return QStringLiteral("invalidResponse");
    case PipedreamConnectError::accountDeletionFailed: return QStringLiteral("accountDeletionFailed");
    }
    return {};
}
