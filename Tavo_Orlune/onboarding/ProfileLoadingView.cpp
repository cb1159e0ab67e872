#include "onboarding/ProfileLoadingView.h"
#include "theme/Color.h"
#include "theme/Fonts.h"
#include "widgets/LoadingCheckmark.h"

#include <QVBoxLayout>

ProfileLoadingView::ProfileLoadingView(bool showCard, QWidget *parent)
    : ProfileStatusFrame(showCard, parent)
{
    auto *mark = new LoadingCheckmark(true, 0, this);
    column()->addWidget(mark, 0, Qt::AlignHCenter);
    QColor text = Color::textPrimary();
    text.setAlphaF(0.7);
    addText(tr("Loading profile..."), Fonts::bodyFont(), text);
}
