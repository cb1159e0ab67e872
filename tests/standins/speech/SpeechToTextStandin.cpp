#include "SpeechToTextStandin.h"

namespace {
const QByteArray kCrLf("\r\n");

QByteArray fieldHeader(const QByteArray &name)
{
    return "Content-Disposition: form-data; name=\"" + name + "\"";
}
}

QByteArray SpeechToTextStandin::Upload::field(const QString &name) const
{
    for (const Part &p : parts)
        if (p.name == name)
            return p.data;
    return {};
}

QStringList SpeechToTextStandin::Upload::partNames() const
{
    QStringList names;
    for (const Part &p : parts)
        names << p.name;
    return names;
}

SpeechToTextStandin::SpeechToTextStandin(QObject *parent)
    : QObject(parent)
{
    m_server.on("POST", kPath, [this](const StandinHttpServer::Request &request) {
        Upload upload = parse(request.header("Content-Type"), request.body);
        upload.authorization = request.header("Authorization");
        m_uploads.append(upload);
        Q_EMIT uploadReceived(upload);
        if (!expectedKey.isEmpty() && upload.authorization != "Bearer " + expectedKey)
            return Reply{401, QByteArray("{\"error\":{\"message\":\"Invalid API Key\"}}"), "application/json", {}, 0, false};
        if (!m_script.isEmpty())
            return m_script.takeFirst();
        return defaultReply;
    });
}

quint16 SpeechToTextStandin::start()
{
    return m_server.start();
}

QString SpeechToTextStandin::hostWithScheme() const
{
    return m_server.baseUrl().toString();
}

SpeechToTextStandin::Upload SpeechToTextStandin::parse(const QByteArray &contentType, const QByteArray &body)
{
    Upload u;
    u.contentType = contentType;
    u.body = body;
    auto fail = [&u](const QString &problem) {
        u.wellFormed = false;
        u.problem = problem;
        return u;
    };
    const QByteArray prefix("multipart/form-data; boundary=");
    if (!contentType.startsWith(prefix))
        return fail(QStringLiteral("Content-Type is not multipart/form-data with a boundary: ") + QString::fromLatin1(contentType));
    u.boundary = contentType.mid(prefix.size());
    if (u.boundary.isEmpty())
        return fail(QStringLiteral("empty boundary"));

    const QByteArray delimiter = "--" + u.boundary;
    const QByteArray closing = delimiter + "--" + kCrLf;
    if (!body.endsWith(closing))
        return fail(QStringLiteral("the body does not end with the closing delimiter"));
    qsizetype pos = 0;
    while (true) {
        if (body.mid(pos, closing.size()) == closing) {
            if (pos + closing.size() != body.size())
                return fail(QStringLiteral("bytes after the closing delimiter"));
            break;
        }
        if (body.mid(pos, delimiter.size() + 2) != delimiter + kCrLf)
            return fail(QStringLiteral("part %1 does not open with --boundary CR LF").arg(u.parts.size() + 1));
        pos += delimiter.size() + 2;
        const qsizetype headersEnd = body.indexOf(kCrLf + kCrLf, pos);
        if (headersEnd < 0)
            return fail(QStringLiteral("part %1 has no end of headers").arg(u.parts.size() + 1));
        Part part;
        part.headerLines = body.mid(pos, headersEnd - pos).split('\n');
        for (QByteArray &line : part.headerLines) {
            if (&line != &part.headerLines.last()) {
                if (!line.endsWith('\r'))
                    return fail(QStringLiteral("a header line ends without CR LF"));
                line.chop(1);
            }
        }
        pos = headersEnd + 4;
        // The data runs to the CR LF that comes before the next delimiter.
        const qsizetype next = body.indexOf(kCrLf + delimiter, pos);
        if (next < 0)
            return fail(QStringLiteral("part %1 is not closed by CR LF --boundary").arg(u.parts.size() + 1));
        part.data = body.mid(pos, next - pos);
        pos = next + 2;
        const QByteArray first = part.headerLines.value(0);
        const qsizetype nameAt = first.indexOf("name=\"");
        if (nameAt < 0)
            return fail(QStringLiteral("part %1 has no name").arg(u.parts.size() + 1));
        const qsizetype nameEnd = first.indexOf('"', nameAt + 6);
        part.name = QString::fromUtf8(first.mid(nameAt + 6, nameEnd - nameAt - 6));
        u.parts.append(part);
    }

    // The exact layout the service is sent.
    const QStringList names = u.partNames();
    const bool withLanguage = names.contains(QStringLiteral("language"));
    const QStringList expected = withLanguage
        ? QStringList{QStringLiteral("model"), QStringLiteral("response_format"), QStringLiteral("language"), QStringLiteral("file")}
        : QStringList{QStringLiteral("model"), QStringLiteral("response_format"), QStringLiteral("file")};
    if (names != expected)
        return fail(QStringLiteral("parts are ") + names.join(u',') + QStringLiteral(", expected ") + expected.join(u','));
    for (const Part &p : std::as_const(u.parts)) {
        if (p.name == QLatin1String("file")) {
            const QList<QByteArray> want{fieldHeader("file") + "; filename=\"audio.m4a\"", QByteArray("Content-Type: audio/m4a")};
            if (p.headerLines != want)
                return fail(QStringLiteral("the file part's headers are wrong: ") + QString::fromUtf8(p.headerLines.join(" | ")));
            if (p.data.isEmpty())
                return fail(QStringLiteral("the file part is empty"));
        } else if (p.headerLines != QList<QByteArray>{fieldHeader(p.name.toUtf8())}) {
            return fail(QStringLiteral("the headers of part ") + p.name + QStringLiteral(" are wrong: ") + QString::fromUtf8(p.headerLines.join(" | ")));
        }
    }
    u.wellFormed = true;
    return u;
}
