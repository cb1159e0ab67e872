#include "Platform/Store/PersistentModel.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"

#include <QAtomicInteger>

namespace {
QAtomicInteger<quint64> g_nextTemporaryId{1};
}

QString PersistentIdentifier::toString() const
{
    return isTemporary() ? QStringLiteral("%1/t%2").arg(entityName).arg(temporaryId)
                         : QStringLiteral("%1/p%2").arg(entityName).arg(rowId);
}

size_t qHash(const PersistentIdentifier &id, size_t seed)
{
    return qHashMulti(seed, id.storeIdentifier, id.entityName, id.rowId, id.rowId ? 0 : id.temporaryId);
}

PersistentModel::PersistentModel(QObject *parent)
    : QObject(parent), m_temporaryId(g_nextTemporaryId.fetchAndAddRelaxed(1))
{
}

PersistentModel::~PersistentModel()
{
    if (m_context)
        m_context->forget(this);
}

PersistentIdentifier PersistentModel::persistentModelID() const
{
    PersistentIdentifier id;
    id.storeIdentifier = m_context ? m_context->container()->storeIdentifier() : m_storeIdentifier;
    id.entityName = entityDescription().name;
    id.rowId = m_rowId;
    id.temporaryId = m_temporaryId;
    return id;
}

bool PersistentModel::hasChanges() const
{
    return m_state == State::Inserted || m_state == State::Deleted || m_dirtyAttributes || m_dirtyRelations;
}

void PersistentModel::ensureStorage() const
{
    const EntityDescription &e = entityDescription();
    if (m_values.size() != e.attributes.size())
        m_values.resize(e.attributes.size());
    if (m_relations.size() != e.relationships.size())
        m_relations.resize(e.relationships.size());
}

QVariant PersistentModel::attribute(int index) const
{
    ensureStorage();
    return m_values.at(index);
}

QVariant PersistentModel::normalizedValue(const AttributeDescription &a, const QVariant &v)
{
    if (!v.isValid())
        return v;
    switch (a.type) {
    case AttributeType::Text: return v.toString();
    case AttributeType::Integer: return QVariant(v.toLongLong());
    case AttributeType::Double: return QVariant(v.toDouble());
    case AttributeType::Bool: return QVariant(v.toBool());
    case AttributeType::Date: return QVariant(v.toDateTime().toUTC());
    case AttributeType::Uuid: return QVariant(v.toUuid());
    case AttributeType::Bytes: return QVariant(v.toByteArray());
    case AttributeType::Transformable: return v;
    }
    return v;
}

namespace {
bool sameValue(const QVariant &a, const QVariant &b)
{
    if (!a.isValid() || !b.isValid())
        return a.isValid() == b.isValid();
    return a.metaType() == b.metaType() && a == b;
}
}

bool PersistentModel::setAttribute(int index, const QVariant &value)
{
    ensureStorage();
    const QVariant v = normalizedValue(entityDescription().attributes.at(index), value);
    if (sameValue(m_values.at(index), v))
        return false;
    m_values[index] = v;
    markAttributeDirty(index);
    notifyAttribute(index);
    return true;
}

void PersistentModel::markAttributeDirty(int index)
{
    if (!m_context)
        return;
    if (m_state == State::Persistent) {
        m_dirtyAttributes |= (quint64(1) << index);
        m_context->m_updated.insert(this);
    }
    m_context->noteChange(this, entityDescription().attributes.at(index).name, false);
}

void PersistentModel::markRelationDirty(int relationship)
{
    if (!m_context)
        return;
    if (m_state == State::Persistent) {
        m_dirtyRelations |= (quint64(1) << relationship);
        m_context->m_updated.insert(this);
    }
    m_context->noteChange(this, entityDescription().relationships.at(relationship).name, false);
}

void PersistentModel::notifyAttribute(int index)
{
    attributeDidChange(index);
    Q_EMIT changed(entityDescription().attributes.at(index).name);
}

void PersistentModel::notifyRelation(int relationship)
{
    relationshipDidChange(relationship);
    Q_EMIT changed(entityDescription().relationships.at(relationship).name);
}

void PersistentModel::ensureLoaded(int relationship) const
{
    ensureStorage();
    Relation &rel = m_relations[relationship];
    if (rel.loaded)
        return;
    if (!m_context) {
        rel.loaded = true;
        return;
    }
    const RelationshipDescription &d = entityDescription().relationships.at(relationship);
    auto *self = const_cast<PersistentModel *>(this);
    if (!d.toMany) {
        PersistentModel *target = rel.storedRowId ? m_context->objectForRow(d.destination, rel.storedRowId) : nullptr;
        if (target && target->isDeleted())
            target = nullptr;
        rel.one = target;
    } else {
        rel.many = m_context->loadRelation(self, relationship);
    }
    rel.loaded = true;
}

PersistentModel *PersistentModel::loadedOne(int relationship) const
{
    ensureLoaded(relationship);
    return m_relations.at(relationship).one;
}

QList<PersistentModel *> PersistentModel::loadedMany(int relationship) const
{
    ensureLoaded(relationship);
    return m_relations.at(relationship).many;
}

PersistentModel *PersistentModel::toOne(int relationship) const
{
    PersistentModel *one = loadedOne(relationship);
    if (one)
        one->m_pinned = true;
    return one;
}

QList<PersistentModel *> PersistentModel::toMany(int relationship) const
{
    const QList<PersistentModel *> many = loadedMany(relationship);
    for (PersistentModel *m : many)
        m->m_pinned = true;
    return many;
}

