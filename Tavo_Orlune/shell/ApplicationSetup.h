#pragma once

class QApplication;

namespace ApplicationSetup {
// Names the application and forces the light appearance; call right after QApplication exists.
void configure(QApplication &app);
}
