#include "Platform/Scheduler.h"

#include <QElapsedTimer>
#include <QHash>
#include <QMetaObject>
#include <QMutex>
#include <QPointer>
#include <QTimer>
#include <atomic>

Scheduler::~Scheduler() = default;

namespace {
std::atomic<Scheduler *> g_override{nullptr};
const QDateTime kReferenceDate(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
}

Scheduler &Scheduler::instance()
{
    if (Scheduler *s = g_override.load())
        return *s;
    static RealScheduler real;
    return real;
}

void Scheduler::setInstance(Scheduler *scheduler)
{
    g_override.store(scheduler);
}

double Scheduler::nowSecondsSince2001() const
{
    return secondsSince2001(now());
}

double Scheduler::secondsSince2001(const QDateTime &t)
{
    return (t.toMSecsSinceEpoch() - kReferenceDate.toMSecsSinceEpoch()) / 1000.0;
}

QDateTime Scheduler::fromSecondsSince2001(double s)
{
    return QDateTime::fromMSecsSinceEpoch(kReferenceDate.toMSecsSinceEpoch() + qint64(std::llround(s * 1000.0)), Qt::UTC);
}

struct RealScheduler::Impl {
    QElapsedTimer monotonic;
    mutable QMutex mutex;
    QHash<TimerId, QPointer<QTimer>> timers;
    std::atomic<TimerId> next{1};
};

RealScheduler::RealScheduler()
    : d(new Impl)
{
    d->monotonic.start();
}

RealScheduler::~RealScheduler()
{
    delete d;
}

QDateTime RealScheduler::now() const
{
    return QDateTime::currentDateTimeUtc();
}

qint64 RealScheduler::monotonicMs() const
{
    return d->monotonic.elapsed();
}

Scheduler::TimerId RealScheduler::start(qint64 ms, bool repeat, QObject *context, std::function<void()> fn)
{
    const TimerId id = d->next++;
    // The timer is a child of the context: it dies with it, so fn never runs on a dead object.
    auto *timer = new QTimer;
    timer->setSingleShot(!repeat);
    timer->setInterval(int(std::clamp<qint64>(ms, 0, std::numeric_limits<int>::max())));
    timer->setTimerType(Qt::PreciseTimer);
    timer->moveToThread(context->thread());
    timer->setParent(context);
    Impl *impl = d;
    QPointer<QTimer> guard(timer);
    QObject::connect(timer, &QTimer::timeout, context, [impl, id, repeat, guard, fn = std::move(fn)] {
        if (!repeat) {
            QMutexLocker lock(&impl->mutex);
            impl->timers.remove(id);
        }
        fn();
        // fn may have destroyed the context, and the timer with it.
        if (!repeat && guard)
            guard->deleteLater();
    });
    {
        QMutexLocker lock(&d->mutex);
        d->timers.insert(id, timer);
    }
    QMetaObject::invokeMethod(timer, qOverload<>(&QTimer::start), Qt::AutoConnection);
    return id;
}

Scheduler::TimerId RealScheduler::singleShot(qint64 ms, QObject *context, std::function<void()> fn)
{
    return start(ms, false, context, std::move(fn));
}

Scheduler::TimerId RealScheduler::repeating(qint64 intervalMs, QObject *context, std::function<void()> fn)
{
    return start(intervalMs, true, context, std::move(fn));
}

void RealScheduler::cancel(TimerId id)
{
    QPointer<QTimer> timer;
    {
        QMutexLocker lock(&d->mutex);
        timer = d->timers.take(id);
    }
    if (timer) {
        QMetaObject::invokeMethod(timer, [t = timer] {
            if (t) {
                t->stop();
                t->deleteLater();
            }
        }, Qt::AutoConnection);
    }
}

bool RealScheduler::isActive(TimerId id) const
{
    QMutexLocker lock(&d->mutex);
    auto it = d->timers.constFind(id);
    return it != d->timers.constEnd() && !it.value().isNull();
}

void RealScheduler::nextTurn(QObject *context, std::function<void()> fn)
{
    QMetaObject::invokeMethod(context, std::move(fn), Qt::QueuedConnection);
}
