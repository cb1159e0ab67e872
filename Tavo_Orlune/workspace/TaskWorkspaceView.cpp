#include "workspace/TaskWorkspaceView.h"

#include "theme/Color.h"
#include "workspace/BottomMenuContainerView.h"
#include "workspace/SideChatView.h"
#include "workspace/TaskWorkspaceViewModel.h"
#include "workspace/WebView.h"
#include "workspace/WebViewManager.h"
#include "workspace/WorkspaceContent.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QPainter>
#include <QPainterPath>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

QPainterPath roundedRect(const QRectF &rect, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

// The white edge of the content, drawn above whatever the content slot shows.
class ContentFrame : public QWidget {
public:
    explicit ContentFrame(QWidget *parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_TranslucentBackground);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::white, 1));
        p.setBrush(Qt::NoBrush);
        p.drawPath(roundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), TaskWorkspaceView::contentCornerRadius));
    }
};

} // namespace

TaskWorkspaceView::TaskWorkspaceView(const QString &initialUrl, TaskData *selectedTask, ModelContext *modelContext,
                                     ChatCoordinator *coordinator, WebViewManager *webViews, QWidget *parent)
    : QWidget(parent)
    , m_viewModel(new TaskWorkspaceViewModel(initialUrl, selectedTask, modelContext, this))
    , m_webViews(webViews)
    , m_contentSlot(new QWidget(this))
    , m_contentFrame(new ContentFrame(m_contentSlot))
    , m_dock(new BottomMenuContainerView(m_viewModel->taskApps(), m_viewModel->selectedApp(), this))
    , m_sideChat(new SideChatView(selectedTask, modelContext, coordinator, this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    m_contentSlot->setFixedHeight(contentHeight);
    m_contentSlot->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_contentSlot->installEventFilter(this);

    auto *column = new QVBoxLayout;
    column->setSpacing(spacing);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(m_contentSlot);
    column->addWidget(m_dock, 0, Qt::AlignHCenter);
    column->addStretch(1);

    auto *row = new QHBoxLayout(this);
    row->setSpacing(spacing);
    row->setContentsMargins(spacing, spacing, spacing, spacing);
    row->addLayout(column, 1);
    row->addWidget(m_sideChat, 0);

    connect(m_viewModel, &TaskWorkspaceViewModel::changed, this, &TaskWorkspaceView::updateContent);
    connect(m_dock, &BottomMenuContainerView::selectionWritten, m_viewModel, &TaskWorkspaceViewModel::setSelectedApp);
    updateContent();
}

TaskWorkspaceView::~TaskWorkspaceView()
{
    // The web view goes first, while the manager it came from is surely there.
    delete m_webView;
}

QSize TaskWorkspaceView::sizeHint() const
{
    const QSize dock = m_dock->sizeHint();
    return {858 + SideChatView::chatWidth + 3 * spacing, contentHeight + dock.height() + 3 * spacing};
}

void TaskWorkspaceView::updateContent()
{
    m_dock->setApps(m_viewModel->taskApps());
    m_dock->setSelectedApp(m_viewModel->selectedApp());

    const std::optional<WebView::Content> content = m_viewModel->currentContent();
    const QString identity = WorkspaceContent::contentIdentity(content);
    if (!content) {
        if (m_webView) {
            delete m_webView;
            m_webView = nullptr;
        }
    } else if (identity != m_shownIdentity || !m_webView) {
        // What is shown changed: a fresh view with its own coordinator; the old one is torn down.
        delete m_webView;
        m_webView = new WebView(*content, m_webViews, m_contentSlot);
        layoutContent();
        m_webView->setVisible(true);
        m_contentFrame->raise();
    } else if (m_webView->content() != *content) {
        // The same identity for other content (two documents whose hashes meet) still loads.
        m_webView->setContent(*content);
    }
    m_shownIdentity = identity;
    m_contentSlot->update();
}

void TaskWorkspaceView::layoutContent()
{
    const QRect bounds = m_contentSlot->rect();
    m_contentFrame->setGeometry(bounds);
    if (m_webView) {
        m_webView->setGeometry(bounds);
        m_webView->setMask(QRegion(roundedRect(QRectF(bounds), contentCornerRadius).toFillPolygon().toPolygon()));
    }
}

bool TaskWorkspaceView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_contentSlot && event->type() == QEvent::Resize)
        layoutContent();
    return QWidget::eventFilter(watched, event);
}

void TaskWorkspaceView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        m_viewModel->appear();
}

void TaskWorkspaceView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        m_viewModel->disappear();
}

void TaskWorkspaceView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath panel = roundedRect(QRectF(rect()), panelCornerRadius);
    p.fillPath(panel, Color::hex(u"#F1F0EC", 0.4));
    // The border lies inside the panel's edge.
    p.setPen(QPen(Qt::white, 1));
    p.drawPath(roundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), panelCornerRadius - 0.5));
}
