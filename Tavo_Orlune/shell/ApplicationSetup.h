#pragma once

#include <QByteArray>

class QApplication;
class QProcessEnvironment;

namespace ApplicationSetup {
// The platform plugin to ask Qt for before the application object exists: on a Wayland session
// that also offers an X display, and when the user chose none (QT_QPA_PLATFORM unset), "xcb"
// (XWayland), where windows can be placed, kept on top and the global double taps work.
// Empty: leave Qt's choice alone.
QByteArray preferredPlatform(const QProcessEnvironment &environment);
// Sets QT_QPA_PLATFORM to preferredPlatform() of this process's environment when there is one.
void choosePlatform();
// Names the application and forces the light appearance; call right after QApplication exists.
void configure(QApplication &app);
// SIGTERM, SIGINT and SIGHUP take the termination road (AppTermination): the termination
// steps run, then the event loop ends with exit code 0.
void quitOnTerminationSignals();
}
