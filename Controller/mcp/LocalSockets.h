#pragma once
#include <QHostAddress>
#include <QList>
#include <optional>

// What the kernel says about this machine's TCP sockets (/proc/net/tcp, /proc/net/tcp6) and
// which processes hold them (/proc/<pid>/fd). The tool runtime uses it to make sure that the
// program answering on the local MCP port is the server it started, not another user's program
// or a leftover of an earlier run.
namespace LocalSockets {

struct Entry {
    QHostAddress localAddress; // an IPv4-mapped IPv6 address is given as IPv4
    quint16 localPort = 0;
    QHostAddress remoteAddress;
    quint16 remotePort = 0;
    int state = 0;      // the kernel's TCP state (10 = listening)
    quint64 inode = 0;  // 0 while a connection waits in the accept queue
};

// Every TCP socket of this network namespace, IPv4 and IPv6.
QList<Entry> entries();
// The sockets listening on the port, on any address.
QList<Entry> listeners(quint16 port);
// The server's end of the connection whose client end is clientAddress:clientPort.
std::optional<Entry> serverEndOf(const QHostAddress &clientAddress, quint16 clientPort, quint16 serverPort);
// The processes that hold the socket; those of other users cannot be seen and are not listed.
QList<qint64> owners(quint64 inode);
// The process group of the process, or -1 when it cannot be read.
qint64 processGroup(qint64 pid);

}
