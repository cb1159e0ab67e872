#include "Platform/ManagedProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QTimer>

#include <algorithm>
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
    connect(&m_process, &QProcess::started, this, [this] { m_group = m_process.processId(); });
    connect(&m_process, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        sweepGroup();
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
    if (m_group > 0)
        ::kill(pid_t(-m_group), SIGKILL);
}

void ManagedProcess::start(const QString &program, const QStringList &arguments)
{
    m_group = 0;
    m_process.start(program, arguments);
    if (m_process.processId() > 0)
        m_group = m_process.processId();
}

void ManagedProcess::signalGroup(int signal)
{
    const qint64 pid = m_process.processId();
    // The child made its own group at start; should that have failed, the process alone.
    if (m_group > 0 && ::kill(pid_t(-m_group), signal) == 0)
        return;
    if (pid > 0)
        ::kill(pid_t(pid), signal);
}

void ManagedProcess::sweepGroup()
{
    const qint64 group = std::exchange(m_group, 0);
    if (group <= 0 || ::kill(pid_t(-group), SIGTERM) != 0)
        return;
    // SIGKILL for whatever ignored SIGTERM; the group's id cannot be taken by another group
    // while any member lives.
    if (QCoreApplication *app = QCoreApplication::instance())
        QTimer::singleShot(500, app, [group] { ::kill(pid_t(-group), SIGKILL); });
    else
        ::kill(pid_t(-group), SIGKILL);
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
    signalGroup(SIGINT);
    QPointer<ManagedProcess> self(this);
    QTimer::singleShot(graceMs, this, [self, generation, graceMs] {
        if (!self || generation != self->m_stopGeneration || !self->isRunning())
            return;
        self->signalGroup(SIGTERM);
        QTimer::singleShot(graceMs, self, [self, generation] {
            if (self && generation == self->m_stopGeneration && self->isRunning())
                self->signalGroup(SIGKILL);
        });
    });
}

bool ManagedProcess::stopAndWait(int graceMs)
{
    return stopAllAndWait({this}, graceMs);
}

bool ManagedProcess::stopAllAndWait(const QList<ManagedProcess *> &processes, int graceMs)
{
    QList<ManagedProcess *> running;
    QList<qint64> groups;
    for (ManagedProcess *p : processes) {
        if (p && p->isRunning()) {
            running.append(p);
            if (p->m_group > 0)
                groups.append(p->m_group);
        }
    }
    auto waitAll = [&running](int ms) {
        QDeadlineTimer deadline(ms);
        for (;;) {
            ManagedProcess *next = nullptr;
            for (ManagedProcess *p : std::as_const(running)) {
                if (p->isRunning()) {
                    next = p;
                    break;
                }
            }
            if (!next)
                return true;
            if (deadline.hasExpired())
                return false;
            // The others go on ending meanwhile: one bound for all of them.
            next->m_process.waitForFinished(int(std::clamp<qint64>(deadline.remainingTime(), 1, 50)));
        }
    };
    for (ManagedProcess *p : std::as_const(running)) {
        ++p->m_stopGeneration;
        p->m_process.closeWriteChannel();
        p->signalGroup(SIGINT);
    }
    for (int signal : {SIGTERM, SIGKILL}) {
        if (waitAll(graceMs))
            break;
        for (ManagedProcess *p : std::as_const(running)) {
            if (p->isRunning())
                p->signalGroup(signal);
        }
    }
    const bool gone = waitAll(graceMs);
    // What is left of the groups (a wrapper's children) gets SIGTERM and a moment, then
    // SIGKILL: nobody will be there to do it later.
    for (qint64 group : std::as_const(groups))
        ::kill(pid_t(-group), SIGTERM);
    QDeadlineTimer leftovers(200);
    auto anyLeft = [&groups] {
        return std::any_of(groups.cbegin(), groups.cend(), [](qint64 g) { return ::kill(pid_t(-g), 0) == 0; });
    };
    while (anyLeft() && !leftovers.hasExpired())
        ::usleep(10000);
    for (qint64 group : std::as_const(groups))
        ::kill(pid_t(-group), SIGKILL);
    for (ManagedProcess *p : std::as_const(running)) {
        if (!p->isRunning())
            p->m_group = 0;
    }
    return gone;
}