ModelContext *PersistentModel::owningContext() const
{
    // A model whose deletion was saved has left its context but is still its child.
    return m_context ? m_context : qobject_cast<ModelContext *>(parent());
}

void PersistentModel::retainHold(PersistentModel *model)
{
    if (model)
        ++model->m_holds;
}

void PersistentModel::releaseHold(PersistentModel *model)
{
    if (!model || model->m_holds <= 0 || --model->m_holds > 0)
        return;
    if (ModelContext *context = model->owningContext())
        context->noteUnheld(model);
}

void PersistentModel::adopt(PersistentModel *other)
{
    if (!other || other == this)
        return;
    if (m_context && !other->m_context && !other->isDeleted())
        m_context->insert(other);
    else if (!m_context && other->m_context && !isDeleted())
        other->m_context->insert(this);
    else if (m_context && other->m_context && m_context != other->m_context)
        qWarning("PersistentModel: linking models of two different contexts");
}

void PersistentModel::rawSetOne(int relationship, PersistentModel *target)
{
    ensureLoaded(relationship);
    Relation &rel = m_relations[relationship];
    if (rel.one == target)
        return;
    rel.one = target;
    markRelationDirty(relationship);
    notifyRelation(relationship);
}

void PersistentModel::rawAppend(int relationship, PersistentModel *target)
{
    ensureLoaded(relationship);
    Relation &rel = m_relations[relationship];
    if (rel.many.contains(target))
        return;
    rel.many.append(target);
    markRelationDirty(relationship);
    notifyRelation(relationship);
}

void PersistentModel::rawRemove(int relationship, PersistentModel *target)
{
    ensureLoaded(relationship);
    Relation &rel = m_relations[relationship];
    if (rel.many.removeAll(target) == 0)
        return;
    markRelationDirty(relationship);
    notifyRelation(relationship);
}

namespace {
int inverseIndex(const RelationshipDescription &d, const PersistentModel *target)
{
    return d.inverse.isEmpty() ? -1 : target->entityDescription().relationshipIndex(d.inverse);
}
}

void PersistentModel::linkInverse(int relationship, PersistentModel *target)
{
    const RelationshipDescription &d = entityDescription().relationships.at(relationship);
    const int inverse = inverseIndex(d, target);
    if (inverse < 0)
        return;
    if (target->entityDescription().relationships.at(inverse).toMany) {
        target->rawAppend(inverse, this);
        return;
    }
    PersistentModel *previous = target->loadedOne(inverse);
    if (previous == this)
        return;
    if (previous) {
        // The target leaves its previous owner.
        if (d.toMany)
            previous->rawRemove(relationship, target);
        else
            previous->rawSetOne(relationship, nullptr);
    }
    target->rawSetOne(inverse, this);
}

void PersistentModel::unlinkInverse(int relationship, PersistentModel *target)
{
    const RelationshipDescription &d = entityDescription().relationships.at(relationship);
    const int inverse = inverseIndex(d, target);
    if (inverse < 0)
        return;
    if (target->entityDescription().relationships.at(inverse).toMany)
        target->rawRemove(inverse, this);
    else if (target->loadedOne(inverse) == this)
        target->rawSetOne(inverse, nullptr);
}

void PersistentModel::setToOne(int relationship, PersistentModel *target)
{
    PersistentModel *old = loadedOne(relationship);
    if (old == target)
        return;
    adopt(target);
    if (old)
        unlinkInverse(relationship, old);
    if (target)
        linkInverse(relationship, target);
    rawSetOne(relationship, target);
}

void PersistentModel::setToMany(int relationship, const QList<PersistentModel *> &targets)
{
    QList<PersistentModel *> wanted;
    for (PersistentModel *t : targets)
        if (t && !wanted.contains(t))
            wanted.append(t);
    const QList<PersistentModel *> current = loadedMany(relationship);
    // Sizes first: Qt 6.4 compares lists of pointers with memcmp, and an empty list that never
    // had storage would hand it a null pointer.
    if (current.size() == wanted.size() && (current.isEmpty() || current == wanted))
        return;
    for (PersistentModel *t : current)
        if (!wanted.contains(t))
            unlinkInverse(relationship, t);
    for (PersistentModel *t : wanted) {
        if (!current.contains(t)) {
            adopt(t);
            linkInverse(relationship, t);
        }
    }
    Relation &rel = m_relations[relationship];
    rel.many = wanted;
    markRelationDirty(relationship);
    notifyRelation(relationship);
}

void PersistentModel::appendToMany(int relationship, PersistentModel *target)
{
    if (!target || loadedMany(relationship).contains(target))
        return;
    adopt(target);
    linkInverse(relationship, target);
    rawAppend(relationship, target);
}

void PersistentModel::removeFromMany(int relationship, PersistentModel *target)
{
    if (!target || !loadedMany(relationship).contains(target))
        return;
    unlinkInverse(relationship, target);
    rawRemove(relationship, target);
}

QVariant PersistentModel::valueForKey(const QString &key) const
{
    const EntityDescription &e = entityDescription();
    const int a = e.attributeIndex(key);
    if (a >= 0)
        return attribute(a);
    const int r = e.relationshipIndex(key);
    if (r >= 0 && !e.relationships[r].toMany) {
        PersistentModel *one = loadedOne(r);
        return one ? QVariant::fromValue(one) : QVariant();
    }
    return {};
}
