#include "ApplicationSetup.h"
#include "AppInfo.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

namespace ApplicationSetup {

void configure(QApplication &app)
{
    QCoreApplication::setOrganizationName(QStringLiteral("TavoOrlune"));
    QCoreApplication::setApplicationName(QStringLiteral("TavoOrlune"));
    QCoreApplication::setApplicationVersion(AppInfo::instance().version());
    QGuiApplication::setApplicationDisplayName(AppInfo::instance().displayName());
    // The design is drawn for the light appearance only, whatever the desktop's theme.
    if (QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        app.setStyle(fusion);
    app.setPalette(app.style()->standardPalette());
}

}
