#pragma once
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QWebEngineUrlSchemeHandler>

// Serves generated HTML documents from memory, one document per host of the document scheme,
// so that each document is its own origin and no size limit of inline HTML applies. Only the
// document's root path is served; anything else (relative files, other methods) is refused.
class DocumentSchemeHandler : public QWebEngineUrlSchemeHandler {
    Q_OBJECT
public:
    explicit DocumentSchemeHandler(QObject *parent = nullptr);

    void setDocument(const QString &host, const QByteArray &html);
    void removeDocument(const QString &host);
    bool hasDocument(const QString &host) const { return m_documents.contains(host); }

    void requestStarted(QWebEngineUrlRequestJob *job) override;

private:
    QHash<QString, QByteArray> m_documents; // host -> UTF-8 document
};
