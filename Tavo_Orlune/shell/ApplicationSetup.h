#pragma once

class QApplication;

namespace ApplicationSetup {
// Names the application and forces the light appearance; call right after QApplication exists.
void configure(QApplication &app);
// SIGTERM, SIGINT and SIGHUP end the event loop the normal way, so the quit steps still run.
void quitOnTerminationSignals();
}
