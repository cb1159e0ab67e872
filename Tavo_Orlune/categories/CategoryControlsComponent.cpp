#include "categories/CategoryControlsComponent.h"

#include "categories/CategoryStyleSearchField.h"
#include "Platform/Assets.h"
#include "Platform/Scheduler.h"
#include "theme/Animations.h"
#include "theme/Color.h"
#include "theme/TavoButtonStyle.h"

#include <QAbstractButton>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QVariantAnimation>

namespace {
constexpr int kSpacing = 16;
constexpr int kPillInnerSpacing = 8;
constexpr int kBadgeSize = 40;
constexpr int kIconSize = 20;
constexpr int kExpandedLeading = 4;
constexpr int kChevronTrailing = 12;

QFont pillFont()
{
    QFont f;
    f.setPixelSize(14);
    f.setWeight(QFont::DemiBold);
    return f;
}

// One pill: a capsule in the pill colour with a badge and, when expanded, the label.
class HeaderPill : public QAbstractButton {
public:
    HeaderPill(QString icon, QString label, bool chevron, QWidget *parent)
        : QAbstractButton(parent), m_icon(std::move(icon)), m_label(std::move(label)), m_chevron(chevron)
    {
        TavoButtonStyle::apply(this);
    }
    void setExpanded(bool expanded, int width)
    {
        m_expanded = expanded;
        m_width = width;
        update();
    }
    QSize sizeHint() const override { return QSize(m_width + (m_expanded ? kExpandedLeading : 0), CategoryControlsComponent::pillHeight); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setOpacity(isEnabled() ? 1.0 : 0.5);
        QPainterPath capsule;
        capsule.addRoundedRect(QRectF(rect()), std::min(100.0, height() / 2.0), std::min(100.0, height() / 2.0));
        p.fillPath(capsule, Color::chipFill());
        const int left = m_expanded ? kExpandedLeading : 0;
        const QRect content(left, 0, m_width, height());
        const int rowWidth = m_expanded ? content.width() : kBadgeSize;
        const int x0 = m_expanded ? content.x() : content.x() + (content.width() - kBadgeSize) / 2;
        const QRect badge(x0, (height() - kBadgeSize) / 2, kBadgeSize, kBadgeSize);
        const qreal dpr = devicePixelRatioF();
        p.drawPixmap(badge, Assets::pixmap(QStringLiteral("bg_circle"), badge.size(), dpr));
        const QRect icon(badge.center().x() - kIconSize / 2 + 1, badge.center().y() - kIconSize / 2 + 1, kIconSize, kIconSize);
        p.drawPixmap(icon, Assets::pixmap(m_icon, icon.size(), dpr));
        if (!m_expanded)
            return;
        p.setFont(pillFont());
        p.setPen(Color::chipText());
        const int textLeft = badge.right() + 1 + kPillInnerSpacing;
        int textRight = x0 + rowWidth;
        if (m_chevron) {
            const QRect chevron(textRight - kChevronTrailing - kIconSize, (height() - kIconSize) / 2, kIconSize, kIconSize);
            p.drawPixmap(chevron, Assets::pixmap(QStringLiteral("ic_down"), chevron.size(), dpr));
            textRight = chevron.left() - kPillInnerSpacing;
        }
        p.drawText(QRect(textLeft, 0, std::max(0, textRight - textLeft), height()), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   m_label);
    }

private:
    QString m_icon;
    QString m_label;
    bool m_chevron;
    bool m_expanded = false;
    int m_width = 48;
};

// The round search button: the "ic_search_circle" image tinted with the primary text colour.
class SearchCircleButton : public QAbstractButton {
public:
    explicit SearchCircleButton(QWidget *parent) : QAbstractButton(parent) { setCursor(Qt::PointingHandCursor); }
    QSize sizeHint() const override { return QSize(CategoryControlsComponent::searchButtonSize, CategoryControlsComponent::searchButtonSize); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        QPixmap pixmap = Assets::pixmap(QStringLiteral("ic_search_circle"), size(), devicePixelRatioF());
        QPainter tint(&pixmap);
        tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
        tint.fillRect(pixmap.rect(), Color::textPrimary());
        tint.end();
        p.drawPixmap(rect(), pixmap);
    }
};
}

