#include "tutorial/AppStoreContentView.h"
#include "tutorial/FloatingAppIconsView.h"
#include "tutorial/TutorialButton.h"
#include "tutorial/TutorialCardSurface.h"

#include "theme/Color.h"
#include "theme/Fonts.h"
#include "theme/Sizes.h"
#include "theme/TemplateImage.h"

#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QVBoxLayout>

namespace {
QLabel *text(const QString &value, const QString &name, const QFont &font, qreal opacity, QWidget *parent)
{
    auto *label = new QLabel(value, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignHCenter);
    label->setWordWrap(true);
    label->setFont(font);
    QPalette palette = label->palette();
    QColor color = Color::textPrimary();
    color.setAlphaF(color.alphaF() * opacity);
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}
}

AppStoreContentView::AppStoreContentView(std::function<void()> onBrowseApps, TutorialHoverFlag *browseAppsHovered,
                                         TutorialHoverFlag *cardHovered, const QList<FloatingIconPosition> &iconPositions,
                                         const QStringList &appIcons, QWidget *parent)
    : QWidget(parent)
    , m_card(new TutorialCardSurface(cornerRadius, cardHovered, this))
{
    setObjectName(QStringLiteral("appStoreContentView"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    auto *outer = new QVBoxLayout(m_card);
    outer->setContentsMargins(0, int(Sizes::spacingXL), 0, int(Sizes::spacingXL));
    outer->setSpacing(0);

    // The header: icon, titles, explanation and the logos, which take the height left over.
    auto *header = new QVBoxLayout;
    header->setContentsMargins(int(Sizes::spacingXXL), int(Sizes::spacingXXL), int(Sizes::spacingXXL), 0);
    header->setSpacing(int(Sizes::spacingL));
    auto *icon = new QLabel(m_card);
    icon->setObjectName(QStringLiteral("btn_appstore"));
    icon->setFixedSize(50, 50);
    icon->setPixmap(QPixmap::fromImage(TemplateImage::tinted(QStringLiteral("btn_appstore"), QSizeF(50, 50), Color::textPrimary(),
                                                             icon->devicePixelRatioF())));
    icon->setScaledContents(true);
    auto *iconShadow = new QGraphicsDropShadowEffect(icon);
    iconShadow->setColor(QColor(0, 0, 0, qRound(0.1 * 255)));
    iconShadow->setBlurRadius(4);
    iconShadow->setOffset(0, 2);
    icon->setGraphicsEffect(iconShadow);
    header->addWidget(icon, 0, Qt::AlignHCenter);

    auto *titles = new QVBoxLayout;
    titles->setSpacing(int(Sizes::spacingS));
    titles->addWidget(text(QStringLiteral("Orlune App Store"), QStringLiteral("title"), Fonts::headlineFont(), 1.0, m_card));
    titles->addWidget(text(QStringLiteral("Get Started with Apps"), QStringLiteral("subtitle"), Fonts::sectionTitleFont(), 0.8, m_card));
    header->addLayout(titles);

    QLabel *explanation = text(QStringLiteral("Install your favorite productivity apps and start building your infinite canvas"),
                               QStringLiteral("explanation"), Fonts::bodyFont(), 0.7, m_card);
    explanation->setContentsMargins(int(Sizes::spacingM), 0, int(Sizes::spacingM), 0);
    header->addWidget(explanation);

    m_icons = new FloatingAppIconsView(appIcons, iconPositions, m_card);
    auto *iconArea = new QVBoxLayout;
    iconArea->setContentsMargins(0, int(Sizes::spacingXL), 0, 0);
    iconArea->addWidget(m_icons);
    header->addLayout(iconArea, 1);
    outer->addLayout(header, 1);

    // A flexible gap of at least 20 pt, then the button.
    outer->addSpacing(int(Sizes::spacingXL));
    outer->addStretch(1);

    TutorialButton::Style style;
    style.horizontalPadding = 28;
    style.verticalPadding = 14;
    style.cornerRadius = Sizes::cornerRadiusSmall + 2;
    style.icon = QStringLiteral("btn_appstore");
    style.iconSize = QSizeF(18, 18);
    style.shadow = true;
    m_install = new TutorialButton(QStringLiteral("Install Apps"), style, browseAppsHovered, std::move(onBrowseApps), m_card);
    m_install->setObjectName(QStringLiteral("installApps"));
    auto *buttons = new QVBoxLayout;
    buttons->setContentsMargins(int(Sizes::spacingXXL), 0, int(Sizes::spacingXXL), int(Sizes::spacingXXL));
    buttons->setSpacing(int(Sizes::spacingM));
    buttons->addWidget(m_install, 0, Qt::AlignHCenter);
    outer->addLayout(buttons);
}

void AppStoreContentView::setIconPositions(const QList<FloatingIconPosition> &positions)
{
    m_icons->setPositions(positions);
}

void AppStoreContentView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int w = std::min(width(), maxCardWidth);
    const int h = std::min(height(), maxCardHeight);
    m_card->setGeometry((width() - w) / 2, (height() - h) / 2, w, h);
}
