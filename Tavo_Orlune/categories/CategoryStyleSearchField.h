#pragma once
#include <QWidget>

class QLineEdit;
class QAbstractButton;

// The search field of a category column's header bar: a white capsule, 48 points high, with a
// magnifier, a single-line input ("Search tasks...") and, while there is text, a clear button.
// The header bar owns the text and the focus state; the field reports both and takes either when
// told. Its width is the header bar's to set.
class CategoryStyleSearchField : public QWidget {
    Q_OBJECT
public:
    static constexpr int height = 48;
    explicit CategoryStyleSearchField(QWidget *parent = nullptr);

    QString searchText() const;
    void setSearchText(const QString &text);
    bool isSearchFocused() const;
    // True moves the keyboard focus into the input; false takes it away.
    void setSearchFocused(bool focused);
    bool showsClearButton() const;
    QLineEdit *input() const { return m_input; }
    QAbstractButton *clearButton() const { return m_clear; }

Q_SIGNALS:
    void searchTextChanged(const QString &text);
    void searchFocusChanged(bool focused);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void place();
    QLineEdit *m_input;
    QAbstractButton *m_clear;
    bool m_focused = false;
};
