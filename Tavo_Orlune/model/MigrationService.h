#pragma once
#include <QString>

class ModelContext;
class Settings;

// Data fixes that run once after each change of the application's version: the category
// row is laid out afresh and tasks without a mini-app value get false. The version is
// recorded only when every step succeeded, so a failed run is repeated at the next load.
class MigrationService {
public:
    MigrationService(Settings &userDefaults, const QString &lastMigratedVersionKey);

    static QString currentAppVersion();
    // Runs on the context's thread (the main thread); throws StoreError from the mini-app step.
    void runMigrationsIfNeeded(ModelContext *context);
    void migrateMiniAppToggle(ModelContext *context);

private:
    Settings &m_userDefaults;
    QString m_lastMigratedVersionKey;
};
