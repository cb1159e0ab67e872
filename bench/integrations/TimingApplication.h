#pragma once
#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>

// Times every event the main thread dispatches (outermost only).
class TimingApplication : public QCoreApplication {
public:
    using QCoreApplication::QCoreApplication;
    bool notify(QObject *receiver, QEvent *event) override
    {
        if (m_depth++ > 0) {
            const bool r = QCoreApplication::notify(receiver, event);
            --m_depth;
            return r;
        }
        QElapsedTimer t;
        t.start();
        const bool r = QCoreApplication::notify(receiver, event);
        m_longestNs = std::max(m_longestNs, t.nsecsElapsed());
        --m_depth;
        return r;
    }
    qint64 takeLongestNs()
    {
        const qint64 v = m_longestNs;
        m_longestNs = 0;
        return v;
    }

private:
    int m_depth = 0;
    qint64 m_longestNs = 0;
};
