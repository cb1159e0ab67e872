#include "Platform/ModalPrompt.h"
#include "Platform/Scheduler.h"

#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace {
std::function<int(const PromptRequest &)> &responder()
{
    static std::function<int(const PromptRequest &)> r;
    return r;
}

QMessageBox *build(const PromptRequest &request, QWidget *parent, QList<QPushButton *> &buttons)
{
    auto *box = new QMessageBox(parent);
    box->setWindowTitle(request.title);
    box->setText(request.title);
    box->setInformativeText(request.text);
    box->setTextFormat(Qt::PlainText);
    // setTextFormat covers only the main text; the informative label would show rich text with
    // live links (a feed's version could carry one). Every label of a prompt is plain text.
    for (QLabel *label : box->findChildren<QLabel *>()) {
        label->setTextFormat(Qt::PlainText);
        label->setOpenExternalLinks(false);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    switch (request.style) {
    case PromptRequest::Style::Informational: box->setIcon(QMessageBox::Information); break;
    case PromptRequest::Style::Warning: box->setIcon(QMessageBox::Warning); break;
    case PromptRequest::Style::Critical: box->setIcon(QMessageBox::Critical); break;
    }
    const QStringList titles = request.buttons.isEmpty() ? QStringList{QStringLiteral("OK")} : request.buttons;
    for (int i = 0; i < titles.size(); ++i) {
        auto *b = box->addButton(titles[i], i == request.cancelIndex ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
        buttons.append(b);
    }
    box->setDefaultButton(buttons.first());
    if (request.cancelIndex >= 0 && request.cancelIndex < buttons.size())
        box->setEscapeButton(buttons[request.cancelIndex]);
    return box;
}
}

namespace ModalPrompt {

int ask(const PromptRequest &request, QWidget *parent)
{
    if (responder())
        return responder()(request);
    QList<QPushButton *> buttons;
    QMessageBox *box = build(request, parent, buttons);
    box->exec();
    const int index = int(buttons.indexOf(qobject_cast<QPushButton *>(box->clickedButton())));
    delete box;
    return index < 0 ? (request.cancelIndex >= 0 ? request.cancelIndex : 0) : index;
}

void askAsync(const PromptRequest &request, QObject *context, std::function<void(int)> done, QWidget *parent)
{
    if (responder()) {
        const int answer = responder()(request);
        Scheduler::instance().nextTurn(context, [done, answer] { done(answer); });
        return;
    }
    QList<QPushButton *> buttons;
    QMessageBox *box = build(request, parent, buttons);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<QObject> guard(context);
    const int cancel = request.cancelIndex;
    QObject::connect(box, &QMessageBox::finished, context, [box, buttons, done, guard, cancel] {
        if (!guard)
            return;
        const int index = int(buttons.indexOf(qobject_cast<QPushButton *>(box->clickedButton())));
        done(index < 0 ? (cancel >= 0 ? cancel : 0) : index);
    });
    box->open();
}

void setResponder(std::function<int(const PromptRequest &)> r)
{
    responder() = std::move(r);
}

} // namespace ModalPrompt
