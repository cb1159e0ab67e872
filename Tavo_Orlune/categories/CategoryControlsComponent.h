#pragma once
#include <QPointer>
#include <QWidget>
#include <functional>

class CategoryStyleSearchField;
class QAbstractButton;
class QVariantAnimation;

// The header bar of a category column: a search control and four pills (notification, date,
// select, delete). It widens with the number of tasks in four steps; from four tasks on the
// pills show their labels. Only the delete pill acts; the other three are drawn dimmed and take
// no clicks. With at most one task the search starts as a round button that opens the field.
//
// The owner keeps the search text: the bar reports typing through searchTextChanged() and takes
// the owner's text through setSearchText(). The bar paints itself (it lives inside canvas
// proxies, where graphics effects draw nothing).
class CategoryControlsComponent : public QWidget {
    Q_OBJECT
public:
    enum class SizeConfiguration { small, medium, large, extraLarge };
    enum class Pill { notification, date, select, deleteCategory };

    static constexpr int barHeight = 64;
    static constexpr int pillHeight = 48;
    static constexpr int searchButtonSize = 48;
    static constexpr int sizeAnimationMs = 300;
    static constexpr int focusDelayMs = 100;

    static SizeConfiguration sizeConfiguration(int taskCount, bool isSearchActivated);
    static int headerWidth(SizeConfiguration size);
    // 0 for small: no field.
    static int searchFieldWidth(SizeConfiguration size);
    static bool isExpanded(SizeConfiguration size) { return size == SizeConfiguration::large || size == SizeConfiguration::extraLarge; }
    static int pillWidth(Pill pill, bool expanded);

    explicit CategoryControlsComponent(QWidget *parent = nullptr);

    // Inputs from the owner.
    void setSearchText(const QString &text);
    void setTaskCount(int count);
    void setOnDeleteCategory(std::function<void()> action);
    void setIsAllTasksCategory(bool value);
    void setHasRunningTasks(bool value);

    QString searchText() const { return m_searchText; }
    int taskCount() const { return m_taskCount; }
    bool isSearchActivated() const { return m_isSearchActivated; }
    bool isSearchFocused() const { return m_isSearchFocused; }
    SizeConfiguration currentSize() const { return sizeConfiguration(m_taskCount, m_isSearchActivated); }
    bool showsSearchField() const;
    bool isDeleteEnabled() const;
    CategoryStyleSearchField *searchField() const { return m_field; }
    QAbstractButton *searchButton() const { return m_searchButton; }
    QAbstractButton *pill(Pill pill) const;

    // The round search button's action: the field opens and takes the keyboard 0.1 s later.
    void activateSearch();

    QSize sizeHint() const override;

Q_SIGNALS:
    void searchTextChanged(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void fieldTextChanged(const QString &text);
    void fieldFocusChanged(bool focused);
    void setSearchActivated(bool activated);
    void sizeMayHaveChanged();
    void place();

    QString m_searchText;
    int m_taskCount = 0;
    std::function<void()> m_onDeleteCategory;
    bool m_isAllTasksCategory = false;
    bool m_hasRunningTasks = false;
    bool m_isSearchActivated = false;
    bool m_isSearchFocused = false;
    SizeConfiguration m_shownSize = SizeConfiguration::small;
    int m_drawnWidth;
    QVariantAnimation *m_widthAnimation;
    CategoryStyleSearchField *m_field;
    QAbstractButton *m_searchButton;
    QList<QAbstractButton *> m_pills;
};
