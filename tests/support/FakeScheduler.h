#pragma once
#include "Platform/Scheduler.h"

#include <QPointer>
#include <map>

// Virtual time for tests. Nothing runs until the test advances the clock; timers then fire in
// order of due time (then of creation), and a callback's own new timers fire within the same
// advance when due. Installs itself as the scheduler while alive.
class FakeScheduler : public Scheduler {
public:
    explicit FakeScheduler(const QDateTime &start = QDateTime(QDate(2026, 1, 1), QTime(12, 0), Qt::UTC));
    ~FakeScheduler() override;

    QDateTime now() const override;
    qint64 monotonicMs() const override { return m_nowMs; }
    TimerId singleShot(qint64 ms, QObject *context, std::function<void()> fn) override;
    TimerId repeating(qint64 intervalMs, QObject *context, std::function<void()> fn) override;
    void cancel(TimerId id) override;
    bool isActive(TimerId id) const override;
    void nextTurn(QObject *context, std::function<void()> fn) override;

    // Moves virtual time forward, firing everything due on the way (next turns included).
    void advance(qint64 ms);
    void advanceSeconds(double s) { advance(qint64(s * 1000.0 + 0.5)); }
    // Runs next turns and timers due now.
    void runPending() { advance(0); }
    // Runs one turn: what is due now and was queued before this call, not what that queues.
    void runTurn();
    int pendingCount() const;

private:
    struct Entry {
        qint64 due;
        qint64 interval; // 0 for one-shot
        QPointer<QObject> context;
        std::function<void()> fn;
    };
    TimerId add(qint64 due, qint64 interval, QObject *context, std::function<void()> fn);
    qint64 m_nowMs = 0;
    qint64 m_startEpochMs;
    TimerId m_next = 1;
    std::map<TimerId, Entry> m_entries;
};
