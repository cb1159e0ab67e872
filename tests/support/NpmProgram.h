#pragma once
#include "Platform/ManagedProcess.h"

#include <QObject>
#include <QProcessEnvironment>
#include <QStringList>

// A real program from the npm registry (MCP servers, the MCP proxy, an OpenID provider),
// installed by the test command with `npm ci` from tests/npm's lock file into the build's
// npm folder. Started with a parent-death signal and stopped when this object goes.
class NpmProgram : public QObject {
    Q_OBJECT
public:
    // With captureStdout false, standard output is left to the test (a protocol runs over it)
    // and only standard error is collected.
    explicit NpmProgram(bool captureStdout = true, QObject *parent = nullptr);
    ~NpmProgram() override;

    // The npm folder (TAVO_NPM_DIR) and a package binary in it.
    static QString npmDir();
    static QString binPath(const QString &bin);
    static bool available(const QString &bin);
    // A script file of the package, e.g. scriptPath("@scope/pkg/dist/index.js").
    static QString modulePath(const QString &relative);

    // Starts node_modules/.bin/<bin> with args; answers false when it could not start.
    bool start(const QString &bin, const QStringList &args, const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment());
    // Starts any program (node with a script, socat, ...).
    bool startProgram(const QString &program, const QStringList &args, const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment());
    // Waits until the combined output contains text.
    bool waitForOutput(const QString &text, int timeoutMs = 20000);
    QString output() const { return m_output; }
    ManagedProcess *process() { return &m_process; }
    void stop() { m_process.stopAndWait(2000); }

private:
    ManagedProcess m_process;
    QString m_output;
};
