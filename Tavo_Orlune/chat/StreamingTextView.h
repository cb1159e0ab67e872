#pragma once
#include "chat/MarkdownDocument.h"

#include <QTextBrowser>

// The text of one chat message: Markdown drawn with the chat's styles, or one plain-text block.
// Read-only and selectable; its height follows its text at the width it is given. Links open
// in the browser only for http, https and mailto.
class StreamingTextView : public QTextBrowser {
    Q_OBJECT
public:
    explicit StreamingTextView(QWidget *parent = nullptr);
    StreamingTextView(const QString &finalText, bool isStreaming, bool isMarkdown,
                      QWidget *parent = nullptr);

    // Redraws with a new text; isStreaming changes nothing that is drawn.
    void setContent(const QString &finalText, bool isStreaming, bool isMarkdown);

    QString finalText() const { return m_finalText; }
    bool isStreaming() const { return m_isStreaming; }
    bool isMarkdown() const { return m_isMarkdown; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Builds the plain path's document; shared with tests and measurements.
    static void buildPlain(QTextDocument *document, const QString &text);

protected:
    void resizeEvent(QResizeEvent *event) override;
    QVariant loadResource(int type, const QUrl &name) override;

private:
    void rebuild();

    QString m_finalText;
    bool m_isStreaming = false;
    bool m_isMarkdown = false;
    bool m_built = false;
    // A text that grows is rebuilt from its first changed block only.
    MarkdownDocument::IncrementalBuilder m_markdown;
    // The height at one width, kept until the text or the width changes: laying the whole
    // document out at another width and back costs two full layouts.
    mutable int m_hfwWidth = -1;
    mutable int m_hfwHeight = 0;
};
