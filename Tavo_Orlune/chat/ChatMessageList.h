#pragma once
#include "Platform/Store/ModelHold.h"
#include "model/ChatMessageData.h"

#include <QAbstractScrollArea>
#include <QList>
#include <functional>
#include <optional>
#include <vector>

class ChatMessageData;
class MessageBubbleView;
class MessageBubbleViewModel;
class QVariantAnimation;
class TaskAppAssociationService;

// The scrolling list of a chat's bubbles, followed by the bottom anchor. Only the rows that
// intersect the visible area have widgets; every other row is a height (measured when it was last
// on screen, estimated from its text before that). The rows' view models live as long as their
// messages are listed, so a row that scrolls away and back keeps its state. An update of one
// message touches only that row.
class ChatMessageList : public QAbstractScrollArea {
    Q_OBJECT
public:
    struct RowFields {
        std::optional<int> messageNumber;
        bool isLoading = false;
    };
    using FieldsProvider = std::function<RowFields(ChatMessageData *)>;

    static constexpr int kTopPadding = 16;
    static constexpr int kSidePadding = 20;
    static constexpr int kSpacing = 24;

    explicit ChatMessageList(TaskAppAssociationService *associationService, QWidget *parent = nullptr);
    ~ChatMessageList() override;

    void setFieldsProvider(FieldsProvider provider) { m_fields = std::move(provider); }

    // The listed messages changed (rows kept by identity, added, removed, reordered).
    void setMessages(const QList<ChatMessageData *> &messages);
    // One message's content changed.
    void messageChanged(int row);
    // Step numbers and loading flags are asked again for every row on screen.
    void refreshRowFields();

    void setBottomSpacerHeight(int height);
    int bottomSpacerHeight() const { return m_spacerHeight; }
    void setBottomPadding(int padding);
    int bottomPadding() const { return m_bottomPadding; }

    // Scrolls so the bottom anchor's bottom edge meets the bottom of the visible area (plus the
    // padding under it). Animated: 0.3 s ease-out, following the bottom if it moves meanwhile.
    // Done on the next main-thread turn; until it ends, content growth that pushes the anchor out
    // of view does not count as leaving it.
    void requestScrollToBottom(bool animated);
    bool isScrollInFlight() const { return m_scrollInFlight; }

    int rowCount() const { return int(m_rows.size()); }
    MessageBubbleView *rowWidget(int row) const;
    MessageBubbleViewModel *rowViewModel(int row) const;
    int laidOutRowCount() const;
    QRect rowRect(int row) const; // in content coordinates
    int contentHeight() const { return m_contentHeight; }
    int offset() const;
    int maxOffset() const;
    void setOffset(int offset);
    bool isAnchorVisible() const { return m_anchorVisible; }

    // Lays the visible rows out now (normally done after every change).
    void relayout();

Q_SIGNALS:
    void anchorAppeared();
    void anchorDisappeared();

protected:
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool viewportEvent(QEvent *event) override;

private:
    struct Row {
        ModelHold<ChatMessageData> message; // the row may outlive the chat's own list by a turn
        MessageBubbleViewModel *viewModel = nullptr;
        MessageBubbleView *widget = nullptr;
        int height = 0;
        int measuredWidth = -1; // width the height was measured at; -1 to measure again
        bool estimated = true;  // the height is a guess from the text's length
    };

    int rowWidth() const;
    int estimateHeight(const Row &row) const;
    void measure(Row &row);
    void releaseWidget(Row &row);
    void computePositions();
    void measureVisibleRows();
    void placeRows();
    // Lays out the text of the rows on screen where it is on screen; true when a row's height
    // changed.
    bool layOutVisibleText();
    void updateAnchor(bool report);
    void userScrolled();
    void finishScroll();

    TaskAppAssociationService *m_associationService;
    FieldsProvider m_fields;
    std::vector<Row> m_rows;
    std::vector<int> m_tops;
    int m_contentHeight = 0;
    int m_spacerHeight = 100;
    int m_bottomPadding = 0;
    bool m_anchorVisible = false;
    bool m_anchorKnown = false;
    bool m_inRelayout = false;
    bool m_scrollInFlight = false;
    int m_scrollStart = 0;
    QVariantAnimation *m_scrollAnimation;
};
