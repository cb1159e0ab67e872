#pragma once
#include "Prerequisite.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTest>

// Like QTEST_MAIN, with the user's own folders kept out of reach: Qt's test mode for standard
// paths (on top of the private HOME and XDG folders that run-test.sh gives every test). A run
// that skipped for a missing prerequisite exits with Prerequisite::skipExitCode.
#define TAVO_TEST_MAIN(TestClass)                                      \
    int main(int argc, char *argv[])                                   \
    {                                                                  \
        QStandardPaths::setTestModeEnabled(true);                      \
        QApplication app(argc, argv);                                  \
        app.setAttribute(Qt::AA_Use96Dpi, true);                       \
        TestClass tc;                                                  \
        QTEST_SET_MAIN_SOURCE_PATH                                     \
        return Prerequisite::exitCode(QTest::qExec(&tc, argc, argv)); \
    }
