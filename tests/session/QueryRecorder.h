#pragma once
#include "Controller/session/QueryCallbacks.h"

#include <QStringList>

// Records the callbacks of queries as one event list: "out:<text>", "think:<text>",
// "thinkDone", "end"; `finished` counts queries that have ended.
struct QueryRecorder {
    QStringList events;
    int finished = 0;
    QueryCallbacks callbacks(const QString &tag = QString())
    {
        const QString p = tag.isEmpty() ? QString() : tag + u'|';
        return {[this, p](const QString &t) { events << p + "out:" + t; }, [this, p](const QString &t) { events << p + "think:" + t; },
                [this, p] { events << p + "thinkDone"; }, [this, p] { events << p + "end"; }};
    }
    std::function<void()> onFinished()
    {
        return [this] { ++finished; };
    }
};
