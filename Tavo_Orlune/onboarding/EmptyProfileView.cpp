#include "onboarding/EmptyProfileView.h"
#include "theme/Color.h"
#include "theme/Fonts.h"
#include "theme/TemplateImage.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

EmptyProfileView::EmptyProfileView(bool showCard, QWidget *parent)
    : ProfileStatusFrame(showCard, parent)
{
    QColor half = Color::textPrimary();
    half.setAlphaF(0.5);
    auto *symbol = new QLabel(this);
    symbol->setPixmap(QPixmap::fromImage(TemplateImage::tinted(QStringLiteral("person.circle"), QSizeF(24, 24), half,
                                                               devicePixelRatioF())));
    column()->addWidget(symbol, 0, Qt::AlignHCenter);
    addText(tr("No profile data"), Fonts::bodyFont(), Color::textPrimary());
    QColor dim = Color::textPrimary();
    dim.setAlphaF(0.7);
    addText(tr("Unable to load profile information"), Fonts::smallFont(), dim);
}
