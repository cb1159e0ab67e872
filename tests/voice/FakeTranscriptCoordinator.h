#pragma once
#include "voice/TranscriptCoordinator.h"

#include <QStringList>

// The coordinator's side of the transcript panel, scripted: it keeps the text and the start-up
// flag, records every send, and calls the send's completion with "auto" unless told to fail.
class FakeTranscriptCoordinator : public TranscriptCoordinator {
    Q_OBJECT
public:
    QString transcriptInput() const override { return m_text; }
    void setTranscriptInput(const QString &text) override
    {
        if (m_text == text)
            return;
        m_text = text;
        Q_EMIT transcriptInputChanged(text);
    }
    bool isInitializing() const override { return m_initializing; }
    void setInitializing(bool initializing)
    {
        if (m_initializing == initializing)
            return;
        m_initializing = initializing;
        Q_EMIT isInitializingChanged(initializing);
    }
    void submitTranscript(const QString &categoryTitle, std::function<void(const QString &)> completion) override
    {
        submissions << categoryTitle + u':' + m_text;
        if (failTaskCreation)
            return;
        setTranscriptInput(m_text.trimmed());
        if (completion)
            completion(QStringLiteral("auto"));
    }

    QStringList submissions; // "category:text"
    bool failTaskCreation = false;

private:
    QString m_text;
    bool m_initializing = false;
};
