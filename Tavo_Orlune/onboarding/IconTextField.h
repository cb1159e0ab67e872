#pragma once
#include <QString>
#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;

// The single-line input of the sign-in window's screens: a 296 x 60 row with an icon, a small
// label above the text while the field is focused or filled, and the text itself.
//
//   auto *field = new IconTextField(QStringLiteral("ic_email"), QStringLiteral("Email"), parent);
//   field->setReadOnly(true);               // shown, but neither editable nor focusable
//   field->setAutoFocus(true);              // takes the focus on the turn after it is shown
//   connect(field, &IconTextField::textChanged, ...);   // typing and setText() alike
//
// The caller owns the value: it reads text() and writes setText(); textChanged announces every
// change of either kind (the two-way binding). The optional callbacks mirror the signals.
class IconTextField : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
public:
    explicit IconTextField(const QString &iconName, const QString &placeholder, QWidget *parent = nullptr);

    QString iconName() const { return m_iconName; }
    QString placeholder() const { return m_placeholder; }

    QString text() const;
    void setText(const QString &text);

    bool isReadOnly() const { return m_readOnly; }
    void setReadOnly(bool readOnly);
    bool autoFocus() const { return m_autoFocus; }
    void setAutoFocus(bool autoFocus) { m_autoFocus = autoFocus; }

    void setOnFocus(std::function<void()> onFocus) { m_onFocus = std::move(onFocus); }
    void setOnTextChange(std::function<void(const QString &)> onTextChange) { m_onTextChange = std::move(onTextChange); }

    // Whether the text field holds the keyboard focus.
    bool isFocused() const { return m_focused; }
    // The small label above the text: shown while focused or while the text is not empty.
    bool isLabelVisible() const;
    QLineEdit *lineEdit() const { return m_edit; }

    QSize sizeHint() const override;

Q_SIGNALS:
    void textChanged(const QString &text);
    void focusChanged(bool focused);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void setFocused(bool focused);
    void refresh();

    QString m_iconName;
    QString m_placeholder;
    QLabel *m_icon;
    QLabel *m_label;
    QLineEdit *m_edit;
    bool m_readOnly = false;
    bool m_autoFocus = false;
    bool m_focused = false;
    std::function<void()> m_onFocus;
    std::function<void(const QString &)> m_onTextChange;
};
