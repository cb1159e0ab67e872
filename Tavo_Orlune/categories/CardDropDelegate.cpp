#include "categories/CardDropDelegate.h"

#include "categories/CategoryColumnActions.h"
#include "Platform/Scheduler.h"
#include "Platform/UuidText.h"

#include <QCoreApplication>
#include <QMimeData>
#include <QStringDecoder>

namespace {
const QString kPlainText = QStringLiteral("text/plain");
}

CardDropDelegate::CardDropDelegate(const QUuid &categoryId, std::shared_ptr<CategoryColumnActions> actions)
    : m_categoryId(categoryId)
    , m_actions(std::move(actions))
{
}

std::optional<QUuid> CardDropDelegate::taskIdFromPayload(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return UuidText::parse(text);
}

bool CardDropDelegate::acceptsDrop(const QMimeData *data)
{
    return data && data->hasFormat(kPlainText);
}

bool CardDropDelegate::performDrop(const QMimeData *data) const
{
    if (!acceptsDrop(data))
        return false;
    const QByteArray bytes = data->data(kPlainText);
    const QUuid categoryId = m_categoryId;
    const std::weak_ptr<CategoryColumnActions> actions = m_actions;
    MainQueue::post(QCoreApplication::instance(), [bytes, categoryId, actions] {
        const std::optional<QUuid> taskId = taskIdFromPayload(bytes);
        if (!taskId)
            return;
        if (const std::shared_ptr<CategoryColumnActions> target = actions.lock())
            target->moveTask(*taskId, categoryId);
    });
    return true;
}
