#pragma once
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// Alerts and confirmation dialogs. Tests install a responder that answers without a window.
struct PromptRequest {
    enum class Style { Informational, Warning, Critical };
    QString title;
    QString text;
    QStringList buttons;   // first is the default; at least one ("OK" when empty)
    Style style = Style::Informational;
    int cancelIndex = -1;  // the button Escape answers, -1 for none
};

namespace ModalPrompt {
// Shows the prompt modally and answers the index of the chosen button.
int ask(const PromptRequest &request, QWidget *parent = nullptr);
// Shows the prompt window-modally and calls done(index) later; done is dropped if context dies.
void askAsync(const PromptRequest &request, QObject *context, std::function<void(int)> done, QWidget *parent = nullptr);
// A responder answers every prompt instead of a window (tests); empty restores windows.
void setResponder(std::function<int(const PromptRequest &)> responder);
}
