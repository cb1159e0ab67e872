#pragma once
#include <QPointer>
#include <QStringList>
#include <QWidget>

class QKeyEvent;
class QPlainTextEdit;
class QVariantAnimation;
class SearchViewModel;

// The prompt bar's editor: a multi-line field over SearchViewModel::searchText that grows with
// its text between 36 and 140 points, submits on Return (Shift-Return is a newline), and
// while empty shows a sample request that turns over every 20 s, or "Add task to <title>" when
// the bar aims at a category. The rotation runs only while the editor is shown and the target
// is "All Tasks": one rotation per shown editor, stopped when it is hidden.
class CanvasSearchFieldView : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal minHeight = 36;
    static constexpr qreal maxHeight = 140;
    static constexpr int rotationIntervalMs = 20000;
    static inline const QString kAllTasks = QStringLiteral("All Tasks");

    CanvasSearchFieldView(SearchViewModel *viewModel, const QStringList &placeholderOptions, QWidget *parent = nullptr);
    ~CanvasSearchFieldView() override;

    // The editor height for a text laid out in an editor of that width.
    static qreal measureTextHeight(const QString &text, qreal width);

    void setTargetCategory(const QString &title);
    QString targetCategory() const { return m_targetCategory; }
    qreal textEditorHeight() const { return m_textEditorHeight; }
    int placeholderIndex() const { return m_placeholderIndex; }
    const QStringList &placeholderOptions() const { return m_placeholderOptions; }
    QString placeholderText() const;
    QString placeholderKey() const;
    // Whether the placeholder is drawn (the text is empty).
    bool isPlaceholderShown() const;
    bool isRotationRunning() const { return m_rotation != 0; }
    QPlainTextEdit *editor() const { return m_editor; }

    // Return without Shift submits (true: handled); everything else goes to the editor.
    bool handleKeyPress(const QKeyEvent &event);
    void updateHeight(const QString &text, qreal width);
    void handleAppear(qreal width);
    void advancePlaceholder();
    // The bar's focus request: the editor takes the keyboard focus.
    void requestFocus();

    QSize sizeHint() const override;

Q_SIGNALS:
    // The editor's own focus state, on every change.
    void searchFocusChanged(bool focused);
    void textEditorHeightChanged(qreal height);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    class PlaceholderLayer;
    void startRotation();
    void stopRotation();
    void setTextEditorHeight(qreal height);
    void syncFromModel(const QString &text);
    void placeholderKeyChanged();
    qreal availableWidth() const;

    QPointer<SearchViewModel> m_viewModel;
    QStringList m_placeholderOptions;
    QString m_targetCategory = kAllTasks;
    qreal m_textEditorHeight = minHeight;
    int m_placeholderIndex = 0;
    bool m_isTextFieldFocused = false;
    quint64 m_rotation = 0;
    QPlainTextEdit *m_editor;
    PlaceholderLayer *m_placeholder;
};
