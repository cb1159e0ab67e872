#include "widgets/WindowUtils.h"
#include "Platform/AppTermination.h"
#include "Platform/Log.h"
#include "Platform/Scheduler.h"

#include <QApplication>
#include <QWidget>

namespace {
std::function<void()> &terminator()
{
    static std::function<void()> t;
    return t;
}

QString yesNo(bool b) { return b ? QStringLiteral("true") : QStringLiteral("false"); }
}

void WindowUtils::setTerminator(std::function<void()> t)
{
    terminator() = std::move(t);
}

void WindowUtils::closeWindow(bool log)
{
    if (log) {
        Log::line(QStringLiteral("🔍 closeWindow called - starting window search"));
        const QWidgetList windows = QApplication::topLevelWidgets();
        Log::line(QStringLiteral("🪟 Total windows: ") + QString::number(windows.size()));
        for (int i = 0; i < windows.size(); ++i) {
            QWidget *w = windows.at(i);
            const int level = (w->windowFlags() & Qt::WindowStaysOnTopHint) ? 3 : 0;
            Log::line(QStringLiteral("🪟 Window %1: title='%2', isKey=%3, isVisible=%4, level=%5")
                          .arg(i)
                          .arg(w->windowTitle(), yesNo(w->isActiveWindow()), yesNo(w->isVisible()))
                          .arg(level));
        }
    }
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (w->windowTitle() == QLatin1String("NSStatusBarWindow"))
            continue;
        if (log)
            Log::line(QStringLiteral("🔄 Hiding window title='") + w->windowTitle() + QStringLiteral("'"));
        w->hide();
    }
    if (log)
        Log::line(QStringLiteral("🚪 All windows hidden. Terminating app…"));
    Scheduler::instance().singleShot(300, QCoreApplication::instance(), [] {
        if (terminator())
            terminator()();
        else
            AppTermination::request();
    });
}
