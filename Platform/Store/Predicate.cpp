#include "Platform/Store/Predicate.h"
#include "Platform/Store/PersistentModel.h"

#include <QDateTime>
#include <QUuid>

Predicate::Predicate() = default;

Predicate Predicate::compare(const QString &key, Op op, const QVariant &value)
{
    auto n = std::make_shared<Node>();
    n->kind = Node::Kind::Compare;
    n->key = key;
    n->op = op;
    n->value = value;
    return Predicate(n);
}

Predicate Predicate::equal(const QString &key, const PersistentModel *model)
{
    return compare(key, Op::Equal, model ? QVariant::fromValue(const_cast<PersistentModel *>(model)) : QVariant());
}

Predicate Predicate::matching(std::function<bool(const PersistentModel *)> test)
{
    auto n = std::make_shared<Node>();
    n->kind = Node::Kind::Custom;
    n->test = std::move(test);
    return Predicate(n);
}

Predicate Predicate::operator&&(const Predicate &other) const
{
    if (!m_node)
        return other;
    if (!other.m_node)
        return *this;
    auto n = std::make_shared<Node>();
    n->kind = Node::Kind::And;
    n->children = {m_node, other.m_node};
    return Predicate(n);
}

Predicate Predicate::operator||(const Predicate &other) const
{
    if (!m_node || !other.m_node)
        return Predicate();
    auto n = std::make_shared<Node>();
    n->kind = Node::Kind::Or;
    n->children = {m_node, other.m_node};
    return Predicate(n);
}

Predicate Predicate::operator!() const
{
    auto n = std::make_shared<Node>();
    n->kind = Node::Kind::Not;
    if (m_node) {
        n->children = {m_node};
    } else {
        // Not true: matches nothing.
        return matching([](const PersistentModel *) { return false; });
    }
    return Predicate(n);
}

bool Predicate::matchesEverything() const
{
    return !m_node;
}

namespace {

bool isModel(const QVariant &v)
{
    return v.metaType() == QMetaType::fromType<PersistentModel *>();
}

int rank(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return 1;
    default:
        return 2;
    }
}

bool evaluateCompare(const Predicate::Node &n, const PersistentModel *model)
{
    const QVariant value = model->valueForKey(n.key);
    switch (n.op) {
    case Predicate::Op::Equal:
        if (n.value.isNull())
            return value.isNull();
        return !value.isNull() && Predicate::compareValues(value, n.value) == 0;
    case Predicate::Op::NotEqual:
        if (n.value.isNull())
            return !value.isNull();
        return value.isNull() || Predicate::compareValues(value, n.value) != 0;
    case Predicate::Op::Less:
        return !value.isNull() && Predicate::compareValues(value, n.value) < 0;
    case Predicate::Op::LessOrEqual:
        return !value.isNull() && Predicate::compareValues(value, n.value) <= 0;
    case Predicate::Op::Greater:
        return !value.isNull() && Predicate::compareValues(value, n.value) > 0;
    case Predicate::Op::GreaterOrEqual:
        return !value.isNull() && Predicate::compareValues(value, n.value) >= 0;
    case Predicate::Op::In: {
        if (value.isNull())
            return false;
        const QVariantList list = n.value.toList();
        for (const QVariant &candidate : list)
            if (Predicate::compareValues(value, candidate) == 0)
                return true;
        return false;
    }
    case Predicate::Op::ContainsText:
        return !value.isNull() && value.toString().contains(n.value.toString(), Qt::CaseInsensitive);
    }
    return false;
}

bool evaluateNode(const Predicate::Node &n, const PersistentModel *model)
{
    switch (n.kind) {
    case Predicate::Node::Kind::Compare:
        return evaluateCompare(n, model);
    case Predicate::Node::Kind::And:
        for (const auto &c : n.children)
            if (!evaluateNode(*c, model))
                return false;
        return true;
    case Predicate::Node::Kind::Or:
        for (const auto &c : n.children)
            if (evaluateNode(*c, model))
                return true;
        return false;
    case Predicate::Node::Kind::Not:
        return !evaluateNode(*n.children.first(), model);
    case Predicate::Node::Kind::Custom:
        return n.test && n.test(model);
    }
    return false;
}

void collectKeys(const Predicate::Node &n, QSet<QString> &keys, bool &custom)
{
    if (n.kind == Predicate::Node::Kind::Compare)
        keys.insert(n.key);
    if (n.kind == Predicate::Node::Kind::Custom)
        custom = true;
    for (const auto &c : n.children)
        collectKeys(*c, keys, custom);
}

} // namespace

bool Predicate::evaluate(const PersistentModel *model) const
{
    return !m_node || evaluateNode(*m_node, model);
}

QSet<QString> Predicate::keys() const
{
    QSet<QString> keys;
    bool custom = false;
    if (m_node)
        collectKeys(*m_node, keys, custom);
    return keys;
}

bool Predicate::containsCustomTest() const
{
    QSet<QString> keys;
    bool custom = false;
    if (m_node)
        collectKeys(*m_node, keys, custom);
    return custom;
}

int Predicate::compareValues(const QVariant &a, const QVariant &b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull() ? 0 : (a.isNull() ? -1 : 1);
    if (isModel(a) || isModel(b)) {
        const auto pa = isModel(a) ? a.value<PersistentModel *>() : nullptr;
        const auto pb = isModel(b) ? b.value<PersistentModel *>() : nullptr;
        return pa == pb ? 0 : (std::less<PersistentModel *>()(pa, pb) ? -1 : 1);
    }
    if (rank(a) == 1 && rank(b) == 1) {
        if (a.typeId() == QMetaType::Double || b.typeId() == QMetaType::Double || a.typeId() == QMetaType::Float) {
            const double x = a.toDouble(), y = b.toDouble();
            return x < y ? -1 : (x > y ? 1 : 0);
        }
        const qint64 x = a.toLongLong(), y = b.toLongLong();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (a.typeId() == QMetaType::QDateTime && b.typeId() == QMetaType::QDateTime) {
        const qint64 x = a.toDateTime().toMSecsSinceEpoch(), y = b.toDateTime().toMSecsSinceEpoch();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (a.typeId() == QMetaType::QUuid || b.typeId() == QMetaType::QUuid) {
        const QString x = a.toUuid().toString(), y = b.toUuid().toString();
        return x.compare(y, Qt::CaseInsensitive);
    }
    if (a.typeId() == QMetaType::QByteArray && b.typeId() == QMetaType::QByteArray)
        return a.toByteArray().compare(b.toByteArray());
    return a.toString().compare(b.toString());
}

QSet<QString> FetchDescriptor::keys() const
{
    QSet<QString> k = predicate.keys();
    for (const SortDescriptor &s : sortBy)
        k.insert(s.key);
    return k;
}
