#include "Platform/ManagedProcess.h"

#include <QPointer>
#include <QTimer>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

ManagedProcess::ManagedProcess(QObject *parent)
    : QObject(parent)
{
    m_process.setChildProcessModifier([] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        // Our own process group, so a terminal's Ctrl+C reaches only us and we stop the child.
        ::setpgid(0, 0);
    });
    connect(&m_process, &QProcess::readyReadStandardError, this, &ManagedProcess::drainStderr);
    connect(&m_process, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        drainStderr();
        if (!m_stderrBuffer.isEmpty()) {
            Q_EMIT stderrLine(QString::fromUtf8(m_stderrBuffer));
            m_stderrBuffer.clear();
        }
        Q_EMIT finished(code, status);
    });
    connect(&m_process, &QProcess::errorOccurred, this, &ManagedProcess::errorOccurred);
}

ManagedProcess::~ManagedProcess()
{
    // No signals to receivers while this object is being torn down.
    disconnect(&m_process, nullptr, this, nullptr);
    stopAndWait(1000);
}

void ManagedProcess::start(const QString &program, const QStringList &arguments)
{
    m_process.start(program, arguments);
}

void ManagedProcess::drainStderr()
{
    m_stderrBuffer += m_process.readAllStandardError();
    // Bound what one unterminated line can hold.
    if (m_stderrBuffer.size() > 1 << 20)
        m_stderrBuffer = m_stderrBuffer.right(1 << 16);
    qsizetype nl;
    while ((nl = m_stderrBuffer.indexOf('\n')) >= 0) {
        Q_EMIT stderrLine(QString::fromUtf8(m_stderrBuffer.left(nl)));
        m_stderrBuffer.remove(0, nl + 1);
    }
}

void ManagedProcess::stop(int graceMs)
{
    if (!isRunning())
        return;
    const int generation = ++m_stopGeneration;
    m_process.closeWriteChannel();
    ::kill(pid_t(m_process.processId()), SIGINT);
    QPointer<ManagedProcess> self(this);
    QTimer::singleShot(graceMs, this, [self, generation, graceMs] {
        if (!self || generation != self->m_stopGeneration || !self->isRunning())
            return;
        self->m_process.terminate();
        QTimer::singleShot(graceMs, self, [self, generation] {
            if (self && generation == self->m_stopGeneration && self->isRunning())
                self->m_process.kill();
        });
    });
}

bool ManagedProcess::stopAndWait(int graceMs)
{
    if (!isRunning())
        return true;
    ++m_stopGeneration;
    m_process.closeWriteChannel();
    ::kill(pid_t(m_process.processId()), SIGINT);
    if (m_process.waitForFinished(graceMs))
        return true;
    m_process.terminate();
    if (m_process.waitForFinished(graceMs))
        return true;
    m_process.kill();
    return m_process.waitForFinished(graceMs);
}
