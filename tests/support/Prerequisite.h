#pragma once
#include <QString>
#include <QStringList>
#include <QTest>

// What a test needs from the machine besides itself: a program (xdotool, socat, the npm
// programs), the X display, a sound server. A test whose prerequisite is missing skips, and
// the test program then exits with skipExitCode, which ctest reports as skipped rather than
// passed. Under CI (CI=true) the test command has installed everything, so a missing program
// fails the test instead; only what the machine itself cannot offer (a sound server that does
// not run here) still skips there.
class Prerequisite {
public:
    // ctest's SKIP_RETURN_CODE for every test (tavo_add_test, run-test.sh).
    static constexpr int skipExitCode = 77;

    static bool underCi();
    // Whether the program is on PATH.
    static bool hasProgram(const QString &name);
    // The ones of names that are not on PATH, joined for a message ("xdotool, curl").
    static QString missingPrograms(const QStringList &names);

    // Records that something is missing; answers whether the test may skip for it (false
    // under CI when the test command should have provided it).
    static bool noteMissing(bool providedByTestCommand);
    static bool anyMissing();
    static QByteArray skipMessage(const QString &what);
    static QByteArray failMessage(const QString &what);

    // The program's exit code once QTest::qExec answered result: a failure stands; a clean run
    // in which something was missing is a skip.
    static int exitCode(int result);
};

// Skips the current test function (or fails it under CI) unless condition holds; `what` names
// what is missing, e.g. TAVO_REQUIRE(Prerequisite::hasProgram("socat"), "socat").
#define TAVO_REQUIRE(condition, what)                                                    \
    do {                                                                                 \
        if (!(condition)) {                                                              \
            if (Prerequisite::noteMissing(true))                                         \
                QSKIP(Prerequisite::skipMessage(what).constData());                      \
            QFAIL(Prerequisite::failMessage(what).constData());                          \
        }                                                                                \
    } while (false)

// Skips the current test function, also under CI, for something this machine cannot offer
// although it is installed (a sound server that does not run here).
#define TAVO_SKIP_UNAVAILABLE(what)                                                      \
    do {                                                                                 \
        Prerequisite::noteMissing(false);                                                \
        QSKIP(Prerequisite::skipMessage(what).constData());                              \
    } while (false)
