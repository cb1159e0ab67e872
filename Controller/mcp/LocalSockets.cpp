#include "Controller/mcp/LocalSockets.h"

#include <QDir>
#include <QFile>
#include <arpa/inet.h>
#include <unistd.h>

namespace {

constexpr int kListenState = 0x0A;

// "0100007F:0FA0": the address as the kernel's 32-bit words in host order, then the port.
bool parseEndpoint(const QByteArray &text, QHostAddress *address, quint16 *port)
{
    const qsizetype colon = text.indexOf(':');
    if (colon < 0)
        return false;
    const QByteArray hex = text.left(colon);
    bool ok = false;
    *port = quint16(text.mid(colon + 1).toUInt(&ok, 16));
    if (!ok)
        return false;
    if (hex.size() == 8) {
        const quint32 word = hex.toUInt(&ok, 16);
        if (!ok)
            return false;
        *address = QHostAddress(ntohl(word));
        return true;
    }
    if (hex.size() != 32)
        return false;
    Q_IPV6ADDR bytes;
    for (int w = 0; w < 4; ++w) {
        const quint32 word = ntohl(hex.mid(w * 8, 8).toUInt(&ok, 16));
        if (!ok)
            return false;
        bytes[w * 4] = quint8(word >> 24);
        bytes[w * 4 + 1] = quint8(word >> 16);
        bytes[w * 4 + 2] = quint8(word >> 8);
        bytes[w * 4 + 3] = quint8(word);
    }
    *address = QHostAddress(bytes);
    bool mapped = false;
    const quint32 v4 = address->toIPv4Address(&mapped);
    if (mapped)
        *address = QHostAddress(v4);
    return true;
}

void readTable(const QString &path, QList<LocalSockets::Entry> *out)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    file.readLine(); // the heading
    while (!file.atEnd()) {
        const QList<QByteArray> fields = file.readLine().simplified().split(' ');
        if (fields.size() < 10)
            continue;
        LocalSockets::Entry entry;
        bool ok = false;
        if (!parseEndpoint(fields[1], &entry.localAddress, &entry.localPort)
            || !parseEndpoint(fields[2], &entry.remoteAddress, &entry.remotePort))
            continue;
        entry.state = fields[3].toInt(&ok, 16);
        if (!ok)
            continue;
        entry.inode = fields[9].toULongLong(&ok);
        if (!ok)
            continue;
        out->append(entry);
    }
}

} // namespace

namespace LocalSockets {

QList<Entry> entries()
{
    QList<Entry> out;
    readTable(QStringLiteral("/proc/net/tcp"), &out);
    readTable(QStringLiteral("/proc/net/tcp6"), &out);
    return out;
}

QList<Entry> listeners(quint16 port)
{
    QList<Entry> out;
    for (const Entry &e : entries())
        if (e.state == kListenState && e.localPort == port)
            out.append(e);
    return out;
}

std::optional<Entry> serverEndOf(const QHostAddress &clientAddress, quint16 clientPort, quint16 serverPort)
{
    QHostAddress client = clientAddress;
    bool mapped = false;
    const quint32 v4 = client.toIPv4Address(&mapped);
    if (mapped)
        client = QHostAddress(v4);
    for (const Entry &e : entries()) {
        if (e.state != kListenState && e.localPort == serverPort && e.remotePort == clientPort && e.remoteAddress == client)
            return e;
    }
    return std::nullopt;
}

QList<qint64> owners(quint64 inode)
{
    QList<qint64> out;
    if (inode == 0)
        return out;
    const QByteArray target = "socket:[" + QByteArray::number(inode) + ']';
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : pids) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (!ok)
            continue;
        const QString fdDir = QStringLiteral("/proc/%1/fd").arg(pid);
        const QStringList fds = QDir(fdDir).entryList(QDir::NoDotAndDotDot | QDir::System | QDir::Files | QDir::Dirs);
        for (const QString &fd : fds) {
            char link[64];
            const QByteArray path = (fdDir + QLatin1Char('/') + fd).toLocal8Bit();
            const ssize_t n = ::readlink(path.constData(), link, sizeof link);
            if (n > 0 && QByteArray(link, int(n)) == target) {
                out.append(pid);
                break;
            }
        }
    }
    return out;
}

qint64 processGroup(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // "pid (name) state ppid pgrp ...": the name may hold spaces and parentheses.
    const qsizetype close = text.lastIndexOf(')');
    if (close < 0)
        return -1;
    const QList<QByteArray> fields = text.mid(close + 2).split(' ');
    if (fields.size() < 3)
        return -1;
    bool ok = false;
    const qint64 group = fields[2].toLongLong(&ok);
    return ok ? group : -1;
}

}
