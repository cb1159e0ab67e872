#pragma once
#include <QPointer>
#include <QWidget>

class AppStoreSearchViewModel;
class QLineEdit;
class QToolButton;

// The store header's search field: the text (bound both ways to the search's text), Return to
// search at once, and a clear button that closes the search. Each time it is shown it takes
// the keyboard focus 0.1 s later, so typing can start without a click.
class AppStoreSearchField : public QWidget {
    Q_OBJECT
public:
    static constexpr int focusDelayMs = 100;
    static constexpr int fieldWidth = 320;

    explicit AppStoreSearchField(AppStoreSearchViewModel *searchViewModel, QWidget *parent = nullptr);

    QLineEdit *lineEdit() const { return m_edit; }
    QToolButton *clearButton() const { return m_clear; }
    bool isTextFieldFocused() const;

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QPointer<AppStoreSearchViewModel> m_search;
    QLineEdit *m_edit;
    QToolButton *m_clear;
};
