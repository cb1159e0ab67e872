#pragma once
#include "integrations/IntegrationFailure.h"
#include "model/PipedreamApp.h"
#include "model/PipedreamResponse.h"

#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QNetworkAccessManager;

// Reads the integration platform's app catalog one page at a time, keeping the paging cursor
// between calls: the caller asks for the next page until hasMoreData turns false. Lives on the
// main thread; callers fetch one page at a time.
//
// Every operation answers once through `done`, on a later turn, and never after `context` is
// gone.
class PipedreamAPIService : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(bool hasMoreData READ hasMoreData NOTIFY hasMoreDataChanged)
    Q_PROPERTY(qint64 totalCount READ totalCount NOTIFY totalCountChanged)
    Q_PROPERTY(qint64 loadedCount READ loadedCount NOTIFY loadedCountChanged)
public:
    template <typename T>
    using Callback = std::function<void(const IntegrationResult<T> &)>;

    // A page of 100 catalog apps is some 100 KB; anything far bigger is not a page.
    static constexpr qint64 kMaxReplyBytes = 8 * 1024 * 1024;
    // A page reporting fewer apps than this is the last one, whatever limit was asked for.
    static constexpr qint64 kFullPageThreshold = 50;

    // The configured catalog address and key (see the README).
    explicit PipedreamAPIService(QObject *parent = nullptr);
    // Tests: their own endpoint (the whole ".../v1/apps" address) and key.
    PipedreamAPIService(const QString &baseURL, const QString &apiKey, QObject *parent = nullptr);
    ~PipedreamAPIService() override;

    // Whether the deployment supplied the catalog key and a usable address.
    bool isConfigured() const;
    QString baseURL() const { return m_baseURL; }

    bool isLoading() const { return m_isLoading; }
    bool hasMoreData() const { return m_hasMoreData; }
    std::optional<QString> currentCursor() const { return m_currentCursor; }
    qint64 totalCount() const { return m_totalCount; }
    qint64 loadedCount() const { return m_loadedCount; }
    std::optional<QString> errorMessage() const { return m_errorMessage; }

    // The next page's apps, or an empty list without any request once hasMoreData is false.
    // A failure sets errorMessage and keeps the paging state, so the next call asks again.
    void fetchNextPage(qint64 limit, QObject *context, Callback<QList<PipedreamApp>> done);
    // One catalog request; the published state is left alone.
    void fetchApps(qint64 limit, const std::optional<QString> &after, QObject *context, Callback<PipedreamResponse> done);
    // Back to the first page: no cursor, more data, no counts, not loading, no error.
    void resetPagination();

Q_SIGNALS:
    void isLoadingChanged();
    void hasMoreDataChanged();
    void currentCursorChanged();
    void totalCountChanged();
    void loadedCountChanged();
    void errorMessageChanged();

private:
    void request(qint64 limit, const std::optional<QString> &after, Callback<PipedreamResponse> done);
    void updatePagination(const PipedreamResponse &page, const std::optional<QString> &sentCursor);
    void setIsLoading(bool value);
    void setErrorMessage(const std::optional<QString> &value);

    QString m_baseURL;
    QString m_apiKey;
    QNetworkAccessManager *m_network;
    bool m_isLoading = false;
    bool m_hasMoreData = true;
    std::optional<QString> m_currentCursor;
    qint64 m_totalCount = 0;
    qint64 m_loadedCount = 0;
    std::optional<QString> m_errorMessage;
    // Bumped by every reset: a page asked for before it no longer moves the paging on.
    quint64 m_generation = 0;
};