CategoryControlsComponent::SizeConfiguration CategoryControlsComponent::sizeConfiguration(int taskCount, bool isSearchActivated)
{
    if (taskCount <= 1)
        return isSearchActivated ? SizeConfiguration::medium : SizeConfiguration::small;
    if (taskCount <= 3)
        return SizeConfiguration::medium;
    if (taskCount == 4)
        return SizeConfiguration::large;
    return SizeConfiguration::extraLarge;
}

int CategoryControlsComponent::headerWidth(SizeConfiguration size)
{
    switch (size) {
    case SizeConfiguration::small:
        return 320;
    case SizeConfiguration::medium:
        return 711;
    case SizeConfiguration::large:
        return 963;
    case SizeConfiguration::extraLarge:
        return 1215;
    }
    return 320;
}

int CategoryControlsComponent::searchFieldWidth(SizeConfiguration size)
{
    switch (size) {
    case SizeConfiguration::small:
        return 0;
    case SizeConfiguration::medium:
        return 439;
    case SizeConfiguration::large:
        return 264;
    case SizeConfiguration::extraLarge:
        return 520;
    }
    return 0;
}

int CategoryControlsComponent::pillWidth(Pill pill, bool expanded)
{
    if (!expanded)
        return 48;
    switch (pill) {
    case Pill::notification:
        return 158;
    case Pill::date:
        return 153;
    case Pill::select:
        return 112;
    case Pill::deleteCategory:
        return 182;
    }
    return 48;
}

CategoryControlsComponent::CategoryControlsComponent(QWidget *parent)
    : QWidget(parent)
    , m_drawnWidth(headerWidth(SizeConfiguration::small))
    , m_widthAnimation(new QVariantAnimation(this))
    , m_field(new CategoryStyleSearchField(this))
    , m_searchButton(new SearchCircleButton(this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(m_drawnWidth, barHeight);
    m_widthAnimation->setDuration(sizeAnimationMs);
    m_widthAnimation->setEasingCurve(Animations::easeInOut());
    connect(m_widthAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        m_drawnWidth = v.toInt();
        setFixedWidth(m_drawnWidth);
        place();
    });
    connect(m_searchButton, &QAbstractButton::clicked, this, &CategoryControlsComponent::activateSearch);
    connect(m_field, &CategoryStyleSearchField::searchTextChanged, this, &CategoryControlsComponent::fieldTextChanged);
    connect(m_field, &CategoryStyleSearchField::searchFocusChanged, this, &CategoryControlsComponent::fieldFocusChanged);

    struct Spec {
        const char *icon;
        const char *label;
        bool chevron;
    };
    const Spec specs[] = {{"ic_notification", QT_TR_NOOP("Notification"), false},
                          {"ic_calendar", QT_TR_NOOP("Today"), true},
                          {"ic_selection", QT_TR_NOOP("Select"), false},
                          {"ic_delete", QT_TR_NOOP("Delete Category"), false}};
    for (const Spec &s : specs) {
        auto *pill = new HeaderPill(QString::fromLatin1(s.icon), tr(s.label), s.chevron, this);
        m_pills.append(pill);
    }
    // Notification, date and select are shown but never act.
    for (int i = 0; i < 3; ++i)
        m_pills[i]->setEnabled(false);
    connect(m_pills[3], &QAbstractButton::clicked, this, [this] {
        if (!isDeleteEnabled())
            return;
        const std::function<void()> action = m_onDeleteCategory;
        action();
    });
    m_shownSize = currentSize();
    sizeMayHaveChanged();
}

QAbstractButton *CategoryControlsComponent::pill(Pill pill) const
{
    return m_pills.value(int(pill));
}

bool CategoryControlsComponent::showsSearchField() const
{
    return !(m_taskCount <= 1 && !m_isSearchActivated);
}

bool CategoryControlsComponent::isDeleteEnabled() const
{
    return !m_isAllTasksCategory && !m_hasRunningTasks && bool(m_onDeleteCategory);
}

void CategoryControlsComponent::setSearchText(const QString &text)
{
    if (m_searchText == text)
        return;
    m_field->setSearchText(text);
    if (m_searchText != text)
        fieldTextChanged(text);
}

void CategoryControlsComponent::setTaskCount(int count)
{
    if (m_taskCount == count)
        return;
    m_taskCount = count;
    if (count >= 2)
        m_isSearchActivated = false;
    sizeMayHaveChanged();
}

