#pragma once
#include <QPointF>
#include <QPointer>
#include <QWidget>
#include <functional>

class LocalKeyMonitor;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

// The card in which the user names a new category, over a dimmed backdrop that covers the
// whole hosting view. It creates nothing: a trimmed, non-empty name other than "All Tasks" (in
// any case) goes to onConfirm; Escape, the Cancel button or a press on the backdrop call
// onCancel. Removing it from the screen is the host's work. Escape and Return are taken by the
// popup only while it is shown in the active window. Main thread only.
class CategoryCreationPopupView : public QWidget {
    Q_OBJECT
public:
    using ConfirmAction = std::function<void(const QString &name)>;
    using CancelAction = std::function<void()>;

    static constexpr int popupWidth = 324;
    static constexpr int popupHeight = 228;
    static constexpr int focusDelayMs = 300;

    // position: the card's centre in the hosting view's coordinates.
    CategoryCreationPopupView(ConfirmAction onConfirm, CancelAction onCancel, const QPointF &position, QWidget *parent = nullptr);
    ~CategoryCreationPopupView() override;

    // "All Tasks" after trimming white space and line breaks, in any letter case.
    static bool isReservedName(const QString &name);
    bool isReservedName() const;
    QString categoryName() const;
    QPointF position() const { return m_position; }
    QRect cardRect() const;
    bool hasKeyMonitor() const { return m_keyMonitor != nullptr; }

    // The shared step of Save, Return and the field's submit.
    void confirmName();
    // True: the press was Escape or a Return with a name, and is consumed.
    bool handleKeyDown(QKeyEvent &event);

    QLineEdit *nameField() const { return m_nameField; }
    QPushButton *saveButton() const { return m_saveButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }
    QLabel *reservedMessage() const { return m_reservedMessage; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void installKeyMonitor();
    void removeKeyMonitor();
    void nameChanged();
    void placeCard();

    ConfirmAction m_onConfirm;
    CancelAction m_onCancel;
    QPointF m_position;
    QWidget *m_card;
    QLineEdit *m_nameField;
    QLabel *m_reservedMessage;
    QPushButton *m_saveButton;
    QPushButton *m_cancelButton;
    LocalKeyMonitor *m_keyMonitor = nullptr;
};
