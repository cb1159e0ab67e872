#pragma once
#include <QPointer>
#include <QString>
#include <QWidget>

class BottomMenuContainerView;
class ChatCoordinator;
class ModelContext;
class SideChatView;
class TaskData;
class TaskWorkspaceViewModel;
class WebView;
class WebViewManager;

// The workspace of one task: a rounded, translucent panel holding the task's web content (the
// newest generated document, the selected app's page or the fallback address; see
// TaskWorkspaceViewModel) over a dock of the task's apps, with the task's chat beside them.
//
// The host gives the address to start from, the task, the store context the workspace reads
// (the host's own: the queries and the side chat use it) and the coordinator the chat needs;
// webViews is the web view factory (null: WebViewManager::shared()). The web content is a
// native web view, so the host places the workspace as a native child (never inside a
// QGraphicsProxyWidget). Each change of what is shown replaces the web view; a document is
// shown in the isolated document profile, a page in the shared web profile.
class TaskWorkspaceView : public QWidget {
    Q_OBJECT
public:
    static constexpr int spacing = 12;
    static constexpr int contentHeight = 858;
    static constexpr int contentCornerRadius = 24;
    static constexpr int panelCornerRadius = 36;

    TaskWorkspaceView(const QString &initialUrl, TaskData *selectedTask, ModelContext *modelContext,
                      ChatCoordinator *coordinator, WebViewManager *webViews = nullptr, QWidget *parent = nullptr);
    ~TaskWorkspaceView() override;

    TaskWorkspaceViewModel *viewModel() const { return m_viewModel; }
    // The view showing the content; null while there is none.
    WebView *webView() const { return m_webView; }
    // The identity of what is shown now ("none" with no content).
    QString shownIdentity() const { return m_shownIdentity; }
    SideChatView *sideChat() const { return m_sideChat; }
    BottomMenuContainerView *dock() const { return m_dock; }

    QSize sizeHint() const override;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void updateContent();
    void layoutContent();

    TaskWorkspaceViewModel *m_viewModel;
    QPointer<WebViewManager> m_webViews;
    QWidget *m_contentSlot;
    QWidget *m_contentFrame;
    WebView *m_webView = nullptr;
    QString m_shownIdentity;
    BottomMenuContainerView *m_dock;
    SideChatView *m_sideChat;
};
