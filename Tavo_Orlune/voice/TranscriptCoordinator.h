#pragma once
#include <QObject>
#include <QString>
#include <functional>

// What the transcript panel needs of the app-wide coordinator: the shared transcript text, the
// start-up flag, and the send that turns the text into a task. The coordinator implements it
// (or an adapter over it does); all of it lives on the main thread.
class TranscriptCoordinator : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString transcriptInput READ transcriptInput WRITE setTranscriptInput NOTIFY transcriptInputChanged)
    Q_PROPERTY(bool isInitializing READ isInitializing NOTIFY isInitializingChanged)
public:
    using QObject::QObject;
    ~TranscriptCoordinator() override;

    // The text of every transcript panel; transcriptInputChanged follows each change.
    virtual QString transcriptInput() const = 0;
    virtual void setTranscriptInput(const QString &text) = 0;
    // True until the services that follow sign-in have run; isInitializingChanged follows.
    virtual bool isInitializing() const = 0;
    // Makes a task of transcriptInput in the category, starts its chat and calls completion with
    // the source of the close ("auto"); when the task cannot be made completion is not called.
    virtual void submitTranscript(const QString &categoryTitle, std::function<void(const QString &source)> completion) = 0;

Q_SIGNALS:
    void transcriptInputChanged(const QString &text);
    void isInitializingChanged(bool isInitializing);
};
