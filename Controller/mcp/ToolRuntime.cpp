#include "Controller/mcp/ToolRuntime.h"

#include "Platform/ManagedProcess.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QMutex>
#include <QPointer>

namespace {
QMutex g_trackedMutex;
QList<QPointer<ManagedProcess>> g_tracked;

void shutdownAtExit()
{
    ToolRuntime::instance().shutdown();
}
}

ToolRuntime &ToolRuntime::instance()
{
    static ToolRuntime *runtime = new ToolRuntime; // lives as long as the process
    return *runtime;
}

ToolRuntime::ToolRuntime()
    : m_thread(new QThread), m_context(new QObject)
{
    m_thread->setObjectName(QStringLiteral("ToolRuntime"));
    m_context->moveToThread(m_thread);
    m_thread->start();
    if (QCoreApplication *app = QCoreApplication::instance()) {
        QObject::connect(app, &QCoreApplication::aboutToQuit, app, [] { ToolRuntime::instance().shutdown(); },
                         Qt::DirectConnection);
        qAddPostRoutine(shutdownAtExit);
    }
}

void ToolRuntime::post(std::function<void()> fn)
{
    if (isCurrentThread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(m_context, std::move(fn), Qt::QueuedConnection);
}

void ToolRuntime::track(ManagedProcess *process)
{
    QMutexLocker lock(&g_trackedMutex);
    g_tracked.removeAll(QPointer<ManagedProcess>());
    g_tracked.append(process);
}

void ToolRuntime::shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    auto stopAll = [] {
        QList<QPointer<ManagedProcess>> tracked;
        {
            QMutexLocker lock(&g_trackedMutex);
            tracked.swap(g_tracked);
        }
        QList<ManagedProcess *> processes;
        for (const auto &process : tracked) {
            if (process)
                processes.append(process);
        }
        // All at once, so quitting waits for the slowest server, not for their sum.
        ManagedProcess::stopAllAndWait(processes, 700);
    };
    if (isCurrentThread())
        stopAll();
    else if (m_thread->isRunning())
        QMetaObject::invokeMethod(m_context, stopAll, Qt::BlockingQueuedConnection);
    m_thread->quit();
    if (!isCurrentThread())
        m_thread->wait(5000);
}
