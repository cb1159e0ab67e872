#pragma once
#include <QList>
#include <QNetworkAccessManager>
#include <QObject>
#include <QUrl>

// Stands in for the user's browser: every link the application opens is fetched here, and
// redirects are followed (to the identity service and back to the application's loopback
// listener), keeping cookies like a browser. Installed while alive.
class BrowserHook : public QObject {
    Q_OBJECT
public:
    explicit BrowserHook(QObject *parent = nullptr);
    ~BrowserHook() override;
    const QList<QUrl> &opened() const { return m_opened; }
    // With follow false links are only recorded (a user who never finishes the login).
    void setFollow(bool follow) { m_follow = follow; }
    // Called with each page the browser lands on (after redirects); tests act on it.
    std::function<void(const QUrl &finalUrl, const QByteArray &body)> onPage;
    QNetworkAccessManager &network() { return m_network; }
    // Fetches a URL as the browser would (GET, following redirects).
    void visit(const QUrl &url);
    void submitForm(const QUrl &url, const QByteArray &formBody);

private:
    void watch(class QNetworkReply *reply);
    QNetworkAccessManager m_network;
    QList<QUrl> m_opened;
    bool m_follow = true;
};
