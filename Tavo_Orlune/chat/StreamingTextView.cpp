#include "chat/StreamingTextView.h"

#include "chat/MarkdownDocument.h"
#include "Platform/UrlOpener.h"
#include "theme/Fonts.h"

#include <QAbstractTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

StreamingTextView::StreamingTextView(QWidget *parent) : QTextBrowser(parent)
{
    setReadOnly(true);
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setUndoRedoEnabled(false);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard
                            | Qt::LinksAccessibleByMouse);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    viewport()->setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
    setStyleSheet(QStringLiteral("QTextBrowser { background: transparent; border: none; }"));
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    document()->setDocumentMargin(0);
    connect(this, &QTextBrowser::anchorClicked, this, [](const QUrl &url) {
        UrlOpener::open(url); // refuses every scheme but http, https and mailto
    });
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged,
            this, [this] { updateGeometry(); });
}

StreamingTextView::StreamingTextView(const QString &finalText, bool isStreaming, bool isMarkdown,
                                     QWidget *parent)
    : StreamingTextView(parent)
{
    setContent(finalText, isStreaming, isMarkdown);
}

void StreamingTextView::setContent(const QString &finalText, bool isStreaming, bool isMarkdown)
{
    m_isStreaming = isStreaming;
    if (m_built && finalText == m_finalText && isMarkdown == m_isMarkdown)
        return;
    m_finalText = finalText;
    m_isMarkdown = isMarkdown;
    rebuild();
}

void StreamingTextView::buildPlain(QTextDocument *document, const QString &text)
{
    document->clear();
    document->setDocumentMargin(0);
    document->setDefaultFont(Fonts::bodyFont());
    QTextCursor cursor(document);
    QTextBlockFormat bf;
    bf.setLineHeight(4, QTextBlockFormat::LineDistanceHeight);
    bf.setAlignment(Qt::AlignLeft);
    QTextCharFormat cf;
    cf.setFont(Fonts::bodyFont());
    cf.setForeground(MarkdownDocument::textColor());
    cursor.setBlockFormat(bf);
    cursor.setBlockCharFormat(cf);
    // The user's text is shown as it was typed: nothing in it is read as markup.
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        if (i > 0)
            cursor.insertBlock(bf, cf);
        cursor.insertText(lines[i], cf);
    }
}

void StreamingTextView::rebuild()
{
    m_built = true;
    m_hfwWidth = -1;
    if (m_isMarkdown) {
        m_markdown.build(document(), m_finalText);
    } else {
        m_markdown.reset();
        buildPlain(document(), m_finalText);
    }
    const qreal width = viewport()->width() > 0 ? viewport()->width() : -1;
    if (document()->textWidth() != width)
        document()->setTextWidth(width);
    updateGeometry();
}

int StreamingTextView::heightForWidth(int width) const
{
    if (m_finalText.isEmpty())
        return 0;
    QTextDocument *doc = document();
    if (qreal(width) == doc->textWidth())
        return qCeil(doc->size().height());
    if (width == m_hfwWidth)
        return m_hfwHeight;
    const qreal saved = doc->textWidth();
    doc->setTextWidth(width);
    const int h = qCeil(doc->size().height());
    doc->setTextWidth(saved);
    m_hfwWidth = width;
    m_hfwHeight = h;
    return h;
}

QSize StreamingTextView::sizeHint() const
{
    const int w = width() > 0 ? width() : 312;
    return {w, heightForWidth(w)};
}

QSize StreamingTextView::minimumSizeHint() const
{
    return {0, 0};
}

void StreamingTextView::resizeEvent(QResizeEvent *event)
{
    QTextBrowser::resizeEvent(event);
    if (document()->textWidth() != viewport()->width())
        document()->setTextWidth(viewport()->width());
    updateGeometry();
}

QVariant StreamingTextView::loadResource(int, const QUrl &)
{
    return {}; // nothing in an answer is ever fetched
}
