#include "Platform/Store/StoreSchema.h"

int EntityDescription::attributeIndex(const QString &attribute) const
{
    for (int i = 0; i < attributes.size(); ++i)
        if (attributes[i].name == attribute)
            return i;
    return -1;
}

int EntityDescription::relationshipIndex(const QString &relationship) const
{
    for (int i = 0; i < relationships.size(); ++i)
        if (relationships[i].name == relationship)
            return i;
    return -1;
}

QString EntityDescription::fingerprint() const
{
    QStringList parts{name};
    for (const AttributeDescription &a : attributes)
        parts << QStringLiteral("%1:%2:%3:%4:%5").arg(a.name).arg(int(a.type)).arg(a.optional).arg(a.unique).arg(a.transformerName);
    for (const RelationshipDescription &r : relationships)
        parts << QStringLiteral("%1>%2:%3:%4:%5").arg(r.name, r.destination).arg(r.toMany).arg(int(r.deleteRule)).arg(r.inverse);
    return parts.join(QLatin1Char(','));
}

Schema::Schema(QList<const EntityDescription *> entities, const QString &version)
    : m_entities(std::move(entities)), m_version(version)
{
}

const EntityDescription *Schema::entity(const QString &name) const
{
    for (const EntityDescription *e : m_entities)
        if (e->name == name)
            return e;
    return nullptr;
}

int Schema::entityIndex(const QString &name) const
{
    for (int i = 0; i < m_entities.size(); ++i)
        if (m_entities[i]->name == name)
            return i;
    return -1;
}

QString Schema::fingerprint() const
{
    QStringList parts;
    for (const EntityDescription *e : m_entities)
        parts << e->fingerprint();
    return parts.join(QLatin1Char(';'));
}

RelationshipStorage Schema::storage(const EntityDescription &entity, int relationship) const
{
    const RelationshipDescription &r = entity.relationships.at(relationship);
    RelationshipStorage s;
    if (!r.toMany) {
        s.kind = RelationshipStorage::Kind::ForeignKey;
        s.column = r.name + QStringLiteral("_pk");
        return s;
    }
    const EntityDescription *destination = this->entity(r.destination);
    const int inverse = destination && !r.inverse.isEmpty() ? destination->relationshipIndex(r.inverse) : -1;
    if (inverse >= 0 && !destination->relationships[inverse].toMany) {
        s.kind = RelationshipStorage::Kind::InverseForeignKey;
        s.column = r.inverse + QStringLiteral("_pk");
        return s;
    }
    const QString mine = entity.name + QLatin1Char('_') + r.name;
    if (inverse < 0) {
        s.kind = RelationshipStorage::Kind::JoinOwner;
        s.joinTable = mine;
        return s;
    }
    const QString theirs = destination->name + QLatin1Char('_') + r.inverse;
    const bool owner = mine < theirs;
    s.kind = owner ? RelationshipStorage::Kind::JoinOwner : RelationshipStorage::Kind::JoinTarget;
    s.joinTable = owner ? mine : theirs;
    return s;
}
