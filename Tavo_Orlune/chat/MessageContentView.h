#pragma once
#include "chat/TextProcessingService.h"

#include <QWidget>

class AnswerTextView;
class MessageBubbleViewModel;
class StreamingTextView;
class QAbstractButton;
class QLabel;

// The copy row under an answer: "Copy" with its glyph, "Copied" in green for the 1.5 s of the
// view model's feedback.
class CopyButtonView : public QWidget {
    Q_OBJECT
public:
    explicit CopyButtonView(MessageBubbleViewModel *viewModel, QWidget *parent = nullptr);

    QString label() const;
    QString imageName() const;
    QColor tint() const;
    QAbstractButton *button() const { return m_button; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void refresh();

    MessageBubbleViewModel *m_viewModel;
    QAbstractButton *m_button;
    QLabel *m_icon;
    QLabel *m_label;
};

// The user's text as typed (never read as markup) on a rounded card.
class UserMessageContentView : public QWidget {
    Q_OBJECT
public:
    explicit UserMessageContentView(MessageBubbleViewModel *viewModel, QWidget *parent = nullptr);

    void refresh();
    StreamingTextView *textView() const { return m_text; }
    // The card hugs its text: the text's natural width plus the padding, at most `width`.
    int preferredWidth(int width) const;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    MessageBubbleViewModel *m_viewModel;
    StreamingTextView *m_text;
};

// An answer drawn as Markdown on a rounded card with the copy row under it. A thinking message
// has no text here (its status line names it) and takes no room. The text is a column of
// segments laid out only where it is on screen.
class AIMessageContentView : public QWidget {
    Q_OBJECT
public:
    explicit AIMessageContentView(MessageBubbleViewModel *viewModel, QWidget *parent = nullptr);

    void refresh();
    AnswerTextView *answerView() const { return m_text; }
    CopyButtonView *copyButton() const { return m_copy; }
    // Lays out the answer's segments that meet [top, bottom) (this card's coordinates); returns
    // by how much the card's height above `top` changed.
    int layOutVisible(int top, int bottom);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    void invalidateLayouts();

    MessageBubbleViewModel *m_viewModel;
    QWidget *m_textBox;
    AnswerTextView *m_text;
    CopyButtonView *m_copy;
    StreamingMarkdownFormatter m_formatter; // a streamed answer is formatted at its end only
};

// The body of one message: placed on the user's side for the user's messages and on the
// assistant's side otherwise, chosen by the message type.
class MessageContentView : public QWidget {
    Q_OBJECT
public:
    enum class Body { None, User, AI };

    explicit MessageContentView(MessageBubbleViewModel *viewModel, QWidget *parent = nullptr);

    // Re-reads the message (its text grew, its title changed).
    void refresh();

    Body body() const { return m_body; }
    bool onUserSide() const { return m_userSide; }
    UserMessageContentView *userContent() const { return m_user; }
    AIMessageContentView *aiContent() const { return m_ai; }
    // See AIMessageContentView::layOutVisible; nothing to do for other bodies.
    int layOutVisible(int top, int bottom);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool event(QEvent *event) override;

private:
    void place();

    MessageBubbleViewModel *m_viewModel;
    Body m_body = Body::None;
    bool m_userSide = false;
    UserMessageContentView *m_user = nullptr;
    AIMessageContentView *m_ai = nullptr;
};
