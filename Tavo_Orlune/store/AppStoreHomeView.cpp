#include "store/AppStoreHomeView.h"
#include "Platform/Assets.h"
#include "store/StoreViewParts.h"
#include "theme/Color.h"
#include "theme/Fonts.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {
// The banner: the bundle image at the full width, its aspect ratio kept, in rounded corners.
class Banner : public QWidget {
public:
    explicit Banner(QWidget *parent)
        : QWidget(parent)
    {
        const QPixmap natural = Assets::pixmap(QStringLiteral("img_appstore_banner"), QSize());
        m_aspect = natural.isNull() || natural.width() == 0 ? 0.25 : qreal(natural.height()) / natural.width();
        QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        policy.setHeightForWidth(true);
        setSizePolicy(policy);
    }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int w) const override { return qRound(w * m_aspect); }
    QSize sizeHint() const override { return QSize(800, heightForWidth(800)); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath clip;
        clip.addRoundedRect(QRectF(0, 0, width(), heightForWidth(width())), 26, 26);
        p.setClipPath(clip);
        const QSize target(width(), heightForWidth(width()));
        // Drawn once per size into one bitmap, so scrolling repaints a flat image.
        if (m_cache.size() != target * devicePixelRatioF())
            m_cache = Assets::pixmap(QStringLiteral("img_appstore_banner"), target, devicePixelRatioF());
        p.drawPixmap(QRect(QPoint(0, 0), target), m_cache);
    }

private:
    qreal m_aspect;
    QPixmap m_cache;
};
}

AppStoreHomeView::AppStoreHomeView(AppStoreModel *viewModel, StoreCardGrid::Columns, QWidget *parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
{
    if (!viewModel)
        qFatal("AppStoreHomeView needs the store model");
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(24, 0, 24, 0);
    m_scroll = StoreViewParts::verticalScrollArea(this);
    outer->addWidget(m_scroll);
    auto *content = new QWidget;
    content->setAttribute(Qt::WA_TranslucentBackground);
    auto *stack = new QVBoxLayout(content);
    stack->setContentsMargins(0, 16, 0, 0);
    stack->setSpacing(20);
    stack->setAlignment(Qt::AlignTop);

    m_banner = new Banner(content);
    auto *bannerBox = new QWidget(content);
    auto *bannerLayout = new QVBoxLayout(bannerBox);
    bannerLayout->setContentsMargins(0, 0, 0, 20);
    bannerLayout->addWidget(m_banner);
    stack->addWidget(bannerBox);

    const QString titles[3] = {tr("Featured"), tr("Productivity"), tr("Artificial Intelligence")};
    const AppCardSize sizes[3] = {AppCardSize::Large, AppCardSize::Large, AppCardSize::Small};
    for (int r = Featured; r <= Ai; ++r) {
        auto *section = new QWidget(content);
        auto *v = new QVBoxLayout(section);
        v->setContentsMargins(0, 0, 0, 0);
        v->setSpacing(0);
        QLabel *title = StoreViewParts::label(titles[r], Fonts::storeTitleFont(), Color::textPrimary(), section);
        title->setContentsMargins(32, 0, 32, 8);
        v->addWidget(title);
        auto *rowScroll = new QScrollArea(section);
        rowScroll->setFrameShape(QFrame::NoFrame);
        rowScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        rowScroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        rowScroll->setWidgetResizable(false);
        rowScroll->viewport()->setAutoFillBackground(false);
        rowScroll->setStyleSheet(QStringLiteral("QScrollArea { background: transparent; }"));
        auto *rowBox = new QWidget;
        rowBox->setAttribute(Qt::WA_TranslucentBackground);
        auto *rowLayout = new QHBoxLayout(rowBox);
        rowLayout->setContentsMargins(8, 8, 8, 8);
        rowLayout->setSizeConstraint(QLayout::SetFixedSize);
        m_rows[r] = new StoreCardGrid(viewModel, sizes[r], r == Featured, {0, 0, 16}, 0, StoreCardGrid::Flow::Row, rowBox);
        rowLayout->addWidget(m_rows[r]);
        rowScroll->setWidget(rowBox);
        rowScroll->setFixedHeight(AppCardMetrics::cardSize(sizes[r]).height() + 16);
        v->addWidget(rowScroll);
        m_sections[r] = section;
        stack->addWidget(section);

        auto *divider = new QWidget(content);
        auto *d = new QVBoxLayout(divider);
        d->setContentsMargins(16, 8, 16, 8);
        d->addWidget(new StoreFillRect(Color::cardHighlight(), 1, divider));
        m_dividers.append(divider);
        stack->addWidget(divider);
    }
    m_scroll->setWidget(content);

    connect(viewModel, &AppStoreModel::featuredAppsChanged, this, [this] { sync(Featured); });
    connect(viewModel, &AppStoreModel::productivityAppsChanged, this, [this] { sync(Productivity); });
    connect(viewModel, &AppStoreModel::aiAppsChanged, this, [this] { sync(Ai); });
    for (int r = Featured; r <= Ai; ++r)
        sync(Row(r));
}

bool AppStoreHomeView::isSectionShown(Row row) const
{
    return !m_sections[row]->isHidden();
}

void AppStoreHomeView::sync(Row row)
{
    if (!m_viewModel)
        return;
    static const QString prefixes[3] = {QStringLiteral("featured-"), QStringLiteral("productivity-"), QStringLiteral("ai-")};
    QList<AppStoreData *> apps;
    switch (row) {
    case Featured:
        // The model keeps it at 13 at most; the page shows it whole.
        apps = m_viewModel->featuredApps();
        break;
    case Productivity:
        apps = m_viewModel->productivityApps().mid(0, rowCap);
        break;
    case Ai:
        apps = m_viewModel->aiApps().mid(0, rowCap);
        break;
    }
    m_rows[row]->setApps(apps, prefixes[row]);
    m_sections[row]->setHidden(apps.isEmpty());
}
