#include "Controller/console/SelectableText.h"

SelectableText::SelectableText(const QString &text, const std::optional<QFont> &font, QWidget *parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setAutoFillBackground(false);
    if (font)
        setFont(*font);
    setText(text);
}
