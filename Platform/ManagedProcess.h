#pragma once
#include <QObject>
#include <QProcess>
#include <QStringList>

// A child process that never outlives its owner: started with a parent-death signal in a
// process group of its own, its standard error always drained, and stopped on request with
// SIGINT, then SIGTERM, then SIGKILL after a bound. Every signal goes to the whole group, so
// what a wrapper (sh, npx, socat) started goes with it; whatever of the group is left when the
// process itself has ended is ended too. The destructor stops it.
//
// The parent-death signal fires when the thread that started the process ends, so start it
// from a thread that lives as long as the process should (the main thread or the tool runtime's).
class ManagedProcess : public QObject {
    Q_OBJECT
public:
    explicit ManagedProcess(QObject *parent = nullptr);
    ~ManagedProcess() override;

    QProcess *process() { return &m_process; }
    void setEnvironment(const QProcessEnvironment &env) { m_process.setProcessEnvironment(env); }
    void setWorkingDirectory(const QString &dir) { m_process.setWorkingDirectory(dir); }
    // Standard output is left to the caller (a protocol reads it) unless mergeOutput is set.
    void start(const QString &program, const QStringList &arguments);
    bool waitForStarted(int ms = 10000) { return m_process.waitForStarted(ms); }
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    qint64 pid() const { return m_process.processId(); }

    // Asynchronous stop: SIGINT now, SIGTERM after graceMs, SIGKILL after another graceMs.
    void stop(int graceMs = 2000);
    // Blocking stop with the same steps; answers true when the process is gone.
    bool stopAndWait(int graceMs = 2000);
    // Blocking stop of several processes at once: each step signals every one still running
    // and then waits for all of them together, so stopping many takes as long as one.
    static bool stopAllAndWait(const QList<ManagedProcess *> &processes, int graceMs = 2000);

Q_SIGNALS:
    void stderrLine(const QString &line);
    void finished(int exitCode, QProcess::ExitStatus status);
    void errorOccurred(QProcess::ProcessError error);

private:
    void drainStderr();
    void signalGroup(int signal);
    // Ends what is left of the group once the process itself has gone.
    void sweepGroup();
    QProcess m_process;
    qint64 m_group = 0;
    QByteArray m_stderrBuffer;
    int m_stopGeneration = 0;
};
