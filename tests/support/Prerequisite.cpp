#include "Prerequisite.h"

#include <QStandardPaths>

namespace {
bool g_missing = false;
}

bool Prerequisite::underCi()
{
    return qEnvironmentVariable("CI") == QLatin1String("true");
}

bool Prerequisite::hasProgram(const QString &name)
{
    return !QStandardPaths::findExecutable(name).isEmpty();
}

QString Prerequisite::missingPrograms(const QStringList &names)
{
    QStringList missing;
    for (const QString &name : names)
        if (!hasProgram(name))
            missing << name;
    return missing.join(QStringLiteral(", "));
}

bool Prerequisite::noteMissing(bool providedByTestCommand)
{
    g_missing = true;
    return !(providedByTestCommand && underCi());
}

bool Prerequisite::anyMissing()
{
    return g_missing;
}

QByteArray Prerequisite::skipMessage(const QString &what)
{
    return ("SKIP: missing here: " + what).toUtf8();
}

QByteArray Prerequisite::failMessage(const QString &what)
{
    return ("missing under CI, where the test command installs it: " + what).toUtf8();
}

int Prerequisite::exitCode(int result)
{
    return result == 0 && g_missing ? skipExitCode : result;
}
