#pragma once
#include "voice/GroqService.h"

#include <QList>

// A speech-to-text client that keeps each request until the test answers it.
class ScriptedSpeechService : public GroqService {
public:
    QList<Completion> requests;

    ScriptedSpeechService() : GroqService(QStringLiteral("https://speech.invalid/openai/v1/audio/transcriptions")) {}
    void transcribeAudio(const QString &, TranscriptionModel, const std::optional<QString> &, Completion completion) override
    {
        requests.append(std::move(completion));
    }
    void answer(int i, const QString &text)
    {
        Result r;
        r.ok = true;
        r.text = text;
        requests[i](r);
    }
};
