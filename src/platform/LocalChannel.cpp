#include "platform/LocalChannel.h"

#include "platform/ProcessExit.h"

#include <QDataStream>
#include <QTimer>

#ifdef Q_OS_WIN
#include <QLockFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#else
#include <QDeadlineTimer>
#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>
#endif

namespace {

QByteArray frame(const QByteArray& message)
{
    QByteArray data;
    QDataStream(&data, QIODevice::WriteOnly) << quint32(message.size());
    return data + message;
}

// A complete message at the start of buffer, taken out of it; nullopt while
// it is incomplete. tooLong is set for a length no message has.
std::optional<QByteArray> takeMessage(QByteArray& buffer, bool& tooLong)
{
    quint32 size = 0;
    if (buffer.size() < qsizetype(sizeof size))
        return std::nullopt;
    QDataStream(buffer.left(sizeof size)) >> size;
    tooLong = size > TLocalChannelServer::kMaxMessage;
    if (tooLong || buffer.size() < qsizetype(sizeof size) + qsizetype(size))
        return std::nullopt;
    QByteArray message = buffer.mid(sizeof size, size);
    buffer.remove(0, qsizetype(sizeof size) + qsizetype(size));
    return message;
}

} // namespace

#ifndef Q_OS_WIN

namespace {

bool socketAddress(const QString& name, sockaddr_un& address)
{
    const QByteArray path = QFile::encodeName(name);
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || size_t(path.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    return true;
}

// Waits until fd is ready for events or the deadline passes.
bool waitFor(int fd, short events, const QDeadlineTimer& deadline)
{
    for (;;) {
        pollfd p {fd, events, 0};
        const int r = ::poll(&p, 1, int(std::max<qint64>(0, deadline.remainingTime())));
        if (r > 0)
            return true;
        if (r == 0 || errno != EINTR)
            return false;
    }
}

// A connected client socket, or -1.
int connectTo(const QString& name, const QDeadlineTimer& deadline)
{
    sockaddr_un address;
    if (!socketAddress(name, address))
        return -1;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
        return fd;
    // A server whose queue is full lets the client wait.
    if ((errno == EINPROGRESS || errno == EAGAIN) && waitFor(fd, POLLOUT, deadline)) {
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0)
            return fd;
    }
    ::close(fd);
    return -1;
}

// Whether fd is the file at path now (and not one that was removed or
// replaced since it was opened).
bool isFileAt(int fd, const QByteArray& path)
{
    struct stat opened, there;
    return ::fstat(fd, &opened) == 0 && ::lstat(path.constData(), &there) == 0 && opened.st_dev == there.st_dev
        && opened.st_ino == there.st_ino;
}

// Removes the socket a server made at name (device and inode tell it from
// one another server put there since), and the start lock beside it when
// nobody holds it: a start holding it keeps its file, and a start that opened
// the file before it went sees that it is gone once it has the lock.
void removeServedChannel(const QString& name, dev_t device, ino_t inode)
{
    const QByteArray path = QFile::encodeName(name);
    const QByteArray lockPath = QFile::encodeName(name + QStringLiteral(".lock"));
    const int lock = ::open(lockPath.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    const bool locked = lock >= 0 && ::flock(lock, LOCK_EX | LOCK_NB) == 0 && isFileAt(lock, lockPath);
    struct stat there;
    if (::lstat(path.constData(), &there) == 0 && there.st_dev == device && there.st_ino == inode)
        ::unlink(path.constData());
    if (locked)
        ::unlink(lockPath.constData());
    if (lock >= 0)
        ::close(lock);
}

} // namespace

struct TLocalChannelServer::Private {
    struct Connection {
        int fd = -1;
        QSocketNotifier* notifier = nullptr;
        QTimer* timer = nullptr;
        QByteArray buffer;
    };
    int fd = -1;
    QString name;
    dev_t device = 0;
    ino_t inode = 0;
    int endKey = 0;
    int timeoutMs = kConnectionTimeoutMs;
    QSocketNotifier* notifier = nullptr;
    std::vector<std::unique_ptr<Connection>> connections;

