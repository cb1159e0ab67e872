#pragma once
#include <QUrl>
#include <QWebEnginePage>

// The page of one workspace web view. A web page (on the shared persistent profile) may go to
// any http or https address. A generated document (on the isolated document profile) stays on
// its own origin: a link the user follows to an http or https address opens in the system
// browser, every other navigation away is refused. Neither kind opens popups or windows,
// picks files, goes full screen or is granted a device or feature.
class WorkspacePage : public QWebEnginePage {
    Q_OBJECT
public:
    enum class Kind { Web, Document };

    // documentUrl: the one address a document page may show (its own origin).
    WorkspacePage(QWebEngineProfile *profile, Kind kind, const QUrl &documentUrl, QObject *parent = nullptr);

    Kind kind() const { return m_kind; }
    QUrl documentUrl() const { return m_documentUrl; }
    // Stops the page and shows an empty document, before the page is let go.
    void blank();

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage *createWindow(WebWindowType type) override;
    QStringList chooseFiles(FileSelectionMode mode, const QStringList &oldFiles, const QStringList &acceptedMimeTypes) override;

private:
    bool isOwnDocument(const QUrl &url) const;

    Kind m_kind;
    QUrl m_documentUrl;
};
