#include "TestMain.h"

// A test program for check-run-test.sh: each function is one outcome, chosen by name on the
// command line.
class PrerequisiteProbe : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void passes() { QVERIFY(true); }
    void fails() { QFAIL("this probe fails on purpose"); }
    void missingProgram()
    {
        TAVO_REQUIRE(Prerequisite::hasProgram(QStringLiteral("tavo-no-such-program")), QStringLiteral("tavo-no-such-program"));
        QFAIL("ran on without its program");
    }
    void unavailable()
    {
        TAVO_SKIP_UNAVAILABLE(QStringLiteral("something this machine cannot offer"));
    }
};

TAVO_TEST_MAIN(PrerequisiteProbe)
#include "prerequisite_probe.moc"
