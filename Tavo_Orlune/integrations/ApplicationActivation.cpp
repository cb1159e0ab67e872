#include "integrations/ApplicationActivation.h"

#include <QGuiApplication>

ApplicationActivation &ApplicationActivation::instance()
{
    static ApplicationActivation *activation = new ApplicationActivation;
    return *activation;
}

ApplicationActivation::ApplicationActivation()
{
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive)
                announce();
        });
    }
}
