#pragma once
#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>

class QNetworkAccessManager;

// Checks the update feed for a version newer than the running one. The feed is a JSON object
// {"version": "1.2.0", "url": "https://..."} at the address of the Info.plist key
// "TavoUpdateFeedURL" (environment variable TAVO_UPDATE_FEED_URL). A check on request tells the
// user what it found; a background check speaks only when there is something new.
class SoftwareUpdater : public QObject {
    Q_OBJECT
public:
    // The preference that switches the periodic checks on; written false at every launch.
    static QString automaticChecksKey() { return QStringLiteral("SUEnableAutomaticChecks"); }

    enum class Outcome { UpdateAvailable, UpToDate, Failed, NotConfigured };
    struct Result {
        Outcome outcome = Outcome::NotConfigured;
        QString latestVersion;
        QUrl downloadUrl;
        QString error;
    };

    explicit SoftwareUpdater(QObject *parent = nullptr);
    ~SoftwareUpdater() override;

    void start();
    bool isStarted() const { return m_started; }
    bool automaticallyChecksForUpdates() const;
    void setAutomaticallyChecksForUpdates(bool on);
    QUrl feedUrl() const;

    // The user asked: the answer is shown whatever it is.
    void checkForUpdates();
    // Quiet: shown only when a newer version exists.
    void checkForUpdatesInBackground();
    // The check itself; done gets the outcome on this thread.
    void check(std::function<void(const Result &)> done);

    // Decodes a feed answer against the running version.
    static Result evaluate(const QByteArray &body, const QString &currentVersion);

Q_SIGNALS:
    void checkFinished(const SoftwareUpdater::Result &result, bool userInitiated);

private:
    void startCheck(bool userInitiated);
    void report(const Result &result, bool userInitiated);

    QNetworkAccessManager *m_network;
    bool m_started = false;
    bool m_checking = false;
};
