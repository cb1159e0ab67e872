#pragma once
#include <QString>

// Writes a short report when the process dies of a fatal signal (SIGSEGV, SIGBUS, SIGILL,
// SIGFPE, SIGABRT, SIGTRAP), then lets the signal take its course. The handler only uses
// async-signal-safe calls on memory prepared in advance. Reports go to the application's
// private folder: <app data>/CrashReports/crash-<seconds since 1970>-<pid>.txt (0600).
namespace CrashReporter {
// Configures and installs the handlers once; later calls change nothing. An empty folder
// means the default one. Answers false when the folder cannot be prepared.
bool start(const QString &reportDir = {});
bool isStarted();
QString reportDirectory();
// The signed-in user's identifier, written into later reports.
void setUserIdentifier(const QString &id);
QString userIdentifier();
}
