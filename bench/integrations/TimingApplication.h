#pragma once
#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>

// Times every event the main thread dispatches (outermost only). Base is the application class
// the benchmark needs (QApplication for widgets).
template <class Base = QCoreApplication>
class TimingApplicationOf : public Base {
public:
    using Base::Base;
    bool notify(QObject *receiver, QEvent *event) override
    {
        if (m_depth++ > 0) {
            const bool r = Base::notify(receiver, event);
            --m_depth;
            return r;
        }
        QElapsedTimer t;
        t.start();
        const bool r = Base::notify(receiver, event);
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

using TimingApplication = TimingApplicationOf<>;
