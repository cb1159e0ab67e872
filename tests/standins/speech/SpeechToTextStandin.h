#pragma once
#include "StandinHttpServer.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

// The speech-to-text service's transcription endpoint on 127.0.0.1. It takes every upload
// apart, checks it against the wire format byte for byte, records it, and answers from a
// script (by default 200 with a fixed text).
class SpeechToTextStandin : public QObject {
    Q_OBJECT
public:
    struct Part {
        QString name;
        QList<QByteArray> headerLines;
        QByteArray data;
    };
    struct Upload {
        QByteArray authorization;
        QByteArray contentType;
        QByteArray boundary;
        QList<Part> parts;
        QByteArray body;
        bool wellFormed = false;
        QString problem; // the first thing that breaks the format
        QByteArray field(const QString &name) const;
        QStringList partNames() const;
    };
    using Reply = StandinHttpServer::Reply;

    static inline const QString kPath = QStringLiteral("/openai/v1/audio/transcriptions");

    explicit SpeechToTextStandin(QObject *parent = nullptr);
    quint16 start();
    // http://127.0.0.1:PORT — a "host" with its scheme, as the client's configuration takes it.
    QString hostWithScheme() const;
    QString endpoint() const { return hostWithScheme() + kPath; }

    // Answers in order; once they run out every upload gets defaultReply.
    void queueReply(const Reply &reply) { m_script.append(reply); }
    void queueReply(int status, const QByteArray &body) { queueReply(Reply{status, body, "text/plain", {}, 0, false}); }
    Reply defaultReply{200, QByteArray("Create a task to book a flight to Lisbon."), "text/plain", {}, 0, false};
    // When set, uploads without "Bearer " + this key are answered 401.
    QByteArray expectedKey;

    const QList<Upload> &uploads() const { return m_uploads; }
    // Splits and checks one upload (public for the stand-in's own checks).
    static Upload parse(const QByteArray &contentType, const QByteArray &body);

Q_SIGNALS:
    void uploadReceived(const SpeechToTextStandin::Upload &upload);

private:
    StandinHttpServer m_server;
    QList<Reply> m_script;
    QList<Upload> m_uploads;
};
