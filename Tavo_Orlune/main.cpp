#include "shell/ApplicationSetup.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    ApplicationSetup::configure(app);
    QWidget window;
    window.setWindowTitle(QGuiApplication::applicationDisplayName());
    window.resize(480, 320);
    window.show();
    return app.exec();
}
