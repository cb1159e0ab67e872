#pragma once
#include <QPointer>
#include <QWidget>
#include <functional>

class CircleButton;
class QLabel;
class QPlainTextEdit;
class QVariantAnimation;
class TranscriptCoordinator;

// The content of the transcript panel: a translucent card at the bottom of the panel with an
// editor of the coordinator's transcript text, a close button and a send button. The editor
// grows with its text from 44 to 300 points and posts "transcriptHeightChanged" after every
// change of the text. Return sends the text as a new task in "All Tasks"; Shift+Return adds a
// line. While the coordinator is starting up the card shows "Initializing…" instead.
class TranscriptView : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal kMaxEditorHeight = 300;
    static constexpr qreal kEditorCornerRadius = 16;
    static inline const QString kSendCategory = QStringLiteral("All Tasks");
    static inline const QString kHeightChanged = QStringLiteral("transcriptHeightChanged");

    // isVisible reads the window manager's visibility (kept for the manager; unused here);
    // onClose closes the panel with the source of the close.
    TranscriptView(TranscriptCoordinator *mainViewModel, std::function<bool()> isVisible,
                   std::function<void(const QString &source)> onClose, QWidget *parent = nullptr);
    ~TranscriptView() override;

    // The editor's height for a text: one 16-point line layout 312 points wide plus 28, at
    // least 44 and at most 300.
    static qreal measureTextHeight(const QString &text);

    qreal textEditorHeight() const { return m_textEditorHeight; }
    qreal animationScale() const { return m_animationScale; }
    qreal animationOpacity() const { return m_animationOpacity; }
    bool isEditorShown() const { return m_editorShown; }
    QPlainTextEdit *editor() const { return m_editor; }
    QLabel *placeholder() const { return m_placeholder; }
    CircleButton *closeButton() const { return m_closeButton; }
    CircleButton *sendButton() const { return m_sendButton; }
    QWidget *card() const { return m_card; }

    void send();
    void close();
    // Stops following the coordinator (a replaced view, waiting for deletion).
    void detach();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void updateEditorRow();
    void onTranscriptInputChanged(const QString &text);
    void setFieldHeight(qreal height);
    void setCardOpacity(qreal opacity);
    void placeCard();
    void runEntranceAnimation();
    void applyLineSpacing();

    QPointer<TranscriptCoordinator> m_mainViewModel;
    std::function<bool()> m_isVisible;
    std::function<void(const QString &)> m_onClose;

    QWidget *m_card = nullptr;
    QWidget *m_field = nullptr;
    QPlainTextEdit *m_editor = nullptr;
    QLabel *m_placeholder = nullptr;
    CircleButton *m_closeButton = nullptr;
    CircleButton *m_sendButton = nullptr;
    QVariantAnimation *m_heightAnimation = nullptr;
    QVariantAnimation *m_entrance = nullptr;

    bool m_editorShown = false;
    bool m_updatingEditor = false;
    bool m_entranceStarted = false;
    qreal m_animationScale = 0.8;
    qreal m_animationOpacity = 0.0;
    qreal m_textEditorHeight = 60.0;
};
