#include "Controller/mcp/ChildProcesses.h"

#include "Platform/Log.h"
#include "Platform/ManagedProcess.h"
#include "Platform/Scheduler.h"

#include <QPointer>

namespace ChildProcesses {

void stop(ManagedProcess *process, int graceMs, std::function<void()> done)
{
    if (!process || !process->isRunning()) {
        if (done)
            done();
        return;
    }
    auto once = std::make_shared<std::function<void()>>(std::move(done));
    auto fire = [once] {
        if (*once) {
            auto fn = std::move(*once);
            *once = nullptr;
            fn();
        }
    };
    QObject::connect(process, &ManagedProcess::finished, process, [fire](int, QProcess::ExitStatus) { fire(); });
    // The last bound: SIGKILL has been sent by then, and a caller never waits longer.
    Scheduler::instance().singleShot(2 * graceMs + 1000, process, fire);
    QObject::connect(process, &QObject::destroyed, [fire] { fire(); });
    process->stop(graceMs);
}

void forwardOutput(ManagedProcess *process, const QString &tag, bool includeStdout)
{
    QObject::connect(process, &ManagedProcess::stderrLine, process, [tag](const QString &line) {
        if (!line.trimmed().isEmpty())
            Log::line(tag + QLatin1Char(' ') + Log::truncated(line, 2000));
    });
    if (!includeStdout)
        return;
    QProcess *p = process->process();
    auto buffer = std::make_shared<QByteArray>();
    QObject::connect(p, &QProcess::readyReadStandardOutput, process, [p, buffer, tag] {
        *buffer += p->readAllStandardOutput();
        if (buffer->size() > (1 << 20))
            *buffer = buffer->right(1 << 16);
        qsizetype nl;
        while ((nl = buffer->indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(buffer->left(nl));
            buffer->remove(0, nl + 1);
            if (!line.trimmed().isEmpty())
                Log::line(tag + QLatin1Char(' ') + Log::truncated(line, 2000));
        }
    });
}

QProcessEnvironment environment(const std::optional<QMap<QString, QString>> &extra)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QStringList names = env.keys();
    for (const QString &name : names) {
        if (name.startsWith(QLatin1String("TAVO_")) || name == QLatin1String("GROQ_API_KEY") || name == QLatin1String("GROQ_API_HOST"))
            env.remove(name);
    }
    if (extra) {
        for (auto it = extra->begin(); it != extra->end(); ++it)
            env.insert(it.key(), it.value());
    }
    return env;
}

} // namespace ChildProcesses
