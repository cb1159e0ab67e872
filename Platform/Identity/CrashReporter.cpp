#include "Platform/Identity/CrashReporter.h"
#include "Platform/AppInfo.h"
#include "Platform/AppPaths.h"

#include <QDir>
#include <atomic>
#include <csignal>
#include <cstring>
#include <ctime>
#include <execinfo.h>
#include <fcntl.h>
#include <unistd.h>

namespace {
constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGTRAP};
constexpr size_t kTextMax = 512;

std::atomic<bool> g_started{false};
int g_dirFd = -1;
QString g_dir;
char g_version[64] = {0};
size_t g_versionLen = 0;
char g_user[kTextMax] = {0};
std::atomic<size_t> g_userLen{0};
char g_altStack[64 * 1024];

// Decimal text of n into buf (at least 21 bytes); answers the length.
size_t formatNumber(unsigned long long n, char *buf)
{
    char tmp[24];
    size_t len = 0;
    do {
        tmp[len++] = char('0' + n % 10);
        n /= 10;
    } while (n);
    for (size_t i = 0; i < len; ++i)
        buf[i] = tmp[len - 1 - i];
    return len;
}

void put(int fd, const char *text, size_t len)
{
    while (len > 0) {
        const ssize_t n = ::write(fd, text, len);
        if (n <= 0)
            return;
        text += n;
        len -= size_t(n);
    }
}
void put(int fd, const char *text)
{
    put(fd, text, std::strlen(text));
}
void putNumber(int fd, unsigned long long n)
{
    char buf[24];
    put(fd, buf, formatNumber(n, buf));
}

const char *signalName(int sig)
{
    switch (sig) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGILL: return "SIGILL";
    case SIGFPE: return "SIGFPE";
    case SIGABRT: return "SIGABRT";
    case SIGTRAP: return "SIGTRAP";
    default: return "signal";
    }
}

void onFatalSignal(int sig, siginfo_t *info, void *)
{
    const int savedErrno = errno;
    const unsigned long long now = (unsigned long long)std::time(nullptr);
    const unsigned long long pid = (unsigned long long)::getpid();
    char name[96];
    size_t len = 0;
    std::memcpy(name, "crash-", 6);
    len = 6;
    len += formatNumber(now, name + len);
    name[len++] = '-';
    len += formatNumber(pid, name + len);
    std::memcpy(name + len, ".txt", 5);

    const int fd = g_dirFd >= 0 ? ::openat(g_dirFd, name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600) : -1;
    if (fd >= 0) {
        put(fd, "Tavo Orlune crash report\nsignal: ");
        putNumber(fd, (unsigned long long)sig);
        put(fd, " (");
        put(fd, signalName(sig));
        put(fd, ")\naddress: ");
        putNumber(fd, info ? (unsigned long long)(uintptr_t)info->si_addr : 0ULL);
        put(fd, "\nversion: ");
        put(fd, g_version, g_versionLen);
        put(fd, "\npid: ");
        putNumber(fd, pid);
        put(fd, "\ntime: ");
        putNumber(fd, now);
        put(fd, "\nuser: ");
        put(fd, g_user, std::min(g_userLen.load(), kTextMax));
        put(fd, "\nbacktrace:\n");
        void *frames[64];
        const int count = ::backtrace(frames, 64);
        ::backtrace_symbols_fd(frames, count, fd);
        ::close(fd);
    }
    errno = savedErrno;
    // The handler was installed with SA_RESETHAND: the signal now does what it would have.
    ::raise(sig);
}
}

namespace CrashReporter {

bool start(const QString &reportDir)
{
    if (g_started.load())
        return true;
    const QString dir = reportDir.isEmpty() ? AppPaths::appDataDir() + QStringLiteral("/CrashReports") : reportDir;
    if (!AppPaths::ensurePrivateDir(dir))
        return false;
    g_dirFd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (g_dirFd < 0)
        return false;
    g_dir = dir;
    const QByteArray version = AppInfo::instance().version().toUtf8().left(int(sizeof g_version) - 1);
    std::memcpy(g_version, version.constData(), size_t(version.size()));
    g_versionLen = size_t(version.size());
    // Loads the unwinder now: its first use may allocate, which a signal handler must not.
    void *warm[1];
    ::backtrace(warm, 1);

    stack_t stack{};
    stack.ss_sp = g_altStack;
    stack.ss_size = sizeof g_altStack;
    ::sigaltstack(&stack, nullptr); // a stack overflow still gets its report
    struct sigaction action{};
    action.sa_sigaction = onFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_RESETHAND | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int sig : kSignals)
        ::sigaction(sig, &action, nullptr);
    g_started.store(true);
    return true;
}

bool isStarted()
{
    return g_started.load();
}

QString reportDirectory()
{
    return g_dir;
}

void setUserIdentifier(const QString &id)
{
    const QByteArray bytes = id.toUtf8().left(int(kTextMax));
    g_userLen.store(0);
    std::memcpy(g_user, bytes.constData(), size_t(bytes.size()));
    g_userLen.store(size_t(bytes.size()));
}

QString userIdentifier()
{
    return QString::fromUtf8(g_user, qsizetype(g_userLen.load()));
}

}
