#include "voice/GroqService.h"

#include "Platform/AppInfo.h"
#include "Platform/AppPaths.h"
#include "Platform/Log.h"
#include "Platform/Scheduler.h"
#include "analytics/AnalyticsService.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include "Platform/OutsideAddress.h"
#include <QPointer>
#include <QStringDecoder>
#include <QThreadPool>
#include <QUrl>
#include <QUuid>

namespace {
const QString kTranscriptionPath = QStringLiteral("/openai/v1/audio/transcriptions");
const QString kMissingKeyText = QStringLiteral("Groq API key not found. Set GROQ_API_KEY in environment or Info.plist");
const QString kGatewayTimeoutText = QStringLiteral("Gateway timeout - please try again");

// Text exactly as received: no byte-order mark dropped, and any byte that is not UTF-8 fails.
std::optional<QString> decodeUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

GroqService::Failure networkFailure(const NetworkError &error)
{
    GroqService::Failure f;
    f.kind = GroqService::Failure::Kind::network;
    f.network = error;
    return f;
}

bool isTransportError(QNetworkReply::NetworkError error)
{
    // Connection, time-out, cancellation, TLS and proxy failures: the service never answered.
    return (error >= QNetworkReply::ConnectionRefusedError && error < QNetworkReply::ContentAccessDenied)
        || error == QNetworkReply::UnknownNetworkError || error == QNetworkReply::UnknownProxyError;
}
}

struct GroqService::Prepared {
    std::optional<Failure> failure;
    QString copyPath; // set as soon as a copy exists, so that every path can delete it
    QUrl url;
    QByteArray boundary;
    QByteArray body;
    QString apiKey;
};

QString GroqService::modelValue(TranscriptionModel model)
{
    switch (model) {
    case TranscriptionModel::whisperLargeV3: return QStringLiteral("whisper-large-v3");
    case TranscriptionModel::whisperLargeV3Turbo: return QStringLiteral("whisper-large-v3-turbo");
    case TranscriptionModel::distilWhisperEnglish: return QStringLiteral("distil-whisper-large-v3-en");
    }
    return {};
}

QString GroqService::Failure::localizedDescription() const
{
    if (kind == Kind::network && network)
        return network->errorDescription();
    return transportText;
}

QString GroqService::Failure::typeName() const
{
    switch (kind) {
    case Kind::network: return QStringLiteral("NetworkError");
    case Kind::transport: return QStringLiteral("TransportError");
    case Kind::other: return QStringLiteral("GroqService");
    }
    return {};
}

GroqService::GroqService(QObject *parent)
    : GroqService(endpointForHost(AppInfo::instance().configured(QStringLiteral("GroqAPIHost"), "GROQ_API_HOST")), parent)
{
}

GroqService::GroqService(const QString &transcriptionEndpoint, QObject *parent)
    : QObject(parent)
    , m_transcriptionEndpoint(transcriptionEndpoint)
    , m_network(new QNetworkAccessManager(this))
{
}

GroqService::~GroqService()
{
    // Requests still out are answered now, so that every caller hears back exactly once.
    const auto pending = m_pending;
    m_pending.clear();
    for (auto it = pending.begin(); it != pending.end(); ++it) {
        it.key()->disconnect(this);
        it.key()->abort();
        Scheduler::instance().cancel(it->watchdog);
        deleteTemporaryCopy(it->copyPath);
        Result result;
        result.failure = networkFailure(NetworkError::invalidResponse());
        if (it->completion)
            it->completion(result);
    }
}

QString GroqService::endpointForHost(const QString &host)
{
    const QString base = host.contains(QStringLiteral("://")) ? host : QStringLiteral("https://") + host;
    return base + kTranscriptionPath;
}

std::optional<QString> GroqService::apiKey()
{
    QMutexLocker lock(&m_keyMutex);
    if (m_apiKey)
        return m_apiKey;
    const QString name = QStringLiteral("GROQ_API_KEY");
    if (qEnvironmentVariableIsSet("GROQ_API_KEY")) {
        m_apiKey = qEnvironmentVariable("GROQ_API_KEY");
    } else if (const QVariant v = AppInfo::instance().value(name); v.typeId() == QMetaType::QString) {
        m_apiKey = v.toString();
    } else {
        const QVariantMap environment = AppInfo::instance().value(QStringLiteral("LSEnvironment")).toMap();
        if (const QVariant e = environment.value(name); e.typeId() == QMetaType::QString)
            m_apiKey = e.toString();
    }
    // A missing key is looked for again by the next request.
    return m_apiKey;
}

