#pragma once
#include "voice/TranscriptCoordinator.h"

class AudioManagerService;
class ChatViewModel;
class TaskData;

// What the chat views and the floating panel need of the app-wide coordinator: a task's chat
// state, sending and stopping a task's messages, the shared recorder and whether the canvas is
// shown. The coordinator implements it; the views hold it weakly and live on the main thread.
class ChatCoordinator : public TranscriptCoordinator {
    Q_OBJECT
    Q_PROPERTY(bool isCanvasVisible READ isCanvasVisible NOTIFY isCanvasVisibleChanged)
public:
    using TranscriptCoordinator::TranscriptCoordinator;
    ~ChatCoordinator() override;

    virtual bool isCanvasVisible() const = 0;
    // The one recorder every microphone shares.
    virtual AudioManagerService *audioService() const = 0;
    // The task's chat state, made on first use and kept by the coordinator.
    virtual ChatViewModel *chatViewModel(TaskData *task) = 0;
    // Adds the message to the task's chat and sends it to the task's session.
    virtual void handleChatMessage(const QString &message, TaskData *task, const QString &source, bool htmlOutput) = 0;
    // Stops the task's answer; the session stays for later messages.
    virtual void stopStreaming(TaskData *task) = 0;

Q_SIGNALS:
    void isCanvasVisibleChanged(bool visible);
};
