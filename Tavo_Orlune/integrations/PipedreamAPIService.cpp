#include "integrations/PipedreamAPIService.h"

#include "integrations/IntegrationHttp.h"
#include "integrations/PipedreamConfig.h"

#include <QNetworkAccessManager>
#include <QPointer>
#include <QtNumeric>
#include <limits>

namespace {
using Http = IntegrationHttp::Outcome;

qint64 saturatingAdd(qint64 a, qint64 b)
{
    qint64 sum = 0;
    if (qAddOverflow(a, b, &sum))
        return b > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
    return sum;
}
}

PipedreamAPIService::PipedreamAPIService(QObject *parent)
    : PipedreamAPIService(PipedreamConfig::load().catalogURL(), PipedreamConfig::load().catalogApiKey, parent)
{
}

PipedreamAPIService::PipedreamAPIService(const QString &baseURL, const QString &apiKey, QObject *parent)
    : QObject(parent)
    , m_baseURL(baseURL)
    , m_apiKey(apiKey)
    , m_network(new QNetworkAccessManager(this))
{
}

PipedreamAPIService::~PipedreamAPIService() = default;

bool PipedreamAPIService::isConfigured() const
{
    return !m_apiKey.isEmpty() && IntegrationHttp::usableUrl(m_baseURL).has_value();
}

void PipedreamAPIService::setIsLoading(bool value)
{
    m_isLoading = value;
    Q_EMIT isLoadingChanged();
}

void PipedreamAPIService::setErrorMessage(const std::optional<QString> &value)
{
    m_errorMessage = value;
    Q_EMIT errorMessageChanged();
}

void PipedreamAPIService::resetPagination()
{
    ++m_generation;
    m_currentCursor.reset();
    Q_EMIT currentCursorChanged();
    m_hasMoreData = true;
    Q_EMIT hasMoreDataChanged();
    m_totalCount = 0;
    Q_EMIT totalCountChanged();
    m_loadedCount = 0;
    Q_EMIT loadedCountChanged();
    setIsLoading(false);
    setErrorMessage(std::nullopt);
}

void PipedreamAPIService::fetchNextPage(qint64 limit, QObject *context, Callback<QList<PipedreamApp>> done)
{
    auto answer = deliverTo(context ? context : this, std::move(done));
    if (!m_hasMoreData) {
        answer(IntegrationResult<QList<PipedreamApp>>::success({}));
        return;
    }
    setIsLoading(true);
    setErrorMessage(std::nullopt);
    const quint64 generation = m_generation;
    const std::optional<QString> sentCursor = m_currentCursor;
    request(limit, sentCursor, [this, generation, sentCursor, answer](const IntegrationResult<PipedreamResponse> &r) {
        if (generation != m_generation) {
            // Paging was reset meanwhile: the caller still hears back, the new paging stays as is.
            answer(r.ok() ? IntegrationResult<QList<PipedreamApp>>::success(r.value->data)
                          : IntegrationResult<QList<PipedreamApp>>::failed(*r.failure));
            return;
        }
        if (r.ok()) {
            updatePagination(*r.value, sentCursor);
            setIsLoading(false);
            answer(IntegrationResult<QList<PipedreamApp>>::success(r.value->data));
            return;
        }
        setIsLoading(false);
        setErrorMessage(r.failure->localizedDescription());
        answer(IntegrationResult<QList<PipedreamApp>>::failed(*r.failure));
    });
}

void PipedreamAPIService::fetchApps(qint64 limit, const std::optional<QString> &after, QObject *context, Callback<PipedreamResponse> done)
{
    request(limit, after, deliverTo(context ? context : this, std::move(done)));
}

void PipedreamAPIService::request(qint64 limit, const std::optional<QString> &after, Callback<PipedreamResponse> done)
{
    using Result = IntegrationResult<PipedreamResponse>;
    QString address = m_baseURL + QStringLiteral("?limit=") + QString::number(limit);
    if (after)
        address += QStringLiteral("&after=") + IntegrationHttp::encoded(*after);
    const auto url = IntegrationHttp::usableUrl(address);
    if (!url) {
        done(Result::failed(IntegrationFailure::api(PipedreamAPIError::invalidURL())));
        return;
    }
    IntegrationHttp::Request request;
    request.method = "GET";
    request.url = *url;
    request.headers = {{"Authorization", "Bearer " + m_apiKey.toUtf8()}, {"Accept", "application/json"}};
    request.maxReplyBytes = kMaxReplyBytes;
    IntegrationHttp::send(*m_network, request, this, [done](const Http &outcome) {
        switch (outcome.kind) {
        case Http::Kind::Transport:
            done(Result::failed(IntegrationFailure::transport(outcome.transportCode, outcome.error)));
            return;
        case Http::Kind::NotHttp:
            done(Result::failed(IntegrationFailure::api(PipedreamAPIError::invalidResponse())));
            return;
        case Http::Kind::Http:
            break;
        }
        if (outcome.status < 200 || outcome.status > 299) {
            done(Result::failed(IntegrationFailure::api(PipedreamAPIError::httpError(outcome.status))));
            return;
        }
        QString error;
        auto page = PipedreamResponse::decode(outcome.body, &error);
        if (!page) {
            done(Result::failed(IntegrationFailure::api(PipedreamAPIError::decodingError(error))));
            return;
        }
        done(Result::success(std::move(*page)));
    });
}

void PipedreamAPIService::updatePagination(const PipedreamResponse &page, const std::optional<QString> &sentCursor)
{
    m_currentCursor = page.pageInfo.endCursor;
    Q_EMIT currentCursorChanged();
    m_totalCount = page.pageInfo.totalCount;
    Q_EMIT totalCountChanged();
    m_loadedCount = saturatingAdd(m_loadedCount, page.pageInfo.count);
    Q_EMIT loadedCountChanged();
    // A page that hands back the cursor it was asked with would be asked for forever.
    const bool cursorMoved = !sentCursor || page.pageInfo.endCursor != sentCursor;
    m_hasMoreData = page.pageInfo.endCursor.has_value() && page.pageInfo.count >= kFullPageThreshold && cursorMoved;
    Q_EMIT hasMoreDataChanged();
}