    void close(Connection* c)
    {
        // May run in the notifier's or the timer's own signal.
        c->notifier->setEnabled(false);
        c->notifier->deleteLater();
        c->timer->stop();
        c->timer->deleteLater();
        ::close(c->fd);
        std::erase_if(connections, [c](const std::unique_ptr<Connection>& p) { return p.get() == c; });
    }
};

TLocalChannelServer::TLocalChannelServer(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
}

TLocalChannelServer::~TLocalChannelServer()
{
    while (!d->connections.empty())
        d->close(d->connections.back().get());
    if (d->fd >= 0) {
        qx::CancelAtOwnProcessEnd(d->endKey);
        delete d->notifier;
        removeServedChannel(d->name, d->device, d->inode);
        ::close(d->fd);
    }
}

bool TLocalChannelServer::Listen(const QString& name)
{
    if (d->fd >= 0)
        return true;
    sockaddr_un address;
    const QString temporary = name + QStringLiteral(".%1.new").arg(::getpid());
    if (!socketAddress(name, address) || !socketAddress(temporary, address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    // Bound under a temporary name and closed to others before it gets its
    // name, which link gives only when nothing is there yet.
    const QByteArray temp = QFile::encodeName(temporary);
    ::unlink(temp.constData());
    struct stat bound {};
    const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
        && ::chmod(temp.constData(), S_IRUSR | S_IWUSR) == 0 && ::lstat(temp.constData(), &bound) == 0
        && ::link(temp.constData(), QFile::encodeName(name).constData()) == 0;
    ::unlink(temp.constData());
    if (!ok || ::listen(fd, 16) != 0) {
        if (ok)
            ::unlink(QFile::encodeName(name).constData());
        ::close(fd);
        return false;
    }
    d->fd = fd;
    d->name = name;
    d->device = bound.st_dev;
    d->inode = bound.st_ino;
    // The destructor does not run when the program ends its process itself.
    d->endKey = qx::AtOwnProcessEnd([name, device = d->device, inode = d->inode] {
        removeServedChannel(name, device, inode);
    });
    d->notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(d->notifier, &QSocketNotifier::activated, this, [this] {
        for (;;) {
            const int c = ::accept4(d->fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (c < 0) {
                if (errno == EINTR || errno == ECONNABORTED)
                    continue;
                // Out of descriptors (or memory): the peer stays queued and
                // the socket stays readable, so accepting pauses rather than
                // spinning on it.
                if (errno != EAGAIN && errno != EWOULDBLOCK) {
                    d->notifier->setEnabled(false);
                    QTimer::singleShot(200, this, [this] {
                        if (d->notifier)
                            d->notifier->setEnabled(true);
                    });
                }
                return;
            }
            if (int(d->connections.size()) >= kMaxConnections) {
                ::close(c);
                continue;
            }
            auto connection = std::make_unique<Private::Connection>();
            Private::Connection* conn = connection.get();
            conn->fd = c;
            conn->notifier = new QSocketNotifier(c, QSocketNotifier::Read, this);
            // The whole message within the time, however it trickles in.
            conn->timer = new QTimer(this);
            conn->timer->setSingleShot(true);
            connect(conn->timer, &QTimer::timeout, this, [this, conn] { d->close(conn); });
            conn->timer->start(d->timeoutMs);
            d->connections.push_back(std::move(connection));
            connect(conn->notifier, &QSocketNotifier::activated, this, [this, conn] {
                // Read no further than the longest message a peer may send.
                constexpr qsizetype kLongest = qsizetype(sizeof(quint32)) + kMaxMessage;
                char chunk[4096];
                ssize_t got = 0;
                while (conn->buffer.size() <= kLongest && (got = ::read(conn->fd, chunk, sizeof chunk)) > 0)
                    conn->buffer.append(chunk, qsizetype(got));
                const bool ended = got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR);
                bool tooLong = conn->buffer.size() > kLongest;
                if (const std::optional<QByteArray> message = takeMessage(conn->buffer, tooLong)) {
                    const std::optional<char> answer = OnMessage ? OnMessage(*message) : std::nullopt;
                    // The peer may have given up and gone: no signal for that.
                    if (answer)
                        (void)!::send(conn->fd, &*answer, 1, MSG_NOSIGNAL);
                    d->close(conn);
                    return;
                }
                if (ended || tooLong)
                    d->close(conn);
            });
        }
    });
    return true;
}

bool TLocalChannelServer::IsListening() const
{
    return d->fd >= 0;
}

int TLocalChannelServer::ConnectionCount() const
{
    return int(d->connections.size());
}

void TLocalChannelServer::SetConnectionTimeout(int ms)
{
    d->timeoutMs = ms;
}

bool IsLocalChannelServed(const QString& name, int timeoutMs)
{
    const int fd = connectTo(name, QDeadlineTimer(timeoutMs));
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

void RemoveLocalChannel(const QString& name)
{
    ::unlink(QFile::encodeName(name).constData());
}

std::optional<char> SendLocalMessage(const QString& name, const QByteArray& message, int timeoutMs)
{
    if (message.size() > qsizetype(TLocalChannelServer::kMaxMessage))
        return std::nullopt;
    const QDeadlineTimer deadline(timeoutMs);
    const int fd = connectTo(name, deadline);
    if (fd < 0)
        return std::nullopt;
    const QByteArray data = frame(message);
    qsizetype sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(fd, data.constData() + sent, size_t(data.size() - sent), MSG_NOSIGNAL);
        if (n > 0)
            sent += n;
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            break;
        else if (!waitFor(fd, POLLOUT, deadline))
            break;
    }
    std::optional<char> answer;
    while (sent == data.size() && !answer) {
        char byte = 0;
        const ssize_t n = ::read(fd, &byte, 1);
        if (n == 1)
            answer = byte;
        else if (n == 0 || (errno != EAGAIN && errno != EINTR) || !waitFor(fd, POLLIN, deadline))
            break;
    }
    ::close(fd);
    return answer;
}

// A lock on the file beside the channel (flock: it goes with the program).
// The server removes the file when it ends, holding the lock; a lock taken on
// a file that is no longer there is taken again on the one there now.
struct TLocalChannelStartLock::Private {
    int fd = -1;
};

TLocalChannelStartLock::TLocalChannelStartLock(const QString& name, int timeoutMs)
    : d(std::make_unique<Private>())
{
    const QByteArray file = QFile::encodeName(name + QStringLiteral(".lock"));
    const QDeadlineTimer deadline(timeoutMs);
    for (int fd = -1;;) {
        if (fd < 0)
            fd = ::open(file.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0)
            fd = ::open(file.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            return;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            if (isFileAt(fd, file)) {
                d->fd = fd;
                return;
            }
            ::close(fd);
            fd = -1;
            continue;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            ::close(fd);
            return;
        }
        const qint64 left = deadline.remainingTime();
        if (left == 0) {
            ::close(fd);
            return;
        }
        ::poll(nullptr, 0, left < 0 || left > 10 ? 10 : int(left));
    }
}

TLocalChannelStartLock::~TLocalChannelStartLock()
{
    if (d->fd >= 0)
        ::close(d->fd);
}

bool TLocalChannelStartLock::IsLocked() const
{
    return d->fd >= 0;
}

#else // Q_OS_WIN: a named pipe through Qt's local sockets.

struct TLocalChannelServer::Private {
    QLocalServer* server = nullptr;
    int connections = 0;
    int timeoutMs = kConnectionTimeoutMs;
};

TLocalChannelServer::TLocalChannelServer(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
}

TLocalChannelServer::~TLocalChannelServer() = default;

bool TLocalChannelServer::Listen(const QString& name)
{
    if (!d->server) {
        d->server = new QLocalServer(this);
        d->server->setSocketOptions(QLocalServer::UserAccessOption);
        connect(d->server, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* socket = d->server->nextPendingConnection()) {
                if (d->connections >= kMaxConnections) {
                    socket->abort();
                    socket->deleteLater();
                    continue;
                }
                ++d->connections;
                connect(socket, &QObject::destroyed, this, [this] { --d->connections; });
                connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
                QPointer<QLocalSocket> guard(socket);
                QTimer::singleShot(d->timeoutMs, socket, [guard] {
                    if (guard) {
                        guard->abort();
                        guard->deleteLater();
                    }
                });
                auto buffer = std::make_shared<QByteArray>();
                connect(socket, &QLocalSocket::readyRead, this, [this, guard, buffer] {
                    QLocalSocket* s = guard.data();
                    if (!s)
                        return;
                    buffer->append(s->read(qsizetype(sizeof(quint32)) + kMaxMessage + 1 - buffer->size()));
                    bool tooLong = buffer->size() > qsizetype(sizeof(quint32)) + kMaxMessage;
                    if (const std::optional<QByteArray> message = takeMessage(*buffer, tooLong)) {
                        const std::optional<char> answer = OnMessage ? OnMessage(*message) : std::nullopt;
                        if (!answer) {
                            s->abort();
                            return;
                        }
                        s->putChar(*answer);
                        s->flush();
                    } else if (tooLong) {
                        s->abort();
                    }
                });
            }
        });
    }
    return d->server->isListening() || d->server->listen(name);
}

bool TLocalChannelServer::IsListening() const
{
    return d->server && d->server->isListening();
}

int TLocalChannelServer::ConnectionCount() const
{
    return d->connections;
}

void TLocalChannelServer::SetConnectionTimeout(int ms)
{
    d->timeoutMs = ms;
}

bool IsLocalChannelServed(const QString& name, int timeoutMs)
{
    QLocalSocket probe;
    probe.connectToServer(name);
    return probe.waitForConnected(timeoutMs);
}

void RemoveLocalChannel(const QString& name)
{
    QLocalServer::removeServer(name);
}

std::optional<char> SendLocalMessage(const QString& name, const QByteArray& message, int timeoutMs)
{
    if (message.size() > qsizetype(TLocalChannelServer::kMaxMessage))
        return std::nullopt;
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs))
        return std::nullopt;
    socket.write(frame(message));
    if (!socket.waitForBytesWritten(timeoutMs))
        return std::nullopt;
    while (socket.bytesAvailable() < 1)
        if (!socket.waitForReadyRead(timeoutMs))
            return std::nullopt;
    char answer = 0;
    if (!socket.getChar(&answer))
        return std::nullopt;
    return answer;
}

// A lock file that records its holder: a lock left by a crashed start is
// taken over (the holder's process is checked).
struct TLocalChannelStartLock::Private {
    explicit Private(const QString& name)
        : file(name + QStringLiteral(".lock"))
    {
    }
    QLockFile file;
    bool locked = false;
};

TLocalChannelStartLock::TLocalChannelStartLock(const QString& name, int timeoutMs)
    : d(std::make_unique<Private>(name))
{
    d->file.setStaleLockTime(0);
    d->locked = d->file.tryLock(timeoutMs);
}

TLocalChannelStartLock::~TLocalChannelStartLock() = default;

bool TLocalChannelStartLock::IsLocked() const
{
    return d->locked;
}

#endif
