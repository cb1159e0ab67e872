#pragma once
#include <QPointer>
#include <QWidget>

class TaskData;

// The web content under a task opened in a column's detail area: the page of the task's first
// app, or a fixed search page. Inside the canvas a native web view is placed over this widget's
// rectangle (web engines do not render through graphics proxies); until a host does so, the
// widget draws a placeholder card with the address. A new address is a new identity: the host
// replaces its web view rather than navigating the old one.
class TaskWebContentView : public QWidget {
    Q_OBJECT
public:
    explicit TaskWebContentView(TaskData *task, QWidget *parent = nullptr);

    TaskData *task() const { return m_task; }
    // The first app's link when present and not empty; otherwise the default page.
    static QString pageURLString(const TaskData *task);
    static QString defaultPageURLString();
    QString pageURL() const { return m_address; }
    // "webview-" followed by the address.
    QString identity() const { return QStringLiteral("webview-") + m_address; }

Q_SIGNALS:
    // The address changed: a host drops its web view and makes a new one.
    void identityChanged(const QString &identity);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void refresh();
    QPointer<TaskData> m_task;
    QString m_address;
};
