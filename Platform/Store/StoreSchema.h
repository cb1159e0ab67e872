#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>
#include <functional>

class PersistentModel;

// How a model describes itself to the store: its attributes (columns) and relationships,
// in declaration order. Each model class builds one EntityDescription, once.
enum class AttributeType {
    Text,          // QString
    Integer,       // qint64
    Double,        // double
    Bool,          // bool
    Date,          // QDateTime (UTC), stored as seconds since 2001-01-01
    Uuid,          // QUuid, stored as upper-case hyphenated text
    Bytes,         // QByteArray
    Transformable, // any QVariant, stored as bytes through a registered ValueTransformer
};

struct AttributeDescription {
    QString name;
    AttributeType type = AttributeType::Text;
    bool optional = false;
    bool unique = false;
    QString transformerName; // Transformable only
};

enum class DeleteRule { Nullify, Cascade };

struct RelationshipDescription {
    QString name;
    QString destination;   // entity name
    bool toMany = false;
    DeleteRule deleteRule = DeleteRule::Nullify;
    QString inverse;       // relationship name on the destination, empty when none
};

struct EntityDescription {
    QString name;
    QList<AttributeDescription> attributes;
    QList<RelationshipDescription> relationships;
    std::function<PersistentModel *()> factory; // a blank object the store fills from a row

    int attributeIndex(const QString &attribute) const;
    int relationshipIndex(const QString &relationship) const;
    // Text that changes whenever the stored layout changes (names, types, options).
    QString fingerprint() const;
};

// Where a relationship lives in the database: a row's own column for a to-one, the other
// side's column for a to-many whose inverse is a to-one, a join table otherwise.
struct RelationshipStorage {
    enum class Kind { ForeignKey, InverseForeignKey, JoinOwner, JoinTarget };
    Kind kind = Kind::ForeignKey;
    QString column;    // ForeignKey: this table's column; InverseForeignKey: the destination's
    QString joinTable; // Join*: the join table (owner_pk, target_pk, position)
};

// The models of one store, in registration order, with the schema's version.
class Schema {
public:
    Schema() = default;
    Schema(QList<const EntityDescription *> entities, const QString &version);
    const QList<const EntityDescription *> &entities() const { return m_entities; }
    QString version() const { return m_version; }
    const EntityDescription *entity(const QString &name) const;
    int entityIndex(const QString &name) const;
    QString fingerprint() const;
    RelationshipStorage storage(const EntityDescription &entity, int relationship) const;

private:
    QList<const EntityDescription *> m_entities;
    QString m_version;
};
