#pragma once

class QApplication;

namespace ApplicationSetup {
// Names the application and forces the light appearance; call right after QApplication exists.
void configure(QApplication &app);
// SIGTERM, SIGINT and SIGHUP take the termination road (AppTermination): the termination
// steps run, then the event loop ends with exit code 0.
void quitOnTerminationSignals();
}
