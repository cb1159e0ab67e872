#include "Platform/Store/ValueTransformer.h"

#include <QHash>
#include <QMutex>

namespace {
QMutex g_mutex;
QHash<QString, std::shared_ptr<ValueTransformer>> &registry()
{
    static QHash<QString, std::shared_ptr<ValueTransformer>> r;
    return r;
}
}

void ValueTransformer::setValueTransformer(std::shared_ptr<ValueTransformer> transformer, const QString &name)
{
    QMutexLocker lock(&g_mutex);
    registry().insert(name, std::move(transformer));
}

std::shared_ptr<ValueTransformer> ValueTransformer::valueTransformer(const QString &name)
{
    QMutexLocker lock(&g_mutex);
    return registry().value(name);
}