std::optional<QString> GroqService::prepareAudioFile(const QString &filePath)
{
    const QFileInfo info(filePath);
    if (!info.exists() || !info.isFile())
        return std::nullopt;
    // The type follows the file's name, as the recording's owner named it.
    const QMimeType type = QMimeDatabase().mimeTypeForFile(info, QMimeDatabase::MatchExtension);
    bool audio = type.isValid() && type.name().startsWith(QLatin1String("audio/"));
    for (const QString &ancestor : type.allAncestors())
        audio = audio || ancestor.startsWith(QLatin1String("audio/"));
    if (!audio)
        return std::nullopt;

    const QString output = AppPaths::uniqueTempFilePath(QString(), QStringLiteral(".m4a"));
    const QString intermediate = AppPaths::uniqueTempFilePath(QString(), QStringLiteral(".") + info.suffix());
    bool copied = QFile::copy(filePath, intermediate);
    if (copied)
        copied = QFile::rename(intermediate, output);
    QFile::remove(intermediate); // never left behind, whatever failed
    if (copied && QFileInfo(output).size() > 0) {
        QFile::setPermissions(output, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        return output;
    }

    QFile::remove(output);
    QFile source(filePath);
    if (source.open(QIODevice::ReadOnly)) {
        const QByteArray data = source.readAll();
        if (AppPaths::writePrivateFile(output, data) && QFileInfo(output).size() > 0)
            return output;
    }
    QFile::remove(output);
    return std::nullopt;
}

std::optional<QByteArray> GroqService::makeFilePart(const QString &filePath, const QByteArray &boundary)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const qint64 size = file.size();
    QByteArray part;
    part.reserve(size + 200);
    part += "--" + boundary + "\r\n";
    part += "Content-Disposition: form-data; name=\"file\"; filename=\"audio.m4a\"\r\n";
    part += "Content-Type: audio/m4a\r\n\r\n";
    if (size > 0) {
        // Mapped rather than read: the recording is copied into the body once.
        if (const uchar *mapped = file.map(0, size)) {
            part.append(reinterpret_cast<const char *>(mapped), size);
            file.unmap(const_cast<uchar *>(mapped));
        } else {
            const QByteArray data = file.readAll();
            if (data.size() != size)
                return std::nullopt;
            part += data;
        }
    }
    part += "\r\n";
    return part;
}

QByteArray GroqService::multipartBody(const QByteArray &boundary, TranscriptionModel model, const QString &responseFormat,
                                      const std::optional<QString> &language, const QByteArray &filePart)
{
    QByteArray body;
    body.reserve(filePart.size() + 600);
    auto field = [&](const char *name, const QString &value) {
        body += "--" + boundary + "\r\n";
        body += QByteArray("Content-Disposition: form-data; name=\"") + name + "\"\r\n\r\n";
        body += value.toUtf8() + "\r\n";
    };
    field("model", modelValue(model));
    field("response_format", responseFormat);
    if (language)
        field("language", *language);
    body += filePart;
    body += "--" + boundary + "--\r\n";
    return body;
}

std::optional<NetworkError> GroqService::validateResponse(const QByteArray &body, int statusCode)
{
    std::optional<NetworkError> error;
    bool report = true;
    switch (statusCode) {
    case 200:
        return std::nullopt;
    case 401:
        error = NetworkError::authenticationError();
        break;
    case 408:
    case 504:
    case 524:
        error = NetworkError::serverError(statusCode, kGatewayTimeoutText);
        break;
    case 413:
        error = NetworkError::fileTooLarge();
        report = false;
        break;
    case 429:
        error = NetworkError::rateLimitExceeded();
        report = false;
        break;
    default:
        error = NetworkError::serverError(statusCode, decodeUtf8(body).value_or(QStringLiteral("Unknown error")));
        break;
    }
    if (report)
        reportToAnalytics(*error, statusCode);
    return error;
}

void GroqService::reportToAnalytics(const NetworkError &error, int statusCode)
{
    // Reported on a later main-queue turn; the answer to the caller does not wait for it.
    MainQueue::post(QCoreApplication::instance(), [error, statusCode] {
        AnalyticsService::shared().trackError(error, QStringLiteral("GroqService"),
                                              {{QStringLiteral("operation"), QStringLiteral("transcribeAudio")},
                                               {QStringLiteral("status_code"), statusCode}});
    });
}

