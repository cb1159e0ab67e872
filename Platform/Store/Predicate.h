#pragma once
#include <QList>
#include <QSet>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

class PersistentModel;

// A condition over one entity's keys (attributes and to-one relationships), evaluated by the
// store in SQL where it can and always in memory, so fetches see unsaved changes.
// A default-constructed predicate matches everything.
class Predicate {
public:
    enum class Op { Equal, NotEqual, Less, LessOrEqual, Greater, GreaterOrEqual, In, ContainsText };
    struct Node;

    Predicate();
    static Predicate compare(const QString &key, Op op, const QVariant &value);
    static Predicate equal(const QString &key, const QVariant &value) { return compare(key, Op::Equal, value); }
    static Predicate equal(const QString &key, const PersistentModel *model);
    static Predicate notEqual(const QString &key, const QVariant &value) { return compare(key, Op::NotEqual, value); }
    static Predicate isNull(const QString &key) { return compare(key, Op::Equal, QVariant()); }
    static Predicate in(const QString &key, const QVariantList &values) { return compare(key, Op::In, values); }
    // Case-insensitive text search.
    static Predicate containsText(const QString &key, const QString &text) { return compare(key, Op::ContainsText, text); }
    // Any test in C++; evaluated in memory only.
    static Predicate matching(std::function<bool(const PersistentModel *)> test);

    Predicate operator&&(const Predicate &other) const;
    Predicate operator||(const Predicate &other) const;
    Predicate operator!() const;

    bool matchesEverything() const;
    bool evaluate(const PersistentModel *model) const;
    // The keys the predicate reads; containsCustomTest() when it also runs C++ tests.
    QSet<QString> keys() const;
    bool containsCustomTest() const;
    const Node *node() const { return m_node.get(); }

    // Orders two values of one attribute (<0, 0, >0); null sorts first.
    static int compareValues(const QVariant &a, const QVariant &b);

private:
    explicit Predicate(std::shared_ptr<const Node> node) : m_node(std::move(node)) {}
    std::shared_ptr<const Node> m_node; // null: true
};

struct Predicate::Node {
    enum class Kind { Compare, And, Or, Not, Custom };
    Kind kind = Kind::Compare;
    QString key;
    Op op = Op::Equal;
    QVariant value;
    QList<std::shared_ptr<const Node>> children;
    std::function<bool(const PersistentModel *)> test;
};

struct SortDescriptor {
    QString key;
    bool ascending = true;
};

struct FetchDescriptor {
    QString entityName;
    Predicate predicate;
    QList<SortDescriptor> sortBy;
    int fetchLimit = 0; // 0: no limit

    template<class T>
    static FetchDescriptor of(Predicate predicate = {}, QList<SortDescriptor> sortBy = {}, int fetchLimit = 0)
    {
        return FetchDescriptor{T::staticEntityDescription().name, std::move(predicate), std::move(sortBy), fetchLimit};
    }
    // Keys whose change can alter the result (predicate and sort keys).
    QSet<QString> keys() const;
};
