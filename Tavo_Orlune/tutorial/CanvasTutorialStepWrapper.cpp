#include "tutorial/CanvasTutorialStepWrapper.h"
#include "tutorial/TutorialCardSurface.h"
#include "tutorial/TutorialNavigationView.h"

#include "theme/NebulaBackgroundView.h"
#include "theme/Sizes.h"

#include <QVBoxLayout>

CanvasTutorialStepWrapper::CanvasTutorialStepWrapper(QWidget *content, std::function<void()> onNext, std::function<void()> onBack,
                                                     TutorialHoverFlag *nextHovered, TutorialHoverFlag *backHovered,
                                                     TutorialHoverFlag *cardHovered, QWidget *parent)
    : QWidget(parent)
    , m_content(content)
    , m_nebula(new CanvasNebulaBackgroundView(this))
    , m_card(new TutorialCardSurface(cornerRadius, cardHovered, this))
    , m_navigation(new TutorialNavigationView(std::move(onNext), std::move(onBack), nextHovered, backHovered))
{
    setObjectName(QStringLiteral("canvasTutorialStepWrapper"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto *stack = new QVBoxLayout(m_card);
    stack->setContentsMargins(int(Sizes::spacingL), int(Sizes::spacingL), int(Sizes::spacingL), int(Sizes::spacingM));
    stack->setSpacing(contentSpacing);
    stack->addWidget(content, 1);
    stack->addWidget(m_navigation);
}

void CanvasTutorialStepWrapper::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_nebula->setGeometry(rect());
    const int w = std::min(width(), maxCardWidth);
    const int h = std::min(height(), maxCardHeight);
    m_card->setGeometry((width() - w) / 2, (height() - h) / 2, w, h);
}
