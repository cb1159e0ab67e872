#include "canvas/RecordButtonView.h"
#include "theme/CircleButton.h"

#include <QHBoxLayout>

RecordButtonView::RecordButtonView(std::function<void()> action, QWidget *parent)
    : QWidget(parent)
    , m_action(std::move(action))
{
    setObjectName(QStringLiteral("recordButton"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    setFixedSize(int(buttonSize), int(buttonSize));
    rebuild(QStringLiteral("btn_mic"));
}

void RecordButtonView::setSearchText(const QString &text)
{
    const QString image = text.isEmpty() ? QStringLiteral("btn_mic") : QStringLiteral("btn_send");
    if (image != imageName())
        rebuild(image);
}

CircleButton *RecordButtonView::button() const
{
    return m_button;
}

QString RecordButtonView::imageName() const
{
    return m_button ? m_button->buttonImage() : QString();
}

void RecordButtonView::rebuild(const QString &image)
{
    // The button's image is fixed at construction: a change of image is a new button. The old
    // one may be the one whose press is being handled, so it goes on a later turn.
    if (m_button) {
        m_button->hide();
        m_button->deleteLater();
    }
    QPointer<RecordButtonView> self(this);
    m_button = new CircleButton(image, nullptr, std::nullopt, buttonSize, [self] {
        if (self && self->m_action) {
            const auto action = self->m_action; // the action may rebuild this button
            action();
        }
    }, this);
    layout()->addWidget(m_button);
}
