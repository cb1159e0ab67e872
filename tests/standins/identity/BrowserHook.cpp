#include "BrowserHook.h"
#include "Platform/UrlOpener.h"

#include <QNetworkReply>
#include <QNetworkRequest>

BrowserHook::BrowserHook(QObject *parent)
    : QObject(parent)
{
    m_network.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    UrlOpener::setHandler([this](const QUrl &url) {
        m_opened.append(url);
        if (m_follow)
            QMetaObject::invokeMethod(this, [this, url] { visit(url); }, Qt::QueuedConnection);
        return true;
    });
}

BrowserHook::~BrowserHook()
{
    UrlOpener::setHandler({});
}

void BrowserHook::visit(const QUrl &url)
{
    watch(m_network.get(QNetworkRequest(url)));
}

void BrowserHook::submitForm(const QUrl &url, const QByteArray &formBody)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
    watch(m_network.post(request, formBody));
}

void BrowserHook::watch(QNetworkReply *reply)
{
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        if (onPage)
            onPage(reply->url(), reply->readAll());
    });
}
