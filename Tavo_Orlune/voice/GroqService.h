#pragma once
#include "voice/NetworkError.h"

#include <QHash>
#include <QMutex>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

// Turns one finished recording into text at the speech-to-text service: a private copy of the
// file goes up as a multipart upload with a bearer key, and the answer becomes the text or a
// failure. Lives on the main thread; file work runs on the thread pool.
class GroqService : public QObject {
    Q_OBJECT
public:
    enum class TranscriptionModel { whisperLargeV3, whisperLargeV3Turbo, distilWhisperEnglish };
    static QString modelValue(TranscriptionModel model);

    // Why a request failed: a NetworkError of this client, a transport error of the network
    // layer (the time-outs included), or another failure (no key, an unreadable file).
    struct Failure {
        enum class Kind { network, transport, other };
        Kind kind = Kind::network;
        std::optional<NetworkError> network;
        int transportCode = 0; // QNetworkReply::NetworkError
        QString transportText; // the description of a transport or other failure
        QString localizedDescription() const;
        QString typeName() const;
    };
    struct Result {
        bool ok = false;
        QString text;
        Failure failure;
    };
    using Completion = std::function<void(const Result &)>;

    static constexpr int kRequestTimeoutMs = 180000;
    static constexpr int kWatchdogMs = 190000;
    // A transcription is text; an answer beyond this is not one.
    static constexpr qint64 kMaxReplyBytes = 4 * 1024 * 1024;

    // The endpoint comes from the configuration (host key "GroqAPIHost", GROQ_API_HOST).
    explicit GroqService(QObject *parent = nullptr);
    // A fixed endpoint (tests point it at a stand-in).
    explicit GroqService(const QString &transcriptionEndpoint, QObject *parent = nullptr);
    ~GroqService() override;

    // "https://" + host + the transcription path; a host given with a scheme keeps it.
    static QString endpointForHost(const QString &host);
    QString transcriptionEndpoint() const { return m_transcriptionEndpoint; }

    // Completes exactly once, never before this call has returned.
    virtual void transcribeAudio(const QString &filePath, TranscriptionModel model, const std::optional<QString> &language, Completion completion);

    // The key from GROQ_API_KEY, else the information list's GROQ_API_KEY, else its
    // LSEnvironment's; found once and kept.
    std::optional<QString> apiKey();

    // A private copy of the recording in the temporary folder, or none.
    static std::optional<QString> prepareAudioFile(const QString &filePath);
    // The whole multipart body.
    static QByteArray multipartBody(const QByteArray &boundary, TranscriptionModel model, const QString &responseFormat,
                                    const std::optional<QString> &language, const QByteArray &filePart);
    // The file's part of the body; none when the file cannot be read.
    static std::optional<QByteArray> makeFilePart(const QString &filePath, const QByteArray &boundary);
    // None for status 200, else the failure that the status means (reported to analytics
    // where it should be).
    static std::optional<NetworkError> validateResponse(const QByteArray &body, int statusCode);

private:
    struct Prepared;
    struct Pending {
        QString copyPath;
        Completion completion;
        quint64 watchdog = 0;
    };
    void send(const Prepared &prepared, Completion completion);
    void handleTranscriptionResponse(QNetworkReply *reply);
    static void deleteTemporaryCopy(const QString &path);
    static void reportToAnalytics(const NetworkError &error, int statusCode);

    QString m_transcriptionEndpoint;
    QNetworkAccessManager *m_network;
    QHash<QNetworkReply *, Pending> m_pending;
    QMutex m_keyMutex;
    std::optional<QString> m_apiKey;
};
