#include "integrations/IntegrationHttp.h"
#include "Platform/Scheduler.h"

#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QStringDecoder>
#include <memory>

namespace IntegrationHttp {

namespace {
bool isLoopback(const QString &host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}
}

std::optional<QUrl> usableUrl(const QString &text)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return std::nullopt;
    if (url.scheme() == QLatin1String("https"))
        return url;
    if (url.scheme() == QLatin1String("http") && isLoopback(url.host()))
        return url;
    return std::nullopt;
}

QString encoded(const QString &value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

std::optional<QString> utf8Text(const QByteArray &body)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(body);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

void send(QNetworkAccessManager &network, const Request &request, QObject *context,
          std::function<void(const Outcome &)> done)
{
    QNetworkRequest q(request.url);
    q.setTransferTimeout(int(kTimeoutMs));
    // A credential goes nowhere but where it was addressed.
    q.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    for (const auto &header : request.headers)
        q.setRawHeader(header.first, header.second);
    QNetworkReply *reply = request.body ? network.sendCustomRequest(q, request.method, *request.body)
                                        : network.sendCustomRequest(q, request.method);

    struct State {
        bool tooBig = false;
        bool timedOut = false;
    };
    auto state = std::make_shared<State>();
    const qint64 cap = request.maxReplyBytes;
    auto checkSize = [reply, state, cap](qint64 size) {
        if (size > cap && !state->tooBig && !state->timedOut) {
            state->tooBig = true;
            reply->abort();
        }
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, checkSize] {
        bool ok = false;
        const qint64 announced = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&ok);
        if (ok)
            checkSize(announced);
    });
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [checkSize](qint64 received, qint64) { checkSize(received); });
    const Scheduler::TimerId deadline = Scheduler::instance().singleShot(kTimeoutMs, reply, [reply, state] {
        if (!state->tooBig) {
            state->timedOut = true;
            reply->abort();
        }
    });

    QPointer<QObject> guard(context);
    QObject::connect(reply, &QNetworkReply::finished, reply, [reply, guard, done = std::move(done), state, deadline, cap] {
        reply->deleteLater();
        Scheduler::instance().cancel(deadline);
        Outcome outcome;
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (state->tooBig) {
            outcome.kind = Outcome::Kind::Transport;
            outcome.transportCode = QNetworkReply::OperationCanceledError;
            outcome.error = QStringLiteral("The reply is larger than %1 bytes").arg(cap);
        } else if (state->timedOut || reply->error() == QNetworkReply::TimeoutError) {
            outcome.kind = Outcome::Kind::Transport;
            outcome.transportCode = QNetworkReply::TimeoutError;
            outcome.error = QStringLiteral("The request timed out.");
        } else if (status.isValid() && status.toInt() > 0 && !(reply->error() > 0 && reply->error() < 200)) {
            // A status with a complete exchange; connection and proxy failures (codes below
            // 200) mid-body are transport failures whatever status came first.
            outcome.kind = Outcome::Kind::Http;
            outcome.status = status.toInt();
            outcome.body = reply->readAll();
        } else if (reply->error() != QNetworkReply::NoError) {
            outcome.kind = Outcome::Kind::Transport;
            outcome.transportCode = reply->error();
            outcome.error = reply->errorString();
        } else {
            outcome.kind = Outcome::Kind::NotHttp;
        }
        if (guard)
            done(outcome);
    });
}

} // namespace IntegrationHttp
