#include "onboarding/OnboardingErrorLine.h"
#include "theme/Fonts.h"

OnboardingErrorLine::OnboardingErrorLine(QWidget *parent) : QLabel(parent)
{
    // Server texts arrive here too: never read as markup.
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setFont(Fonts::system(10, QFont::Normal));
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, QColor(0xFF, 0x3B, 0x30));
    setPalette(palette);
    hide();
}

void OnboardingErrorLine::setLine(const std::optional<QString> &text)
{
    setText(text.value_or(QString()));
    setVisible(text.has_value());
}
