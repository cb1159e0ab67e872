#include "tutorial/CanvasTutorialStepView.h"
#include "tutorial/TutorialVideoPlayer.h"

#include "Platform/Assets.h"
#include "theme/Color.h"
#include "theme/Fonts.h"

#include <QEvent>
#include <QGraphicsDropShadowEffect>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace {
void paintRounded(QWidget *widget, qreal radius, const QColor &fill)
{
    QPainter p(widget);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(widget->rect()), radius, radius);
    p.fillPath(shape, fill);
}

QColor withOpacity(QColor color, qreal opacity)
{
    color.setAlphaF(color.alphaF() * opacity);
    return color;
}
}

CanvasTutorialStepView::CanvasTutorialStepView(const TutorialStepData &step, QWidget *parent)
    : QWidget(parent), m_step(step),
      m_video(new TutorialVideoPlayer(step.videoName, /*useDataAsset=*/true, /*showControls=*/false)),
      m_row(new QWidget)
{
    setObjectName(QStringLiteral("canvasTutorial%1StepView").arg(step.number));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    // The hint row: icons, a flexible gap and the text card share its width evenly; the icon
    // area never gets less than its icons need.
    m_row->setObjectName(QStringLiteral("hintRow"));
    m_row->installEventFilter(this);
    auto *row = new QHBoxLayout(m_row);
    row->setContentsMargins(rowPadding, rowPadding, rowPadding, rowPadding);
    row->setSpacing(0);
    row->addWidget(makeIconArea(), 1);
    row->addSpacerItem(new QSpacerItem(8, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    row->setStretch(1, 1);
    row->addWidget(makeTextCard(), 1);

    // The video and the row, stacked and centred in whatever room the container gives.
    auto *stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    stack->addStretch(1);
    stack->addWidget(m_video);
    stack->addSpacing(stackSpacing);
    stack->addWidget(m_row);
    stack->addStretch(1);
}

QWidget *CanvasTutorialStepView::makeIconArea()
{
    auto *area = new QWidget;
    area->setObjectName(QStringLiteral("iconArea"));
    area->setFixedHeight(areaHeight);
    area->setMinimumWidth(m_step.iconGroupWidth());
    area->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto *icons = new QHBoxLayout(area);
    icons->setContentsMargins(0, 0, 0, 0);
    icons->setSpacing(TutorialStepData::iconSpacing);
    icons->addStretch(1);
    const qreal dpr = qApp->devicePixelRatio();
    for (const TutorialStepData::Icon &icon : m_step.icons) {
        // Stretched to its frame whatever the picture's own proportions.
        auto *picture = new QLabel;
        picture->setObjectName(icon.name);
        picture->setFixedSize(icon.size);
        picture->setScaledContents(true);
        picture->setPixmap(Assets::pixmap(icon.name, icon.size, dpr));
        // The shadow of the picture's opaque pixels alone, padding or not.
        auto *shadow = new QGraphicsDropShadowEffect(picture);
        shadow->setColor(QColor(0, 0, 0, 26));
        shadow->setBlurRadius(8);
        shadow->setOffset(0, 4);
        picture->setGraphicsEffect(shadow);
        if (icon.bottomPadding > 0) {
            // Room under the picture lifts it by half the padding in the centred row.
            auto *box = new QWidget;
            box->setFixedSize(icon.size.width(), icon.size.height() + icon.bottomPadding);
            auto *boxLayout = new QVBoxLayout(box);
            boxLayout->setContentsMargins(0, 0, 0, icon.bottomPadding);
            boxLayout->addWidget(picture);
            icons->addWidget(box, 0, Qt::AlignVCenter);
        } else {
            icons->addWidget(picture, 0, Qt::AlignVCenter);
        }
    }
    icons->addStretch(1);
    return area;
}

QWidget *CanvasTutorialStepView::makeTextCard()
{
    m_card = new QWidget;
    m_card->setObjectName(QStringLiteral("textCard"));
    m_card->installEventFilter(this);
    m_card->setFixedHeight(areaHeight);
    m_card->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto *text = new QVBoxLayout(m_card);
    text->setContentsMargins(cardPadding, cardPadding, cardPadding, cardPadding);
    text->setSpacing(textSpacing);
    const QColor ink = Color::textPrimary();
    const auto label = [&](const QString &name, const QString &value, const QFont &font, const QColor &colour) {
        auto *l = new QLabel(value);
        l->setObjectName(name);
        l->setTextFormat(Qt::PlainText);
        l->setAlignment(Qt::AlignHCenter);
        l->setFont(font);
        QPalette palette = l->palette();
        palette.setColor(QPalette::WindowText, colour);
        l->setPalette(palette);
        return l;
    };
    text->addStretch(1);
    text->addWidget(label(QStringLiteral("title"), m_step.title, Fonts::sectionTitleFont(), ink));
    text->addWidget(label(QStringLiteral("hint"), m_step.hint, Fonts::bodyFont(), withOpacity(ink, 0.6)));
    text->addStretch(1);
    return m_card;
}

bool CanvasTutorialStepView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint) {
        if (watched == m_row) {
            paintRounded(m_row, rowCornerRadius, withOpacity(Color::tutorialSurface(), 0.6));
            return true;
        }
        if (watched == m_card) {
            // White in both appearances.
            paintRounded(m_card, cardCornerRadius, Color::plainWhite());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
