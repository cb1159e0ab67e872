#pragma once
#include <QPointer>
#include <QWidget>

class CategoryViewHeightObserver;

// Hosts a category column's content at the top of a container of the component's size (the
// rest stays empty) and reports the content's layout height, in canvas units, to a height
// observer whenever the layout changes and when it is first shown. The height is what the
// content asks for, not the height the canvas currently gives it, so a column can grow.
class CategoryViewWrapper : public QWidget {
    Q_OBJECT
public:
    // Takes the content and the observer (both become its children).
    CategoryViewWrapper(QWidget *content, CategoryViewHeightObserver *observer, QWidget *parent = nullptr);

    QWidget *content() const { return m_content; }
    CategoryViewHeightObserver *heightObserver() const { return m_observer; }
    // The content's layout height at the wrapper's width; -1 when the content has none.
    int contentLayoutHeight() const;
    void reportHeight();

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QPointer<QWidget> m_content;
    CategoryViewHeightObserver *m_observer;
};
