#pragma once
#include "chat/AnswerSegments.h"

#include <QWidget>
#include <vector>

class QMimeData;

// An answer's Markdown drawn as a column of segments (see AnswerSegments): only the segments that
// come on screen are laid out; the others keep a height guessed from their text until they do.
// The chat list tells the view which band of it is on screen (layOutVisible), and a guess
// corrected above that band is reported so the list keeps what is on screen where it was.
// Selection runs across segments, and a copy of it carries plain text and HTML. Links open
// through the application's opener, which refuses every scheme but http, https and mailto.
class AnswerTextView : public QWidget {
    Q_OBJECT
public:
    explicit AnswerTextView(QWidget *parent = nullptr);
    ~AnswerTextView() override;

    // Takes the answer's (formatted) Markdown; segments that read as before stay laid out.
    void setMarkdown(const QString &markdown);
    AnswerSegments &segments() { return m_segments; }

    // Lays out the segments that meet [top, bottom) (this view's coordinates) at the current
    // width. Returns by how much the height above what was already on screen changed (above
    // `top`, or above the band's first segment laid out before), so the caller can hold still.
    int layOutVisible(int top, int bottom);
    // Where a segment starts at the current width (measured and guessed heights).
    int segmentTop(int index) const;

    // The whole answer as plain text, each segment's document in order (builds them all).
    QString toPlainText();

    bool hasSelection() const;
    QString selectedText();
    void selectAll();
    void clearSelection();
    // Puts the selection on the clipboard as plain text and HTML.
    void copy();
    QMimeData *selectionMimeData();

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return {0, 0}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    struct Place {
        int segment = -1;
        int position = 0;
        bool operator==(const Place &o) const { return segment == o.segment && position == o.position; }
        bool operator<(const Place &o) const { return segment < o.segment || (segment == o.segment && position < o.position); }
    };

    int heightAt(int index, int width) const;
    void recomputeTops() const;
    int segmentAt(int y) const;
    Place placeAt(const QPoint &point);
    QString anchorAt(const QPoint &point);
    // The selected range inside one segment, or false when the segment holds none of it.
    bool selectionIn(int index, int &from, int &to);

    AnswerSegments m_segments;
    mutable std::vector<int> m_tops; // top of each segment and the total height at m_topsWidth
    mutable int m_topsWidth = -1;
    mutable bool m_topsValid = false;
    Place m_anchor;
    Place m_active;
    bool m_selecting = false;
    QPoint m_pressPoint;
    QString m_pressedLink;
};
