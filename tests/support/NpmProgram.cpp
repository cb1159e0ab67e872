#include "NpmProgram.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QTest>

NpmProgram::NpmProgram(bool captureStdout, QObject *parent)
    : QObject(parent)
{
    connect(&m_process, &ManagedProcess::stderrLine, this, [this](const QString &line) { m_output += line + u'\n'; });
    if (captureStdout)
        connect(m_process.process(), &QProcess::readyReadStandardOutput, this,
                [this] { m_output += QString::fromUtf8(m_process.process()->readAllStandardOutput()); });
}

NpmProgram::~NpmProgram()
{
    m_process.stopAndWait(2000);
}

QString NpmProgram::npmDir()
{
    return qEnvironmentVariable("TAVO_NPM_DIR");
}

QString NpmProgram::binPath(const QString &bin)
{
    return npmDir() + QStringLiteral("/node_modules/.bin/") + bin;
}

bool NpmProgram::available(const QString &bin)
{
    return QFileInfo(binPath(bin)).isExecutable();
}

QString NpmProgram::modulePath(const QString &relative)
{
    return npmDir() + QStringLiteral("/node_modules/") + relative;
}

bool NpmProgram::start(const QString &bin, const QStringList &args, const QProcessEnvironment &env)
{
    return startProgram(binPath(bin), args, env);
}

bool NpmProgram::startProgram(const QString &program, const QStringList &args, const QProcessEnvironment &env)
{
    m_output.clear();
    m_process.setEnvironment(env);
    m_process.setWorkingDirectory(npmDir());
    m_process.start(program, args);
    return m_process.waitForStarted(10000);
}

bool NpmProgram::waitForOutput(const QString &text, int timeoutMs)
{
    return QTest::qWaitFor([&] { return m_output.contains(text); }, timeoutMs);
}