void GroqService::deleteTemporaryCopy(const QString &path)
{
    if (!path.isEmpty())
        QFile::remove(path);
}

void GroqService::transcribeAudio(const QString &filePath, TranscriptionModel model, const std::optional<QString> &language, Completion completion)
{
    QPointer<GroqService> self(this);
    const QString endpoint = m_transcriptionEndpoint;
    const std::optional<QString> key = apiKey();
    QThreadPool::globalInstance()->start([self, filePath, model, language, completion, endpoint, key] {
        Prepared prepared;
        if (const auto copy = prepareAudioFile(filePath)) {
            prepared.copyPath = *copy;
        } else {
            prepared.failure = networkFailure(NetworkError::invalidFile(QStringLiteral("Failed to preprocess audio")));
        }
        if (!prepared.failure && !key) {
            Failure f;
            f.kind = Failure::Kind::other;
            f.transportText = kMissingKeyText;
            prepared.failure = f;
        }
        if (!prepared.failure) {
            prepared.boundary = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toLatin1();
            const QUrl url(endpoint, QUrl::StrictMode);
            if (!OutsideAddress::check(url, QStringLiteral("speech-to-text"))) {
                prepared.failure = networkFailure(NetworkError::invalidURL());
            } else if (const auto part = makeFilePart(prepared.copyPath, prepared.boundary)) {
                prepared.url = url;
                prepared.apiKey = *key;
                prepared.body = multipartBody(prepared.boundary, model, QStringLiteral("text"), language, *part);
            } else {
                Failure f;
                f.kind = Failure::Kind::other;
                f.transportText = QStringLiteral("The audio file could not be read.");
                prepared.failure = f;
            }
        }
        QMetaObject::invokeMethod(QCoreApplication::instance(), [self, prepared, completion] {
            Result result;
            if (!self) {
                deleteTemporaryCopy(prepared.copyPath);
                result.failure = networkFailure(NetworkError::invalidResponse());
            } else if (prepared.failure) {
                deleteTemporaryCopy(prepared.copyPath);
                result.failure = *prepared.failure;
            } else {
                self->send(prepared, completion);
                return;
            }
            if (completion)
                completion(result);
        }, Qt::QueuedConnection);
    });
}

void GroqService::send(const Prepared &prepared, Completion completion)
{
    QNetworkRequest request(prepared.url);
    request.setRawHeader("Authorization", "Bearer " + prepared.apiKey.toUtf8());
    request.setRawHeader("Content-Type", "multipart/form-data; boundary=" + prepared.boundary);
    request.setRawHeader("Connection", "keep-alive");
    request.setTransferTimeout(kRequestTimeoutMs);
    // The key and the recording go to the configured host only, never along a redirect elsewhere.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    QNetworkReply *reply = m_network->post(request, prepared.body);
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > kMaxReplyBytes)
            reply->abort();
    });

    Pending pending;
    pending.copyPath = prepared.copyPath;
    pending.completion = std::move(completion);
    // However the request fares, it ends 190 s after it went out.
    pending.watchdog = Scheduler::instance().singleShot(kWatchdogMs, reply, [reply] { reply->abort(); });
    m_pending.insert(reply, pending);
    connect(reply, &QNetworkReply::finished, this, [this, reply] { handleTranscriptionResponse(reply); });
}

void GroqService::handleTranscriptionResponse(QNetworkReply *reply)
{
    if (!m_pending.contains(reply))
        return;
    const Pending pending = m_pending.take(reply);
    reply->deleteLater();
    Scheduler::instance().cancel(pending.watchdog);

    Result result;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (isTransportError(reply->error())) {
        result.failure.kind = Failure::Kind::transport;
        result.failure.transportCode = int(reply->error());
        result.failure.transportText = reply->errorString();
    } else if (!status.isValid()) {
        result.failure = networkFailure(NetworkError::invalidResponse());
    } else {
        const QByteArray body = reply->readAll();
        if (const auto error = validateResponse(body, status.toInt())) {
            result.failure = networkFailure(*error);
        } else if (const auto text = decodeUtf8(body)) {
            result.ok = true;
            result.text = *text;
        } else {
            result.failure = networkFailure(NetworkError::decodingError(QStringLiteral("Failed to decode text response")));
        }
    }
    deleteTemporaryCopy(pending.copyPath);
    if (pending.completion)
        pending.completion(result);
}
