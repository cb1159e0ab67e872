#include "onboarding/ProfileErrorView.h"
#include "onboarding/ProfilePillButton.h"
#include "theme/Color.h"
#include "theme/Fonts.h"
#include "theme/TemplateImage.h"

#include <QPainter>
#include <QVBoxLayout>

namespace {
class Symbol : public QWidget {
public:
    Symbol(const QString &name, const QColor &color, QWidget *parent)
        : QWidget(parent)
        , m_name(name)
        , m_color(color)
    {
        setFixedSize(24, 24);
        setAttribute(Qt::WA_TranslucentBackground);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        TemplateImage::draw(p, m_name, QRectF(rect()), m_color);
    }

private:
    QString m_name;
    QColor m_color;
};
}

ProfileErrorView::ProfileErrorView(const QString &message, bool showCard, std::function<void()> onRetry, QWidget *parent)
    : ProfileStatusFrame(showCard, parent)
    , m_message(message)
{
    column()->addWidget(new Symbol(QStringLiteral("exclamationmark.triangle"), Qt::red, this), 0, Qt::AlignHCenter);
    addText(tr("Error"), Fonts::bodyFont(), Color::textPrimary());
    QColor dim = Color::textPrimary();
    dim.setAlphaF(0.7);
    addText(message, Fonts::smallFont(), dim); // shown as it came, not translated
    m_retry = new ProfilePillButton(tr("Retry"), std::move(onRetry), this);
    m_retry->setObjectName(QStringLiteral("retryButton"));
    column()->addWidget(m_retry, 0, Qt::AlignHCenter);
}
