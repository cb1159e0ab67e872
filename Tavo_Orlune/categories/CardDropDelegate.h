#pragma once
#include <QUuid>
#include <memory>
#include <optional>

class CategoryColumnActions;
class QByteArray;
class QMimeData;

// The drop handler of a column's card grid. A drop carries a task's id as plain text (UTF-8, the
// upper-case hyphenated UUID); the task moves into the column's category. Only the plain-text
// item is read; a drop without one is refused, anything else is accepted and changes nothing.
class CardDropDelegate {
public:
    CardDropDelegate(const QUuid &categoryId, std::shared_ptr<CategoryColumnActions> actions);

    // The task id a plain-text payload names: valid UTF-8 holding exactly a UUID's text (no
    // trimming); none otherwise.
    static std::optional<QUuid> taskIdFromPayload(const QByteArray &bytes);
    // Whether the drop offers plain text at all.
    static bool acceptsDrop(const QMimeData *data);
    // False without a plain-text item. Otherwise true at once; the payload is read and the move
    // asked for on a later main-loop turn (the drop's data must not be held past the event, so
    // it is copied here).
    bool performDrop(const QMimeData *data) const;

private:
    QUuid m_categoryId;
    std::shared_ptr<CategoryColumnActions> m_actions;
};
