#pragma once
#include <QString>

// Where the application keeps its files. Folders it creates are private (0700).
namespace AppPaths {
// $XDG_DATA_HOME (~/.local/share): the "Application Support" folder.
QString applicationSupportDir();
// applicationSupportDir()/TavoOrlune, created 0700: config.json and the store live here.
QString appDataDir();
// A private per-user temporary folder (0700), created on demand and checked to be ours; where
// that cannot be had, a private folder inside the application's data folder.
QString tempDir();
// Deletes whatever an earlier run left in tempDir() (a recording cut short by a quit). Run it
// at start, before anything of this run writes there.
void sweepTempDir();
// A fresh, unique path inside tempDir(); the file is not created.
QString uniqueTempFilePath(const QString &prefix, const QString &suffix);
QString executableDir();
// The on-disk resource folder (the tool runtime's Scripts live here): $TAVO_RESOURCE_DIR,
// else Resources/ beside the bin/ folder of the build tree, else share/tavo-orlune of an install.
QString resourceDir();
// Creates dir (and parents) and sets it to 0700. Answers false when it cannot.
bool ensurePrivateDir(const QString &dir);
// Writes data atomically with mode 0600.
bool writePrivateFile(const QString &path, const QByteArray &data, QString *error = nullptr);
}
