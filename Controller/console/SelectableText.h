#pragma once
#include <QLabel>

// A read-only line of text the user can select and copy; never rich text.
class SelectableText : public QLabel {
    Q_OBJECT
public:
    explicit SelectableText(const QString &text, const std::optional<QFont> &font = std::nullopt, QWidget *parent = nullptr);
};
