#pragma once
#include <QString>

// The Connect client's own failures (those read from a reply). Equal and hashable by case.
enum class PipedreamConnectError {
    authenticationFailed,
    tokenGenerationFailed,
    connectionCheckFailed,
    invalidResponse,
    accountDeletionFailed,
};

// The text each case describes itself with, word for word.
QString errorDescription(PipedreamConnectError error);
// The case's name, for log lines and tests.
QString caseName(PipedreamConnectError error);
