#include "Platform/Updater/SoftwareUpdater.h"
#include "Platform/AppInfo.h"
#include "Platform/Log.h"
#include "Platform/ModalPrompt.h"
#include "Platform/Settings.h"
#include "Platform/UrlOpener.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include "Platform/OutsideAddress.h"
#include <QPointer>
#include <QRegularExpression>
#include <QVersionNumber>

namespace {
constexpr qint64 kMaxFeedBytes = 64 * 1024;
constexpr int kTimeoutMs = 30000;
}

SoftwareUpdater::SoftwareUpdater(QObject *parent) : QObject(parent), m_network(new QNetworkAccessManager(this)) {}

SoftwareUpdater::~SoftwareUpdater() = default;

void SoftwareUpdater::start()
{
    m_started = true;
}

bool SoftwareUpdater::automaticallyChecksForUpdates() const
{
    return Settings::instance().boolValue(automaticChecksKey(), false);
}

void SoftwareUpdater::setAutomaticallyChecksForUpdates(bool on)
{
    Settings::instance().setValue(automaticChecksKey(), on);
}

QUrl SoftwareUpdater::feedUrl() const
{
    return QUrl(AppInfo::instance().configured(QStringLiteral("TavoUpdateFeedURL"), "TAVO_UPDATE_FEED_URL"));
}

SoftwareUpdater::Result SoftwareUpdater::evaluate(const QByteArray &body, const QString &currentVersion)
{
    Result result;
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(body, &parseError);
    const QString version = doc.object().value(QStringLiteral("version")).toString();
    // Purely numeric ("1.2.3"): the version is shown to the user, and fromString alone would
    // accept "1.2<anything>".
    static const QRegularExpression numeric(QStringLiteral("^[0-9]{1,9}(\\.[0-9]{1,9}){0,5}$"));
    const QVersionNumber latest = numeric.match(version).hasMatch() ? QVersionNumber::fromString(version) : QVersionNumber();
    if (parseError.error != QJsonParseError::NoError || !doc.isObject() || latest.isNull()) {
        result.outcome = Outcome::Failed;
        result.error = QStringLiteral("The update feed could not be read.");
        return result;
    }
    result.latestVersion = version;
    const QUrl url(doc.object().value(QStringLiteral("url")).toString());
    if (OutsideAddress::check(url, QStringLiteral("update download")))
        result.downloadUrl = url;
    result.outcome = QVersionNumber::compare(latest, QVersionNumber::fromString(currentVersion)) > 0 ? Outcome::UpdateAvailable
                                                                                                   : Outcome::UpToDate;
    return result;
}

void SoftwareUpdater::check(std::function<void(const Result &)> done)
{
    const QUrl url = feedUrl();
    if (!OutsideAddress::check(url, QStringLiteral("update feed"))) {
        done(Result{});
        return;
    }
    QNetworkRequest request(url);
    request.setTransferTimeout(kTimeoutMs);
    QNetworkReply *reply = m_network->get(request);
    QPointer<SoftwareUpdater> self(this);
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > kMaxFeedBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [self, reply, done] {
        reply->deleteLater();
        if (!self)
            return;
        Result result;
        if (reply->error() != QNetworkReply::NoError) {
            result.outcome = Outcome::Failed;
            result.error = reply->errorString();
        } else {
            result = evaluate(reply->read(kMaxFeedBytes + 1), AppInfo::instance().version());
        }
        done(result);
    });
}

void SoftwareUpdater::checkForUpdates()
{
    startCheck(true);
}

void SoftwareUpdater::checkForUpdatesInBackground()
{
    startCheck(false);
}

// One check at a time; a request while one runs is dropped.
void SoftwareUpdater::startCheck(bool userInitiated)
{
    if (m_checking)
        return;
    m_checking = true;
    QPointer<SoftwareUpdater> self(this);
    check([self, userInitiated](const Result &r) {
        if (!self)
            return;
        self->m_checking = false;
        self->report(r, userInitiated);
    });
}

void SoftwareUpdater::report(const Result &result, bool userInitiated)
{
    switch (result.outcome) {
    case Outcome::UpdateAvailable:
        Log::line(QStringLiteral("ℹ️ [Updater] Version ") + result.latestVersion + QStringLiteral(" is available"));
        break;
    case Outcome::UpToDate:
        Log::line(QStringLiteral("ℹ️ [Updater] Up to date"));
        break;
    case Outcome::Failed:
        Log::line(QStringLiteral("⚠️ [Updater] Update check failed: ") + result.error);
        break;
    case Outcome::NotConfigured:
        Log::line(QStringLiteral("ℹ️ [Updater] No update feed configured"));
        break;
    }
    Q_EMIT checkFinished(result, userInitiated);
    if (!userInitiated && result.outcome != Outcome::UpdateAvailable)
        return;
    PromptRequest prompt;
    prompt.title = QStringLiteral("Software Update");
    switch (result.outcome) {
    case Outcome::UpdateAvailable:
        prompt.text = QStringLiteral("Tavo Orlune %1 is available. You have %2.").arg(result.latestVersion, AppInfo::instance().version());
        if (result.downloadUrl.isValid()) {
            prompt.buttons = {QStringLiteral("Download"), QStringLiteral("Later")};
            prompt.cancelIndex = 1;
        }
        break;
    case Outcome::UpToDate:
        prompt.text = QStringLiteral("You're up to date. Tavo Orlune %1 is the newest version.").arg(AppInfo::instance().version());
        break;
    case Outcome::Failed:
        prompt.style = PromptRequest::Style::Warning;
        prompt.text = QStringLiteral("Checking for updates failed: %1").arg(result.error);
        break;
    case Outcome::NotConfigured:
        prompt.text = QStringLiteral("This build has no update feed to check.");
        break;
    }
    const QUrl download = result.downloadUrl;
    ModalPrompt::askAsync(prompt, this, [download](int choice) {
        if (choice == 0 && download.isValid())
            UrlOpener::open(download);
    });
}
