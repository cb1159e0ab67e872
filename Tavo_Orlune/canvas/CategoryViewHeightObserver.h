#pragma once
#include <QObject>
#include <QUuid>
#include <functional>

// The first of the two filters a column's height goes through on its way to the canvas: a
// change of 5 points or less is not reported, so a column that breathes by a few points while
// it lays out does not move anything on the canvas.
class CategoryViewHeightObserver : public QObject {
    Q_OBJECT
    Q_PROPERTY(qreal height READ height NOTIFY heightChanged)
public:
    // Category id, new height, whether this is the first accepted report.
    using HeightChange = std::function<void(const QUuid &, qreal, bool)>;

    CategoryViewHeightObserver(const QUuid &categoryId, HeightChange onHeightChange, QObject *parent = nullptr);

    qreal height() const { return m_height; }
    const QUuid &categoryId() const { return m_categoryId; }
    bool isInitialLoad() const { return m_isInitialLoad; }

    void updateHeight(qreal height);

Q_SIGNALS:
    void heightChanged(qreal height);

private:
    qreal m_height = 0;
    QUuid m_categoryId;
    HeightChange m_onHeightChange;
    bool m_isInitialLoad = true;
};