void CategoryControlsComponent::setOnDeleteCategory(std::function<void()> action)
{
    m_onDeleteCategory = std::move(action);
    m_pills[3]->setEnabled(isDeleteEnabled());
}

void CategoryControlsComponent::setIsAllTasksCategory(bool value)
{
    m_isAllTasksCategory = value;
    m_pills[3]->setEnabled(isDeleteEnabled());
}

void CategoryControlsComponent::setHasRunningTasks(bool value)
{
    m_hasRunningTasks = value;
    m_pills[3]->setEnabled(isDeleteEnabled());
}

void CategoryControlsComponent::activateSearch()
{
    setSearchActivated(true);
    QPointer<CategoryControlsComponent> self(this);
    // The field must be on screen before it takes the keyboard.
    Scheduler::instance().singleShot(focusDelayMs, this, [self] {
        if (self)
            self->m_field->setSearchFocused(true);
    });
}

void CategoryControlsComponent::setSearchActivated(bool activated)
{
    if (m_isSearchActivated == activated)
        return;
    m_isSearchActivated = activated;
    sizeMayHaveChanged();
}

void CategoryControlsComponent::fieldTextChanged(const QString &text)
{
    if (m_searchText == text)
        return;
    m_searchText = text;
    Q_EMIT searchTextChanged(text);
    if (text.isEmpty() && m_taskCount <= 1) {
        setSearchActivated(false);
        if (m_isSearchFocused)
            m_field->setSearchFocused(false);
    }
}

void CategoryControlsComponent::fieldFocusChanged(bool focused)
{
    m_isSearchFocused = focused;
    if (!focused && m_searchText.isEmpty() && m_taskCount <= 1)
        setSearchActivated(false);
}

void CategoryControlsComponent::sizeMayHaveChanged()
{
    const SizeConfiguration size = currentSize();
    const bool expanded = isExpanded(size);
    for (int i = 0; i < m_pills.size(); ++i)
        static_cast<HeaderPill *>(m_pills[i])->setExpanded(expanded, pillWidth(Pill(i), expanded));
    m_field->setVisible(showsSearchField());
    m_searchButton->setVisible(!showsSearchField());
    const int target = headerWidth(size);
    if (size != m_shownSize && isVisible()) {
        m_widthAnimation->stop();
        m_widthAnimation->setStartValue(m_drawnWidth);
        m_widthAnimation->setEndValue(target);
        m_widthAnimation->start();
    } else if (m_widthAnimation->state() != QAbstractAnimation::Running) {
        m_drawnWidth = target;
        setFixedWidth(target);
    }
    m_shownSize = size;
    updateGeometry();
    place();
}

QSize CategoryControlsComponent::sizeHint() const
{
    return QSize(headerWidth(currentSize()), barHeight);
}

void CategoryControlsComponent::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    place();
}

void CategoryControlsComponent::place()
{
    const SizeConfiguration size = currentSize();
    QList<QWidget *> items;
    QList<int> widths;
    if (showsSearchField()) {
        items << m_field;
        widths << searchFieldWidth(size);
    } else {
        items << m_searchButton;
        widths << searchButtonSize;
    }
    for (QAbstractButton *pill : std::as_const(m_pills)) {
        items << pill;
        widths << pill->sizeHint().width();
    }
    int total = 0;
    for (int w : std::as_const(widths))
        total += w;
    total += kSpacing * int(widths.size() - 1);
    int x = (width() - total) / 2;
    for (int i = 0; i < items.size(); ++i) {
        const int h = items[i] == m_searchButton ? searchButtonSize : pillHeight;
        items[i]->setGeometry(x, (barHeight - h) / 2, widths[i], h);
        x += widths[i] + kSpacing;
    }
}

void CategoryControlsComponent::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF bar = QRectF(rect());
    QPainterPath shape;
    shape.addRoundedRect(bar, 32, 32);
    QColor fill = QColor::fromRgbF(0.95f, 0.94f, 0.93f);
    fill.setAlphaF(0.8f);
    p.fillPath(shape, fill);
    QPainterPath edge;
    edge.addRoundedRect(bar.adjusted(0.5, 0.5, -0.5, -0.5), 31.5, 31.5);
    QColor outline(Qt::white);
    outline.setAlphaF(0.8f);
    p.setPen(QPen(outline, 1));
    p.drawPath(edge);
}
