#include "tutorial/TutorialNavigationView.h"
#include "tutorial/TutorialButton.h"

#include "theme/Sizes.h"

#include <QHBoxLayout>

TutorialNavigationView::TutorialNavigationView(std::function<void()> onNext, std::function<void()> onBack,
                                               TutorialHoverFlag *nextHovered, TutorialHoverFlag *backHovered, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("tutorialNavigation"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(buttonSpacing);
    TutorialButton::Style pill;
    pill.verticalPadding = Sizes::spacingXL;
    pill.cornerRadius = 50;
    pill.expanding = true;
    if (onBack) {
        TutorialButton::Style back = pill;
        back.horizontalPadding = Sizes::spacingM;
        m_back = new TutorialButton(QStringLiteral("Back"), back, backHovered, std::move(onBack), this);
        m_back->setObjectName(QStringLiteral("tutorialBack"));
        row->addWidget(m_back, 1);
    }
    TutorialButton::Style next = pill;
    next.horizontalPadding = Sizes::spacingL;
    m_next = new TutorialButton(QStringLiteral("Next"), next, nextHovered, std::move(onNext), this);
    m_next->setObjectName(QStringLiteral("tutorialNext"));
    row->addWidget(m_next, 1);
}
