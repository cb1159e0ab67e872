#pragma once
#include <QDateTime>
#include <QObject>
#include <functional>

// The clock and timer seam. Everything timed in the application goes through the current
// scheduler so that tests can run it in virtual time. Every callback is tied to a context
// object and never runs after that object is destroyed.
class Scheduler {
public:
    using TimerId = quint64;
    virtual ~Scheduler();

    // Wall-clock time (UTC) and a monotonic counter in milliseconds.
    virtual QDateTime now() const = 0;
    virtual qint64 monotonicMs() const = 0;

    virtual TimerId singleShot(qint64 ms, QObject *context, std::function<void()> fn) = 0;
    virtual TimerId repeating(qint64 intervalMs, QObject *context, std::function<void()> fn) = 0;
    virtual void cancel(TimerId id) = 0;
    virtual bool isActive(TimerId id) const = 0;

    // Runs fn on the context's thread on a later turn of its event loop; turns are FIFO.
    virtual void nextTurn(QObject *context, std::function<void()> fn) = 0;

    static Scheduler &instance();
    // Tests install a virtual-time scheduler; nullptr restores the real one. Not owned.
    static void setInstance(Scheduler *scheduler);

    double nowSecondsSince1970() const { return now().toMSecsSinceEpoch() / 1000.0; }
    // Dates the design counts from 2001-01-01 UTC.
    double nowSecondsSince2001() const;
    static double secondsSince2001(const QDateTime &t);
    static QDateTime fromSecondsSince2001(double s);
};

// Real time over QTimer and the Qt event loop.
class RealScheduler : public Scheduler {
public:
    RealScheduler();
    ~RealScheduler() override;
    QDateTime now() const override;
    qint64 monotonicMs() const override;
    TimerId singleShot(qint64 ms, QObject *context, std::function<void()> fn) override;
    TimerId repeating(qint64 intervalMs, QObject *context, std::function<void()> fn) override;
    void cancel(TimerId id) override;
    bool isActive(TimerId id) const override;
    void nextTurn(QObject *context, std::function<void()> fn) override;

private:
    TimerId start(qint64 ms, bool repeat, QObject *context, std::function<void()> fn);
    struct Impl;
    Impl *d;
};

// Shorthand for the one FIFO "next main-queue turn" poster.
namespace MainQueue {
inline void post(QObject *context, std::function<void()> fn) { Scheduler::instance().nextTurn(context, std::move(fn)); }
}
