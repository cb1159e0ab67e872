#include "workspace/DocumentSchemeHandler.h"

#include <QBuffer>
#include <QUrl>
#include <QWebEngineUrlRequestJob>

DocumentSchemeHandler::DocumentSchemeHandler(QObject *parent)
    : QWebEngineUrlSchemeHandler(parent)
{
}

void DocumentSchemeHandler::setDocument(const QString &host, const QByteArray &html)
{
    m_documents.insert(host, html);
}

void DocumentSchemeHandler::removeDocument(const QString &host)
{
    m_documents.remove(host);
}

void DocumentSchemeHandler::requestStarted(QWebEngineUrlRequestJob *job)
{
    if (job->requestMethod() != "GET") {
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
        return;
    }
    const QUrl url = job->requestUrl();
    const auto it = m_documents.constFind(url.host());
    const QString path = url.path();
    if (it == m_documents.cend() || !(path.isEmpty() || path == u"/")) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    // The job reads the buffer on another thread until it is destroyed; it owns the buffer.
    auto *buffer = new QBuffer(job);
    buffer->setData(it.value());
    buffer->open(QIODevice::ReadOnly);
    job->reply(QByteArrayLiteral("text/html;charset=utf-8"), buffer);
}
