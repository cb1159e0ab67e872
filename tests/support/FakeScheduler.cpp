#include "FakeScheduler.h"

#include <algorithm>

FakeScheduler::FakeScheduler(const QDateTime &start)
    : m_startEpochMs(start.toMSecsSinceEpoch())
{
    Scheduler::setInstance(this);
}

FakeScheduler::~FakeScheduler()
{
    Scheduler::setInstance(nullptr);
}

QDateTime FakeScheduler::now() const
{
    return QDateTime::fromMSecsSinceEpoch(m_startEpochMs + m_nowMs, Qt::UTC);
}

Scheduler::TimerId FakeScheduler::add(qint64 due, qint64 interval, QObject *context, std::function<void()> fn)
{
    const TimerId id = m_next++;
    m_entries.emplace(id, Entry{due, interval, context, std::move(fn)});
    return id;
}

Scheduler::TimerId FakeScheduler::singleShot(qint64 ms, QObject *context, std::function<void()> fn)
{
    return add(m_nowMs + std::max<qint64>(ms, 0), 0, context, std::move(fn));
}

Scheduler::TimerId FakeScheduler::repeating(qint64 intervalMs, QObject *context, std::function<void()> fn)
{
    const qint64 interval = std::max<qint64>(intervalMs, 1);
    return add(m_nowMs + interval, interval, context, std::move(fn));
}

void FakeScheduler::cancel(TimerId id)
{
    m_entries.erase(id);
}

bool FakeScheduler::isActive(TimerId id) const
{
    auto it = m_entries.find(id);
    return it != m_entries.end() && !it->second.context.isNull();
}

void FakeScheduler::nextTurn(QObject *context, std::function<void()> fn)
{
    add(m_nowMs, 0, context, std::move(fn));
}

int FakeScheduler::pendingCount() const
{
    int n = 0;
    for (const auto &[id, e] : m_entries)
        if (!e.context.isNull())
            ++n;
    return n;
}

void FakeScheduler::advance(qint64 ms)
{
    const qint64 target = m_nowMs + std::max<qint64>(ms, 0);
    for (;;) {
        // Earliest due entry; ids grow with creation, so ties keep FIFO order.
        auto best = m_entries.end();
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (it->second.due <= target && (best == m_entries.end() || it->second.due < best->second.due))
                best = it;
        }
        if (best == m_entries.end())
            break;
        const TimerId id = best->first;
        Entry entry = best->second;
        m_nowMs = std::max(m_nowMs, entry.due);
        if (entry.interval > 0)
            best->second.due += entry.interval;
        else
            m_entries.erase(best);
        if (entry.context.isNull()) {
            m_entries.erase(id);
            continue;
        }
        entry.fn();
    }
    m_nowMs = target;
}

void FakeScheduler::runTurn()
{
    const TimerId last = m_next;
    for (;;) {
        auto it = std::find_if(m_entries.begin(), m_entries.end(),
                               [&](const auto &e) { return e.first < last && e.second.due <= m_nowMs && e.second.interval == 0; });
        if (it == m_entries.end())
            break;
        Entry entry = it->second;
        m_entries.erase(it);
        if (!entry.context.isNull())
            entry.fn();
    }
}
